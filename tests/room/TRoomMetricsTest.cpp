#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "geometry/ErrorHandler.h"
#include "geometry/TPlane.h"
#include "room/RoomTestBox.h"
#include "room/TReceiver.h"
#include "room/TRoomModel.h"
#include "room/TSource.h"
#include "support/ErrorCapture.h"

using roomtest::QuietRoom;

namespace {

// Runs f with standard output captured and returns what it printed.
template <class F> std::string Printed(F f)
{
    testing::internal::CaptureStdout();
    f();
    return testing::internal::GetCapturedStdout();
}

void ExpectRel(double actual, double expected, double rel, const char* what)
{
    EXPECT_NEAR(actual, expected, std::fabs(expected) * rel) << what;
}

struct BoxCase {
    const char* name;
    bool inward;
    TPoint3D origin;
};

class BoxGeometry : public testing::TestWithParam<BoxCase> {};

}  // namespace

// Area and volume of the 10 x 8 x 3 m box do not depend on the faces' orientation or on where
// the box stands; the centre and diagonal follow the box.
TEST_P(BoxGeometry, AreaVolumeCentreAndDiagonal)
{
    const BoxCase& c = GetParam();
    QuietRoom room;
    roomtest::BuildTwoMaterialBox(*room, c.inward, c.origin);
    roomtest::MarkAllExternal(*room);

    double area = 0, volume = 0;
    Printed([&] {
        area = room->CalculateArea();
        volume = room->CalculateVolumeGeometry();
    });
    ExpectRel(area, 268.0, 1e-6, "area");
    ExpectRel(volume, 240.0, 1e-6, "volume");
    EXPECT_EQ(room->Area, area);
    EXPECT_EQ(room->Volume, volume);

    const TPoint3D centre = room->GetCenter();
    EXPECT_NEAR(centre.x, c.origin.x + 5.0, 1e-9);
    EXPECT_NEAR(centre.y, c.origin.y + 4.0, 1e-9);
    EXPECT_NEAR(centre.z, c.origin.z + 1.5, 1e-9);
    EXPECT_NEAR(room->GetMaxRoomLength(), std::sqrt(173.0), 1e-5);

    // The statistical estimate recomputes the same volume and area.
    Printed([&] { room->AcousticParameters(); });
    ExpectRel(room->Volume, 240.0, 1e-6, "volume after the estimate");
    ExpectRel(room->Area, 268.0, 1e-6, "area after the estimate");
}

INSTANTIATE_TEST_SUITE_P(Orientations, BoxGeometry,
                         testing::Values(BoxCase{"Outward", false, {0, 0, 0}}, BoxCase{"Inward", true, {0, 0, 0}},
                                         BoxCase{"OutwardAway", false, {120, -45, 7}},
                                         BoxCase{"InwardAway", true, {120, -45, 7}}),
                         [](const testing::TestParamInfo<BoxCase>& i) { return std::string(i.param.name); });

TEST(RoomMetrics, VolumeCountsOnlyExternalPlanesAndCentreCountsSourcesAndReceivers)
{
    QuietRoom room;
    roomtest::BuildTwoMaterialBox(*room);
    roomtest::MarkAllExternal(*room);
    // A 2 x 2 m reflector inside: it adds to the area but not to the volume.
    const TPlane panel = roomtest::Quad({2, 2, 1.5}, {2, 0, 0}, {0, 2, 0}, false, 0);
    room->AddPlane(&panel);
    for (unsigned i = 0; i < 6; ++i) room->plane[i]->IsExternal = true;

    Printed([&] { room->CalculateVolumeGeometry(); });
    ExpectRel(room->Volume, 240.0, 1e-6, "volume");
    ExpectRel(room->CalculateArea(), 272.0, 1e-6, "area");

    // No external plane: no volume.
    for (auto& p : room->plane) p->IsExternal = false;
    EXPECT_EQ(room->CalculateVolumeGeometry(), 0.0);

    // The box grows over receivers and sources outside the planes.
    TReceiver rec(TPoint3D(-10, 4, 1), 0.5, 0, -1);
    room->AddReceiver(&rec);
    TSource src;
    src.Position = TPoint3D(5, 4, 13);
    src.NumBands = room->NumBands;
    Printed([&] { room->AddSource(&src); });
    const TPoint3D centre = room->GetCenter();
    EXPECT_DOUBLE_EQ(centre.x, 0.0);
    EXPECT_DOUBLE_EQ(centre.y, 4.0);
    EXPECT_DOUBLE_EQ(centre.z, 6.5);
    EXPECT_EQ(room->Center, centre);
}

