// The 3D model view on the virtual display: what lands in the back buffer where the camera puts
// it, the mouse as the toolkit's event objects, redrawing only after a change, and a view freed
// with its window while the program goes on.

#include "views/GL_Window.h"

#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include <wx/dialog.h>
#include <wx/evtloop.h>
#include <wx/frame.h>
#include <wx/timer.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include "ViewTestRooms.h"
#include "room/LoadProject.h"
#include "support/gui/GuiTest.h"
#include "support/gui/ScaledRun.h"
#include "views/ViewAttributes.h"

using namespace view_test;

namespace {

constexpr double kDeg = 3.14159265358979323846 / 180.0;

using Rgb = std::array<int, 3>;

class GLWindowGuiTest : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        frame = new wxFrame(nullptr, wxID_ANY, "Sorvi view test", wxDefaultPosition, wxSize(640, 480));
        view = new GL_Window(0, frame, ViewDisplayAttributes(), wxID_ANY, wxDefaultPosition, wxDefaultSize,
                             wxBORDER_SUNKEN, "Model Visualization");
        frame->Show();
        ASSERT_TRUE(WaitUntil([&] {
            return view->IsShownOnScreen() && view->GetClientSize().GetWidth() > 300 &&
                   view->GetSize() == frame->GetClientSize();
        }));
        view->SetAutoRedraw(false);
        view->SetRoom(&room);
        view->view.DrawRoom = true;
    }

    void Render() { ASSERT_TRUE(view->RenderFrame()); }

    // The back buffer at (x, y) of the canvas, y from the top.
    Rgb Pixel(int x, int y) const
    {
        unsigned char rgb[3] = {};
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadBuffer(GL_BACK);
        glReadPixels(x, view->getHeight() - 1 - y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
        return {rgb[0], rgb[1], rgb[2]};
    }

    // Where the last frame put a point of the room, in canvas pixels from the top left.
    wxPoint Project(const TPoint3D& p) const
    {
        GLdouble model[16], proj[16];
        GLint viewport[4];
        glGetDoublev(GL_MODELVIEW_MATRIX, model);
        glGetDoublev(GL_PROJECTION_MATRIX, proj);
        glGetIntegerv(GL_VIEWPORT, viewport);
        GLdouble x = 0, y = 0, z = 0;
        EXPECT_EQ(gluProject(p.x, p.y, p.z, model, proj, viewport, &x, &y, &z), GL_TRUE);
        return {static_cast<int>(x), view->getHeight() - 1 - static_cast<int>(y)};
    }

    Rgb At(const TPoint3D& p) const
    {
        const wxPoint at = Project(p);
        return Pixel(at.x, at.y);
    }

    // Whether some pixel within `radius` of the point's projection satisfies `test`.
    template <typename Test> bool Near(const TPoint3D& p, int radius, Test test) const
    {
        const wxPoint at = Project(p);
        for (int dy = -radius; dy <= radius; ++dy)
            for (int dx = -radius; dx <= radius; ++dx)
                if (test(Pixel(at.x + dx, at.y + dy))) return true;
        return false;
    }

    void Mouse(wxEventType type, wxPoint at, bool left = false, bool right = false, int wheel = 0)
    {
        MouseState state;
        state.left = left;
        state.right = right;
        state.wheelRotation = wheel;
        SendMouse(view, type, at, state);
    }

    TRoom room;
    wxFrame* frame = nullptr;
    GL_Window* view = nullptr;
};

bool IsWhite(const Rgb& c)
{
    return c[0] > 250 && c[1] > 250 && c[2] > 250;
}
bool IsRed(const Rgb& c)
{
    return c[0] > 100 && c[1] < 40 && c[2] < 40;
}
bool IsGreen(const Rgb& c)
{
    return c[1] > 100 && c[0] < 40 && c[2] < 40;
}

