#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "dsp/acoustics.h"
#include "geometry/ErrorHandler.h"
#include "room/TRoomModel.h"
#include "support/ErrorCapture.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

class RoomFiles : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& content)
    {
        const std::string p = (dir_ / name).string();
        std::ofstream(p, std::ios::binary) << content;
        return p;
    }
    static std::string Read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    // Reads the settings of `path` into a new room and returns what was printed.
    static std::string Setup(TRoomModel& room, const std::string& path)
    {
        testing::internal::CaptureStdout();
        room.EnviromentSetupTXT(path.c_str());
        return testing::internal::GetCapturedStdout();
    }
    // A room whose destructor's listing does not reach the test output.
    static std::unique_ptr<TRoomModel, void (*)(TRoomModel*)> QuietRoom()
    {
        return {new TRoomModel, [](TRoomModel* r) {
                    testing::internal::CaptureStdout();
                    delete r;
                    testing::internal::GetCapturedStdout();
                }};
    }

    TempDir temp_{"room-settings"};
    fs::path dir_ = temp_.path();
};

const char* const kFullSettings = "<ENVIRONMENT>\n"
                                  "TEMPERATURE = 18.5\n"
                                  "PRESSURE = 0.95\n"
                                  "HUMIDITY = 55\n"
                                  "</ENVIRONMENT>\n"
                                  "<SIMULATION>\n"
                                  "MAX_TIME = 2.5\n"
                                  "STOP_DECAY = -50\n"
                                  "SAMPLE_RATE = 48000\n"
                                  "MAX_RAYTRAC_REF = 12\n"
                                  "ARTIFICIAL_TAIL = 1\n"
                                  "CLUSTER_ORDER = 2\n"
                                  "MODAL_SIM = 3\n"
                                  "HIT_FILES = 1\n"
                                  "SAVE_LATE_RAYS = 1\n"
                                  "SAVE_DIFFUSE_RAYS = 1\n"
                                  "SAVE_LOST_RAYS = 0\n"
                                  "AURALIZATION = 0\n"
                                  "SET_VOLUME = 120.5\n"
                                  "DIFFUSE_PROCESSING = 1\n"
                                  "</SIMULATION>\n";

}  // namespace

TEST_F(RoomFiles, FreshRoomDefaults)
{
    auto room = QuietRoom();
    EXPECT_EQ(room->NumBands, 9u);
    EXPECT_FLOAT_EQ(room->GetMaxTime(), 1.0f);
    EXPECT_EQ(room->ProjectName, "Untitled.txt");
    EXPECT_EQ(room->ProjectFolder, ".");
    EXPECT_EQ(room->ClusterOrderGlobal, 0);
    EXPECT_EQ(room->SaveLostRays, 1u);
    EXPECT_TRUE(room->AverageAbsorptionCreated);
    ASSERT_EQ(room->AverageAbsorption.size(), 4u);
    ASSERT_EQ(room->T60.size(), 4u);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(room->AverageAbsorption[k].size(), 9u);
        EXPECT_EQ(room->T60[k].size(), 9u);
    }
    EXPECT_EQ(room->AirAbs.size(), 9u);
    EXPECT_EQ(room->RoomConstant.size(), 9u);

    EXPECT_EQ(room->GetNumRays(), 20000u);
    EXPECT_EQ(room->NumRays, 20000u);
    EXPECT_EQ(room->SetNumRays(5000), 5000u);
    EXPECT_EQ(room->GetNumRays(), 5000u);

    room->DeleteAbsorption();
    EXPECT_FALSE(room->AverageAbsorptionCreated);
    EXPECT_TRUE(room->AirAbs.empty());
    room->DeleteAbsorption();  // twice is harmless
    room->AllocateAbsorption();
    EXPECT_EQ(room->AirAbs.size(), 9u);
}

