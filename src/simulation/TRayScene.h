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
//
// Watertight: a ray aimed at an edge or a corner may find every plane's point a rounding
// outside its polygon. When a nearer candidate fails its inside test within edgeSlack of a
// triangle's edge, or no plane counts at all, Watertight decides (see there); the ordinary
// result stands otherwise, so only rays that would slip through an edge change.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

// The searches are written for x86-64 (SSE2 always, 256-bit registers where the processor has
// them) with GCC or clang; there is no portable fallback to keep in step.
#if !defined(__x86_64__) || !defined(__SSE2__) || !defined(__GNUC__)
#error "the ray scene needs x86-64 with GCC or clang"
#endif
#include <immintrin.h>

#include "geometry/TPoint3D.h"
#include "geometry/TVector.h"

class TRoom;

// The small-room search on 256-bit registers where the processor has them.

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

class alignas(64) TRayScene {  // read by every tracing thread: on cache lines of its own
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
    // Whether Nearest is NearestWide: at most eight planes and a processor with 256-bit
    // registers. NearestWide is inlined into callers compiled for them.
    bool WideSmall() const { return few_ && wide_ && planes_.size() <= 8; }
    __attribute__((target("avx"))) inline int NearestWide(const TPoint3D& p, const TVector& v, const TVector& vn,
                                                          const TPoint3D& P1, int skip, TPoint3D& X,
                                                          double& dist) const;
    // A search's ray: p, v, vn = UnitLike(v), P1 = p + vn and the plane to skip.
    struct WideRayIn {
        const TPoint3D& p;
        const TVector& v;
        const TVector& vn;
        const TPoint3D& P1;
        int skip;
    };
    // The same ray by value, for the rare paths: built only there, so that the usual path
    // keeps the ray in registers.
    struct RayCopy {
        TPoint3D p;
        TVector v, vn;
        TPoint3D P1;
        int skip;
    };
    static RayCopy CopyOf(const WideRayIn& r) { return RayCopy{r.p, r.v, r.vn, r.P1, r.skip}; }
    // NearestWide for two rays at once (their searches overlap): the results of the first
    // ray in X0, dist0, returned in P0, those of the second in X1, dist1, returned in P1.
    __attribute__((target("avx"), always_inline)) inline void NearestWide2(const WideRayIn& r0, const WideRayIn& r1,
                                                                           int& P0, TPoint3D& X0, double& dist0,
                                                                           int& P1, TPoint3D& X1, double& dist1) const;
    // 1 when no plane other than `skip` lies between p and recpos (compared as float distances).
    int Visible(TPoint3D p, TPoint3D recpos, int skip, TRaySceneStack& stack) const;
    // Visible's first tests in a small room (few_ and wide_), four planes at a time with
    // Candidate's arithmetic lane for lane: a bit per plane other than `skip` that is not
    // parallel to v, meets the line ahead of p and not clearly beyond `best`. Only those
    // planes can block; Candidate decides them.
    __attribute__((target("avx"))) unsigned CandidateLanes(const TPoint3D& p, const TVector& v, const TPoint3D& P1,
                                                           int skip, double best) const;
    // The inside test of plane P for a point of its plane (TPlane::Inner without the counter).
    bool Inside(unsigned P, TPoint3D X) const;

    struct Plane {
        TVector normal;
        TPoint3D vertex0;
        TPoint3D origem;
        double Mi[3][3];  // the plane's float frame matrix, exactly
        uint32_t firstTri = 0, numTri = 0;
        uint32_t firstPair = 0, numPair = 0;  // triangles two by two (see TriPair)
        bool testable = false;                // more than two vertices
        const float* abs = nullptr;           // NumBands absorption coefficients
        const float* dif = nullptr;           // NumBands scattering coefficients
        const float* keep = nullptr;          // NumBands factors 1 - abs, as the reflection computes them
        int layer = -1;                       // plane layer index, -1 when outside the list
        double lo[3] = {}, hi[3] = {};        // inflated bounding box: holds every point Inside accepts
    };
    const Plane& plane(unsigned P) const { return planes_[P]; }

