// Grouping of a time block by direction.
//
// Pairs are taken in ascending angle (equal angles in the order (i, j) in which they are
// formed). The threshold T is the smallest gap above 10 degrees between consecutive sorted
// angles; a block without such a gap whose widest pair exceeds 50 degrees gets T = 10. Without a
// threshold the block is one group. Otherwise the start pair (the first sorted pair holding the
// strongest arrival) opens one group, or two when T does not exceed the smallest angle; then the
// sorted pairs are visited until every arrival is placed: an arrival paired with a placed one
// within T joins its group, and one still unplaced goes to the nearest group centre (the plain
// mean of the members' azimuths and elevations) within T or starts a group.
//
// The fast form relies on one fact: the angle is a non-increasing function of the cosine, and
// a cosine more than kCosMargin below another always gives a strictly larger float angle
// (|d acos / dc| >= 1, and 1e-6 radians is more than two float steps of any angle up to 180
// degrees, far above the rounding of the cosines). So wherever a minimum or maximum angle
// decides, cosines pick the few candidates and exact angles decide among them.

#include "simulation/DirectionGroups.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include <immintrin.h>

#include "simulation/TRay.h"

namespace {

constexpr float kGroupGapDegrees = 10.0f;
constexpr float kWideBlockDegrees = 50.0f;
constexpr double kCosMargin = 1e-6;
// Bins of equal cosine width; none spans more than 3.6 degrees of angle.
constexpr unsigned kBins = 1024;

using Pair = TDirectionGroupsWork::Pair;

// Unit vector of a direction in degrees, exactly as TDirection::Distancia forms it.
TVector UnitFromDegrees(TDirection d)
{
    constexpr double kPi = 3.1415926535897931;
    const float el = static_cast<float>(d.elev * kPi / 180.0);
    const float az = static_cast<float>(d.azim * kPi / 180.0);
    const float cel = std::cos(el);
    return {std::cos(az) * cel, std::sin(az) * cel, std::sin(el)};
}

float Angle(const TVector& a, const TVector& b)
{
    return static_cast<float>(a.Angle(b));
}

bool PairBefore(const Pair& a, const Pair& b)
{
    if (a.dist != b.dist) return a.dist < b.dist;
    if (a.i != b.i) return a.i < b.i;
    return a.j < b.j;
}

unsigned BinOf(double c)
{
    const double x = (c + 1.0) * (kBins / 2);
    if (!(x > 0.0)) return 0;
    return std::min(static_cast<unsigned>(x), kBins - 1);
}

// Expected group count and threshold from the sorted angles' gaps; the widest angle last.
void Threshold(const float* sorted, std::size_t n, unsigned& expected, float& T)
{
    expected = 1;
    T = 360.0f;
    for (std::size_t k = 0; k + 1 < n; ++k) {
        const float gap = sorted[k + 1] - sorted[k];
        if (gap > kGroupGapDegrees) {
            ++expected;
            if (gap < T) T = gap;
        }
    }
    if (expected == 1 && sorted[n - 1] > kWideBlockDegrees) {
        T = kGroupGapDegrees;
        expected = 2;
    }
}

// The placement of a block's arrivals into groups, visiting sorted pairs.
class Placement {
public:
    Placement(const TDirection* dir, unsigned NE, float T, TDirectionGroupsWork& w, bool cosines)
        : dir_(dir), NE_(NE), T_(T), w_(w), cosines_(cosines)
    {
        w_.groupOf.assign(NE, -1);
        w_.centre.clear();
        w_.cx.clear();
        w_.cy.clear();
        w_.cz.clear();
        w_.stale.clear();
        w_.staleList.clear();
    }