TEST_F(RoomFiles, ReadsEverySettingOfAFullFile)
{
    const std::string path = Write("full.txt", kFullSettings);
    auto room = QuietRoom();
    room->SetNumRays(5000);
    const std::string out = Setup(*room, path);

    EXPECT_DOUBLE_EQ(room->Temperature, 18.5);
    EXPECT_NEAR(room->Pressure, 0.95, 1e-6);
    EXPECT_DOUBLE_EQ(room->Humidity, 55.0);
    EXPECT_FLOAT_EQ(room->StopDecay, -50.0f);
    EXPECT_FLOAT_EQ(room->FSample, 48000.0f);
    EXPECT_EQ(room->MaxLength, 120000u);
    EXPECT_FLOAT_EQ(room->GetMaxTime(), 2.5f);
    EXPECT_EQ(room->MaxRayTracReflections, 12);
    EXPECT_TRUE(room->ArtificialTailFlag);
    EXPECT_EQ(room->ClusterOrderGlobal, 2);
    EXPECT_TRUE(room->ModalFlag);
    EXPECT_EQ(room->AirAbsorptionFlag, 1);
    EXPECT_EQ(room->HitFilesFlag, 1u);
    EXPECT_EQ(room->SaveLateRaysFlag, 1u);
    EXPECT_EQ(room->SaveDiffuseRaysFlag, 1u);
    EXPECT_EQ(room->SaveLostRays, 0u);
    EXPECT_FALSE(room->AuralizationFlag);
    EXPECT_EQ(room->ForceVolumeFlag, 1);
    EXPECT_DOUBLE_EQ(room->Volume, 120.5);
    EXPECT_EQ(room->DiffuseProcessing, 1u);
    EXPECT_EQ(room->GetNumRays(), 20000u);
    EXPECT_FLOAT_EQ(room->VSound, static_cast<float>(331.4 + 0.6 * 18.5));

    std::vector<double> air(9);
    CalculateAirAbsCoefs(static_cast<float>(18.5 + 273.15), 0.95f, 55.0f, 9, air.data());
    EXPECT_EQ(room->AirAbs, air);

    EXPECT_EQ(out, "===============  ENVIRONMENT SETUP =====================\n"
                   "ARTIFICIAL_TAIL = 1\n"
                   "MODAL_SIM = 1\n"
                   "SAVE_LATE_RAYS = 1\n"
                   "SET_VOLUME flag was defined!\n"
                   "Volume calculation will be overridden.\n"
                   "Diffuse Processing is ON\n"
                   "========================================================\n");
}

TEST_F(RoomFiles, MissingSectionAndKeysTakeDefaultsWithMessages)
{
    const std::string path = Write("empty.txt", "<SIMULATION>\n</SIMULATION>\n");
    auto room = QuietRoom();
    const std::string out = Setup(*room, path);

    EXPECT_DOUBLE_EQ(room->Temperature, 20.0);
    EXPECT_DOUBLE_EQ(room->Pressure, 1.0);
    EXPECT_DOUBLE_EQ(room->Humidity, 40.0);
    EXPECT_FLOAT_EQ(room->VSound, 343.4f);
    EXPECT_FLOAT_EQ(room->StopDecay, -60.0f);
    EXPECT_FLOAT_EQ(room->FSample, 44100.0f);
    EXPECT_EQ(room->MaxLength, 88200u);
    EXPECT_EQ(room->MaxRayTracReflections, -1);
    EXPECT_FALSE(room->ArtificialTailFlag);
    EXPECT_EQ(room->ClusterOrderGlobal, -1);
    EXPECT_FALSE(room->ModalFlag);
    EXPECT_EQ(room->HitFilesFlag, 0u);
    EXPECT_EQ(room->SaveLostRays, 1u);
    EXPECT_TRUE(room->AuralizationFlag);
    EXPECT_EQ(room->ForceVolumeFlag, 0);
    EXPECT_EQ(room->DiffuseProcessing, 0u);

    const std::string head = "===============  ENVIRONMENT SETUP =====================\n"
                             "Section ENVIRONMENT not found on config file.\n"
                             "Setting TEMPERATURE = 20 (default)\n"
                             "Section ENVIRONMENT not found on config file.\n"
                             "Setting PRESSURE = 1.0 (default)\n"
                             "Section ENVIRONMENT not found on config file.\n"
                             "Setting HUMIDITY = 40 (default)\n"
                             "Tag STOP_DECAY not found on section SIMULATION.\n"
                             "Setting STOP_DECAY = -60 (default)\n";
    EXPECT_EQ(out.substr(0, head.size()), head);
    for (const char* msg :
         {"CLUSTER_ORDER not defined!\nAutomatic value will be set during simulation.Tag MODAL_SIM",
          "Setting MAX_RAYTRAC_REF = -1 (default)\n", "Setting AURALIZATION On (default)\n",
          "Volume calculation performed from room geometry (default).\n",
          " NO Scattering will be performed. To use Scattering, set DIFFUSE_PROCESSING = 1 on config file.\n"})
        EXPECT_NE(out.find(msg), std::string::npos) << msg;
}

