#pragma once
// The response curves of the main window's 2D plot, without the toolkit: building them from the
// room's results, the five views, the pair grid's show/hide clicks and the lin/log switch.
//
// Views and clicks act only on curves drawn from the room's current results: New, opening a
// project without responses, adding or deleting sources or receivers and the start of a run
// call Invalidate, and until the next DrawCurves with results they are ignored. A view is also
// not recomputed while a run is active (its spectrum would share the run's transform tables).

#include <optional>
#include <string>

#include "desktop/ResponseCurveLayout.h"
#include "desktop/ResponseViews.h"

class Plot2DModel;
class TRoom;

class ResponsePlots {
public:
    // Replaces the plot's curves by one per source, receiver and channel of the room's results
    // (none without results), coloured in curve order and shown in `view` (linear pressure for
    // a view out of range), with the y range that view sets.
    void DrawCurves(Plot2DModel& plot, const TRoom& room, int view);
    // Once took the lin/log flag; a flag would now silently read as a view.
    void DrawCurves(Plot2DModel& plot, const TRoom& room, bool) = delete;

    // Recomputes every curve for the view. The visible x range is kept while the x unit stays
    // the same; the decay views then set the y range. False when ignored (no curves, stale
    // curves, a run active, a view out of range).
    bool ShowView(Plot2DModel& plot, const TRoom& room, int view, bool runActive);

    // Whether the curves of source S and receiver R are drawn from the room's results and shown:
    // what the pair's grid cell shows.
    bool PairShown(const Plot2DModel& plot, const TRoom& room, unsigned int S, unsigned int R) const;

    // A click on the grid cell of source S and receiver R: the pair's curves are hidden when
    // shown and shown when hidden; returns the cell's new text ("1" shown, "0" hidden). Nothing
    // when the curves are stale or the cell has no pair.
    std::optional<std::string> ToggleCell(Plot2DModel& plot, const TRoom& room, unsigned int S, unsigned int R);

    // Inverts linScale and redraws usable curves as linear pressure or level. Returns the label
    // the switch button shows: "Linear Scale" when the curves were linear, else "Log Scale".
    std::string SwitchLinLog(Plot2DModel& plot, const TRoom& room, bool& linScale, bool runActive);

    // The view of the curves in the plot (that of the last DrawCurves or recomputation).
    int ShownView() const { return shownView; }

    void Invalidate() { valid = false; }
    bool Valid() const { return valid; }
    // The curves of the last DrawCurves (its pairs also when the room had no results).
    const ResponseCurveLayout& Layout() const { return layout; }

private:
    bool Current(const Plot2DModel& plot, const TRoom& room) const;
    bool Usable(const Plot2DModel& plot, const TRoom& room, bool runActive) const;
    void Recompute(Plot2DModel& plot, const TRoom& room, int view);
    static void SetViewRange(Plot2DModel& plot, int view);

    ResponseCurveLayout layout;
    bool valid = false;
    AxisUnit shownUnit = AxisUnit::Seconds;
    int shownView = VIEW_PRESSURE_LIN;
};
