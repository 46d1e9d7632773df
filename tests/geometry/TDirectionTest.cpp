#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "geometry/TDirection.h"

namespace {

constexpr double kPi = 3.1415926535897931;

void ExpectVec(TVector v, double x, double y, double z, double tol = 1e-12)
{
    EXPECT_NEAR(v.x, x, tol);
    EXPECT_NEAR(v.y, y, tol);
    EXPECT_NEAR(v.z, z, tol);
}

TEST(Point3D, ArithmeticAndExactComparison)
{
    TPoint3D a(1, 2, 3), b(4, 6, 8);
    EXPECT_EQ(b - a, TPoint3D(3, 4, 5));
    EXPECT_EQ(a + b, TPoint3D(5, 8, 11));
    EXPECT_EQ(a * 2, TPoint3D(2, 4, 6));
    EXPECT_EQ(b / 2, TPoint3D(2, 3, 4));
    // Compound operators change the point and hand back the new value.
    EXPECT_EQ(a += b, TPoint3D(5, 8, 11));
    EXPECT_EQ(a, TPoint3D(5, 8, 11));
    EXPECT_EQ(a -= b, TPoint3D(1, 2, 3));

    // Doubles all the way: a difference far below float resolution still counts.
    EXPECT_FALSE(TPoint3D(1, 2, 3) == TPoint3D(1, 2, 3.0000000001));
    EXPECT_TRUE(TPoint3D(1, 2, 3) != TPoint3D(1, 2, 3.0000000001));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(TPoint3D(nan, 0, 0) == TPoint3D(nan, 0, 0));

    EXPECT_EQ(TPoint3D(7, 8), TPoint3D(7, 8, 0));
    EXPECT_EQ(TPoint3D(-3, 5, 1).Max(), 5);
    EXPECT_EQ(TPoint3D(-3, 5, 1).Min(), -3);
    EXPECT_EQ(TPoint3D(-3, 5, -1).Abs(), TPoint3D(3, 5, 1));
    TPoint3D c;
    c = 2.5;
    EXPECT_EQ(c, TPoint3D(2.5, 2.5, 2.5));
    c.Set(1, 2);
    EXPECT_EQ(c, TPoint3D(1, 2, 0));
    EXPECT_EQ(Module(TPoint3D(2, 3, 6)), 7);
}

TEST(Point3D, PrintFormats)
{
    testing::internal::CaptureStdout();
    TPoint3D(1, 2.345, -3).Print();
    TVector(1, 0, -0.5).Print();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "x= 1.00 y= 2.35 z= -3.00\n(1.000000;0.000000;-0.500000)\n");
}

TEST(Point3D, ExtentsOfPointLists)
{
    const TPoint3D pts[] = {{1, 5}, {3, 2}};
    EXPECT_EQ(utilGetMax(pts, 2), TPoint3D(3, 5, 0));
    EXPECT_EQ(utilGetMin(pts, 2), TPoint3D(1, 2, 0));
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(utilGetMax(pts, 0), TPoint3D(-inf, -inf, 0));
    EXPECT_EQ(utilGetMin(static_cast<const TPoint3D*>(nullptr), 0), TPoint3D(inf, inf, 0));
}

TEST(Point3D, RoundsHalvesUpwards)
{
    const double cases[][2] = {{2.5, 3}, {-2.5, -2}, {-2.6, -3}, {0.49, 0}, {7, 7}};
    for (const auto& c : cases) EXPECT_EQ(Round(c[0]), c[1]) << c[0];
}

