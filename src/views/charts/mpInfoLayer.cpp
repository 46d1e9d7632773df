#include "views/charts/mpInfoLayer.h"

#include <vector>

#include "views/charts/ChartDc.h"
#include "views/charts/InfoLayout.h"
#include "views/charts/mpWindow.h"

wxIMPLEMENT_DYNAMIC_CLASS(mpInfoLayer, mpLayer);

mpInfoLayer::mpInfoLayer() : m_dim(0, 0, 1, 1), m_reference(0, 0), m_brush(*wxTRANSPARENT_BRUSH)
{
    m_type = mpLAYER_INFO;
}

mpInfoLayer::mpInfoLayer(wxRect rect, const wxBrush* brush)
    : m_dim(rect), m_reference(rect.GetPosition()), m_brush(brush ? *brush : *wxTRANSPARENT_BRUSH)
{
    m_type = mpLAYER_INFO;
}

void mpInfoLayer::UpdateInfo(mpWindow&, wxEvent&) {}

bool mpInfoLayer::Inside(wxPoint& point)
{
    return m_dim.Contains(point);
}

void mpInfoLayer::Move(wxPoint delta)
{
    m_dim.SetPosition(m_reference + delta);
}

void mpInfoLayer::UpdateReference()
{
    m_reference = m_dim.GetPosition();
}

void mpInfoLayer::KeepPlace(mpWindow& w)
{
    charts::InfoBox box{m_dim.x, m_dim.y, m_dim.width, m_dim.height};
    if (charts::KeepPlaceOnResize(box, m_winX, m_winY, w.GetScrX(), w.GetScrY())) {
        m_dim.x = box.x;
        m_dim.y = box.y;
        UpdateReference();
    }
}

void mpInfoLayer::Plot(wxDC& dc, mpWindow& w)
{
    if (!m_visible) return;
    KeepPlace(w);
    dc.SetPen(m_pen);
    dc.SetBrush(m_brush);
    dc.DrawRectangle(m_dim.x, m_dim.y, m_dim.width, m_dim.height);
}

mpInfoCoords::mpInfoCoords() = default;

mpInfoCoords::mpInfoCoords(wxRect rect, const wxBrush* brush) : mpInfoLayer(rect, brush) {}

void mpInfoCoords::UpdateInfo(mpWindow& w, wxEvent& event)
{
    if (event.GetEventType() != wxEVT_MOTION) return;
    const auto& mouse = static_cast<wxMouseEvent&>(event);
    m_content.Printf(wxT("x = %f\ny = %f"), w.p2x(mouse.GetX()), w.p2y(mouse.GetY()));
}

void mpInfoCoords::Plot(wxDC& dc, mpWindow& w)
{
    if (!m_visible) return;
    KeepPlace(w);
    dc.SetPen(m_pen);
    dc.SetBrush(m_brush);
    dc.SetFont(m_font);
    wxCoord tw = 0, th = 0;
    dc.GetMultiLineTextExtent(m_content, &tw, &th);
    charts::InfoBox box{m_dim.x, m_dim.y, m_dim.width, m_dim.height};
    charts::GrowToText(box, {tw, th});
    m_dim.width = box.width;
    m_dim.height = box.height;
    dc.DrawRectangle(m_dim.x, m_dim.y, m_dim.width, m_dim.height);
    dc.DrawText(m_content, m_dim.x + 5, m_dim.y + 5);
}

mpInfoLegend::mpInfoLegend() = default;

mpInfoLegend::mpInfoLegend(wxRect rect, const wxBrush* brush) : mpInfoLayer(rect, brush) {}

void mpInfoLegend::Plot(wxDC& dc, mpWindow& w)
{
    if (!m_visible) return;
    KeepPlace(w);
    dc.SetBrush(m_brush);
    dc.SetFont(m_font);

    std::vector<mpLayer*> entries;
    std::vector<charts::TextSize> sizes;
    for (unsigned int i = 0; i < w.CountAllLayers(); ++i) {
        mpLayer* layer = w.GetLayer(static_cast<int>(i));
        if (!layer || layer->GetLayerType() != mpLAYER_PLOT || !layer->IsVisible()) continue;
        wxCoord tw = 0, th = 0;
        dc.GetTextExtent(layer->GetName(), &tw, &th);
        entries.push_back(layer);
        sizes.push_back({tw, th});
    }
    const charts::LegendDrawing legend = charts::LayoutLegend(m_dim.x, m_dim.y, sizes);
    dc.SetPen(m_pen);
    dc.SetBrush(m_brush);
    m_dim.width = legend.width;
    if (!legend.drawn) return;
    m_dim.height = legend.height;
    dc.DrawRectangle(m_dim.x, m_dim.y, m_dim.width, m_dim.height);
    for (std::size_t k = 0; k < entries.size(); ++k) {
        dc.SetPen(entries[k]->GetPen());
        const charts::ChartLine& s = legend.samples[k];
        dc.DrawLine(s.x0, s.y0, s.x1, s.y1);
        dc.DrawText(entries[k]->GetName(), legend.names[k].x, legend.names[k].y);
    }
}
