// The response canvas with six responses of 2 s at 44.1 kHz: one frame drawn, and the same
// curves drawn point by point for comparison. Run under a display, e.g.
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/sorvi_bench_plot2d
#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <cmath>
#include <vector>

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/init.h>

#include "views/GL_Plot2D.h"
#include "views/PlotReduction.h"

namespace {

const unsigned int kSamples = 88200;
const int kCurves = 6;

std::vector<float> Time()
{
    std::vector<float> t(kSamples);
    for (unsigned int i = 0; i < kSamples; i++) t[i] = i / 44100.0f;
    return t;
}

// A decaying response with a different noise pattern per curve.
std::vector<float> Response(int curve)
{
    std::vector<float> p(kSamples);
    unsigned int state = 12345u + 977u * curve;
    for (unsigned int i = 0; i < kSamples; i++) {
        state = state * 1664525u + 1013904223u;
        const double noise = (state >> 8) / double(1u << 24) - 0.5;
        p[i] = static_cast<float>(std::exp(-3.0 * i / 44100.0) * noise);
    }
    return p;
}

GL_Plot2D* Canvas()
{
    static GL_Plot2D* canvas = [] {
        static int argc = 1;
        static char name[] = "sorvi_bench_plot2d";
        static char* argv[] = {name, nullptr};
        wxApp::SetInstance(new wxApp);
        wxEntryStart(argc, argv);
        wxTheApp->CallOnInit();
        auto* frame = new wxFrame(nullptr, wxID_ANY, "plot", wxDefaultPosition, wxSize(1200, 700));
        wxGLAttributes attrs;
        attrs.PlatformDefaults().RGBA().DoubleBuffer().EndList();
        auto* plot = new GL_Plot2D(0.0f, frame, attrs);
        plot->SetAutoRedraw(false);
        frame->Show();
        for (int i = 0; i < 200 && !(plot->IsShownOnScreen() && plot->Model().HasSize()); i++) {
            wxTheApp->Yield(true);
            wxMilliSleep(5);
        }
        const std::vector<float> t = Time();
        for (int c = 0; c < kCurves; c++) {
            const std::vector<float> p = Response(c);
            plot->AddGraph(t.data(), p.data(), kSamples);
            plot->SetGraphColor(c, TPoint3D(0.15 * c, 0.5, 1.0 - 0.15 * c));
        }
        return plot;
    }();
    return canvas;
}

void BM_Plot2DFrame(benchmark::State& state)
{
    GL_Plot2D* plot = Canvas();
    if (!plot->RenderFrame()) {
        state.SkipWithError("the canvas is not shown");
        return;
    }
    for (auto _ : state) {
        plot->RenderFrame();
        glFinish();
    }
    state.counters["width_px"] = plot->Model().width;
}
BENCHMARK(BM_Plot2DFrame)->Unit(benchmark::kMillisecond);

// The frame with the six curves hidden: grid, ticks and labels.
void BM_Plot2DFrameWithoutCurves(benchmark::State& state)
{
    GL_Plot2D* plot = Canvas();
    for (int c = 0; c < kCurves; c++) plot->SetGraphViewStatus(c, false);
    if (!plot->RenderFrame()) state.SkipWithError("the canvas is not shown");
    for (auto _ : state) {
        plot->RenderFrame();
        glFinish();
    }
    for (int c = 0; c < kCurves; c++) plot->SetGraphViewStatus(c, true);
}
BENCHMARK(BM_Plot2DFrameWithoutCurves)->Unit(benchmark::kMillisecond);

// The same six curves as line strips through every point, without the column reduction.
void BM_Plot2DEveryPoint(benchmark::State& state)
{
    GL_Plot2D* plot = Canvas();
    if (!plot->RenderFrame()) {
        state.SkipWithError("the canvas is not shown");
        return;
    }
    const Plot2DModel& m = plot->Model();
    const PlotMapping map = m.Mapping();
    std::vector<std::vector<float>> xy(m.getNumGraphs());
    for (unsigned int g = 0; g < m.getNumGraphs(); g++) {
        for (unsigned int i = 0; i < m.Graph(g).GetLength(); i++) {
            const TPoint3D p = m.Graph(g).GetData(i);
            xy[g].push_back(static_cast<float>(map.X(p.x)));
            xy[g].push_back(static_cast<float>(map.Y(p.y)));
        }
    }
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT);
        glEnableClientState(GL_VERTEX_ARRAY);
        for (const auto& v : xy) {
            glVertexPointer(2, GL_FLOAT, 0, v.data());
            glDrawArrays(GL_LINE_STRIP, 0, static_cast<GLsizei>(v.size() / 2));
        }
        glDisableClientState(GL_VERTEX_ARRAY);
        glFinish();
    }
}
BENCHMARK(BM_Plot2DEveryPoint)->Unit(benchmark::kMillisecond);

// The reduction alone, one curve into a plot area 1100 pixels wide.
void BM_ReduceCurve(benchmark::State& state)
{
    const std::vector<float> t = Time();
    const std::vector<float> p = Response(0);
    const TGraph g(t.data(), p.data(), kSamples);
    PlotMapping map;
    map.xmin = 0.0;
    map.xspan = 2.0;
    map.ymin = -0.5;
    map.yspan = 1.0;
    map.width = 1100;
    map.height = 600;
    PlotSegments line;
    for (auto _ : state) {
        line.clear();
        ReduceCurve(g.Points(), g.GetLength(), map, line);
        benchmark::DoNotOptimize(line.xy.data());
    }
    state.counters["segments"] = static_cast<double>(line.segments());
}
BENCHMARK(BM_ReduceCurve)->Unit(benchmark::kMicrosecond);

}  // namespace
