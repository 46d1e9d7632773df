#pragma once
// Draws an axis layout with the axis layer's pen; grid lines dotted, the pen given back as it was.

#include <wx/dc.h>
#include <wx/pen.h>

#include "views/charts/AxisLayout.h"

namespace charts {

void PaintAxis(wxDC& dc, const wxPen& pen, const AxisDrawing& axis);

}  // namespace charts