    // Four planes from column entry P on: the candidates' squared distances (+inf for the
    // others, and for plane `skip`), the squared distances, the points and the distances D
    // along vn (the point is p + vn * D, lane by lane).
    struct WideLanes {
        __m256d key, d2, x, y, z, D;
    };
    struct WideRay {
        __m256d vx, vy, vz, px, py, pz, qx, qy, qz, ux, uy, uz;
        const double* skipped = nullptr;  // the lanes of plane `skip` (all bits set), from column entry 0 on
    };
    // Row s + 1 marks lane s (row 0 none), for `skip` from -1 to kMinPlanesForTree - 1.
    struct SkipLanes {
        alignas(32) double row[kMinPlanesForTree + 1][kMinPlanesForTree];
    };
    static const SkipLanes kSkipLanes;
    // The lanes of D alone (see QuickFound).
    __attribute__((target("avx"), always_inline)) static __m256d QuickTerms(const double* const cols[6], unsigned P,
                                                                            const WideRay& r)
    {
        const __m256d zero = _mm256_setzero_pd(), inf = _mm256_set1_pd(HUGE_VAL);
        const __m256d nx = _mm256_loadu_pd(cols[0] + P), ny = _mm256_loadu_pd(cols[1] + P),
                      nz = _mm256_loadu_pd(cols[2] + P);
        const __m256d ox = _mm256_loadu_pd(cols[3] + P), oy = _mm256_loadu_pd(cols[4] + P),
                      oz = _mm256_loadu_pd(cols[5] + P);
        const __m256d nv =
            _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(nx, r.vx), _mm256_mul_pd(ny, r.vy)), _mm256_mul_pd(nz, r.vz));
        const __m256d po = _mm256_add_pd(
            _mm256_add_pd(_mm256_mul_pd(nx, _mm256_sub_pd(r.px, ox)), _mm256_mul_pd(ny, _mm256_sub_pd(r.py, oy))),
            _mm256_mul_pd(nz, _mm256_sub_pd(r.pz, oz)));
        const __m256d p1 = _mm256_add_pd(
            _mm256_add_pd(_mm256_mul_pd(nx, _mm256_sub_pd(r.qx, ox)), _mm256_mul_pd(ny, _mm256_sub_pd(r.qy, oy))),
            _mm256_mul_pd(nz, _mm256_sub_pd(r.qz, oz)));
        const __m256d D = _mm256_div_pd(po, _mm256_sub_pd(po, p1));
        // den == 0 needs no test here: D is then +inf (a plane that does not count), -inf or
        // a NaN (which fail D > 0).
        __m256d ok = _mm256_cmp_pd(nv, zero, _CMP_NEQ_UQ);
        ok = _mm256_and_pd(ok, _mm256_cmp_pd(D, zero, _CMP_GT_OQ));
        ok = _mm256_andnot_pd(_mm256_load_pd(r.skipped + P), ok);
        // D (positive) where ok, +inf elsewhere (maxpd takes its second operand for a NaN).
        return _mm256_max_pd(D, _mm256_andnot_pd(ok, inf));
    }
    // The eight planes' lanes of one ray and their least key.
    struct WideFound {
        WideLanes a, b;
        double s;
    };
    __attribute__((target("avx"), always_inline)) inline WideFound
    WideFind(const TPoint3D& p, const TVector& v, const TVector& vn, const TPoint3D& P1, int skip) const;
    __attribute__((target("avx"), always_inline)) inline int WidePick(const WideFound& f, const WideRayIn& r,
                                                                      TPoint3D& X, double& dist) const;
    // The usual search of at most eight planes: the steps D along vn alone pick the plane, and
    // only its point and squared distance are made, when no other plane comes near it (see
    // QuickPick); otherwise WideFull, every lane as WideTerms makes it.
    struct QuickFound {
        __m256d a, b;  // D where the plane may count (D > 0, den != 0, n * v != 0, not skip), +inf elsewhere
        double least;
    };
    __attribute__((target("avx"), always_inline)) inline QuickFound QuickFind(const TPoint3D& p, const TVector& v,
                                                                              const TPoint3D& P1, int skip) const;
    __attribute__((target("avx"), always_inline)) inline void QuickFind2Six(const WideRayIn& r0, const WideRayIn& r1,
                                                                            QuickFound& f0, QuickFound& f1) const;
    __attribute__((target("avx"), always_inline)) inline int QuickPick(const QuickFound& f, const WideRayIn& r,
                                                                       TPoint3D& X, double& dist) const;
    __attribute__((target("avx"), noinline)) int WideFull(const RayCopy& r, TPoint3D& X, double& dist) const;
    // WidePick's rare path: every candidate to PickInOrder.
    // (The lanes come by value: the usual path then keeps them in registers.)
    __attribute__((target("avx"), noinline)) int WidePickInOrder(__m256d keyA, __m256d keyB, __m256d DA, __m256d DB,
                                                                 const RayCopy& r, TPoint3D& X, double& dist) const;
    __attribute__((target("avx"), always_inline)) static WideRay
    WideRayOf(const TPoint3D& p, const TVector& v, const TVector& vn, const TPoint3D& P1, int skip)
    {
        WideRay r{_mm256_set1_pd(v.x),  _mm256_set1_pd(v.y),  _mm256_set1_pd(v.z),  _mm256_set1_pd(p.x),
                  _mm256_set1_pd(p.y),  _mm256_set1_pd(p.z),  _mm256_set1_pd(P1.x), _mm256_set1_pd(P1.y),
                  _mm256_set1_pd(P1.z), _mm256_set1_pd(vn.x), _mm256_set1_pd(vn.y), _mm256_set1_pd(vn.z)};
        // skip + 1 in [0, kMinPlanesForTree] (skip from -1 on), else row 0.
        const unsigned row = static_cast<unsigned>(skip) + 1u;
        r.skipped = kSkipLanes.row[row <= kMinPlanesForTree ? row : 0];
        return r;
    }
    // Four planes' n.v, distance of the ray's start (n.(p - o)) and that less the one of its
    // second point.
    struct WideDots {
        __m256d nv, po, den;
    };
    __attribute__((target("avx"), always_inline)) static WideDots WidePlaneDots(const double* const cols[6], unsigned P,
                                                                                const WideRay& r)
    {
        const __m256d nx = _mm256_loadu_pd(cols[0] + P), ny = _mm256_loadu_pd(cols[1] + P),
                      nz = _mm256_loadu_pd(cols[2] + P);
        const __m256d ox = _mm256_loadu_pd(cols[3] + P), oy = _mm256_loadu_pd(cols[4] + P),
                      oz = _mm256_loadu_pd(cols[5] + P);
        WideDots d;
        d.nv = _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(nx, r.vx), _mm256_mul_pd(ny, r.vy)), _mm256_mul_pd(nz, r.vz));
        d.po = _mm256_add_pd(
            _mm256_add_pd(_mm256_mul_pd(nx, _mm256_sub_pd(r.px, ox)), _mm256_mul_pd(ny, _mm256_sub_pd(r.py, oy))),
            _mm256_mul_pd(nz, _mm256_sub_pd(r.pz, oz)));
        const __m256d p1 = _mm256_add_pd(
            _mm256_add_pd(_mm256_mul_pd(nx, _mm256_sub_pd(r.qx, ox)), _mm256_mul_pd(ny, _mm256_sub_pd(r.qy, oy))),
            _mm256_mul_pd(nz, _mm256_sub_pd(r.qz, oz)));
        d.den = _mm256_sub_pd(d.po, p1);
        return d;
    }
    __attribute__((target("avx"), always_inline)) static WideLanes WideTerms(const double* const cols[6], unsigned P,
                                                                             const WideRay& r)
    {
        const __m256d zero = _mm256_setzero_pd(), inf = _mm256_set1_pd(HUGE_VAL);
        const WideDots dots = WidePlaneDots(cols, P, r);
        const __m256d nv = dots.nv, po = dots.po, dn = dots.den;
        // Same strict signs of distPo and den: once D = distPo / den > 0 holds, that is den != 0
        // (a positive quotient has a non-zero dividend of the divisor's sign; NaNs fail D > 0).
        __m256d ok = _mm256_cmp_pd(dn, zero, _CMP_NEQ_OQ);
        ok = _mm256_and_pd(ok, _mm256_cmp_pd(nv, zero, _CMP_NEQ_UQ));
        const __m256d D = _mm256_div_pd(po, dn);
        ok = _mm256_and_pd(ok, _mm256_cmp_pd(D, zero, _CMP_GT_OQ));
        WideLanes out;
        out.D = D;
        out.x = _mm256_add_pd(r.px, _mm256_mul_pd(r.ux, D));
        out.y = _mm256_add_pd(r.py, _mm256_mul_pd(r.uy, D));
        out.z = _mm256_add_pd(r.pz, _mm256_mul_pd(r.uz, D));
        const __m256d rx = _mm256_sub_pd(out.x, r.px), ry = _mm256_sub_pd(out.y, r.py), rz = _mm256_sub_pd(out.z, r.pz);
        const __m256d dot =
            _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(rx, r.vx), _mm256_mul_pd(ry, r.vy)), _mm256_mul_pd(rz, r.vz));
        ok = _mm256_and_pd(ok, _mm256_cmp_pd(dot, zero, _CMP_GT_OQ));
        // The squared distance: its root stays below kFar exactly while it is finite. Once
        // dot > 0 holds, no component of X - p is a NaN, so d2 is not: an infinite d2 is
        // already the key of a plane that does not count.
        out.d2 = _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(rx, rx), _mm256_mul_pd(ry, ry)), _mm256_mul_pd(rz, rz));
        ok = _mm256_andnot_pd(_mm256_load_pd(r.skipped + P), ok);
        // d2 where ok (not a NaN there, and not below +0), +inf elsewhere (maxpd takes its
        // second operand when the first is a NaN).
        out.key = _mm256_max_pd(out.d2, _mm256_andnot_pd(ok, inf));
        return out;
    }