TEST(RoomMetrics, ForcedVolumeSurvivesTheEstimate)
{
    QuietRoom room;
    roomtest::BuildTwoMaterialBox(*room);
    roomtest::MarkAllExternal(*room);
    room->ForceVolumeFlag = 1;
    room->Volume = 100.0;
    room->Temperature = 20.0;
    room->Humidity = 40.0;
    EXPECT_EQ(room->CalculateVolumeGeometry(), 100.0);
    Printed([&] { room->AcousticParameters(); });
    EXPECT_EQ(room->Volume, 100.0);
    // 24 ln 10 * 100 / 343.4 / (268 * 0.2 + 8 m V) with m = 1.70e-5 Np/m at 62.5 Hz
    // (0.300235 s without air).
    ExpectRel(room->T60[0][0], 0.300159, 2e-4, "Sabine at 62.5 Hz");
}

// The four averaging rules, the room constant and the critical distance, against values worked
// out by hand for the two-material box (floor and ceiling 160 m2, walls 108 m2 in four planes
// of 30, 30, 24 and 24 m2).
TEST(RoomMetrics, MeanAbsorptionRulesRoomConstantAndCriticalDistance)
{
    QuietRoom room;
    roomtest::BuildTwoMaterialBox(*room);
    roomtest::MarkAllExternal(*room);
    Printed([&] { room->CalculateAbsorptionArea(); });

    struct Row {
        unsigned band;
        double sabine, eyring, logRule, scattRule;
    };
    const Row rows[] = {
        // 62.5 Hz: 0.2 everywhere; the walls scatter half.
        {0, 0.2, 0.2231436, 0.2231436, 0.02 / 0.175},
        // 1 kHz: 16 + 54 = 70 m2 of absorption.
        {4, 70.0 / 268.0, 0.3027199, 0.3422298, 0.04 / 0.175},
        {8, 70.0 / 268.0, 0.3027199, 0.3422298, 0.04 / 0.175},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.band);
        ExpectRel(room->AverageAbsorption[0][r.band], r.sabine, 1e-5, "rule 0");
        ExpectRel(room->AverageAbsorption[1][r.band], r.eyring, 1e-5, "rule 1");
        ExpectRel(room->AverageAbsorption[2][r.band], r.logRule, 1e-5, "rule 2");
        ExpectRel(room->AverageAbsorption[3][r.band], r.scattRule, 1e-5, "rule 3");
    }
    // Room constant: the plain mean over the six planes, (2 * 0.1 + 4 * 0.5) / 6, not weighted.
    ExpectRel(room->RoomConstant[4], 155.157895, 1e-5, "room constant at 1 kHz");
    ExpectRel(room->RoomConstant[0], 0.2 * 268 / 0.8, 1e-5, "room constant at 62.5 Hz");
    room->CalcCriticalDist();
    ExpectRel(room->CriticalDistance, 0.25 * std::sqrt(268.0 * (0.04 / 0.175) / 3.141592653589793), 1e-5,
              "critical distance");
}

// Sabine and Eyring times with the air absorption of 20 C, 1 atm, 40 % (0.0484 Np/m at 16 kHz,
// about 1.7e-5 at 62.5 Hz, where the plain formulas without air hold).
TEST(RoomMetrics, SabineAndEyringTimes)
{
    struct Case {
        double temperature;
        unsigned band;
        double sabine, eyring;
        double rel;
    };
    const Case cases[] = {
        // 24 ln 10 V / c / (S a) without air: 0.72056 and 0.64583 at 62.5 Hz; with the air
        // term (m = 1.70e-5 Np/m, energy coefficient 2m) 1/T grows by 2m c / (6 ln 10).
        {20.0, 0, 0.720127, 0.645479, 5e-4},
        // With 4 m V, m the energy coefficient: twice the pressure coefficient of the air
        // absorption table (5.363e-4 Np/m at 1 kHz, 4.840e-2 at 16 kHz).
        {20.0, 4, 0.543751, 0.470094, 2e-4},
        {20.0, 8, 0.237051, 0.221894, 2e-4},
        // The speed of sound comes from the temperature: 331.4 + 0.6 * 30.
        {30.0, 0, 0.707976, 0.634567, 5e-4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.temperature << " C, band " << c.band);
        QuietRoom room;
        roomtest::BuildTwoMaterialBox(*room);
        roomtest::MarkAllExternal(*room);
        room->Temperature = c.temperature;
        room->Humidity = 40.0;
        room->Pressure = 1.0;
        room->VSound = 1000.0f;  // not the estimate's speed of sound
        Printed([&] { room->AcousticParameters(); });
        ExpectRel(room->T60[0][c.band], c.sabine, c.rel, "Sabine");
        ExpectRel(room->T60[1][c.band], c.eyring, c.rel, "Eyring");
    }
}

