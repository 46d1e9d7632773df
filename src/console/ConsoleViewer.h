#pragma once
// The console model viewer without its drawing: the orbit camera around the room's centre, the
// drawing options, the colours of plane layers, sources' lost rays and triangles, and what each
// key does to the view and to the room. ConsoleViewerGL draws from this state.

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "geometry/TPoint3D.h"
#include "geometry/TVector.h"
#include "views/ViewMath.h"

class TRoom;
class TPlane;

using ViewerColor = ViewColor;

class ConsoleViewer {
public:
    // The viewer shows the driver's room and may delete it (quit key).
    explicit ConsoleViewer(std::unique_ptr<TRoom>& room);

    // The initial camera from the room: azimuth 57 and elevation 39 degrees around the room's
    // centre, at the distance that shows 1.1 times the room's diagonal in 30 degrees.
    void SetCamera();
    // Drawing options and the colour table of the plane layers (built once).
    void Initialize();

    // Eye, up vector and depth bounds of the next frame.
    void UpdateFrame();
    double FovyDegrees() const;
    double Aspect() const { return static_cast<double>(w) / h; }
    double ZNear() const { return d - df; }
    double ZFar() const { return d + db; }

    enum class KeyAction { Redraw, Quit };
    // One key press (case-sensitive). Quit: the room has been deleted.
    KeyAction Key(unsigned char key);

    // Row `layer` of the colour table; grey for a plane without a valid layer.
    ViewerColor LayerColor(int layer) const;
    // Fill colour of a plane in the all-planes picture: its layer's, violet when not external.
    ViewerColor PlaneColor(const TPlane& plane) const;
    // Fill colour of triangle t of the active plane in the single-plane picture.
    ViewerColor ActiveTriangleColor(unsigned t) const;
    // The active plane, or null when the room has no plane.
    TPlane* ActivePlane() const;

    TRoom* Room() const { return room_.get(); }

    // Camera: azimuth a and elevation b (radians) around c, distance d (metres), depth margin
    // factor e, vertical field of view f (radians), zoom step factor g, aspect w / h.
    double a = 0, b = 0;
    TPoint3D c;
    double d = 1, e = 40, f = 0.5, g = 0.2;
    int w = 10, h = 10;
    // Derived on every frame: eye, up vector, near-plane offset and far bound.
    TPoint3D o;
    TVector Up;
    double df = 0, db = 0;

    int pintura = 1;          // fill the planes
    int bgrcolor = 0;         // black background, white outlines
    int ViewSinglePlane = 0;  // only the active plane
    int ViewTriangles = 0;    // outline the triangles
    int activeplane = 0;
    int activetriangle = 0;  // stepped by 'y'; nothing draws it
    int RaysLoad = 0;        // the lost rays were read once
    int DrawLostRays = 0;
    std::vector<ViewerColor> colors;

private:
    void StepPlane(int step);
    void RunSimulation();
    // The distance one zoom key moves the camera.
    double ZoomStep() const;

    std::unique_ptr<TRoom>& room_;
};