TEST_F(GLWindowGuiTest, WithoutARoomTheViewIsWhite)
{
    AddSource(room, TPoint3D(0, 0, 0));
    view->view.DrawRoom = false;
    Render();
    const int w = view->getWidth(), h = view->getHeight();
    for (const wxPoint& p : {wxPoint(w / 2, h / 2), wxPoint(2, 2), wxPoint(w - 3, h - 3)})
        EXPECT_TRUE(IsWhite(Pixel(p.x, p.y))) << p.x << ", " << p.y;

    // DrawRoom set before a room was handed over: still only the clear.
    view->SetRoom(nullptr);
    view->view.DrawRoom = true;
    Render();
    EXPECT_TRUE(IsWhite(Pixel(w / 2, h / 2)));
}

TEST_F(GLWindowGuiTest, SourcesAndReceiversAppearInTheirColoursWhereTheCameraPutsThem)
{
    const TPoint3D source(2, 1, 1.5), receiver(-2, -1, 0.5);
    AddSource(room, source);
    AddReceiver(room, receiver, 0.4);
    view->view.drawSourceIDs = view->view.drawReceiverIDs = false;
    Render();
    // Near the centre: the blue aiming line starts there.
    EXPECT_TRUE(Near(source, 2, IsRed));
    EXPECT_TRUE(Near(receiver, 2, IsGreen));
    // Away from both: the background.
    const wxPoint s = Project(source);
    EXPECT_TRUE(IsWhite(Pixel(s.x, s.y - 60)));

    // Hidden sources leave the background there.
    view->view.drawSources = false;
    Render();
    EXPECT_FALSE(Near(source, 2, IsRed));
    EXPECT_TRUE(Near(receiver, 2, IsGreen));
}

TEST_F(GLWindowGuiTest, PlaneFillFollowsLayerColourFacingAndMode)
{
    // Three layers without colour; layer 1 computes (2/3, 0, 0), stored colour is black.
    AddLayers(room, 3);
    const std::vector<TPoint3D> up = {{-5, -5, 0}, {5, -5, 0}, {5, 5, 0}, {-5, 5, 0}};
    const std::vector<TPoint3D> down(up.rbegin(), up.rend());
    const TPoint3D sample(1.5, -2.5, 0);  // on the floor, away from outlines and axes

    struct Case {
        const char* what;
        bool facingUp, external, singlePlane;
        int storedBlue;  // -1: no colour of its own
        bool (*expect)(const Rgb&);
    };
    const Case cases[] = {
        {"no colour, all planes: black", true, true, false, -1,
         [](const Rgb& c) { return c[0] < 60 && c[1] < 60 && c[2] < 60; }},
        {"no colour, single plane: computed red", true, true, true, -1,
         [](const Rgb& c) { return c[0] > 120 && c[1] < 60 && c[2] < 60; }},
        {"stored blue, all planes", true, true, false, 255,
         [](const Rgb& c) { return c[2] > 120 && c[0] < 60 && c[1] < 60; }},
        {"external seen from behind: culled", false, true, false, 255, IsWhite},
        {"inner plane seen from behind: drawn", false, false, false, 255,
         [](const Rgb& c) { return c[2] > 60 && c[0] < 60 && c[1] < 60; }},
    };
    for (const Case& c : cases) {
        room.plane.clear();
        TPlane& floor = AddPlane(room, c.facingUp ? up : down, 1);
        floor.IsExternal = c.external;
        if (c.storedBlue < 0)
            room.planeLayer[1].SetColor(-1, -1, -1);
        else
            room.planeLayer[1].SetColor(0, 0, c.storedBlue);
        view->UpdateColors();
        view->view.ViewSinglePlane = c.singlePlane;
        Render();
        const Rgb got = At(sample);
        EXPECT_TRUE(c.expect(got)) << c.what << ": " << got[0] << " " << got[1] << " " << got[2];
    }
}

