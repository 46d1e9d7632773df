#pragma once
// The desktop's 3D model view: an OpenGL canvas that shows a room (planes in their layer colours,
// outlines, triangulation, sources, receivers, axes, lost rays, labels) under an orbit camera
// that the mouse turns, pans and zooms. The view points at the room without owning it.
//
// It draws when the view's options or the room changed (checked on idle events), on paint
// events, and when asked; never while hidden. RenderFrame draws without swapping the buffers.

#include <cstdint>
#include <memory>
#include <vector>

#include <wx/glcanvas.h>

#include "geometry/TPoint3D.h"
#include "views/ViewControl.h"
#include "views/ViewMath.h"

class TRoom;

class GL_Window : public wxGLCanvas {
public:
    // `c` is kept (c_, rotate_) but not used. Display attributes the display refuses fall back
    // to ones without multisampling.
    GL_Window(float c, wxWindow* parent, const wxGLAttributes& dispAttrs, wxWindowID id = wxID_ANY,
              const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize, long style = 0,
              const wxString& name = wxGLCanvasName, const wxPalette& palette = wxNullPalette);
    ~GL_Window() override;

    ViewControl view;
    int xRot = 0, yRot = 0, zRot = 0;  // drag angles of the left button, degrees (0..360)
    bool IsActive = true;
    float c_ = 0, rotate_ = 0;
    wxPoint lastPos;
    TRoom* sala = nullptr;          // the room shown; not owned
    std::vector<ViewColor> colors;  // one row per plane layer
    int NumColors = 0;
    int wID = 0;

    // Shows `room` (null: none) and rebuilds the colour table.
    void SetRoom(TRoom* room);
    void SetRoom(TRoom* room, ViewControl vctrl);
    void SetViewControl(ViewControl NewView);
    // The colour table anew from the room's plane layers (after layer edits).
    void UpdateColors();
    void CreateColors();
    void DeleteColors();

    int getWidth() const;
    int getHeight() const;

    // Draws the picture into the back buffer without swapping; false when the canvas is not
    // shown (nothing drawn).
    bool RenderFrame();
    // RenderFrame, then the buffers swapped.
    void draw();
    // Redraw on the next idle event even when nothing seems changed.
    void MarkDirty() { dirty_ = true; }
    // Whether the idle and paint events draw; tests turn it off and call RenderFrame.
    void SetAutoRedraw(bool on) { autoRedraw_ = on; }
    // Shown, and the view's options or the room changed since the last picture.
    bool NeedsRedraw() const;

    // Mouse and window events.
    void mouseMoved(wxMouseEvent& event);
    void mouseDown(wxMouseEvent& event);
    void mouseWheelMoved(wxMouseEvent& event);
    void mouseReleased(wxMouseEvent& event);
    void rightClick(wxMouseEvent& event);
    void mouseLeftWindow(wxMouseEvent& event);
    void keyPressed(wxKeyEvent& event);
    void keyReleased(wxKeyEvent& event);
    // Left double click: the default camera, without pan, far enough to show the whole room.
    void viewExtent(wxMouseEvent& event);
    void resized(wxSizeEvent& event);
    void render(wxPaintEvent& event);
    void OnIdle(wxIdleEvent& event);
    void OnMouseWheel(wxMouseEvent& event);  // not connected

    void setXRotation(int angle);
    void setYRotation(int angle);
    // A right drag of (dx, dy) pixels: the picture follows the pointer (view.pan).
    void setTranslation(float dx, float dy);

    // GL state and camera (the context must be current).
    void initializeViewer(int w, int h);
    void AdjustView();
    void paintGL();
    void prepare3DViewport(int topleft_x, int topleft_y, int bottomrigth_x, int bottomrigth_y);
    void prepare2DViewport(int topleft_x, int topleft_y, int bottomrigth_x, int bottomrigth_y);

    // Parts of the picture (the context must be current).
    void drawPlanes();
    void drawContours();
    void drawTriangles();
    void drawSources();
    void drawReceivers();
    void drawAxes();
    void drawLostRays();
    void drawSphere(double r, int lats, int longs);
    void drawBitmapText(const char* texto, float x, float y, float z);
    void drawVector(TPoint3D A, TPoint3D B);
    // A solid cone in colour cor at pos, along +z (dir is not used).
    void drawCone(TPoint3D pos, TPoint3D dir, float R, float H, TPoint3D cor);

private:
    // The canvas's context made current; false while the canvas is not shown.
    bool MakeCurrent();

    std::unique_ptr<wxGLContext> m_context;
    bool autoRedraw_ = true;
    bool dirty_ = true;
    bool hiddenSinceDrawn_ = false;  // hidden on an idle event since the last picture
    ViewControl drawnView_;
    std::uint64_t drawnRoom_ = 0;

    wxDECLARE_EVENT_TABLE();
};
