#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "directivity/TDirectivity.h"
#include "directivity/daff/DAFFDefs.h"
#include "support/DaffTestWriter.h"
#include "support/ErrorCapture.h"
#include "support/TempDir.h"

namespace {

using namespace dafftest;
constexpr unsigned kBands = 9;

std::unique_ptr<TDirectivity> Load(const DaffTestWriter& w, const std::string& name, std::string* out = nullptr)
{
    const std::string path = writeTempFile(w.bytes(), name);
    testing::internal::CaptureStdout();
    auto d = std::make_unique<TDirectivity>(path, kBands);
    const std::string printed = testing::internal::GetCapturedStdout();
    if (out) *out = printed;
    return d;
}

// The exit status that `run` ends the process with, or nothing when it returns.
std::optional<int> ExitStatus(const std::function<void()>& run)
{
    testing::internal::CaptureStdout();
    try {
        run();
    } catch (const SorviExit& e) {
        testing::internal::GetCapturedStdout();
        return e.Status();
    }
    testing::internal::GetCapturedStdout();
    return std::nullopt;
}

// One record that every direction finds: alpha 0, beta 90.
void SingleDirection(DaffTestWriter& w)
{
    w.main.alphaPoints = 1;
    w.main.alphaStart = w.main.alphaEnd = 0;
    w.main.betaPoints = 1;
    w.main.betaStart = w.main.betaEnd = 90;
    w.main.numRecords = 1;
}

DaffTestWriter SpectrumFile(const std::vector<float>& freqs)
{
    DaffTestWriter w;
    w.main.contentType = DAFF_MAGNITUDE_SPECTRUM;
    w.main.quantization = DAFF_FLOAT32;
    w.main.elementsPerRecord = static_cast<int>(freqs.size());
    SingleDirection(w);
    w.freqs = freqs;
    ChannelRecord ch;
    for (size_t k = 0; k < freqs.size(); k++) ch.values.push_back(static_cast<double>(k) / 100.0);
    w.records = {{ch}};
    return w;
}

// One-channel impulse response of `length` samples: `leading` zeros, then `samples`.
DaffTestWriter ResponseFile(const std::vector<double>& samples, int leading, int length, float fs = 44100.0f)
{
    DaffTestWriter w;
    w.main.contentType = DAFF_IMPULSE_RESPONSE;
    w.main.quantization = DAFF_FLOAT32;
    w.main.elementsPerRecord = length;
    SingleDirection(w);
    w.sampleRate = fs;
    w.maxEffectiveFilterLength = static_cast<int>(samples.size());
    ChannelRecord ch;
    ch.leadingZeros = leading;
    ch.values = samples;
    w.records = {{ch}};
    return w;
}

TEST(DaffPattern, MagnitudeSpectraAnswerTheNearestRecordPerBandAndChannel)
{
    std::string printed;
    auto d = Load(magnitudeGrid(), "grid_ms.daff", &printed);
    EXPECT_EQ(printed, "Directivity Type (DAFF): DAFF_MAGNITUDE_SPECTRUM\n");
    EXPECT_EQ(d->PatternType, DIRECTIVITY_DAFF);
    EXPECT_EQ(d->DAFFType, 1);
    EXPECT_EQ(d->GetNumChannels(), 2);
    EXPECT_EQ(d->GetIRLength(), 1);
    EXPECT_EQ(d->DaffNumFreqs, 9);
    for (unsigned b = 0; b < kBands; b++) EXPECT_EQ(d->freqIndex[b], static_cast<int>(b));

    // Grid: alpha 0, 90, 180, 270; beta 0 (south pole), 45, 90, 135, 180 (north pole).
    // Record r, channel c, band b holds 1000 r + 100 c + b.
    const struct {
        float azim, elev;
        unsigned ch;
        int record;
    } cases[] = {{0, 0, 0, 5},     {0, 0, 1, 5},   {90, 0, 0, 6},   {180, 0, 1, 7},  {-90, 0, 0, 8},
                 {100, 40, 0, 10}, {0, 90, 0, 13}, {45, -89, 1, 0}, {10, -45, 0, 1}, {-170, 0, 0, 7}};
    for (const auto& c : cases) {
        std::vector<float> mags(kBands);
        d->GetMagnitudes(c.azim, c.elev, c.ch, mags.data());
        for (unsigned b = 0; b < kBands; b++)
            EXPECT_EQ(mags[b], 1000.0f * c.record + 100.0f * c.ch + b)
                << "az " << c.azim << " el " << c.elev << " ch " << c.ch << " band " << b;
    }

    // Gains from the band magnitudes only; the channel with less energy decides the front gain.
    EXPECT_FLOAT_EQ(d->GetEnergy(0, 0, 1), static_cast<float>(1.0 / std::sqrt(9 * 5100.0 + 36)));
    EXPECT_FLOAT_EQ(d->GetFrontEnergy(), static_cast<float>(1.0 / std::sqrt(9 * 5000.0 + 36)));
    EXPECT_EQ(d->GetFrontDelay(), 0u);
    EXPECT_EQ(d->GetDelay(90, 0, 1), 0u);
    EXPECT_EQ(ExitStatus([&] {
                  float ir[1];
                  d->GetDirectionalIR(0, 0, 0, ir);
              }),
              1);
}

TEST(DaffPattern, BandsTakeTheFirstFrequencyAtOrAboveTheirCentre)
{
    const std::vector<float> third = {20,   25,   31.5, 40,   50,   63,    80,    100,   125,  160,  200,
                                      250,  315,  400,  500,  630,  800,   1000,  1250,  1600, 2000, 2500,
                                      3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000};
    const struct {
        const char* name;
        std::vector<float> freqs;
        std::vector<int> index;
    } cases[] = {
        {"third_octaves", third, {5, 8, 11, 14, 17, 20, 23, 26, 29}},
        {"first_is_63", {63, 125, 250, 500, 1000, 2000, 4000, 8000, 16000}, {0, 1, 2, 3, 4, 5, 6, 7, 8}},
        {"unsorted", {100, 62.5, 300, 250, 600, 1100, 2100, 4100, 8100, 16000}, {0, 2, 2, 4, 5, 6, 7, 8, 9}},
    };
    for (const auto& c : cases) {
        ErrorCapture cap;
        auto d = Load(SpectrumFile(c.freqs), std::string(c.name) + ".daff");
        EXPECT_TRUE(cap.messages.empty()) << c.name;
        EXPECT_EQ(d->freqIndex, c.index) << c.name;
        std::vector<float> mags(kBands);
        d->GetMagnitudes(0, 0, 0, mags.data());
        for (unsigned b = 0; b < kBands; b++) EXPECT_FLOAT_EQ(mags[b], c.index[b] / 100.0f);
        EXPECT_EQ(d->getFreq(0), c.freqs[static_cast<size_t>(c.index[0])]);
    }
}

TEST(DaffPattern, MissingBandsAndTooFewFrequenciesEndTheProcess)
{
    {
        ErrorCapture cap;
        const std::string path =
            writeTempFile(SpectrumFile({62.5, 125, 250, 500, 1000, 2000, 4000, 8000, 12500}).bytes(), "to12k5.daff");
        EXPECT_EQ(ExitStatus([&] { TDirectivity d(path, kBands); }), -1);
        EXPECT_EQ(cap.messages, std::vector<std::string>{"Band 16000.000000 not found in DAFF File!\n"});
    }
    {
        ErrorCapture cap;
        const std::string path =
            writeTempFile(SpectrumFile({62.5, 125, 250, 500, 1000, 2000, 4000, 8000}).bytes(), "eight.daff");
        EXPECT_EQ(ExitStatus([&] { TDirectivity d(path, kBands); }), 1);
        EXPECT_EQ(cap.messages,
                  std::vector<std::string>{"Number of bands (8) in DAFF file is less than 9!. Aborting!"});
    }
}

TEST(DaffPattern, ImpulseResponsesAreNormalisedToTheWeakerFrontChannel)
{
    for (int quantization : {DAFF_INT16, DAFF_INT24, DAFF_FLOAT32}) {
        std::string printed;
        auto d = Load(impulseResponses(quantization), "ir" + std::to_string(quantization) + ".daff", &printed);
        EXPECT_EQ(printed, "Source Type (DAFF): DAFF_IMPULSE_RESPONSE\n");
        EXPECT_EQ(d->DAFFType, 0);
        EXPECT_EQ(d->GetNumChannels(), 2);
        EXPECT_EQ(d->GetIRLength(), 16);
        EXPECT_EQ(d->FFTSize, 32);

        // Front: alpha 0, beta 90 is record 3; channel c has (3 + c) % 4 leading zeros and
        // then 1, -0.5, 0.25, -1, 0.125 times 0.85 (channel 1 negated).
        const double storedEnergy = 0.85 * 0.85 * (1 + 0.25 + 0.0625 + 1 + 0.015625);
        std::vector<float> ir(16);
        for (unsigned ch = 0; ch < 2; ch++) {
            d->GetDirectionalIR(0, 0, ch, ir.data());
            double energy = 0;
            for (float s : ir) energy += static_cast<double>(s) * s;
            EXPECT_NEAR(energy, 1.0, 1e-3) << "quantization " << quantization << " ch " << ch;
            const int leading = static_cast<int>(3 + ch) % 4;
            for (int n = 0; n < leading; n++) EXPECT_EQ(ir[static_cast<size_t>(n)], 0.0f);
            EXPECT_NEAR(ir[static_cast<size_t>(leading)], (ch ? -0.85 : 0.85) / std::sqrt(storedEnergy), 1e-3);
        }
        // The first of the two largest samples (1 and -1) is the peak: leading zeros + 0.
        EXPECT_EQ(d->GetDelay(0, 0, 0), 3u);
        EXPECT_EQ(d->GetDelay(0, 0, 1), 0u);
        EXPECT_EQ(d->GetFrontDelay(), 0u);
        EXPECT_EQ(d->FrontDelay, 0u);
        EXPECT_EQ(d->GetMinDelay(90, 0), 0u);  // record 4: leading zeros 0 and 1
    }
}

TEST(DaffPattern, TransformSizeIsTwiceThePowerOfTwoAboveTheLength)
{
    const struct {
        int length, fft;
    } cases[] = {{1, 2}, {5, 16}, {256, 512}, {257, 1024}, {1000, 2048}};
    for (const auto& c : cases) {
        auto d = Load(ResponseFile({1.0}, 0, c.length), "len" + std::to_string(c.length) + ".daff");
        EXPECT_EQ(d->GetIRLength(), c.length);
        EXPECT_EQ(d->FFTSize, c.fft) << c.length;
        EXPECT_EQ(d->IRTransform.size(), static_cast<size_t>(c.fft));
    }
}

TEST(DaffPattern, BandMagnitudesOfImpulseResponsesComeFromTheirSpectrum)
{
    // A delayed impulse is flat: 1 in every band once normalised, whatever its level.
    auto impulse = Load(ResponseFile({0.5}, 7, 256), "impulse.daff");
    std::vector<float> mags(kBands);
    impulse->GetMagnitudes(0, 0, 0, mags.data());
    for (unsigned b = 0; b < kBands; b++) EXPECT_NEAR(mags[b], 1.0f, 1e-5) << b;
    EXPECT_EQ(impulse->GetFrontDelay(), 7u);

    // Two equal taps: |H(f)| = sqrt(2) |cos(pi f / fs)|, a low-pass falling towards fs / 2.
    auto lowpass = Load(ResponseFile({0.3, 0.3}, 0, 256), "lowpass.daff");
    lowpass->GetMagnitudes(0, 0, 0, mags.data());
    EXPECT_NEAR(mags[0], std::sqrt(2.0f), 0.01f);
    for (unsigned b = 1; b < kBands; b++) EXPECT_LT(mags[b], mags[b - 1]) << b;
    EXPECT_LT(mags[8], 0.8f);

    // Without a sample rate the bands cannot be placed: every band gets the broadband value.
    auto norate = Load(ResponseFile({0.0, 0.5, 0.5}, 0, 8, 0.0f), "norate.daff");
    norate->GetMagnitudes(0, 0, 0, mags.data());
    for (unsigned b = 0; b < kBands; b++) EXPECT_NEAR(mags[b], 1.0f, 1e-5);
}

TEST(DaffPattern, SilentFrontKeepsGainOne)
{
    DaffTestWriter w = impulseResponses(DAFF_FLOAT32);
    // Zero both channels of the front record (3).
    for (auto& ch : w.records[3]) ch.values.assign(5, 0.0);
    const std::string path = writeTempFile(w.bytes(), "silent_front.daff");
    testing::internal::CaptureStdout();
    TDirectivity d(path, kBands);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(d.GetFrontEnergy(), 1.0f);
    EXPECT_EQ(d.GetEnergy(0, 0, 0), 0.0f);
    std::vector<float> ir(16);
    d.GetDirectionalIR(90, 0, 0, ir.data());  // record 4, leading zeros 0: stored as written
    EXPECT_FLOAT_EQ(ir[0], 0.8f);
    std::vector<float> mags(kBands);
    d.GetMagnitudes(0, 0, 0, mags.data());
    for (float m : mags) EXPECT_EQ(m, 0.0f);
}

TEST(DaffPattern, ContentWithoutMagnitudesOrResponsesIsRefused)
{
    const struct {
        int type;
        const char* printed;
    } cases[] = {{DAFF_PHASE_SPECTRUM, "DAFF_PHASE_SPECTRUM NOT IMPLEMENTED\n"},
                 {DAFF_MAGNITUDE_PHASE_SPECTRUM, "DAFF_MAGNITUDE_PHASE_SPECTRUM NOT IMPLEMENTED\n"},
                 {DAFF_DFT_SPECTRUM, "DAFF_DFT_SPECTRUM NOT IMPLEMENTED\n"}};
    for (const auto& c : cases) {
        const std::string path =
            writeTempFile(smallSpectrum(c.type).bytes(), "spec" + std::to_string(c.type) + ".daff");
        testing::internal::CaptureStdout();
        int status = 0;
        try {
            TDirectivity d(path, kBands);
        } catch (const SorviExit& e) {
            status = e.Status();
        }
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.printed);
        EXPECT_EQ(status, 1) << c.type;
    }
}

