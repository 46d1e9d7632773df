#pragma once
// The chart window: an ordered list of layers, the view transform between data and pixels,
// fitting, zooming and scrolling of that view, and the painting of all layers.

#include <wx/bitmap.h>
#include <wx/colour.h>
#include <wx/dcmemory.h>
#include <wx/menu.h>
#include <wx/window.h>

#include <memory>

#include "views/charts/ChartView.h"
#include "views/charts/LayerList.h"
#include "views/charts/mpInfoLayer.h"
#include "views/charts/mpLayer.h"

enum {
    mpID_FIT = 2000,
    mpID_ZOOM_IN,
    mpID_ZOOM_OUT,
    mpID_CENTER,
    mpID_LOCKASPECT,
    mpID_HELP_MOUSE,
};

using wxLayerList = charts::LayerList<mpLayer>;

class mpWindow : public wxWindow {
public:
    mpWindow();
    mpWindow(wxWindow* parent, wxWindowID id, const wxPoint& pos = wxDefaultPosition,
             const wxSize& size = wxDefaultSize, long flag = 0);
    ~mpWindow() override;

    wxMenu* GetPopupMenu() { return &m_popmenu; }

    bool AddLayer(mpLayer* layer, bool refreshDisplay = true);
    bool DelLayer(mpLayer* layer, bool alsoDeleteObject = false, bool refreshDisplay = true);
    void DelAllLayers(bool alsoDeleteObject, bool refreshDisplay = true);
    mpLayer* GetLayer(int position);
    mpLayer* GetLayerByName(const wxString& name);
    unsigned int CountLayers();
    unsigned int CountAllLayers() { return static_cast<unsigned int>(m_layers.Size()); }
    mpInfoLayer* IsInsideInfoLayer(wxPoint& point);
    void SetLayerVisible(const wxString& name, bool viewable);
    void SetLayerVisible(unsigned int position, bool viewable);
    bool IsLayerVisible(const wxString& name);
    bool IsLayerVisible(unsigned int position);

    double GetXscl() const { return m_view.scaleX; }
    double GetScaleX() const { return m_view.scaleX; }
    double GetYscl() const { return m_view.scaleY; }
    double GetScaleY() const { return m_view.scaleY; }
    double GetXpos() const { return m_view.posX; }
    double GetPosX() const { return m_view.posX; }
    double GetYpos() const { return m_view.posY; }
    double GetPosY() const { return m_view.posY; }
    int GetScrX() const { return m_view.scrX; }
    int GetXScreen() const { return m_view.scrX; }
    int GetScrY() const { return m_view.scrY; }
    int GetYScreen() const { return m_view.scrY; }

    void SetScaleX(double scaleX);
    void SetScaleY(double scaleY);
    void SetPosX(double posX);
    void SetPosY(double posY);
    void SetPos(double posX, double posY);
    void SetScr(int scrX, int scrY);

    double p2x(wxCoord pixelCoordX) const { return m_view.p2x(pixelCoordX); }
    double p2y(wxCoord pixelCoordY) const { return m_view.p2y(pixelCoordY); }
    wxCoord x2p(double x) const { return m_view.x2p(x); }
    wxCoord y2p(double y) const { return m_view.y2p(y); }

    // Renders the chart off-screen into an image file (toolkit bitmap type `type`); with
    // `fit` the view is the layers' bounding box. The window's view stays as it was.
    bool SaveScreenshot(const wxString& filename, int type = wxBITMAP_TYPE_BMP, wxSize imageSize = wxDefaultSize,
                        bool fit = false);

    void EnableDoubleBuffer(bool enabled) { m_enableDoubleBuffer = enabled; }
    void EnableMousePanZoom(bool enabled) { m_enableMouseNavigation = enabled; }

    void LockAspect(bool enable = true);
    bool IsAspectLocked() const { return m_view.lockAspect; }

    // Fits the view to the layers' bounding box; nothing when no layer has one.
    void Fit() override;
    // Fits the view to a range. With both print sizes the view is computed for that size
    // (rendering off-screen) and the window is not repainted.
    void Fit(double xMin, double xMax, double yMin, double yMax, wxCoord* printSizeX = nullptr,
             wxCoord* printSizeY = nullptr);

    void ZoomIn(const wxPoint& centerPoint = wxDefaultPosition);
    void ZoomOut(const wxPoint& centerPoint = wxDefaultPosition);
    void ZoomInX();
    void ZoomOutX();
    void ZoomInY();
    void ZoomOutY();
    void ZoomRect(wxPoint p0, wxPoint p1);
    void DoZoomInXCalc(const int staticXpixel);
    void DoZoomInYCalc(const int staticYpixel);
    void DoZoomOutXCalc(const int staticXpixel);
    void DoZoomOutYCalc(const int staticYpixel);

