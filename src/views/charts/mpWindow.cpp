#include "views/charts/mpWindow.h"

#include <wx/dcclient.h>
#include <wx/image.h>
#include <wx/intl.h>

#include "views/Prompter.h"

#include <algorithm>

wxIMPLEMENT_DYNAMIC_CLASS(mpWindow, wxWindow);

// clang-format off
wxBEGIN_EVENT_TABLE(mpWindow, wxWindow)
    EVT_PAINT(mpWindow::OnPaint)
    EVT_SIZE(mpWindow::OnSize)
    EVT_SCROLLWIN_THUMBTRACK(mpWindow::OnScrollThumbTrack)
    EVT_SCROLLWIN_PAGEUP(mpWindow::OnScrollPageUp)
    EVT_SCROLLWIN_PAGEDOWN(mpWindow::OnScrollPageDown)
    EVT_SCROLLWIN_LINEUP(mpWindow::OnScrollLineUp)
    EVT_SCROLLWIN_LINEDOWN(mpWindow::OnScrollLineDown)
    EVT_SCROLLWIN_TOP(mpWindow::OnScrollTop)
    EVT_SCROLLWIN_BOTTOM(mpWindow::OnScrollBottom)
    EVT_MIDDLE_UP(mpWindow::OnShowPopupMenu)
    EVT_RIGHT_DOWN(mpWindow::OnMouseRightDown)
    EVT_RIGHT_UP(mpWindow::OnShowPopupMenu)
    EVT_MOUSEWHEEL(mpWindow::OnMouseWheel)
    EVT_MOTION(mpWindow::OnMouseMove)
    EVT_LEFT_DOWN(mpWindow::OnMouseLeftDown)
    EVT_LEFT_UP(mpWindow::OnMouseLeftRelease)
    EVT_MENU(mpID_CENTER, mpWindow::OnCenter)
    EVT_MENU(mpID_FIT, mpWindow::OnFit)
    EVT_MENU(mpID_ZOOM_IN, mpWindow::OnZoomIn)
    EVT_MENU(mpID_ZOOM_OUT, mpWindow::OnZoomOut)
    EVT_MENU(mpID_LOCKASPECT, mpWindow::OnLockAspect)
    EVT_MENU(mpID_HELP_MOUSE, mpWindow::OnMouseHelp)
wxEND_EVENT_TABLE()
    // clang-format on

    double mpWindow::zoomIncrementalFactor = 1.5;

mpWindow::mpWindow() = default;

mpWindow::mpWindow(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size, long flag)
{
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Create(parent, id, pos, size, flag, wxT("Sorvi"));

    m_popmenu.Append(mpID_CENTER, _("Center"), _("Center plot view to this position"));
    m_popmenu.Append(mpID_FIT, _("Fit"), _("Set plot view to show all items"));
    m_popmenu.Append(mpID_ZOOM_IN, _("Zoom in"), _("Zoom in plot view."));
    m_popmenu.Append(mpID_ZOOM_OUT, _("Zoom out"), _("Zoom out plot view."));
    m_popmenu.AppendCheckItem(mpID_LOCKASPECT, _("Lock aspect"), _("Lock horizontal and vertical zoom aspect."));
    m_popmenu.Append(mpID_HELP_MOUSE, _("Show mouse actions..."), _("Show help about the mouse actions."));

    m_bgColour = *wxWHITE;
    m_fgColour = *wxBLACK;
    SetBackgroundColour(m_bgColour);
    SetSizeHints(128, 128);
    UpdateAll();
}

mpWindow::~mpWindow()
{
    DelAllLayers(true, false);
    m_buff_dc.SelectObject(wxNullBitmap);
    m_buff_bmp.reset();
}

bool mpWindow::AddLayer(mpLayer* layer, bool refreshDisplay)
{
    if (!m_layers.Add(layer)) return false;
    if (refreshDisplay) UpdateAll();
    return true;
}

bool mpWindow::DelLayer(mpLayer* layer, bool alsoDeleteObject, bool refreshDisplay)
{
    if (!m_layers.Contains(layer)) return false;
    const bool grabbed = m_movingInfoLayer && static_cast<mpLayer*>(m_movingInfoLayer) == layer;
    m_layers.Remove(layer, alsoDeleteObject);
    // A grabbed layer that is gone from the window (or from memory) is no longer dragged.
    if (grabbed && (alsoDeleteObject || !m_layers.Contains(layer))) m_movingInfoLayer = nullptr;
    if (refreshDisplay) UpdateAll();
    return true;
}

