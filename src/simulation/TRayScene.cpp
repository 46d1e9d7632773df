#include "simulation/TRayScene.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

#include <immintrin.h>

#include "geometry/GeoMath.h"
#include "geometry/TPlane.h"
#include "room/TMaterial.h"
#include "simulation/Raio_st.h"
#include "simulation/TRoom.h"

namespace {

constexpr float kSceneNoLoss[MAX_NUMBANDS + 1] = {};
constexpr double kSceneFar = 1.7976931348623158e307;

// Slack of the pruning tests: far above the rounding of the distances compared.
inline double Limit(double best)
{
    return best * (1.0 + 1e-9) + 1e-9;
}

// Planes met within this factor of the nearest distance meet the ray at one edge or corner
// (rounding alone apart them); kTie2 for squared distances, with room to spare.
constexpr double kTie = 1.0 + 1e-12;
constexpr double kTie2 = 1.0 + 3e-12;

// The small-room candidates: for every plane (columns nx, ny, nz, ox, oy, oz, zero beyond n)
// the intersection terms, lane for lane the arithmetic of the scalar search: the squared
// distance cd (its root is the distance) and the point (cx, cy, cz), and a bit per plane whose
// step is positive, whose point lies ahead and within kSceneFar. Two planes per step.
__attribute__((always_inline)) inline unsigned FlatTermsPairs(const double* const cols[6], unsigned n, int skip,
                                                              const TPoint3D& p, const TVector& v, const TVector& vn,
                                                              const TPoint3D& P1, double* ck, double* cd, double* cx,
                                                              double* cy, double* cz)
{
    const __m128d vx = _mm_set1_pd(v.x), vy = _mm_set1_pd(v.y), vz = _mm_set1_pd(v.z);
    const __m128d px = _mm_set1_pd(p.x), py = _mm_set1_pd(p.y), pz = _mm_set1_pd(p.z);
    const __m128d qx = _mm_set1_pd(P1.x), qy = _mm_set1_pd(P1.y), qz = _mm_set1_pd(P1.z);
    const __m128d ux = _mm_set1_pd(vn.x), uy = _mm_set1_pd(vn.y), uz = _mm_set1_pd(vn.z);
    const __m128d zero = _mm_setzero_pd(), inf = _mm_set1_pd(HUGE_VAL);
    const __m128d skipped = _mm_set1_pd(skip), step = _mm_set1_pd(2.0);
    __m128d lane = _mm_set_pd(1.0, 0.0);
    unsigned mask = 0;
    for (unsigned P = 0; P < n; P += 2) {
        const __m128d nx = _mm_load_pd(cols[0] + P), ny = _mm_load_pd(cols[1] + P), nz = _mm_load_pd(cols[2] + P);
        const __m128d ox = _mm_load_pd(cols[3] + P), oy = _mm_load_pd(cols[4] + P), oz = _mm_load_pd(cols[5] + P);
        const __m128d nv = _mm_add_pd(_mm_add_pd(_mm_mul_pd(nx, vx), _mm_mul_pd(ny, vy)), _mm_mul_pd(nz, vz));
        const __m128d po =
            _mm_add_pd(_mm_add_pd(_mm_mul_pd(nx, _mm_sub_pd(px, ox)), _mm_mul_pd(ny, _mm_sub_pd(py, oy))),
                       _mm_mul_pd(nz, _mm_sub_pd(pz, oz)));
        const __m128d p1 =
            _mm_add_pd(_mm_add_pd(_mm_mul_pd(nx, _mm_sub_pd(qx, ox)), _mm_mul_pd(ny, _mm_sub_pd(qy, oy))),
                       _mm_mul_pd(nz, _mm_sub_pd(qz, oz)));
        const __m128d dn = _mm_sub_pd(po, p1);
        // Same strict signs of distPo and den, a plane not parallel to the ray. Once D =
        // distPo / den > 0 holds, the signs are just den != 0 (a positive quotient has a
        // non-zero dividend of the divisor's sign; NaNs fail D > 0).
        __m128d ok = _mm_cmpneq_pd(dn, zero);
        ok = _mm_and_pd(ok, _mm_cmpneq_pd(nv, zero));
        const __m128d D = _mm_div_pd(po, dn);
        ok = _mm_and_pd(ok, _mm_cmpgt_pd(D, zero));
        const __m128d x = _mm_add_pd(px, _mm_mul_pd(ux, D)), y = _mm_add_pd(py, _mm_mul_pd(uy, D)),
                      z = _mm_add_pd(pz, _mm_mul_pd(uz, D));
        const __m128d rx = _mm_sub_pd(x, px), ry = _mm_sub_pd(y, py), rz = _mm_sub_pd(z, pz);
        const __m128d dot = _mm_add_pd(_mm_add_pd(_mm_mul_pd(rx, vx), _mm_mul_pd(ry, vy)), _mm_mul_pd(rz, vz));
        ok = _mm_and_pd(ok, _mm_cmpgt_pd(dot, zero));
        // The squared distance: its root stays below kSceneFar exactly while it is finite.
        const __m128d dk = _mm_add_pd(_mm_add_pd(_mm_mul_pd(rx, rx), _mm_mul_pd(ry, ry)), _mm_mul_pd(rz, rz));
        ok = _mm_and_pd(ok, _mm_cmplt_pd(dk, inf));
        ok = _mm_and_pd(ok, _mm_cmpneq_pd(lane, skipped));
        lane = _mm_add_pd(lane, step);
        _mm_store_pd(ck + P, _mm_or_pd(_mm_and_pd(ok, dk), _mm_andnot_pd(ok, inf)));
        _mm_store_pd(cd + P, dk);
        _mm_store_pd(cx + P, x);
        _mm_store_pd(cy + P, y);
        _mm_store_pd(cz + P, z);
        mask |= static_cast<unsigned>(_mm_movemask_pd(ok)) << P;
    }
    return mask;
}

// The same four planes per step, on processors with 256-bit registers (no fused operations:
// every lane rounds exactly as above).
__attribute__((target("avx"), always_inline)) inline unsigned
FlatTermsWide(const double* const cols[6], unsigned n, int skip, const TPoint3D& p, const TVector& v, const TVector& vn,
              const TPoint3D& P1, double* ck, double* cd, double* cx, double* cy, double* cz)
{
    const TRayScene::WideRay r = TRayScene::WideRayOf(p, v, vn, P1, skip);
    const __m256d inf = _mm256_set1_pd(HUGE_VAL);
    unsigned mask = 0;
    for (unsigned P = 0; P < n; P += 4) {
        const TRayScene::WideLanes l = TRayScene::WideTerms(cols, P, r);
        _mm256_store_pd(ck + P, l.key);
        _mm256_store_pd(cd + P, l.d2);
        _mm256_store_pd(cx + P, l.x);
        _mm256_store_pd(cy + P, l.y);
        _mm256_store_pd(cz + P, l.z);
        mask |= static_cast<unsigned>(_mm256_movemask_pd(_mm256_cmp_pd(l.key, inf, _CMP_LT_OQ))) << P;
    }
    return mask;
}

// Removes candidate m from the candidate columns, keeping the others in index order.
inline void DropCandidate(double* cd, double* cx, double* cy, double* cz, uint32_t* cp, unsigned m, unsigned& nc)
{
    for (unsigned k = m + 1; k < nc; ++k) {
        cd[k - 1] = cd[k];
        cx[k - 1] = cx[k];
        cy[k - 1] = cy[k];
        cz[k - 1] = cz[k];
        cp[k - 1] = cp[k];
    }
    --nc;
}

}  // namespace

