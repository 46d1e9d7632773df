#include "console/ConsoleViewerGL.h"

#include <GL/freeglut.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "console/ConsoleViewer.h"
#include "geometry/ErrorHandler.h"
#include "geometry/TPlane.h"
#include "room/TReceiver.h"
#include "room/TSource.h"
#include "simulation/Raio_st.h"
#include "simulation/TRoom.h"
#include "views/ViewGL.h"

namespace {

ConsoleViewer* g_viewer = nullptr;
int g_exitStatus = -1;
bool g_snapshotDone = false;

void Color(const ViewerColor& col)
{
    glColor3f(col[0], col[1], col[2]);
}

void Vertex(const TPoint3D& p)
{
    glVertex3d(p.x, p.y, p.z);
}

void Triangle(const TTriangle& t)
{
    Vertex(t.p0);
    Vertex(t.p1);
    Vertex(t.p2);
}

std::size_t PlaneCount(const TRoom& room)
{
    return std::min<std::size_t>(room.NumPlanes, room.plane.size());
}

void DrawPlanes(ConsoleViewer& v, TRoom& room)
{
    if (v.pintura) {
        if (v.ViewSinglePlane) {
            if (TPlane* p = v.ActivePlane()) {
                glNormal3d(p->normal.x, p->normal.y, p->normal.z);
                for (unsigned t = 0; t < p->NumTriang && t < p->triangulo.size(); ++t) {
                    Color(v.ActiveTriangleColor(t));
                    glBegin(GL_POLYGON);
                    Triangle(p->triangulo[t]);
                    glEnd();
                }
                if (!p->triangulo.empty()) {
                    const TPoint3D s = p->triangulo[0].Center();
                    const TVector n = Normal(p->normal);
                    glColor3f(1, 0, 0);
                    glLineWidth(3);
                    glBegin(GL_LINES);
                    glVertex3f(static_cast<float>(s.x), static_cast<float>(s.y), static_cast<float>(s.z));
                    glVertex3f(static_cast<float>(s.x + n.x), static_cast<float>(s.y + n.y),
                               static_cast<float>(s.z + n.z));
                    glEnd();
                    glLineWidth(1);
                }
            }
        } else {
            for (std::size_t i = 0; i < PlaneCount(room); ++i) {
                const TPlane& p = *room.plane[i];
                Color(v.PlaneColor(p));
                glNormal3d(p.normal.x, p.normal.y, p.normal.z);
                glBegin(GL_TRIANGLES);
                for (unsigned t = 0; t < p.NumTriang && t < p.triangulo.size(); ++t) Triangle(p.triangulo[t]);
                glEnd();
            }
        }
    }

    if (v.ViewTriangles) {
        auto outline = [](const TPlane& p) {
            for (unsigned t = 0; t < p.NumTriang && t < p.triangulo.size(); ++t) {
                glBegin(GL_LINE_LOOP);
                Triangle(p.triangulo[t]);
                glEnd();
            }
        };
        if (v.ViewSinglePlane) {
            if (const TPlane* p = v.ActivePlane()) outline(*p);
        } else {
            for (std::size_t i = 0; i < PlaneCount(room); ++i) outline(*room.plane[i]);
        }
    }

    if (v.bgrcolor)
        glColor3f(1, 1, 1);
    else
        glColor3f(0, 0, 0);
    for (std::size_t i = 0; i < PlaneCount(room); ++i) {
        const TPlane& p = *room.plane[i];
        glBegin(GL_LINE_LOOP);
        for (unsigned k = 0; k < p.NumVert && k < p.vertice.size(); ++k) Vertex(p.vertice[k]);
        glEnd();
    }
}

void DrawElements(const ConsoleViewer& v, const TRoom& room)
{
    for (unsigned i = 0; i < room.NumReceivers && i < room.receiver.size(); ++i) {
        const TReceiver& r = *room.receiver[i];
        glColor4f(0, 1, 0, 0);
        glPushMatrix();
        glTranslated(r.Position.x, r.Position.y, r.Position.z);
        glutSolidSphere(r.Radius, 20, 20);
        DrawAimingLine(r.AzimRotation, r.ElevRotation);
        glColor3f(0, 0, 0);
        drawBitmapText(ElementLabel('R', i).c_str(), static_cast<float>(r.Position.x / v.d),
                       static_cast<float>(r.Position.y / v.d), static_cast<float>(r.Position.z / v.d + r.Radius));
        glPopMatrix();
    }
    for (unsigned i = 0; i < room.NumSources && i < room.source.size(); ++i) {
        const TSource& s = *room.source[i];
        glColor4f(1, 0, 0, 1);
        glPushMatrix();
        glTranslated(s.Position.x, s.Position.y, s.Position.z);
        glutSolidSphere(0.1, 20, 20);
        DrawAimingLine(s.AzimRotation, s.ElevRotation);
        glColor3f(0, 0, 0);
        drawBitmapText(ElementLabel('S', i).c_str(), static_cast<float>(s.Position.x / v.d),
                       static_cast<float>(s.Position.y / v.d), static_cast<float>(s.Position.z / v.d + 0.3));
        glPopMatrix();
    }
}

void DrawLostRays(const ConsoleViewer& v, TRoom& room)
{
    if (!v.RaysLoad || !v.DrawLostRays) return;
    const float L = static_cast<float>(1.5 * room.GetMaxRoomLength());
    glLineWidth(2);
    for (unsigned i = 0; i < room.NumLostRays && i < room.lostRays.size(); ++i) {
        const Raio_st& ray = *room.lostRays[i];
        const TPoint3D startRay = ray.p;
        const TPoint3D endRay(ray.p.x + L * ray.v.x, ray.p.y + L * ray.v.y, ray.p.z + L * ray.v.z);
        Color(LostRayColor(ray.reflections, room.MaxLostRaysRef));
        glBegin(GL_LINES);
        Vertex(startRay);
        Vertex(endRay);
        glEnd();
    }
}

void DrawOriginAndAxes()
{
    glColor4f(0, 0, 1, 1);
    glutSolidSphere(0.05, 20, 20);
    DrawAxisLines();
}

// The first frame as a PPM image, and where the sources and receivers lie in it.
void WriteSnapshot(const TRoom& room, const char* path)
{
    GLint viewport[4];
    GLdouble model[16], proj[16];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetDoublev(GL_MODELVIEW_MATRIX, model);
    glGetDoublev(GL_PROJECTION_MATRIX, proj);
    const int W = viewport[2], H = viewport[3];
    if (W <= 0 || H <= 0) return;

    std::vector<unsigned char> pixels(static_cast<std::size_t>(W) * H * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(viewport[0], viewport[1], W, H, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    if (std::FILE* img = std::fopen(path, "wb")) {
        std::fprintf(img, "P6\n%d %d\n255\n", W, H);
        for (int row = H - 1; row >= 0; --row)
            std::fwrite(&pixels[static_cast<std::size_t>(row) * W * 3], 1, static_cast<std::size_t>(W) * 3, img);
        std::fclose(img);
    }

    const std::string listing = std::string(path) + ".txt";
    if (std::FILE* txt = std::fopen(listing.c_str(), "w")) {
        auto place = [&](const std::string& label, const TPoint3D& p) {
            GLdouble x, y, z;
            if (gluProject(p.x, p.y, p.z, model, proj, viewport, &x, &y, &z) == GL_TRUE)
                std::fprintf(txt, "%s %.2f %.2f\n", label.c_str(), x - viewport[0], H - (y - viewport[1]));
        };
        for (unsigned i = 0; i < room.NumSources && i < room.source.size(); ++i)
            place(ElementLabel('S', i), room.source[i]->Position);
        for (unsigned i = 0; i < room.NumReceivers && i < room.receiver.size(); ++i)
            place(ElementLabel('R', i), room.receiver[i]->Position);
        std::fclose(txt);
    }
}

}  // namespace

void OpenGlInitialization(ConsoleViewer& viewer)
{
    g_viewer = &viewer;
    g_exitStatus = -1;
    g_snapshotDone = false;

    glutInitWindowSize(1024, 768);
    glutInitWindowPosition(10, 10);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutCreateWindow("SORVI VIEWER");
    // Closing the window returns from the main loop, so that the driver can free the room.
    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS);
    glutReshapeFunc(resize);
    glutDisplayFunc(display);
    glutKeyboardFunc(key);
    glutIdleFunc(idle);

    ApplyViewGLState();

    viewer.Initialize();
}

void resize(int width, int height)
{
    if (height <= 0) height = 1;
    const double ar = static_cast<double>(width) / height;
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-ar, ar, -1.0, 1.0, 2.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void display()
{
    if (!g_viewer || !g_viewer->Room()) return;
    ConsoleViewer& v = *g_viewer;
    TRoom& room = *v.Room();

    v.UpdateFrame();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(v.FovyDegrees(), v.Aspect(), v.ZNear(), v.ZFar());
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(v.o.x, v.o.y, v.o.z, v.c.x, v.c.y, v.c.z, v.Up.x, v.Up.y, v.Up.z);

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLineWidth(1);
    // The background chosen now shows from the next frame on.
    if (v.bgrcolor)
        glClearColor(0, 0, 0, 0);
    else
        glClearColor(1, 1, 1, 1);

    DrawPlanes(v, room);
    DrawElements(v, room);
    DrawLostRays(v, room);
    DrawOriginAndAxes();

    if (!g_snapshotDone) {
        g_snapshotDone = true;
        if (const char* path = std::getenv("SORVI_VIEWER_SNAPSHOT"); path && *path) WriteSnapshot(room, path);
    }
    glutSwapBuffers();
}

void key(unsigned char k, int, int)
{
    if (!g_viewer) return;
    try {
        if (g_viewer->Key(k) == ConsoleViewer::KeyAction::Quit) {
            g_exitStatus = 0;
            glutLeaveMainLoop();
            return;
        }
    } catch (const SorviExit& e) {
        // A fatal error of a room operation: the message is shown; end the loop with its status.
        g_exitStatus = e.Status();
        glutLeaveMainLoop();
        return;
    }
    std::fflush(stdout);
    display();
}

void idle()
{
    glutPostRedisplay();
}

void drawBitmapText(const char* texto, float x, float y, float z)
{
    DrawBitmapText(texto, x, y, z);
}

int ViewerExitStatus()
{
    return g_exitStatus;
}