TEST(Vector, Algebra)
{
    const TVector a(1, 2, 3), b(4, 5, 6);
    EXPECT_EQ(a * b, 32);
    EXPECT_EQ(TVector(1, 0, 0) / TVector(0, 1, 0), TVector(0, 0, 1));
    EXPECT_EQ(TVector(0, 1, 0) / TVector(1, 0, 0), TVector(0, 0, -1));
    EXPECT_EQ(a / b, TVector(-3, 6, -3));
    // The cross product is orthogonal to both factors.
    EXPECT_EQ((a / b) * a, 0);
    EXPECT_EQ((a / b) * b, 0);
    EXPECT_EQ(b - a, TVector(3, 3, 3));
    EXPECT_EQ(a * 2.0, TVector(2, 4, 6));

    TVector v(1, 2, 3);
    v += 1.0;
    EXPECT_EQ(v, TVector(2, 3, 4));
    v += 1.0f;
    EXPECT_EQ(v, TVector(3, 4, 5));
    v -= TVector(3, 4, 5);
    EXPECT_EQ(v, TVector(0, 0, 0));
    v += TVector(2, 4, 8);
    v *= 0.5;
    EXPECT_EQ(v, TVector(1, 2, 4));
    v /= 2;
    EXPECT_EQ(v, TVector(0.5, 1, 2));
    EXPECT_EQ(v.Max(), 2);
    EXPECT_EQ(v.Min(), 0.5);
    EXPECT_EQ(TVector(-1, 2, -3).Abs(), TVector(1, 2, 3));
    v = 4.0;
    EXPECT_EQ(v, TVector(4, 4, 4));
    v = TPoint3D(1, 2, 2);
    EXPECT_EQ(v.Module(), 3);
    EXPECT_EQ(Module(v), 3);
    EXPECT_EQ(VectorToPoint(PointToVector(TPoint3D(1, -2, 3))), TPoint3D(1, -2, 3));
}

TEST(Vector, NormalAndNormalize)
{
    ExpectVec(Normal(TVector(0, 3, 4)), 0, 0.6, 0.8);
    EXPECT_EQ(Normal(TVector(0, 0, 0)), TVector(0, 0, 0));
    TVector v(0, 3, 4);
    v.Normalize();
    ExpectVec(v, 0, 0.6, 0.8);
    TVector zero;
    zero.Normalize();
    EXPECT_TRUE(std::isnan(zero.x) && std::isnan(zero.y) && std::isnan(zero.z));
}

TEST(Vector, AngleInDegrees)
{
    struct Case {
        TVector a, b;
        double deg;
    };
    const Case cases[] = {
        {{1, 0, 0}, {0, 1, 0}, 90},
        {{1, 0, 0}, {-2, 0, 0}, 180},
        {{1, 1, 0}, {1, 0, 0}, 45},
        {{0.1, 0.2, 0.3}, {0.1, 0.2, 0.3}, 0},  // cosine rounds above 1 without clamping
        {{0.1, 0.2, 0.3}, {-0.1, -0.2, -0.3}, 180},
        {{3, -7, 0.3}, {3, -7, 0.3}, 0},
    };
    for (const Case& c : cases) {
        const double angle = c.a.Angle(c.b);
        EXPECT_FALSE(std::isnan(angle));
        EXPECT_NEAR(angle, c.deg, 1e-6) << c.a.x << " " << c.a.y << " " << c.a.z;
    }
}

TEST(Direction, SphericalConversions)
{
    ExpectVec(sph2cart(0, 0, 1), 1, 0, 0);
    ExpectVec(sph2cart(kPi / 2, 0, 2), 0, 2, 0);
    ExpectVec(sph2cart(0, kPi / 2, 3), 0, 0, 3);
    ExpectVec(sph2cart(kPi, 0, 1), -1, 0, 0);

    struct Case {
        TVector v;
        float elev, azim, raio;
    };
    const Case cases[] = {
        {{0, 0, 2}, float(kPi / 2), 0, 2},
        {{0, 0, 0}, 0, 0, 0},
        {{1, 0, 0}, 0, 0, 1},
        {{0, -1, 0}, 0, float(-kPi / 2), 1},
        {{-1, 0, 0}, 0, float(kPi), 1},  // azimuth in (-pi, pi]
        {{1, 1, std::sqrt(2.0)}, float(kPi / 4), float(kPi / 4), 2},
    };
    for (const Case& c : cases) {
        const TDirection d = cart2sph(c.v);
        SCOPED_TRACE(testing::Message() << c.v.x << " " << c.v.y << " " << c.v.z);
        EXPECT_FLOAT_EQ(d.elev, c.elev);
        EXPECT_FLOAT_EQ(d.azim, c.azim);
        EXPECT_FLOAT_EQ(d.raio, c.raio);
    }

    // Round trip through both forms of sph2cart.
    for (double az = -3; az <= 3; az += 0.5)
        for (double el = -1.5; el <= 1.5; el += 0.5) {
            const TVector v = sph2cart(az, el, 2.0);
            const TDirection d = cart2sph(v);
            EXPECT_NEAR(d.azim, az, 1e-6);
            EXPECT_NEAR(d.elev, el, 1e-6);
            EXPECT_NEAR(d.raio, 2.0, 1e-6);
            const TVector w = sph2cart(d);
            ExpectVec(w, v.x, v.y, v.z, 1e-5);
        }
}