void TRayScene::Build(const TRoom& room, bool accelerate)
{
    few_ = false;
    upToSix_ = false;
    planes_.clear();
    tris_.clear();
    pairs_.clear();
    nodes_.clear();
    packed_.clear();
    leafPlanes_.clear();
    rootRef_ = 0;
    order_.clear();
    large_.clear();
    const unsigned nbands = std::min(room.NumBands, MAX_NUMBANDS);
    const unsigned n = std::min<unsigned>(room.NumPlanes, static_cast<unsigned>(room.plane.size()));
    planes_.resize(n);
    std::vector<Box> boxes(n);
    std::vector<double> centre(3 * static_cast<std::size_t>(n));
    double scale = 0.0;  // metres: the room's size and distance from the origin
    for (unsigned P = 0; P < n; ++P) {
        const TPlane& src = *room.plane[P];
        Plane& pl = planes_[P];
        pl.normal = src.normal;
        pl.vertex0 = src.NumVert ? src.vertice[0] : TPoint3D();
        pl.origem = src.origem;
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) pl.Mi[r][c] = static_cast<double>(src.Mi[r][c]);
        pl.testable = src.NumVert > 2;
        pl.firstTri = static_cast<uint32_t>(tris_.size());
        const unsigned nt = std::min<unsigned>(src.NumTriang, static_cast<unsigned>(src.triangulo.size()));
        pl.numTri = nt;
        for (unsigned t = 0; t < nt; ++t) {
            const TTriangle& tri = src.triangulo[t];
            Tri q;
            q.a = MudaBase(src.Mi, tri.p0 - src.origem);
            q.b = MudaBase(src.Mi, tri.p1 - src.origem);
            q.c = MudaBase(src.Mi, tri.p2 - src.origem);
            q.den = Area2D(q.a, q.b, q.c);
            tris_.push_back(q);
        }
        pl.firstPair = static_cast<uint32_t>(pairs_.size());
        pl.numPair = (nt + 1) / 2;
        for (unsigned t = 0; t < nt; t += 2) {
            TriPair tp{};
            for (unsigned l = 0; l < 2 && t + l < nt; ++l) {
                const Tri& q = tris_[pl.firstTri + t + l];
                tp.ax[l] = q.a.x;
                tp.ay[l] = q.a.y;
                tp.bx[l] = q.b.x;
                tp.by[l] = q.b.y;
                tp.cx[l] = q.c.x;
                tp.cy[l] = q.c.y;
                tp.den[l] = tp.den[l + 2] = q.den;
                tp.bxcy[l] = q.b.x * q.c.y;
                tp.bycx[l] = q.b.y * q.c.x;
                tp.aycx[l] = q.a.y * q.c.x;
                tp.axcy[l] = q.a.x * q.c.y;
                tp.ab[l] = q.a.x * q.b.y - q.a.y * q.b.x;
                if (q.den != 0.0f) tp.nz |= 1 << l;
            }
            pairs_.push_back(tp);
        }
        // Material bands as the reflection looks them up; anything missing reflects without loss.
        pl.abs = kSceneNoLoss;
        pl.dif = kSceneNoLoss;
        if (src.LayerID >= 0 && static_cast<unsigned>(src.LayerID) < room.planeLayer.size()) {
            pl.layer = src.LayerID;
            const int mat = room.planeLayer[static_cast<std::size_t>(src.LayerID)].MatID;
            if (mat >= 0 && static_cast<unsigned>(mat) < room.material.size() && room.material[mat]) {
                const TMaterial& m = *room.material[static_cast<std::size_t>(mat)];
                if (m.abs.size() >= nbands && m.dif.size() >= nbands) {
                    pl.abs = m.abs.data();
                    pl.dif = m.dif.data();
                }
            }
        }

        // Box of the outline and the triangles, inflated far beyond what the single-precision
        // inside test can accept outside the polygon.
        Box& b = boxes[P];
        for (int a = 0; a < 3; ++a) {
            b.lo[a] = std::numeric_limits<double>::infinity();
            b.hi[a] = -std::numeric_limits<double>::infinity();
        }
        auto grow = [&b](const TPoint3D& q) {
            const double c[3] = {q.x, q.y, q.z};
            for (int a = 0; a < 3; ++a) {
                b.lo[a] = std::min(b.lo[a], c[a]);
                b.hi[a] = std::max(b.hi[a], c[a]);
            }
        };
        for (const TPoint3D& q : src.vertice) grow(q);
        for (unsigned t = 0; t < nt; ++t) {
            grow(src.triangulo[t].p0);
            grow(src.triangulo[t].p1);
            grow(src.triangulo[t].p2);
        }
        double extent = 0.0, mag = 0.0;
        bool finite = true;
        for (int a = 0; a < 3; ++a) {
            if (!std::isfinite(b.lo[a]) || !std::isfinite(b.hi[a])) finite = false;
            extent = std::max(extent, b.hi[a] - b.lo[a]);
            mag = std::max({mag, std::fabs(b.lo[a]), std::fabs(b.hi[a])});
        }
        if (finite) scale = std::max({scale, extent, mag});
        const double margin = 1e-4 * extent + 1e-6 * mag + 1e-9;
        for (int a = 0; a < 3; ++a) {
            if (finite) {
                b.lo[a] -= margin;
                b.hi[a] += margin;
            } else {
                // A plane without usable vertices is never pruned.
                b.lo[a] = -std::numeric_limits<double>::infinity();
                b.hi[a] = std::numeric_limits<double>::infinity();
            }
            centre[3 * P + a] = finite ? 0.5 * (b.lo[a] + b.hi[a]) : 0.0;
            pl.lo[a] = b.lo[a];
            pl.hi[a] = b.hi[a];
        }
    }

    keeps_.assign(static_cast<std::size_t>(n) * nbands, 0.0f);
    for (unsigned P = 0; P < n; ++P) {
        float* keep = keeps_.data() + static_cast<std::size_t>(P) * nbands;
        for (unsigned b = 0; b < nbands; ++b) keep[b] = 1 - planes_[P].abs[b];
        planes_[P].keep = keep;
    }

    // Rounding puts an intersection some 1e-15 of the scale off; the boxes' margins hold both.
    edgeSlack_ = 1e-8 * scale + 1e-12;
    edgeGap_ = 1e-6 * scale + 1e-12;
    tieNear_ = 1e-12 * scale + 1e-280;
    tieNear2_ = (1.01 * tieNear_) * (1.01 * tieNear_);
    tieNearQuick_ = 1.01 * tieNear_ * (1.0 + 1e-6);

    if (n < kMinPlanesForTree) {
        few_ = true;
        flat_ = FlatColumns{};
        wide_ = wideAllowed_ && __builtin_cpu_supports("avx");
        for (unsigned P = 0; P < n; ++P) {
            flat_.nx[P] = planes_[P].normal.x;
            flat_.ny[P] = planes_[P].normal.y;
            flat_.nz[P] = planes_[P].normal.z;
            flat_.ox[P] = planes_[P].vertex0.x;
            flat_.oy[P] = planes_[P].vertex0.y;
            flat_.oz[P] = planes_[P].vertex0.z;
        }
        six_ = SixColumns{};
        upToSix_ = n <= 6;
        for (unsigned l = 0; l < 4; ++l) {
            const unsigned P = 4 + l % 2;
            six_.nx[l] = flat_.nx[P];
            six_.ny[l] = flat_.ny[P];
            six_.nz[l] = flat_.nz[P];
            six_.ox[l] = flat_.ox[P];
            six_.oy[l] = flat_.oy[P];
            six_.oz[l] = flat_.oz[P];
        }
        return;
    }
    if (!accelerate) return;
    // Planes spanning a large part of the room (walls, floors) would make every node of the
    // tree as large as the room: they are tested directly, before the tree, so their distance
    // also prunes it from the start. At most kMaxLarge of them, the largest first.
    double lo[3], hi[3];
    for (int a = 0; a < 3; ++a) {
        lo[a] = std::numeric_limits<double>::infinity();
        hi[a] = -std::numeric_limits<double>::infinity();
    }
    for (unsigned P = 0; P < n; ++P)
        for (int a = 0; a < 3; ++a)
            if (std::isfinite(boxes[P].lo[a]) && std::isfinite(boxes[P].hi[a])) {
                lo[a] = std::min(lo[a], boxes[P].lo[a]);
                hi[a] = std::max(hi[a], boxes[P].hi[a]);
            }
    auto halfArea = [](const double* l, const double* h) {
        const double ex = h[0] - l[0], ey = h[1] - l[1], ez = h[2] - l[2];
        return ex * ey + ey * ez + ez * ex;
    };
    const double sceneArea = halfArea(lo, hi);
    std::vector<std::pair<double, uint32_t>> bySize;
    for (unsigned P = 0; P < n; ++P) {
        const double a = halfArea(boxes[P].lo, boxes[P].hi);
        // Unbounded boxes (planes without usable vertices) count as large.
        if (!(a <= kLargeShare * sceneArea)) bySize.push_back({std::isfinite(a) ? a : HUGE_VAL, P});
    }
    std::stable_sort(bySize.begin(), bySize.end(), [](const auto& x, const auto& y) { return x.first > y.first; });
    if (bySize.size() > kMaxLarge) bySize.resize(kMaxLarge);
    std::vector<char> large(n, 0);
    for (const auto& e : bySize) large[e.second] = 1;
    for (unsigned P = 0; P < n; ++P)
        if (large[P]) large_.push_back(P);
    for (unsigned P = 0; P < n; ++P)
        if (!large[P]) order_.push_back(P);
    if (order_.empty()) return;
    nodes_.reserve(2 * order_.size());
    nodes_.push_back(Node{});
    BuildNode(boxes, centre, 0, 0, static_cast<uint32_t>(order_.size()));
    packed_.reserve(order_.size());
    rootRef_ = PackNode(0);
    leafPlanes_.reserve(order_.size());
    for (const uint32_t P : order_) leafPlanes_.push_back(LeafPlane{planes_[P].normal, planes_[P].vertex0});
}