TEST_F(GLWindowGuiTest, SinglePlaneModeSurvivesBadIndicesAndPlanesWithoutTriangles)
{
    AddLayers(room, 3);
    const std::vector<TPoint3D> quad = {{-5, -5, 0}, {5, -5, 0}, {5, 5, 0}, {-5, 5, 0}};
    TPlane& bare = AddPlane(room, quad, 0);
    bare.triangulo.clear();
    bare.NumTriang = 0;
    AddPlane(room, quad, 7);  // a layer the colour table has no row for
    view->view.ViewSinglePlane = 1;
    view->view.ViewTriangles = 1;

    view->view.activeplane = 0;  // no triangles: no fill, no normal
    Render();
    EXPECT_TRUE(IsWhite(At(TPoint3D(1.5, -2.5, 0))));

    view->view.activeplane = 1;  // unknown layer: grey, shaded per triangle
    view->view.ViewTriangles = 0;
    Render();
    const Rgb grey = At(TPoint3D(1.5, -2.5, 0));
    EXPECT_NEAR(grey[0], grey[1], 3);
    EXPECT_NEAR(grey[1], grey[2], 3);
    EXPECT_GT(grey[0], 40);
    EXPECT_LT(grey[0], 250);

    for (int bad : {2, -1, 1000}) {
        view->view.activeplane = bad;
        Render();
        EXPECT_TRUE(IsWhite(At(TPoint3D(1.5, -2.5, 0)))) << "active plane " << bad;
    }
}

TEST_F(GLWindowGuiTest, MouseDragOrbitsRightDragPansWheelZoomsDoubleClickResets)
{
    const TPoint3D source(2, 1, 1.5);
    AddSource(room, source);
    AddReceiver(room, TPoint3D(-2, -1, 0.5), 0.3);
    view->view.drawSourceIDs = false;
    const ViewControl defaults = view->view;
    ASSERT_NEAR(defaults.alpha, 225 * kDeg, 1e-12);
    ASSERT_NEAR(defaults.d, 27.99, 0.005);

    // Left drag of 10 px right and 3 px up from drag angles 0: alpha 20/60, beta 6/60 rad.
    Mouse(wxEVT_LEFT_DOWN, {100, 100}, true);
    Mouse(wxEVT_MOTION, {110, 97}, true);
    EXPECT_EQ(view->yRot, 20);
    EXPECT_EQ(view->xRot, 6);
    EXPECT_DOUBLE_EQ(view->view.alpha, 20 / 60.0);
    EXPECT_DOUBLE_EQ(view->view.beta, 6 / 60.0);
    // Dragging down past 0 wraps the angle into 0..360.
    Mouse(wxEVT_MOTION, {110, 107}, true);
    EXPECT_EQ(view->xRot, 346);
    EXPECT_DOUBLE_EQ(view->view.beta, 346 / 60.0);
    Mouse(wxEVT_LEFT_UP, {110, 107});
    // The picture follows the camera: the source is still drawn where it is now projected.
    Render();
    EXPECT_TRUE(Near(source, 2, IsRed));

    // Motion without a button moves nothing; a right drag moves the picture with the pointer
    // (the source at the target's depth by as many pixels) and is a reason to redraw.
    Mouse(wxEVT_MOTION, {200, 200});
    EXPECT_EQ(view->yRot, 20);
    Render();
    EXPECT_FALSE(view->NeedsRedraw());
    const wxPoint before = Project(source);
    Mouse(wxEVT_RIGHT_DOWN, {200, 200}, false, true);
    Mouse(wxEVT_MOTION, {230, 188}, false, true);
    Mouse(wxEVT_RIGHT_UP, {230, 188});
    EXPECT_TRUE(view->NeedsRedraw());
    Render();
    const wxPoint after = Project(source);
    // The pointer moves in window units, the picture in device pixels.
    const double scale = view->GetContentScaleFactor();
    EXPECT_NEAR(after.x - before.x, 30 * scale, 2 * scale);
    EXPECT_NEAR(after.y - before.y, -12 * scale, 2 * scale);
    EXPECT_TRUE(Near(source, 2, IsRed));
    const TPoint3D panned = view->view.pan;
    EXPECT_NE(panned, TPoint3D(0, 0, 0));

    // Wheel: 0.8 m per notch; however far forward, the camera stays before the target.
    Mouse(wxEVT_MOUSEWHEEL, {200, 200}, false, false, 120);
    EXPECT_NEAR(view->view.d, defaults.d - 0.8, 1e-9);
    Mouse(wxEVT_MOUSEWHEEL, {200, 200}, false, false, -120);
    Mouse(wxEVT_MOUSEWHEEL, {200, 200}, false, false, -120);
    EXPECT_NEAR(view->view.d, defaults.d + 0.8, 1e-9);
    for (int notch = 0; notch < 100; ++notch) Mouse(wxEVT_MOUSEWHEEL, {200, 200}, false, false, 120);
    EXPECT_GT(view->view.d, 0);
    Render();
    EXPECT_GT(view->view.ZNear(), 0);

    // Double click: camera, pan and modes back to the defaults (the small room fits at the
    // default distance); the drag angles stay.
    view->view.ViewSinglePlane = 1;
    Mouse(wxEVT_LEFT_DCLICK, {200, 200}, true);
    EXPECT_DOUBLE_EQ(view->view.alpha, defaults.alpha);
    EXPECT_DOUBLE_EQ(view->view.beta, defaults.beta);
    EXPECT_DOUBLE_EQ(view->view.d, defaults.d);
    EXPECT_EQ(view->view.ViewSinglePlane, 0);
    EXPECT_EQ(view->view.pan, TPoint3D(0, 0, 0));
    EXPECT_EQ(view->xRot, 346);
}

