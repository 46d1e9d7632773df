#pragma once
// The curves of the four parameter charts (T30, EDT, C80, centre time over the octave bands),
// one per source-receiver pair, and the range each chart is fitted to.

#include <cstdint>
#include <string>
#include <vector>

class TRoom;

constexpr int NumParameterCharts = 4;
// The charts' y-axis titles, in chart order.
extern const char* const ParameterAxisTitles[NumParameterCharts];
// The x axis of every chart: the band numbers 1 .. 9.
constexpr double ParameterFitXMin = 0.5;
constexpr double ParameterFitXMax = 9.5;
// The y range of a chart without a finite value.
constexpr double ParameterDefaultYMin = 0.0;
constexpr double ParameterDefaultYMax = 1.0;

// A tick of the charts' x axis: band b at x = b + 1, labelled with its centre frequency.
struct BandTick {
    double x = 0;
    std::string label;  // "63" ... "1k" ... "16k"
};
std::vector<BandTick> ParameterBandTicks(unsigned int bands);

struct ParameterCurve {
    std::string name;       // "S01-R02"
    std::vector<double> x;  // band numbers from 1
    std::vector<double> y;
    uint32_t colour = 0;  // packed, see PlotColours.h
};

struct ParameterChart {
    std::vector<ParameterCurve> curves;  // receivers outermost, then sources
    std::vector<BandTick> ticks;         // the room's bands
    double ymin = ParameterDefaultYMin;
    double ymax = ParameterDefaultYMax;
};

// Chart PIndex (0 T30, 1 EDT, 2 C80, 3 centre time) of the room's results: no curves without
// results; another index gives the error "Parameter Not Defined!" and no curves. The y range
// spans the finite values only.
ParameterChart ParameterCurves(const TRoom& room, int PIndex);
