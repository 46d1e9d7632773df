#pragma once
// Draws an axis layout with the axis layer's pen; grid lines dotted, the pen given back as it was.

#include <wx/dc.h>
#include <wx/font.h>
#include <wx/pen.h>

#include "views/charts/AxisLayout.h"

namespace charts {

void PaintAxis(wxDC& dc, const wxPen& pen, const AxisDrawing& axis);

using AxisLayoutFunction = AxisDrawing (*)(const ChartView&, const AxisSettings&, const TextMeasure&);

// Lays the axis out with texts measured in `font` and paints it.
void PlotAxis(wxDC& dc, const wxPen& pen, const wxFont& font, const ChartView& view, const AxisSettings& axis,
              AxisLayoutFunction layout);

}  // namespace charts