TEST(DaffPattern, ReaderErrorsEndWithTheirCode)
{
    const auto old = std::filesystem::current_path();
    const TempDir dir("daff-named-omni");
    std::filesystem::current_path(dir.path());
    {
        // A readable file named like a built-in pattern is read as a DAFF file.
        std::ofstream("OMNI", std::ios::binary) << "FW\xaa";
        ErrorCapture cap;
        EXPECT_EQ(ExitStatus([] { TDirectivity d("OMNI", kBands); }), DAFF_FILE_INVALID);
        EXPECT_EQ(cap.messages,
                  std::vector<std::string>{"DAFF Error: Invalid file (wrong signature, etc.) for file OMNI\n"});
    }
    {
        ErrorCapture cap;
        TDirectivity d;
        EXPECT_EQ(ExitStatus([&] { d.LoadDirectivityPatternDAFF("gone.daff"); }), DAFF_FILE_NOT_FOUND);
        EXPECT_EQ(cap.messages, std::vector<std::string>{"DAFF Error: File not found for file gone.daff\n"});
    }
    std::filesystem::current_path(old);
}

TEST(DaffPattern, FailedRecordReadIsReportedNotReused)
{
    auto d = Load(magnitudeGrid(), "grid_bad_channel.daff");
    ErrorCapture cap;
    std::vector<float> mags(kBands);
    EXPECT_EQ(ExitStatus([&] { d->GetMagnitudes(0, 0, 2, mags.data()); }), DAFF_INVALID_INDEX);
    ASSERT_EQ(cap.messages.size(), 1u);
    EXPECT_EQ(cap.messages[0].rfind("DAFF Error: Invalid index for file ", 0), 0u);

    auto ir = Load(impulseResponses(DAFF_FLOAT32), "ir_bad_channel.daff");
    std::vector<float> buf(16);
    EXPECT_EQ(ExitStatus([&] { ir->GetDirectionalIR(0, 0, 7, buf.data()); }), DAFF_INVALID_INDEX);
}

