// The 3D model view drawing the coffered hall (995 planes, every plane seen from both sides)
// with 10,000 lost rays, two sources and two receivers with labels, into a 1024 x 768 canvas
// (and 640 x 480), on the X display it finds (Mesa's software renderer under Xvfb). Time per frame, up to the
// finished picture (glFinish) and with the buffer swap.
#include <benchmark/benchmark.h>

#include <GL/freeglut.h>
#include <GL/gl.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/frame.h>
#include <wx/init.h>
#include <wx/log.h>

#include "geometry/TPlane.h"
#include "room/TReceiver.h"
#include "room/TSource.h"
#include "simulation/Raio_st.h"
#include "simulation/TRoom.h"
#include "support/TestRooms.h"
#include "views/GL_Window.h"
#include "views/ViewAttributes.h"

namespace {

class BenchApp : public wxApp {
public:
    bool OnInit() override { return true; }
};

std::unique_ptr<TRoom> HallWithLostRays(unsigned rays)
{
    auto room = std::make_unique<TRoom>();
    room->AddPlaneLayer(TPlaneLayer("walls"));
    room->AddPlaneLayer(TPlaneLayer("ceiling"));
    room->planeLayer[1].SetColor(200, 180, 140);
    const auto quads = testsupport::CofferedHallQuads(10, 8, 6, 11, 10, 0.08);
    for (std::size_t i = 0; i < quads.size(); ++i) {
        room->plane.push_back(std::make_unique<TPlane>(static_cast<int>(quads[i].size()), quads[i].data()));
        room->plane.back()->LayerID = i < 5 ? 0 : 1;
    }
    room->NumPlanes = static_cast<unsigned>(room->plane.size());
    for (const TPoint3D& at : {TPoint3D(2.5, 3, 1.5), TPoint3D(7, 5, 1.5)}) {
        TSource s;
        s.Position = at;
        room->AddSource(&s);
    }
    for (const TPoint3D& at : {TPoint3D(5, 2, 1.2), TPoint3D(8, 6, 1.2)}) {
        TReceiver r;
        r.Position = at;
        r.Radius = 0.3;
        room->AddReceiver(&r);
    }
    std::mt19937 random(7);
    std::uniform_real_distribution<double> unit(-1, 1);
    for (unsigned i = 0; i < rays; ++i) {
        room->lostRays.push_back(std::make_unique<Raio_st>());
        Raio_st& ray = *room->lostRays.back();
        ray.p = TPoint3D(5 + 4 * unit(random), 4 + 3 * unit(random), 3 + 2.5 * unit(random));
        TVector v(unit(random), unit(random), unit(random));
        ray.v = v * (1 / Module(v));
        ray.reflections = i % 9;
    }
    room->NumLostRays = rays;
    room->MaxLostRaysRef = 8;
    room->GetCenter();
    return room;
}

struct ViewOnScreen {
    ViewOnScreen()
    {
        room = HallWithLostRays(10000);
        frame = new wxFrame(nullptr, wxID_ANY, "bench", wxDefaultPosition, wxDefaultSize);
        view = new GL_Window(0, frame, ViewDisplayAttributes());
        frame->SetClientSize(1024, 768);
        frame->Show();
        for (int i = 0; i < 2000 && !view->IsShownOnScreen(); ++i) {
            while (wxTheApp->Pending()) wxTheApp->Dispatch();
            wxMilliSleep(1);
        }
        view->SetAutoRedraw(false);
        view->SetRoom(room.get());
        view->view.DrawRoom = true;
        view->view.DrawLostRays = 1;
    }
    ~ViewOnScreen() { delete frame; }
    std::unique_ptr<TRoom> room;
    wxFrame* frame;
    GL_Window* view;
};

ViewOnScreen* g_screen = nullptr;

// First argument 0: the whole picture; 1: without the lost rays; 2: without labels; 3: only the
// clear. Second: the canvas's width in pixels (height 3/4 of it).
void BM_DrawCofferedHallWithLostRays(benchmark::State& state)
{
    GL_Window& view = *g_screen->view;
    const int what = static_cast<int>(state.range(0));
    const int width = static_cast<int>(state.range(1));
    if (view.GetClientSize() != wxSize(width, width * 3 / 4)) {
        g_screen->frame->SetClientSize(width, width * 3 / 4);
        for (int i = 0; i < 2000 && view.GetClientSize() != wxSize(width, width * 3 / 4); ++i) {
            while (wxTheApp->Pending()) wxTheApp->Dispatch();
            wxMilliSleep(1);
        }
    }
    view.view.DrawRoom = what != 3;
    view.view.DrawLostRays = what != 1;
    view.view.drawSourceIDs = view.view.drawReceiverIDs = what != 2;
    if (!view.RenderFrame()) {
        state.SkipWithError("the view is not shown");
        return;
    }
    for (auto _ : state) {
        view.draw();
        glFinish();
    }
    state.counters["planes"] = g_screen->room->NumPlanes;
    state.counters["lost_rays"] = view.view.DrawLostRays ? g_screen->room->NumLostRays : 0;
    state.counters["width"] = view.getWidth();
    state.counters["height"] = view.getHeight();
}
BENCHMARK(BM_DrawCofferedHallWithLostRays)
    ->ArgsProduct({{0, 1, 2, 3}, {1024}})
    ->Args({0, 640})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (!std::getenv("DISPLAY")) {
        std::fprintf(stderr, "the view benchmark needs an X display: run it under xvfb-run\n");
        return 0;
    }
    setenv("GDK_BACKEND", "x11", 1);
    glutInit(&argc, argv);
    wxApp::SetInstance(new BenchApp);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) return 1;
    int status = 0;
    {
        wxGUIEventLoop loop;
        wxEventLoopActivator activate(&loop);
        wxLogNull quiet;
        ViewOnScreen screen;
        g_screen = &screen;
        benchmark::RunSpecifiedBenchmarks();
        g_screen = nullptr;
    }
    benchmark::Shutdown();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return status;
}
