#pragma once
// The rules of the Geometry page's plane section, without the toolkit: which plane is active
// and which item of the layer choice stands for a plane's layer.

namespace PlaneSection {

// The active plane kept within the room's planes (0 without planes).
int ClampActivePlane(int activePlane, unsigned numPlanes);
// The plane of a 1-based spin value, kept within the room's planes.
int PlaneOfSpin(int spinValue, unsigned numPlanes);
// The choice item of a plane's layer; -1 (no selection) for an index outside the layer list.
int LayerItem(int layerId, unsigned numLayers);

}  // namespace PlaneSection
