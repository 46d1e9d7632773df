#include "desktop/ParameterChartFill.h"

#include <wx/brush.h>
#include <wx/colour.h>
#include <wx/pen.h>

#include "views/charts/mpFXYVector.h"
#include "views/charts/mpInfoLayer.h"
#include "views/charts/mpScaleX.h"
#include "views/charts/mpScaleY.h"
#include "views/charts/mpWindow.h"

namespace {
constexpr unsigned int AxisLayers = 2;  // layer 0 the x axis, layer 1 the y axis
}  // namespace

void FillParameterChart(mpWindow& chart, const ParameterChart& data, bool legend)
{
    while (chart.CountAllLayers() > AxisLayers) chart.DelLayer(chart.GetLayer(AxisLayers), true, false);

    for (const ParameterCurve& c : data.curves) {
        auto* curve = new mpFXYVector(wxString::FromUTF8(c.name), 0);
        curve->SetData(c.x, c.y);
        curve->SetContinuity(true);
        wxColour colour;
        colour.SetRGB(c.colour);
        curve->SetPen(wxPen(colour, 2, wxPENSTYLE_SOLID));
        curve->SetDrawOutsideMargins(false);
        curve->ShowName(false);
        chart.AddLayer(curve, false);
    }
    if (auto* x = dynamic_cast<mpScaleX*>(chart.GetLayer(0))) {
        x->SetLabelFormat("%.0f");
        std::vector<charts::AxisTick> ticks;
        for (const BandTick& t : data.ticks) ticks.push_back({t.x, t.label});
        x->SetTickLabels(std::move(ticks));
    }
    if (auto* y = dynamic_cast<mpScaleY*>(chart.GetLayer(1))) y->SetLabelFormat("%1.1f");
    if (legend) {
        auto* info = new mpInfoLegend(wxRect(200, 20, 40, 40), wxTRANSPARENT_BRUSH);
        chart.AddLayer(info, false);
    }
    chart.Fit(ParameterFitXMin, ParameterFitXMax, data.ymin, data.ymax);
}
