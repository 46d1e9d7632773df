#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "directivity/TDirectivity.h"
#include "support/ErrorCapture.h"
#include "support/ParamName.h"
#include "support/TempDir.h"

namespace {

constexpr unsigned kPatternBands = 9;
constexpr int kAllBands = -1;

struct PatternCase {
    const char* pattern;
    float azim, elev;  // degrees
    int band;          // kAllBands: the same value in every band
    float expected;
};

// c is the cosine of the angle to the front axis: 1 in front, -1 behind, 0 at the sides and
// at the poles, 0.5 at 60 degrees, -1/3 at 109.47 degrees (the hypercardioid's null).
const PatternCase kPatternCases[] = {
    {"OMNI", 0, 0, kAllBands, 1.0f},
    {"OMNI", 180, 0, kAllBands, 1.0f},
    {"OMNI", 37, -71, kAllBands, 1.0f},
    {"CARDIOID", 0, 0, kAllBands, 1.0f},
    {"CARDIOID", 180, 0, kAllBands, 0.0f},
    {"CARDIOID", 90, 0, kAllBands, 0.5f},
    {"CARDIOID", 0, 90, kAllBands, 0.5f},
    {"CARDIOID", -60, 0, kAllBands, 0.75f},
    {"CARDIOID", 0, -60, kAllBands, 0.75f},
    {"CARDIOID", 120, 0, kAllBands, 0.25f},
    {"HYPERCARD", 0, 0, kAllBands, 1.0f},
    {"HYPERCARD", 180, 0, kAllBands, 0.5f},
    {"HYPERCARD", 90, 0, kAllBands, 0.25f},
    {"HYPERCARD", 0, -90, kAllBands, 0.25f},
    {"HYPERCARD", 109.47122f, 0, kAllBands, 0.0f},
    {"HYPERCARD", 120, 0, kAllBands, 0.125f},
    {"SUPERCARD", 0, 0, kAllBands, 1.0f},
    {"SUPERCARD", 180, 0, kAllBands, 0.26f},
    {"SUPERCARD", 270, 0, kAllBands, 0.37f},
    {"SUPERCARD", 120, 0, kAllBands, 0.055f},
    {"EIGHTFIG", 0, 0, kAllBands, 1.0f},
    {"EIGHTFIG", 180, 0, kAllBands, 1.0f},
    {"EIGHTFIG", 90, 0, kAllBands, 0.0f},
    {"EIGHTFIG", -90, 0, kAllBands, 0.0f},
    {"EIGHTFIG", 0, 90, kAllBands, 0.0f},
    {"EIGHTFIG", 60, 0, kAllBands, 0.5f},
    {"EIGHTFIG", 120, 0, kAllBands, 0.5f},
    {"OMNI2CARD", 0, 0, kAllBands, 1.0f},
    {"OMNI2CARD", 180, 0, 0, 1.0f},
    {"OMNI2CARD", 180, 0, 1, 0.80618f},
    {"OMNI2CARD", 180, 0, 4, 0.39794f},
    {"OMNI2CARD", 180, 0, 8, 0.04576f},
    {"OMNI2CARD", 90, 0, 0, 1.0f},
    {"OMNI2CARD", 90, 0, 4, 0.69897f},
    {"OMNI2CARD", 0, 90, 8, 0.52288f},
    {"OMNI2CARD", 60, 0, 8, 0.76144f},
};

class BuiltInPatterns : public ::testing::TestWithParam<PatternCase> {};

TEST_P(BuiltInPatterns, MagnitudePerBand)
{
    const PatternCase& c = GetParam();
    testing::internal::CaptureStdout();
    TDirectivity dir(c.pattern, kPatternBands);
    testing::internal::GetCapturedStdout();

    std::vector<float> mags(kPatternBands, -7.0f);
    dir.GetMagnitudes(c.azim, c.elev, 0, mags.data());
    for (unsigned b = 0; b < kPatternBands; b++) {
        if (c.band != kAllBands && static_cast<int>(b) != c.band) continue;
        EXPECT_NEAR(mags[b], c.expected, 2e-5) << c.pattern << " az " << c.azim << " el " << c.elev << " band " << b;
    }
}

INSTANTIATE_TEST_SUITE_P(Table, BuiltInPatterns, ::testing::ValuesIn(kPatternCases),
                         [](const testing::TestParamInfo<PatternCase>& i) {
                             const PatternCase& c = i.param;
                             return std::string(c.pattern) + "_az" + ParamName(c.azim) + "_el" + ParamName(c.elev) +
                                    (c.band == kAllBands ? std::string() : "_band" + std::to_string(c.band));
                         });

TEST(BuiltInPattern, NamesSelectTypesAndFixedProperties)
{
    const struct {
        const char* name;
        int type;
    } names[] = {{"OMNI", DIRECTIVITY_OMNI},           {"CARDIOID", DIRECTIVITY_CARDIOID},
                 {"SUPERCARD", DIRECTIVITY_SUPERCARD}, {"HYPERCARD", DIRECTIVITY_HYPERCARD},
                 {"EIGHTFIG", DIRECTIVITY_EIGHTFIG},   {"OMNI2CARD", DIRECTIVITY_OMNI2CARD}};
    for (const auto& n : names) {
        ErrorCapture cap;
        testing::internal::CaptureStdout();
        TDirectivity dir(n.name, kPatternBands);
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(out, std::string("Directivity Type (INTERNAL ") + n.name + "): DAFF_MAGNITUDE_SPECTRUM\n");
        EXPECT_TRUE(cap.messages.empty());
        EXPECT_EQ(dir.PatternType, n.type) << n.name;
        EXPECT_STREQ(dir.GetPatternName(), n.name);
        EXPECT_EQ(dir.DAFFType, 1);
        EXPECT_EQ(dir.GetNumChannels(), 1);
        EXPECT_EQ(dir.GetIRLength(), 1);
        EXPECT_EQ(dir.GetFrontEnergy(), 1.0f);
        EXPECT_EQ(dir.GetFrontDelay(), 0u);
        EXPECT_EQ(dir.GetDelay(123, 45, 0), 0u);
        EXPECT_EQ(dir.GetEnergy(-80, 10, 0), 1.0f);
        EXPECT_EQ(dir.GetMaxEnergy(), 1.0f);
        for (int b = 0; b < static_cast<int>(kPatternBands); b++)
            EXPECT_EQ(dir.getFreq(b), static_cast<float>(62.5 * std::pow(2.0, b)));
    }
}

TEST(BuiltInPattern, UnknownNameBecomesOmniWithMessage)
{
    for (const char* name : {"omni", "Cardioid", "OMNI2", "", "no_such_pattern.daff"}) {
        ErrorCapture cap;
        std::string writable = name;
        testing::internal::CaptureStdout();
        TDirectivity dir(writable, kPatternBands);
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  "Directivity Type (INTERNAL OMNI): DAFF_MAGNITUDE_SPECTRUM\n");
        ASSERT_EQ(cap.messages.size(), 1u) << name;
        EXPECT_EQ(cap.messages[0],
                  std::string("No directivity pattern ") + name + " found!\nSetting to internal OMNI pattern.");
        EXPECT_EQ(writable, "OMNI");
        EXPECT_STREQ(dir.GetPatternName(), "OMNI");
        EXPECT_EQ(dir.PatternType, DIRECTIVITY_OMNI);
        std::vector<float> mags(kPatternBands);
        dir.GetMagnitudes(180, 0, 0, mags.data());
        EXPECT_EQ(mags, std::vector<float>(kPatternBands, 1.0f));
    }
}

