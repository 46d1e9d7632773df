#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "directivity/TDirectivity.h"
#include "room/TMaterial.h"
#include "room/TPlaneLayer.h"
#include "room/TReceiverLayer.h"
#include "room/TSourceLayer.h"

namespace {

constexpr unsigned kBands = 9;

// What a WriteOnFile call puts into a file.
template <class T> std::string Written(const T& item)
{
    FILE* f = std::tmpfile();
    item.WriteOnFile(f);
    std::rewind(f);
    std::string text;
    for (int c; (c = std::fgetc(f)) != EOF;) text += static_cast<char>(c);
    std::fclose(f);
    return text;
}

std::unique_ptr<TDirectivity> Pattern(const char* name)
{
    testing::internal::CaptureStdout();
    auto d = std::make_unique<TDirectivity>(name, kBands);
    testing::internal::GetCapturedStdout();
    return d;
}

TEST(Material, BandConstructorIsFullyAbsorbingAndUnnamed)
{
    TMaterial m(kBands);
    EXPECT_TRUE(m.mem_created);
    EXPECT_EQ(m.abs, std::vector<float>(kBands, 1.0f));
    EXPECT_EQ(m.dif, std::vector<float>(kBands, 0.0f));
    EXPECT_EQ(m.nome, "no_name");
    EXPECT_EQ(m.ColorID, 0);
}

TEST(Material, LineHoldsNameAbsorptionsAndFirstScattering)
{
    const float absorption[kBands] = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0.9f};
    TMaterial m("Brick", kBands, absorption, 0.05f);
    m.dif[4] = 0.7f;  // only the first band's scattering is written
    EXPECT_EQ(Written(m), "Brick 0.10 0.20 0.30 0.40 0.50 0.60 0.70 0.80 0.90 0.05\n");

    TMaterial uniform("Glass", 3, 0.035f, 0.125f);
    EXPECT_EQ(Written(uniform), "Glass 0.04 0.04 0.04 0.12\n");  // rounded half to even like printf
}

TEST(Material, RoomCopyIsDeepWithMeanAbsorptionAndColourZero)
{
    const float absorption[kBands] = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0.9f};
    auto original = std::make_unique<TMaterial>("Wood", kBands, absorption, 0.2f);
    original->ColorID = 42;
    original->dif[8] = 0.9f;

    TMaterial copy(original.get());
    EXPECT_EQ(copy.ColorID, 0);
    EXPECT_NEAR(copy.avgabs, 0.5f, 1e-6);
    EXPECT_EQ(copy.nome, "Wood");
    EXPECT_EQ(copy.dif[8], 0.9f);  // band by band

    original->abs[0] = 0.99f;
    original.reset();  // the copy's arrays stay valid
    EXPECT_EQ(copy.abs[0], 0.1f);
    EXPECT_EQ(copy.abs.size(), kBands);

    TMaterial assigned = copy;
    assigned.abs[1] = 0.0f;
    EXPECT_EQ(copy.abs[1], 0.2f);
    TMaterial moved = std::move(assigned);
    EXPECT_EQ(moved.abs[1], 0.0f);
}

TEST(Material, SetCoefficientsOnlyForOwnedArrays)
{
    const float absorption[kBands] = {0.3f, 0.3f, 0.3f, 0.3f, 0.3f, 0.3f, 0.3f, 0.3f, 0.4f};
    TMaterial empty;
    EXPECT_EQ(empty.SetCoefficients(absorption, 0.1f), 0u);
    EXPECT_TRUE(empty.abs.empty());

    TMaterial m(kBands);
    EXPECT_EQ(m.SetCoefficients(absorption, 0.1f), kBands);
    EXPECT_EQ(m.abs[8], 0.4f);
    EXPECT_EQ(m.dif, std::vector<float>(kBands, 0.1f));
    EXPECT_NEAR(m.AverageAbsortion(), 0.31111f, 1e-5);
}

TEST(Material, LongNamesAreCutAt511Characters)
{
    TMaterial m(kBands);
    m.SetName(std::string(600, 'x'));
    EXPECT_EQ(m.nome, std::string(511, 'x'));
    TPlaneLayer layer(std::string(700, 'y'));
    EXPECT_EQ(layer.nome.size(), 511u);
}

TEST(PlaneLayer, DefaultsAndSetters)
{
    TPlaneLayer layer;
    EXPECT_EQ(layer.nome, "NoName");
    EXPECT_EQ(layer.cor[0], -1);
    EXPECT_EQ(layer.cor[2], -1);
    EXPECT_EQ(layer.MatID, -1);
    EXPECT_EQ(layer.NumPlanes, 0u);
    EXPECT_FALSE(layer.IsAssociated());

    TPlaneLayer named("PlaneLayer01");
    named.SetMaterialID(0);
    named.SetColor(255, 128, 0);
    named.Set("Floor", 2, 7);
    EXPECT_TRUE(named.IsAssociated());
    EXPECT_EQ(named.nome, "Floor");
    EXPECT_EQ(named.MatID, 2);
    EXPECT_EQ(named.NumPlanes, 7u);
    EXPECT_EQ(named.cor[1], 128);
    layer = named;
    EXPECT_EQ(layer.nome, "Floor");
    EXPECT_EQ(layer.cor[0], 255);
}

TEST(SourceLayer, GainsAreWrittenInDecibels)
{
    auto cardioid = Pattern("CARDIOID");
    const float gains[3] = {1.0f, 0.5f, 0.0f};
    TSourceLayer layer("Speaker", cardioid.get(), gains, 3);
    EXPECT_EQ(Written(layer), "Speaker CARDIOID 0.0 -3.0 -60.0\n");

    TSourceLayer plain(kBands);
    EXPECT_EQ(plain.layername, "unnamed");
    EXPECT_EQ(plain.directivity, nullptr);
    EXPECT_EQ(plain.spectrum, std::vector<float>(kBands, 1.0f));
}

TEST(SourceLayer, RoomCopySharesPatternAndOwnsGains)
{
    auto omni = Pattern("OMNI");
    auto original = std::make_unique<TSourceLayer>("SrcType01", omni.get(), kBands);
    original->spectrum[2] = 0.25f;
    TSourceLayer copy(original.get());
    EXPECT_EQ(copy.directivity, omni.get());
    EXPECT_STREQ(copy.GetDirPatternName(), "OMNI");
    EXPECT_STREQ(copy.GetLayerName(), "SrcType01");
    original->spectrum[2] = 1.0f;
    original.reset();
    EXPECT_EQ(copy.spectrum[2], 0.25f);

    EXPECT_EQ(copy.SetDefaults("Other"), kBands);
    EXPECT_EQ(copy.directivity, nullptr);
    EXPECT_EQ(copy.spectrum, std::vector<float>(kBands, 1.0f));
    EXPECT_STREQ(copy.GetLayerName(), "Other");
}

TEST(ReceiverLayer, LineAndCopy)
{
    auto eight = Pattern("EIGHTFIG");
    TReceiverLayer layer("RecType01", eight.get());
    EXPECT_EQ(Written(layer), "RecType01 EIGHTFIG\n");
    TReceiverLayer copy(&layer);
    EXPECT_EQ(copy.directivity, eight.get());
    EXPECT_STREQ(copy.GetLayerName(), "RecType01");
    copy.SetLayerName("Ears");
    EXPECT_STREQ(layer.GetLayerName(), "RecType01");
}

}  // namespace