void mpWindow::DelAllLayers(bool alsoDeleteObject, bool refreshDisplay)
{
    m_movingInfoLayer = nullptr;
    m_layers.Clear(alsoDeleteObject);
    if (refreshDisplay) UpdateAll();
}

mpLayer* mpWindow::GetLayer(int position)
{
    return m_layers.At(position);
}

mpLayer* mpWindow::GetLayerByName(const wxString& name)
{
    for (mpLayer* layer : m_layers)
        if (layer->GetName() == name) return layer;
    return nullptr;
}

unsigned int mpWindow::CountLayers()
{
    return static_cast<unsigned int>(
        std::count_if(m_layers.begin(), m_layers.end(), [](mpLayer* l) { return l->HasBBox(); }));
}

mpInfoLayer* mpWindow::IsInsideInfoLayer(wxPoint& point)
{
    for (mpLayer* layer : m_layers) {
        if (!layer->IsInfo()) continue;
        auto* info = static_cast<mpInfoLayer*>(layer);
        if (info->Inside(point)) return info;
    }
    return nullptr;
}

void mpWindow::SetLayerVisible(const wxString& name, bool viewable)
{
    if (mpLayer* layer = GetLayerByName(name)) {
        layer->SetVisible(viewable);
        UpdateAll();
    }
}

void mpWindow::SetLayerVisible(unsigned int position, bool viewable)
{
    if (mpLayer* layer = GetLayer(static_cast<int>(std::min<unsigned int>(position, 0x7fffffff)))) {
        layer->SetVisible(viewable);
        UpdateAll();
    }
}

bool mpWindow::IsLayerVisible(const wxString& name)
{
    mpLayer* layer = GetLayerByName(name);
    return layer && layer->IsVisible();
}

bool mpWindow::IsLayerVisible(unsigned int position)
{
    mpLayer* layer = GetLayer(static_cast<int>(std::min<unsigned int>(position, 0x7fffffff)));
    return layer && layer->IsVisible();
}

void mpWindow::SetScaleX(double scaleX)
{
    if (scaleX != 0) m_view.scaleX = charts::BoundScale(scaleX, std::fabs(m_view.posX));
    UpdateAll();
}

void mpWindow::SetScaleY(double scaleY)
{
    if (scaleY != 0) m_view.scaleY = charts::BoundScale(scaleY, std::fabs(m_view.posY));
    UpdateAll();
}

void mpWindow::SetPosX(double posX)
{
    m_view.posX = posX;
    UpdateAll();
}

void mpWindow::SetPosY(double posY)
{
    m_view.posY = posY;
    UpdateAll();
}

void mpWindow::SetPos(double posX, double posY)
{
    m_view.posX = posX;
    m_view.posY = posY;
    UpdateAll();
}

void mpWindow::SetScr(int scrX, int scrY)
{
    m_view.scrX = scrX;
    m_view.scrY = scrY;
}

void mpWindow::TakeClientSize()
{
    GetClientSize(&m_view.scrX, &m_view.scrY);
}

void mpWindow::LockAspect(bool enable)
{
    m_view.lockAspect = enable;
    m_popmenu.Check(mpID_LOCKASPECT, enable);
    Fit(m_view.desiredXmin, m_view.desiredXmax, m_view.desiredYmin, m_view.desiredYmax);
}

void mpWindow::Fit()
{
    if (UpdateBBox()) Fit(m_view.minX, m_view.maxX, m_view.minY, m_view.maxY);
}

void mpWindow::Fit(double xMin, double xMax, double yMin, double yMax, wxCoord* printSizeX, wxCoord* printSizeY)
{
    const bool print = printSizeX && printSizeY;
    if (print) {
        m_view.scrX = *printSizeX;
        m_view.scrY = *printSizeY;
    } else {
        TakeClientSize();
    }
    m_view.Fit(xMin, xMax, yMin, yMax);
    if (!print) UpdateAll();
}