private:
    struct Tri {
        TPoint3D a, b, c;  // vertices in the plane's frame
        float den;         // their doubled 2D area
    };
    // Two triangles of a plane side by side, coordinate by coordinate, for the inside test of
    // both at once; den holds {den0, den1, den0, den1} (a missing second triangle has den 0).
    // The products of the areas' terms that do not involve the point are made once: bxcy =
    // bx * cy, bycx = by * cx, aycx = ay * cx, axcy = ax * cy, ab = ax * by - ay * bx; nz has
    // bit l set when triangle l's den is not zero.
    struct alignas(16) TriPair {
        double ax[2], ay[2], bx[2], by[2], cx[2], cy[2];
        double bxcy[2], bycx[2], aycx[2], axcy[2], ab[2];
        float den[4];
        int nz;
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

    // TPlane::Area2D, term for term.
    static float Area2D(const TPoint3D& A, const TPoint3D& B, const TPoint3D& C)
    {
        return static_cast<float>(A.x * B.y - A.y * B.x + A.y * C.x - A.x * C.y + B.x * C.y - B.y * C.x);
    }
    // x / den >= 0 without dividing when the signs decide it: a quotient of two non-zero
    // numbers of one sign is positive, +0 or +inf; zeros, NaNs and opposite signs (which may
    // underflow to -0) take the division itself.
    static bool NonNegativeQuotient(float x, float den)
    {
        if ((x > 0 && den > 0) || (x < 0 && den < 0)) return true;
        return x / den >= 0;
    }

    // Intersection of the line through p along v with plane P, as IntersectionLineAndPlane
    // computes it (vn = v normalised, P1 = p + vn); false when the plane is parallel, or the
    // point does not lie ahead of p, or when it clearly lies beyond `best`.
    bool Candidate(const Plane& pl, TPoint3D p, TVector v, TVector vn, TPoint3D P1, double best, TPoint3D& X,
                   double& dist) const;
    static bool CandidateOf(const TVector& normal, const TPoint3D& vertex0, const TPoint3D& p, const TVector& v,
                            const TVector& vn, const TPoint3D& P1, double best, TPoint3D& X, double& dist);
    // Whether the ray o + t dir (inv = 1 / dir) meets the box at some t >= 0 not beyond limit;
    // enter receives the entry distance.
    // InsideAt: Inside for a point of the plane; Boxed rejects points outside the plane's
    // inflated box before the triangles.
    template <bool Boxed = true> bool InsideAt(unsigned P, const TPoint3D& X) const;
    // Nearest for rooms of fewer than kMinPlanesForTree planes, and for all others.
    int NearestFew(const TPoint3D& p, const TVector& v, const TVector& vn, const TPoint3D& P1, int skip, TPoint3D& X,
                   double& dist) const;
    int NearestFewWide(const TPoint3D& p, const TVector& v, const TVector& vn, const TPoint3D& P1, int skip,
                       TPoint3D& X, double& dist) const;
    // The usual pick: the first lane of `equal` (those holding the least squared distance s)
    // when no other lane is `close` to s and it holds its point; -1 otherwise, and the
    // candidates go to PickInOrder.
    // Boxed: the bounding-box check first (the wide path leaves it out: the nearest candidate
    // usually holds its point, and the box never decides the answer).
    template <bool Boxed = true>
    __attribute__((always_inline)) int PickFirst(unsigned equal, unsigned close, double s, const double* cx,
                                                 const double* cy, const double* cz, TPoint3D& X, double& dist) const
    {
        const unsigned m = static_cast<unsigned>(__builtin_ctz(equal));
        if (close != (1u << m)) return -1;
        const TPoint3D Xm(cx[m], cy[m], cz[m]);
        if (!InsideAt<Boxed>(m, Xm)) return -1;
        X = Xm;
        dist = std::sqrt(s);
        return static_cast<int>(m);
    }
    int PickInside(const WideRayIn& r, unsigned mask, unsigned lanes, const double* ck, const double* cd,
                   const double* cx, const double* cy, const double* cz, TPoint3D& X, double& dist) const;
    int PickInOrder(const RayCopy& r, unsigned mask, const double* cd, const double* cx, const double* cy,
                    const double* cz, TPoint3D& X, double& dist) const;
    // Whether X (a point of plane P's plane) lies within edgeSlack_ of an edge of one of P's
    // triangles, measured in the plane's frame.
    bool NearEdge(unsigned P, const TPoint3D& X) const;
    // The search's answer once a nearer candidate failed near an edge, or none counted (found
    // -1): the nearest plane whose point lies near an edge of it and before found's distance
    // by more than edgeGap_ (the ray slipped through that edge); else found. With nothing
    // ahead at all, a plane whose surface the ray starts on, within edgeSlack_ (a corner left
    // by rounding on its outer side), reflecting the ray where it stands.
    int Watertight(const RayCopy& r, int found, TPoint3D& X, double& dist) const;
    int Corner(const RayCopy& r, int W, TPoint3D& X, double& dist) const;
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
    // Columns of planes 4 and 5 twice over (QuickFind2Six), for rooms of at most six planes.
    struct alignas(32) SixColumns {
        double nx[4], ny[4], nz[4], ox[4], oy[4], oz[4];
    } six_{};
    bool upToSix_ = false;    // at most six planes: NearestWide2 takes QuickFind2Six
    double edgeSlack_ = 0.0;  // metres: far above the rounding of an intersection, far below any real gap
    double edgeGap_ = 0.0;    // metres
    // Planes met within tieNear_ of the ray's start (metres) meet it at one corner, wherever
    // the others are; tieNear2_ bounds their squared distances.
    double tieNear_ = 0.0, tieNear2_ = 0.0;
    double tieNearQuick_ = 0.0;  // QuickPick's bound on D for tieNear2_
    bool wideAllowed_ = true;
    bool wide_ = false;
    bool few_ = false;  // NearestFew serves every search
};

