#include "views/charts/ChartDc.h"

namespace charts {

TextMeasure MeasureOn(wxDC& dc)
{
    return [&dc](const std::string& text) {
        wxCoord w = 0, h = 0;
        dc.GetTextExtent(wxString::FromUTF8(text), &w, &h);
        return TextSize{w, h};
    };
}

void DrawLines(wxDC& dc, const std::vector<ChartLine>& lines)
{
    for (const ChartLine& l : lines) dc.DrawLine(l.x0, l.y0, l.x1, l.y1);
}

void DrawMarks(wxDC& dc, const std::vector<ChartLine>& marks, int penWidth)
{
    for (const ChartLine& m : marks) {
        if (penWidth <= 1)
            dc.DrawPoint(m.x0, m.y0);
        else
            dc.DrawLine(m.x0, m.y0, m.x0, m.y0);
    }
}

void DrawTextItem(wxDC& dc, const ChartText& text)
{
    const wxString s = wxString::FromUTF8(text.text);
    if (text.angle != 0)
        dc.DrawRotatedText(s, text.x, text.y, text.angle);
    else
        dc.DrawText(s, text.x, text.y);
}

}  // namespace charts
