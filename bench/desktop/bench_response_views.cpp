// The response plot's views: one 3-second curve at 44100 Hz in each view, and a view change of
// the whole plot (2 sources, receivers of 1 and 2 channels: 6 curves).

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "desktop/PlotResultsFixture.h"
#include "desktop/ResponsePlots.h"
#include "views/Plot2DModel.h"

namespace {

constexpr unsigned int ThreeSeconds = 132300;

void BM_ViewOfOneCurve(benchmark::State& state)
{
    const int view = static_cast<int>(state.range(0));
    std::vector<float> p(ThreeSeconds);
    for (unsigned int n = 0; n < p.size(); ++n) p[n] = static_cast<float>(std::exp(-n / 22050.0) * std::cos(0.3 * n));
    for (auto _ : state) benchmark::DoNotOptimize(ResponseViewPoints(p.data(), ThreeSeconds, 44100.0f, view));
    state.SetLabel(ResponseViewNames[view]);
}
BENCHMARK(BM_ViewOfOneCurve)->DenseRange(0, NumResponseViews - 1)->Unit(benchmark::kMillisecond);

void BM_ViewChangeOfSixCurves(benchmark::State& state)
{
    PlotResultsFixture fx(2, {1, 2}, ThreeSeconds);
    Plot2DModel plot(800, 600);
    ResponsePlots plots;
    plots.DrawCurves(plot, *fx.room, VIEW_PRESSURE_LIN);
    int view = 0;
    for (auto _ : state) {
        view = view == VIEW_SPECTRUM ? VIEW_DECAY_NORMALIZED : VIEW_SPECTRUM;
        plots.ShowView(plot, *fx.room, view, false);
    }
}
BENCHMARK(BM_ViewChangeOfSixCurves)->Unit(benchmark::kMillisecond);

}  // namespace
