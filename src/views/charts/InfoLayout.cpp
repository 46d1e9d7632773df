#include "views/charts/InfoLayout.h"

namespace charts {

bool KeepPlaceOnResize(InfoBox& box, int& winX, int& winY, int scrX, int scrY)
{
    if (scrX == 0) scrX = 1;
    if (scrY == 0) scrY = 1;
    if (scrX == winX && scrY == winY) return false;
    if (winX != 1) box.x = static_cast<int>(static_cast<long long>(box.x) * scrX / winX);
    if (winY != 1) box.y = static_cast<int>(static_cast<long long>(box.y) * scrY / winY);
    winX = scrX;
    winY = scrY;
    return true;
}

LegendDrawing LayoutLegend(int x, int y, const std::vector<TextSize>& entries)
{
    LegendDrawing out;
    int height = 5;
    for (const TextSize& e : entries) {
        if (out.width <= e.width + 20) out.width = e.width + 25;
        height += e.height;
    }
    if (height == 5) return out;
    out.drawn = true;
    out.height = height + 5;
    for (std::size_t k = 0; k < entries.size(); ++k) {
        const int h = entries[k].height;
        const int top = y + 5 + h * static_cast<int>(k);
        const int yl = top + h / 2;
        out.samples.push_back({x + 5, yl, x + 15, yl});
        out.names.push_back({{}, x + 20, top});
    }
    return out;
}

void GrowToText(InfoBox& box, TextSize text)
{
    if (text.width + 9 >= box.width) box.width = text.width + 10;
    if (text.height + 9 >= box.height) box.height = text.height + 10;
}

}  // namespace charts
