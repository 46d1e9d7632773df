#pragma once
// The DXF import dialog: the drawing's layers are sorted into source, receiver and plane
// layers, and "Import" writes the project into the hand-over file.
//
// Use: OpenFile() (false: nothing to show), set HandOverPath, then ShowModal(): wxID_OK when
// the hand-over file is complete, wxID_CANCEL otherwise; NewFile then tells a new project from
// one to append.

#include <map>
#include <string>
#include <vector>

#include <wx/dialog.h>

#include "desktop/DXFImport.h"

class wxBitmapButton;
class wxButton;
class wxCheckBox;
class wxListCtrl;
class wxListEvent;
class wxPanel;
class wxRadioButton;

class ImportDialog : public wxDialog {
public:
    ImportDialog(wxWindow* parent, wxWindowID id = wxID_ANY, const wxPoint& pos = wxDefaultPosition,
                 const wxSize& size = wxDefaultSize);
    ~ImportDialog() override;

    // Lets the user choose a drawing and fills the lists from it; false when cancelled or
    // when the drawing cannot be opened (lists and ImportFileName then stay as they were).
    bool OpenFile();
    // The same for a drawing already chosen.
    bool OpenFile(const wxString& path);

    // Appends the selected entries of ListSrc to ListDst, in list order, and removes them.
    void MoveItems(wxListCtrl* ListSrc, wxListCtrl* ListDst);
    // A drop of dragged text on a list: moves the entries from the list the drag started in.
    bool OnDropText(wxCoord x, wxCoord y, const wxString& data);

    // The current sorting and object types.
    DXFImportChoice Choice() const;

    bool NewFile = true;         // new project (true) or append (false)
    std::string ImportFileName;  // the drawing of the last successful OpenFile
    std::string HandOverPath;    // where "Import" writes the project (HandOverFile::Path)

    wxListCtrl* ListLayerSrc = nullptr;
    wxListCtrl* ListLayerRec = nullptr;
    wxListCtrl* ListLayerAll = nullptr;
    wxListCtrl* ListLayerPlanes = nullptr;
    wxCheckBox* CheckBox2 = nullptr;        // "3D Polyline"
    wxCheckBox* CheckBox3 = nullptr;        // "3D Face"
    wxCheckBox* CheckBox4 = nullptr;        // "3D PolyFaceMesh"
    wxRadioButton* RadioButton1 = nullptr;  // "New Project"
    wxRadioButton* RadioButton2 = nullptr;  // "Append"
    wxButton* Button1 = nullptr;            // "Import"
    wxButton* Button2 = nullptr;            // "Cancel"
    wxBitmapButton* BitmapButton1 = nullptr;
    wxBitmapButton* BitmapButton2 = nullptr;
    wxBitmapButton* BitmapButton3 = nullptr;
    wxBitmapButton* BitmapButton4 = nullptr;
    wxBitmapButton* BitmapButton5 = nullptr;
    wxBitmapButton* BitmapButton6 = nullptr;
    wxPanel* Panel1 = nullptr;
    wxPanel* Panel2 = nullptr;
    wxPanel* Panel3 = nullptr;
    wxListCtrl* DragSrc = nullptr;  // the list a drag started from
    wxListCtrl* DragDst = nullptr;  // the list of the last drop

    static const long ID_LISTCTRL1;
    static const long ID_LISTCTRL2;
    static const long ID_PANEL1;
    static const long ID_BITMAPBUTTON1;
    static const long ID_BITMAPBUTTON2;
    static const long ID_BITMAPBUTTON3;
    static const long ID_BITMAPBUTTON4;
    static const long ID_LISTCTRL3;
    static const long ID_CHECKBOX1;
    static const long ID_CHECKBOX2;
    static const long ID_CHECKBOX3;
    static const long ID_CHECKBOX4;
    static const long ID_BITMAPBUTTON5;
    static const long ID_BITMAPBUTTON6;
    static const long ID_PANEL2;
    static const long ID_LISTCTRL4;
    static const long ID_RADIOBUTTON1;
    static const long ID_RADIOBUTTON2;
    static const long ID_BUTTON1;
    static const long ID_BUTTON2;
    static const long ID_PANEL3;

private:
    void OnBitmapButton1Click(wxCommandEvent& event);
    void OnBitmapButton2Click(wxCommandEvent& event);
    void OnBitmapButton3Click(wxCommandEvent& event);
    void OnBitmapButton4Click(wxCommandEvent& event);
    void OnBitmapButton5Click(wxCommandEvent& event);
    void OnBitmapButton6Click(wxCommandEvent& event);
    void OnRadioButton1Select(wxCommandEvent& event);
    void OnRadioButton2Select(wxCommandEvent& event);
    void OnButton1Click(wxCommandEvent& event);
    void OnButton2Click(wxCommandEvent& event);
    void OnDragInit(wxListEvent& event);
    void OnSelect(wxCommandEvent& event);

    // Ends the modal loop, or hides the dialog when it is not shown modally.
    void Finish(int code);
    // The entries of a list as the drawing spells them.
    std::vector<std::string> DrawingNames(const wxListCtrl* list) const;

    std::map<wxString, std::string> drawingNames_;  // shown name -> the drawing's bytes
};
