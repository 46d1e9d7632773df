#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "directivity/TDirectivity.h"
#include "room/TPlaneLayer.h"
#include "room/TReceiver.h"
#include "room/TRoomModel.h"
#include "room/TSource.h"
#include "support/ErrorCapture.h"
#include "support/TempDir.h"
#include "support/TestRooms.h"

namespace {

std::vector<std::string> ReadLines(const std::string& path)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// A 4 x 3 x 2.5 m box with a second, material-less plane layer, a source and a receiver.
struct InfoRoom {
    InfoRoom() : dir("sorvi-info"), room(std::make_unique<TRoomModel>())
    {
        room->ProjectFolder = dir.path().string();
        room->VSound = 343.0f;
        room->FSample = 44100.0f;
        room->MaxLength = 44100 / 2;
        testsupport::BuildOneMaterialRoom(*room, testsupport::ShoeboxQuads(4, 3, 2.5), 0.1f, 0.0f);
        TDirectivity* omni = room->directivity[0].get();
        room->planeLayer.push_back(TPlaneLayer("glass"));
        room->NumPlaneLayers = 2;
        TSource s;
        s.Position = TPoint3D(1, 1, 1);
        s.NumBands = 9;
        s.NumberOfRays = 1002;
        s.LayerID = 0;
        s.directivity = omni;
        room->AddSource(&s);
        TReceiver r(TPoint3D(3, 2, 1.2), 0.4, 0.0, 0);
        r.SetDirectivity(omni);
        room->AddReceiver(&r);
        room->Volume = 30;
        room->Area = 59;
        room->MaxRayTracReflections = 12;
        room->ClusterOrderGlobal = -1;
        room->AirAbsorptionFlag = 1;
    }
    ~InfoRoom()
    {
        testing::internal::CaptureStdout();
        room.reset();
        testing::internal::GetCapturedStdout();
    }
    std::string Show(float meanFreePath)
    {
        testing::internal::CaptureStdout();
        room->ShowInfo(meanFreePath);
        return testing::internal::GetCapturedStdout();
    }

    TempDir dir;
    std::unique_ptr<TRoomModel> room;
};

}  // namespace

TEST(RoomInfo, ScreenReportListsSettingsElementsAndTheVolumeOfTheMeanFreePath)
{
    InfoRoom info;
    const float mfp = static_cast<float>(4 * 30.0 / 59.0);
    const std::string out = info.Show(mfp);
    for (const char* line :
         {"\nENVIRONMENT SECTION:\nSound Speed = 343.00\nTemperature = 25.00\nPressure    = 1.00\nHumidity    = "
          "40.00\n",
          "\nSIMULATION SECTION:\nStop Decay  = -60.00\nFreq.Sample = 44100.00\n", "Number of Bands = 9\n",
          "Air Absorption = ON\nAuralization = OFF\nArtificial Tail = OFF\n",
          "Max Raytracing Reflections = 12 (Not Limited = -1)\n", "Cluster order = -1 (-1 = AUTOMATIC CLUSTERING)\n",
          "\nSOURCE LAYERS: 1\n[01] - S\n", "\nSOURCE(S): 1\nPos = (1.00,1.00,1.00)",
          "\nRECEIVER(S): 1\nPos = (3.00,2.00,1.20) - Radius = 0.40",
          "\nMATERIALS SECTION:\nNumber of Materials = 1\n[01] - wall\n",
          "\nPLANE-LAYER SECTION:\nNumber of Plane Layers = 2\n[01] - walls \t<-> wall\n"
          "[02] - glass \t<-> No Material associated\n",
          "\nGEOMETRY INFO:\nVolume = 30.00 m3 (depends on the surface orientation)\n"
          "Area   = 59.00 m2 (check if there are no overlapping areas)\nVolume estimated from Mean Free Path = "})
        EXPECT_NE(out.find(line), std::string::npos) << line;
    char last[96];
    std::snprintf(last, sizeof last, "Volume estimated from Mean Free Path = %1.2f m3\n", mfp * 59.0f / 4);
    EXPECT_EQ(out.substr(out.size() - std::string(last).size()), last);
    EXPECT_EQ(info.room->MeanFreePath, 0.0f);  // the report estimates nothing itself

    // Another mean free path gives its own volume.
    EXPECT_NE(info.Show(2.0f).find("Volume estimated from Mean Free Path = 29.50 m3\n"), std::string::npos);
}

TEST(RoomInfo, SavedReportIsTheShortForm)
{
    InfoRoom info;
    info.room->MeanFreePath = 0;
    const std::string path = info.dir / "SIM-INFO.txt";
    info.room->SaveInfo(path.c_str());
    EXPECT_EQ(info.room->MeanFreePath, 0.0f);  // the file report estimates nothing
    const std::vector<std::string> lines = ReadLines(path);
    ASSERT_GT(lines.size(), 30u);
    EXPECT_EQ(lines[0], "SIMULATION INFO:");
    EXPECT_EQ(lines[1].rfind("DATE/TIME: ", 0), 0u);
    std::string text;
    for (const std::string& l : lines) text += l + "\n";
    EXPECT_NE(text.find("Cluster order = -1\n\nMATERIALS SECTION:"), std::string::npos);
    EXPECT_NE(text.find("Max. Time   = 0.50\nAir Absorption = ON\n"), std::string::npos);
    EXPECT_NE(text.find("[02] - glass \t<-> No Material associated\n\nGEOMETRY INFO:\nVolume = 30.00 m3\n"
                        "Area   = 59.00 m2\n"),
              std::string::npos);
    for (const char* absent : {"Number of Bands", "SOURCE", "RECEIVER", "Mean Free Path", "orientation"})
        EXPECT_EQ(text.find(absent), std::string::npos) << absent;
    EXPECT_EQ(lines.back(), "Area   = 59.00 m2");

    // A file that cannot be created is reported and nothing else happens.
    ErrorCapture cap;
    info.room->SaveInfo((info.dir / "missing/SIM-INFO.txt").c_str());
    ASSERT_EQ(cap.messages.size(), 1u);
    EXPECT_NE(cap.messages[0].find("nao pode ser aberto para escrita"), std::string::npos);
}
