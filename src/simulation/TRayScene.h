#pragma once
// The room's planes flattened for tracing: per plane what the nearest-plane search and the
// reflection read (normal, first vertex, local frame, triangles already in that frame,
// material bands), and an optional bounding-volume hierarchy that only prunes candidates.
//
// The search reproduces the plain loop over the planes in index order exactly: the same
// intersection arithmetic, the same inside test, and the nearest plane with ties going to the
// lowest index. The hierarchy skips only planes whose inflated box the ray cannot reach before
// the best distance so far, so results do not depend on it. The scene is read-only while
// tracing; every thread brings its own TRaySceneStack.

#include <cmath>
#include <cstdint>
#include <vector>

#include "geometry/TPoint3D.h"
#include "geometry/TVector.h"

class TRoom;

// v / |v| as TVector::Normalize computes it (the line-plane intersection normalises so).
inline TVector UnitLike(TVector v)
{
    const double len = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return TVector(v.x / len, v.y / len, v.z / len);
}

struct TRaySceneStack {
    static constexpr unsigned kDepth = 64;
    uint32_t node[kDepth];
    double t[kDepth];  // entry distance of the node's box
};

class TRayScene {
public:
    // Planes with at least this many entries get the hierarchy when acceleration is asked for;
    // below it the plain loop is faster.
    static constexpr unsigned kMinPlanesForTree = 12;  // even: the small-room search takes planes in pairs
    static constexpr unsigned kLeafSize = 1;
    // Planes whose box has more than this share of the room box's area are kept out of the
    // tree (at most kMaxLarge of them).
    static constexpr double kLargeShare = 0.05;
    static constexpr unsigned kMaxLarge = 32;

    void Build(const TRoom& room, bool accelerate);
    // Whether the small-room search may use 256-bit registers where the processor has them
    // (the results are the same either way); takes effect at the next Build.
    void AllowWideSearch(bool allow) { wideAllowed_ = allow; }
    bool Accelerated() const { return !nodes_.empty() || !large_.empty(); }
    unsigned NumPlanes() const { return static_cast<unsigned>(planes_.size()); }

    // Nearest plane along v from p other than `skip` (-1: none): its index, the point X and
    // |X - p|; -1 when no plane counts.
    int Nearest(TPoint3D p, TVector v, int skip, TPoint3D& X, double& dist, TRaySceneStack& stack) const;
    // The same with vn = UnitLike(v) and P1 = p + vn computed by the caller.
    int Nearest(const TPoint3D& p, const TVector& v, const TVector& vn, const TPoint3D& P1, int skip, TPoint3D& X,
                double& dist, TRaySceneStack& stack) const
    {
        if (few_) return wide_ ? NearestFewWide(p, v, vn, P1, skip, X, dist) : NearestFew(p, v, vn, P1, skip, X, dist);
        return NearestAny(p, v, vn, P1, skip, X, dist, stack);
    }
    // 1 when no plane other than `skip` lies between p and recpos (compared as float distances).
    int Visible(TPoint3D p, TPoint3D recpos, int skip, TRaySceneStack& stack) const;
    // The inside test of plane P for a point of its plane (TPlane::Inner without the counter).
    bool Inside(unsigned P, TPoint3D X) const;

