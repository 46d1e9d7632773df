#pragma once
// Draws what the chart layouts produce on a toolkit device context.

#include <wx/dc.h>

#include <vector>

#include "views/charts/ChartDrawing.h"

namespace charts {

// Measures texts in the font currently selected into `dc`.
TextMeasure MeasureOn(wxDC& dc);

void DrawLines(wxDC& dc, const std::vector<ChartLine>& lines);
// A point with a pen at most 1 pixel wide, a zero-length line with a wider one.
void DrawMarks(wxDC& dc, const std::vector<ChartLine>& marks, int penWidth);
void DrawTextItem(wxDC& dc, const ChartText& text);

}  // namespace charts