void mpWindow::ZoomIn(const wxPoint& centerPoint)
{
    wxPoint c(centerPoint);
    if (c == wxDefaultPosition) {
        TakeClientSize();
        c = wxPoint(m_view.CentreX(), m_view.CentreY());
    }
    m_view.Zoom(zoomIncrementalFactor, c.x, c.y);
    UpdateAll();
}

void mpWindow::ZoomOut(const wxPoint& centerPoint)
{
    wxPoint c(centerPoint);
    if (c == wxDefaultPosition) {
        TakeClientSize();
        c = wxPoint(m_view.CentreX(), m_view.CentreY());
    }
    m_view.Zoom(1 / zoomIncrementalFactor, c.x, c.y);
    UpdateAll();
}

void mpWindow::ZoomInX()
{
    m_view.scaleX = charts::BoundScale(m_view.scaleX * zoomIncrementalFactor, std::fabs(m_view.posX));
    UpdateAll();
}

void mpWindow::ZoomOutX()
{
    m_view.scaleX = charts::BoundScale(m_view.scaleX / zoomIncrementalFactor, std::fabs(m_view.posX));
    UpdateAll();
}

void mpWindow::ZoomInY()
{
    m_view.scaleY = charts::BoundScale(m_view.scaleY * zoomIncrementalFactor, std::fabs(m_view.posY));
    UpdateAll();
}

void mpWindow::ZoomOutY()
{
    m_view.scaleY = charts::BoundScale(m_view.scaleY / zoomIncrementalFactor, std::fabs(m_view.posY));
    UpdateAll();
}

void mpWindow::DoZoomInXCalc(const int staticXpixel)
{
    m_view.ZoomX(zoomIncrementalFactor, staticXpixel);
}

void mpWindow::DoZoomInYCalc(const int staticYpixel)
{
    m_view.ZoomY(zoomIncrementalFactor, staticYpixel);
}

void mpWindow::DoZoomOutXCalc(const int staticXpixel)
{
    m_view.ZoomX(1 / zoomIncrementalFactor, staticXpixel);
}

void mpWindow::DoZoomOutYCalc(const int staticYpixel)
{
    m_view.ZoomY(1 / zoomIncrementalFactor, staticYpixel);
}

void mpWindow::ZoomRect(wxPoint p0, wxPoint p1)
{
    TakeClientSize();
    m_view.ZoomRect(p0.x, p0.y, p1.x, p1.y);
    UpdateAll();
}

bool mpWindow::UpdateBBox()
{
    bool first = true;
    for (mpLayer* f : m_layers) {
        if (!f->HasBBox()) continue;
        const double x0 = f->GetMinX(), x1 = f->GetMaxX(), y0 = f->GetMinY(), y1 = f->GetMaxY();
        if (first) {
            first = false;
            m_view.minX = x0;
            m_view.maxX = x1;
            m_view.minY = y0;
            m_view.maxY = y1;
        } else {
            if (x0 < m_view.minX) m_view.minX = x0;
            if (x1 > m_view.maxX) m_view.maxX = x1;
            if (y0 < m_view.minY) m_view.minY = y0;
            if (y1 > m_view.maxY) m_view.maxY = y1;
        }
    }
    return !first;
}

void mpWindow::UpdateAll()
{
    if (UpdateBBox() && m_enableScrollBars) {
        int cx = 0, cy = 0;
        GetClientSize(&cx, &cy);
        const charts::ScrollBarState h = m_view.HorizontalScrollBar(cx);
        const charts::ScrollBarState v = m_view.VerticalScrollBar(cy);
        if (CanScroll(wxHORIZONTAL)) SetScrollbar(wxHORIZONTAL, h.position, h.thumb, h.range, true);
        if (CanScroll(wxVERTICAL)) SetScrollbar(wxVERTICAL, v.position, v.thumb, v.range, true);
    }
    Refresh(false);
}

void mpWindow::SetMPScrollbars(bool status)
{
    m_enableScrollBars = status;
    // Only a window created with scroll bars (wxHSCROLL, wxVSCROLL) has any to set.
    if (!status) {
        if (CanScroll(wxHORIZONTAL)) SetScrollbar(wxHORIZONTAL, 0, 0, 0);
        if (CanScroll(wxVERTICAL)) SetScrollbar(wxVERTICAL, 0, 0, 0);
    }
    UpdateAll();
}

