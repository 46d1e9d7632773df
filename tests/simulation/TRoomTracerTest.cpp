#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "geometry/GeoMath.h"
#include "simulation/Raio_st.h"
#include "simulation/RunGate.h"
#include "simulation/TRayScene.h"
#include "simulation/TResult.h"
#include "simulation/TracerRooms.h"
#include "support/ErrorCapture.h"
#include "support/FileText.h"

using namespace tracertest;
using resulttest::kBands;
using resulttest::ReadLines;
using resulttest::ReadRays;

namespace {

std::string Slurp(const std::filesystem::path& p)
{
    return ReadFile(p);
}

// Mirror images of a point in the planes of an axis-aligned Lx x Ly x H box, by order.
std::vector<std::vector<TPoint3D>> BoxImages(TPoint3D s, double Lx, double Ly, double H, int maxOrder)
{
    std::vector<std::vector<TPoint3D>> images(maxOrder + 1);
    for (int a = -maxOrder; a <= maxOrder; ++a)
        for (int b = -maxOrder; b <= maxOrder; ++b)
            for (int c = -maxOrder; c <= maxOrder; ++c) {
                const int order = std::abs(a) + std::abs(b) + std::abs(c);
                if (order > maxOrder) continue;
                // Image n along an axis of length L: n even -> n L + s, n odd -> n L + L - s.
                auto coord = [](int n, double L, double v) { return n % 2 == 0 ? n * L + v : n * L + L - v; };
                images[order].push_back({coord(a, Lx, s.x), coord(b, Ly, s.y), coord(c, H, s.z)});
            }
    return images;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Physics on a closed shoebox: specular only, every arrival written to the ray files.
// ---------------------------------------------------------------------------------------------

class Shoebox : public ::testing::Test {
protected:
    static constexpr double Lx = 10, Ly = 8, H = 6;
    Shoebox() : box(ShoeboxQuads(Lx, Ly, H), 0.1f)
    {
        box.AddSource(src, 20252);
        box.AddReceiver(rec, 0.3);
        box.room->sourceLayer[0]->spectrum[2] = 2.0f;
        box.room->source[0]->SetPower(0.5f);
        box.room->MaxLength = 44100 / 5;  // 68.6 m of travel
    }
    const TPoint3D src{2.5, 3.0, 1.5};
    const TPoint3D rec{7.0, 5.0, 1.2};
    TracerRoom box;
};

TEST_F(Shoebox, EveryArrivalCarriesItsShareOfPowerTimesReflectionLosses)
{
    box.Run();
    TRoom& room = *box.room;
    EXPECT_EQ(room.NumRays, 20252u);
    const double N = 20252 + 1;  // grid rays and the one receiver-aimed ray
    std::vector<TRay> rays = ReadRays(box.File("RAYS", 1, 1, "-EARLY.txt"));
    const std::vector<TRay> late = ReadRays(box.File("RAYS", 1, 1));
    const std::size_t early = rays.size();
    rays.insert(rays.end(), late.begin(), late.end());
    ASSERT_GT(early, 10u);
    ASSERT_GT(late.size(), 100u);
    for (const TRay& r : rays) {
        ASSERT_GE(r.reflections, 1);
        const double share = 0.5 / N * std::pow(0.9, r.reflections);
        for (unsigned b = 0; b < kBands; ++b)
            ASSERT_NEAR(r.spectrum[b], share * (b == 2 ? 2 : 1), share * 2e-5) << "order " << r.reflections;
        EXPECT_FLOAT_EQ(r.startDir.raio, 1.0f);
        EXPECT_GT(r.fatordist, 0.0f);
        EXPECT_LE(r.fatordist, 1.0f);
    }
    // The direct sound stays in memory: the receiver-aimed ray passes through the centre.
    const TResult& pair = *room.spcresult[0][0];
    EXPECT_GE(pair.DirectSoundRay->reflections, 1);
    EXPECT_EQ(pair.DirectSoundIndex, static_cast<unsigned>(std::lround(Module(rec - src) * 44100.0 / 343.0)));
}

TEST_F(Shoebox, EarlyArrivalsLieOnImageSourcePathLengths)
{
    box.Run();
    const double VS = 44100.0 / 343.0;
    const auto images = BoxImages(src, Lx, Ly, H, 2);
    std::map<int, std::set<std::size_t>> seen;  // order -> images that received an arrival
    for (const TRay& r : ReadRays(box.File("RAYS", 1, 1, "-EARLY.txt"))) {
        ASSERT_LE(r.reflections, 2);
        // A ray passing at most one radius beside the centre travels between the image's
        // distance and that plus the radius.
        bool matched = false;
        const auto& list = images[static_cast<std::size_t>(r.reflections)];
        for (std::size_t k = 0; k < list.size(); ++k) {
            const double D = Module(rec - list[k]);
            if (r.index + 0.5 >= D * VS && r.index - 0.5 <= (D + 0.3) * VS) {
                matched = true;
                seen[r.reflections].insert(k);
            }
        }
        EXPECT_TRUE(matched) << "order " << r.reflections << " index " << r.index;
    }
    // Every first-order image of a convex box is seen, and most second-order ones.
    EXPECT_EQ(seen[1].size(), 6u);
    EXPECT_GE(seen[2].size(), 14u);
}

TEST_F(Shoebox, MeanFreePathsFollowTheDiffuseFieldAndNoRayIsLost)
{
    testing::internal::CaptureStdout();
    box.room->AcousticParameters();
    testing::internal::GetCapturedStdout();
    const double expected = 4 * Lx * Ly * H / (2 * (Lx * Ly + Lx * H + Ly * H));
    box.room->NumRays = 7;
    box.room->IsRunning = true;
    const float estimate = box.room->MFP_Estimation();
    EXPECT_NEAR(estimate, expected, 0.05 * expected);
    EXPECT_EQ(box.room->NumRays, 7u);  // the estimate leaves the room's counters alone
    EXPECT_TRUE(box.room->IsRunning);

    const std::string out = box.Run();
    EXPECT_NEAR(box.room->MeanFreePath, expected, 0.05 * expected);
    EXPECT_NE(out.find("Starting Ray-tracing (Only Specular):\n"), std::string::npos);
    EXPECT_NE(out.find("\r100.00 % - SOURCE 01/01 - RAY = 20253 - LOST = 0 - MFP = "), std::string::npos);
    EXPECT_FLOAT_EQ(box.room->PercentageStatus, 50.0f);
    EXPECT_TRUE(box.room->IsRunning);  // the response phase clears it
    EXPECT_TRUE(std::filesystem::exists(box.dir / "LostRays.txt"));
    EXPECT_TRUE(ReadLines(box.dir / "LostRays.txt").empty());
    // Every wall reflected rays.
    for (const auto& pl : box.room->plane) EXPECT_GT(pl->hits, 1000u);
}

TEST(TracerEmptyRoom, EveryRayIsLostAndTheDirectSoundStillArrives)
{
    TracerRoom room({});
    room.AddSource({0, 0, 0}, 42);
    room.AddReceiver({3, 0, 0}, 0.5);
    testing::internal::CaptureStdout();
    room.room->CreateResults();
    testing::internal::GetCapturedStdout();
    const float mfp = room.room->MeanFreePath;
    EXPECT_TRUE(std::isfinite(mfp));
    testing::internal::CaptureStdout();
    room.room->Simulate();
    testing::internal::GetCapturedStdout();
    const std::vector<std::string> lost = ReadLines(room.dir / "LostRays.txt");
    ASSERT_EQ(lost.size(), 43u);
    EXPECT_EQ(lost[0], "0.00 0.00 0.00 1.00 0.00 0.00 0 0");  // the receiver-aimed ray first
    const TResult& pair = *room.room->spcresult[0][0];
    EXPECT_GE(pair.DirectSoundRay->reflections, 1);
    EXPECT_EQ(pair.DirectSoundIndex, static_cast<unsigned>(std::lround(3 * 44100.0 / 343.0)));
    EXPECT_EQ(room.room->MeanFreePath, mfp);
    EXPECT_TRUE(room.room->lostRays.empty());
}

TEST(TracerEmptyRoom, EstimateFallsBackToTheDiffuseFieldValueNeverNaN)
{
    struct Case {
        double volume, area;
        float mfp;
    };
    for (const Case& c : {Case{100, 50, 8.0f}, Case{0, 0, 0.0f}, Case{100, 0, 0.0f}}) {
        TracerRoom room({});
        room.room->Volume = c.volume;
        room.room->Area = c.area;
        EXPECT_EQ(room.room->MFP_Estimation(), c.mfp) << c.volume << ' ' << c.area;
    }
}

// ---------------------------------------------------------------------------------------------
// Exactness of the speed-ups.
// ---------------------------------------------------------------------------------------------

TEST(RayScene, InsideTestMatchesThePlaneBitForBit)
{
    std::vector<Quad> quads = CofferedHallQuads(10, 8, 6, 2, 2);
    quads.push_back({{0, 0, 0}, {3, 0, 1}, {4, 2, 1}, {1, 3, 0}, {0.5, 1, 0}});  // tilted, five corners
    TracerRoom hall(quads);
    TRayScene scene;
    scene.Build(*hall.room, true);
    std::mt19937 gen(7);
    std::uniform_real_distribution<double> u(-0.2, 1.2);
    unsigned inside = 0;
    for (unsigned P = 0; P < hall.room->NumPlanes; ++P) {
        TPlane& pl = *hall.room->plane[P];
        for (int k = 0; k < 400; ++k) {
            // Points of the plane around and on its outline, corners included.
            const TPoint3D a = pl.GetVertex(0), b = pl.GetVertex(1), c = pl.GetVertex(2);
            TPoint3D X = k < 3 ? pl.GetVertex(k) : a + (b - a) * u(gen) + (c - b) * u(gen);
            const bool expected = pl.Inner(X) >= 0;
            inside += expected;
            ASSERT_EQ(scene.Inside(P, X), expected) << "plane " << P << " point " << k;
        }
    }
    EXPECT_GT(inside, 1000u);
}

// The 10 x 8 x 6 shoebox with extra planes up to the largest small room: a duplicated wall
// (ties go to the lower index), a tilted five-corner plane and small panels.
std::vector<Quad> OddSmallRoom()
{
    std::vector<Quad> odd = ShoeboxQuads(10, 8, 6);
    odd.push_back(odd[3]);
    odd.push_back({{1, 1, 0.5}, {4, 1, 1.5}, {5, 3, 1.5}, {2, 4, 0.5}, {1, 2, 0.5}});
    odd.push_back({{6, 2, 2}, {8, 2, 2}, {8, 4, 2}, {6, 4, 2}});
    odd.push_back({{3, 5, 1}, {3, 7, 1}, {3, 7, 4}, {3, 5, 4}});
    odd.push_back({{7, 6, 3}, {9, 7, 3}, {9, 7, 5}, {7, 6, 5}});
    return odd;
}

TEST(RayScene, SmallRoomSearchMatchesTheLoopOverPlanes)
{
    // A shoebox, and the same with extra planes.
    const std::vector<Quad> odd = OddSmallRoom();
    ASSERT_LT(odd.size(), TRayScene::kMinPlanesForTree);
    for (const std::vector<Quad>& quads : {ShoeboxQuads(10, 8, 6), odd})
        for (const bool wide : {true, false}) {
            TracerRoom room(quads);
            TRayScene scene;
            scene.AllowWideSearch(wide);
            scene.Build(*room.room, true);
            TRaySceneStack stack;
            std::mt19937 gen(5);
            std::uniform_real_distribution<double> ux(0.01, 9.99), uy(0.01, 7.99), uz(0.01, 5.99), ud(-1, 1);
            unsigned found = 0;
            for (int k = 0; k < 20000; ++k) {
                const TPoint3D p(ux(gen), uy(gen), uz(gen));
                TVector v(ud(gen), ud(gen), ud(gen));
                if (k % 7 == 0) v = TVector(0, 0, -1);  // axis-parallel rays meet edges and corners
                if (k % 11 == 0) v = TVector(1, 0, 0);
                const int skip = k % 3 == 0 ? static_cast<int>(k % quads.size()) : -1;
                // The loop over the planes in index order, from the plane's own geometry.
                int want = -1;
                double best = 1.7976931348623158e307;
                TPoint3D wantX;
                for (unsigned P = 0; P < quads.size(); ++P) {
                    TPlane& pl = *room.room->plane[P];
                    if (static_cast<int>(P) == skip || pl.normal * v == 0.0) continue;
                    const TPoint3D X = IntersectionLineAndPlane(v, p, pl.normal, pl.GetVertex(0));
                    const TVector rel(X - p);
                    if (!(rel * v > 0)) continue;
                    const double d = std::sqrt(rel.x * rel.x + rel.y * rel.y + rel.z * rel.z);
                    if (d < best && pl.Inner(X) >= 0) {
                        best = d;
                        want = static_cast<int>(P);
                        wantX = X;
                    }
                }
                TPoint3D X;
                double d = -1;
                ASSERT_EQ(scene.Nearest(p, v, skip, X, d, stack), want) << k;
                if (want >= 0) {
                    ++found;
                    ASSERT_EQ(d, best) << k;
                    ASSERT_TRUE(X == wantX) << k;
                }
            }
            EXPECT_GT(found, 15000u);
        }
}

// The wide search picks the plane from the steps along the ray first and falls back to every
// lane's point near ties: rays that start on a plane or near a corner, and rays aimed at
// points within a rounding to a millimetre of edges and corners, find bit for bit what the
// narrow search finds.
TEST(RayScene, WideSearchMatchesTheNarrowOneAtTiesAndOnPlanes)
{
    std::vector<Quad> seven = ShoeboxQuads(10, 8, 6);
    seven.push_back(seven[2]);  // a duplicated wall: ties go to the lower index
    std::vector<Quad> eight = seven;
    eight.push_back({{6, 2, 2}, {8, 2, 2}, {8, 4, 2}, {6, 4, 2}});
    const double offsets[] = {0.0, 1e-13, 1e-10, 1e-8, 3e-7, 1e-6, 1e-4, 1e-3};
    for (const std::vector<Quad>& quads : {ShoeboxQuads(10, 8, 6), seven, eight}) {
        TracerRoom room(quads);
        TRayScene wide, narrow;
        narrow.AllowWideSearch(false);
        wide.Build(*room.room, true);
        narrow.Build(*room.room, true);
        ASSERT_TRUE(wide.WideSmall());
        TRaySceneStack stack;
        std::mt19937 gen(13);
        std::uniform_real_distribution<double> ux(0.01, 9.99), uy(0.01, 7.99), uz(0.01, 5.99), ud(-1, 1), u01(0, 1);
        unsigned found = 0, cases = 0;
        auto check = [&](const TPoint3D& p, const TVector& v, int skip) {
            TPoint3D X1, X2;
            double d1 = -1, d2 = -1;
            const int P1 = narrow.Nearest(p, v, skip, X1, d1, stack);
            const int P2 = wide.Nearest(p, v, skip, X2, d2, stack);
            ++cases;
            ASSERT_EQ(P1, P2) << cases;
            if (P1 >= 0) {
                ++found;
                ASSERT_EQ(d1, d2) << cases;
                ASSERT_TRUE(X1 == X2) << cases;
            }
        };
        const TPoint3D corners[] = {{0, 0, 0}, {10, 0, 0}, {0, 8, 0}, {10, 8, 6}, {0, 8, 6}, {10, 0, 6}};
        for (int k = 0; k < 3000; ++k) {
            const TVector v(ud(gen), ud(gen), ud(gen));
            const double off = offsets[k % 8];
            // Starts on a wall (the search's start after a reflection), with and without it skipped.
            const unsigned P = static_cast<unsigned>(k) % quads.size();
            const Quad& q = quads[P];
            const double s = u01(gen), t = u01(gen);
            const TPoint3D on(q[0].x + (q[1].x - q[0].x) * s + (q[3].x - q[0].x) * t,
                              q[0].y + (q[1].y - q[0].y) * s + (q[3].y - q[0].y) * t,
                              q[0].z + (q[1].z - q[0].z) * s + (q[3].z - q[0].z) * t);
            check(on, v, -1);
            check(on, v, static_cast<int>(P));
            // Starts near a corner, off it by `off` inwards.
            const TPoint3D& c = corners[k % 6];
            const TPoint3D near(c.x + (c.x > 0 ? -off : off), c.y + (c.y > 0 ? -off : off),
                                c.z + (c.z > 0 ? -off : off));
            check(near, v, -1);
            // Aimed at a corner or an edge's midpoint, missed by `off` one way or the other.
            const TPoint3D p(ux(gen), uy(gen), uz(gen));
            const TPoint3D target = k % 2 ? c : TPoint3D(5, c.y, c.z);
            const double sign = k % 3 ? 1.0 : -1.0;
            check(p, TVector(target.x - p.x + sign * off, target.y - p.y - sign * off, target.z - p.z + off), -1);
        }
        EXPECT_GT(found, 10000u);
    }
}

namespace {

struct SearchCase {
    TPoint3D p;
    TVector v;
    int skip;
};

// Both rays of a case pair through the two-ray search.
__attribute__((target("avx"))) void SearchTwo(const TRayScene& scene, const SearchCase& a, const SearchCase& b, int& Pa,
                                              TPoint3D& Xa, double& da, int& Pb, TPoint3D& Xb, double& db)
{
    const TVector van = UnitLike(a.v), vbn = UnitLike(b.v);
    const TPoint3D a1(a.p.x + van.x, a.p.y + van.y, a.p.z + van.z), b1(b.p.x + vbn.x, b.p.y + vbn.y, b.p.z + vbn.z);
    scene.NearestWide2({a.p, a.v, van, a1, a.skip}, {b.p, b.v, vbn, b1, b.skip}, Pa, Xa, da, Pb, Xb, db);
}

}  // namespace

// The two-ray search finds, for each ray of a pair, the plane, point and distance of the
// narrow search, in rooms of five to eight planes (five and six share a register between the
// rays), whichever plane either ray skips.
TEST(RayScene, TwoRaySearchMatchesTheNarrowOneForEachRay)
{
    std::vector<Quad> five = ShoeboxQuads(10, 8, 6);
    five.erase(five.begin() + 1);
    std::vector<Quad> seven = ShoeboxQuads(10, 8, 6);
    seven.push_back(seven[5]);  // a duplicated wall: ties go to the lower index
    std::vector<Quad> eight = seven;
    eight.push_back({{6, 2, 2}, {8, 2, 2}, {8, 4, 2}, {6, 4, 2}});
    for (const std::vector<Quad>& quads : {five, ShoeboxQuads(10, 8, 6), seven, eight}) {
        TracerRoom room(quads);
        TRayScene wide, narrow;
        narrow.AllowWideSearch(false);
        wide.Build(*room.room, true);
        narrow.Build(*room.room, true);
        if (!wide.WideSmall()) GTEST_SKIP() << "no 256-bit registers";
        TRaySceneStack stack;
        std::mt19937 gen(29);
        std::uniform_real_distribution<double> ud(-1, 1), u01(0, 1);
        std::uniform_int_distribution<int> pick(-1, static_cast<int>(quads.size()) - 1);
        // Starts on a plane, skipping it, another plane or none; starts inside.
        std::vector<SearchCase> cases;
        for (int k = 0; k < 4000; ++k) {
            const TVector v(ud(gen), ud(gen), ud(gen));
            const unsigned P = static_cast<unsigned>(k) % quads.size();
            const Quad& q = quads[P];
            const double s = u01(gen), t = u01(gen);
            const TPoint3D on(q[0].x + (q[1].x - q[0].x) * s + (q[3].x - q[0].x) * t,
                              q[0].y + (q[1].y - q[0].y) * s + (q[3].y - q[0].y) * t,
                              q[0].z + (q[1].z - q[0].z) * s + (q[3].z - q[0].z) * t);
            cases.push_back({on, v, k % 3 ? static_cast<int>(P) : pick(gen)});
            cases.push_back({TPoint3D(10 * u01(gen), 8 * u01(gen), 6 * u01(gen)), v, pick(gen)});
        }
        unsigned found = 0;
        for (std::size_t k = 0; k + 1 < cases.size(); ++k) {
            const SearchCase& a = cases[k];
            const SearchCase& b = cases[(k * 7919 + 1) % cases.size()];
            TPoint3D Xa, Xb, Wa, Wb;
            double da = -1, db = -1, ea = -1, eb = -1;
            int Pa = -2, Pb = -2;
            SearchTwo(wide, a, b, Pa, Xa, da, Pb, Xb, db);
            const int Qa = narrow.Nearest(a.p, a.v, a.skip, Wa, ea, stack);
            const int Qb = narrow.Nearest(b.p, b.v, b.skip, Wb, eb, stack);
            ASSERT_EQ(Pa, Qa) << quads.size() << " planes, case " << k;
            ASSERT_EQ(Pb, Qb) << quads.size() << " planes, case " << k;
            if (Qa >= 0) {
                ++found;
                ASSERT_EQ(da, ea) << k;
                ASSERT_TRUE(Xa == Wa) << k;
            }
            if (Qb >= 0) {
                ASSERT_EQ(db, eb) << k;
                ASSERT_TRUE(Xb == Wb) << k;
            }
        }
        EXPECT_GT(found, 4000u);
    }
}

TEST(RayScene, TreeFindsTheSamePlaneAsThePlainLoop)
{
    std::vector<Quad> quads = CofferedHallQuads(10, 8, 6, 4, 3);
    // Duplicated planes: ties must go to the lower index either way.
    quads.push_back(quads[3]);
    quads.push_back(quads[10]);
    TracerRoom hall(quads);
    TRayScene plain, tree;
    plain.Build(*hall.room, false);
    tree.Build(*hall.room, true);
    ASSERT_FALSE(plain.Accelerated());
    ASSERT_TRUE(tree.Accelerated());
    TRaySceneStack stack;
    std::mt19937 gen(11);
    std::uniform_real_distribution<double> ux(0.01, 9.99), uy(0.01, 7.99), uz(0.01, 6.3), ud(-1, 1);
    unsigned visibleDiffer = 0, found = 0;
    for (int k = 0; k < 20000; ++k) {
        const TPoint3D p(ux(gen), uy(gen), uz(gen));
        TVector v(ud(gen), ud(gen), ud(gen));
        if (k % 7 == 0) v = TVector(0, 0, 1);  // axis-parallel rays hit edges and corners
        if (k % 11 == 0) v = TVector(1, 0, 0);
        const int skip = k % 5 == 0 ? static_cast<int>(k % quads.size()) : -1;
        TPoint3D X1, X2;
        double d1 = -1, d2 = -1;
        const int P1 = plain.Nearest(p, v, skip, X1, d1, stack);
        const int P2 = tree.Nearest(p, v, skip, X2, d2, stack);
        ASSERT_EQ(P1, P2) << k;
        if (P1 >= 0) {
            ++found;
            ASSERT_EQ(d1, d2);
            ASSERT_TRUE(X1 == X2);
        }
        const TPoint3D q(ux(gen), uy(gen), uz(gen));
        const int vis1 = plain.Visible(p, q, skip, stack);
        ASSERT_EQ(vis1, tree.Visible(p, q, skip, stack)) << k;
        visibleDiffer += vis1 == 0;
    }
    EXPECT_GT(found, 19000u);
    EXPECT_GT(visibleDiffer, 100u);
}

// Rays aimed exactly at the edges and corners of closed rooms (axis-aligned and turned, small
// and tree-searched) always find a plane, and go on finding one, reflection after reflection:
// no ray leaves a closed room through an edge or a vertex, on any search path.
TEST(RayScene, RaysAimedAtEdgesAndCornersStayInAClosedRoom)
{
    // The shoebox turned 30 degrees about z, tilted 20 about x and moved off the origin.
    const double cz = std::cos(0.5235987755982988), sz = std::sin(0.5235987755982988);
    const double cx = std::cos(0.3490658503988659), sx = std::sin(0.3490658503988659);
    auto turn = [&](TPoint3D q) {
        const TPoint3D a(cz * q.x - sz * q.y, sz * q.x + cz * q.y, q.z);
        return TPoint3D(a.x + 3.7, cx * a.y - sx * a.z - 1.3, sx * a.y + cx * a.z + 0.9);
    };
    std::vector<Quad> turned = ShoeboxQuads(10, 8, 4);
    for (Quad& q : turned)
        for (TPoint3D& c : q) c = turn(c);
    struct Case {
        const char* name;
        std::vector<Quad> quads;
        bool turned;
    };
    const Case cases[] = {
        {"box", ShoeboxQuads(10, 8, 4), false},
        {"turned box", turned, true},
        {"strip floor", StripFloorQuads(10, 8, 4), false},
        {"coffered hall", CofferedHallQuads(10, 8, 4, 3, 2), false},
    };
    const TPoint3D starts[] = {{5, 4, 2}, {1.3, 6.9, 0.4}, {8.8, 0.7, 3.5}};
    const double along[] = {0.0, 1.0 / 3.0, 0.5, 0.7310585786300049};
    for (const Case& c : cases)
        for (const bool accelerate : {false, true})
            for (const bool wide : {false, true}) {
                TracerRoom room(c.quads);
                TRayScene scene;
                scene.AllowWideSearch(wide);
                scene.Build(*room.room, accelerate);
                TRaySceneStack stack;
                unsigned aimed = 0;
                for (const Quad& q : c.quads)
                    for (std::size_t e = 0; e < q.size(); ++e)
                        for (const double t : along)
                            for (TPoint3D p : starts) {
                                if (c.turned) p = turn(p);
                                const TPoint3D a = q[e], b = q[(e + 1) % q.size()];
                                const TPoint3D target(a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t,
                                                      a.z + (b.z - a.z) * t);
                                TVector v(target.x - p.x, target.y - p.y, target.z - p.z);
                                int skip = -1;
                                ++aimed;
                                std::ostringstream path;
                                path.precision(17);
                                for (int k = 0; k < 40; ++k) {
                                    TPoint3D X;
                                    double d = -1;
                                    const int P = scene.Nearest(p, v, skip, X, d, stack);
                                    ASSERT_GE(P, 0)
                                        << c.name << " tree " << accelerate << " wide " << wide << ": aimed at "
                                        << target.x << ' ' << target.y << ' ' << target.z << " from " << p.x << ' '
                                        << p.y << ' ' << p.z << ", lost after " << k << " reflections" << path.str();
                                    // Walls are no nearer than the aimed point (coffers may be).
                                    if (k == 0 && c.quads.size() < 12) {
                                        ASSERT_LT(Module(X - target), 1e-6) << c.name;
                                    }
                                    ASSERT_GE(d, 0.0);
                                    path << "\n " << P << " at " << X.x << ' ' << X.y << ' ' << X.z << " v " << v.x
                                         << ' ' << v.y << ' ' << v.z;
                                    const TVector n = scene.plane(static_cast<unsigned>(P)).normal;
                                    v = v - n * (2 * (v * n));
                                    p = X;
                                    skip = P;
                                }
                            }
                EXPECT_GT(aimed, 280u);
            }
}

namespace {

enum class Room { Box, StripFloor, Hall };
enum class Mode { Specular, Diffuse, Tail };

struct Paths {
    unsigned threads;
    bool tree, wide, paired;
};

// Everything a run leaves behind: every file of the project folder, the mean free path, the
// plane counters and the direct sound of every pair.
std::map<std::string, std::string> RunOutputs(Room kind, Mode mode, Paths paths)
{
    std::vector<Quad> quads;
    if (kind == Room::Box) quads = ShoeboxQuads(10, 8, 6);
    if (kind == Room::StripFloor) quads = StripFloorQuads(10, 8, 6);
    if (kind == Room::Hall) {
        quads = CofferedHallQuads(10, 8, 6, 3, 3);
        quads.erase(quads.end() - 1);  // one coffer open to the sky: some rays are lost
    }
    if (kind != Room::Hall) quads.erase(quads.begin() + 1);  // no ceiling: some rays are lost
    TracerRoom hall(quads, 0.2f, 0.3f);
    hall.AddSource({2, 2, 1.5}, kind == Room::Hall ? 2000 : 1500);
    hall.AddSource({8, 6, 2}, 1000);
    for (unsigned r = 0; r < 2; ++r) hall.AddReceiver({3.0 + r, 5.0, 1.2 + 0.3 * r}, 0.5);
    hall.room->DiffuseProcessing = mode == Mode::Diffuse;
    hall.room->ArtificialTailFlag = mode == Mode::Tail;
    hall.room->MaxRayTracReflections = -1;
    hall.room->HitFilesFlag = 1;
    hall.room->SaveDiffuseRaysFlag = 1;
    hall.room->ClusterOrderGlobal = 3;
    hall.room->MaxLength = 44100 / 4;
    hall.room->run.TracerThreads = paths.threads;
    hall.room->run.TracerAcceleration = paths.tree;
    hall.room->run.TracerWideSearch = paths.wide;
    hall.room->run.TracerPairedRays = paths.paired;
    hall.Run();
    std::map<std::string, std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(hall.dir.dir))
        out[e.path().filename().string()] = Slurp(e.path());
    std::ostringstream s;
    s.precision(9);
    s << hall.room->MeanFreePath << '\n';
    for (const auto& pl : hall.room->plane) s << pl->hits << ' ';
    for (const auto& row : hall.room->spcresult)
        for (const auto& pair : row) {
            s << '\n' << pair->DirectSoundRay->reflections << ' ' << pair->DirectSoundIndex;
            for (float e : pair->DirectSoundRay->spectrum) s << ' ' << e;
            for (const auto& band : pair->IR[0]) {
                double sum = 0;
                for (float x : band) sum += x;
                s << ' ' << sum;
            }
        }
    out["state"] = s.str();
    return out;
}

class TracerExactness : public testing::TestWithParam<std::tuple<Room, Mode>> {};

}  // namespace

// Every path of the tracer (threads, tree, wide search, two rays at a time) on and off gives
// the same files, byte for byte, as one thread with every path off.
TEST_P(TracerExactness, EveryPathGivesTheSameOutputs)
{
    const auto [kind, mode] = GetParam();
    const auto reference = RunOutputs(kind, mode, {1, false, false, false});
    ASSERT_GE(reference.size(), 10u);
    EXPECT_FALSE(reference.at("LostRays.txt").empty());
    EXPECT_GT(reference.at("RAYS-S001-R001-EARLY.txt").size(), 1000u);
    EXPECT_FALSE(reference.at("HITS-S002-R002.txt").empty());
    for (const unsigned threads : {1u, 4u})
        for (int bits = 0; bits < 8; ++bits) {
            const Paths paths{threads, (bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0};
            if (threads == 1 && bits == 0) continue;
            const auto other = RunOutputs(kind, mode, paths);
            ASSERT_EQ(other.size(), reference.size());
            for (const auto& [name, text] : reference)
                EXPECT_TRUE(other.at(name) == text)
                    << name << " differs with " << threads << " threads, tree " << paths.tree << ", wide " << paths.wide
                    << ", paired " << paths.paired;
        }
}

std::string CaseName(const testing::TestParamInfo<std::tuple<Room, Mode>>& info)
{
    const char* const rooms[] = {"Box6", "StripFloor11", "Hall"};
    const char* const modes[] = {"Specular", "Diffuse", "Tail"};
    return std::string(rooms[static_cast<int>(std::get<0>(info.param))]) +
           modes[static_cast<int>(std::get<1>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(Rooms, TracerExactness,
                         testing::Combine(testing::Values(Room::Box, Room::StripFloor, Room::Hall),
                                          testing::Values(Mode::Specular, Mode::Diffuse, Mode::Tail)),
                         CaseName);

// An arrival goes to the early files up to the cluster order and to the late ones past it; the
// late ray file only with SAVE_LATE_RAYS (else into the response), a scattered arrival's second
// hit line to the late hit file only with SAVE_DIFFUSE_RAYS. Hit lines follow their arrivals.
TEST(TracerFiles, ArrivalsGoWhereTheirOrderAndTheFlagsSendThem)
{
    struct Files {
        std::vector<TRay> early, late;
        std::vector<std::string> earlyHits, lateHits;
    };
    auto run = [](bool saveLate, bool saveDiffuse) {
        TracerRoom box(ShoeboxQuads(10, 8, 6), 0.2f, 0.3f);
        box.AddSource({2, 2, 1.5}, 800);
        box.AddReceiver({6, 5, 1.2}, 0.5);
        box.room->DiffuseProcessing = 1;
        box.room->HitFilesFlag = 1;
        box.room->SaveLateRaysFlag = saveLate;
        box.room->SaveDiffuseRaysFlag = saveDiffuse;
        box.room->MaxLength = 44100 / 4;
        box.room->run.TracerThreads = 3;
        box.Run();
        return Files{ReadRays(box.File("RAYS", 1, 1, "-EARLY.txt")), ReadRays(box.File("RAYS", 1, 1)),
                     ReadLines(box.File("HITS", 1, 1, "-EARLY.txt")), ReadLines(box.File("HITS", 1, 1))};
    };
    // Scattered arrivals carry a distance factor of exactly 1.
    auto scattered = [](const std::vector<TRay>& rays) {
        return static_cast<std::size_t>(
            std::count_if(rays.begin(), rays.end(), [](const TRay& r) { return r.fatordist == 1.0f; }));
    };
    for (const bool saveDiffuse : {false, true}) {
        SCOPED_TRACE(saveDiffuse ? "scattered hits saved" : "scattered hits not saved");
        const Files kept = run(true, saveDiffuse), inserted = run(false, saveDiffuse);
        const std::size_t early = kept.early.size(), late = kept.late.size();
        ASSERT_GT(scattered(kept.early), 0u);
        ASSERT_GT(late - scattered(kept.late), 0u);
        for (const TRay& r : kept.early) EXPECT_TRUE(r.reflections >= 1 && r.reflections <= 2) << r.reflections;
        for (const TRay& r : kept.late) EXPECT_GT(r.reflections, 2);
        ASSERT_EQ(kept.earlyHits.size(), early);
        for (std::size_t i = 0; i < early; ++i)
            EXPECT_EQ(std::stoul(kept.earlyHits[i]), kept.early[i].index) << kept.earlyHits[i];
        const std::size_t scatteredHits = saveDiffuse ? scattered(kept.early) + scattered(kept.late) : 0;
        EXPECT_EQ(kept.lateHits.size(), late - scattered(kept.late) + scatteredHits);
        // Inserting the late arrivals instead changes no other file.
        EXPECT_TRUE(inserted.late.empty());
        EXPECT_EQ(inserted.early.size(), early);
        EXPECT_EQ(inserted.earlyHits, kept.earlyHits);
        EXPECT_EQ(inserted.lateHits, kept.lateHits);
    }
}

// ---------------------------------------------------------------------------------------------
// Receivers, visibility and the run's bookkeeping.
// ---------------------------------------------------------------------------------------------

TEST(TracerReception, WeightFallsWithTheSquaredDistanceFromTheCentre)
{
    TracerRoom room({});
    room.AddReceiver({5, 0, 0}, 0.4);
    struct Case {
        TPoint3D p;
        TVector v;
        double weight;  // NaN: no arrival
    };
    const double nan = std::nan("");
    const Case cases[] = {
        {{0, 0, 0}, {1, 0, 0}, 1.0},     // through the centre
        {{0, 0.2, 0}, {1, 0, 0}, 0.75},  // half the radius beside it
        {{0, 0, -0.4}, {1, 0, 0}, nan},  // at the radius
        {{0, 1, 0}, {1, 0, 0}, nan},     // far beside
        {{6, 0, 0}, {1, 0, 0}, -1.0},    // centre behind the ray
        {{5, 0, 0}, {0, 1, 0}, -1.0},    // starting at the centre
    };
    for (const Case& c : cases) {
        Raio_st ray(kBands);
        ray.p = c.p;
        ray.v = c.v;
        const double w = room.room->RayTracingReception(ray, 0, 0);
        if (std::isnan(c.weight))
            EXPECT_FALSE(w >= 0) << c.p.x << ' ' << c.p.y << ' ' << c.p.z;
        else
            EXPECT_NEAR(w, c.weight, 1e-6) << c.p.x << ' ' << c.p.y << ' ' << c.p.z;
    }
}

TEST(TracerVisibility, ReflectingPlaneCannotBlockAndOtherPlanesDo)
{
    // A floor and a screen standing on it at x = 5.
    TracerRoom room({{{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}}, {{5, 0, 0}, {5, 10, 0}, {5, 10, 3}, {5, 0, 3}}});
    struct Case {
        TPoint3D p, rec;
        int skip;
        int visible;
    };
    const Case cases[] = {
        {{2, 2, 0}, {3, 3, 2}, 0, 1},       // from the floor, same side
        {{2, 2, 0}, {8, 3, 2}, 0, 0},       // behind the screen
        {{2, 2, 0}, {8, 3, 8}, 0, 1},       // over the screen
        {{5, 5, 1}, {2, 5, 1}, 1, 1},       // from the screen itself
        {{2, 2, 1e-13}, {3, 3, 2}, -1, 1},  // near the floor, nothing skipped
    };
    for (const Case& c : cases)
        EXPECT_EQ(room.room->CheckVisibility(c.p, c.rec, c.skip), c.visible) << c.rec.x << ' ' << c.rec.z;
    // A point of the floor on its far side is blocked by the floor when it is not skipped.
    EXPECT_EQ(room.room->CheckVisibility({2, 2, 1}, {3, 3, -1}), 0);
}

// The small-room visibility test on 256-bit registers decides as the plane-by-plane one: from
// points inside and on planes (their corners and edges too) to receivers inside, beside and
// on planes, in a shoebox and in an eleven-plane room (three groups of lanes).
TEST(TracerVisibility, WideTestMatchesTheNarrowOne)
{
    const std::vector<Quad> odd = OddSmallRoom();
    ASSERT_LT(odd.size(), TRayScene::kMinPlanesForTree);
    for (const std::vector<Quad>& quads : {ShoeboxQuads(10, 8, 6), odd}) {
        TracerRoom room(quads);
        TRayScene wide, narrow;
        narrow.AllowWideSearch(false);
        wide.Build(*room.room, true);
        narrow.Build(*room.room, true);
        TRaySceneStack stack;
        std::mt19937 gen(17);
        std::uniform_real_distribution<double> ux(-1, 11), uy(-1, 9), uz(-1, 7);
        std::uniform_int_distribution<int> grid(0, 4);
        unsigned visible = 0, blocked = 0;
        for (int k = 0; k < 40000; ++k) {
            TPoint3D p(ux(gen), uy(gen), uz(gen)), rec(ux(gen), uy(gen), uz(gen));
            // Points on the box's planes, edges and corners.
            if (k % 3 == 0) p = TPoint3D(2.5 * grid(gen), 2.0 * grid(gen), 1.5 * grid(gen));
            if (k % 5 == 0) rec = TPoint3D(2.5 * grid(gen), 2.0 * grid(gen), 1.5 * grid(gen));
            const int skip = k % 4 == 0 ? -1 : static_cast<int>(k % quads.size());
            const int want = narrow.Visible(p, rec, skip, stack);
            ASSERT_EQ(wide.Visible(p, rec, skip, stack), want) << k;
            ++(want ? visible : blocked);
        }
        EXPECT_GT(visible, 5000u);
        EXPECT_GT(blocked, 5000u);
    }
}

TEST(TracerRun, ReceiverAtTheSourceAndTinyRayCountsGiveNoNaN)
{
    TracerRoom box(ShoeboxQuads(4, 3, 2.5));
    box.AddSource({1, 1, 1}, 5);
    box.room->source[0]->NumberOfRays = 5;  // below the grid's smallest count
    box.AddReceiver({1, 1, 1}, 0.3);        // at the source
    box.AddReceiver({3, 2, 1}, 0.3);
    box.room->DiffuseProcessing = 1;
    box.room->CreateLostRays(4);
    const std::string out = box.Run();
    EXPECT_EQ(box.room->NumRays, 12u);
    EXPECT_EQ(box.room->source[0]->NumberOfRays, 12u);
    EXPECT_NE(out.find("NumRays = 14\n"), std::string::npos);
    for (const auto& e : std::filesystem::directory_iterator(box.dir.dir)) {
        const std::string text = Slurp(e.path());
        EXPECT_EQ(text.find("nan"), std::string::npos) << e.path();
    }
    EXPECT_EQ(box.room->NumLostRays, 0u);
    EXPECT_TRUE(box.room->lostRays.empty());
    EXPECT_FALSE(std::isnan(box.room->MeanFreePath));
}

TEST(TracerRun, RefusalsAndTheArtificialTailNotice)
{
    {
        TracerRoom box(ShoeboxQuads(4, 3, 2.5));
        ErrorCapture cap;
        box.room->Simulate();
        ASSERT_EQ(cap.messages.size(), 1u);
        EXPECT_EQ(cap.messages[0], "Programming Error: ResultsCreate Function not Called!!!!");
    }
    for (bool withSource : {false, true}) {
        TracerRoom box(ShoeboxQuads(4, 3, 2.5));
        if (withSource)
            box.AddSource({1, 1, 1}, 12);
        else
            box.AddReceiver({1, 1, 1}, 0.3);
        box.room->ResultsCreated = true;
        ErrorCapture cap;
        testing::internal::CaptureStdout();
        box.room->Simulate();
        testing::internal::GetCapturedStdout();
        ASSERT_EQ(cap.messages.size(), 1u);
        EXPECT_EQ(cap.messages[0], withSource ? "No receiver was defined\nSimulation aborted!\n"
                                              : "No source was defined\nSimulation aborted!\n");
    }
    TracerRoom box(ShoeboxQuads(4, 3, 2.5));
    box.AddSource({1, 1, 1}, 42);
    box.AddReceiver({3, 2, 1}, 0.6);
    box.room->ArtificialTailFlag = true;
    box.room->MaxRayTracReflections = -1;
    const std::string out = box.Run();
    EXPECT_NE(out.find("ATENTION: ARTIFICIAL_TAIL flag in ON and MAX_RAYTRAC_REF is -1\n"), std::string::npos);
    EXPECT_NE(out.find("Setting MAX_RAYTRAC_REF = 6.\n"), std::string::npos);
    EXPECT_EQ(box.room->MaxRayTracReflections, 6);
    // Rays 0, 10, 20, ... ignore the limit; the others record orders up to 6.
    int maxOther = 0, maxTenth = 0;
    for (const char* tail : {".txt", "-EARLY.txt"})
        for (const TRay& r : ReadRays(box.File("RAYS", 1, 1, tail)))
            (r.ID % 10 == 0 ? maxTenth : maxOther) = std::max(r.ID % 10 == 0 ? maxTenth : maxOther, r.reflections);
    EXPECT_LE(maxOther, 6);
    EXPECT_GT(maxTenth, 6);
}

TEST(TracerVariants, ConvertRaysAndTheModalTrace)
{
    TracerRoom box(ShoeboxQuads(4, 3, 2.5));
    Raio_st ray(kBands);
    const std::vector<float> e(kBands, 0.25f);
    ray.Set({1, 1, 1}, {0, 0, 1}, 2, 3.43f, e.data());
    TRay out(kBands);
    box.room->ConvertRays(ray, out);
    EXPECT_EQ(out.index, static_cast<unsigned>(3.43f / 343.0f * 44100.0f));
    EXPECT_FLOAT_EQ(out.dir.elev, static_cast<float>(-M_PI / 2));
    EXPECT_FLOAT_EQ(out.dir.raio, 1.0f);
    EXPECT_EQ(out.spectrum, e);

    box.AddSource({1, 1, 1}, 42);
    box.AddReceiver({3, 2, 1.2}, 0.5);
    box.room->ClusterOrderGlobal = 0;
    box.room->SaveLateRaysFlag = 0;
    testing::internal::CaptureStdout();
    box.room->AcousticParameters();
    box.room->CreateResults();
    box.room->SimulateModes();  // ModalFlag off: nothing
    const std::string off = testing::internal::GetCapturedStdout();
    EXPECT_EQ(off.find("Start Modal Processing"), std::string::npos);
    EXPECT_EQ(box.room->spcresult[0][0]->LateRefCount, 0u);

    box.room->ModalFlag = true;
    testing::internal::CaptureStdout();
    box.room->SimulateModes();
    const std::string on = testing::internal::GetCapturedStdout();
    EXPECT_NE(on.find("Start Modal Processing ...\n"), std::string::npos);
    EXPECT_NE(on.find("SOURCE 01/01 - RAY = 6 - LOST = 0 - MPF = "), std::string::npos);
    EXPECT_EQ(box.room->NumRays, 6u);
    EXPECT_GT(box.room->spcresult[0][0]->LateRefCount, 0u);
    EXPECT_EQ(box.room->spcresult[0][0]->EarlyRefCount, 0u);
    EXPECT_FLOAT_EQ(box.room->PercentageStatus, 50.0f);
}

// With several threads the run is held where the tracing starts them and the flag is cleared
// there. On one thread nothing holds it: the flag is cleared once the tracing has begun, and a
// clear that came too late to tell (the first source nearly done) is tried again with more rays.
// Either way the rays committed after the flag was cleared are the one being committed then and
// the next.
TEST(TracerRun, ClearingTheRunningFlagEndsTheTracingAfterTheCurrentRay)
{
    for (unsigned threads : {1u, 4u}) {
        SCOPED_TRACE(threads);
        for (unsigned rays = 20252, attempt = 1;; rays *= 2, ++attempt) {
            TracerRoom box(ShoeboxQuads(10, 8, 6));
            box.AddSource({2, 2, 1.5}, rays);
            box.AddSource({8, 6, 1.5}, rays);
            box.AddReceiver({5, 4, 1.2}, 0.5);
            box.room->MaxLength = 44100;
            box.room->run.TracerThreads = threads;
            testing::internal::CaptureStdout();
            box.room->AcousticParameters();
            box.room->CreateResults();
            box.room->PercentageStatus = 0.0f;
            runtest::RunGate gate;
            std::optional<runtest::ParkAtThreadStarts> at;
            if (threads > 1) at.emplace(gate);
            std::atomic<bool> ended{false};
            std::thread run([&] {
                box.room->Simulate();
                ended = true;
            });
            if (threads > 1)
                EXPECT_TRUE(gate.WaitParked([&] { return ended.load(); })) << "the tracing started no thread";
            else
                while (box.room->PercentageStatus.load() == 0.0f) std::this_thread::yield();
            box.room->IsRunning = false;
            const float seen = box.room->PercentageStatus.load();
            gate.Release();
            run.join();
            at.reset();
            const std::string out = testing::internal::GetCapturedStdout();
            const float ray = 50.0f / static_cast<float>(2 * (box.room->NumRays + 1));  // one ray's share
            if (seen + 3.0f * ray >= 25.0f && attempt < 5) continue;
            const float end = box.room->PercentageStatus.load();
            EXPECT_LE(end, seen + 2.5f * ray) << seen;
            EXPECT_LT(end, 25.0f);
            EXPECT_EQ(out.find("SOURCE 02/02"), std::string::npos);
            EXPECT_NE(out.find("\r100.00 % - SOURCE 01/02"), std::string::npos);
            break;
        }
    }
}