TEST_F(RoomFiles, OddValuesAndKeyLines)
{
    struct Case {
        const char* name;
        std::string body;  // lines inside <SIMULATION>
        std::string environment;
        double temperature;
        int clusterOrder;
        int forceVolume;
        float fsample;
        unsigned int maxLength;
    };
    const std::vector<Case> cases = {
        {"temperature -1 is missing", "", "TEMPERATURE = -1\n", 20.0, -1, 0, 44100.0f, 88200},
        {"comment in first column skipped", "", "#TEMPERATURE = 30\nTEMPERATURE = 22\n", 22.0, -1, 0, 44100.0f, 88200},
        {"blank before '#' is a key line", "", " #TEMPERATURE = 30\nTEMPERATURE = 22\n", 30.0, -1, 0, 44100.0f, 88200},
        {"no '=' counts as missing", "", "TEMPERATURE 30\n", 20.0, -1, 0, 44100.0f, 88200},
        {"no value counts as missing", "", "TEMPERATURE =   \n", 20.0, -1, 0, 44100.0f, 88200},
        {"not a number counts as missing", "", "TEMPERATURE = warm\n", 20.0, -1, 0, 44100.0f, 88200},
        {"value beyond single precision counts as missing", "", "TEMPERATURE = 1e39\n", 20.0, -1, 0, 44100.0f, 88200},
        {"CRLF lines", "", "TEMPERATURE = 23.5\r\n", 23.5, -1, 0, 44100.0f, 88200},
        {"negative cluster order is automatic", "CLUSTER_ORDER = -3\n", "", 20.0, -1, 0, 44100.0f, 88200},
        {"volume 0 is geometric", "SET_VOLUME = 0\n", "", 20.0, -1, 0, 44100.0f, 88200},
        {"zero sample rate takes the default", "SAMPLE_RATE = 0\nMAX_TIME = 1\n", "", 20.0, -1, 0, 44100.0f, 44100},
        {"zero length takes the default", "MAX_TIME = 0\n", "", 20.0, -1, 0, 44100.0f, 88200},
        {"key after the closing tag is not read", "</SIMULATION>\nCLUSTER_ORDER = 4\n", "", 20.0, -1, 0, 44100.0f,
         88200},
        {"longer key containing the key matches", "OLD_MAX_TIME = 3\n", "", 20.0, -1, 0, 44100.0f, 132300},
    };
    for (const auto& c : cases) {
        const std::string path = Write("case.txt", "<ENVIRONMENT>\n" + c.environment +
                                                       "</ENVIRONMENT>\n<SIMULATION>\n" + c.body + "</SIMULATION>\n");
        auto room = QuietRoom();
        Setup(*room, path);
        EXPECT_DOUBLE_EQ(room->Temperature, c.temperature) << c.name;
        EXPECT_EQ(room->ClusterOrderGlobal, c.clusterOrder) << c.name;
        EXPECT_EQ(room->ForceVolumeFlag, c.forceVolume) << c.name;
        EXPECT_FLOAT_EQ(room->FSample, c.fsample) << c.name;
        EXPECT_EQ(room->MaxLength, c.maxLength) << c.name;
    }
}

TEST_F(RoomFiles, SavedSetupReadsBackWithUnwrittenKeysAtTheirDefaults)
{
    const std::string src = Write("full.txt", kFullSettings);
    auto room = QuietRoom();
    Setup(*room, src);

    const std::string saved = (dir_ / "saved.txt").string();
    room->SaveSetup(saved.c_str());
    EXPECT_EQ(Read(saved),
              "<ENVIRONMENT>\nTEMPERATURE = 18.5\nPRESSURE = 0.95\nHUMIDITY = 55.0\n</ENVIRONMENT>\n\n"
              "<SIMULATION>\nMAX_TIME = 2.50\nSTOP_DECAY = -50\nSAMPLE_RATE = 48000\nMAX_RAYTRAC_REF = 12\n"
              "SAVE_LATE_RAYS = 1\nDIFFUSE_PROCESSING = 1\nSAVE_DIFFUSE_RAYS = 1\nARTIFICIAL_TAIL = 1\n"
              "AURALIZATION = 0\n</SIMULATION>\n\n");

    auto back = QuietRoom();
    Setup(*back, saved);
    EXPECT_DOUBLE_EQ(back->Temperature, 18.5);
    EXPECT_NEAR(back->Pressure, 0.95, 1e-6);
    EXPECT_DOUBLE_EQ(back->Humidity, 55.0);
    EXPECT_EQ(back->MaxLength, 120000u);
    EXPECT_FLOAT_EQ(back->StopDecay, -50.0f);
    EXPECT_FLOAT_EQ(back->FSample, 48000.0f);
    EXPECT_EQ(back->MaxRayTracReflections, 12);
    EXPECT_EQ(back->SaveLateRaysFlag, 1u);
    EXPECT_EQ(back->DiffuseProcessing, 1u);
    EXPECT_EQ(back->SaveDiffuseRaysFlag, 1u);
    EXPECT_TRUE(back->ArtificialTailFlag);
    EXPECT_FALSE(back->AuralizationFlag);
    // Not written: back to their defaults.
    EXPECT_EQ(back->ClusterOrderGlobal, -1);
    EXPECT_FALSE(back->ModalFlag);
    EXPECT_EQ(back->HitFilesFlag, 0u);
    EXPECT_EQ(back->SaveLostRays, 1u);
    EXPECT_EQ(back->ForceVolumeFlag, 0);
}

