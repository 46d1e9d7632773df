#pragma once
// The 3D model view's camera and drawing options: a plain record that the main window and the
// room designer write directly, with the camera's defaults, zoom and per-frame arithmetic.

#include "geometry/TPoint3D.h"
#include "geometry/TVector.h"

class ViewControl {
public:
    bool DrawRoom = false;      // draw the room at all; when false the view only clears
    double alpha = 0;           // camera azimuth, radians
    double beta = 0;            // camera elevation, radians
    double fov = 0.5;           // vertical field of view, radians
    double g = 0.2;             // zoom step factor; with e, the depth margin
    double e = 40;              // depth margin factor (e g = 8 m)
    double d = 1;               // camera distance from the target, metres (always > 0)
    TPoint3D target;            // point looked at: the room's centre moved by pan
    TPoint3D pan;               // move of the target from the room's centre, metres (right drag)
    TPoint3D viewpt;            // eye position
    TVector Up;                 // camera up vector
    int width = 0, height = 0;  // viewport, pixels
    int pintura = 1;            // fill the planes
    int ViewSinglePlane = 0;    // show only the active plane
    int ViewTriangles = 0;      // outline the triangles; in single-plane mode also shade them
    int activeplane = 0;
    int activeTriangle = 0;  // not read by the view
    int activereceiver = 0;  // not read by the view
    int DrawLostRays = 0;
    bool drawSources = true;
    bool drawReceivers = true;
    bool drawSourceIDs = true;
    bool drawReceiverIDs = true;
    double reach = 0;  // half the room's diagonal, metres: the depth bounds reach around the room
    double df = 0;     // near-plane offset, computed on every frame
    double db = 0;     // far bound, computed on every frame

    // Azimuth 225 and elevation 40 degrees, field of view 0.5 rad, distance 15 / 2 / tan 15
    // degrees, no pan; planes filled, single-plane and triangle modes off, plane 0 and receiver
    // 0 active. Leaves DrawRoom, activeTriangle, DrawLostRays and the draw... flags alone.
    void SetDefaultViewOptions();
    // One wheel notch towards the target (InOut) or away from it: 4 g tan 0.5 / tan fov metres
    // (0.8 m with the defaults). The distance stays positive: a notch that would reach the
    // target halves it instead.
    void Zoom(bool InOut);

    // A right drag of (dx, dy) pixels (x to the right, y downward): the picture follows the
    // pointer (see PanStep), from the camera of the last frame.
    void Pan(double dx_px, double dy_px);

    // The camera's fixed constants, forced on every frame.
    void ForceFrameConstants();
    // Eye, up vector and depth bounds from target, distance and angles.
    void UpdateFrame();
    double FovyDegrees() const;
    double Aspect() const { return height > 0 ? static_cast<double>(width) / height : 1.0; }
    double ZNear() const { return d - df; }
    double ZFar() const { return d + db; }

    bool operator==(const ViewControl&) const = default;
};