template <bool Boxed> inline bool TRayScene::InsideAt(unsigned P, const TPoint3D& X) const
{
    const Plane& pl = planes_[P];
    if (!pl.testable) return false;
    // Outside the inflated box the inside test cannot succeed (see Build).
    if (Boxed &&
        (X.x < pl.lo[0] || X.x > pl.hi[0] || X.y < pl.lo[1] || X.y > pl.hi[1] || X.z < pl.lo[2] || X.z > pl.hi[2]))
        return false;
    // MudaBase term for term, its first two rows: the 2D test reads no third coordinate.
    const double ex = X.x - pl.origem.x, ey = X.y - pl.origem.y, ez = X.z - pl.origem.z;
    const TPoint3D Q(pl.Mi[0][0] * ex + pl.Mi[0][1] * ey + pl.Mi[0][2] * ez,
                     pl.Mi[1][0] * ex + pl.Mi[1][1] * ey + pl.Mi[1][2] * ez, 0.0);
    // Two triangles at once, Area2D term for term in each lane; the quotients in float as
    // Inner2D divides them. A triangle of zero area never holds the point.
    const __m128d qx = _mm_set1_pd(Q.x), qy = _mm_set1_pd(Q.y);
    const __m128 zero = _mm_setzero_ps();
    // Area2D(A, B, C) term by term: s = t1 - t2 + t3 - t4 + t5 - t6, from the left; the terms
    // without the point come from the pair.
    auto sum = [](__m128d t1, __m128d t2, __m128d t3, __m128d t4, __m128d t5, __m128d t6) {
        return _mm_cvtpd_ps(_mm_sub_pd(_mm_add_pd(_mm_sub_pd(_mm_add_pd(_mm_sub_pd(t1, t2), t3), t4), t5), t6));
    };
    for (uint32_t k = pl.firstPair; k < pl.firstPair + pl.numPair; ++k) {
        const TriPair& tp = pairs_[k];
        const __m128d ax = _mm_load_pd(tp.ax), ay = _mm_load_pd(tp.ay), bx = _mm_load_pd(tp.bx),
                      by = _mm_load_pd(tp.by), cx = _mm_load_pd(tp.cx), cy = _mm_load_pd(tp.cy);
        const __m128 den = _mm_load_ps(tp.den);
        // Area2D(Q, B, C), Area2D(A, Q, C), Area2D(A, B, Q).
        const __m128 aq = sum(_mm_mul_pd(qx, by), _mm_mul_pd(qy, bx), _mm_mul_pd(qy, cx), _mm_mul_pd(qx, cy),
                              _mm_load_pd(tp.bxcy), _mm_load_pd(tp.bycx));
        const __m128 bq = sum(_mm_mul_pd(ax, qy), _mm_mul_pd(ay, qx), _mm_load_pd(tp.aycx), _mm_load_pd(tp.axcy),
                              _mm_mul_pd(qx, cy), _mm_mul_pd(qy, cx));
        __m128d a2d = _mm_add_pd(_mm_load_pd(tp.ab), _mm_mul_pd(ay, qx));
        a2d = _mm_sub_pd(a2d, _mm_mul_pd(ax, qy));
        a2d = _mm_add_pd(a2d, _mm_mul_pd(bx, qy));
        a2d = _mm_sub_pd(a2d, _mm_mul_pd(by, qx));
        const __m128 a01 = _mm_movelh_ps(aq, bq);
        const __m128 a2 = _mm_cvtpd_ps(a2d);
        const int m01 = _mm_movemask_ps(_mm_cmpge_ps(_mm_div_ps(a01, den), zero));
        const int m2 = _mm_movemask_ps(_mm_cmpge_ps(_mm_div_ps(a2, den), zero));
        // Bit l: triangle l of the pair holds the point.
        const int all = m01 & (m01 >> 2) & m2 & tp.nz;
        if (all & 3) return true;
    }
    return false;
}

