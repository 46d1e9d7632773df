#include "views/Plot2DModel.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>

namespace {

// Rounded to single precision; a finite value beyond its range saturates, so that a finite
// extent never becomes infinite.
double Single(double v)
{
    if (v > FLT_MAX) return FLT_MAX;
    if (v < -FLT_MAX) return -FLT_MAX;
    return static_cast<float>(v);
}

// Half the width of the window put around a single value.
double HalfWidthAround(double v)
{
    return v != 0.0 ? 0.5 * std::fabs(v) : 1.0;
}

// The window that is drawn and converted for the bounds lo .. hi.
void DrawnWindow(double lo, double hi, double& start, double& span)
{
    if (lo != hi) {
        start = lo;
        span = hi - lo;
    } else {
        const double h = HalfWidthAround(lo);
        start = lo - h;
        span = 2.0 * h;
    }
}

bool UsableWindow(double lo, double hi)
{
    return std::isfinite(lo) && std::isfinite(hi) && lo != hi && std::isfinite(hi - lo);
}

int ClampToPixel(double v)
{
    // Far outside the canvas (or not a number): any pixel beyond its edge will do.
    if (!(v > -1e9)) return -1000000000;
    if (v > 1e9) return 1000000000;
    return static_cast<int>(v);
}

std::string Format(const char* format, double v)
{
    char text[64];
    const int n = std::snprintf(text, sizeof text, format, v);
    if (n < static_cast<int>(sizeof text)) return text;
    std::string longer(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(longer.data(), longer.size(), format, v);
    longer.resize(static_cast<size_t>(n));
    return longer;
}

}  // namespace

Plot2DModel::Plot2DModel(int w, int h) : width(w), height(h) {}

void Plot2DModel::AddGraph(const float* x, const float* y, unsigned int L)
{
    graph.push_back(std::make_unique<TGraph>(x, y, L));
    Refit();
}

void Plot2DModel::AddGraph(const float* gph, unsigned int L)
{
    graph.push_back(std::make_unique<TGraph>(gph, L));
    Refit();
}

void Plot2DModel::AddGraph(const TGraph* gph)
{
    if (gph == nullptr) return;
    graph.push_back(std::make_unique<TGraph>(gph));
    Refit();
}

void Plot2DModel::DelGraph(int Gindex)
{
    if (static_cast<unsigned int>(Gindex) < getNumGraphs()) graph.erase(graph.begin() + Gindex);
    Refit();
}

void Plot2DModel::DeleteGraphs()
{
    graph.clear();
    dirty = true;
}

void Plot2DModel::CreateGraphs(const TGraph* const* newgraph, unsigned int NewNumGraphs)
{
    if (NewNumGraphs > 0 && newgraph != nullptr) {
        std::vector<std::unique_ptr<TGraph>> copies;
        for (unsigned int i = 0; i < NewNumGraphs; i++) {
            if (newgraph[i] != nullptr) copies.push_back(std::make_unique<TGraph>(newgraph[i]));
        }
        graph.swap(copies);
    }
    Refit();
}

void Plot2DModel::SetGraphData(int graphID, const TPoint3D* newdata, int newLength)
{
    if (static_cast<unsigned int>(graphID) >= getNumGraphs()) return;
    if (graph[graphID]->SetData(newdata, newLength)) Refit();
}

void Plot2DModel::SetGraphColor(int gphIndex, TPoint3D color)
{
    if (static_cast<unsigned int>(gphIndex) >= getNumGraphs()) return;
    graph[gphIndex]->SetColor(static_cast<float>(color.x), static_cast<float>(color.y), static_cast<float>(color.z));
    dirty = true;
}

TPoint3D Plot2DModel::GetGraphColor(int gphIndex) const
{
    if (static_cast<unsigned int>(gphIndex) >= getNumGraphs()) return TPoint3D();
    return graph[gphIndex]->GetColor();
}

int Plot2DModel::SetGraphViewStatus(int gphIndex, bool state)
{
    if (static_cast<unsigned int>(gphIndex) >= getNumGraphs()) return -1;
    graph[gphIndex]->SetViewState(state);
    dirty = true;
    return state ? 1 : 0;
}

TPoint3D Plot2DModel::GetXRange() const
{
    return TPoint3D(Single(Crop_min.x), Single(Crop_max.x), 0.0);
}

TPoint3D Plot2DModel::GetYRange() const
{
    return TPoint3D(Single(Crop_min.y), Single(Crop_max.y), 0.0);
}

TPoint3D Plot2DModel::SetXRange(float Xmin, float Xmax)
{
    SetCrop(TPoint3D(Xmin, Crop_min.y, Crop_min.z), TPoint3D(Xmax, Crop_max.y, Crop_max.z));
    return GetXRange();
}

TPoint3D Plot2DModel::SetYRange(float Ymin, float Ymax)
{
    SetCrop(TPoint3D(Crop_min.x, Ymin, Crop_min.z), TPoint3D(Crop_max.x, Ymax, Crop_max.z));
    return GetYRange();
}

void Plot2DModel::Refit()
{
    UpdateExtents();
    SetCrop(MinData, MaxData);
}

void Plot2DModel::UpdateExtents()
{
    // Curves without a finite point have no extents and do not count.
    bool first = true;
    for (const auto& g : graph) {
        if (!g->HasExtents()) continue;
        if (first) {
            MinData.x = g->GetXmin();
            MinData.y = g->GetYmin();
            MaxData.x = g->GetXmax();
            MaxData.y = g->GetYmax();
            first = false;
            continue;
        }
        MinData.x = std::min(MinData.x, Single(g->GetXmin()));
        MinData.y = std::min(MinData.y, Single(g->GetYmin()));
        MaxData.x = std::max(MaxData.x, Single(g->GetXmax()));
        MaxData.y = std::max(MaxData.y, Single(g->GetYmax()));
    }
    dirty = true;
}

void Plot2DModel::SetCrop(TPoint3D CMin, TPoint3D CMax)
{
    const TPoint3D oldMin = Crop_min, oldMax = Crop_max;
    Crop_min = CMin - AxisOffSet;
    Crop_max = CMax - AxisOffSet;
    const double limitX = Single(2.0 * (MaxData.x - MinData.x));
    const double limitY = Single(2.0 * (MaxData.y - MinData.y));
    Crop_min.x = std::max(Crop_min.x, MinData.x - limitX);
    Crop_max.x = std::min(Crop_max.x, MaxData.x + limitX);
    Crop_min.y = std::max(Crop_min.y, MinData.y - limitY);
    Crop_max.y = std::min(Crop_max.y, MaxData.y + limitY);

    // A bound that is not a finite number keeps its value; a window of zero width (one x value
    // in the data, or a range of one number) becomes a window around that value.
    auto settle = [](double& lo, double& hi, double oldLo, double oldHi) {
        if (!std::isfinite(lo)) lo = oldLo;
        if (!std::isfinite(hi)) hi = oldHi;
        if (lo == hi) {
            const double h = HalfWidthAround(lo);
            lo -= h;
            hi += h;
        }
    };
    settle(Crop_min.x, Crop_max.x, oldMin.x, oldMax.x);
    settle(Crop_min.y, Crop_max.y, oldMin.y, oldMax.y);
    dirty = true;
}

void Plot2DModel::Zoom(TPoint3D fixedPoint, float zoomFactor_x, float zoomFactor_y)
{
    const double a = static_cast<float>(1.0f / zoomFactor_x);
    const double b = static_cast<float>(1.0f / zoomFactor_y);
    const TPoint3D size((Crop_max.x - Crop_min.x) * a, (Crop_max.y - Crop_min.y) * b);
    const TPoint3D offset((fixedPoint.x - Crop_min.x) * a, (fixedPoint.y - Crop_min.y) * b);
    const TPoint3D newMin = fixedPoint - offset;
    Step(newMin, newMin + size);
}

void Plot2DModel::Pan(TPoint3D fixedPoint, float dx, float dy)
{
    const TPoint3D size = Crop_max - Crop_min;
    const TPoint3D newMin = fixedPoint - (fixedPoint - Crop_min + TPoint3D(dx, dy));
    Step(newMin, newMin + size);
}

void Plot2DModel::Step(TPoint3D newMin, TPoint3D newMax)
{
    LastCrop_min = Crop_min;
    LastCrop_max = Crop_max;
    // A step that would leave no width (or no finite window) on an axis leaves that axis.
    if (UsableWindow(newMin.x, newMax.x)) {
        Crop_min.x = newMin.x;
        Crop_max.x = newMax.x;
    }
    if (UsableWindow(newMin.y, newMax.y)) {
        Crop_min.y = newMin.y;
        Crop_max.y = newMax.y;
    }
    dirty = true;
}

PlotMapping Plot2DModel::Mapping() const
{
    PlotMapping m;
    DrawnWindow(Crop_min.x, Crop_max.x, m.xmin, m.xspan);
    DrawnWindow(Crop_min.y, Crop_max.y, m.ymin, m.yspan);
    m.width = width;
    m.height = height;
    return m;
}

TPoint3D Plot2DModel::view2world(PlotPixel S) const
{
    const PlotMapping m = Mapping();
    const double sx = S.x - margin_left;
    const double sy = MainViewPortSize.y - S.y - margin_bottom;
    // A plot area without pixels maps every pixel to the window's corner.
    const double x = width > 0 ? sx / width * m.xspan + m.xmin : m.xmin;
    const double y = height > 0 ? sy / height * m.yspan + m.ymin : m.ymin;
    return TPoint3D(x, y, 0.0);
}

PlotPixel Plot2DModel::world2view(TPoint3D P) const
{
    const PlotMapping m = Mapping();
    PlotPixel S{ClampToPixel(m.X(P.x)), ClampToPixel(m.Y(P.y))};
    S.x += margin_left;
    S.y += margin_bottom;
    S.y = MainViewPortSize.y - S.y;
    return S;
}

void Plot2DModel::Resize(int canvasWidth, int canvasHeight)
{
    canvasSize = PlotPixel{canvasWidth, canvasHeight};
    MainViewPortSize = PlotPixel{canvasWidth - 5, canvasHeight - 5};
    sizeKnown = true;
    dirty = true;
    // The pointer is converted with the new plot area before the next frame is drawn.
    SetViewPort();
}

void Plot2DModel::SetPixelScale(double scale)
{
    if (!(scale > 0) || !std::isfinite(scale) || scale == pixelScale) return;
    // The margins at scale 1: bottom, left, right, top.
    constexpr int base[4] = {25, 35, 15, 15};
    auto scaled = [scale](int m) { return static_cast<int>(std::lround(m * scale)); };
    margin_bottom = scaled(base[0]);
    margin_left = scaled(base[1]);
    margin_right = scaled(base[2]);
    margin_top = scaled(base[3]);
    pixelScale = scale;
    dirty = true;
    SetViewPort();
}

bool Plot2DModel::SetViewPort()
{
    width = MainViewPortSize.x - margin_left - margin_right;
    height = MainViewPortSize.y - margin_bottom - margin_top;
    return sizeKnown && width > 0 && height > 0;
}

void Plot2DModel::WheelZoom(PlotPixel pointer, int rotation)
{
    const TPoint3D center = view2world(pointer);
    const float zoomFactor = 1.5f;
    if (rotation > 0)
        Zoom(center, zoomFactor, zoomFactor);
    else
        Zoom(center, 1.0f / zoomFactor, 1.0f / zoomFactor);
}

void Plot2DModel::StartZoom(PlotPixel pointer)
{
    IsZooming = true;
    BeginDrag(pointer);
}

void Plot2DModel::BeginDrag(PlotPixel pointer)
{
    LastMousePos = pointer;
    MouseFirstPoint = view2world(pointer);
    MouseActualLocation = MouseFirstPoint;
    LastCrop_min = Crop_min;
    LastCrop_max = Crop_max;
    dirty = true;
}

void Plot2DModel::StopZoom()
{
    IsZooming = false;
    dirty = true;
}

void Plot2DModel::StartPan(PlotPixel pointer)
{
    IsPanning = true;
    BeginDrag(pointer);
}

void Plot2DModel::StopPan()
{
    IsPanning = false;
}

void Plot2DModel::MouseMoved(PlotPixel pointer, bool leftDown, bool middleDown, bool rightDown)
{
    if (!leftDown && ((rightDown && IsPanning) || (middleDown && IsZooming))) {
        MouseActualLocation = view2world(pointer);
        const float dx = static_cast<float>(MouseActualLocation.x - MouseFirstPoint.x);
        const float dy = static_cast<float>(MouseActualLocation.y - MouseFirstPoint.y);
        if (rightDown && IsPanning) {
            Pan(MouseFirstPoint, dx, dy);
        } else {
            // Half a window away from the anchor doubles the span; right and up zoom in.
            const PlotMapping m = Mapping();
            float fx = static_cast<float>(2.0 * std::fabs(dx) / std::fabs(m.xspan) + 1.0);
            float fy = static_cast<float>(2.0 * std::fabs(dy) / std::fabs(m.yspan) + 1.0);
            if (pointer.x < LastMousePos.x) fx = 1.0f / fx;
            if (pointer.y > LastMousePos.y) fy = 1.0f / fy;
            Zoom(MouseFirstPoint, fx, fy);
        }
    }
    LastMousePos = pointer;
}

void Plot2DModel::MouseDown(PlotPixel pointer)
{
    crossHair = true;
    crossHairPoint = view2world(pointer);
    dirty = true;
}

void Plot2DModel::ViewExtent()
{
    SetCrop(TPoint3D(Single(MinData.x), Single(MinData.y), 0.0), TPoint3D(Single(MaxData.x), Single(MaxData.y), 0.0));
}

void Plot2DModel::FrameDrawn()
{
    dirty = false;
    crossHair = false;
}

std::vector<double> Plot2DModel::Grid(double lo, double hi, int n) const
{
    std::vector<double> lines;
    const float d = static_cast<float>((hi - lo) / n);
    if (n <= 0 || d == 0.0f || !std::isfinite(d)) return lines;
    lines.push_back(lo);
    float at = static_cast<float>(lo - std::fmod(lo, d) + d);
    for (int k = 0; k < n; k++, at += d) lines.push_back(at);
    lines.push_back(hi);
    return lines;
}

std::vector<double> Plot2DModel::Ticks(double lo, double hi, int n) const
{
    std::vector<double> ticks;
    const float d = static_cast<float>((hi - lo) / n);
    if (n <= 0 || d == 0.0f || !std::isfinite(d)) return ticks;
    float at = static_cast<float>(lo - std::fmod(lo, d));
    for (int k = 0; k <= n; k++, at += d) ticks.push_back(at);
    return ticks;
}

std::vector<double> Plot2DModel::GridX() const
{
    return Grid(Crop_min.x, Crop_max.x, NumTicksX);
}

std::vector<double> Plot2DModel::GridY() const
{
    return Grid(Crop_min.y, Crop_max.y, NumTicksY);
}

std::vector<double> Plot2DModel::TicksX() const
{
    return Ticks(Crop_min.x, Crop_max.x, NumTicksX);
}

std::vector<double> Plot2DModel::TicksY() const
{
    return Ticks(Crop_min.y, Crop_max.y, NumTicksY);
}

double Plot2DModel::LabelScaleX() const
{
    // The width, not the signed span: a reversed window is labelled like its mirror.
    return std::fabs(Crop_max.x - Crop_min.x) < 1.0 ? 1000.0 : 1.0;
}

std::vector<PlotLabel> Plot2DModel::LabelsX() const
{
    // One step past each tick: the labels sit at the second to the last tick and beyond.
    std::vector<PlotLabel> labels;
    const std::vector<double> ticks = TicksX();
    if (ticks.empty()) return labels;
    const float d = static_cast<float>((Crop_max.x - Crop_min.x) / NumTicksX);
    const double scale = LabelScaleX();
    float at = static_cast<float>(ticks.front());
    for (size_t k = 0; k < ticks.size(); k++) {
        at += d;
        // A position that missed zero by the rounding of the steps reads 0.00, not -0.00.
        const double shown = std::fabs(at) < 1e-3 * std::fabs(d) ? 0.0 : at;
        labels.push_back({at, at - d / 5.0, 0.3, Format("%1.2f", shown * scale)});
    }
    return labels;
}

std::vector<PlotLabel> Plot2DModel::LabelsY() const
{
    std::vector<PlotLabel> labels;
    const std::vector<double> ticks = TicksY();
    if (ticks.empty()) return labels;
    const float d = static_cast<float>((Crop_max.y - Crop_min.y) / NumTicksY);
    float at = static_cast<float>(ticks.front());
    for (size_t k = 0; k < ticks.size(); k++) {
        at += d;
        const double shown = std::fabs(at) < 1e-3 * std::fabs(d) ? 0.0 : at;
        // Positive values get a leading blank and start further right.
        if (shown > 0.0)
            labels.push_back({at, at - d / 7.0, 0.2, Format(" %1.2f", shown)});
        else
            labels.push_back({at, at - d / 7.0, 0.05, Format("%1.2f", shown)});
    }
    return labels;
}
