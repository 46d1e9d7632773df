#pragma once
// The room designer's parametric room without its window: a front, a middle and a rear
// section along x, symmetric about y = 0, its materials, plane layers and planes, and the
// project text it hands over.

#include <array>
#include <string>
#include <vector>

#include "geometry/TPoint3D.h"

class TRoom;

// Lengths (x), widths (y) and heights (z) in metres, in the order of the designer's fields.
struct RoomDimensions {
    float L1 = 3, L = 4, L2 = 5;
    float W1 = 6, W = 8, W2 = 3;
    float H1 = 1, H = 5, H2 = 1.5f;
};

inline constexpr int kStandardRoomPlanes = 18;
inline constexpr int kStandardRoomVertices = 10;
// Corners of each quadrilateral: vertex k (from 1), or vertex k mirrored in y = 0 for -k.
extern const int kStandardRoomCorners[kStandardRoomPlanes][4];
// Plane layer of each quadrilateral: 0 "Walls", 1 "Floor", 2 "Ceiling".
extern const int kStandardRoomLayers[kStandardRoomPlanes];

// Field range and step of the dimensions.
inline constexpr double kMinDimension = 0.0, kMaxDimension = 1000.0;

std::array<TPoint3D, kStandardRoomVertices> StandardRoomVertices(const RoomDimensions& d);

// The three materials and the three plane layers with their colours and materials.
void AddStandardRoomLayers(TRoom& room);

// Replaces the room's planes by the 18 quadrilaterals of these vertices (the room cleans and
// triangulates each; degenerate ones keep fewer than three corners). Dimensions that fold the
// room make outlines that cannot be triangulated: their messages are not shown, since the
// designer rebuilds on every keystroke; the count of them is returned.
int BuildStandardRoomPlanes(TRoom& room, const std::array<TPoint3D, kStandardRoomVertices>& vertices);

// Writes the default setup, the plane layers, the planes and the materials of the room to
// `handOver`. Returns an empty string on success; otherwise the message, and `handOver` is
// left as it was.
std::string WriteStandardRoom(TRoom& room, const std::string& handOver);

// A field's text as the user types it ("C" locale, or a decimal comma); false when it is not
// a number within the field's range.
bool ParseDimension(const std::string& text, float& value);

// The designer's sketch: the room's outline seen from above (x, y) and from the side (x, z),
// closed polygons in metres.
struct Point2D {
    double x = 0, y = 0;
};
std::vector<Point2D> StandardRoomPlan(const RoomDimensions& d);
std::vector<Point2D> StandardRoomSection(const RoomDimensions& d);
