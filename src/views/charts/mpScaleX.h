#pragma once
// Horizontal axis layer: axis line, ticks or dotted grid lines, thinned labels and its name.

#include <utility>
#include <vector>

#include "views/charts/AxisLayout.h"
#include "views/charts/mpLayer.h"

enum {
    mpAXIS_FAR_MARGIN = charts::kAxisFarMargin,
    mpAXIS_ORIGIN = charts::kAxisOrigin,
    mpAXIS_NEAR_MARGIN = charts::kAxisNearMargin,
    mpAXIS_NEAR_BORDER = charts::kAxisNearBorder,
    mpAXIS_FAR_BORDER = charts::kAxisFarBorder,
};

enum {
    mpLABEL_NUMBER = charts::kLabelNumber,
    mpLABEL_TIME = charts::kLabelTime,
    mpLABEL_HOURS = charts::kLabelHours,
    mpLABEL_DATE = charts::kLabelDate,
    mpLABEL_DATETIME = charts::kLabelDateTime,
};

class mpScaleX : public mpLayer {
public:
    mpScaleX(wxString name = wxT("X"), int flags = mpAXIS_ORIGIN, bool ticks = true,
             unsigned int type = mpLABEL_NUMBER);

    bool HasBBox() override { return false; }
    void Plot(wxDC& dc, mpWindow& w) override;

    void SetAlign(int align) { m_flags = align; }
    void SetTicks(bool ticks) { m_ticks = ticks; }
    bool GetTicks() const { return m_ticks; }
    void SetLabelMode(unsigned int mode) { m_labelType = mode; }
    unsigned int GetLabelMode() const { return m_labelType; }
    void SetLabelFormat(const wxString& format) { m_labelFormat = format; }
    const wxString& SetLabelFormat() const { return m_labelFormat; }
    // Ticks at these values only, each with its own label; none: ticks from the zoom.
    void SetTickLabels(std::vector<charts::AxisTick> ticks) { m_tickLabels = std::move(ticks); }
    const std::vector<charts::AxisTick>& GetTickLabels() const { return m_tickLabels; }

protected:
    int m_flags;
    bool m_ticks;
    unsigned int m_labelType;
    wxString m_labelFormat;
    std::vector<charts::AxisTick> m_tickLabels;

    wxDECLARE_DYNAMIC_CLASS(mpScaleX);
};