void mpWindow::DoScrollCalc(const int position, const int orientation)
{
    if (orientation == wxVERTICAL)
        SetPosY(m_view.ScrollPosY(position));
    else
        SetPosX(m_view.ScrollPosX(position));
}

void mpWindow::OnScrollThumbTrack(wxScrollWinEvent& event)
{
    DoScrollCalc(event.GetPosition(), event.GetOrientation());
}

void mpWindow::OnScrollPageUp(wxScrollWinEvent& event)
{
    const int o = event.GetOrientation();
    const int position = std::max(GetScrollPos(o) - GetScrollThumb(o), 0);
    SetScrollPos(o, position);
    DoScrollCalc(position, o);
}

void mpWindow::OnScrollPageDown(wxScrollWinEvent& event)
{
    const int o = event.GetOrientation();
    const int thumb = GetScrollThumb(o);
    const int position = std::min(GetScrollPos(o) + thumb, GetScrollRange(o) - thumb);
    SetScrollPos(o, position);
    DoScrollCalc(position, o);
}

void mpWindow::OnScrollLineUp(wxScrollWinEvent& event)
{
    const int o = event.GetOrientation();
    const int position = std::max(GetScrollPos(o) - 10, 0);
    SetScrollPos(o, position);
    DoScrollCalc(position, o);
}

void mpWindow::OnScrollLineDown(wxScrollWinEvent& event)
{
    const int o = event.GetOrientation();
    const int position = std::min(GetScrollPos(o) + 10, GetScrollRange(o) - GetScrollThumb(o));
    SetScrollPos(o, position);
    DoScrollCalc(position, o);
}

void mpWindow::OnScrollTop(wxScrollWinEvent& event)
{
    const int o = event.GetOrientation();
    SetScrollPos(o, 0);
    DoScrollCalc(0, o);
}

void mpWindow::OnScrollBottom(wxScrollWinEvent& event)
{
    const int o = event.GetOrientation();
    const int position = GetScrollRange(o) - GetScrollThumb(o);
    SetScrollPos(o, position);
    DoScrollCalc(position, o);
}

void mpWindow::PlotLayers(wxDC& dc)
{
    for (mpLayer* layer : m_layers) layer->Plot(dc, *this);
}

void mpWindow::PaintOn(wxDC& dc)
{
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.SetBrush(wxBrush(GetBackgroundColour(), wxBRUSHSTYLE_SOLID));
    dc.SetTextForeground(m_fgColour);
    dc.DrawRectangle(0, 0, m_view.scrX, m_view.scrY);
    PlotLayers(dc);
    if (m_rubberBand) {
        dc.SetPen(wxPen(*wxBLACK, 1, wxPENSTYLE_DOT));
        dc.SetBrush(*wxTRANSPARENT_BRUSH);
        dc.DrawRectangle(m_rubberBandRect);
    }
}

void mpWindow::OnPaint(wxPaintEvent&)
{
    wxPaintDC dc(this);
    dc.GetSize(&m_view.scrX, &m_view.scrY);
    wxDC* target = &dc;
    if (m_enableDoubleBuffer && m_view.scrX > 0 && m_view.scrY > 0) {
        if (m_last_lx != m_view.scrX || m_last_ly != m_view.scrY || !m_buff_bmp) {
            m_buff_dc.SelectObject(wxNullBitmap);
            m_buff_bmp = std::make_unique<wxBitmap>(m_view.scrX, m_view.scrY);
            m_buff_dc.SelectObject(*m_buff_bmp);
            m_last_lx = m_view.scrX;
            m_last_ly = m_view.scrY;
        }
        target = &m_buff_dc;
    }
    PaintOn(*target);
    if (target != &dc) dc.Blit(0, 0, m_view.scrX, m_view.scrY, target, 0, 0, wxCOPY);
}

void mpWindow::OnSize(wxSizeEvent&)
{
    Fit(m_view.desiredXmin, m_view.desiredXmax, m_view.desiredYmin, m_view.desiredYmax);
}

void mpWindow::SetMargins(int top, int right, int bottom, int left)
{
    m_view.marginTop = top;
    m_view.marginRight = right;
    m_view.marginBottom = bottom;
    m_view.marginLeft = left;
}

void mpWindow::GetBoundingBox(double* bbox) const
{
    bbox[0] = m_view.minX;
    bbox[1] = m_view.maxX;
    bbox[2] = m_view.minY;
    bbox[3] = m_view.maxY;
}

