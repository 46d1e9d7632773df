#include "desktop/ResponsePlots.h"

#include <algorithm>
#include <vector>

#include "desktop/PlotColours.h"
#include "simulation/TResult.h"
#include "simulation/TRoom.h"
#include "views/Plot2DModel.h"

namespace {
bool HasResults(const TRoom& room)
{
    return room.ResultsCreated && room.HasPairResults();
}

// Response of one curve; empty when the result lacks the channel.
std::vector<TPoint3D> CurvePoints(const TRoom& room, const ResponseCurveLayout::Curve& c, int view)
{
    const TResult& result = *room.spcresult[c.receiver][c.source];
    if (c.channel >= result.globalIR.size()) return {};
    const std::vector<float>& p = result.globalIR[c.channel];
    const unsigned int N = static_cast<unsigned int>(std::min<size_t>(room.MaxLength, p.size()));
    return ResponseViewPoints(p.data(), N, room.FSample, view);
}
}  // namespace

void ResponsePlots::DrawCurves(Plot2DModel& plot, const TRoom& room, int view)
{
    plot.DeleteGraphs();
    layout = ResponseCurveLayout::OfRoom(room);
    valid = HasResults(room);
    if (!IsResponseView(view)) view = VIEW_PRESSURE_LIN;
    if (valid) {
        unsigned int i = 0;
        for (const ResponseCurveLayout::Curve& c : layout.Curves()) {
            plot.AddGraph(nullptr, nullptr, 0);
            const std::vector<TPoint3D> points = CurvePoints(room, c, view);
            plot.SetGraphData(static_cast<int>(i), points.data(), static_cast<int>(points.size()));
            plot.SetGraphColor(static_cast<int>(i), PlotColour(i));
            ++i;
        }
        SetViewRange(plot, view);
    }
    shownUnit = ViewXUnit(view);
    shownView = view;
}

// Curves drawn from the room's present results, with nothing changed since.
bool ResponsePlots::Current(const Plot2DModel& plot, const TRoom& room) const
{
    return valid && plot.getNumGraphs() > 0 && plot.getNumGraphs() == layout.NumCurves() && HasResults(room) &&
           ResponseCurveLayout::OfRoom(room) == layout;
}

bool ResponsePlots::Usable(const Plot2DModel& plot, const TRoom& room, bool runActive) const
{
    return !runActive && Current(plot, room);
}

void ResponsePlots::Recompute(Plot2DModel& plot, const TRoom& room, int view)
{
    // Replacing data refits the plot to them; the x range is put back only in the same unit.
    const TPoint3D xRange = plot.GetXRange();
    unsigned int i = 0;
    for (const ResponseCurveLayout::Curve& c : layout.Curves()) {
        const std::vector<TPoint3D> points = CurvePoints(room, c, view);
        plot.SetGraphData(static_cast<int>(i++), points.data(), static_cast<int>(points.size()));
    }
    const AxisUnit unit = ViewXUnit(view);
    if (unit == shownUnit) plot.SetXRange(static_cast<float>(xRange.x), static_cast<float>(xRange.y));
    shownUnit = unit;
    shownView = view;
    SetViewRange(plot, view);
}

void ResponsePlots::SetViewRange(Plot2DModel& plot, int view)
{
    if (view == VIEW_DECAY) plot.SetYRange(DecayFloorDB, static_cast<float>(plot.GetYRange().y));
    if (view == VIEW_DECAY_NORMALIZED) plot.SetYRange(DecayFloorDB, 0.0f);
}

bool ResponsePlots::ShowView(Plot2DModel& plot, const TRoom& room, int view, bool runActive)
{
    if (!IsResponseView(view) || !Usable(plot, room, runActive)) return false;
    Recompute(plot, room, view);
    return true;
}

bool ResponsePlots::PairShown(const Plot2DModel& plot, const TRoom& room, unsigned int S, unsigned int R) const
{
    if (!layout.HasPair(S, R) || layout.Channels(R) == 0 || !Current(plot, room)) return false;
    return plot.Graph(layout.FirstCurve(S, R)).GetViewState();
}

std::optional<std::string> ResponsePlots::ToggleCell(Plot2DModel& plot, const TRoom& room, unsigned int S,
                                                     unsigned int R)
{
    if (!layout.HasPair(S, R) || !Current(plot, room)) return std::nullopt;
    const bool show = !PairShown(plot, room, S, R);
    const unsigned int first = layout.FirstCurve(S, R);
    for (unsigned int k = 0; k < layout.Channels(R); ++k) plot.SetGraphViewStatus(static_cast<int>(first + k), show);
    return std::string(show ? "1" : "0");
}

std::string ResponsePlots::SwitchLinLog(Plot2DModel& plot, const TRoom& room, bool& linScale, bool runActive)
{
    const std::string label = linScale ? "Linear Scale" : "Log Scale";
    linScale = !linScale;
    if (Usable(plot, room, runActive)) Recompute(plot, room, linScale ? VIEW_PRESSURE_LIN : VIEW_PRESSURE_LOG);
    return label;
}