    // Opens the first group, or two, with the start pair.
    void Start(float minAngle, Pair start)
    {
        NewGroup(start.i);
        if (T_ > minAngle)
            Join(start.j, 0);
        else
            NewGroup(start.j);
    }
    // Visits the next sorted pairs; true once every arrival is placed.
    bool Visit(const Pair* pairs, std::size_t count)
    {
        std::vector<int>& groupOf = w_.groupOf;
        for (std::size_t k = 0; k < count && placed_ < NE_; ++k) {
            const int I = pairs[k].i, J = pairs[k].j;
            const float d = pairs[k].dist;
            const int gI = groupOf[static_cast<std::size_t>(I)], gJ = groupOf[static_cast<std::size_t>(J)];
            if (gI >= 0 && gJ >= 0) continue;
            if (gI >= 0 && T_ > d) Join(J, gI);
            if (gJ >= 0 && T_ > d) Join(I, gJ);
            if (groupOf[static_cast<std::size_t>(I)] < 0) Place(I);
            if (groupOf[static_cast<std::size_t>(J)] < 0) Place(J);
        }
        return placed_ >= NE_;
    }
    TDirectionGroupList Take() { return std::move(groups_); }

private:
    void Join(int elem, int g)
    {
        std::vector<int>& m = groups_[static_cast<std::size_t>(g)];
        m.insert(std::upper_bound(m.begin(), m.end(), elem), elem);
        w_.groupOf[static_cast<std::size_t>(elem)] = g;
        if (!w_.stale[static_cast<std::size_t>(g)]) {
            w_.stale[static_cast<std::size_t>(g)] = 1;
            w_.staleList.push_back(g);
        }
        ++placed_;
    }
    void NewGroup(int elem)
    {
        groups_.emplace_back();
        w_.centre.emplace_back();
        w_.cx.push_back(0.0);
        w_.cy.push_back(0.0);
        w_.cz.push_back(0.0);
        w_.stale.push_back(0);
        Join(elem, static_cast<int>(groups_.size()) - 1);
    }
    // Centres: the plain means of the members' azimuths and elevations in degrees, summed in
    // block order; recomputed only for a group that gained a member.
    void Refresh(std::size_t g)
    {
        float azim = 0.0f, elev = 0.0f;
        for (int p : groups_[g]) {
            azim += dir_[p].azim;
            elev += dir_[p].elev;
        }
        const float n = static_cast<float>(groups_[g].size());
        TDirection c;
        c.Set(azim / n, elev / n, 1.0f);
        const TVector u = UnitFromDegrees(c);
        w_.centre[g] = u;
        const double m = u.Module();
        w_.cx[g] = u.x / m;
        w_.cy[g] = u.y / m;
        w_.cz[g] = u.z / m;
        w_.stale[g] = 0;
    }
    // The nearest group centre (the first of equal angles) receives elem when nearer than T;
    // otherwise elem starts a group.
    void Place(int elem)
    {
        const std::size_t G = groups_.size();
        const std::size_t e = static_cast<std::size_t>(elem);
        for (int g : w_.staleList) Refresh(static_cast<std::size_t>(g));
        w_.staleList.clear();
        std::size_t best = 0;
        float bestAngle = std::numeric_limits<float>::infinity();
        if (!cosines_) {
            for (std::size_t g = 0; g < G; ++g) {
                const float a = Angle(w_.centre[g], w_.unit[e]);
                if (a < bestAngle) {
                    bestAngle = a;
                    best = g;
                }
            }
        } else {
            // Four centres a step, in the arithmetic of the scalar cosine (the same bits), the
            // largest kept in registers.
            const double x = w_.nx[e], y = w_.ny[e], z = w_.nz[e];
            const __m128d x2 = _mm_set1_pd(x), y2 = _mm_set1_pd(y), z2 = _mm_set1_pd(z);
            const double *cx = w_.cx.data(), *cy = w_.cy.data(), *cz = w_.cz.data();
            w_.cosine.resize(G);
            double* cosine = w_.cosine.data();
            auto cos2 = [&](std::size_t g) {
                return _mm_add_pd(
                    _mm_add_pd(_mm_mul_pd(_mm_loadu_pd(cx + g), x2), _mm_mul_pd(_mm_loadu_pd(cy + g), y2)),
                    _mm_mul_pd(_mm_loadu_pd(cz + g), z2));
            };
            __m128d topA = _mm_set1_pd(-std::numeric_limits<double>::infinity()), topB = topA;
            std::size_t g = 0;
            for (; g + 4 <= G; g += 4) {
                const __m128d a = cos2(g), b = cos2(g + 2);
                _mm_storeu_pd(cosine + g, a);
                _mm_storeu_pd(cosine + g + 2, b);
                topA = _mm_max_pd(a, topA);
                topB = _mm_max_pd(b, topB);
            }
            alignas(16) double tops[4];
            _mm_store_pd(tops, topA);
            _mm_store_pd(tops + 2, topB);
            double top = std::max({tops[0], tops[1], tops[2], tops[3]});
            for (; g < G; ++g) {
                const double c = cx[g] * x + cy[g] * y + cz[g] * z;
                cosine[g] = c;
                top = std::max(top, c);
            }
            for (std::size_t g = 0; g < G; ++g)
                if (cosine[g] >= top - kCosMargin) {
                    const float a = Angle(w_.centre[g], w_.unit[e]);
                    if (a < bestAngle) {
                        bestAngle = a;
                        best = g;
                    }
                }
        }
        if (T_ > bestAngle)
            Join(elem, static_cast<int>(best));
        else
            NewGroup(elem);
    }