    struct Plane {
        TVector normal;
        TPoint3D vertex0;
        TPoint3D origem;
        double Mi[3][3];  // the plane's float frame matrix, exactly
        uint32_t firstTri = 0, numTri = 0;
        uint32_t firstPair = 0, numPair = 0;  // triangles two by two (see TriPair)
        bool testable = false;  // more than two vertices
        const float* abs = nullptr;  // NumBands absorption coefficients
        const float* dif = nullptr;  // NumBands scattering coefficients
        const float* keep = nullptr;  // NumBands factors 1 - abs, as the reflection computes them
        int layer = -1;              // plane layer index, -1 when outside the list
        double lo[3] = {}, hi[3] = {};  // inflated bounding box: holds every point Inside accepts
    };
    const Plane& plane(unsigned P) const { return planes_[P]; }

private:
    struct Tri {
        TPoint3D a, b, c;  // vertices in the plane's frame
        float den;         // their doubled 2D area
    };
    // Two triangles of a plane side by side, coordinate by coordinate, for the inside test of
    // both at once; den holds {den0, den1, den0, den1} (a missing second triangle has den 0).
    struct alignas(16) TriPair {
        double ax[2], ay[2], bx[2], by[2], cx[2], cy[2];
        float den[4];
    };
    struct Box {
        double lo[3], hi[3];
    };
    struct Node {
        Box box;
        uint32_t first;  // leaf: first entry of order_; inner: left child (right = first + 1)
        uint32_t count;  // leaf: number of planes; 0 for an inner node
    };
    // The inner nodes again, in depth-first order, each holding both children's boxes axis by
    // axis (lane = child) for one slab test of the two. A child reference is a leaf's
    // (first << 2) | count, or an inner node's index << 2.
    struct alignas(16) NodePair {
        double lo[3][2], hi[3][2];
        uint32_t child[2];
    };
    // What the intersection reads of a tree plane, in the order of order_.
    struct LeafPlane {
        TVector normal;
        TPoint3D vertex0;
    };
    static_assert(kLeafSize < 4, "leaf counts live in two bits");

    // Intersection of the line through p along v with plane P, as IntersectionLineAndPlane
    // computes it (vn = v normalised, P1 = p + vn); false when the plane is parallel, or the
    // point does not lie ahead of p, or when it clearly lies beyond `best`.
    bool Candidate(const Plane& pl, TPoint3D p, TVector v, TVector vn, TPoint3D P1, double best, TPoint3D& X,
                   double& dist) const;
    static bool CandidateOf(const TVector& normal, const TPoint3D& vertex0, const TPoint3D& p, const TVector& v,
                            const TVector& vn, const TPoint3D& P1, double best, TPoint3D& X, double& dist);
    // Whether the ray o + t dir (inv = 1 / dir) meets the box at some t >= 0 not beyond limit;
    // enter receives the entry distance.
    bool InsideAt(unsigned P, const TPoint3D& X) const;
    // Nearest for rooms of fewer than kMinPlanesForTree planes, and for all others.
    int NearestFew(const TPoint3D& p, const TVector& v, const TVector& vn, const TPoint3D& P1, int skip, TPoint3D& X,
                   double& dist) const;
    int NearestFewWide(const TPoint3D& p, const TVector& v, const TVector& vn, const TPoint3D& P1, int skip,
                       TPoint3D& X, double& dist) const;
    int PickInside(unsigned mask, const double* cd, const double* cx, const double* cy, const double* cz, TPoint3D& X,
                   double& dist) const;
    int NearestAny(TPoint3D p, TVector v, TVector vn, TPoint3D P1, int skip, TPoint3D& X, double& dist,
                   TRaySceneStack& stack) const;
    static bool Reach(const Box& b, const double o[3], const double inv[3], double limit, double& enter);
    void BuildNode(const std::vector<Box>& boxes, const std::vector<double>& centre, uint32_t self, uint32_t first,
                   uint32_t count);
    uint32_t PackNode(uint32_t self);  // appends node `self` and its subtree to pairs of nodes_


    std::vector<Plane> planes_;
    std::vector<Tri> tris_;
    std::vector<TriPair> pairs_;
    std::vector<float> keeps_;  // Plane::keep of every plane
    std::vector<Node> nodes_;
    std::vector<NodePair> packed_;
    uint32_t rootRef_ = 0;  // reference of nodes_[0] (see NodePair)
    std::vector<LeafPlane> leafPlanes_;
    std::vector<uint32_t> order_;  // tree planes, leaves hold ranges of it
    std::vector<uint32_t> large_;  // planes tested before the tree, in index order
    // Normals and first vertices by column, for rooms of fewer than kMinPlanesForTree planes.
    // Entries beyond the planes are zero (four spare ones: loads of four planes at once).
    struct alignas(32) FlatColumns {
        double nx[kMinPlanesForTree + 4], ny[kMinPlanesForTree + 4], nz[kMinPlanesForTree + 4];
        double ox[kMinPlanesForTree + 4], oy[kMinPlanesForTree + 4], oz[kMinPlanesForTree + 4];
    } flat_{};
    bool wideAllowed_ = true;
    bool wide_ = false;
    bool few_ = false;  // NearestFew serves every search
};
