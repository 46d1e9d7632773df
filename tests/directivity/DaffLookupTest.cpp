// Finding records by direction: nearest neighbour, grid cells, record directions, the view
// transform and the normalisation of directions.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "directivity/daff/DAFFContent.h"
#include "directivity/daff/DAFFProperties.h"
#include "directivity/daff/DAFFReader.h"
#include "directivity/daff/DAFFSCTransform.h"
#include "directivity/daff/DAFFUtils.h"
#include "support/DaffTestWriter.h"

using namespace dafftest;

namespace {

std::unique_ptr<DAFFReader> loadLookup(const DaffTestWriter& w)
{
    std::unique_ptr<DAFFReader> r(DAFFReader::create());
    const auto b = w.bytes();
    EXPECT_EQ(r->deserialize(reinterpret_cast<const char*>(b.data()), b.size()), DAFF_NO_ERROR);
    return r;
}

DaffTestWriter grid(int alphaPoints, float alphaStart, float alphaEnd, int betaPoints, float betaStart, float betaEnd)
{
    DaffTestWriter w;
    w.main.alphaPoints = alphaPoints;
    w.main.alphaStart = alphaStart;
    w.main.alphaEnd = alphaEnd;
    w.main.betaPoints = betaPoints;
    w.main.betaStart = betaStart;
    w.main.betaEnd = betaEnd;
    w.main.numRecords = gridRecords(alphaPoints, betaStart, betaEnd, betaPoints);
    w.freqs = {1000.0f};
    w.records.assign(std::size_t(w.main.numRecords), {ChannelRecord{-1, {}, 0, {}, {1.0}, {}}});
    return w;
}

// Angle in degrees between two object-view directions (azimuth, elevation in degrees).
double angleBetween(double az1, double el1, double az2, double el2)
{
    const double d = M_PI / 180;
    const double c =
        std::sin(el1 * d) * std::sin(el2 * d) + std::cos(el1 * d) * std::cos(el2 * d) * std::cos((az1 - az2) * d);
    return std::acos(std::clamp(c, -1.0, 1.0)) / d;
}

struct LookupCase {
    const char* grid;  // "sphere": 5 degree sphere, "band": alpha 0..180 x beta 30..150, ...
    int view;
    float a1, a2;
    int record;
    bool outOfBounds;
};

DaffTestWriter gridByName(const std::string& name)
{
    if (name == "sphere") return fullSphere5Deg();
    if (name == "band") return grid(3, 0, 180, 3, 30, 150);
    if (name == "point") return grid(1, 45, 45, 1, 90, 90);
    if (name == "south") return grid(4, 0, 270, 3, 0, 90);
    if (name == "closed") return grid(36, 10, 10, 3, 30, 150);  // full ring written from 10
    if (name == "wrap") return grid(10, 300, 30, 3, 30, 150);   // ring through 0, 10 degree steps
    return grid(4, 0, 270, 2, 10, 180);                         // "north"
}

}  // namespace