    const TDirection* dir_;
    unsigned NE_;
    float T_;
    TDirectionGroupsWork& w_;
    bool cosines_;
    TDirectionGroupList groups_;
    unsigned placed_ = 0;
};

float StrongestFactor(const float* fatordist, unsigned NE)
{
    float strongest = 0.0f;
    for (unsigned i = 0; i < NE; ++i)
        if (fatordist[i] > strongest) strongest = fatordist[i];
    return strongest;
}

// Every pair i < j of the unit vectors once: rowMax receives each arrival's largest cosine,
// rowMin[i] the smallest of the pairs (i, j > i) (the smallest of all pairs is the smallest of
// these; the last arrival's stays infinite), and `near` every pair whose cosine reaches, less kCosMargin, the largest of i
// or of j seen so far: among them all those that reach it of the final largest (the pairs that
// may be the first of i or of j). Four pairs per step in the same arithmetic as the scalar
// cosine, so every value is the same bit for bit; CosinePassAvx2 does the same in 256-bit
// registers, picked when the processor has them.
typedef double V4 __attribute__((vector_size(32)));

typedef int64_t L4 __attribute__((vector_size(32)));
using Near = TDirectionGroupsWork::Near;

void CosinePass(const double* nx, const double* ny, const double* nz, unsigned NE, double* rowMax, double* rowMin,
                std::vector<Near>& near)
{
    constexpr double inf = std::numeric_limits<double>::infinity();
    const V4 margin = {kCosMargin, kCosMargin, kCosMargin, kCosMargin};
    // One pair (i, j), i < j, as the four-wide steps treat each of theirs.
    auto one = [&](unsigned i, unsigned j, double& h, double& l) {
        const double c = nx[i] * nx[j] + ny[i] * ny[j] + nz[i] * nz[j];
        if (c >= h - kCosMargin || c >= rowMax[j] - kCosMargin)
            near.push_back({static_cast<int>(i), static_cast<int>(j), c});
        h = std::max(h, c);
        l = std::min(l, c);
        rowMax[j] = std::max(rowMax[j], c);
    };
    auto fold = [](const V4& hi, const V4& lo, double& h, double& l) {
        h = std::max({h, hi[0], hi[1], hi[2], hi[3]});
        l = std::min({l, lo[0], lo[1], lo[2], lo[3]});
    };
    // Rows two at a time: each step loads the four arrivals j and their extremes once for both.
    unsigned i = 0;
    for (; i + 2 < NE; i += 2) {
        const unsigned b = i + 1;
        one(i, b, rowMax[i], rowMin[i]);
        const double xa = nx[i], ya = ny[i], za = nz[i], xb = nx[b], yb = ny[b], zb = nz[b];
        const double ta = rowMax[i], tb = rowMax[b];
        const V4 xa4 = {xa, xa, xa, xa}, ya4 = {ya, ya, ya, ya}, za4 = {za, za, za, za};
        const V4 xb4 = {xb, xb, xb, xb}, yb4 = {yb, yb, yb, yb}, zb4 = {zb, zb, zb, zb};
        V4 hiA = {ta, ta, ta, ta}, hiB = {tb, tb, tb, tb}, loA = {inf, inf, inf, inf}, loB = loA;
        unsigned j = i + 2;
        for (; j + 4 <= NE; j += 4) {
            V4 X, Y, Z, mj;
            std::memcpy(&X, nx + j, sizeof X);
            std::memcpy(&Y, ny + j, sizeof Y);
            std::memcpy(&Z, nz + j, sizeof Z);
            std::memcpy(&mj, rowMax + j, sizeof mj);
            const V4 cA = xa4 * X + ya4 * Y + za4 * Z;
            const V4 cB = xb4 * X + yb4 * Y + zb4 * Z;
            const L4 reachA = (cA >= hiA - margin) | (cA >= mj - margin);
            hiA = cA > hiA ? cA : hiA;
            loA = cA < loA ? cA : loA;
            mj = cA > mj ? cA : mj;
            const L4 reachB = (cB >= hiB - margin) | (cB >= mj - margin);
            hiB = cB > hiB ? cB : hiB;
            loB = cB < loB ? cB : loB;
            mj = cB > mj ? cB : mj;
            std::memcpy(rowMax + j, &mj, sizeof mj);
            const L4 any = reachA | reachB;
            if ((any[0] | any[1] | any[2] | any[3]) == 0) continue;
            for (unsigned k = 0; k < 4; ++k) {
                if (reachA[k]) near.push_back({static_cast<int>(i), static_cast<int>(j + k), cA[k]});
                if (reachB[k]) near.push_back({static_cast<int>(b), static_cast<int>(j + k), cB[k]});
            }
        }
        double hA = rowMax[i], lA = rowMin[i], hB = rowMax[b], lB = rowMin[b];
        fold(hiA, loA, hA, lA);
        fold(hiB, loB, hB, lB);
        for (; j < NE; ++j) {
            one(i, j, hA, lA);
            one(b, j, hB, lB);
        }
        rowMax[i] = hA;
        rowMin[i] = lA;
        rowMax[b] = hB;
        rowMin[b] = lB;
    }
    // The last row, when one is left with a pair.
    if (i + 1 < NE) one(i, i + 1, rowMax[i], rowMin[i]);
}

// CosinePass with 256-bit intrinsics: the same products and sums in the same order (no fused
// multiply-add), the same extremes; c >= min(h, m) - margin is the same test as c >= h - margin
// or c >= m - margin (subtracting the margin keeps the order).
__attribute__((target("avx2"))) void CosinePassAvx2(const double* nx, const double* ny, const double* nz, unsigned NE,
                                                    double* rowMax, double* rowMin, std::vector<Near>& near)
{
    constexpr double inf = std::numeric_limits<double>::infinity();
    const __m256d margin = _mm256_set1_pd(kCosMargin);
    auto one = [&](unsigned i, unsigned j, double& h, double& l) {
        const double c = nx[i] * nx[j] + ny[i] * ny[j] + nz[i] * nz[j];
        if (c >= h - kCosMargin || c >= rowMax[j] - kCosMargin)
            near.push_back({static_cast<int>(i), static_cast<int>(j), c});
        h = std::max(h, c);
        l = std::min(l, c);
        rowMax[j] = std::max(rowMax[j], c);
    };
    unsigned i = 0;
    for (; i + 2 < NE; i += 2) {
        const unsigned b = i + 1;
        one(i, b, rowMax[i], rowMin[i]);
        const __m256d xa = _mm256_set1_pd(nx[i]), ya = _mm256_set1_pd(ny[i]), za = _mm256_set1_pd(nz[i]);
        const __m256d xb = _mm256_set1_pd(nx[b]), yb = _mm256_set1_pd(ny[b]), zb = _mm256_set1_pd(nz[b]);
        __m256d hiA = _mm256_set1_pd(rowMax[i]), hiB = _mm256_set1_pd(rowMax[b]);
        __m256d loA = _mm256_set1_pd(inf), loB = loA;
        unsigned j = i + 2;
        for (; j + 4 <= NE; j += 4) {
            const __m256d X = _mm256_loadu_pd(nx + j), Y = _mm256_loadu_pd(ny + j), Z = _mm256_loadu_pd(nz + j);
            __m256d mj = _mm256_loadu_pd(rowMax + j);
            const __m256d cA =
                _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(xa, X), _mm256_mul_pd(ya, Y)), _mm256_mul_pd(za, Z));
            const __m256d cB =
                _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(xb, X), _mm256_mul_pd(yb, Y)), _mm256_mul_pd(zb, Z));
            const __m256d reachA = _mm256_cmp_pd(cA, _mm256_sub_pd(_mm256_min_pd(hiA, mj), margin), _CMP_GE_OQ);
            hiA = _mm256_max_pd(cA, hiA);
            loA = _mm256_min_pd(cA, loA);
            mj = _mm256_max_pd(cA, mj);
            const __m256d reachB = _mm256_cmp_pd(cB, _mm256_sub_pd(_mm256_min_pd(hiB, mj), margin), _CMP_GE_OQ);
            hiB = _mm256_max_pd(cB, hiB);
            loB = _mm256_min_pd(cB, loB);
            mj = _mm256_max_pd(cB, mj);
            _mm256_storeu_pd(rowMax + j, mj);
            if (_mm256_movemask_pd(_mm256_or_pd(reachA, reachB)) == 0) continue;
            const int ma = _mm256_movemask_pd(reachA), mb = _mm256_movemask_pd(reachB);
            alignas(32) double A[4], B[4];
            _mm256_store_pd(A, cA);
            _mm256_store_pd(B, cB);
            for (unsigned k = 0; k < 4; ++k) {
                if (ma >> k & 1) near.push_back({static_cast<int>(i), static_cast<int>(j + k), A[k]});
                if (mb >> k & 1) near.push_back({static_cast<int>(b), static_cast<int>(j + k), B[k]});
            }
        }
        alignas(32) double H[8], L[8];
        _mm256_store_pd(H, hiA);
        _mm256_store_pd(H + 4, hiB);
        _mm256_store_pd(L, loA);
        _mm256_store_pd(L + 4, loB);
        double hA = std::max({rowMax[i], H[0], H[1], H[2], H[3]}), lA = std::min({rowMin[i], L[0], L[1], L[2], L[3]});
        double hB = std::max({rowMax[b], H[4], H[5], H[6], H[7]}), lB = std::min({rowMin[b], L[4], L[5], L[6], L[7]});
        for (; j < NE; ++j) {
            one(i, j, hA, lA);
            one(b, j, hB, lB);
        }
        rowMax[i] = hA;
        rowMin[i] = lA;
        rowMax[b] = hB;
        rowMin[b] = lB;
    }
    if (i + 1 < NE) one(i, i + 1, rowMax[i], rowMin[i]);
}