uint32_t TRayScene::PackNode(uint32_t self)
{
    const Node node = nodes_[self];
    if (node.count) return (node.first << 2) | node.count;
    const uint32_t at = static_cast<uint32_t>(packed_.size());
    packed_.push_back(NodePair{});
    for (uint32_t c = 0; c < 2; ++c) {
        const Box& b = nodes_[node.first + c].box;
        for (int a = 0; a < 3; ++a) {
            packed_[at].lo[a][c] = b.lo[a];
            packed_[at].hi[a][c] = b.hi[a];
        }
    }
    for (uint32_t c = 0; c < 2; ++c) {
        const uint32_t ref = PackNode(node.first + c);
        packed_[at].child[c] = ref;
    }
    return at << 2;
}

void TRayScene::BuildNode(const std::vector<Box>& boxes, const std::vector<double>& centre, uint32_t self,
                          uint32_t first, uint32_t count)
{
    Box box;
    for (int a = 0; a < 3; ++a) {
        box.lo[a] = std::numeric_limits<double>::infinity();
        box.hi[a] = -std::numeric_limits<double>::infinity();
    }
    double clo[3], chi[3];
    for (int a = 0; a < 3; ++a) {
        clo[a] = std::numeric_limits<double>::infinity();
        chi[a] = -std::numeric_limits<double>::infinity();
    }
    for (uint32_t k = first; k < first + count; ++k) {
        const uint32_t P = order_[k];
        for (int a = 0; a < 3; ++a) {
            box.lo[a] = std::min(box.lo[a], boxes[P].lo[a]);
            box.hi[a] = std::max(box.hi[a], boxes[P].hi[a]);
            clo[a] = std::min(clo[a], centre[3 * P + a]);
            chi[a] = std::max(chi[a], centre[3 * P + a]);
        }
    }
    nodes_[self].box = box;
    if (count <= kLeafSize) {
        nodes_[self].first = first;
        nodes_[self].count = count;
        return;
    }
    int axis = 0;
    for (int a = 1; a < 3; ++a)
        if (chi[a] - clo[a] > chi[axis] - clo[axis]) axis = a;
    const uint32_t half = count / 2;
    std::nth_element(order_.begin() + first, order_.begin() + first + half, order_.begin() + first + count,
                     [&](uint32_t i, uint32_t j) {
                         const double ci = centre[3 * i + axis], cj = centre[3 * j + axis];
                         return ci < cj || (ci == cj && i < j);
                     });
    const uint32_t left = static_cast<uint32_t>(nodes_.size());
    nodes_.push_back(Node{});
    nodes_.push_back(Node{});
    nodes_[self].first = left;
    nodes_[self].count = 0;
    BuildNode(boxes, centre, left, first, half);
    BuildNode(boxes, centre, left + 1, first + half, count - half);
}

