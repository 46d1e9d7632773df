#include <gtest/gtest.h>

#include <cmath>

#include "geometry/ErrorHandler.h"
#include "simulation/Raio_st.h"
#include "support/ErrorCapture.h"

namespace {

TEST(Raio_st, BandLimitAndEnergy)
{
    {
        ErrorCapture cap;
        try {
            Raio_st tooMany(31);
            FAIL() << "31 bands accepted";
        } catch (const SorviExit& e) {
            EXPECT_EQ(e.Status(), 1);
        }
        EXPECT_EQ(cap.Joined(), "Raio_st error: Nbands > MAX_NUMBANDS\n");
    }
    EXPECT_EQ(Raio_st(30).NumBands, 30u);

    Raio_st lost;
    EXPECT_EQ(lost.ID, -1);
    EXPECT_EQ(lost.NumBands, 0u);

    Raio_st ray(9);
    EXPECT_EQ(ray.GetEnergy(), 0.0);
    const float spectrum[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    ray.alfa_acc[0] = 0.5f;
    ray.Set(TPoint3D(1, 2, 3), TVector(0, 0, 2), 4, 1.5f, spectrum);
    EXPECT_EQ(ray.GetEnergy(), 45.0);
    EXPECT_EQ(ray.v, TVector(0, 0, 2));  // not normalised
    EXPECT_EQ(ray.reflections, 4u);
    EXPECT_EQ(ray.alfa_acc[0], 0.0f);
    EXPECT_EQ(ray.Time(3.0f), 0.5);
    ray.MultiplyEnergyBy(2);
    EXPECT_EQ(ray.GetEnergy(), 90.0);

    testing::internal::CaptureStdout();
    ray.Print();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "P(1.000000;2.000000;3.000000) - V(0.000000;0.000000;2.000000) - dist = 1.500000 - E = 90\n");
}

TEST(Raio_st, ReflectionMirrorsTheDirectionAndSplitsTheEnergy)
{
    const float alpha[9] = {0.2f, 0.2f, 0.2f, 0.2f, 0.2f, 0.2f, 0.2f, 0.2f, 0.2f};
    const float scatter[9] = {0.9f, 0.9f, 0.9f, 0.9f, 0.9f, 0.9f, 0.9f, 0.9f, 0.9f};
    const float one[9] = {1, 1, 1, 1, 1, 1, 1, 1, 1};
    const double r = std::sqrt(0.5);
    const struct {
        TVector v, expected;
        bool diffuse;
        float kept, scattered;
    } cases[] = {
        {TVector(0, 0, -1), TVector(0, 0, 1), true, 0.72f, 0.08f},  // head-on: back the same way
        {TVector(r, 0, -r), TVector(r, 0, r), false, 0.8f, 0.0f},   // 45 degrees: the other side
        {TVector(0, 1, 0), TVector(0, 1, 0), true, 0.72f, 0.08f},   // grazing: unchanged
    };
    for (const auto& c : cases) {
        Raio_st ray(9);
        ray.Set(TPoint3D(0, 0, 2), c.v, 0, 0, one);
        float scatt[9];
        ReflectRay(ray, TPoint3D(0, 0, 0), TVector(0, 0, 1), alpha, scatter, 9, 9.0f, c.diffuse, scatt);
        EXPECT_NEAR(ray.v.x, c.expected.x, 1e-15);
        EXPECT_NEAR(ray.v.y, c.expected.y, 1e-15);
        EXPECT_NEAR(ray.v.z, c.expected.z, 1e-15);
        EXPECT_EQ(ray.p, TPoint3D(0, 0, 0));
        EXPECT_EQ(ray.dist, 2.0);
        EXPECT_EQ(ray.reflections, 1u);
        for (int b = 0; b < 9; ++b) {
            EXPECT_FLOAT_EQ(ray.e[b], c.kept);
            EXPECT_FLOAT_EQ(scatt[b], c.scattered);
        }
    }
}

}  // namespace