// A lower bound of each arrival's largest cosine into rowMax, from a few arrivals near it: those
// after it in its cell of a coarse grid over the unit vectors. The pass that follows then takes
// as candidate first pairs only the pairs that reach such a bound, not every pair above a
// running largest still low. Each bound is the cosine of a pair as the pass forms it (the same
// bits: the products commute, the sum keeps its order), so the largest it ends with is the same.
void NeighbourBounds(const double* nx, const double* ny, const double* nz, unsigned NE, TDirectionGroupsWork& w)
{
    w.rowMax.assign(NE, -std::numeric_limits<double>::infinity());
    // Small blocks go without: the grid would cost more than it saves.
    if (NE < 64) return;
    constexpr int kSide = 9;  // cells per axis over [-1, 1]
    constexpr unsigned kCells = kSide * kSide * kSide;
    constexpr int kFollowers = 8;
    auto cell = [](double v) { return std::clamp(static_cast<int>((v + 1.0) * (kSide / 2.0)), 0, kSide - 1); };
    w.cellOf.resize(NE);
    w.cellStart.assign(kCells + 1, 0);
    for (unsigned i = 0; i < NE; ++i) {
        const int c = (cell(nx[i]) * kSide + cell(ny[i])) * kSide + cell(nz[i]);
        w.cellOf[i] = c;
        ++w.cellStart[static_cast<std::size_t>(c) + 1];
    }
    for (unsigned c = 0; c < kCells; ++c) w.cellStart[c + 1] += w.cellStart[c];
    w.byCell.resize(NE);
    w.cellFill.assign(w.cellStart.begin(), w.cellStart.end() - 1);
    for (unsigned i = 0; i < NE; ++i)
        w.byCell[static_cast<std::size_t>(w.cellFill[static_cast<std::size_t>(w.cellOf[i])]++)] = static_cast<int>(i);
    double* rowMax = w.rowMax.data();
    for (unsigned p = 0; p < NE; ++p) {
        const unsigned i = static_cast<unsigned>(w.byCell[p]);
        const int last = w.cellStart[static_cast<std::size_t>(w.cellOf[i]) + 1];
        const int end = std::min(last, static_cast<int>(p) + 1 + kFollowers);
        for (int q = static_cast<int>(p) + 1; q < end; ++q) {
            // byCell lists a cell in ascending order: i < j.
            const unsigned j = static_cast<unsigned>(w.byCell[static_cast<std::size_t>(q)]);
            const double cij = nx[i] * nx[j] + ny[i] * ny[j] + nz[i] * nz[j];
            rowMax[i] = std::max(rowMax[i], cij);
            rowMax[j] = std::max(rowMax[j], cij);
        }
    }
}