    // Recomputes the bounding box, the scroll bars when shown, and asks for a repaint.
    void UpdateAll();

    void SetMPScrollbars(bool status);
    bool GetMPScrollbars() const { return m_enableScrollBars; }

    // Draws every layer, in list order, on `dc` with the current view.
    void PlotLayers(wxDC& dc);

    void SetMargins(int top, int right, int bottom, int left);
    void SetMarginTop(int top) { m_view.marginTop = top; }
    void SetMarginRight(int right) { m_view.marginRight = right; }
    void SetMarginBottom(int bottom) { m_view.marginBottom = bottom; }
    void SetMarginLeft(int left) { m_view.marginLeft = left; }
    int GetMarginTop() const { return m_view.marginTop; }
    int GetMarginRight() const { return m_view.marginRight; }
    int GetMarginBottom() const { return m_view.marginBottom; }
    int GetMarginLeft() const { return m_view.marginLeft; }

    double GetDesiredXmin() const { return m_view.desiredXmin; }
    double GetDesiredXmax() const { return m_view.desiredXmax; }
    double GetDesiredYmin() const { return m_view.desiredYmin; }
    double GetDesiredYmax() const { return m_view.desiredYmax; }
    void GetBoundingBox(double* bbox) const;

    void SetColourTheme(const wxColour& bgColour, const wxColour& drawColour, const wxColour& axesColour);
    const wxColour& GetAxesColour() const { return m_axColour; }

    // The view transform, for the layers' layouts.
    const charts::ChartView& GetView() const { return m_view; }

    virtual bool UpdateBBox();

    static double zoomIncrementalFactor;

protected:
    void OnPaint(wxPaintEvent& event);
    // What a paint draws, on any target of the window's size: background, layers, rubber band.
    void PaintOn(wxDC& dc);
    void OnSize(wxSizeEvent& event);
    void OnShowPopupMenu(wxMouseEvent& event);
    void OnMouseRightDown(wxMouseEvent& event);
    void OnMouseMove(wxMouseEvent& event);
    void OnMouseWheel(wxMouseEvent& event);
    void OnMouseLeftDown(wxMouseEvent& event);
    void OnMouseLeftRelease(wxMouseEvent& event);
    void OnCenter(wxCommandEvent& event);
    void OnFit(wxCommandEvent& event);
    void OnZoomIn(wxCommandEvent& event);
    void OnZoomOut(wxCommandEvent& event);
    void OnLockAspect(wxCommandEvent& event);
    void OnMouseHelp(wxCommandEvent& event);

    // Opens the context menu at a window pixel; tests answer it instead.
    virtual bool ShowPopupMenu(wxMenu* menu, const wxPoint& position);
    void OnScrollThumbTrack(wxScrollWinEvent& event);
    void OnScrollPageUp(wxScrollWinEvent& event);
    void OnScrollPageDown(wxScrollWinEvent& event);
    void OnScrollLineUp(wxScrollWinEvent& event);
    void OnScrollLineDown(wxScrollWinEvent& event);
    void OnScrollTop(wxScrollWinEvent& event);
    void OnScrollBottom(wxScrollWinEvent& event);
    void DoScrollCalc(const int position, const int orientation);

    // Takes the client size as the window size.
    void TakeClientSize();

    wxLayerList m_layers;
    wxMenu m_popmenu;
    wxColour m_bgColour;
    wxColour m_fgColour;
    wxColour m_axColour;
    charts::ChartView m_view;
    int m_clickedX = 0, m_clickedY = 0;
    int m_last_lx = 0, m_last_ly = 0;
    wxMemoryDC m_buff_dc;
    std::unique_ptr<wxBitmap> m_buff_bmp;
    bool m_enableDoubleBuffer = false;
    bool m_enableMouseNavigation = true;
    bool m_mouseMovedAfterRightClick = false;
    long m_mouseRClick_X = 0, m_mouseRClick_Y = 0;
    int m_mouseLClick_X = 0, m_mouseLClick_Y = 0;
    // No press of that button in this window yet (or, for the left one, since its release).
    bool m_haveRClick = false, m_haveLClick = false;
    // The rubber band of a left drag, drawn by the paint handler.
    bool m_rubberBand = false;
    wxRect m_rubberBandRect;
    bool m_enableScrollBars = false;
    mpInfoLayer* m_movingInfoLayer = nullptr;

    wxDECLARE_DYNAMIC_CLASS(mpWindow);
    wxDECLARE_EVENT_TABLE();
};