inline bool TRayScene::Reach(const Box& b, const double o[3], const double inv[3], double limit, double& enter)
{
    const double ax = (b.lo[0] - o[0]) * inv[0], bx = (b.hi[0] - o[0]) * inv[0];
    const double ay = (b.lo[1] - o[1]) * inv[1], by = (b.hi[1] - o[1]) * inv[1];
    const double az = (b.lo[2] - o[2]) * inv[2], bz = (b.hi[2] - o[2]) * inv[2];
    const double t0 = std::max(std::max(std::min(ax, bx), std::min(ay, by)), std::min(az, bz));
    const double t1 = std::min(std::min(std::max(ax, bx), std::max(ay, by)), std::max(az, bz));
    enter = t0;
    // Boxes are inflated, so the comparisons need no slack of their own beyond the limit's.
    return t1 >= -1e-9 && t0 <= t1 && t0 <= limit;
}

// 1 / direction per axis; a zero component is taken as 1e-300, whose huge but finite inverse
// keeps the slab test free of 0 * inf (the test only prunes, so the stand-in is harmless).
inline void InverseDirection(const TVector& vn, double inv[3])
{
    const double dir[3] = {vn.x, vn.y, vn.z};
    for (int a = 0; a < 3; ++a) inv[a] = 1.0 / (dir[a] == 0.0 ? 1e-300 : dir[a]);
}

inline bool TRayScene::Candidate(const Plane& pl, TPoint3D p, TVector v, TVector vn, TPoint3D P1, double best,
                                 TPoint3D& X, double& dist) const
{
    return CandidateOf(pl.normal, pl.vertex0, p, v, vn, P1, best, X, dist);
}

inline bool TRayScene::CandidateOf(const TVector& normal, const TPoint3D& vertex0, const TPoint3D& p, const TVector& v,
                                   const TVector& vn, const TPoint3D& P1, double best, TPoint3D& X, double& dist)
{
    if (normal * v == 0.0) return false;
    // IntersectionLineAndPlane(v, p, normal, vertex0), operation for operation.
    const double distPo = normal * TVector(p - vertex0);
    const double distP1 = normal * TVector(P1 - vertex0);
    const double den = distPo - distP1;
    // A step D = distPo / den that is not positive cannot put X ahead of p: every component of
    // X - p then has the sign opposite to v's, or is 0. Opposite or zero signs give such a D.
    if (!((distPo > 0 && den > 0) || (distPo < 0 && den < 0))) return false;
    // |X - p| is D to within rounding: a step clearly beyond the best distance cannot win.
    if (std::fabs(distPo) > Limit(best) * std::fabs(den)) return false;
    const double D = distPo / den;
    if (!(D > 0.0)) return false;
    X = TPoint3D(p.x + vn.x * D, p.y + vn.y * D, p.z + vn.z * D);
    const TVector rel(X.x - p.x, X.y - p.y, X.z - p.z);
    if (!(rel * v > 0)) return false;
    dist = std::sqrt(rel.x * rel.x + rel.y * rel.y + rel.z * rel.z);
    return true;
}

bool TRayScene::Inside(unsigned P, TPoint3D X) const
{
    return InsideAt(P, X);
}

int TRayScene::Nearest(TPoint3D p, TVector v, int skip, TPoint3D& X, double& dist, TRaySceneStack& stack) const
{
    const TVector vn = UnitLike(v);
    return Nearest(p, v, vn, p + VectorToPoint(vn), skip, X, dist, stack);
}