// Whether every bin from first to last holds the cosine of a pair i < j (formed as CosinePass
// forms it). The bins of each arrival's largest cosine and of each rowMin hold one; the pairs are
// visited until each of the other bins has been seen, which in a block of scattered directions
// takes a small share of them.
bool EveryBinOccupied(const double* nx, const double* ny, const double* nz, unsigned NE, const double* rowMax,
                      const double* rowMin, unsigned first, unsigned last)
{
    uint8_t occupied[kBins] = {};
    unsigned missing = last - first + 1;
    auto see = [&](unsigned b) {
        if (occupied[b]) return false;
        occupied[b] = 1;
        return b >= first && b <= last && --missing == 0;
    };
    for (unsigned i = 0; i < NE; ++i)
        if (see(BinOf(rowMax[i])) || (rowMin[i] <= 1.0 && see(BinOf(rowMin[i])))) return true;
    for (unsigned i = 0; i + 1 < NE; ++i) {
        const double xi = nx[i], yi = ny[i], zi = nz[i];
        for (unsigned j = i + 1; j < NE; ++j)
            if (see(BinOf(xi * nx[j] + yi * ny[j] + zi * nz[j]))) return true;
    }
    return false;
}

TDirectionGroupList OneGroup(unsigned NE)
{
    TDirectionGroupList groups(1);
    for (unsigned i = 0; i < NE; ++i) groups[0].push_back(static_cast<int>(i));
    return groups;
}

}  // namespace

