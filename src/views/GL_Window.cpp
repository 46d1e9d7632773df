#include "views/GL_Window.h"

#include "views/GlutText.h"

#include <GL/freeglut.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>

#include <wx/dcclient.h>

#include "geometry/TPlane.h"
#include "room/TReceiver.h"
#include "room/TSource.h"
#include "simulation/Raio_st.h"
#include "simulation/TRoom.h"
#include "views/ModelScene.h"
#include "views/ViewAttributes.h"
#include "views/ViewGL.h"

using namespace model_scene;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDegree = kPi / 180.0;

void Color(const ViewColor& c)
{
    glColor3f(c[0], c[1], c[2]);
}
void Vertex(const TPoint3D& p)
{
    glVertex3d(p.x, p.y, p.z);
}

// Lines and text have no surface to light: they show their own colour.
class Unlit {
public:
    Unlit() { glDisable(GL_LIGHTING); }
    ~Unlit() { glEnable(GL_LIGHTING); }
};

std::size_t PlaneCount(const TRoom& room)
{
    return std::min<std::size_t>(room.NumPlanes, room.plane.size());
}

std::size_t TriangleCount(const TPlane& p)
{
    return std::min<std::size_t>(p.NumTriang, p.triangulo.size());
}

void TriangleLoops(const TPlane& p)
{
    for (std::size_t t = 0; t < TriangleCount(p); ++t) {
        glBegin(GL_LINE_LOOP);
        Vertex(p.triangulo[t].p0);
        Vertex(p.triangulo[t].p1);
        Vertex(p.triangulo[t].p2);
        glEnd();
    }
}

// The element's aiming direction, unlit.
void AimingLine(double azimDeg, double elevDeg)
{
    Unlit unlit;
    DrawAimingLine(azimDeg, elevDeg);
}

}  // namespace

wxBEGIN_EVENT_TABLE(GL_Window, wxGLCanvas) EVT_MOTION(GL_Window::mouseMoved) EVT_LEFT_DOWN(GL_Window::mouseDown)
    EVT_LEFT_UP(GL_Window::mouseReleased) EVT_RIGHT_DOWN(GL_Window::rightClick)
        EVT_LEAVE_WINDOW(GL_Window::mouseLeftWindow) EVT_SIZE(GL_Window::resized) EVT_KEY_DOWN(GL_Window::keyPressed)
            EVT_KEY_UP(GL_Window::keyReleased) EVT_MOUSEWHEEL(GL_Window::mouseWheelMoved)
                EVT_LEFT_DCLICK(GL_Window::viewExtent) EVT_PAINT(GL_Window::render) EVT_IDLE(GL_Window::OnIdle)
                    wxEND_EVENT_TABLE()

                        GL_Window::GL_Window(float c, wxWindow* parent, const wxGLAttributes& dispAttrs, wxWindowID id,
                                             const wxPoint& pos, const wxSize& size, long style, const wxString& name,
                                             const wxPalette& palette)
    : wxGLCanvas(parent, SupportedAttributes(dispAttrs), id, pos, size, style, name, palette), c_(c), rotate_(c),
      wID(id), m_context(std::make_unique<wxGLContext>(this))
{
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    GlutTextReady();  // the labels' bitmap text
}

GL_Window::~GL_Window()
{
    // Nothing is asked of the event loop: a preview freed with its dialog leaves the program
    // running.
    DeleteColors();
}

void GL_Window::SetRoom(TRoom* room)
{
    sala = room;
    UpdateColors();
}

void GL_Window::SetRoom(TRoom* room, ViewControl vctrl)
{
    sala = room;
    view = vctrl;
    UpdateColors();
}

void GL_Window::SetViewControl(ViewControl NewView)
{
    view = NewView;
}

void GL_Window::UpdateColors()
{
    DeleteColors();
    CreateColors();
    MarkDirty();
}

void GL_Window::CreateColors()
{
    colors = sala ? LayerColorTable(*sala) : std::vector<ViewColor>{};
    NumColors = static_cast<int>(colors.size());
}

void GL_Window::DeleteColors()
{
    colors.clear();
    NumColors = 0;
}

int GL_Window::getWidth() const
{
    return static_cast<int>(GetClientSize().GetWidth() * GetContentScaleFactor());
}

int GL_Window::getHeight() const
{
    return static_cast<int>(GetClientSize().GetHeight() * GetContentScaleFactor());
}

bool GL_Window::MakeCurrent()
{
    return IsShownOnScreen() && m_context && m_context->IsOK() && SetCurrent(*m_context);
}

bool GL_Window::NeedsRedraw() const
{
    if (!IsShownOnScreen()) return false;
    if (dirty_ || hiddenSinceDrawn_ || !(view == drawnView_)) return true;
    return sala && Fingerprint(*sala) != drawnRoom_;
}