// The candidates' inside tests nearest first (ties: lower index); the first plane that holds
// its point is the one the index-order loop keeps. ck holds the squared distance of every
// candidate and +inf elsewhere, in `lanes` entries (even); cd the squared distances.
__attribute__((always_inline)) inline int TRayScene::PickInside(const WideRayIn& r, unsigned mask, unsigned lanes,
                                                                const double* ck, const double* cd, const double* cx,
                                                                const double* cy, const double* cz, TPoint3D& X,
                                                                double& dist) const
{
    if (!mask) return Watertight(CopyOf(r), -1, X, dist);
    // The least square and the first lane holding it, without branches: the root is
    // monotone, so no distance is below its root.
    __m128d least = _mm_load_pd(ck);
    for (unsigned k = 2; k < lanes; k += 2) least = _mm_min_pd(least, _mm_load_pd(ck + k));
    least = _mm_min_pd(least, _mm_unpackhi_pd(least, least));
    const double s = _mm_cvtsd_f64(least);
    least = _mm_unpacklo_pd(least, least);
    // A lower lane whose (larger) square has the same root would come first: such a square
    // lies within a few units in the last place of s.
    // A plane met within kTie of it (an edge or a corner) leaves the choice to PickInOrder too.
    const __m128d near = _mm_set1_pd(std::max(s * kTie2, tieNear2_));
    unsigned equal = 0, close = 0;
    for (unsigned k = 0; k < lanes; k += 2) {
        const __m128d c = _mm_load_pd(ck + k);
        equal |= static_cast<unsigned>(_mm_movemask_pd(_mm_cmpeq_pd(c, least))) << k;
        close |= static_cast<unsigned>(_mm_movemask_pd(_mm_cmple_pd(c, near))) << k;
    }
    const int first = PickFirst(equal, close, s, cx, cy, cz, X, dist);
    return first >= 0 ? first : PickInOrder(CopyOf(r), mask, cd, cx, cy, cz, X, dist);
}

// Rare: near ties, or the nearest plane does not hold its point. The candidates of `mask` by
// their distances themselves (roots of cd), in index order.
namespace {
constexpr TRayScene::SkipLanes MakeSkipLanes()
{
    TRayScene::SkipLanes t{};
    for (unsigned s = 0; s < TRayScene::kMinPlanesForTree; ++s) t.row[s + 1][s] = std::bit_cast<double>(~uint64_t{0});
    return t;
}
}  // namespace

const TRayScene::SkipLanes TRayScene::kSkipLanes = MakeSkipLanes();

__attribute__((target("avx"))) int TRayScene::WideFull(const RayCopy& r, TPoint3D& X, double& dist) const
{
    return WidePick(WideFind(r.p, r.v, r.vn, r.P1, r.skip), WideRayIn{r.p, r.v, r.vn, r.P1, r.skip}, X, dist);
}

__attribute__((target("avx"))) int TRayScene::WidePickInOrder(__m256d keyA, __m256d keyB, __m256d DA, __m256d DB,
                                                              const RayCopy& r, TPoint3D& X, double& dist) const
{
    // The points again, lane by lane as WideTerms makes them; the keys are the squared
    // distances wherever they are finite.
    const __m256d px = _mm256_set1_pd(r.p.x), py = _mm256_set1_pd(r.p.y), pz = _mm256_set1_pd(r.p.z);
    const __m256d ux = _mm256_set1_pd(r.vn.x), uy = _mm256_set1_pd(r.vn.y), uz = _mm256_set1_pd(r.vn.z);
    const __m256d inf = _mm256_set1_pd(HUGE_VAL);
    alignas(32) double cd[8], cx[8], cy[8], cz[8];
    unsigned mask = 0;
    const __m256d keys[2] = {keyA, keyB}, Ds[2] = {DA, DB};
    for (unsigned h = 0; h < 2; ++h) {
        _mm256_store_pd(cx + 4 * h, _mm256_add_pd(px, _mm256_mul_pd(ux, Ds[h])));
        _mm256_store_pd(cy + 4 * h, _mm256_add_pd(py, _mm256_mul_pd(uy, Ds[h])));
        _mm256_store_pd(cz + 4 * h, _mm256_add_pd(pz, _mm256_mul_pd(uz, Ds[h])));
        _mm256_store_pd(cd + 4 * h, keys[h]);
        mask |= static_cast<unsigned>(_mm256_movemask_pd(_mm256_cmp_pd(keys[h], inf, _CMP_LT_OQ))) << (4 * h);
    }
    return PickInOrder(r, mask, cd, cx, cy, cz, X, dist);
}

int TRayScene::PickInOrder(const RayCopy& r, unsigned mask, const double* cd, const double* cx, const double* cy,
                           const double* cz, TPoint3D& X, double& dist) const
{
    bool nearEdge = false;  // a nearer candidate failed near an edge
    const unsigned all = mask;
    while (mask) {
        unsigned k0 = static_cast<unsigned>(__builtin_ctz(mask));
        double dm = std::sqrt(cd[k0]);
        for (unsigned rest = mask & (mask - 1); rest; rest &= rest - 1) {
            const unsigned k = static_cast<unsigned>(__builtin_ctz(rest));
            const double dk = std::sqrt(cd[k]);
            if (dk < dm) {  // index order: ties keep the first
                k0 = k;
                dm = dk;
            }
        }
        const TPoint3D Xm(cx[k0], cy[k0], cz[k0]);
        if (InsideAt(k0, Xm)) {
            X = Xm;
            dist = dm;
            // Another plane met at about the same distance: an edge or a corner.
            for (unsigned rest = all & ~(1u << k0); rest && !nearEdge; rest &= rest - 1)
                nearEdge = cd[__builtin_ctz(rest)] <= std::max(cd[k0] * kTie2, tieNear2_);
            return nearEdge ? Watertight(r, static_cast<int>(k0), X, dist) : static_cast<int>(k0);
        }
        nearEdge = nearEdge || NearEdge(k0, Xm);
        mask &= ~(1u << k0);
    }
    return Watertight(r, -1, X, dist);
}

bool TRayScene::NearEdge(unsigned P, const TPoint3D& X) const
{
    const Plane& pl = planes_[P];
    if (!pl.testable) return false;
    if (X.x < pl.lo[0] || X.x > pl.hi[0] || X.y < pl.lo[1] || X.y > pl.hi[1] || X.z < pl.lo[2] || X.z > pl.hi[2])
        return false;
    const double ex = X.x - pl.origem.x, ey = X.y - pl.origem.y, ez = X.z - pl.origem.z;
    const double qx = pl.Mi[0][0] * ex + pl.Mi[0][1] * ey + pl.Mi[0][2] * ez;
    const double qy = pl.Mi[1][0] * ex + pl.Mi[1][1] * ey + pl.Mi[1][2] * ez;
    const double slack2 = edgeSlack_ * edgeSlack_;
    auto near = [&](const TPoint3D& a, const TPoint3D& b) {
        const double sx = b.x - a.x, sy = b.y - a.y, wx = qx - a.x, wy = qy - a.y;
        const double len2 = sx * sx + sy * sy;
        const double t = len2 > 0 ? std::clamp((wx * sx + wy * sy) / len2, 0.0, 1.0) : 0.0;
        const double dx = wx - t * sx, dy = wy - t * sy;
        return dx * dx + dy * dy <= slack2;
    };
    for (uint32_t k = pl.firstTri; k < pl.firstTri + pl.numTri; ++k) {
        const Tri& t = tris_[k];
        if (near(t.a, t.b) || near(t.b, t.c) || near(t.c, t.a)) return true;
    }
    return false;
}