TEST(DaffLookup, NearestNeighbourTable)
{
    const LookupCase cases[] = {
        {"sphere", DAFF_DATA_VIEW, 2.4f, 90, 1225, false},
        {"sphere", DAFF_DATA_VIEW, 2.5f, 90, 1226, false},        // halves away from zero
        {"sphere", DAFF_DATA_VIEW, 357.6f, 90, 1225, true},       // past 355, nearer to 0
        {"sphere", DAFF_DATA_VIEW, 357.4f, 90, 1296, true},       // past 355, nearer to 355
        {"sphere", DAFF_DATA_VIEW, -0.0001f, 90, 1225, true},     // becomes 360
        {"sphere", DAFF_DATA_VIEW, 123, 0.000005f, 0, false},     // south pole
        {"sphere", DAFF_DATA_VIEW, 77, 179.99999f, 2521, false},  // north pole
        {"sphere", DAFF_DATA_VIEW, 10, 190, 2415, false},         // beyond the north pole: 190, 170
        {"sphere", DAFF_DATA_VIEW, 10, -10, 111, false},          // beyond the south pole: 190, 10
        {"sphere", DAFF_OBJECT_VIEW, 0, 0, 1225, false},
        {"sphere", DAFF_OBJECT_VIEW, 30, 10, 1375, false},
        {"sphere", DAFF_OBJECT_VIEW, -90, 0, 1279, false},
        {"sphere", DAFF_OBJECT_VIEW, 180, 0, 1261, false},
        {"sphere", DAFF_OBJECT_VIEW, 45, -90, 0, false},
        {"sphere", DAFF_OBJECT_VIEW, 45, 90, 2521, false},
        {"band", DAFF_DATA_VIEW, 0, 10, 0, true},    // below the beta range
        {"band", DAFF_DATA_VIEW, 90, 170, 7, true},  // above it
        {"band", DAFF_DATA_VIEW, 90, 90, 4, false},
        {"band", DAFF_DATA_VIEW, 280, 90, 3, true},  // outside: nearer to the start across 0
        {"band", DAFF_DATA_VIEW, 260, 90, 5, true},  // outside: nearer to the end
        {"band", DAFF_DATA_VIEW, 200, 90, 5, true},
        {"point", DAFF_DATA_VIEW, 45, 90, 0, false},
        {"point", DAFF_DATA_VIEW, 46, 90, 0, true},
        {"south", DAFF_DATA_VIEW, 90, 90, 6, false},
        {"south", DAFF_DATA_VIEW, 90, 2, 0, false},
        {"north", DAFF_DATA_VIEW, 90, 175, 4, false},
        {"north", DAFF_DATA_VIEW, 90, 20, 1, false},
        {"closed", DAFF_DATA_VIEW, 93, 90, 36 + 8, false},  // 83 degrees past the start
        {"closed", DAFF_DATA_VIEW, 4, 90, 36 + 35, false},  // 354 past the start: the last point
        {"closed", DAFF_DATA_VIEW, 8, 90, 36 + 0, false},   // 358 past: closes onto the start
        {"wrap", DAFF_DATA_VIEW, 3, 90, 10 + 6, false},     // 63 past 300
        {"wrap", DAFF_DATA_VIEW, 301, 90, 10 + 0, false},
        {"wrap", DAFF_DATA_VIEW, 100, 90, 10 + 9, true},  // outside, nearer to 30
        {"wrap", DAFF_DATA_VIEW, 250, 90, 10 + 0, true},  // outside, nearer to 300
    };
    for (const auto& c : cases) {
        auto r = loadLookup(gridByName(c.grid));
        int rec = -7;
        bool oob = !c.outOfBounds;
        r->getContent()->getNearestNeighbour(c.view, c.a1, c.a2, rec, oob);
        EXPECT_EQ(rec, c.record) << c.grid << " view " << c.view << " (" << c.a1 << ", " << c.a2 << ")";
        EXPECT_EQ(oob, c.outOfBounds) << c.grid << " view " << c.view << " (" << c.a1 << ", " << c.a2 << ")";
        int rec4 = -7;
        r->getContent()->getNearestNeighbour(c.view, c.a1, c.a2, rec4);
        EXPECT_EQ(rec4, rec);
    }
}

TEST(DaffLookup, NearestRecordLiesWithinHalfACellEverywhere)
{
    auto r = loadLookup(fullSphere5Deg());
    auto* c = r->getContent();
    const double halfDiagonal = 5.0 * std::sqrt(0.5) + 1e-3;
    for (double el = -90; el <= 90; el += 3.7) {
        for (double az = -180; az < 180; az += 7.3) {
            int rec = -1;
            c->getNearestNeighbour(DAFF_OBJECT_VIEW, float(az), float(el), rec);
            ASSERT_GE(rec, 0);
            ASSERT_LT(rec, 2522);
            float raz = 0, rel = 0;
            ASSERT_EQ(c->getRecordCoords(rec, DAFF_OBJECT_VIEW, raz, rel), 0);
            EXPECT_LE(angleBetween(az, el, raz, rel), halfDiagonal) << az << " " << el << " -> " << rec;
        }
    }
}