// Up to eight planes in two registers (entries beyond the planes are never candidates): the
// least square and the first lane holding it without branches, as PickInside.
__attribute__((target("avx"), always_inline)) inline TRayScene::WideFound
TRayScene::WideFind(const TPoint3D& p, const TVector& v, const TVector& vn, const TPoint3D& P1, int skip) const
{
    const double* const cols[6] = {flat_.nx, flat_.ny, flat_.nz, flat_.ox, flat_.oy, flat_.oz};
    const WideRay r = WideRayOf(p, v, vn, P1, skip);
    WideFound f;
    f.a = WideTerms(cols, 0, r);
    f.b = WideTerms(cols, 4, r);
    const __m256d both = _mm256_min_pd(f.a.key, f.b.key);
    __m128d least = _mm_min_pd(_mm256_castpd256_pd128(both), _mm256_extractf128_pd(both, 1));
    least = _mm_min_pd(least, _mm_unpackhi_pd(least, least));
    f.s = _mm_cvtsd_f64(least);
    return f;
}

__attribute__((target("avx"))) inline int TRayScene::NearestWide(const TPoint3D& p, const TVector& v, const TVector& vn,
                                                                 const TPoint3D& P1, int skip, TPoint3D& X,
                                                                 double& dist) const
{
    return QuickPick(QuickFind(p, v, P1, skip), WideRayIn{p, v, vn, P1, skip}, X, dist);
}