TEST(Direction, FrontPole)
{
    struct Case {
        TVector v;
        double elev, azim;
    };
    const Case cases[] = {
        {{1, 0, 0}, 0, 0},       {{0, 1, 0}, kPi / 2, kPi / 2},      {{-1, 0, 0}, kPi, 0},
        {{0, 0, 1}, kPi / 2, 0}, {{0, -1, 0}, kPi / 2, 3 * kPi / 2},  // azimuth kept in [0, 2 pi)
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.v.x << " " << c.v.y << " " << c.v.z);
        const TDirection d = cart2sphFrontPole(c.v);
        EXPECT_NEAR(d.elev, c.elev, 1e-6);
        EXPECT_NEAR(d.azim, c.azim, 1e-6);
        // The same direction given by its top-pole angles.
        const TDirection fromTop = Top2FrontPole(cart2sph(c.v));
        EXPECT_NEAR(fromTop.elev, c.elev, 1e-6);
        if (std::sin(c.elev) > 0.1) {  // the azimuth at the poles is rounding noise
            EXPECT_NEAR(std::fmod(fromTop.azim + 1e-7, 2 * kPi), c.azim, 1e-6);
        }
    }
    // Front2TopPole undoes Top2FrontPole (azimuth brought to [0, 2 pi) on the way back).
    for (float az : {0.3f, 1.0f, 2.5f, -2.0f})
        for (float el : {-1.2f, -0.2f, 0.4f, 1.1f}) {
            TDirection top;
            top.Set(az, el, 1);
            const TDirection back = Front2TopPole(Top2FrontPole(top));
            EXPECT_NEAR(back.elev, el, 1e-5);
            EXPECT_NEAR(back.azim, az < 0 ? az + 2 * kPi : az, 1e-5);
        }
}

TEST(Direction, DistanciaInDegrees)
{
    struct Case {
        float el1, az1, el2, az2;
        float deg;
    };
    const Case cases[] = {
        {0, 0, 0, 90, 90},   {0, 0, 0, 0, 0},         {33.3f, 71.7f, 33.3f, 71.7f, 0},
        {0, 10, 0, 370, 0},  {90, 0, 90, 123, 0},     {0, 0, 0, 180, 180},
        {45, 0, -45, 0, 90}, {89.9f, 3, 89.9f, 3, 0},
    };
    for (const Case& c : cases) {
        TDirection a, b;
        a.Set(c.az1, c.el1, 1);
        b.Set(c.az2, c.el2, 5);  // the radius plays no part
        const float d = a.Distancia(b);
        EXPECT_FALSE(std::isnan(d));
        EXPECT_NEAR(d, c.deg, 0.02) << c.el1 << "/" << c.az1 << " - " << c.el2 << "/" << c.az2;
    }
}

TEST(Direction, SetEqualityAndSum)
{
    TDirection a, b;
    a.Set(10, 20, 1);
    EXPECT_EQ(a.azim, 10);
    EXPECT_EQ(a.elev, 20);
    b.Set(a);
    b.raio = 7;
    EXPECT_TRUE(a == b);  // radius ignored
    b.azim = 10.000001f;
    EXPECT_FALSE(a == b);
    const TDirection s = a + a;
    EXPECT_EQ(s.azim, 20);
    EXPECT_EQ(s.elev, 40);
}

TEST(Direction, FixAzimuthOneStepEachWay)
{
    const float cases[][2] = {{-10, 350}, {370, 10}, {360, 360}, {-400, -40}, {0, 0}, {90, 90}};
    for (const auto& c : cases) EXPECT_EQ(FixAzimuth(c[0]), c[1]) << c[0];
}

TEST(Direction, RemoveRepeatedRays)
{
    TVector rays[] = {{1, 0, 0}, {2, 0, 0}, {0, 1, 0}, {0, 0, 0}, {0, 0, 0}, {0, 3, 0}};
    const unsigned n = RemoveRepeatedRays(rays, 6);
    ASSERT_EQ(n, 4u);
    EXPECT_EQ(rays[0], TVector(1, 0, 0));
    EXPECT_EQ(rays[1], TVector(0, 1, 0));
    // Zero vectors become NaN and are never equal to anything: both stay.
    EXPECT_TRUE(std::isnan(rays[2].x));
    EXPECT_TRUE(std::isnan(rays[3].x));
    EXPECT_EQ(RemoveRepeatedRays(rays, 0), 0u);
}

}  // namespace
