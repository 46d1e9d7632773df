#include "views/GL_Plot2D.h"

#include <GL/freeglut.h>
#include <GL/gl.h>

#include <cmath>
#include <cstdio>

#include <wx/dcclient.h>

#include "views/GlutText.h"

namespace {

// The labels' bitmap font: its size is in device pixels, so a scaled display takes the larger.
void* labelFont = GLUT_BITMAP_TIMES_ROMAN_10;

void* LabelFontFor(double pixelScale)
{
    return pixelScale >= 1.5 ? GLUT_BITMAP_TIMES_ROMAN_24 : GLUT_BITMAP_TIMES_ROMAN_10;
}

int DevicePixels(int logical, double scale)
{
    return static_cast<int>(std::lround(logical * scale));
}

// A 2D projection of the current viewport: x from x0 to x1, y from y0 to y1.
void Ortho(double x0, double x1, double y0, double y1)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(x0, x1, y0, y1, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// The outline of the rectangle 0..w by 0..h moved inward by `inset`.
void Outline(double w, double h, double inset)
{
    glBegin(GL_LINE_LOOP);
    glVertex2d(inset, inset);
    glVertex2d(w - inset, inset);
    glVertex2d(w - inset, h - inset);
    glVertex2d(inset, h - inset);
    glEnd();
}

void Text(double x, double y, const std::string& text)
{
    glRasterPos2d(x, y);
    DrawBitmapString(labelFont, text.c_str());
}

}  // namespace

GL_Plot2D::GL_Plot2D(float c, wxWindow* parent, const wxGLAttributes& dispAttrs, wxWindowID id, const wxPoint& pos,
                     const wxSize& wsize, long style, const wxString& name, const wxPalette& palette)
    : wxGLCanvas(parent, dispAttrs, id, pos, wsize, style, name, palette), c_(c), rotate_(c), wID(id),
      plot(wsize.x, wsize.y)
{
    m_context = std::make_unique<wxGLContext>(this);
    SetBackgroundStyle(wxBG_STYLE_PAINT);
}

GL_Plot2D::~GL_Plot2D() = default;

bool GL_Plot2D::RenderFrame()
{
    // Nothing before the first size event, nothing while hidden.
    if (!plot.HasSize() || !IsShownOnScreen() || !m_context || !m_context->IsOK()) return false;
    SetCurrent(*m_context);

    const wxSize canvas = GetClientSize();
    glViewport(0, 0, DevicePixels(canvas.x, plot.PixelScale()), DevicePixels(canvas.y, plot.PixelScale()));
    labelFont = LabelFontFor(plot.PixelScale());
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    // A plot area of no pixels shows only the white canvas.
    if (plot.SetViewPort()) {
        PlotViewport();
        glLineWidth(1.0f);
        drawPlots();
        if (plot.IsZooming) drawZoom();
        drawGrid();
        if (plot.HasCrossHair()) drawCrossHair();
        drawTicks();
    }
    glFlush();
    plot.FrameDrawn();
    return true;
}

void GL_Plot2D::draw()
{
    if (RenderFrame()) SwapBuffers();
}

void GL_Plot2D::PlotViewport()
{
    glViewport(plot.margin_left, plot.DrawingBottom() + plot.margin_bottom, plot.width, plot.height);
    Ortho(0.0, plot.width, 0.0, plot.height);
}

void GL_Plot2D::drawLines(const PlotSegments& segments) const
{
    if (segments.xy.empty()) return;
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, segments.xy.data());
    glDrawArrays(GL_LINES, 0, static_cast<GLsizei>(segments.vertices()));
    glDisableClientState(GL_VERTEX_ARRAY);
}

void GL_Plot2D::drawPlots()
{
    const PlotMapping map = plot.Mapping();
    lines.clear();
    AddLine(TPoint3D(plot.MinData.x, 0.0), TPoint3D(plot.MaxData.x, 0.0), map, lines);
    AddLine(TPoint3D(0.0, plot.MinData.y), TPoint3D(0.0, plot.MaxData.y), map, lines);
    glColor3f(0.0f, 0.0f, 0.0f);
    drawLines(lines);

    for (unsigned int i = 0; i < plot.getNumGraphs(); i++) {
        const TGraph& g = plot.Graph(i);
        if (!g.GetViewState()) continue;
        lines.clear();
        ReduceCurve(g.Points(), g.GetLength(), map, lines);
        const TPoint3D c = g.GetColor();
        glColor3d(c.x, c.y, c.z);
        drawLines(lines);
    }

    // The frame lies on the plot area's outermost pixels.
    glColor3f(0.0f, 0.0f, 0.7f);
    Outline(plot.width, plot.height, 0.5);
}

