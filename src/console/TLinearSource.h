#pragma once
// A sound source spread along a polyline, modelled as a row of equally spaced point sources
// from its first vertex to its last. Only the positions of the point sources are set.

#include <vector>

#include "geometry/TPoint3D.h"
#include "room/TSource.h"

// Largest number of point sources one line source makes.
constexpr int kMaxLinearPointSources = 1 << 20;

class TLinearSource {
public:
    // No point sources.
    TLinearSource() = default;
    // N default point sources (none for N <= 0).
    explicit TLinearSource(int N);

    // Frees the point sources; NumPointSources becomes 0.
    void Destroy();

    // NumNewSources point sources along the NumVert vertices of lista (one vertex: a single
    // source there). Returns the number of point sources, or 0 when the request is refused
    // (no vertex, a count below 1 or above kMaxLinearPointSources; the line source is then
    // unchanged). Two equal consecutive vertices end the process with status 1.
    int Create(int NumVert, const TPoint3D* lista, int NumNewSources);
    // As many point sources as the spacing (metres, > 0) allows: L / spacing + 1, spread to
    // reach the last vertex.
    int Create(int NumVert, const TPoint3D* lista, float DistEntreFontes);

    int NumPointSources = 0;
    std::vector<TSource> src;  // NumPointSources entries

private:
    // Segment lengths of the polyline; ends the process on a repeated vertex.
    static std::vector<double> SegmentLengths(int NumVert, const TPoint3D* lista);
    void Place(int NumVert, const TPoint3D* lista, const std::vector<double>& length, int N);
};