__attribute__((target("avx"), always_inline)) inline TRayScene::QuickFound
TRayScene::QuickFind(const TPoint3D& p, const TVector& v, const TPoint3D& P1, int skip) const
{
    const double* const cols[6] = {flat_.nx, flat_.ny, flat_.nz, flat_.ox, flat_.oy, flat_.oz};
    const WideRay r = WideRayOf(p, v, v, P1, skip);
    QuickFound f;
    f.a = QuickTerms(cols, 0, r);
    f.b = QuickTerms(cols, 4, r);
    const __m256d both = _mm256_min_pd(f.a, f.b);
    __m128d least = _mm_min_pd(_mm256_castpd256_pd128(both), _mm256_extractf128_pd(both, 1));
    least = _mm_min_pd(least, _mm_unpackhi_pd(least, least));
    f.least = _mm_cvtsd_f64(least);
    return f;
}

// The plane of the least D is the plane of the least squared distance, and no other plane is
// close to it (the usual pick of WidePick), when every other candidate's D exceeds the least
// by a millionth and the least is not below 1e-7 of the start's largest coordinate: |X - p|
// is then D to within about 1e-8 of it, whatever the rounding of X. Its point and squared
// distance are made as WideTerms makes them; a plane that fails there, or a near tie, goes to
// WideFull.
__attribute__((target("avx"), always_inline)) inline int TRayScene::QuickPick(const QuickFound& f, const WideRayIn& r,
                                                                              TPoint3D& X, double& dist) const
{
    const double Dm = f.least;
    if (!(Dm < HUGE_VAL)) return Watertight(CopyOf(r), -1, X, dist);  // no candidate
    const __m256d near = _mm256_set1_pd(std::max(Dm * (1.0 + 1e-6), tieNearQuick_));
    const unsigned close = static_cast<unsigned>(_mm256_movemask_pd(_mm256_cmp_pd(f.a, near, _CMP_LE_OQ))) |
                           static_cast<unsigned>(_mm256_movemask_pd(_mm256_cmp_pd(f.b, near, _CMP_LE_OQ))) << 4;
    const unsigned m = static_cast<unsigned>(__builtin_ctz(close));
    const double far = std::max(std::max(std::fabs(r.p.x), std::fabs(r.p.y)), std::fabs(r.p.z));
    if (close == (1u << m) && Dm >= 1e-7 * far + 1e-30) {
        const TPoint3D Xm(r.p.x + r.vn.x * Dm, r.p.y + r.vn.y * Dm, r.p.z + r.vn.z * Dm);
        const double rx = Xm.x - r.p.x, ry = Xm.y - r.p.y, rz = Xm.z - r.p.z;
        const double dot = rx * r.v.x + ry * r.v.y + rz * r.v.z;
        const double d2 = rx * rx + ry * ry + rz * rz;
        if (dot > 0 && d2 < HUGE_VAL && InsideAt<false>(m, Xm)) {
            X = Xm;
            dist = std::sqrt(d2);
            return static_cast<int>(m);
        }
    }
    return WideFull(CopyOf(r), X, dist);
}