void mpWindow::SetColourTheme(const wxColour& bgColour, const wxColour& drawColour, const wxColour& axesColour)
{
    SetBackgroundColour(bgColour);
    SetForegroundColour(drawColour);
    m_bgColour = bgColour;
    m_fgColour = drawColour;
    m_axColour = axesColour;
    for (mpLayer* layer : m_layers) {
        // An axes colour never set (invalid) leaves the axes as they are.
        if (layer->GetLayerType() == mpLAYER_AXIS && axesColour.IsOk()) {
            wxPen pen = layer->GetPen();
            pen.SetColour(axesColour);
            layer->SetPen(pen);
        } else if (layer->GetLayerType() == mpLAYER_INFO) {
            wxPen pen = layer->GetPen();
            pen.SetColour(drawColour);
            layer->SetPen(pen);
        }
    }
}

bool mpWindow::ShowPopupMenu(wxMenu* menu, const wxPoint& position)
{
    return PopupMenu(menu, position);
}

void mpWindow::OnMouseRightDown(wxMouseEvent& event)
{
    m_mouseMovedAfterRightClick = false;
    m_mouseRClick_X = event.GetX();
    m_mouseRClick_Y = event.GetY();
    m_haveRClick = true;
    if (m_enableMouseNavigation) SetCursor(*wxCROSS_CURSOR);
}

void mpWindow::OnMouseMove(wxMouseEvent& event)
{
    if (!m_enableMouseNavigation) {
        event.Skip();
        return;
    }
    const int x = event.GetX(), y = event.GetY();
    if (event.RightIsDown()) {
        // A drag whose press the window did not see starts here.
        if (!m_haveRClick) {
            m_mouseRClick_X = x;
            m_mouseRClick_Y = y;
            m_haveRClick = true;
        }
        m_mouseMovedAfterRightClick = true;
        const double ax = m_mouseRClick_X - x, ay = m_mouseRClick_Y - y;
        m_mouseRClick_X = x;
        m_mouseRClick_Y = y;
        m_view.Shift(ax / m_view.scaleX, -ay / m_view.scaleY);
        UpdateAll();
    } else if (event.LeftIsDown()) {
        if (m_movingInfoLayer) {
            if (m_movingInfoLayer->IsVisible())
                m_movingInfoLayer->Move(wxPoint(x - m_mouseLClick_X, y - m_mouseLClick_Y));
        } else if (m_haveLClick) {
            m_rubberBand = true;
            m_rubberBandRect = wxRect(wxPoint(m_mouseLClick_X, m_mouseLClick_Y), wxPoint(x, y));
        }
        UpdateAll();
    } else {
        for (mpLayer* layer : m_layers) {
            if (!layer->IsInfo() || !layer->IsVisible()) continue;
            auto* info = static_cast<mpInfoLayer*>(layer);
            info->UpdateInfo(*this, event);
            RefreshRect(info->GetRectangle(), true);
        }
    }
    event.Skip();
}

void mpWindow::OnShowPopupMenu(wxMouseEvent& event)
{
    if (m_enableMouseNavigation) SetCursor(*wxSTANDARD_CURSOR);
    if (!m_mouseMovedAfterRightClick) {
        m_clickedX = event.GetX();
        m_clickedY = event.GetY();
        ShowPopupMenu(&m_popmenu, event.GetPosition());
    }
}

void mpWindow::OnMouseWheel(wxMouseEvent& event)
{
    if (!m_enableMouseNavigation || event.GetWheelAxis() != wxMOUSE_WHEEL_VERTICAL) {
        event.Skip();
        return;
    }
    const int rotation = event.GetWheelRotation();
    if (rotation == 0) return;
    if (!event.ControlDown()) {
        if (rotation > 0)
            ZoomIn(event.GetPosition());
        else
            ZoomOut(event.GetPosition());
        return;
    }
    const double change = -rotation;
    if (event.ShiftDown())
        m_view.Shift(change / m_view.scaleX, 0);
    else
        m_view.Shift(0, -change / m_view.scaleY);
    UpdateAll();
}