bool GL_Window::RenderFrame()
{
    if (!MakeCurrent()) return false;
    AdjustView();
    if (view.DrawRoom && sala) {
        glViewport(0, 0, view.width, view.height);
        if (PlaneCount(*sala) > 0) {
            drawPlanes();
            drawContours();
            drawTriangles();
        }
        drawSources();
        drawReceivers();
        drawAxes();
        drawLostRays();
    }
    glFlush();
    drawnView_ = view;
    drawnRoom_ = sala ? Fingerprint(*sala) : 0;
    dirty_ = false;
    hiddenSinceDrawn_ = false;
    return true;
}

void GL_Window::draw()
{
    if (RenderFrame()) SwapBuffers();
}

// ---- Events ------------------------------------------------------------------------------

void GL_Window::mouseMoved(wxMouseEvent& event)
{
    const wxPoint pos = event.GetPosition();
    const int dx = pos.x - lastPos.x;
    const int dy = pos.y - lastPos.y;
    if (event.LeftIsDown()) {
        setXRotation(xRot - 2 * dy);
        setYRotation(yRot + 2 * dx);
    } else if (event.RightIsDown()) {
        // Mouse positions are in window units, the viewport in pixels: the room follows the
        // pointer on a scaled display too.
        const double scale = GetContentScaleFactor();
        setTranslation(static_cast<float>(dx * scale), static_cast<float>(dy * scale));
    }
    lastPos = pos;
    event.Skip();
}

void GL_Window::mouseDown(wxMouseEvent& event)
{
    lastPos = event.GetPosition();
    event.Skip();
}

void GL_Window::mouseWheelMoved(wxMouseEvent& event)
{
    view.Zoom(event.GetWheelRotation() > 0);
    event.Skip();
}

void GL_Window::mouseReleased(wxMouseEvent&) {}
void GL_Window::rightClick(wxMouseEvent& event)
{
    lastPos = event.GetPosition();  // the pan starts where the button went down
}
void GL_Window::mouseLeftWindow(wxMouseEvent&) {}
void GL_Window::keyPressed(wxKeyEvent&) {}
void GL_Window::keyReleased(wxKeyEvent&) {}
void GL_Window::OnMouseWheel(wxMouseEvent&) {}

void GL_Window::viewExtent(wxMouseEvent&)
{
    view.SetDefaultViewOptions();
    if (view.DrawRoom && sala)
        view.d = std::max(view.d, WholeRoomDistance(sala->GetMaxRoomLength(), view.fov, view.Aspect()));
}

void GL_Window::resized(wxSizeEvent&)
{
    initializeViewer(getWidth() - 5, getHeight() - 5);
    Refresh(false);
}

void GL_Window::render(wxPaintEvent&)
{
    wxPaintDC dc(this);  // the toolkit needs one in every paint handler
    if (autoRedraw_) draw();
}

void GL_Window::OnIdle(wxIdleEvent&)
{
    // A canvas shown again (its notebook page chosen) draws anew even when no paint event
    // comes: its window's contents are not kept while hidden.
    if (!IsShownOnScreen()) hiddenSinceDrawn_ = true;
    if (autoRedraw_ && NeedsRedraw()) draw();
}

void GL_Window::setXRotation(int angle)
{
    angle = NormalizeAngle(angle);
    if (angle != xRot) {
        xRot = angle;
        view.beta = angle / 60.0;
    }
}

void GL_Window::setYRotation(int angle)
{
    angle = NormalizeAngle(angle);
    if (angle != yRot) {
        yRot = angle;
        view.alpha = angle / 60.0;
    }
}

void GL_Window::setTranslation(float dx, float dy)
{
    view.Pan(dx, dy);
}

// ---- GL state and camera -----------------------------------------------------------------

void GL_Window::initializeViewer(int w, int h)
{
    view.width = w;
    view.height = h;
    if (MakeCurrent()) {
        glViewport(0, 0, w, h);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        const double aspect = h > 0 ? static_cast<double>(w) / h : 1.0;
        glFrustum(-aspect, aspect, -1, 1, 2, 100);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        ApplyViewGLState();
    }
    view.SetDefaultViewOptions();
}