// QuickFind of two rays in a room of at most six planes: planes 4 and 5 of both rays share
// one register (lanes: ray 0's planes 4, 5, ray 1's planes 4, 5), each lane's arithmetic that
// of QuickTerms; lanes 6 and 7 (planes that are not there) are +inf, as QuickTerms makes them.
__attribute__((target("avx"), always_inline)) inline void
TRayScene::QuickFind2Six(const WideRayIn& r0, const WideRayIn& r1, QuickFound& f0, QuickFound& f1) const
{
    const double* const cols[6] = {flat_.nx, flat_.ny, flat_.nz, flat_.ox, flat_.oy, flat_.oz};
    const WideRay a = WideRayOf(r0.p, r0.v, r0.v, r0.P1, r0.skip);
    const WideRay b = WideRayOf(r1.p, r1.v, r1.v, r1.P1, r1.skip);
    f0.a = QuickTerms(cols, 0, a);
    f1.a = QuickTerms(cols, 0, b);
    // Columns 4, 5, 4, 5 and the two rays' skipped lanes there.
    const double* const sixCols[6] = {six_.nx, six_.ny, six_.nz, six_.ox, six_.oy, six_.oz};
    alignas(32) double skipped[4];
    _mm256_store_pd(skipped, _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_load_pd(a.skipped + 4)),
                                                  _mm_load_pd(b.skipped + 4), 1));
    WideRay m;
    m.vx = _mm256_blend_pd(a.vx, b.vx, 0xC);
    m.vy = _mm256_blend_pd(a.vy, b.vy, 0xC);
    m.vz = _mm256_blend_pd(a.vz, b.vz, 0xC);
    m.px = _mm256_blend_pd(a.px, b.px, 0xC);
    m.py = _mm256_blend_pd(a.py, b.py, 0xC);
    m.pz = _mm256_blend_pd(a.pz, b.pz, 0xC);
    m.qx = _mm256_blend_pd(a.qx, b.qx, 0xC);
    m.qy = _mm256_blend_pd(a.qy, b.qy, 0xC);
    m.qz = _mm256_blend_pd(a.qz, b.qz, 0xC);
    m.skipped = skipped;
    const __m256d mixed = QuickTerms(sixCols, 0, m);
    const __m256d inf = _mm256_set1_pd(HUGE_VAL);
    f0.b = _mm256_blend_pd(mixed, inf, 0xC);
    f1.b = _mm256_permute2f128_pd(mixed, inf, 0x31);
    for (QuickFound* f : {&f0, &f1}) {
        const __m256d both = _mm256_min_pd(f->a, f->b);
        __m128d least = _mm_min_pd(_mm256_castpd256_pd128(both), _mm256_extractf128_pd(both, 1));
        least = _mm_min_pd(least, _mm_unpackhi_pd(least, least));
        f->least = _mm_cvtsd_f64(least);
    }
}

