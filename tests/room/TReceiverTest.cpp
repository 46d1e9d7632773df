#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "directivity/TDirectivity.h"
#include "room/TReceiver.h"

namespace {

TEST(Receiver, RadiusIsClampedAndGivesTheReceiverFactor)
{
    const struct {
        double requested, radius;
    } cases[] = {{0.1, 0.2}, {0.2, 0.2}, {0.5, 0.5}, {0.9, 0.9}, {1.5, 0.9}, {-3.0, 0.2}};
    for (const auto& c : cases) {
        TReceiver rec(TPoint3D(1, 2, 3), c.requested, 30.0, 2);
        EXPECT_EQ(rec.Radius, c.radius) << c.requested;
        EXPECT_EQ(rec.RecFactor, static_cast<float>(0.5641895835477563 / c.radius));
        EXPECT_EQ(rec.GetRadius(), static_cast<float>(c.radius));
        EXPECT_EQ(rec.AzimRotation, 30.0);
        EXPECT_EQ(rec.ElevRotation, 0.0);
        EXPECT_EQ(rec.LayerID, 2);
        EXPECT_FALSE(rec.Headflag);
        EXPECT_EQ(rec.directivity, nullptr);
    }
    EXPECT_NEAR(TReceiver(TPoint3D(), 0.1, 0, 0).RecFactor, 2.8209479f, 1e-6);
}

TEST(Receiver, HeadFlagFollowsTheChannelCount)
{
    TDirectivity mono, binaural;
    mono.NumChannels = 1;
    binaural.NumChannels = 2;
    TReceiver rec(TPoint3D(), 0.4, 0, 0);
    rec.SetDirectivity(&binaural);
    EXPECT_TRUE(rec.Headflag);
    EXPECT_EQ(rec.GetNumChannels(), 2);
    rec.SetDirectivity(&mono);
    EXPECT_FALSE(rec.Headflag);
}

TEST(Receiver, RoomCopyKeepsRadiusAndPatternButNotNumbering)
{
    testing::internal::CaptureStdout();
    TDirectivity card("CARDIOID", 9);
    testing::internal::GetCapturedStdout();

    auto original = std::make_unique<TReceiver>(TPoint3D(4, 5, 6), 0.5, 90.0, 1);
    original->SetDirectivity(&card);
    original->Radius = 1.5;  // written directly: not clamped again by the copy
    original->NumCollectedRays = 17;
    original->ElevRotation = 12.5;
    original->recID = 3;
    original->Name = "rec 04";

    TReceiver copy(original.get());
    original.reset();
    EXPECT_EQ(copy.Radius, 1.5);
    EXPECT_EQ(copy.RecFactor, static_cast<float>(0.5641895835477563 / 1.5));
    EXPECT_EQ(copy.Position, TPoint3D(4, 5, 6));
    EXPECT_EQ(copy.NumCollectedRays, 17u);
    EXPECT_EQ(copy.ElevRotation, 12.5);
    EXPECT_EQ(copy.AzimRotation, 90.0);
    EXPECT_EQ(copy.LayerID, 1);
    EXPECT_EQ(copy.directivity, &card);
    EXPECT_EQ(copy.recID, 0);
    EXPECT_EQ(copy.Name, "");
    EXPECT_EQ(copy.GetIRLength(), 1);
    EXPECT_STREQ(copy.GetDaffFile(), "CARDIOID");
    char name[512];
    copy.GetDaffFile(name);
    EXPECT_STREQ(name, "CARDIOID");

    testing::internal::CaptureStdout();
    copy.PrintReceiver();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Pos = (4.00,5.00,6.00) - Radius = 1.50 - Azim. Rotation = 90.00 - HeadFlag = 0 - "
              "Pattern = CARDIOID - \n");
}

}  // namespace