int TRayScene::Watertight(const RayCopy& r, int found, TPoint3D& X, double& dist) const
{
    const unsigned n = static_cast<unsigned>(planes_.size());
    const double limit = found >= 0 ? dist - edgeGap_ : kSceneFar;
    int best = -1;
    double bestDist = limit;
    TPoint3D q;
    double d = 0.0;
    for (unsigned P = 0; P < n; ++P) {
        if (static_cast<int>(P) == r.skip) continue;
        if (CandidateOf(planes_[P].normal, planes_[P].vertex0, r.p, r.v, r.vn, r.P1, kSceneFar, q, d) && d < bestDist &&
            NearEdge(P, q)) {
            best = static_cast<int>(P);
            bestDist = d;
            X = q;
        }
    }
    if (best >= 0) {
        dist = bestDist;
        return Corner(r, best, X, dist);
    }
    if (found >= 0) return Corner(r, found, X, dist);
    // Nothing ahead: the ray may stand a rounding beyond a plane at a corner, leaving.
    double least = edgeSlack_;
    for (unsigned P = 0; P < n; ++P) {
        if (static_cast<int>(P) == r.skip) continue;
        const Plane& pl = planes_[P];
        const double len = Module(pl.normal);
        if (!(len > 0)) continue;
        const double off = std::fabs(pl.normal * TVector(r.p - pl.vertex0)) / len;
        if (off <= least && (InsideAt(P, r.p) || NearEdge(P, r.p))) {
            best = static_cast<int>(P);
            least = off;
        }
    }
    if (best >= 0) {
        X = r.p;
        dist = 0.0;
    }
    return best;
}

// Plane W met at X: when X lies on or beyond another plane that the ray crosses there too (a
// corner), the reflection moves back along the ray until X is on the ray's side of every such
// plane, which the next searches then meet in turn.
int TRayScene::Corner(const RayCopy& r, int W, TPoint3D& X, double& dist) const
{
    constexpr unsigned kMaxCorner = 8;
    unsigned corner[kMaxCorner];
    double side[kMaxCorner];
    unsigned nc = 0;
    double t = dist;
    const Plane& w = planes_[static_cast<unsigned>(W)];
    bool seam = false;  // a plane of W's own plane meets the ray at an edge shared with W
    TPoint3D q;
    double d = 0.0;
    // X on or beyond P, seen from the ray's start; sp: the start's side.
    auto beyond = [&](const Plane& pl, double& sp) {
        sp = pl.normal * TVector(r.p - pl.vertex0);
        return sp != 0.0 && !(sp * (pl.normal * TVector(X - pl.vertex0)) > 0.0);
    };
    for (unsigned P = 0; P < planes_.size() && nc + 1 < kMaxCorner; ++P) {
        if (static_cast<int>(P) == r.skip || static_cast<int>(P) == W) continue;
        const Plane& pl = planes_[P];
        if (!CandidateOf(pl.normal, pl.vertex0, r.p, r.v, r.vn, r.P1, kSceneFar, q, d) ||
            !(d <= std::max(dist * kTie, tieNear_)))
            continue;
        const bool edge = NearEdge(P, q);
        if (Module(pl.normal / w.normal) < 1e-9) {
            // Coplanar: a neighbour across an edge (a copy of W meets the ray inside, not there).
            seam = seam || edge;
            continue;
        }
        double sp = 0.0;
        if (!(edge || InsideAt(P, q)) || !beyond(pl, sp)) continue;
        corner[nc] = P;
        side[nc++] = sp;
        t = std::min(t, d);
    }
    // With a corner or a seam, X must also lie before W itself: beyond it, the ray reflected
    // there would cross W's plane again into a neighbour.
    double sw = 0.0;
    if ((nc || seam) && beyond(w, sw)) {
        corner[nc] = static_cast<unsigned>(W);
        side[nc++] = sw;
    }
    if (!nc) return W;
    // The start itself lies on its own side of every plane.
    for (const double back : {1e-9, 1e-6, 1.0}) {
        const double tb = t * (1.0 - back);
        const TPoint3D Y = back < 1.0 ? TPoint3D(r.p.x + r.vn.x * tb, r.p.y + r.vn.y * tb, r.p.z + r.vn.z * tb) : r.p;
        bool before = true;
        for (unsigned k = 0; k < nc; ++k) {
            const Plane& pl = planes_[corner[k]];
            before = before && side[k] * (pl.normal * TVector(Y - pl.vertex0)) > 0.0;
        }
        if (before || back == 1.0) {
            X = Y;
            dist = back < 1.0 ? tb : 0.0;
            break;
        }
    }
    return W;
}

// Every plane ahead is a candidate (see FlatTermsPairs).
int TRayScene::NearestFew(const TPoint3D& p, const TVector& v, const TVector& vn, const TPoint3D& P1, int skip,
                          TPoint3D& X, double& dist) const
{
    constexpr unsigned K = kMinPlanesForTree;
    const unsigned n = static_cast<unsigned>(planes_.size());
    alignas(32) double ck[K], cd[K], cx[K], cy[K], cz[K];
    const double* const cols[6] = {flat_.nx, flat_.ny, flat_.nz, flat_.ox, flat_.oy, flat_.oz};
    unsigned mask = FlatTermsPairs(cols, n, skip, p, v, vn, P1, ck, cd, cx, cy, cz) & ((1u << n) - 1u);
    if (skip >= 0 && static_cast<unsigned>(skip) < n) mask &= ~(1u << skip);
    return PickInside(WideRayIn{p, v, vn, P1, skip}, mask, (n + 1) & ~1u, ck, cd, cx, cy, cz, X, dist);
}

