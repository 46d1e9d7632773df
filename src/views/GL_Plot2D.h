#pragma once
// The OpenGL canvas that draws response curves: a plot area inside fixed pixel margins, a grey
// grid over the curves, ticks and labels in the bottom and left margins, zoom and pan with the
// mouse. What it shows lives in its Plot2DModel; this class draws it and routes the events.
//
// One GL context per canvas, made current only while the canvas is shown. The canvas draws
// when what it shows has changed (on the next idle event) and when it is exposed, not on every
// idle event. RenderFrame draws without presenting, so a test can read the back buffer.

#include <memory>
#include <string>
#include <vector>

#include <wx/glcanvas.h>

#include "views/Plot2DModel.h"
#include "views/PlotReduction.h"

class GL_Plot2D : public wxGLCanvas {
public:
    GL_Plot2D(float c, wxWindow* parent, const wxGLAttributes& dispAttrs, wxWindowID id = wxID_ANY,
              const wxPoint& pos = wxDefaultPosition, const wxSize& wsize = wxDefaultSize, long style = 0,
              const wxString& name = "GL_Plot2D", const wxPalette& palette = wxNullPalette);
    ~GL_Plot2D() override;

    // Curves, colours and ranges (see Plot2DModel).
    unsigned int getNumGraphs() const { return plot.getNumGraphs(); }
    void AddGraph(const float* x, const float* y, unsigned int L) { plot.AddGraph(x, y, L); }
    void AddGraph(const float* gph, unsigned int L) { plot.AddGraph(gph, L); }
    void AddGraph(const TGraph* gph) { plot.AddGraph(gph); }
    void DelGraph(int Gindex) { plot.DelGraph(Gindex); }
    void DeleteGraphs() { plot.DeleteGraphs(); }
    void CreateGraphs(const TGraph* const* newgraph, unsigned int n) { plot.CreateGraphs(newgraph, n); }
    void SetGraphData(int graphID, const TPoint3D* newdata, int newLength)
    {
        plot.SetGraphData(graphID, newdata, newLength);
    }
    void SetGraphColor(int gphIndex, TPoint3D color) { plot.SetGraphColor(gphIndex, color); }
    TPoint3D GetGraphColor(int gphIndex) const { return plot.GetGraphColor(gphIndex); }
    int SetGraphViewStatus(int gphIndex, bool state) { return plot.SetGraphViewStatus(gphIndex, state); }
    TPoint3D GetXRange() const { return plot.GetXRange(); }
    TPoint3D GetYRange() const { return plot.GetYRange(); }
    TPoint3D SetXRange(float Xmin, float Xmax) { return plot.SetXRange(Xmin, Xmax); }
    TPoint3D SetYRange(float Ymin, float Ymax) { return plot.SetYRange(Ymin, Ymax); }
    TPoint3D view2world(const wxPoint& S) const { return plot.view2world(PlotPixel{S.x, S.y}); }
    wxPoint world2view(TPoint3D P) const
    {
        const PlotPixel S = plot.world2view(P);
        return wxPoint(S.x, S.y);
    }
    int getWidth() const { return GetSize().x; }
    int getHeight() const { return GetSize().y; }

    Plot2DModel& Model() { return plot; }
    const Plot2DModel& Model() const { return plot; }

    // Draws the frame into the back buffer of the current context; false when nothing was
    // drawn (hidden, no size event yet).
    bool RenderFrame();
    // RenderFrame, then presents the frame.
    void draw();
    // Whether the idle and paint events draw (the default); tests turn it off and call
    // RenderFrame.
    void SetAutoRedraw(bool on) { autoRedraw = on; }
    // Redraw on the next idle event even when nothing seems changed.
    void MarkDirty() { plot.MarkChanged(); }
    // Something shown changed since the last frame.
    bool NeedsRedraw() const { return plot.NeedsRedraw(); }

    // Kept from the canvas's first form; nothing in the program calls them.
    void paintGL() {}
    void Reshape(int, int) {}
    void OnMouseWheel(wxMouseEvent&) {}
    // Moves the model-view matrix by (x, y, z) and sets the raster position there; no text.
    void drawBitmapText(const char* texto, float x, float y, float z);
    // Fills the four margins with the colour (x, y, z as red, green, blue).
    void drawBorders(TPoint3D color);
    // An earlier labelling inside the plot area: x in ms or s, y in Pa.
    void drawTicks_OLD();
    // A fixed test pattern; sets the extents to the plot area's pixels.
    void drawTest();
    void drawString(float x, float y, float z, const std::string& text);

    // Fields of the canvas's first form that nothing reads.
    float pan_x = 0.0f, pan_y = 0.0f;
    bool IsActive = true;
    float zoom = 1.0f;
    float c_, rotate_;
    int wID;
    std::string xlabel;

private:
    void drawPlots();
    void drawZoom();
    void drawGrid();
    void drawTicks();
    void drawCrossHair();
    // Lines across the whole plot area at the data x and y values.
    void drawAcross(const std::vector<double>& xs, const std::vector<double>& ys);
    void PlotViewport();
    void drawLines(const PlotSegments& segments) const;

    void mouseWheelMoved(wxMouseEvent& event);
    void mouseMoved(wxMouseEvent& event);
    void mouseDown(wxMouseEvent& event);
    void mouseReleased(wxMouseEvent& event);
    void startZoom(wxMouseEvent& event);
    void stopZoom(wxMouseEvent& event);
    void startPan(wxMouseEvent& event);
    void stopPan(wxMouseEvent& event);
    void viewExtent(wxMouseEvent& event);
    void mouseLeftWindow(wxMouseEvent& event);
    void resized(wxSizeEvent& event);
    void keyPressed(wxKeyEvent& event);
    void keyReleased(wxKeyEvent& event);
    void render(wxPaintEvent& event);
    void OnIdle(wxIdleEvent& event);

    // A mouse position in the model's device pixels.
    PlotPixel Pointer(const wxMouseEvent& event) const;

    Plot2DModel plot;
    std::unique_ptr<wxGLContext> m_context;
    PlotSegments lines;  // reused from frame to frame
    bool autoRedraw = true;

    wxDECLARE_EVENT_TABLE();
};