void GL_Window::AdjustView()
{
    ApplyViewGLState();
    view.ForceFrameConstants();
    view.target = (view.DrawRoom && sala ? ViewTarget(*sala) : TPoint3D(0, 0, 0)) + view.pan;
    view.reach = view.DrawRoom && sala ? sala->GetMaxRoomLength() / 2.0 : 0.0;
    view.width = getWidth();
    view.height = getHeight();
    view.UpdateFrame();
    glViewport(0, 0, view.width, view.height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(view.FovyDegrees(), view.Aspect(), view.ZNear(), view.ZFar());
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(view.viewpt.x, view.viewpt.y, view.viewpt.z, view.target.x, view.target.y, view.target.z, view.Up.x,
              view.Up.y, view.Up.z);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void GL_Window::paintGL()
{
    if (MakeCurrent()) AdjustView();
}

void GL_Window::prepare3DViewport(int topleft_x, int topleft_y, int bottomrigth_x, int bottomrigth_y)
{
    glClearColor(1, 1, 1, 1);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_COLOR_MATERIAL);
    glViewport(topleft_x, topleft_y, bottomrigth_x - topleft_x, bottomrigth_y - topleft_y);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const int h = bottomrigth_y - topleft_y;
    const double ratio = h != 0 ? static_cast<double>(bottomrigth_x - topleft_x) / h : 1.0;
    gluPerspective(45, ratio, 0.1, 200);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void GL_Window::prepare2DViewport(int topleft_x, int topleft_y, int bottomrigth_x, int bottomrigth_y)
{
    glClearColor(1, 1, 1, 1);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glViewport(topleft_x, topleft_y, bottomrigth_x - topleft_x, bottomrigth_y - topleft_y);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(topleft_x, bottomrigth_x, bottomrigth_y, topleft_y);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// ---- The picture -------------------------------------------------------------------------

void GL_Window::drawPlanes()
{
    if (!sala || PlaneCount(*sala) == 0) return;
    glLineWidth(1);
    if (!view.pintura) return;
    if (view.ViewSinglePlane) {
        const TPlane* p = PlaneAt(*sala, view.activeplane);
        if (!p) return;
        const std::size_t n = TriangleCount(*p);
        glNormal3d(p->normal.x, p->normal.y, p->normal.z);
        for (std::size_t t = 0; t < n; ++t) {
            Color(SinglePlaneTriangleColor(colors, p->LayerID, static_cast<unsigned>(t), static_cast<unsigned>(n),
                                           view.ViewTriangles != 0));
            glBegin(GL_POLYGON);
            Vertex(p->triangulo[t].p0);
            Vertex(p->triangulo[t].p1);
            Vertex(p->triangulo[t].p2);
            glEnd();
        }
        // The normal starts at the first triangle's centroid: none without triangles.
        if (n > 0) {
            const TTriangle& first = p->triangulo[0];
            const TPoint3D c = (first.p0 + first.p1 + first.p2) * (1.0 / 3.0);
            Unlit unlit;
            glColor3f(1, 0, 0);
            glLineWidth(3);
            glBegin(GL_LINES);
            Vertex(c);
            glVertex3d(c.x + p->normal.x, c.y + p->normal.y, c.z + p->normal.z);
            glEnd();
            glLineWidth(1);
        }
        return;
    }
    for (std::size_t i = 0; i < PlaneCount(*sala); ++i) {
        const TPlane* p = sala->plane[i].get();
        if (!p) continue;
        const std::size_t n = TriangleCount(*p);
        Color(StoredLayerColor(*sala, p->LayerID));
        glNormal3d(p->normal.x, p->normal.y, p->normal.z);
        glBegin(GL_TRIANGLES);
        for (std::size_t t = 0; t < n; ++t) {
            Vertex(p->triangulo[t].p0);
            Vertex(p->triangulo[t].p1);
            Vertex(p->triangulo[t].p2);
        }
        glEnd();
        // An inner plane is seen from both sides (back faces are culled).
        if (!p->IsExternal) {
            glNormal3d(-p->normal.x, -p->normal.y, -p->normal.z);
            glBegin(GL_TRIANGLES);
            for (std::size_t t = 0; t < n; ++t) {
                Vertex(p->triangulo[t].p2);
                Vertex(p->triangulo[t].p1);
                Vertex(p->triangulo[t].p0);
            }
            glEnd();
        }
    }
}

void GL_Window::drawContours()
{
    if (!sala) return;
    Unlit unlit;
    glColor3f(0, 0, 0);
    for (std::size_t i = 0; i < PlaneCount(*sala); ++i) {
        const TPlane* p = sala->plane[i].get();
        if (!p || p->vertice.empty()) continue;
        glBegin(GL_LINE_LOOP);
        for (const TPoint3D& v : p->vertice) Vertex(v);
        glEnd();
    }
}

void GL_Window::drawTriangles()
{
    if (!sala || !view.ViewTriangles) return;
    Unlit unlit;
    if (view.ViewSinglePlane) {
        if (const TPlane* p = PlaneAt(*sala, view.activeplane)) TriangleLoops(*p);
        return;
    }
    for (std::size_t i = 0; i < PlaneCount(*sala); ++i)
        if (const TPlane* p = sala->plane[i].get()) TriangleLoops(*p);
}

void GL_Window::drawSources()
{
    if (!sala || !view.drawSources) return;
    const std::size_t n = std::min<std::size_t>(sala->NumSources, sala->source.size());
    for (std::size_t i = 0; i < n; ++i) {
        const TSource* s = sala->source[i].get();
        if (!s) continue;
        glColor4f(1, 0, 0, 1);
        glPushMatrix();
        glTranslated(s->Position.x, s->Position.y, s->Position.z);
        drawSphere(0.2, 20, 20);
        AimingLine(s->AzimRotation, s->ElevRotation);
        if (view.drawSourceIDs) {
            glColor3f(0, 0, 0);
            drawBitmapText(ElementLabel('S', static_cast<unsigned>(i)).c_str(), 0, 0, 0.3f);
        }
        glPopMatrix();
    }
}

void GL_Window::drawReceivers()
{
    if (!sala || !view.drawReceivers) return;
    const std::size_t n = std::min<std::size_t>(sala->NumReceivers, sala->receiver.size());
    for (std::size_t i = 0; i < n; ++i) {
        const TReceiver* r = sala->receiver[i].get();
        if (!r) continue;
        glColor4f(0, 1, 0, 0);
        glPushMatrix();
        glTranslated(r->Position.x, r->Position.y, r->Position.z);
        drawSphere(r->Radius, 20, 20);
        AimingLine(r->AzimRotation, r->ElevRotation);
        if (view.drawReceiverIDs) {
            glColor3f(0, 0, 0);
            drawBitmapText(ElementLabel('R', static_cast<unsigned>(i)).c_str(), 0, 0, static_cast<float>(r->Radius));
        }
        glPopMatrix();
    }
}

void GL_Window::drawAxes()
{
    glColor4f(0, 0, 1, 1);
    drawSphere(0.05, 20, 20);
    Unlit unlit;
    DrawAxisLines();
}

void GL_Window::drawLostRays()
{
    if (!sala || !ShowLostRays(*sala, view)) return;
    const float L = static_cast<float>(1.5 * sala->GetMaxRoomLength());
    const std::size_t n = std::min<std::size_t>(sala->NumLostRays, sala->lostRays.size());
    Unlit unlit;
    glLineWidth(2);
    glBegin(GL_LINES);
    for (std::size_t i = 0; i < n; ++i) {
        const Raio_st* ray = sala->lostRays[i].get();
        if (!ray) continue;
        Color(LostRayColor(ray->reflections, sala->MaxLostRaysRef));
        Vertex(ray->p);
        glVertex3d(ray->p.x + L * ray->v.x, ray->p.y + L * ray->v.y, ray->p.z + L * ray->v.z);
    }
    glEnd();
    glLineWidth(1);
}

void GL_Window::drawSphere(double r, int lats, int longs)
{
    for (int i = 0; i <= lats; ++i) {
        const double lat0 = kPi * (-0.5 + static_cast<double>(i - 1) / lats);
        const double z0 = std::sin(lat0), zr0 = std::cos(lat0);
        const double lat1 = kPi * (-0.5 + static_cast<double>(i) / lats);
        const double z1 = std::sin(lat1), zr1 = std::cos(lat1);
        glBegin(GL_QUAD_STRIP);
        for (int j = 0; j <= longs; ++j) {
            const double lng = 2 * kPi * static_cast<double>(j - 1) / longs;
            const double x = std::cos(lng), y = std::sin(lng);
            glNormal3d(x * zr0, y * zr0, z0);
            glVertex3d(r * x * zr0, r * y * zr0, r * z0);
            glNormal3d(x * zr1, y * zr1, z1);
            glVertex3d(r * x * zr1, r * y * zr1, r * z1);
        }
        glEnd();
    }
}

void GL_Window::drawBitmapText(const char* texto, float x, float y, float z)
{
    Unlit unlit;
    DrawBitmapText(texto, x, y, z);
}

void GL_Window::drawVector(TPoint3D A, TPoint3D B)
{
    const double length = std::sqrt((B.x - A.x) * (B.x - A.x) + (B.y - A.y) * (B.y - A.y) + (B.z - A.z) * (B.z - A.z));
    {
        Unlit unlit;
        glBegin(GL_LINES);
        Vertex(A);
        Vertex(B);
        glEnd();
    }
    glPushMatrix();
    glTranslated(B.x, B.y, B.z);
    glRotated(90, 0, 1, 0);
    glutSolidCone(length / 4, length / 2, 10, 20);
    glPopMatrix();
}

void GL_Window::drawCone(TPoint3D pos, TPoint3D, float R, float H, TPoint3D cor)
{
    glColor3d(cor.x, cor.y, cor.z);
    glPushMatrix();
    glTranslated(pos.x, pos.y, pos.z);
    glutSolidCone(R, H, 10, 20);
    glPopMatrix();
}