// Runs a test in a fresh working directory and returns to the old one afterwards.
class InScratchDir : public ::testing::Test {
protected:
    void SetUp() override
    {
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_.path());
    }
    void TearDown() override { std::filesystem::current_path(old_); }
    std::filesystem::path old_;
    TempDir dir_{"directivity"};
};

TEST_F(InScratchDir, DirectoryNamedLikeAPatternIsNotAFile)
{
    std::filesystem::create_directory("CARDIOID");
    ErrorCapture cap;
    testing::internal::CaptureStdout();
    TDirectivity dir("CARDIOID", kPatternBands);
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(cap.messages.empty());
    EXPECT_EQ(dir.PatternType, DIRECTIVITY_CARDIOID);
}

TEST(BuiltInPattern, ImpulseResponseOfMagnitudePatternEndsProcess)
{
    testing::internal::CaptureStdout();
    TDirectivity dir("CARDIOID", kPatternBands);
    testing::internal::GetCapturedStdout();
    float ir[4] = {};
    testing::internal::CaptureStdout();
    try {
        dir.GetDirectionalIR(0, 0, 0, ir);
        ADD_FAILURE() << "no exit";
    } catch (const SorviExit& e) {
        EXPECT_EQ(e.Status(), 1);
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "ERROR!! - Getting IMPULSE RESPONSE FROM DAFF_MAGNITUDE_SPECTRUM");
}

TEST(BuiltInPattern, EmptyPatternIsNeutral)
{
    TDirectivity dir;
    EXPECT_EQ(dir.PatternType, -1);
    EXPECT_EQ(dir.DAFFType, -1);
    EXPECT_EQ(dir.GetFrontEnergy(), 1.0f);
    float ir[1] = {0.0f};
    dir.GetDirectionalIR(0, 0, 0, ir);
    EXPECT_EQ(ir[0], 1.0f);
}

TEST_F(InScratchDir, ScansOverTheTwoDegreeGrid)
{
    testing::internal::CaptureStdout();
    TDirectivity dir("CARDIOID", kPatternBands);
    testing::internal::GetCapturedStdout();

    const TDirection d = dir.GetMaxEnergyDirection();
    EXPECT_EQ(d.azim, 0.0f);
    EXPECT_EQ(d.elev, -90.0f);
    EXPECT_EQ(d.raio, 1.0f);

    dir.SaveXYZ("pattern.xyz");
    std::ifstream in("pattern.xyz");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    // 180 azimuths (0 .. 358) by 90 elevations (-90 .. 88).
    ASSERT_EQ(lines.size(), 180u * 90u);
    EXPECT_EQ(lines.front(), "0.00 0.00 -0.50");
    // Elevations outside, azimuths inside: elevation 0 at azimuth 0 is the front, 1 on +x.
    EXPECT_EQ(lines[45 * 180], "1.00 0.00 0.00");
    EXPECT_EQ(lines[45 * 180 + 45], "0.00 0.50 0.00");
}

TEST(BuiltInPattern, MoveKeepsThePattern)
{
    testing::internal::CaptureStdout();
    TDirectivity a("HYPERCARD", kPatternBands);
    TDirectivity b(std::move(a));
    testing::internal::GetCapturedStdout();
    std::vector<float> mags(kPatternBands);
    b.GetMagnitudes(180, 0, 0, mags.data());
    EXPECT_FLOAT_EQ(mags[3], 0.5f);
    EXPECT_STREQ(b.GetPatternName(), "HYPERCARD");
}

}  // namespace