TEST(DaffPattern, MovedPatternKeepsItsReader)
{
    auto a = Load(magnitudeGrid(), "grid_move.daff");
    TDirectivity b(std::move(*a));
    a.reset();
    std::vector<float> mags(kBands);
    b.GetMagnitudes(90, 0, 1, mags.data());
    EXPECT_EQ(mags[2], 6102.0f);
    TDirectivity c;
    c = std::move(b);
    c.GetMagnitudes(180, 0, 0, mags.data());
    EXPECT_EQ(mags[0], 7000.0f);
    EXPECT_EQ(b.GetNumChannels(), 0);
}

TEST(DaffPattern, ScansFollowTheFileGrid)
{
    const std::string path = writeTempFile(fullSphere5Deg().bytes(), "sphere5.daff");
    testing::internal::CaptureStdout();
    TDirectivity d(path, 1);  // one band: the file has a single frequency (1000 Hz)
    testing::internal::GetCapturedStdout();
    // The gain 1/sqrt(r) is largest for record 1 (alpha 0, beta 5); record 0 is silent.
    EXPECT_FLOAT_EQ(d.GetMaxEnergy(), 1.0f);
    const TDirection dir = d.GetMaxEnergyDirection();
    EXPECT_EQ(dir.azim, 0.0f);
    EXPECT_EQ(dir.elev, -85.0f);
}

}  // namespace