TEST_F(GLWindowGuiTest, LostRaysAreShownUntilARunReplacesThem)
{
    AddSource(room, TPoint3D(2, 2, 2));
    AddReceiver(room, TPoint3D(-2, -2, 0), 0.3);
    AddLostRay(room, TPoint3D(-3, 2, 1), TVector(1, 0, 0), 0);
    const TPoint3D onRay(-2, 2, 1);
    view->view.DrawLostRays = 1;
    Render();
    EXPECT_TRUE(Near(onRay, 1, IsRed));

    {
        HeldRun run(room);
        Render();
        EXPECT_FALSE(Near(onRay, 1, IsRed));
    }

    view->view.DrawLostRays = 0;
    Render();
    EXPECT_FALSE(Near(onRay, 1, IsRed));
}

TEST_F(GLWindowGuiTest, RedrawsOnlyAfterTheViewOrTheRoomChanged)
{
    AddSource(room, TPoint3D(1, 1, 1));
    view->SetAutoRedraw(true);
    ASSERT_TRUE(WaitUntil([&] { return !view->NeedsRedraw(); }));
    PumpEvents();
    EXPECT_FALSE(view->NeedsRedraw());

    view->view.alpha += 0.1;
    EXPECT_TRUE(view->NeedsRedraw());
    ASSERT_TRUE(WaitUntil([&] { return !view->NeedsRedraw(); }));

    room.source[0]->Position.x = 2;
    EXPECT_TRUE(view->NeedsRedraw());
    ASSERT_TRUE(WaitUntil([&] { return !view->NeedsRedraw(); }));

    view->MarkDirty();
    EXPECT_TRUE(view->NeedsRedraw());

    ASSERT_TRUE(WaitUntil([&] { return !view->NeedsRedraw(); }));

    // Hidden: nothing to draw, nothing drawn.
    frame->Hide();
    ASSERT_TRUE(WaitUntil([&] { return !view->IsShownOnScreen(); }));
    EXPECT_FALSE(view->NeedsRedraw());
    EXPECT_FALSE(view->RenderFrame());
    // Shown again (a notebook page chosen again), unchanged: the picture is drawn anew, with
    // or without a paint event, since the hidden window kept none.
    PumpEvents();
    view->SetAutoRedraw(false);
    frame->Show();
    ASSERT_TRUE(WaitUntil([&] { return view->IsShownOnScreen(); }));
    EXPECT_TRUE(view->NeedsRedraw());
    view->SetAutoRedraw(true);
    ASSERT_TRUE(WaitUntil([&] { return !view->NeedsRedraw(); }));
}

