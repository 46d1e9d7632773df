#pragma once
// Where the axis layers put their line, ticks or grid lines, labels and name, and how the
// labels read: tick steps from the zoom, numeric, time and date labels.

#include <string>
#include <vector>

#include "views/charts/ChartDrawing.h"
#include "views/charts/ChartView.h"

namespace charts {

// Placement codes of an axis.
enum AxisPlacement {
    kAxisFarMargin = 0,
    kAxisOrigin = 1,
    kAxisNearMargin = 2,
    kAxisNearBorder = 4,
    kAxisFarBorder = 5,
};

// Label modes of the horizontal axis.
enum AxisLabelMode {
    kLabelNumber = 0,
    kLabelTime = 1,
    kLabelHours = 2,
    kLabelDate = 3,
    kLabelDateTime = 4,
};

// A tick loop never runs more often than this.
inline constexpr int kMaxTicks = 10000;

// The largest power of ten at most 128 pixels long at `scale` pixels per unit: 10^dig.
struct TickStep {
    int dig = 0;
    double step = 1;
};
TickStep TickStepFor(double scale);

// Calls fn(n) for n = first, first + step, ... while n < end; stops when the step is not
// finite or positive, when adding it no longer changes n, or after kMaxTicks values.
template <class Fn> void ForEachTick(double first, double step, double end, Fn&& fn)
{
    if (!(step > 0) || !(step < 1e308) || !(first == first)) return;
    double n = first;
    for (int count = 0; count < kMaxTicks && n < end; ++count) {
        fn(n);
        const double next = n + step;
        if (!(next > n)) break;
        n = next;
    }
}

// A format with exactly one floating-point conversion and nothing that reads further
// arguments ("%.2f", "%1.1f", "x=%g s", "%.0f%%").
bool IsNumberFormat(const std::string& format);
// The value through a format that IsNumberFormat accepts, in the "C" locale.
std::string FormatNumber(const std::string& format, double value);

// Automatic label formats: horizontal from the tick exponent, vertical from the desired range.
std::string AutoFormatX(int dig);
std::string AutoFormatY(double desiredYmin, double desiredYmax);

// The label of value v in a horizontal label mode; `format` is used in kLabelNumber only
// (an empty or unusable format falls back to AutoFormatX(dig)); `rightEdge` is the data x at
// the window's right edge. Unknown modes give an empty label.
std::string LabelX(unsigned mode, const std::string& format, int dig, double v, double rightEdge);

// A tick of its own at a data value, with its label ("1k" at band 5).
struct AxisTick {
    double value = 0;
    std::string label;
    bool operator==(const AxisTick&) const = default;
};

struct AxisSettings {
    std::string name;
    int flags = kAxisOrigin;
    bool ticks = true;
    unsigned labelType = kLabelNumber;
    std::string labelFormat;
    bool drawOutsideMargins = true;
    // When set, the horizontal axis marks these values only, whatever the zoom, and labels
    // each with its own text; when neighbouring labels would touch, every second (third ...)
    // label is written, from the first.
    std::vector<AxisTick> fixedTicks;
};

struct AxisDrawing {
    ChartLine axis;
    // Short ticks (solid) or grid lines (dotted) at the tick values.
    std::vector<ChartLine> marks;
    bool grid = false;
    std::vector<ChartText> labels;
    bool hasName = false;
    ChartText name;
};

AxisDrawing LayoutScaleX(const ChartView& view, const AxisSettings& axis, const TextMeasure& measure);
AxisDrawing LayoutScaleY(const ChartView& view, const AxisSettings& axis, const TextMeasure& measure);

}  // namespace charts
