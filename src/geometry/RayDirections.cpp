#include "geometry/RayDirections.h"

#include <cmath>

namespace {

// Largest order whose grid count still fits in 32 bits.
constexpr unsigned kMaxOrder = 20724;

unsigned ClampOrder(double n)
{
    if (!(n >= 1.0)) return 1;  // also NaN
    if (n >= kMaxOrder) return kMaxOrder;
    return static_cast<unsigned>(n);
}

uint32_t CountForOrder(unsigned n)
{
    return 10u * n * n + 2u;
}

// Edges of the icosahedron: (first vertex, second vertex).
constexpr int kEdges[30][2] = {{0, 1}, {0, 2}, {0, 3}, {0, 4},  {0, 5},  {1, 6},  {2, 6},  {2, 7},  {3, 7},  {3, 8},
                               {4, 8}, {4, 9}, {5, 9}, {5, 10}, {1, 10}, {6, 11}, {7, 11}, {8, 11}, {9, 11}, {10, 11},
                               {1, 2}, {2, 3}, {3, 4}, {4, 5},  {5, 1},  {6, 7},  {7, 8},  {8, 9},  {9, 10}, {10, 6}};

// Faces: (first edge, second edge, closing). Without the flag both edges start at the same
// vertex, with it they end at the same vertex.
struct Face {
    int e1, e2;
    bool closing;
};
constexpr Face kFaces[20] = {{0, 1, false},   {1, 2, false},  {2, 3, false},   {3, 4, false},  {4, 0, false},
                             {5, 6, true},    {6, 7, false},  {7, 8, true},    {8, 9, false},  {9, 10, true},
                             {10, 11, false}, {11, 12, true}, {12, 13, false}, {13, 14, true}, {14, 5, false},
                             {15, 16, true},  {16, 17, true}, {17, 18, true},  {18, 19, true}, {19, 15, true}};

}  // namespace

unsigned RayGridOrder(uint32_t NumberOfRays)
{
    if (NumberOfRays < 12) return 1;
    uint32_t q = (NumberOfRays - 2) / 10;
    return ClampOrder(std::floor(std::sqrt(static_cast<double>(q)) + 0.5));
}

uint32_t RayGridCount(uint32_t NumberOfRays)
{
    return CountForOrder(RayGridOrder(NumberOfRays));
}

static unsigned DirectionOrder(double NumberOfRays)
{
    return ClampOrder(std::sqrt((NumberOfRays - 2) / 10));
}

uint32_t RayDirectionCount(double NumberOfRays)
{
    return CountForOrder(DirectionOrder(NumberOfRays));
}

TVector SphericalStep(TVector A, TVector B, int t, int k)
{
    double theta = std::acos(A * B);
    TVector U = A * (B * B) - B * (A * B);
    TVector W = B * (A * A) - A * (A * B);
    TVector C = A / B;
    double D = C * C;
    return (U * std::cos(t * theta / k) + W * std::cos((k - t) * theta / k)) / D;
}

uint32_t FillRayDirections(double NumberOfRays, TVector* RaysDir)
{
    const int n = static_cast<int>(DirectionOrder(NumberOfRays));
    const double pi = 3.141592653589793;
    const double S = 2.0 / std::sqrt(5.0);
    const double R = (5.0 - std::sqrt(5.0)) / 5.0;

    RaysDir[0] = TVector(0.0, 0.0, 1.0);
    for (int i = 1; i <= 5; ++i) {
        double a = i * pi * 72 / 180;
        double b = i * 226.1946710584651 / 180 + 0.6283185307179586;
        RaysDir[i] = TVector(S * std::cos(a), S * std::sin(a), 1.0 - R);
        RaysDir[5 + i] = TVector(S * std::cos(b), S * std::sin(b), R - 1.0);
    }
    RaysDir[11] = TVector(0.0, 0.0, -1.0);

    uint32_t next = 12;
    uint32_t edgeStart[30];
    for (int e = 0; e < 30; ++e) {
        edgeStart[e] = next;
        for (int t = 1; t < n; ++t) RaysDir[next++] = SphericalStep(RaysDir[kEdges[e][0]], RaysDir[kEdges[e][1]], t, n);
    }
    for (const Face& f : kFaces) {
        for (int m = 1; m < n; ++m) {
            TVector A = RaysDir[edgeStart[f.e1] + m - 1];
            TVector B = RaysDir[edgeStart[f.e2] + m - 1];
            int k = f.closing ? n - m : m;
            for (int w = 1; w < k; ++w) RaysDir[next++] = SphericalStep(A, B, w, k);
        }
    }
    return next;
}

std::vector<TVector> MakeRayDirections(double NumberOfRays)
{
    std::vector<TVector> dirs(RayDirectionCount(NumberOfRays));
    FillRayDirections(NumberOfRays, dirs.data());
    return dirs;
}
