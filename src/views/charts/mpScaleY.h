#pragma once
// Vertical axis layer: axis line, ticks or dotted grid lines, thinned labels and its name.

#include "views/charts/mpScaleX.h"

class mpScaleY : public mpLayer {
public:
    mpScaleY(wxString name = wxT("Y"), int flags = mpAXIS_ORIGIN, bool ticks = true);

    bool HasBBox() override { return false; }
    void Plot(wxDC& dc, mpWindow& w) override;

    void SetAlign(int align) { m_flags = align; }
    void SetTicks(bool ticks) { m_ticks = ticks; }
    bool GetTicks() const { return m_ticks; }
    void SetLabelFormat(const wxString& format) { m_labelFormat = format; }
    const wxString& SetLabelFormat() const { return m_labelFormat; }

protected:
    int m_flags;
    bool m_ticks;
    wxString m_labelFormat;

    wxDECLARE_DYNAMIC_CLASS(mpScaleY);
};