// A preview freed with its dialog (the room designer's) must not end the program's loop.
TEST_F(GLWindowGuiTest, ViewFreedWithItsDialogLeavesTheProgramRunning)
{
    AddSource(room, TPoint3D(1, 1, 1));
    auto* dialog = new wxDialog(nullptr, wxID_ANY, "Room designer", wxDefaultPosition, wxSize(320, 240));
    auto* preview = new GL_Window(0, dialog, ViewDisplayAttributes(), wxID_ANY, wxDefaultPosition, wxSize(300, 200),
                                  wxBORDER_SUNKEN, "Room Viewer");
    preview->SetRoom(&room);
    preview->view.DrawRoom = true;
    dialog->Show();
    ASSERT_TRUE(WaitUntil([&] { return preview->IsShownOnScreen(); }));
    preview->draw();

    wxGUIEventLoop loop;
    wxTimer finish;
    finish.Bind(wxEVT_TIMER, [&](wxTimerEvent&) { loop.Exit(42); });
    wxTheApp->CallAfter([&] {
        dialog->Destroy();
        finish.StartOnce(300);
    });
    EXPECT_EQ(loop.Run(), 42);
    PumpEvents();
    EXPECT_TRUE(wxTopLevelWindows.Find(dialog) == nullptr);
    // The main view goes on drawing.
    Render();
}

// The example project as a user sees it; with SORVI_VIEW_SNAPSHOT set, the picture is also
// written there (binary PPM) to be looked at.
TEST_F(GLWindowGuiTest, ExampleProjectIsDrawn)
{
    const std::string project = SORVI_SOURCE_DIR "/examples/lecture_room.txt";
    ProjectLoadSteps steps;
    steps.afterPlanes = [](TRoom& r) { r.GetExternalPlanes(); };
    ProjectLoad load = LoadProject(project, ProjectChain::Full, steps);
    ASSERT_TRUE(load) << load.error;
    TRoom& example = *load.room;
    example.GetCenter();
    ASSERT_GT(example.NumPlanes, 0u);
    ASSERT_GT(example.NumSources, 0u);
    view->SetRoom(&example);
    view->view.DrawRoom = true;
    Render();
    // Every source is drawn somewhere in the picture in red.
    for (unsigned i = 0; i < example.NumSources; ++i)
        EXPECT_TRUE(Near(example.source[i]->Position, 2, IsRed)) << "source " << i;

    if (const char* path = std::getenv("SORVI_VIEW_SNAPSHOT")) {
        const int w = view->getWidth(), h = view->getHeight();
        std::vector<unsigned char> rgb(static_cast<std::size_t>(w) * h * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadBuffer(GL_BACK);
        glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        if (std::FILE* f = std::fopen(path, "wb")) {
            std::fprintf(f, "P6\n%d %d\n255\n", w, h);
            for (int row = h - 1; row >= 0; --row)
                std::fwrite(&rgb[static_cast<std::size_t>(row) * w * 3], 1, static_cast<std::size_t>(w) * 3, f);
            std::fclose(f);
        }
    }
}

}  // namespace

namespace {

// A display that refuses the attributes asked for (here: far more samples than any offers)
// still gets a working canvas.
TEST_F(GLWindowGuiTest, RefusedAttributesFallBackToOnesTheDisplayHas)
{
    wxGLAttributes greedy;
    greedy.PlatformDefaults().RGBA().DoubleBuffer().Depth(24).SampleBuffers(1).Samplers(256).EndList();
    ASSERT_FALSE(wxGLCanvas::IsDisplaySupported(greedy));
    EXPECT_TRUE(wxGLCanvas::IsDisplaySupported(SupportedAttributes(greedy)));
    EXPECT_TRUE(wxGLCanvas::IsDisplaySupported(ViewDisplayAttributes()));

    auto* other = new wxFrame(nullptr, wxID_ANY, "fallback", wxDefaultPosition, wxSize(200, 150));
    auto* canvas = new GL_Window(0, other, greedy);
    canvas->SetAutoRedraw(false);
    other->Show();
    ASSERT_TRUE(WaitUntil([&] { return canvas->IsShownOnScreen(); }));
    EXPECT_TRUE(canvas->RenderFrame());
}

}  // namespace

