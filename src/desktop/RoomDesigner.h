#pragma once
// The standard-room designer: nine dimensions of a room of three sections, a sketch and a live
// 3D preview; "Apply" writes the room into the hand-over file.
//
// Use: create, set HandOverPath, ShowModal(): wxID_OK when the hand-over file is complete, 0
// after "Cancel" (nothing written); then destroy it (its room and 3D view go with it).

#include <array>
#include <memory>
#include <string>

#include <wx/dialog.h>

#include "desktop/StandardRoom.h"
#include "geometry/TPoint3D.h"

class GL_Window;
class TRoom;
class wxButton;
class wxFlexGridSizer;
class wxPanel;
class wxSpinCtrlDouble;
class wxStaticBitmap;
class wxStaticBoxSizer;
class wxStaticText;

class RoomDesigner : public wxDialog {
public:
    RoomDesigner(wxWindow* parent, wxWindowID id = wxID_ANY, const wxPoint& pos = wxDefaultPosition,
                 const wxSize& size = wxDefaultSize);
    ~RoomDesigner() override;

    // The nine fields, as typed, into the dimensions (a field whose text is not a number in
    // range keeps its dimension).
    void UpdateLengths();
    // Rebuilds the room's planes from the dimensions and points the preview at it.
    void UpdateRoom();

    std::unique_ptr<TRoom> room;                         // the preview room
    std::string HandOverPath;                            // where "Apply" writes the room (HandOverFile::Path)
    std::array<TPoint3D, kStandardRoomVertices> vert{};  // the ten vertices
    static constexpr int NumPlanes = kStandardRoomPlanes;
    float L1 = 0, L = 0, L2 = 0, W1 = 0, W = 0, W2 = 0, H1 = 0, H = 0, H2 = 0;

    std::array<wxSpinCtrlDouble*, 9> SpinCtrl{};  // L1, L, L2, W1, W, W2, H1, H, H2
    std::array<wxStaticText*, 9> StaticText{};
    wxStaticBoxSizer* StaticBoxSizer_MP = nullptr;
    wxFlexGridSizer* FlexGridSizer_MP = nullptr;
    GL_Window* MyGLCanvas = nullptr;
    wxButton* Button1 = nullptr;  // "Apply"
    wxButton* Button2 = nullptr;  // "Cancel"
    wxPanel* Panel1 = nullptr;
    wxStaticBitmap* StaticBitmap1 = nullptr;

    static const long ID_STATICBITMAP1;
    static const long ID_PANEL1;
    static const long ID_BUTTON1;
    static const long ID_BUTTON2;
    static const long ID_SPINCTRL;  // the first of nine

private:
    void OnTextCtrlChange(wxCommandEvent& event);
    void OnButton1Click(wxCommandEvent& event);
    void OnButton2Click(wxCommandEvent& event);

    RoomDimensions Dimensions() const;
    void Finish(int code);
};