TEST(RoomMetrics, ListingsLabelBandsAndPrintRows)
{
    QuietRoom room;
    roomtest::BuildTwoMaterialBox(*room);
    roomtest::MarkAllExternal(*room);
    room->Temperature = 20.0;
    room->Humidity = 40.0;
    const std::string estimate = Printed([&] { room->AcousticParameters(); });
    EXPECT_NE(estimate.find("ROOM CONST.: 67.000 155.158 "), std::string::npos) << estimate;
    EXPECT_NE(estimate.find("Averaged absorption coefficients:\n"
                            "F.(Hz): 00063 00125 00250 00500 01000 02000 04000 08000 16000 \n"
                            "SABINE: 0.200 0.261 0.261 0.261 0.261 0.261 0.261 0.261 0.261 \n"
                            "EYRING: 0.223 0.303 0.303 0.303 0.303 0.303 0.303 0.303 0.303 \n"),
              std::string::npos)
        << estimate;

    const std::string times = Printed([&] { room->ShowAcousticParameters(); });
    EXPECT_EQ(times.rfind("Estimated T60 (WITH AIR ABSORPTION):\n"
                          "F.(Hz): 0063 0125 0250 0500 1000 2000 4000 8000 16000 \n"
                          "Sabine: 0.72 ",
                          0),
              0u)
        << times;
    EXPECT_NE(times.find("\nEyring: 0.65 "), std::string::npos) << times;
}

TEST(RoomMetrics, AreasByMaterialAndLayer)
{
    QuietRoom room;
    roomtest::BuildTwoMaterialBox(*room);
    Printed([&] { room->CalculateArea(); });  // stores each plane's area

    std::vector<float> areas(room->NumMaterials, -1.0f);
    EXPECT_EQ(room->MaterialAreas(areas.data()), room->NumPlanes);
    EXPECT_NEAR(areas[0], 160.0f, 1e-3);
    EXPECT_NEAR(areas[1], 108.0f, 1e-3);

    EXPECT_EQ(Printed([&] { room->ShowMaterialAreas(); }),
              "=======================================\nArea by materials:\n"
              "Material Hard - 160.00 m2\nMaterial Soft - 108.00 m2\n");
    room->AddPlaneLayer(TPlaneLayer("Bare"));
    EXPECT_EQ(Printed([&] { room->ShowLayerAreas(); }),
              "=======================================\nArea by layers:\n"
              "Layer Floors (Hard)- 160.00 m2\nLayer Walls (Soft)- 108.00 m2\n"
              "Layer Bare (No Material associated)- 0.00 m2\n");
}

// A plane whose layer has no material, or which is on no layer, counts as fully reflecting and
// is reported; nothing reads outside the material list.
TEST(RoomMetrics, PlanesWithoutMaterialCountAsReflectingWithAWarning)
{
    QuietRoom room;
    roomtest::AddMaterial(*room, "Hard", 0.2f, 0.1f, 0.0f);
    room->AddPlaneLayer(TPlaneLayer("Floors"));
    room->AddPlaneLayer(TPlaneLayer("Walls"));  // no material
    room->AssociateMaterialToLayer(0, 0);
    roomtest::AddPlanes(*room, roomtest::BoxFaces(10, 8, 3, {0, 0, 0}, false, 0, 1));
    room->plane[5]->LayerID = -1;
    roomtest::MarkAllExternal(*room);

    ErrorCapture cap;
    Printed([&] { room->AcousticParameters(); });
    ASSERT_EQ(cap.messages.size(), 1u);
    EXPECT_NE(cap.messages[0].find("4 plane(s) without material"), std::string::npos) << cap.messages[0];
    EXPECT_NE(cap.messages[0].find("Walls"), std::string::npos) << cap.messages[0];

    ExpectRel(room->AverageAbsorption[0][4], 16.0 / 268.0, 1e-5, "rule 0");
    ExpectRel(room->AverageAbsorption[3][4], (0.1 / 80 * 2) / 0.175, 1e-5, "rule 3");
    ExpectRel(room->RoomConstant[4], (0.2 / 6) * 268 / (1 - 0.2 / 6), 1e-5, "room constant");
    for (unsigned b = 0; b < room->NumBands; ++b) EXPECT_TRUE(std::isfinite(room->T60[0][b])) << b;
}

// A plane without surface is left out of the rules that divide by a plane's area: with a fully
// absorbing material it would otherwise turn rules 2 and 3 into NaN.
TEST(RoomMetrics, ZeroAreaPlaneIsLeftOutOfPerPlaneRules)
{
    QuietRoom room;
    roomtest::BuildTwoMaterialBox(*room);
    roomtest::AddMaterial(*room, "Open", 1.0f, 1.0f, 0.0f);
    room->AddPlaneLayer(TPlaneLayer("Slit"));
    room->AssociateMaterialToLayer(2, 2);
    const TPoint3D line[3] = {{1, 1, 1}, {2, 1, 1}, {3, 1, 1}};
    TPlane slit(3, line);
    slit.LayerID = 2;
    room->AddPlane(&slit);
    ASSERT_EQ(room->NumPlanes, 7u);
    ASSERT_EQ(room->plane[6]->PlaneArea(), 0.0);

    Printed([&] { room->CalculateAbsorptionArea(); });
    ExpectRel(room->AverageAbsorption[2][4], 0.3422298, 1e-5, "rule 2");
    ExpectRel(room->AverageAbsorption[3][4], 0.04 / 0.175, 1e-5, "rule 3");
}

