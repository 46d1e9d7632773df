#pragma once
// What the chart layouts hand to the drawing code: lines, points and texts in window pixels,
// and the one question they ask of the device, the size of a text.

#include <functional>
#include <string>

namespace charts {

struct ChartLine {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool operator==(const ChartLine&) const = default;
};

struct ChartText {
    std::string text;
    int x = 0, y = 0;
    // Degrees counter-clockwise; 90 reads upward.
    double angle = 0;
    bool operator==(const ChartText&) const = default;
};

struct TextSize {
    int width = 0, height = 0;
};

// Measures a text (UTF-8) in the font the layer draws with.
using TextMeasure = std::function<TextSize(const std::string& text)>;

// The rectangle in which a layer draws: the plot area inside the margins, or the whole window
// for a layer that may draw into the margins.
struct PlotArea {
    int startPx = 0, endPx = 0, minYpx = 0, maxYpx = 0;
};

}  // namespace charts