TDirectionGroupList GroupDirectionsAllPairs(const TDirection* dir, const float* fatordist, unsigned NE)
{
    TDirectionGroupsWork w;
    w.unit.resize(NE);
    for (unsigned i = 0; i < NE; ++i) w.unit[i] = UnitFromDegrees(dir[i]);
    std::vector<Pair> pairs;
    pairs.reserve(static_cast<std::size_t>(NE) * (NE - 1) / 2);
    for (unsigned i = 0; i < NE; ++i)
        for (unsigned j = i + 1; j < NE; ++j)
            pairs.push_back({Angle(w.unit[i], w.unit[j]), static_cast<int>(i), static_cast<int>(j)});
    // Angles are never negative, so their bit patterns order like their values; a NaN (from a
    // direction that is not a number) goes last.
    auto bits = [](float f) {
        uint32_t u;
        std::memcpy(&u, &f, sizeof u);
        return u;
    };
    std::stable_sort(pairs.begin(), pairs.end(),
                     [&](const Pair& a, const Pair& b) { return bits(a.dist) < bits(b.dist); });

    std::vector<float> sorted(pairs.size());
    for (std::size_t k = 0; k < pairs.size(); ++k) sorted[k] = pairs[k].dist;
    unsigned expected = 1;
    float T = 360.0f;
    Threshold(sorted.data(), sorted.size(), expected, T);
    if (expected == 1) return OneGroup(NE);

    const float strongest = StrongestFactor(fatordist, NE);
    const Pair* start = nullptr;
    for (const Pair& p : pairs)
        if (fatordist[p.i] == strongest || fatordist[p.j] == strongest) {
            start = &p;
            break;
        }
    if (!start) return {};
    Placement placement(dir, NE, T, w, false);
    placement.Start(pairs[0].dist, *start);
    placement.Visit(pairs.data(), pairs.size());
    return placement.Take();
}