TEST(RoomMetrics, EmptyRoomGivesZeroNotOverflow)
{
    QuietRoom room;
    EXPECT_EQ(room->CalculateVolumeGeometry(), 0.0);
    EXPECT_EQ(room->CalculateArea(), 1e-6);
    Printed([&] { room->AcousticParameters(); });
    room->CalcCriticalDist();
    for (unsigned b = 0; b < room->NumBands; ++b) {
        SCOPED_TRACE(b);
        for (unsigned r = 0; r < 4; ++r) EXPECT_EQ(room->AverageAbsorption[r][b], 1.0f);
        EXPECT_EQ(room->RoomConstant[b], 0.0f);
        EXPECT_EQ(room->T60[0][b], 0.0f);
        EXPECT_EQ(room->T60[1][b], 0.0f);
    }
    EXPECT_EQ(room->Volume, 0.0);
    EXPECT_EQ(room->CriticalDistance, 0.0f);
    EXPECT_EQ(room->GetCenter(), TPoint3D(0, 0, 0));
    EXPECT_EQ(room->GetMaxRoomLength(), 0.0f);
}

// Operations no program calls: triangle counts, the volume from the mean free path, the plane
// listing and the image sources.
TEST(RoomMetrics, TriangleCountsEstimatedVolumeAndPlaneListing)
{
    QuietRoom room;
    roomtest::BuildTwoMaterialBox(*room);
    const TPoint3D pentagon[5] = {{0, 0, 1}, {2, 0, 1}, {3, 1, 1}, {1, 2, 1}, {-1, 1, 1}};
    TPlane p(5, pentagon);
    room->AddPlane(&p);
    EXPECT_EQ(room->GetNumElements(), 15u);
    EXPECT_EQ(room->GetMaxTriangles(), 3u);

    room->DelPlane(6);
    room->MeanFreePath = static_cast<float>(4.0 * 240.0 / 268.0);
    const std::string out = Printed([&] { EXPECT_NEAR(room->EstimateVolume(), 240.0, 1e-3); });
    EXPECT_EQ(out, "Estimating Volume from ray-tracing. Please wait ... Done!");

    const std::string planes = Printed([&] { room->ShowPlanes(); });
    EXPECT_EQ(planes.rfind("Number of Planes = 6\n\n======================= plane [01]: ======================\n", 0),
              0u);
    EXPECT_NE(planes.find("plane [06]"), std::string::npos);
}

TEST(RoomMetrics, ImageListMirrorsTheReceiverInTheSelectedPlanes)
{
    QuietRoom room;
    roomtest::BuildTwoMaterialBox(*room);
    TReceiver rec(TPoint3D(2, 3, 1), 0.5, 0, -1);
    room->AddReceiver(&rec);

    std::vector<TPoint3D> images(64);
    EXPECT_EQ(room->CreateImageList(0, images.data()), 64ul);
    EXPECT_EQ(room->CreateImageList(1, nullptr), 0ul);  // no such receiver
    const auto near = [](TPoint3D a, TPoint3D b) { return Module(a - b) < 1e-9; };
    EXPECT_TRUE(near(images[0], {2, 3, 1}));
    // The first binary digit selects plane 0 (the floor, z = 0), the second the ceiling (z = 3).
    EXPECT_TRUE(near(images[32], {2, 3, -1}));
    EXPECT_TRUE(near(images[16], {2, 3, 5}));
    // Floor first, then ceiling: z -> -z -> 6 + z.
    EXPECT_TRUE(near(images[48], {2, 3, 7}));
    // The last plane is x = 10.
    EXPECT_TRUE(near(images[1], {18, 3, 1}));

    // Too many planes for 2^N images is an allocation failure that ends with status 1.
    for (unsigned i = 0; i < TRoomModel::MaxImagePlanes; ++i) {
        const TPlane copy(room->plane[0].get());
        room->AddPlane(&copy);
    }
    ErrorCapture cap;
    try {
        room->CreateImageList(0, nullptr);
        ADD_FAILURE() << "no exit";
    } catch (const SorviExit& e) {
        EXPECT_EQ(e.Status(), 1);
    }
    ASSERT_EQ(cap.messages.size(), 1u);
    EXPECT_EQ(cap.messages[0].rfind("Erro de Aloca", 0), 0u);
}
