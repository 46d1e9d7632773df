#include "desktop/ParameterCurves.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "desktop/FrameText.h"
#include "desktop/PlotColours.h"
#include "dsp/TMonoParams.h"
#include "geometry/util.h"
#include "simulation/TResult.h"
#include "simulation/TRoom.h"

const char* const ParameterAxisTitles[NumParameterCharts] = {"T_30 (s)", "EDT (s)", "C_80 (dB)", "Center Time (ms)"};

namespace {
float Value(const TMonoParams& p, int PIndex)
{
    switch (PIndex) {
    case 0:
        return p.T30;
    case 1:
        return p.EDT;
    case 2:
        return p.C80;
    default:
        return p.CT;
    }
}

std::string PairName(unsigned int S, unsigned int R)
{
    char name[32];
    std::snprintf(name, sizeof name, "S%.2u-R%.2u", S + 1, R + 1);
    return name;
}
}  // namespace

std::vector<BandTick> ParameterBandTicks(unsigned int bands)
{
    std::vector<BandTick> ticks;
    for (unsigned int b = 0; b < bands; ++b) ticks.push_back({b + 1.0, BandLabel(static_cast<int>(b))});
    return ticks;
}

ParameterChart ParameterCurves(const TRoom& room, int PIndex)
{
    ParameterChart chart;
    if (PIndex < 0 || PIndex >= NumParameterCharts) {
        ErrorMessage(std::string("Parameter Not Defined!"));
        return chart;
    }
    chart.ticks = ParameterBandTicks(room.NumBands);
    if (!room.ResultsCreated || !room.HasPairResults()) return chart;
    bool any = false;
    double lo = 0.0, hi = 0.0;
    unsigned int i = 0;
    for (unsigned int R = 0; R < room.NumReceivers; ++R)
        for (unsigned int S = 0; S < room.NumSources; ++S) {
            const TResult& result = *room.spcresult[R][S];
            ParameterCurve curve;
            curve.name = PairName(S, R);
            curve.colour = PlotColourValue(i++);
            const unsigned int bands = static_cast<unsigned int>(std::min<size_t>(room.NumBands, result.Param.size()));
            for (unsigned int b = 0; b < bands; ++b) {
                const double v = Value(result.Param[b], PIndex);
                curve.x.push_back(b + 1.0);
                curve.y.push_back(v);
                if (!std::isfinite(v)) continue;
                lo = any ? std::min(lo, v) : v;
                hi = any ? std::max(hi, v) : v;
                any = true;
            }
            chart.curves.push_back(std::move(curve));
        }
    if (any) {
        chart.ymin = lo;
        chart.ymax = hi;
    }
    return chart;
}