namespace {

TEST_F(GLWindowGuiTest, ResizingResetsTheCameraAndThePan)
{
    view->view.alpha = 1;
    view->view.d = 3;
    view->view.ViewTriangles = 1;
    view->view.pan = TPoint3D(4, 0, 0);
    frame->SetClientSize(500, 400);
    // The size event has come when the viewer took the new size (5 pixels less each way).
    ASSERT_TRUE(
        WaitUntil([&] { return view->GetSize() == wxSize(500, 400) && view->view.width == view->getWidth() - 5; }));
    EXPECT_NEAR(view->view.alpha, 225 * kDeg, 1e-12);
    EXPECT_NEAR(view->view.d, 27.99, 0.005);
    EXPECT_EQ(view->view.ViewTriangles, 0);
    EXPECT_EQ(view->view.pan, TPoint3D(0, 0, 0));
    // The viewport is the canvas in device pixels (window units times the display's scale):
    // the room's centre is drawn at the middle of the canvas, not of its top-left quarter.
    const TPoint3D centre(1, 1, 1);
    AddSource(room, centre);
    view->view.drawSourceIDs = false;
    Render();
    const double scale = view->GetContentScaleFactor();
    const wxSize client = view->GetClientSize();
    EXPECT_EQ(view->view.width, static_cast<int>(client.GetWidth() * scale));
    EXPECT_EQ(view->view.height, static_cast<int>(client.GetHeight() * scale));
    const wxPoint at = Project(centre);
    EXPECT_NEAR(at.x, view->view.width / 2, 2);
    EXPECT_NEAR(at.y, view->view.height / 2, 2);
    EXPECT_TRUE(Near(centre, 2, IsRed));
}

// The tests above on a display scaled by 2 (GDK_SCALE=2), where the mouse moves in window
// units and the canvas draws in device pixels; and the scale is the one the tests were given.
TEST_F(GLWindowGuiTest, TheCanvasTakesTheDisplaysScale)
{
    EXPECT_EQ(view->GetContentScaleFactor(), StartedScale());
}

TEST(ScaledDisplay, ViewsDrawInDevicePixelsAtScale2)
{
    if (StartedScale() != 1) GTEST_SKIP() << "the display is scaled already";
    const ChildRun run = RunAtScale("GLWindowGuiTest.*:GL_Plot2DGuiTest.PlotFillsItsCanvasInDevicePixelsAtAnyScale", 2);
    EXPECT_TRUE(run.passed) << run.output;
    EXPECT_NE(run.output.find("GLWindowGuiTest.TheCanvasTakesTheDisplaysScale"), std::string::npos) << run.output;
}

// Operations the program does not call: each draws without a GL error.
TEST_F(GLWindowGuiTest, SpareOperationsWork)
{
    ViewControl other = view->view;
    other.alpha = 2;
    other.DrawLostRays = 1;
    TRoom second;
    AddLayers(second, 2);
    view->SetRoom(&second, other);
    EXPECT_EQ(view->sala, &second);
    EXPECT_EQ(view->NumColors, 2);
    EXPECT_DOUBLE_EQ(view->view.alpha, 2);
    other.alpha = 3;
    view->SetViewControl(other);
    EXPECT_DOUBLE_EQ(view->view.alpha, 3);

    Render();
    const int w = view->getWidth(), h = view->getHeight();
    view->paintGL();
    view->prepare3DViewport(0, 0, w, h);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // The viewport looks down -z from the origin: a cone 5 m ahead covers the centre.
    view->drawCone(TPoint3D(0, 0, -5), TPoint3D(0, 0, 1), 1.0f, 1.0f, TPoint3D(1, 0, 0));
    view->drawVector(TPoint3D(-1, -1, -6), TPoint3D(1, 1, -6));
    EXPECT_FALSE(IsWhite(Pixel(w / 2, h / 2)));
    view->prepare2DViewport(0, 0, w, h);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    view->SetRoom(&room);
}

// A long pan and a wheel notch keep the room on screen; however far the view went, a double
// click shows the whole room again, also a room larger than the default distance shows.
TEST_F(GLWindowGuiTest, AfterPanAndZoomADoubleClickShowsTheWholeRoom)
{
    const TPoint3D source(1, 1, 1);
    AddSource(room, source);
    view->view.drawSourceIDs = false;
    Render();
    Mouse(wxEVT_RIGHT_DOWN, {300, 200}, false, true);
    Mouse(wxEVT_MOTION, {100, 260}, false, true);
    Mouse(wxEVT_RIGHT_UP, {100, 260});
    Mouse(wxEVT_MOUSEWHEEL, {100, 260}, false, false, 120);
    Render();
    EXPECT_TRUE(Near(source, 2, IsRed));

    // A hall 150 m long: from the default 28 m it cannot be seen whole.
    AddReceiver(room, TPoint3D(-74, -5, 0), 1.0);
    AddReceiver(room, TPoint3D(74, 5, 10), 1.0);
    for (int notch = 0; notch < 20; ++notch) Mouse(wxEVT_MOUSEWHEEL, {100, 260}, false, false, 120);
    Mouse(wxEVT_LEFT_DCLICK, {200, 200}, true);
    EXPECT_EQ(view->view.pan, TPoint3D(0, 0, 0));
    Render();
    const int w = view->getWidth(), h = view->getHeight();
    for (const TPoint3D& p : {TPoint3D(-74, -5, 0), TPoint3D(74, 5, 10), source}) {
        const wxPoint at = Project(p);
        EXPECT_TRUE(at.x > 0 && at.x < w && at.y > 0 && at.y < h) << p.x << " at " << at.x << "," << at.y;
    }
    EXPECT_TRUE(Near(TPoint3D(74, 5, 10), 3, IsGreen));
}

// Real pointer input through the window system (one test at a time on the display).
class GLWindowRealInput : public GLWindowGuiTest {};

TEST_F(GLWindowRealInput, DraggingWithThePointerTurnsTheCamera)
{
    AddSource(room, TPoint3D(1, 1, 1));
    const wxPoint start = view->ClientToScreen(wxPoint(200, 200));
    wxUIActionSimulator input;
    input.MouseMove(start);
    ASSERT_TRUE(WaitUntil([&] { return wxGetMousePosition() == start; }));
    input.MouseDown();
    for (int step = 1; step <= 10; ++step) {
        input.MouseMove(start + wxPoint(3 * step, 0));
        PumpEvents();
    }
    input.MouseUp();
    ASSERT_TRUE(WaitUntil([&] { return view->yRot == 60; }, std::chrono::seconds(5))) << "yRot " << view->yRot;
    EXPECT_DOUBLE_EQ(view->view.alpha, 1.0);
    EXPECT_EQ(view->xRot, 0);
}

// A right drag with the real pointer moves the picture: the view redraws by itself and the
// source follows the pointer.
TEST_F(GLWindowRealInput, RightDragMovesThePictureWithThePointer)
{
    const TPoint3D source(1, 1, 1);
    AddSource(room, source);
    view->view.drawSourceIDs = false;
    view->SetAutoRedraw(true);
    ASSERT_TRUE(WaitUntil([&] { return !view->NeedsRedraw(); }));
    Render();
    const wxPoint before = Project(source);
    const wxPoint start = view->ClientToScreen(wxPoint(200, 200));
    wxUIActionSimulator input;
    input.MouseMove(start);
    ASSERT_TRUE(WaitUntil([&] { return wxGetMousePosition() == start; }));
    input.MouseDown(wxMOUSE_BTN_RIGHT);
    for (int step = 1; step <= 10; ++step) {
        input.MouseMove(start + wxPoint(4 * step, 2 * step));
        PumpEvents();
    }
    input.MouseUp(wxMOUSE_BTN_RIGHT);
    ASSERT_TRUE(WaitUntil([&] { return std::abs(view->view.pan.x) + std::abs(view->view.pan.y) > 0; },
                          std::chrono::seconds(5)));
    // The idle redraw took the pan: nothing is left to draw.
    ASSERT_TRUE(WaitUntil([&] { return !view->NeedsRedraw(); }, std::chrono::seconds(5)));
    view->SetAutoRedraw(false);
    Render();
    const wxPoint after = Project(source);
    EXPECT_NEAR(after.x - before.x, 40, 3);
    EXPECT_NEAR(after.y - before.y, 20, 3);
}

}  // namespace