void GL_Plot2D::drawZoom()
{
    const PlotMapping map = plot.Mapping();
    const PlotPixel S = plot.world2view(plot.MouseFirstPoint);
    auto at = [&](int dx, int dy) { return plot.view2world(PlotPixel{S.x + dx, S.y + dy}); };

    glLineWidth(2.0f);
    glColor3f(1.0f, 0.0f, 0.0f);
    lines.clear();
    AddLine(plot.MouseFirstPoint, plot.MouseActualLocation, map, lines);
    drawLines(lines);

    glLineWidth(1.0f);
    glColor3f(1.0f, 0.55f, 0.3f);
    lines.clear();
    AddLine(at(30, 0), at(-30, 0), map, lines);
    AddLine(at(0, 30), at(0, -30), map, lines);
    drawLines(lines);

    const struct {
        int dx, dy;
        const char* text;
    } labels[] = {{2, -4, "zoom"}, {32, 2, "in (x)"}, {-60, 2, "out (x)"}, {-10, -32, "out (y)"}, {-10, 34, "in (y)"}};
    for (const auto& l : labels) {
        const TPoint3D p = at(l.dx, l.dy);
        Text(map.X(p.x), map.Y(p.y), l.text);
    }
    glLineWidth(1.0f);
}

void GL_Plot2D::drawGrid()
{
    glColor3f(0.5f, 0.5f, 0.5f);
    glLineWidth(0.5f);
    drawAcross(plot.GridX(), plot.GridY());
    glLineWidth(1.0f);
}

void GL_Plot2D::drawCrossHair()
{
    const TPoint3D p = plot.CrossHairPoint();
    glColor3f(0.0f, 0.0f, 0.5f);
    glLineWidth(2.0f);
    drawAcross({p.x}, {p.y});
    glLineWidth(1.0f);
}

void GL_Plot2D::drawAcross(const std::vector<double>& xs, const std::vector<double>& ys)
{
    const PlotMapping map = plot.Mapping();
    glBegin(GL_LINES);
    for (double x : xs) {
        glVertex2d(map.X(x), 0.0);
        glVertex2d(map.X(x), plot.height);
    }
    for (double y : ys) {
        glVertex2d(0.0, map.Y(y));
        glVertex2d(plot.width, map.Y(y));
    }
    glEnd();
}

void GL_Plot2D::drawTicks()
{
    const PlotMapping map = plot.Mapping();
    const int bottom = plot.DrawingBottom();
    glColor3f(0.0f, 0.0f, 0.0f);
    glLineWidth(1.0f);

    // Bottom margin: x as in the plot area, y from 0 (outer edge) to 1 (plot area).
    glViewport(plot.margin_left, bottom, plot.width, plot.margin_bottom);
    Ortho(0.0, plot.width, 0.0, 1.0);
    glBegin(GL_LINES);
    for (double x : plot.TicksX()) {
        glVertex2d(map.X(x), 0.8);
        glVertex2d(map.X(x), 1.0);
    }
    glEnd();
    for (const PlotLabel& l : plot.LabelsX()) Text(map.X(l.start), l.across, l.text);

    // Left margin: x from 0 (outer edge) to 1 (plot area), y as in the plot area.
    glViewport(0, bottom + plot.margin_bottom, plot.margin_left, plot.height);
    Ortho(0.0, 1.0, 0.0, plot.height);
    glBegin(GL_LINES);
    for (double y : plot.TicksY()) {
        glVertex2d(0.8, map.Y(y));
        glVertex2d(1.0, map.Y(y));
    }
    glEnd();
    for (const PlotLabel& l : plot.LabelsY()) Text(l.across, map.Y(l.start), l.text);

    PlotViewport();
}

void GL_Plot2D::drawBitmapText(const char*, float x, float y, float z)
{
    glTranslatef(x, y, z);
    glRasterPos3f(x, y, z);
}

void GL_Plot2D::drawBorders(TPoint3D color)
{
    if (!plot.SetViewPort()) return;
    const PlotPixel size = plot.MainViewPortSize;
    const int bottom = plot.DrawingBottom();
    glViewport(0, bottom, size.x, size.y);
    Ortho(0.0, size.x, 0.0, size.y);
    glColor3d(color.x, color.y, color.z);
    const double l = plot.margin_left, r = size.x - plot.margin_right;
    const double b = plot.margin_bottom, t = size.y - plot.margin_top;
    glRectd(0.0, 0.0, size.x, b);
    glRectd(0.0, t, size.x, size.y);
    glRectd(0.0, b, l, t);
    glRectd(r, b, size.x, t);
    PlotViewport();
}

void GL_Plot2D::drawTicks_OLD()
{
    if (!plot.SetViewPort()) return;
    PlotViewport();
    const PlotMapping map = plot.Mapping();
    const bool milliseconds = std::fabs(plot.Crop_max.x - plot.Crop_min.x) <= 1.0;
    xlabel = milliseconds ? "(ms)" : "(s)";
    glColor3f(0.0f, 0.0f, 0.0f);
    char text[64];
    for (double x : plot.TicksX()) {
        std::snprintf(text, sizeof text, "%1.2f", milliseconds ? 1000.0 * x : x);
        drawString(static_cast<float>(map.X(x)), 2.0f, 0.0f, text);
    }
    for (double y : plot.TicksY()) {
        std::snprintf(text, sizeof text, "%1.2f", y);
        drawString(2.0f, static_cast<float>(map.Y(y)), 0.0f, text);
    }
    drawString(plot.width - 30.0f, 12.0f, 0.0f, xlabel);
    drawString(2.0f, plot.height - 12.0f, 0.0f, "(Pa)");
}