TEST_F(RoomFiles, DefaultSectionsAreFixedTexts)
{
    const std::string setup = (dir_ / "setup.txt").string();
    const std::string sections = (dir_ / "sections.txt").string();
    auto room = QuietRoom();
    room->Temperature = 99.0;  // not used by the default writers
    room->WriteDefaultSetup(setup.c_str());
    room->WriteDefaultSections(sections.c_str());
    const std::string defaults =
        "\n<ENVIRONMENT>\nTEMPERATURE = 20.0\nPRESSURE = 1.0\nHUMIDITY = 40\n</ENVIRONMENT>\n\n"
        "<SIMULATION>\nMAX_TIME = 2.0\nSTOP_DECAY = -60\nMAX_RAYTRAC_REF = -1\nSAVE_LATE_RAYS = 0\n"
        "DIFFUSE_PROCESSING = 0\nSAVE_DIFFUSE_RAYS = 0\nAURALIZATION = 0\nARTIFICIAL_TAIL = 0\n</SIMULATION>\n\n";
    EXPECT_EQ(Read(setup), defaults);
    EXPECT_EQ(Read(sections), defaults +
                                  "Material section:\nMaterialName absorption[62-16k] Global_scattering[full_band]\n"
                                  "<MATERIALS>\nDEFAULT_MAT 0.50 0.55 0.60 0.65 0.70 0.75 0.80 0.82 0.85 0.05\n"
                                  "</MATERIALS>\n\n");

    auto back = QuietRoom();
    Setup(*back, setup);
    EXPECT_DOUBLE_EQ(back->Temperature, 20.0);
    EXPECT_FLOAT_EQ(back->FSample, 44100.0f);
    EXPECT_EQ(back->MaxLength, 88200u);
    EXPECT_FALSE(back->AuralizationFlag);

    // A writer that cannot open its file shows the open box and writes nothing.
    ErrorCapture cap;
    room->SaveSetup((dir_ / "no" / "such.txt").string().c_str());
    ASSERT_EQ(cap.messages.size(), 1u);
    EXPECT_NE(cap.messages[0].find("escrita"), std::string::npos);
}

TEST_F(RoomFiles, UnreadableProjectEndsWithStatus1)
{
    auto room = QuietRoom();
    const std::string missing = (dir_ / "missing.txt").string();
    ErrorCapture cap;
    try {
        room->EnviromentSetupTXT(missing.c_str());
        FAIL() << "no exit";
    } catch (const SorviExit& e) {
        EXPECT_EQ(e.Status(), 1);
    }
    EXPECT_EQ(cap.messages, std::vector<std::string>{"Cannot open " + missing + " for reading\n"});
}