void mpWindow::OnMouseLeftDown(wxMouseEvent& event)
{
    m_mouseLClick_X = event.GetX();
    m_mouseLClick_Y = event.GetY();
    m_haveLClick = true;
    // Hidden info layers take no clicks (a hidden legend would swallow every rubber band).
    wxPoint at = event.GetPosition();
    m_movingInfoLayer = nullptr;
    for (mpLayer* layer : m_layers) {
        if (!layer->IsInfo() || !layer->IsVisible()) continue;
        auto* info = static_cast<mpInfoLayer*>(layer);
        if (info->Inside(at)) {
            m_movingInfoLayer = info;
            break;
        }
    }
    event.Skip();
}

void mpWindow::OnMouseLeftRelease(wxMouseEvent& event)
{
    const bool band = m_rubberBand;
    m_rubberBand = false;
    if (m_movingInfoLayer) {
        m_movingInfoLayer->UpdateReference();
        m_movingInfoLayer = nullptr;
    } else if (m_haveLClick && (event.GetX() != m_mouseLClick_X || event.GetY() != m_mouseLClick_Y)) {
        ZoomRect(wxPoint(m_mouseLClick_X, m_mouseLClick_Y), event.GetPosition());
    } else if (band) {
        Refresh(false);
    }
    m_haveLClick = false;
    event.Skip();
}

void mpWindow::OnCenter(wxCommandEvent&)
{
    TakeClientSize();
    const int w = m_view.PlotWidth(), h = m_view.PlotHeight();
    SetPos(p2x(m_clickedX - w / 2 - m_view.marginLeft), p2y(m_clickedY - h / 2 - m_view.marginTop));
}

void mpWindow::OnFit(wxCommandEvent&)
{
    Fit();
}

void mpWindow::OnZoomIn(wxCommandEvent&)
{
    // About the right press that opened the menu; about the middle when there was none.
    if (m_haveRClick)
        ZoomIn(wxPoint(static_cast<int>(m_mouseRClick_X), static_cast<int>(m_mouseRClick_Y)));
    else
        ZoomIn();
}

void mpWindow::OnZoomOut(wxCommandEvent&)
{
    ZoomOut();
}

void mpWindow::OnLockAspect(wxCommandEvent&)
{
    LockAspect(!m_view.lockAspect);
}

void mpWindow::OnMouseHelp(wxCommandEvent&)
{
    Prompter::Get().MessageBox(_("Mouse actions:\n         - Left button down + Mark area: Rectangular zoom\n         "
                                 "- Right button down + Move: Pan (Move)\n         - Wheel: Zoom in/out\n         - "
                                 "Wheel + SHIFT: Horizontal scroll\n         - Wheel + CTRL: Vertical scroll"),
                               _("Plot help"), wxOK, this);
}

bool mpWindow::SaveScreenshot(const wxString& filename, int type, wxSize imageSize, bool fit)
{
    int sizeX = m_view.scrX, sizeY = m_view.scrY;
    const int keptX = m_view.scrX, keptY = m_view.scrY;
    const bool explicitSize = imageSize != wxDefaultSize;
    if (explicitSize) {
        sizeX = imageSize.GetWidth();
        sizeY = imageSize.GetHeight();
        SetScr(sizeX, sizeY);
    }
    bool saved = false;
    if (sizeX > 0 && sizeY > 0) {
        wxBitmap screenshot(sizeX, sizeY);
        {
            wxMemoryDC dc(screenshot);
            dc.SetPen(*wxTRANSPARENT_PEN);
            dc.SetBrush(wxBrush(GetBackgroundColour(), wxBRUSHSTYLE_SOLID));
            dc.SetTextForeground(m_fgColour);
            dc.DrawRectangle(0, 0, sizeX, sizeY);
            if (fit)
                Fit(m_view.minX, m_view.maxX, m_view.minY, m_view.maxY, &sizeX, &sizeY);
            else
                Fit(m_view.desiredXmin, m_view.desiredXmax, m_view.desiredYmin, m_view.desiredYmax, &sizeX, &sizeY);
            PlotLayers(dc);
        }
        saved = screenshot.ConvertToImage().SaveFile(filename, static_cast<wxBitmapType>(type));
    }
    if (explicitSize) {
        SetScr(keptX, keptY);
        int w = keptX, h = keptY;
        Fit(m_view.desiredXmin, m_view.desiredXmax, m_view.desiredYmin, m_view.desiredYmax, &w, &h);
        UpdateAll();
    }
    return saved;
}
