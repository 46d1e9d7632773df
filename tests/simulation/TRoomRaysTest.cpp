#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "geometry/RayDirections.h"
#include "geometry/TPlane.h"
#include "room/TMaterial.h"
#include "simulation/Raio_st.h"
#include "simulation/TRoom.h"
#include "support/TempDir.h"

namespace {

// A room with three single-triangle planes: the floor z = 0 (layer 0, material "wall":
// absorption 0.2, scattering 0.9 in every band), a tilted plane whose layer has no material,
// and a plane naming a layer that does not exist.
class ReflectionRoom : public ::testing::Test {
protected:
    void SetUp() override
    {
        room.material.push_back(std::make_unique<TMaterial>("wall", 9, 0.2f, 0.9f));
        room.NumMaterials = 1;
        TPlaneLayer withMaterial("floor"), without("bare");
        withMaterial.MatID = 0;
        room.planeLayer = {withMaterial, without};
        room.NumPlaneLayers = 2;
        const TPoint3D floor[] = {{0, 0, 0}, {4, 0, 0}, {0, 4, 0}};
        const TPoint3D tilted[] = {{0, 0, 0}, {0, 4, 0}, {4, 0, 4}};  // normal (1, 0, -1)/sqrt 2
        AddPlane(floor, 0);
        AddPlane(tilted, 1);
        AddPlane(floor, 7);
    }
    void AddPlane(const TPoint3D* pts, int layer)
    {
        auto pl = std::make_unique<TPlane>(3, pts);
        pl->LayerID = layer;
        room.plane.push_back(std::move(pl));
        room.NumPlanes = static_cast<unsigned>(room.plane.size());
    }
    Raio_st RayAt(TPoint3D from, TVector dir)
    {
        Raio_st ray(9);
        const std::vector<float> one(9, 1.0f);
        ray.Set(from, dir, 0, 0, one.data());
        return ray;
    }

    TRoom room;
};

TEST_F(ReflectionRoom, EnergySplitWithAndWithoutDiffuseProcessing)
{
    const struct {
        unsigned diffuse;
        float kept, scattered;
    } cases[] = {{1, 0.72f, 0.08f}, {0, 0.8f, 0.0f}};
    for (const auto& c : cases) {
        room.DiffuseProcessing = c.diffuse;
        Raio_st ray = RayAt(TPoint3D(1, 1, 3), TVector(0, 0, -1));
        float scatt[9];
        std::fill(scatt, scatt + 9, -1.0f);
        EXPECT_EQ(room.PlaneInteraction(0, ray, TPoint3D(1, 1, 0), scatt), 1.0);
        for (int b = 0; b < 9; ++b) {
            EXPECT_FLOAT_EQ(ray.e[b], c.kept) << b;
            EXPECT_FLOAT_EQ(scatt[b], c.scattered) << b;
        }
        // The kept and scattered shares add up to what the wall did not absorb.
        EXPECT_FLOAT_EQ(ray.e[0] + scatt[0], 0.8f);
    }
}

TEST_F(ReflectionRoom, MirrorsAtTheNormalAndAccumulatesTheDistance)
{
    const double r = std::sqrt(0.5);
    const struct {
        int plane;
        TPoint3D from, hit;
        TVector dir, expected;
    } cases[] = {
        {0, {1, 1, 3}, {1, 1, 0}, {0, 0, -1}, {0, 0, 1}},   // head-on: straight back
        {0, {0, 1, 1}, {1, 1, 0}, {r, 0, -r}, {r, 0, r}},   // 45 degrees: the other side
        {1, {3, 2, 1}, {2, 2, 2}, {-r, 0, r}, {r, 0, -r}},  // head-on at the tilted plane
        {1, {1, 2, 0}, {1, 2, 1}, {0, 0, 1}, {1, 0, 0}},    // 45 degrees there
    };
    for (const auto& c : cases) {
        Raio_st ray = RayAt(c.from, c.dir);
        ray.dist = 5;
        float scatt[9];
        room.PlaneInteraction(c.plane, ray, c.hit, scatt);
        EXPECT_NEAR(ray.v.x, c.expected.x, 1e-12);
        EXPECT_NEAR(ray.v.y, c.expected.y, 1e-12);
        EXPECT_NEAR(ray.v.z, c.expected.z, 1e-12);
        EXPECT_EQ(ray.p, c.hit);
        EXPECT_DOUBLE_EQ(ray.dist, 5 + Module(c.hit - c.from));
        EXPECT_EQ(ray.reflections, 1u);
    }
}

TEST_F(ReflectionRoom, PlanesWithoutMaterialReflectWithoutLoss)
{
    room.DiffuseProcessing = 1;
    for (int plane : {1, 2}) {
        Raio_st ray = RayAt(TPoint3D(1, 1, 3), TVector(0, 0, -1));
        float scatt[9];
        room.PlaneInteraction(plane, ray, TPoint3D(1, 1, 0), scatt);
        EXPECT_EQ(ray.GetEnergy(), 9.0) << plane;
        EXPECT_EQ(scatt[4], 0.0f) << plane;
        EXPECT_EQ(ray.reflections, 1u);
    }
}

TEST_F(ReflectionRoom, AccumulatingAndAbsorptionOnlyVariants)
{
    room.DiffuseProcessing = 0;  // the accumulating variant always scatters
    Raio_st ray = RayAt(TPoint3D(1, 1, 3), TVector(0, 0, -1));
    float scatt[9];
    room.PlaneInteractionACC(0, ray, TPoint3D(1, 1, 0), scatt);
    EXPECT_FLOAT_EQ(ray.e[0], 0.72f);
    EXPECT_FLOAT_EQ(scatt[0], 0.08f);
    room.PlaneInteractionACC(0, ray, TPoint3D(1, 1, 0), scatt);  // mean absorption 0.4 / 2
    EXPECT_FLOAT_EQ(ray.alfa_acc[0], 0.4f);
    EXPECT_FLOAT_EQ(ray.e[0], 0.72f * 0.72f);
    EXPECT_EQ(ray.reflections, 2u);

    Raio_st plain = RayAt(TPoint3D(1, 1, 3), TVector(0, 0, -2));
    room.PlaneInteraction(0, plain, TPoint3D(1, 1, 0));
    EXPECT_EQ(plain.v, TVector(0, 0, 1));  // normalised
    EXPECT_FLOAT_EQ(plain.e[3], 0.8f);
}

TEST(TRoomRays, DirectionsAndTheirTextFile)
{
    TRoom room;
    std::vector<TVector> dirs(RayDirectionCount(42));
    room.CreateRaysDirections(42, dirs.data());
    EXPECT_EQ(dirs, MakeRayDirections(42));

    const TempDir dir("rays");
    const auto path = dir / "dirs.txt";
    room.NumRays = 3;
    room.GravaRaios(path.c_str(), dirs.data());
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "1 0.000 0.000 1.000\n2 0.276 0.851 0.447\n3 -0.724 0.526 0.447\n");

    testing::internal::CaptureStdout();
    room.GravaRaios("/nonexistent-dir/rays.txt", dirs.data());
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "N\xE3o foi possivel abrir o arquivo /nonexistent-dir/rays.txt para grava\xE7\xE3o\n");
}

}  // namespace