// Settings no physics allows end the reading with a message and status 1: they made a
// negative speed of sound, nan or a hang, or a response length cut silently to the counter.
TEST_F(RoomFiles, ImpossibleSettingsAreRefused)
{
    struct Case {
        std::string environment;
        std::string simulation;
        const char* message;  // start of the one message shown
    };
    const std::vector<Case> cases = {
        {"TEMPERATURE = -600\n", "", "TEMPERATURE = -600 C lies at or below absolute zero"},
        {"TEMPERATURE = -552.33\n", "", "TEMPERATURE = -552.33 C lies at or below absolute zero"},
        {"TEMPERATURE = -273.15\n", "", "TEMPERATURE = -273.15 C lies at or below absolute zero"},
        {"PRESSURE = 0\n", "", "PRESSURE = 0 atm lies below 0.01 atm"},
        {"PRESSURE = 0.004\n", "", "PRESSURE = 0.004 atm lies below 0.01 atm"},
        {"HUMIDITY = 140\n", "", "HUMIDITY = 140 % lies outside 0 ... 100"},
        {"", "MAX_TIME = 1e9\n", "MAX_TIME = 1e+09 s at 44100 Hz is longer than a response can be"},
    };
    for (const auto& c : cases) {
        const std::string path =
            Write("case.txt", "<ENVIRONMENT>\n" + c.environment + "</ENVIRONMENT>\n<SIMULATION>\n" + c.simulation +
                                  "</SIMULATION>\n");
        auto room = QuietRoom();
        ErrorCapture cap;
        int status = 0;
        testing::internal::CaptureStdout();
        try {
            room->EnviromentSetupTXT(path.c_str());
        } catch (const SorviExit& e) {
            status = e.Status();
        }
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(status, 1) << c.message;
        ASSERT_EQ(cap.messages.size(), 1u) << c.message;
        EXPECT_EQ(cap.messages[0].rfind(c.message, 0), 0u) << cap.messages[0];
    }
    // The coldest air that still carries sound is read as it is.
    const std::string path = Write("cold.txt", "<ENVIRONMENT>\nTEMPERATURE = -270\n</ENVIRONMENT>\n");
    auto room = QuietRoom();
    Setup(*room, path);
    EXPECT_GT(room->VSound, 0.0f);
}

TEST_F(RoomFiles, ResponseLengthIsLockedAgainstGrowthWhileResultsExist)
{
    auto room = QuietRoom();
    room->FSample = 48000.0f;
    EXPECT_FLOAT_EQ(room->SetMaxTime(2.5f), 2.5f);
    EXPECT_EQ(room->MaxLength, 120000u);

    ErrorCapture cap;
    room->ResultsCreated = true;
    EXPECT_EQ(room->SetMaxTime(3.0f), -1.0f);
    EXPECT_EQ(room->MaxLength, 120000u);
    EXPECT_EQ(cap.messages, std::vector<std::string>{"Increasing Impulse Response Length Not Possible YET!!"});
    EXPECT_FLOAT_EQ(room->SetMaxTime(1.0f), 1.0f);
    EXPECT_EQ(room->MaxLength, 48000u);
    room->ResultsCreated = false;
    EXPECT_EQ(room->SetMaxTime(-2.0f), 0.0f);  // never a wrapped-around length
}

TEST_F(RoomFiles, PathSetupSplitsAtEitherSeparator)
{
    const std::string cwd = fs::current_path().string();
    struct Case {
        std::string config, folder, name, joined;
    };
    const std::vector<Case> cases = {
        {"C:\\Projects\\Hall\\room.txt", "C:\\Projects\\Hall", "room.txt", "C:\\Projects\\Hall/S001.txt"},
        {"room.txt", cwd, "room.txt", cwd + "/S001.txt"},
        {"data/rooms/room.txt", "data/rooms", "room.txt", "data/rooms/S001.txt"},
        {"data\\mixed/room.txt", "data\\mixed", "room.txt", "data\\mixed/S001.txt"},
        {"/room.txt", "/", "room.txt", "/S001.txt"},
        {"\\room.txt", "\\", "room.txt", "\\S001.txt"},
    };
    for (const auto& c : cases) {
        auto room = QuietRoom();
        testing::internal::CaptureStdout();
        room->PathSetup(c.config);
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(room->ProjectFolder, c.folder) << c.config;
        EXPECT_EQ(room->ProjectName, c.name) << c.config;
        EXPECT_EQ(room->SoftwareFolder, cwd);
        EXPECT_EQ(room->AcousticDataFolder, cwd);
        EXPECT_EQ(room->ProjectFile("S001.txt"), c.joined) << c.config;
        const std::string bar(43, '=');
        EXPECT_EQ(out, bar + "\nSoftware Path: " + cwd + "\nAcousticData Path: " + cwd + "\nProject Path: " + c.folder +
                           "\nProject Name: " + c.name + "\n" + bar + "\n");
    }
}

TEST_F(RoomFiles, DestructorListsItsStepsInOrder)
{
    auto* room = new TRoomModel;
    testing::internal::CaptureStdout();
    delete room;
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "absorption ...done.\nresults ...done.\nreceivers ...done.\nsources ...done.\n"
              "directivities ...done.\nplanes ...done.\nplanelayers ...done.\nsourcelayers ...done.\n"
              "materials ...done.\nlost rays ...done.\n");
}