__attribute__((target("avx"))) int TRayScene::NearestFewWide(const TPoint3D& p, const TVector& v, const TVector& vn,
                                                             const TPoint3D& P1, int skip, TPoint3D& X,
                                                             double& dist) const
{
    constexpr unsigned K = kMinPlanesForTree;
    const unsigned n = static_cast<unsigned>(planes_.size());
    const double* const cols[6] = {flat_.nx, flat_.ny, flat_.nz, flat_.ox, flat_.oy, flat_.oz};
    if (n <= 8) return NearestWide(p, v, vn, P1, skip, X, dist);
    alignas(32) double ck[K], cd[K], cx[K], cy[K], cz[K];
    unsigned mask = FlatTermsWide(cols, n, skip, p, v, vn, P1, ck, cd, cx, cy, cz) & ((1u << n) - 1u);
    if (skip >= 0 && static_cast<unsigned>(skip) < n) mask &= ~(1u << skip);
    return PickInside(WideRayIn{p, v, vn, P1, skip}, mask, (n + 3) & ~3u, ck, cd, cx, cy, cz, X, dist);
}

int TRayScene::NearestAny(TPoint3D p, TVector v, TVector vn, TPoint3D P1, int skip, TPoint3D& X, double& dist,
                          TRaySceneStack& stack) const
{
    double best = kSceneFar;
    int bestIdx = -1;
    TPoint3D q;
    double d = 0.0;
    const unsigned n = static_cast<unsigned>(planes_.size());
    const WideRayIn ray{p, v, vn, P1, skip};
    double missed = kSceneFar;  // the nearest candidate that failed near an edge
    double other = kSceneFar;   // the nearest other candidate at or beyond the best
    auto keep = [&](unsigned P, double dP, const TPoint3D& XP) {
        other = std::min(other, best);
        best = dP;
        bestIdx = static_cast<int>(P);
        X = XP;
    };
    // Candidate P at q, d: kept when it comes first and holds its point.
    auto weigh = [&](unsigned P, bool first) {
        if (!first)
            other = std::min(other, d);
        else if (InsideAt(P, q))
            keep(P, d, q);
        else if (d < missed && NearEdge(P, q))
            missed = d;
    };
    auto answer = [&] {
        if (bestIdx >= 0) dist = best;
        const bool corner = std::min(other, missed) <= std::max(best * kTie2, 1.01 * tieNear_);
        return bestIdx < 0 || missed < best || corner ? Watertight(CopyOf(ray), bestIdx, X, dist) : bestIdx;
    };

    if (nodes_.empty() && n >= kMinPlanesForTree) {
        // The plain loop in index order: the reference the other searches reproduce.
        for (unsigned P = 0; P < n; ++P) {
            if (static_cast<int>(P) == skip) continue;
            if (Candidate(planes_[P], p, v, vn, P1, best, q, d)) weigh(P, d < best);
        }
        return answer();
    }
    if (nodes_.empty()) {
        // Few planes: every plane ahead is a candidate; the inside tests then run nearest
        // first (ties: lower index), and the first plane that holds its point is the one the
        // index-order loop would keep.
        return NearestFew(p, v, vn, P1, skip, X, dist);
    }

    // The large planes in index order, then the tree, keeping the nearest with ties going to
    // the lower index, whatever the order of the tests.
    {
        // Candidates first, then the inside tests nearest first (ties: lower index): usually
        // one inside test.
        double cd[kMaxLarge], cx[kMaxLarge], cy[kMaxLarge], cz[kMaxLarge];
        uint32_t cp[kMaxLarge];
        unsigned nc = 0;
        for (const uint32_t P : large_) {
            if (static_cast<int>(P) == skip) continue;
            if (Candidate(planes_[P], p, v, vn, P1, best, q, d) && d < best) {
                cd[nc] = d;
                cx[nc] = q.x;
                cy[nc] = q.y;
                cz[nc] = q.z;
                cp[nc] = P;
                ++nc;
            }
        }
        while (nc) {
            unsigned m = 0;
            for (unsigned k = 1; k < nc; ++k)
                if (cd[k] < cd[m]) m = k;  // in index order: ties keep the first
            const TPoint3D Xm(cx[m], cy[m], cz[m]);
            if (InsideAt(cp[m], Xm)) {
                keep(cp[m], cd[m], Xm);
                for (unsigned k = 0; k < nc; ++k)
                    if (k != m) other = std::min(other, cd[k]);
                break;
            }
            if (cd[m] < missed && NearEdge(cp[m], Xm)) missed = cd[m];
            DropCandidate(cd, cx, cy, cz, cp, m, nc);
        }
    }
    const double o[3] = {p.x, p.y, p.z};
    double inv[3];
    InverseDirection(vn, inv);
    unsigned top = 0;
    double enter = 0.0;
    if (!Reach(nodes_[0].box, o, inv, Limit(best), enter)) return answer();
    stack.node[top] = rootRef_;
    stack.t[top++] = enter;
    const __m128d ox = _mm_set1_pd(o[0]), oy = _mm_set1_pd(o[1]), oz = _mm_set1_pd(o[2]);
    const __m128d ix = _mm_set1_pd(inv[0]), iy = _mm_set1_pd(inv[1]), iz = _mm_set1_pd(inv[2]);
    const __m128d exitMin = _mm_set1_pd(-1e-9);
    while (top) {
        --top;
        if (stack.t[top] > Limit(best)) continue;
        uint32_t ref = stack.node[top];
        // Down to a leaf, the nearer child first, the farther one onto the stack.
        bool reachedLeaf = true;
        while (!(ref & 3u)) {
            const NodePair& np = packed_[ref >> 2];
            const double limit = Limit(best);
            alignas(16) double e[2];
            int reached;
            {
                // Reach for both children at once, lane for lane the same arithmetic.
                const __m128d ax = _mm_mul_pd(_mm_sub_pd(_mm_load_pd(np.lo[0]), ox), ix);
                const __m128d bx = _mm_mul_pd(_mm_sub_pd(_mm_load_pd(np.hi[0]), ox), ix);
                const __m128d ay = _mm_mul_pd(_mm_sub_pd(_mm_load_pd(np.lo[1]), oy), iy);
                const __m128d by = _mm_mul_pd(_mm_sub_pd(_mm_load_pd(np.hi[1]), oy), iy);
                const __m128d az = _mm_mul_pd(_mm_sub_pd(_mm_load_pd(np.lo[2]), oz), iz);
                const __m128d bz = _mm_mul_pd(_mm_sub_pd(_mm_load_pd(np.hi[2]), oz), iz);
                const __m128d t0 = _mm_max_pd(_mm_max_pd(_mm_min_pd(ax, bx), _mm_min_pd(ay, by)), _mm_min_pd(az, bz));
                const __m128d t1 = _mm_min_pd(_mm_min_pd(_mm_max_pd(ax, bx), _mm_max_pd(ay, by)), _mm_max_pd(az, bz));
                const __m128d ok = _mm_and_pd(_mm_and_pd(_mm_cmpge_pd(t1, exitMin), _mm_cmple_pd(t0, t1)),
                                              _mm_cmple_pd(t0, _mm_set1_pd(limit)));
                _mm_store_pd(e, t0);
                reached = _mm_movemask_pd(ok);
            }
            if (reached == 3) {
                const bool leftFirst = e[0] <= e[1];
                stack.node[top] = np.child[leftFirst ? 1 : 0];
                stack.t[top++] = leftFirst ? e[1] : e[0];
                ref = np.child[leftFirst ? 0 : 1];
            } else if (reached) {
                ref = np.child[reached >> 1];
            } else {
                reachedLeaf = false;
                break;
            }
        }
        if (!reachedLeaf) continue;
        const uint32_t first = ref >> 2, end = first + (ref & 3u);
        for (uint32_t k = first; k < end; ++k) {
            const uint32_t P = order_[k];
            if (static_cast<int>(P) == skip) continue;
            const LeafPlane& lp = leafPlanes_[k];
            if (!CandidateOf(lp.normal, lp.vertex0, p, v, vn, P1, best, q, d)) continue;
            // The plain loop keeps the first plane in index order at the smallest distance.
            weigh(P, d < best || (d == best && static_cast<int>(P) < bestIdx));
        }
    }
    return answer();
}

