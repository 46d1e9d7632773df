#include "views/ViewControl.h"

#include <algorithm>
#include <cmath>

#include "views/ViewMath.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDegree = kPi / 180.0;

}  // namespace

void ViewControl::SetDefaultViewOptions()
{
    alpha = 225 * kDegree;
    beta = 40 * kDegree;
    fov = 0.5;
    g = 0.2;
    e = 40;
    d = 15.0 / 2.0 / std::tan(15 * kDegree);
    pan = TPoint3D(0, 0, 0);
    pintura = 1;
    ViewSinglePlane = 0;
    ViewTriangles = 0;
    activeplane = 0;
    activereceiver = 0;
}

void ViewControl::Zoom(bool InOut)
{
    d = ZoomedDistance(d, 4 * g * std::tan(0.5) / std::tan(fov), InOut);
}

void ViewControl::Pan(double dx_px, double dy_px)
{
    const OrbitFrame frame = OrbitCameraFrame(target, d, alpha, beta, e * g);
    const TPoint3D step = PanStep(target, frame, d, fov, height, dx_px, dy_px);
    pan += step;
    target += step;
}

void ViewControl::ForceFrameConstants()
{
    fov = 0.5;
    g = 0.2;
    e = 40;
}

void ViewControl::UpdateFrame()
{
    const OrbitFrame frame = OrbitCameraFrame(target, d, alpha, beta, std::max(e * g, reach));
    viewpt = frame.eye;
    Up = frame.up;
    df = frame.df;
    db = frame.db;
}

double ViewControl::FovyDegrees() const
{
    return fov * 180 / kPi;
}