__attribute__((target("avx"), always_inline)) inline void TRayScene::NearestWide2(const WideRayIn& r0,
                                                                                  const WideRayIn& r1, int& P0,
                                                                                  TPoint3D& X0, double& dist0, int& P1,
                                                                                  TPoint3D& X1, double& dist1) const
{
    QuickFound f0, f1;
    if (upToSix_) {
        QuickFind2Six(r0, r1, f0, f1);
    } else {
        f0 = QuickFind(r0.p, r0.v, r0.P1, r0.skip);
        f1 = QuickFind(r1.p, r1.v, r1.P1, r1.skip);
    }
    P0 = QuickPick(f0, r0, X0, dist0);
    P1 = QuickPick(f1, r1, X1, dist1);
}

__attribute__((target("avx"), always_inline)) inline int TRayScene::WidePick(const WideFound& f, const WideRayIn& r,
                                                                             TPoint3D& X, double& dist) const
{
    const WideLanes& a = f.a;
    const WideLanes& b = f.b;
    const double s = f.s;
    if (!(s < HUGE_VAL)) return Watertight(CopyOf(r), -1, X, dist);  // no candidate
    // A plane met within 3e-12 of it or near the start (an edge or a corner) leaves the choice
    // to PickInOrder.
    const __m256d sv = _mm256_set1_pd(s), near = _mm256_set1_pd(std::max(s * (1.0 + 3e-12), tieNear2_));
    const unsigned equal = static_cast<unsigned>(_mm256_movemask_pd(_mm256_cmp_pd(a.key, sv, _CMP_EQ_OQ))) |
                           static_cast<unsigned>(_mm256_movemask_pd(_mm256_cmp_pd(b.key, sv, _CMP_EQ_OQ))) << 4;
    const unsigned close = static_cast<unsigned>(_mm256_movemask_pd(_mm256_cmp_pd(a.key, near, _CMP_LE_OQ))) |
                           static_cast<unsigned>(_mm256_movemask_pd(_mm256_cmp_pd(b.key, near, _CMP_LE_OQ))) << 4;
    // The usual pick (PickFirst without the box check): only the chosen lane's point is
    // made again, as WideTerms makes it; the other lanes' points are not kept.
    const unsigned m = static_cast<unsigned>(__builtin_ctz(equal));
    if (close == (1u << m)) {
        alignas(32) double D[8];
        _mm256_store_pd(D, a.D);
        _mm256_store_pd(D + 4, b.D);
        const double Dm = D[m];
        const TPoint3D Xm(r.p.x + r.vn.x * Dm, r.p.y + r.vn.y * Dm, r.p.z + r.vn.z * Dm);
        if (InsideAt<false>(m, Xm)) {
            X = Xm;
            dist = std::sqrt(s);
            return static_cast<int>(m);
        }
    }
    return WidePickInOrder(a.key, b.key, a.D, b.D, CopyOf(r), X, dist);
}
