#pragma once
// Grouping of one time block of early arrivals by direction (the last step of the clustering of
// early reflections). Positions 0 .. NE-1 are the block's arrivals in block order; the result
// lists the groups in order of creation, each holding its members in block order.
//
// GroupDirections decides exactly as GroupDirectionsAllPairs, which forms and sorts the angle
// of every pair, but compares cosines wherever a cosine decides the same way and computes the
// angle only near the boundary, and it only sorts the pairs the placement can reach.

#include <utility>
#include <vector>

#include "geometry/TDirection.h"
#include "geometry/TVector.h"

// Buffers kept between blocks so that grouping allocates nothing once they have grown.
struct TDirectionGroupsWork {
    std::vector<TVector> unit;       // direction as the angle computation forms it
    std::vector<double> nx, ny, nz;  // the same, normalised, for cosines
    std::vector<double> rowMax, rowMin;
    struct Pair {
        float dist;
        int i, j;
    };
    std::vector<Pair> pairs;
    std::vector<int> groupOf;
    std::vector<TVector> centre;
    std::vector<double> cx, cy, cz;  // normalised centres
    std::vector<char> stale;
    std::vector<int> staleList;  // the groups stale, each once
    std::vector<double> cosine;
    struct Near {
        int i, j;
        double cosine;
    };
    std::vector<Near> near;                                // pairs that may be an arrival's first
    std::vector<int> cellOf, cellStart, cellFill, byCell;  // arrivals by cell of a coarse grid
};

using TDirectionGroupList = std::vector<std::vector<int>>;

// Needs NE >= 2. No group at all when the strongest factor belongs to no pair (no factor is
// positive and none is 0).
TDirectionGroupList GroupDirections(const TDirection* dir, const float* fatordist, unsigned NE,
                                    TDirectionGroupsWork& work);
TDirectionGroupList GroupDirectionsAllPairs(const TDirection* dir, const float* fatordist, unsigned NE);
