#pragma once
// Lines of the lost-ray file "LostRays.txt": where a ray left the room, its direction, its
// reflections and its source, "%1.2f %1.2f %1.2f %1.2f %1.2f %1.2f %d %d\n".

#include <string>
#include <string_view>

#include "geometry/TVector.h"

struct Raio_st;

// Appends the line of a lost ray (p, v, reflections) of source `source` (counted from 0);
// does not allocate when out has capacity.
void AppendLostRayLine(std::string& out, const Raio_st& ray, int source);
// The same from the values themselves (position, direction, reflection order, source).
void AppendLostRayLine(std::string& out, TPoint3D p, TVector v, int reflections, int source);

// Parses one line: exactly eight fields, a non-negative reflection count. Fills p, v (as
// written, not normalised) and reflections, and the source index; false leaves all unchanged.
[[nodiscard]] bool ParseLostRayLine(std::string_view line, Raio_st& ray, int& source);
