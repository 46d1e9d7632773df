#pragma once
// What the 2D plot canvas shows, without GL or toolkit calls: the curves, their extents, the
// crop window (the data rectangle that fills the plot area), zoom and pan, the mouse drags, the
// conversion between pixels and data, and the grid, ticks and labels.
//
// The crop window stays finite. It may be reversed, and it has zero width and height only on a
// new canvas; pixels and data are then converted through a window around its value, so that no
// projection is empty and no conversion divides by zero.

#include <memory>
#include <string>
#include <vector>

#include "geometry/TPoint3D.h"
#include "views/TGraph.h"

// Pixels from the canvas's top-left corner, rows downward.
struct PlotPixel {
    int x = 0;
    int y = 0;
};

// Data to plot-area pixels: x from the plot area's left edge, y from its bottom edge.
struct PlotMapping {
    double xmin = 0.0, xspan = 1.0, ymin = 0.0, yspan = 1.0;
    int width = 0, height = 0;
    double X(double x) const { return (x - xmin) / xspan * width; }
    double Y(double y) const { return (y - ymin) / yspan * height; }
};

// A label of the bottom or left margin: `at` is the tick position (data), `start` the data
// coordinate along the axis where the text begins, `across` where it begins across the margin
// (0 outer edge, 1 plot-area edge).
struct PlotLabel {
    double at;
    double start;
    double across;
    std::string text;
};

class Plot2DModel {
public:
    // width × height: the plot area's size until the first size event.
    Plot2DModel(int w, int h);

    // Curves. Indexes count from 0; the model keeps its own copies of the points.
    unsigned int getNumGraphs() const { return static_cast<unsigned int>(graph.size()); }
    const TGraph& Graph(unsigned int i) const { return *graph[i]; }
    void AddGraph(const float* x, const float* y, unsigned int L);
    void AddGraph(const float* gph, unsigned int L);
    void AddGraph(const TGraph* gph);
    void DelGraph(int Gindex);
    // Extents and crop window keep their values.
    void DeleteGraphs();
    void CreateGraphs(const TGraph* const* newgraph, unsigned int NewNumGraphs);
    void SetGraphData(int graphID, const TPoint3D* newdata, int newLength);
    // An index out of range sets nothing and reads (0, 0, 0).
    void SetGraphColor(int gphIndex, TPoint3D color);
    TPoint3D GetGraphColor(int gphIndex) const;
    // -1 for an index out of range, else the new state (1 shown, 0 hidden).
    int SetGraphViewStatus(int gphIndex, bool state);

    // Ranges: (min, max, 0) in single precision.
    TPoint3D GetXRange() const;
    TPoint3D GetYRange() const;
    TPoint3D SetXRange(float Xmin, float Xmax);
    TPoint3D SetYRange(float Ymin, float Ymax);

    void UpdateExtents();
    void SetCrop(TPoint3D CMin, TPoint3D CMax);
    // A factor above 1 zooms in; fixedPoint keeps its place in the plot area.
    void Zoom(TPoint3D fixedPoint, float zoomFactor_x, float zoomFactor_y);
    // Moves the window by (-dx, -dy).
    void Pan(TPoint3D fixedPoint, float dx, float dy);

    TPoint3D view2world(PlotPixel S) const;
    PlotPixel world2view(TPoint3D P) const;
    PlotMapping Mapping() const;

    // Size event: the canvas's reported size in device pixels; sets the plot area's size.
    void Resize(int canvasWidth, int canvasHeight);
    // Device pixels per window-system pixel (2 on a display scaled by 2): the margins grow with
    // it, so that the labels keep their room; sizes and pointer positions are given in device
    // pixels.
    void SetPixelScale(double scale);
    double PixelScale() const { return pixelScale; }
    bool HasSize() const { return sizeKnown; }
    // Plot-area size from the latest size; false when it has no pixels.
    bool SetViewPort();
    // GL row (from the canvas's bottom) of the drawing's bottom edge: the drawing fills the
    // top-left MainViewPortSize of the canvas, with the rows placed as world2view counts them.
    int DrawingBottom() const { return canvasSize.y - MainViewPortSize.y - 1; }

    // Mouse.
    void WheelZoom(PlotPixel pointer, int rotation);
    void StartZoom(PlotPixel pointer);
    void StopZoom();
    void StartPan(PlotPixel pointer);
    void StopPan();
    void MouseMoved(PlotPixel pointer, bool leftDown, bool middleDown, bool rightDown);
    void MouseDown(PlotPixel pointer);
    void ViewExtent();

    // Grid lines (data coordinates) across the crop window, tick marks and labels.
    std::vector<double> GridX() const;
    std::vector<double> GridY() const;
    std::vector<double> TicksX() const;
    std::vector<double> TicksY() const;
    std::vector<PlotLabel> LabelsX() const;
    std::vector<PlotLabel> LabelsY() const;
    // x labels read in thousands when the crop window is narrower than 1.
    double LabelScaleX() const;

    // Redraw bookkeeping: every change of what is shown marks the model; a drawn frame clears
    // the mark and the cross-hair.
    bool NeedsRedraw() const { return dirty; }
    void MarkChanged() { dirty = true; }
    void FrameDrawn();
    bool HasCrossHair() const { return crossHair; }
    TPoint3D CrossHairPoint() const { return crossHairPoint; }

    bool IsZooming = false;
    bool IsPanning = false;
    TPoint3D MouseFirstPoint;
    TPoint3D MouseActualLocation;
    PlotPixel LastMousePos;
    TPoint3D AxisOffSet;

    int width, height;
    int margin_bottom = 25, margin_left = 35, margin_right = 15, margin_top = 15;
    int NumTicksX = 20, NumTicksY = 20;
    PlotPixel MainViewPortSize;

    TPoint3D MinData{0.0, 1.0, 0.0}, MaxData{0.0, 1.0, 0.0};
    TPoint3D Crop_min{0.0, 1.0, 0.0}, Crop_max{0.0, 1.0, 0.0};
    TPoint3D LastCrop_min, LastCrop_max;

private:
    void Refit();
    // A zoom or pan step to the window newMin .. newMax.
    void Step(TPoint3D newMin, TPoint3D newMax);
    // Anchor, pointer and window at the press of a zoom or pan drag.
    void BeginDrag(PlotPixel pointer);
    std::vector<double> Grid(double lo, double hi, int n) const;
    std::vector<double> Ticks(double lo, double hi, int n) const;

    double pixelScale = 1.0;
    std::vector<std::unique_ptr<TGraph>> graph;
    PlotPixel canvasSize;
    bool sizeKnown = false;
    bool dirty = true;
    bool crossHair = false;
    TPoint3D crossHairPoint;
};
