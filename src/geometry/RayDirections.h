#pragma once
// Launch directions: a geodesic grid of 10 n^2 + 2 unit vectors on a subdivided icosahedron,
// fixed in room coordinates (the first vertex points along +z).

#include <cstdint>
#include <vector>

#include "geometry/TVector.h"

// Subdivision order n for a requested ray count N: the nearest whole number to
// sqrt((N - 2) / 10) with integer division first; never below 1 (counts under 12 give the
// twelve vertices).
unsigned RayGridOrder(uint32_t NumberOfRays);
// 10 n^2 + 2 for that order: the count a source's rays are brought to.
uint32_t RayGridCount(uint32_t NumberOfRays);
// Number of directions FillRayDirections writes for a count: 10 n^2 + 2 with
// n = floor(sqrt((N - 2) / 10)) (a count between two grid counts gives the smaller grid),
// at least 12.
uint32_t RayDirectionCount(double NumberOfRays);

// Writes RayDirectionCount(NumberOfRays) directions from index 0; RaysDir must hold that many.
// Returns the count written.
uint32_t FillRayDirections(double NumberOfRays, TVector* RaysDir);
std::vector<TVector> MakeRayDirections(double NumberOfRays);

// The point of the great circle from A towards B (unit vectors) whose angle to A is t/k of
// the angle between them.
TVector SphericalStep(TVector A, TVector B, int t, int k);
