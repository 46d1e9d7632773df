#include "views/charts/AxisPainter.h"

#include "views/charts/ChartDc.h"

namespace charts {

void PaintAxis(wxDC& dc, const wxPen& pen, const AxisDrawing& axis)
{
    dc.SetPen(pen);
    dc.DrawLine(axis.axis.x0, axis.axis.y0, axis.axis.x1, axis.axis.y1);
    if (axis.grid) {
        wxPen dotted(pen);
        dotted.SetStyle(wxPENSTYLE_DOT);
        dc.SetPen(dotted);
        DrawLines(dc, axis.marks);
        dc.SetPen(pen);
    } else {
        DrawLines(dc, axis.marks);
    }
    for (const ChartText& label : axis.labels) DrawTextItem(dc, label);
    if (axis.hasName) DrawTextItem(dc, axis.name);
}

void PlotAxis(wxDC& dc, const wxPen& pen, const wxFont& font, const ChartView& view, const AxisSettings& axis,
              AxisLayoutFunction layout)
{
    dc.SetPen(pen);
    dc.SetFont(font);
    PaintAxis(dc, pen, layout(view, axis, MeasureOn(dc)));
}

}  // namespace charts
