#include "console/ConsoleViewer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "geometry/ErrorHandler.h"
#include "geometry/TDirection.h"
#include "geometry/TPlane.h"
#include "simulation/Raio_st.h"
#include "simulation/RunChecks.h"
#include "simulation/TRoom.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDegree = kPi / 180.0;
constexpr double kAngleStep = 3 * kDegree;  // one orbit key

constexpr ViewerColor kViolet{0.5f, 0.0f, 1.0f};

}  // namespace

ConsoleViewer::ConsoleViewer(std::unique_ptr<TRoom>& room) : room_(room) {}

void ConsoleViewer::SetCamera()
{
    a = 57 * kDegree;
    b = 39 * kDegree;
    e = 40;
    f = 0.5;
    g = 0.2;
    w = 10;
    h = 10;
    if (!room_) return;
    c = room_->Center;
    d = static_cast<float>(1.1 * room_->GetMaxRoomLength()) / 2 / std::tan(15 * kDegree);
    // A room of one point (or none) has no extent: keep the eye off the centre.
    if (!(d > 0) || !std::isfinite(d)) d = 1.0;
}

void ConsoleViewer::Initialize()
{
    colors = room_ ? LayerColorTable(*room_) : std::vector<ViewerColor>{};
    pintura = 1;
    bgrcolor = 0;
    ViewSinglePlane = 0;
    ViewTriangles = 0;
    activeplane = 0;
    activetriangle = 0;
}

ViewerColor ConsoleViewer::LayerColor(int layer) const
{
    return TableColor(colors, layer);
}

ViewerColor ConsoleViewer::PlaneColor(const TPlane& plane) const
{
    return plane.IsExternal ? LayerColor(plane.LayerID) : kViolet;
}

ViewerColor ConsoleViewer::ActiveTriangleColor(unsigned t) const
{
    const TPlane* p = ActivePlane();
    if (ViewTriangles && !colors.empty()) return colors[t % colors.size()];
    return LayerColor(p ? p->LayerID : -1);
}

TPlane* ConsoleViewer::ActivePlane() const
{
    if (!room_ || room_->NumPlanes == 0 || room_->plane.empty()) return nullptr;
    const std::size_t n = std::min<std::size_t>(room_->NumPlanes, room_->plane.size());
    if (activeplane < 0 || static_cast<std::size_t>(activeplane) >= n) return nullptr;
    return room_->plane[static_cast<std::size_t>(activeplane)].get();
}

double ConsoleViewer::FovyDegrees() const
{
    return f * 180 / kPi;
}

void ConsoleViewer::UpdateFrame()
{
    const OrbitFrame frame = OrbitCameraFrame(c, d, a, b, e * g);
    o = frame.eye;
    Up = frame.up;
    df = frame.df;
    db = frame.db;
}

double ConsoleViewer::ZoomStep() const
{
    return 2 * g * std::tan(0.5) / std::tan(f);
}

void ConsoleViewer::StepPlane(int step)
{
    if (!room_) return;
    const int n = static_cast<int>(std::min<std::size_t>(room_->NumPlanes, room_->plane.size()));
    if (n == 0) return;
    activeplane = ((activeplane + step) % n + n) % n;
    const TPlane* p = room_->plane[static_cast<std::size_t>(activeplane)].get();
    const int layer = p->LayerID;
    const bool named = layer >= 0 && static_cast<std::size_t>(layer) < room_->planeLayer.size();
    std::printf("%d - layer %s\n", activeplane + 1, named ? room_->planeLayer[layer].nome.c_str() : "(none)");
}

void ConsoleViewer::RunSimulation()
{
    // A room that cannot run is refused (its message shown) before any result file goes, and
    // the viewer stays open.
    try {
        CheckRoomCanRun(*room_, true);
        CheckRunInputs(*room_);
        // A second run starts from empty results; its files replace the first run's whole.
        room_->ClearResults();
        room_->BeginResultSet(true);
        room_->CreateResults();
        room_->MarkPlaneHitsBeforeRun();
        room_->Simulate();
        room_->CalculateResponses();
        CheckResultsFinite(*room_);
        room_->SaveResults();
        room_->ListDeathPlanes();
        room_->CommitResultSet();
    } catch (const SorviExit&) {
        room_->DiscardResultSet();  // shown; the earlier files stay
    }
}

ConsoleViewer::KeyAction ConsoleViewer::Key(unsigned char key)
{
    switch (key) {
    case '4':
    case 'd':
        a += kAngleStep;
        break;
    case '6':
    case 'a':
        a -= kAngleStep;
        break;
    case '8':
    case 'w':
        b += kAngleStep;
        break;
    case '2':
    case 'x':
        b -= kAngleStep;
        break;
    case '+':
        d = ZoomedDistance(d, ZoomStep(), true);
        break;
    case '-':
        d = ZoomedDistance(d, ZoomStep(), false);
        break;
    case 'b':
        bgrcolor = !bgrcolor;
        break;
    case 'p':
        pintura = !pintura;
        break;
    case 'v':
        ViewSinglePlane = !ViewSinglePlane;
        pintura = 1;
        break;
    case 't':
        ViewTriangles = !ViewTriangles;
        break;
    case 'n':
        StepPlane(+1);
        break;
    case 'm':
        StepPlane(-1);
        break;
    case 'y':
        if (TPlane* p = ActivePlane(); p && p->NumTriang > 0)
            activetriangle = static_cast<int>((static_cast<unsigned>(activetriangle) + 1) % p->NumTriang);
        break;
    case 'i':
        if (TPlane* p = ActivePlane(); p && ViewSinglePlane && p->NumVert >= 3) {
            p->InvertSequence();
            // Normal and triangles follow the new orientation.
            p->Tecelagem();
        }
        break;
    case 'l':
        if (!room_) break;
        if (!RaysLoad) {
            if (room_->NumLostRays > 0) room_->DeleteLostRays();
            room_->LoadLostRaysTxt();
            RaysLoad = 1;
            DrawLostRays = 1;
        } else {
            DrawLostRays = !DrawLostRays;
        }
        std::printf("view lost rays = %d\n", DrawLostRays);
        break;
    case 'q':
        room_.reset();
        std::printf("SalaClear\n");
        std::fflush(stdout);
        return KeyAction::Quit;
    case 'r':
        if (room_) RunSimulation();
        break;
    default:
        break;
    }
    return KeyAction::Redraw;
}