TDirectionGroupList GroupDirections(const TDirection* dir, const float* fatordist, unsigned NE, TDirectionGroupsWork& w)
{
    for (unsigned i = 0; i < NE; ++i)
        if (!std::isfinite(dir[i].azim) || !std::isfinite(dir[i].elev))
            return GroupDirectionsAllPairs(dir, fatordist, NE);

    w.unit.resize(NE);
    w.nx.resize(NE);
    w.ny.resize(NE);
    w.nz.resize(NE);
    for (unsigned i = 0; i < NE; ++i) {
        const TVector u = UnitFromDegrees(dir[i]);
        const double m = u.Module();
        w.unit[i] = u;
        w.nx[i] = u.x / m;
        w.ny[i] = u.y / m;
        w.nz[i] = u.z / m;
    }
    const double* nx = w.nx.data();
    const double* ny = w.ny.data();
    const double* nz = w.nz.data();
    auto cosine = [&](unsigned i, unsigned j) { return nx[i] * nx[j] + ny[i] * ny[j] + nz[i] * nz[j]; };
    // i < j always: the angle divides by the first vector's length first.
    auto angle = [&](unsigned i, unsigned j) { return Angle(w.unit[i], w.unit[j]); };

    // Every pair's cosine once: each arrival's largest, the smallest of each row.
    constexpr double inf = std::numeric_limits<double>::infinity();
    w.rowMin.assign(NE, inf);
    NeighbourBounds(nx, ny, nz, NE, w);
    double* rowMax = w.rowMax.data();
    double* rowMin = w.rowMin.data();
    w.near.clear();
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2)
        CosinePassAvx2(nx, ny, nz, NE, rowMax, rowMin, w.near);
    else
        CosinePass(nx, ny, nz, NE, rowMax, rowMin, w.near);
    double topCos = -inf, lowCos = inf;
    for (unsigned i = 0; i < NE; ++i) {
        topCos = std::max(topCos, rowMax[i]);
        lowCos = std::min(lowCos, rowMin[i]);
    }

    // Gaps above 10 degrees: with every bin between the extremes holding a pair there is none
    // (two neighbouring bins span at most 7.2 degrees). Otherwise the gaps are those between the
    // exact extremes of the occupied bins: the two angles around a gap of more than a bin's
    // span are the largest of one bin and the smallest of another.
    const bool contiguous = EveryBinOccupied(nx, ny, nz, NE, rowMax, rowMin, BinOf(lowCos), BinOf(topCos));
    unsigned expected = 1;
    float T = 360.0f;
    if (contiguous) {
        // The widest angle: among the pairs within the margin of the smallest cosine.
        float widest = 0.0f;
        for (unsigned i = 0; i + 1 < NE; ++i) {
            if (rowMin[i] > lowCos + kCosMargin) continue;
            for (unsigned j = i + 1; j < NE; ++j)
                if (cosine(i, j) <= lowCos + kCosMargin) widest = std::max(widest, angle(i, j));
        }
        Threshold(&widest, 1, expected, T);
    } else {
        std::vector<double> binTop(kBins, -inf), binLow(kBins, inf);
        for (unsigned i = 0; i + 1 < NE; ++i)
            for (unsigned j = i + 1; j < NE; ++j) {
                const double c = cosine(i, j);
                const unsigned b = BinOf(c);
                binTop[b] = std::max(binTop[b], c);
                binLow[b] = std::min(binLow[b], c);
            }
        std::vector<float> least(kBins, std::numeric_limits<float>::infinity()), most(kBins, -1.0f);
        for (unsigned i = 0; i + 1 < NE; ++i)
            for (unsigned j = i + 1; j < NE; ++j) {
                const double c = cosine(i, j);
                const unsigned b = BinOf(c);
                if (c >= binTop[b] - kCosMargin) least[b] = std::min(least[b], angle(i, j));
                if (c <= binLow[b] + kCosMargin) most[b] = std::max(most[b], angle(i, j));
            }
        std::vector<float> extremes;
        for (unsigned b = 0; b < kBins; ++b)
            if (binTop[b] >= binLow[b]) {
                extremes.push_back(least[b]);
                extremes.push_back(most[b]);
            }
        std::sort(extremes.begin(), extremes.end());
        Threshold(extremes.data(), extremes.size(), expected, T);
    }
    if (expected == 1) return OneGroup(NE);

    // Each arrival's first pair in sorted order: it is placed when that pair is visited (the
    // start pair's two from the outset), so a later pair finds both its arrivals placed and
    // does nothing. Visiting only the first pairs, in sorted order, places exactly the same.
    w.pairs.assign(NE, Pair{std::numeric_limits<float>::infinity(), -1, -1});
    // The pairs whose cosine reaches the largest of i or of j less the margin; a pair that is
    // not the first of one of them never precedes that one's first pair.
    for (const Near& n : w.near) {
        const int i = n.i, j = n.j;
        if (!(n.cosine >= rowMax[i] - kCosMargin || n.cosine >= rowMax[j] - kCosMargin)) continue;
        const Pair p{angle(static_cast<unsigned>(i), static_cast<unsigned>(j)), i, j};
        for (int x : {i, j})
            if (w.pairs[x].i < 0 || PairBefore(p, w.pairs[x])) w.pairs[x] = p;
    }

    // The start pair: the first, in sorted order, that holds an arrival of the strongest factor.
    const float strongest = StrongestFactor(fatordist, NE);
    Pair start{std::numeric_limits<float>::infinity(), -1, -1};
    for (unsigned s = 0; s < NE; ++s)
        if (fatordist[s] == strongest && (start.i < 0 || PairBefore(w.pairs[s], start))) start = w.pairs[s];
    if (start.i < 0) return {};

    std::sort(w.pairs.begin(), w.pairs.end(), PairBefore);
    w.pairs.erase(std::unique(w.pairs.begin(), w.pairs.end(),
                              [](const Pair& a, const Pair& b) { return a.i == b.i && a.j == b.j; }),
                  w.pairs.end());
    Placement placement(dir, NE, T, w, true);
    placement.Start(w.pairs[0].dist, start);
    placement.Visit(w.pairs.data(), w.pairs.size());
    return placement.Take();
}
