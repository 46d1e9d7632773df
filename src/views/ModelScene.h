#pragma once
// What the 3D model view draws, decided without a GL call: which plane is active, the fill
// colours, whether lost rays are shown, where the camera looks, the mouse's drag angles, and a
// fingerprint of everything drawn so that the view redraws only after a change.

#include <cstdint>
#include <vector>

#include "views/ViewMath.h"

class TRoom;
class TPlane;
class ViewControl;

namespace model_scene {

// Plane `index` of the room, or null when the room has no such plane.
const TPlane* PlaneAt(const TRoom& room, int index);

// Fill of a plane in the all-planes picture: its layer's stored colour / 255; a layer without a
// colour (or a plane without a valid layer) is black.
ViewColor StoredLayerColor(const TRoom& room, int layer);

// Fill of triangle t of the active plane in single-plane mode: its layer's row of the table,
// shaded from dark to that colour, (t + 1) / (triangles + 1), when `shade` is set.
ViewColor SinglePlaneTriangleColor(const std::vector<ViewColor>& table, int layer, unsigned t, unsigned triangles,
                                   bool shade);

// The lost rays are drawn when asked for, present, and no run (TRoom::SimulationActive) is
// replacing them.
bool ShowLostRays(const TRoom& room, const ViewControl& view);

// The point the camera looks at: the room's centre, refreshed unless a run is going.
TPoint3D ViewTarget(TRoom& room);

// A drag angle in degrees brought into 0..360 (360 itself stays).
int NormalizeAngle(int degrees);

// Changes whenever something the view draws changes (geometry, layers, colours, elements,
// lost rays, run state); cheap enough to take on every idle event.
std::uint64_t Fingerprint(const TRoom& room);

}  // namespace model_scene
