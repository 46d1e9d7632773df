#pragma once
// Rooms for the tests: the outlines (a shoebox, the shoebox with a strip floor, a hall with a
// coffered ceiling) and one way to give a room those planes with one material and one layer.

#include <vector>

#include "geometry/TPoint3D.h"

class TRoomModel;

namespace testsupport {

using Quad = std::vector<TPoint3D>;

// The six faces of an Lx x Ly x H box from the origin, normals outwards: floor, ceiling, then
// the walls y = 0, x = Lx, y = Ly, x = 0.
std::vector<Quad> ShoeboxQuads(double Lx, double Ly, double H);
// The shoebox with its floor cut into six strips along x: 11 planes, below the tree's size.
std::vector<Quad> StripFloorQuads(double Lx, double Ly, double H);
// Floor and walls of an Lx x Ly x H box whose ceiling is nx x ny coffers (border b, depth d):
// 5 + 9 nx ny planes, closed.
std::vector<Quad> CofferedHallQuads(double Lx, double Ly, double H, unsigned nx, unsigned ny, double b = 0.1,
                                    double d = 0.4);

// Gives an empty room the planes of `quads` on one layer "walls" of one material "wall"
// (absorption alpha and scattering dif in every band) and one source layer "S" (OMNI).
void BuildOneMaterialRoom(TRoomModel& room, const std::vector<Quad>& quads, float alpha, float dif);

}  // namespace testsupport