void GL_Plot2D::drawTest()
{
    plot.MinData = TPoint3D(0.0, 0.0, 0.0);
    plot.MaxData = TPoint3D(plot.width, plot.height, 0.0);
    if (!plot.SetViewPort()) return;
    PlotViewport();
    glColor3f(0.0f, 0.0f, 1.0f);
    Outline(plot.width, plot.height, 1.0);
    glColor3f(1.0f, 0.0f, 0.0f);
    Outline(plot.width, plot.height, 10.0);
    const double points[5][2] = {{150, 100}, {250, 150}, {400, 250}, {10, 100}, {850, 250}};
    char text[64];
    for (const auto& p : points) {
        glBegin(GL_LINES);
        glVertex2d(p[0] - 3, p[1]);
        glVertex2d(p[0] + 3, p[1]);
        glVertex2d(p[0], p[1] - 3);
        glVertex2d(p[0], p[1] + 3);
        glEnd();
        std::snprintf(text, sizeof text, "(%1.2f,%1.2f)", p[0], p[1]);
        drawString(static_cast<float>(p[0]) + 4.0f, static_cast<float>(p[1]) + 4.0f, 0.0f, text);
    }
}

void GL_Plot2D::drawString(float x, float y, float, const std::string& text)
{
    Text(x, y, text);
}

void GL_Plot2D::mouseWheelMoved(wxMouseEvent& event)
{
    plot.WheelZoom(Pointer(event), event.GetWheelRotation());
    event.Skip();
}

void GL_Plot2D::mouseMoved(wxMouseEvent& event)
{
    plot.MouseMoved(Pointer(event), event.LeftIsDown(), event.MiddleIsDown(), event.RightIsDown());
    event.Skip();
}

void GL_Plot2D::mouseDown(wxMouseEvent& event)
{
    plot.MouseDown(Pointer(event));
    event.Skip();
}

void GL_Plot2D::mouseReleased(wxMouseEvent&) {}

void GL_Plot2D::startZoom(wxMouseEvent& event)
{
    plot.StartZoom(Pointer(event));
}

void GL_Plot2D::stopZoom(wxMouseEvent&)
{
    plot.StopZoom();
}

void GL_Plot2D::startPan(wxMouseEvent& event)
{
    plot.StartPan(Pointer(event));
}

void GL_Plot2D::stopPan(wxMouseEvent&)
{
    plot.StopPan();
}

void GL_Plot2D::viewExtent(wxMouseEvent&)
{
    plot.ViewExtent();
}

void GL_Plot2D::mouseLeftWindow(wxMouseEvent&) {}

void GL_Plot2D::resized(wxSizeEvent& event)
{
    const wxSize size = event.GetSize();
    const double scale = GetContentScaleFactor();
    plot.SetPixelScale(scale);
    plot.Resize(DevicePixels(size.x, scale), DevicePixels(size.y, scale));
    Refresh();
}

PlotPixel GL_Plot2D::Pointer(const wxMouseEvent& event) const
{
    const wxPoint p = event.GetPosition();
    return PlotPixel{DevicePixels(p.x, plot.PixelScale()), DevicePixels(p.y, plot.PixelScale())};
}

void GL_Plot2D::keyPressed(wxKeyEvent& event)
{
    event.Skip();
}

void GL_Plot2D::keyReleased(wxKeyEvent&) {}

void GL_Plot2D::render(wxPaintEvent&)
{
    // The paint context validates the region; the back buffer's old picture is undefined after
    // a swap, so an exposed canvas draws again.
    wxPaintDC dc(this);
    if (autoRedraw) draw();
}

void GL_Plot2D::OnIdle(wxIdleEvent&)
{
    if (autoRedraw && plot.NeedsRedraw()) draw();
}

// clang-format off
wxBEGIN_EVENT_TABLE(GL_Plot2D, wxGLCanvas)
    EVT_MOUSEWHEEL(GL_Plot2D::mouseWheelMoved)
    EVT_MOTION(GL_Plot2D::mouseMoved)
    EVT_LEFT_DOWN(GL_Plot2D::mouseDown)
    EVT_LEFT_UP(GL_Plot2D::mouseReleased)
    EVT_MIDDLE_DOWN(GL_Plot2D::startZoom)
    EVT_MIDDLE_UP(GL_Plot2D::stopZoom)
    EVT_RIGHT_DOWN(GL_Plot2D::startPan)
    EVT_RIGHT_UP(GL_Plot2D::stopPan)
    EVT_LEFT_DCLICK(GL_Plot2D::viewExtent)
    EVT_LEAVE_WINDOW(GL_Plot2D::mouseLeftWindow)
    EVT_SIZE(GL_Plot2D::resized)
    EVT_KEY_DOWN(GL_Plot2D::keyPressed)
    EVT_KEY_UP(GL_Plot2D::keyReleased)
    EVT_PAINT(GL_Plot2D::render)
    EVT_IDLE(GL_Plot2D::OnIdle)
wxEND_EVENT_TABLE()
    // clang-format on