unsigned TRayScene::CandidateLanes(const TPoint3D& p, const TVector& v, const TPoint3D& P1, int skip, double best) const
{
    const double* const cols[6] = {flat_.nx, flat_.ny, flat_.nz, flat_.ox, flat_.oy, flat_.oz};
    const WideRay r = WideRayOf(p, v, v, P1, skip);
    const __m256d zero = _mm256_setzero_pd(), sign = _mm256_set1_pd(-0.0), limit = _mm256_set1_pd(Limit(best));
    unsigned keep = 0;
    // Entries beyond the planes have a zero normal: parallel to every ray.
    for (unsigned P = 0; P < planes_.size(); P += 4) {
        const WideDots dots = WidePlaneDots(cols, P, r);
        const __m256d nv = dots.nv, po = dots.po, den = dots.den;
        // CandidateOf's tests before its division, NaNs as there.
        __m256d ok = _mm256_cmp_pd(nv, zero, _CMP_NEQ_UQ);
        const __m256d ahead =
            _mm256_or_pd(_mm256_and_pd(_mm256_cmp_pd(po, zero, _CMP_GT_OQ), _mm256_cmp_pd(den, zero, _CMP_GT_OQ)),
                         _mm256_and_pd(_mm256_cmp_pd(po, zero, _CMP_LT_OQ), _mm256_cmp_pd(den, zero, _CMP_LT_OQ)));
        ok = _mm256_and_pd(ok, ahead);
        const __m256d beyond =
            _mm256_cmp_pd(_mm256_andnot_pd(sign, po), _mm256_mul_pd(limit, _mm256_andnot_pd(sign, den)), _CMP_GT_OQ);
        ok = _mm256_andnot_pd(beyond, ok);
        ok = _mm256_andnot_pd(_mm256_load_pd(r.skipped + P), ok);
        keep |= static_cast<unsigned>(_mm256_movemask_pd(ok)) << P;
    }
    return keep;
}

int TRayScene::Visible(TPoint3D p, TPoint3D recpos, int skip, TRaySceneStack& stack) const
{
    const TVector v(recpos.x - p.x, recpos.y - p.y, recpos.z - p.z);
    const float distPointRec = static_cast<float>(std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z));
    const TVector vn = UnitLike(v);
    const TPoint3D P1(p.x + vn.x, p.y + vn.y, p.z + vn.z);
    const double limit = Limit(static_cast<double>(distPointRec)) * (1.0 + 1e-6) + 1e-6;
    TPoint3D q;
    double d = 0.0;
    // Blocked exactly when some plane counts at a distance that, as float, is below the
    // receiver's: the nearest plane's float distance is the least of them.
    auto blocks = [&](unsigned P) {
        return static_cast<int>(P) != skip && Candidate(planes_[P], p, v, vn, P1, limit, q, d) &&
               static_cast<float>(d) < distPointRec && InsideAt(P, q);
    };
    const unsigned n = static_cast<unsigned>(planes_.size());
    if (nodes_.empty()) {
        if (few_ && wide_) {
            // Every other plane fails Candidate: only the lanes kept are tried.
            for (unsigned keep = CandidateLanes(p, v, P1, skip, limit); keep; keep &= keep - 1)
                if (blocks(static_cast<unsigned>(__builtin_ctz(keep)))) return 0;
            return 1;
        }
        for (unsigned P = 0; P < n; ++P)
            if (blocks(P)) return 0;
        return 1;
    }
    for (const uint32_t P : large_)
        if (blocks(P)) return 0;
    const double o[3] = {p.x, p.y, p.z};
    double inv[3];
    InverseDirection(vn, inv);
    unsigned top = 0;
    double enter = 0.0;
    if (!Reach(nodes_[0].box, o, inv, limit, enter)) return 1;
    stack.node[top++] = 0;
    while (top) {
        const Node& node = nodes_[stack.node[--top]];
        if (node.count) {
            for (uint32_t k = node.first; k < node.first + node.count; ++k)
                if (blocks(order_[k])) return 0;
            continue;
        }
        for (uint32_t c = node.first; c < node.first + 2; ++c)
            if (Reach(nodes_[c].box, o, inv, limit, enter)) stack.node[top++] = c;
    }
    return 1;
}
