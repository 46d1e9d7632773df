#pragma once
// What the console viewer and the desktop's 3D view compute alike, without a GL call: the orbit
// camera's frame, the zoom step, the colours of plane layers and lost rays, and the labels of
// sources and receivers. Each view keeps its own defaults and step sizes.

#include <array>
#include <string>
#include <vector>

#include "geometry/TPoint3D.h"
#include "geometry/TVector.h"

class TRoom;

using ViewColor = std::array<float, 3>;  // red, green, blue in 0..1

// One frame of the orbit camera: the eye, the up vector and the depth bounds.
struct OrbitFrame {
    TPoint3D eye;
    TVector up;
    double df = 0;  // near-plane offset: the near plane lies at distance - df
    double db = 0;  // far bound: the far plane lies at distance + db
};

// The camera `distance_m` from `target`, at `azimuth` and `elevation` (radians), looking at the
// target. The far bound reaches the corner of a box `margin_m` larger than the target's
// coordinates; the near plane stays in front of the eye. The up vector is at right angles to
// the line of sight, so the picture does not flip when the elevation passes 90 degrees.
OrbitFrame OrbitCameraFrame(const TPoint3D& target, double distance_m, double azimuth, double elevation,
                            double margin_m);

// The distance after one zoom step of `step_m` towards the target (`in`) or away from it.
// It stays positive: a step that would reach the target halves the distance instead.
double ZoomedDistance(double distance_m, double step_m, bool in);

// The move of the camera's target, metres, for a pointer drag of (dx, dy) pixels (x to the
// right, y downward) over a view `height_px` tall with the vertical field of view `fov`: the
// picture moves with the pointer, a point at the target's depth staying under it.
TPoint3D PanStep(const TPoint3D& target, const OrbitFrame& frame, double distance_m, double fov, int height_px,
                 double dx_px, double dy_px);

// The camera distance from which a room whose bounding box has the diagonal `diagonal_m` is
// seen whole through the vertical field of view `fov` at the aspect width / height.
double WholeRoomDistance(double diagonal_m, double fov, double aspect);

// One colour per plane layer of the room: its stored colour / 255, or, for a layer without a
// colour (-1), a colour derived from its index.
std::vector<ViewColor> LayerColorTable(const TRoom& room);

// Row `layer` of a colour table; grey for an index the table does not have.
ViewColor TableColor(const std::vector<ViewColor>& table, int layer);

// A lost ray with `reflections` reflections when the most reflected lost ray had
// `maxReflections`: red, salmon or crimson by the reflection count, darker as it was
// reflected more; never so light that it fades into the white background.
ViewColor LostRayColor(unsigned reflections, int maxReflections);

// The label of source or receiver `index` (from 0): prefix, then index + 1 in two digits at
// least ("S01", "R12", "S100").
std::string ElementLabel(char prefix, unsigned index);
