// The chart layouts without a window: a point series traced and clipped, and both axes laid
// out, at a normal zoom and after 200 zoom steps. Runs without a display.
#include <benchmark/benchmark.h>

#include <cmath>
#include <utility>
#include <vector>

#include "views/charts/AxisLayout.h"
#include "views/charts/CurveLayout.h"

namespace {

charts::ChartView View()
{
    charts::ChartView v;
    v.scrX = 800;
    v.scrY = 600;
    v.marginTop = 50;
    v.marginRight = v.marginBottom = v.marginLeft = 40;
    v.Fit(0, 10, -1.5, 1.5);
    return v;
}

charts::TextSize Measure(const std::string& s)
{
    return {int(s.size()) * 7, 14};
}

void BM_TraceSeries(benchmark::State& state)
{
    const charts::ChartView v = View();
    std::vector<std::pair<double, double>> points(static_cast<std::size_t>(state.range(0)));
    for (std::size_t i = 0; i < points.size(); ++i) {
        const double x = 12.0 * i / points.size() - 1;
        points[i] = {x, 1.4 * std::sin(7 * x)};
    }
    const charts::PlotArea area = charts::AreaOf(v, false);
    for (auto _ : state) benchmark::DoNotOptimize(charts::TraceFXY(v, area, false, true, points));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_TraceSeries)->Arg(9)->Arg(100000);

void BM_AxisLayouts(benchmark::State& state)
{
    charts::ChartView v = View();
    for (int i = 0; i < state.range(0); ++i) v.Zoom(1.5, 400, 300);
    charts::AxisSettings axis;
    axis.flags = charts::kAxisNearMargin;
    axis.drawOutsideMargins = false;
    for (auto _ : state) {
        benchmark::DoNotOptimize(charts::LayoutScaleX(v, axis, Measure));
        benchmark::DoNotOptimize(charts::LayoutScaleY(v, axis, Measure));
    }
}
BENCHMARK(BM_AxisLayouts)->Arg(0)->Arg(200);

}  // namespace