TEST(DaffLookup, OrientationFromTheFileTurnsTheLookup)
{
    DaffTestWriter w = fullSphere5Deg();
    w.main.yaw = 90;
    auto r = loadLookup(w);
    auto* c = r->getContent();
    DAFFOrientationYPR o;
    r->getProperties()->getDefaultOrientation(o);
    EXPECT_FLOAT_EQ(o.fYawAngleDeg, 90.0f);
    int rec = -1;
    c->getNearestNeighbour(DAFF_OBJECT_VIEW, 0, 0, rec);  // yaw adds to the azimuth: alpha 90
    EXPECT_EQ(rec, 17 * 72 + 18 + 1);

    r->getProperties()->setOrientation(DAFFOrientationYPR());
    r->getProperties()->getOrientation(o);
    EXPECT_FLOAT_EQ(o.fYawAngleDeg, 0.0f);
    c->getNearestNeighbour(DAFF_OBJECT_VIEW, 0, 0, rec);
    EXPECT_EQ(rec, 1225);
    r->getProperties()->setDefaultOrientation();
    c->getNearestNeighbour(DAFF_OBJECT_VIEW, 0, 0, rec);
    EXPECT_EQ(rec, 1243);

    // Pitch raises the front direction in the data view.
    w.main.yaw = 0;
    w.main.pitch = 20;
    auto rp = loadLookup(w);
    float alpha = 0, beta = 0;
    rp->getContent()->transformAnglesO2D(0, 0, alpha, beta);
    EXPECT_NEAR(alpha, 0.0f, 1e-4);
    EXPECT_NEAR(beta, 110.0f, 1e-4);
}

TEST(DaffLookup, ViewTransformsAreInverse)
{
    const DAFFOrientationYPR orientations[] = {{0, 0, 0},  {30, 0, 0},    {0, 20, 0},
                                               {0, 0, 45}, {-60, 33, 12}, {170, -80, 95}};
    for (const auto& o : orientations) {
        DAFFSCTransform t(o);
        for (double el = -85; el <= 85; el += 17) {
            for (double az = -175; az < 180; az += 25) {
                double alpha = 0, beta = 0, az2 = 0, el2 = 0;
                t.transformOSC2DSC(az, el, alpha, beta);
                EXPECT_GE(beta, 0.0);
                EXPECT_LE(beta, 180.0);
                t.transformDSC2OSC(alpha, beta, az2, el2);
                EXPECT_LT(angleBetween(az, el, az2, el2), 1e-6) << o.toString() << " " << az << " " << el;
            }
        }
    }
    // Orientation 0: azimuth 30, elevation 10 is alpha 30, beta 100, and back (float versions).
    DAFFSCTransform t;
    float alpha = 0, beta = 0, az = 0, el = 0;
    t.transformOSC2DSC(30.0f, 10.0f, alpha, beta);
    EXPECT_FLOAT_EQ(alpha, 30.0f);
    EXPECT_FLOAT_EQ(beta, 100.0f);
    t.transformDSC2OSC(alpha, beta, az, el);
    EXPECT_FLOAT_EQ(az, 30.0f);
    EXPECT_FLOAT_EQ(el, 10.0f);
    // A sine pushed past 1 by rounding stays a number.
    t.transformOSC2DSC(0.0, 90.0000001, alpha, beta);
    EXPECT_FALSE(std::isnan(beta));
}

TEST(DaffLookup, NormalizeDirectionTable)
{
    struct Case {
        int view;
        float in1, in2, out1, out2;
    };
    const Case cases[] = {
        {DAFF_DATA_VIEW, 10, 190, 190, 170},     {DAFF_DATA_VIEW, -0.0001f, 90, 360, 90},
        {DAFF_DATA_VIEW, 370, 45, 10, 45},       {DAFF_DATA_VIEW, 123, 0.000005f, 0, 0},
        {DAFF_DATA_VIEW, 50, 180, 0, 180},       {DAFF_DATA_VIEW, 10, -10, 190, 10},
        {DAFF_DATA_VIEW, 10.00049f, 90, 10, 90}, {DAFF_DATA_VIEW, 10, 720 + 30, 10, 30},
        {DAFF_OBJECT_VIEW, 190, 0, -170, 0},     {DAFF_OBJECT_VIEW, -180, 0, 180, 0},
        {DAFF_OBJECT_VIEW, 0, 100, 180, 80},     {DAFF_OBJECT_VIEW, 10, -100, -170, -80},
        {DAFF_OBJECT_VIEW, 0, 270, 0, -90},      {DAFF_OBJECT_VIEW, 0, 300, 0, -60},
        {DAFF_OBJECT_VIEW, -540, 0, 180, 0},     {DAFF_OBJECT_VIEW, 20, 89.999995f, 20, 90},
        {DAFF_OBJECT_VIEW, 0, 450, 0, 90},       {DAFF_OBJECT_VIEW, -200, -30, 160, -30},
    };
    for (const auto& c : cases) {
        float o1 = 0, o2 = 0;
        DAFFUtils::NormalizeDirection(c.view, c.in1, c.in2, o1, o2);
        EXPECT_FLOAT_EQ(o1, c.out1) << "view " << c.view << " (" << c.in1 << ", " << c.in2 << ")";
        EXPECT_FLOAT_EQ(o2, c.out2) << "view " << c.view << " (" << c.in1 << ", " << c.in2 << ")";
    }
    float a = 370, b = 45;  // outputs may be the inputs
    DAFFUtils::NormalizeDirection(DAFF_DATA_VIEW, a, b, a, b);
    EXPECT_FLOAT_EQ(a, 10.0f);
}

