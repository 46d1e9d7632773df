#pragma once
// A box in window pixels that floats over the plot, can be dragged with the mouse and keeps
// its place in proportion when the window is resized.

#include <wx/event.h>
#include <wx/gdicmn.h>

#include "views/charts/mpLayer.h"

class mpInfoLayer : public mpLayer {
public:
    mpInfoLayer();
    // A null brush stands for the transparent brush.
    mpInfoLayer(wxRect rect, const wxBrush* brush);
    ~mpInfoLayer() override = default;

    virtual void UpdateInfo(mpWindow& w, wxEvent& event);
    bool HasBBox() override { return false; }
    void Plot(wxDC& dc, mpWindow& w) override;
    bool IsInfo() override { return true; }
    virtual bool Inside(wxPoint& point);
    // Puts the corner at the drag's start corner plus `delta`.
    virtual void Move(wxPoint delta);
    virtual void UpdateReference();

    wxPoint GetPosition() const { return m_dim.GetPosition(); }
    wxSize GetSize() const { return m_dim.GetSize(); }
    const wxRect& GetRectangle() const { return m_dim; }

protected:
    // Moves the box after a resize of the window; the first step of every Plot.
    void KeepPlace(mpWindow& w);

    wxRect m_dim;
    wxPoint m_reference;
    wxBrush m_brush;
    int m_winX = 1, m_winY = 1;

    wxDECLARE_DYNAMIC_CLASS(mpInfoLayer);
};

// Shows the data coordinates under the mouse.
class mpInfoCoords : public mpInfoLayer {
public:
    mpInfoCoords();
    mpInfoCoords(wxRect rect, const wxBrush* brush);

    void UpdateInfo(mpWindow& w, wxEvent& event) override;
    void Plot(wxDC& dc, mpWindow& w) override;

protected:
    wxString m_content;
};

// Lists the visible curves of the window with a sample of their pens.
class mpInfoLegend : public mpInfoLayer {
public:
    mpInfoLegend();
    mpInfoLegend(wxRect rect, const wxBrush* brush);

    void UpdateInfo(mpWindow&, wxEvent&) override {}
    void Plot(wxDC& dc, mpWindow& w) override;
};
