#pragma once
// The abstract chart layer: what a chart window draws, fits its view to and hands mouse
// events to. Layers keep no reference to a window; Plot receives it each time.

#include <wx/bitmap.h>
#include <wx/brush.h>
#include <wx/dc.h>
#include <wx/font.h>
#include <wx/object.h>
#include <wx/pen.h>
#include <wx/string.h>

class mpWindow;

enum mpLayerType {
    mpLAYER_UNDEF = 0,
    mpLAYER_AXIS = 1,
    mpLAYER_PLOT = 2,
    mpLAYER_INFO = 3,
    mpLAYER_BITMAP = 4,
};

class mpLayer : public wxObject {
public:
    mpLayer();
    ~mpLayer() override = default;

    virtual bool HasBBox() { return true; }
    virtual bool IsInfo() { return false; }
    virtual double GetMinX() { return -1.0; }
    virtual double GetMaxX() { return 1.0; }
    virtual double GetMinY() { return -1.0; }
    virtual double GetMaxY() { return 1.0; }
    virtual void Plot(wxDC& dc, mpWindow& w) = 0;

    void SetVisible(bool show) { m_visible = show; }
    bool IsVisible() const { return m_visible; }
    void SetContinuity(bool continuity) { m_continuous = continuity; }
    bool GetContinuity() const { return m_continuous; }
    void ShowName(bool show) { m_showName = show; }
    bool GetShowName() const { return m_showName; }
    void SetName(wxString name) { m_name = name; }
    wxString GetName() const { return m_name; }
    void SetFont(wxFont& font) { m_font = font; }
    const wxFont& GetFont() const { return m_font; }
    void SetPen(wxPen pen) { m_pen = pen; }
    const wxPen& GetPen() const { return m_pen; }
    void SetBrush(wxBrush brush) { m_brush = brush; }
    const wxBrush& GetBrush() const { return m_brush; }
    void SetDrawOutsideMargins(bool drawModeOutside) { m_drawOutsideMargins = drawModeOutside; }
    bool GetDrawOutsideMargins() const { return m_drawOutsideMargins; }
    mpLayerType GetLayerType() const { return m_type; }

    // A side x side square in the pen's colour.
    wxBitmap GetColourSquare(int side = 16);

protected:
    // Whether the name is written (not empty, display on); if so selects the font and gives
    // the name's size.
    bool MeasureName(wxDC& dc, wxCoord& tw, wxCoord& th) const;

    wxFont m_font;
    wxPen m_pen;
    wxBrush m_brush;
    wxString m_name;
    bool m_continuous = false;
    bool m_showName = true;
    bool m_drawOutsideMargins = true;
    mpLayerType m_type = mpLAYER_UNDEF;
    bool m_visible = true;

    wxDECLARE_ABSTRACT_CLASS(mpLayer);
};