TEST(DaffLookup, CellsAndRecordDirections)
{
    auto r = loadLookup(fullSphere5Deg());
    auto* c = r->getContent();
    DAFFQuad q;
    c->getCell(DAFF_DATA_VIEW, 12, 93, q);
    EXPECT_EQ(q.iIndex1, 1227);  // (10, 90)
    EXPECT_EQ(q.iIndex2, 1299);  // (10, 95)
    EXPECT_EQ(q.iIndex3, 1300);  // (15, 95)
    EXPECT_EQ(q.iIndex4, 1228);  // (15, 90)

    // A closed ring: the cell across 360 wraps to alpha 0; the south pole is one record.
    auto closed = loadLookup(grid(72, 0, 360, 37, 0, 180));
    closed->getContent()->getCell(DAFF_DATA_VIEW, 357, 90, q);
    EXPECT_EQ(q.iIndex1, 1296);
    EXPECT_EQ(q.iIndex2, 1368);
    EXPECT_EQ(q.iIndex3, 1297);
    EXPECT_EQ(q.iIndex4, 1225);
    closed->getContent()->getCell(DAFF_DATA_VIEW, 40, 0, q);
    EXPECT_EQ(q.iIndex1, 0);
    EXPECT_EQ(q.iIndex3, 0);
    closed->getContent()->getCell(DAFF_OBJECT_VIEW, 12, 3, q);  // alpha 12, beta 93
    EXPECT_EQ(q.iIndex1, 1227);

    struct Coords {
        int record;
        int view;
        float a1, a2;
    };
    const Coords coords[] = {
        {0, DAFF_DATA_VIEW, 0, 0},      {1225, DAFF_DATA_VIEW, 0, 90},  {1296, DAFF_DATA_VIEW, 355, 90},
        {2521, DAFF_DATA_VIEW, 0, 180}, {1225, DAFF_OBJECT_VIEW, 0, 0}, {1375, DAFF_OBJECT_VIEW, 30, 10},
    };
    for (const auto& k : coords) {
        float a1 = -1, a2 = -1;
        ASSERT_EQ(c->getRecordCoords(k.record, k.view, a1, a2), 0);
        EXPECT_NEAR(a1, k.a1, 1e-4) << k.record;
        EXPECT_NEAR(a2, k.a2, 1e-4) << k.record;
    }
    float a1 = 0, a2 = 0;
    EXPECT_EQ(c->getRecordCoords(-1, DAFF_DATA_VIEW, a1, a2), -1);
    EXPECT_EQ(c->getRecordCoords(2522, DAFF_DATA_VIEW, a1, a2), -1);

    // A grid that does not start at the south pole.
    auto band = loadLookup(grid(3, 20, 180, 3, 10, 150));
    ASSERT_EQ(band->getContent()->getRecordCoords(0, DAFF_DATA_VIEW, a1, a2), 0);
    EXPECT_FLOAT_EQ(a1, 20.0f);
    EXPECT_FLOAT_EQ(a2, 10.0f);
    ASSERT_EQ(band->getContent()->getRecordCoords(5, DAFF_DATA_VIEW, a1, a2), 0);
    EXPECT_FLOAT_EQ(a1, 180.0f);
    EXPECT_FLOAT_EQ(a2, 80.0f);
}
