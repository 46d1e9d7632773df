// WAV responses and auralization: a whole run with a dry sound made here, the gains with
// silent and chosen responses, and the refusals.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "directivity/TDirectivity.h"
#include "simulation/RoomRunSupport.h"
#include "support/DaffTestWriter.h"
#include "support/ErrorCapture.h"

using namespace runtest;

namespace {

void WriteDry(const std::string& path, const std::vector<float>& samples, int channels = 1)
{
    ASSERT_TRUE(writeWAVData<float>(path.c_str(), samples.data(), samples.size() / static_cast<std::size_t>(channels),
                                    44100, channels));
}

std::vector<float> Convolve(const std::vector<float>& a, const std::vector<float>& b)
{
    std::vector<double> y(a.size() + b.size() - 1, 0.0);
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != 0.0f)
            for (std::size_t j = 0; j < b.size(); ++j) y[i + j] += static_cast<double>(a[i]) * b[j];
    return std::vector<float>(y.begin(), y.end());
}

void ExpectFloatWav(const Wav& w, unsigned frames, unsigned channels)
{
    EXPECT_EQ(w.head.PcmFormat, WAVE_FORMAT_IEEE_FLOAT);
    EXPECT_EQ(w.head.BitsPerSample, 32);
    EXPECT_EQ(w.head.SampleRate, 44100u);
    EXPECT_EQ(w.head.NumCh, channels);
    EXPECT_EQ(w.head.NumSamples, frames);
    EXPECT_TRUE(AllFinite(w.samples));
}

}  // namespace

TEST(Auralization, AWholeRunWritesNormalisedPairFilesMixesAndResponses)
{
    Scratch dir("sorvi-aural");
    const std::string folder = dir.dir.string();
    // A decaying burst of 300 samples as the first source's dry sound.
    std::vector<float> dry(300);
    for (std::size_t n = 0; n < dry.size(); ++n)
        dry[n] = static_cast<float>(std::exp(-0.01 * n) * std::sin(0.3 * n + 0.5 * std::sin(0.07 * n)));
    WriteDry(dir / "dry.wav", dry);

    auto room = MakeBox(folder);
    room->AuralizationFlag = true;
    Quiet([&] {
        AddSource(*room, {1, 1, 1.5}, 1002, "dry.wav");
        AddSource(*room, {5, 4, 1.5}, 1002);
        AddReceiver(*room, {3, 2.5, 1.2});
        AddReceiver(*room, {1.5, 4, 1.2});
    });
    ASSERT_TRUE(room->source[0]->SoundFileFlag);
    std::string out = Quiet([&] {
        room->CreateResults();
        room->StartSimulation();
        while (room->IsRunning.load()) {
        }
        room->StopSimulation();
        room->SaveResults();
    });
    const unsigned L = room->MaxLength;
    const unsigned frames[2] = {L + static_cast<unsigned>(dry.size()) - 1, 2 * L - 1};

    // Every pair: text files, a pair file that peaks at 1, and what it holds.
    float amp[2][2] = {};
    float maxAmp = 0.0f;
    for (int s = 0; s < 2; ++s)
        for (int r = 0; r < 2; ++r) {
            TResult& pair = *room->spcresult[static_cast<std::size_t>(r)][static_cast<std::size_t>(s)];
            EXPECT_FALSE(pair.AudioCreated);
            EXPECT_EQ(resulttest::ReadLines(PairPath(folder, "S%.3d-R%.3d.txt", s + 1, r + 1)).size(), L);
            EXPECT_EQ(resulttest::ReadLines(PairPath(folder, "PARAMS-S%.3d-R%.3d.txt", s + 1, r + 1)).size(), 12u);

            const Wav w = ReadWav(PairPath(folder, "S%.3d-R%.3d.wav", s + 1, r + 1));
            ExpectFloatWav(w, frames[s], 1);
            EXPECT_NEAR(PeakOf(w.samples), 1.0f, 1e-6f);
            const std::vector<float> impulse = s == 0 ? dry : std::vector<float>{1.0f};
            const std::vector<float> want = Convolve(pair.globalIR[0], impulse);
            amp[r][s] = PeakOf(want);
            ASSERT_GT(amp[r][s], 0.0f);
            maxAmp = std::max(maxAmp, amp[r][s]);
            for (std::size_t n = 0; n < want.size(); n += 7)
                ASSERT_NEAR(w.samples[n], want[n] / amp[r][s], 2e-5f) << s << r << " n=" << n;
            // Beyond the convolution: the zero tail of the unit impulse's MaxLength samples.
            for (std::size_t n = want.size(); n < w.samples.size(); n += 11) ASSERT_NEAR(w.samples[n], 0.0f, 2e-5f);
        }

    // Mixes: the pairs' relative levels, divided by the number of sources.
    for (int r = 0; r < 2; ++r) {
        const Wav mix = ReadWav(r == 0 ? folder + "/SALL-R001.wav" : folder + "/SALL-R002.wav");
        ExpectFloatWav(mix, std::max(frames[0], frames[1]), 1);
        const Wav p0 = ReadWav(PairPath(folder, "S%.3d-R%.3d.wav", 1, r + 1));
        const Wav p1 = ReadWav(PairPath(folder, "S%.3d-R%.3d.wav", 2, r + 1));
        for (std::size_t n = 0; n < mix.samples.size(); n += 5) {
            float want = p1.samples[n] * amp[r][1] / (2.0f * maxAmp);
            if (n < p0.samples.size()) want += p0.samples[n] * amp[r][0] / (2.0f * maxAmp);
            ASSERT_NEAR(mix.samples[n], want, 1e-6f) << r << " n=" << n;
        }
        EXPECT_LE(PeakOf(mix.samples), 1.0f);
    }

    // Responses: one gain for every pair, from the pairs that were the loudest so far.
    float maxSPL = -1e8f, gainPeak = 0.0f;
    for (int r = 0; r < 2; ++r)
        for (int s = 0; s < 2; ++s) {
            TResult& pair = *room->spcresult[static_cast<std::size_t>(r)][static_cast<std::size_t>(s)];
            if (pair.GetSPL() > maxSPL) {
                maxSPL = pair.GetSPL();
                gainPeak = std::max(gainPeak, PeakOf(pair.globalIR[0]));
            }
        }
    for (int s = 0; s < 2; ++s)
        for (int r = 0; r < 2; ++r) {
            TResult& pair = *room->spcresult[static_cast<std::size_t>(r)][static_cast<std::size_t>(s)];
            const Wav w = ReadWav(PairPath(folder, "S%.3d-R%.3d-IR.wav", s + 1, r + 1));
            ExpectFloatWav(w, L, 1);
            for (unsigned n = 0; n < L; n += 3) ASSERT_FLOAT_EQ(w.samples[n], pair.globalIR[0][n] * (1.0f / gainPeak));
        }
    EXPECT_NE(out.find("Maximum SPL: Source ["), std::string::npos);
    Free(room);
}

TEST(Auralization, SilentResponsesGiveSilenceAndChosenOnesTheirExactGains)
{
    // Two sources without sound files at one receiver; responses set by hand.
    const struct {
        const char* name;
        float peak0, peak1;  // impulse heights of the two pairs (at samples 10 and 20)
        float spl0, spl1;
    } cases[] = {
        {"all silent", 0.0f, 0.0f, 0.0f, 0.0f},
        {"one silent", 0.5f, 0.0f, 80.0f, 0.0f},
        {"both sound", 0.5f, 0.25f, 70.0f, 60.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Scratch dir("sorvi-aural");
        const std::string folder = dir.dir.string();
        auto room = MakeBox(folder, 6, 5, 3, 0.3f, 0.01f);
        AddSource(*room, {1, 1, 1.5});
        AddSource(*room, {5, 4, 1.5});
        AddReceiver(*room, {3, 2.5, 1.2});
        Quiet([&] { room->CreateResults(); });
        const unsigned L = room->MaxLength;
        TResult& a = *room->spcresult[0][0];
        TResult& b = *room->spcresult[0][1];
        a.globalIR[0][10] = c.peak0;
        b.globalIR[0][20] = c.peak1;
        a.Param[kBands].SPL = c.spl0;
        b.Param[kBands].SPL = c.spl1;

        ErrorCapture cap;
        Quiet([&] {
            room->Auralization();
            room->SaveImpRespWAV();
        });
        EXPECT_TRUE(cap.messages.empty()) << cap.Joined();

        const Wav f0 = ReadWav(PairPath(folder, "S%.3d-R%.3d.wav", 1, 1));
        const Wav f1 = ReadWav(PairPath(folder, "S%.3d-R%.3d.wav", 2, 1));
        const Wav mix = ReadWav(folder + "/SALL-R001.wav");
        const Wav ir0 = ReadWav(PairPath(folder, "S%.3d-R%.3d-IR.wav", 1, 1));
        const Wav ir1 = ReadWav(PairPath(folder, "S%.3d-R%.3d-IR.wav", 2, 1));
        for (const Wav* w : {&f0, &f1, &mix}) ExpectFloatWav(*w, 2 * L - 1, 1);
        for (const Wav* w : {&ir0, &ir1}) ExpectFloatWav(*w, L, 1);

        // Each pair file peaks at 1, or stays silent.
        EXPECT_NEAR(PeakOf(f0.samples), c.peak0 > 0 ? 1.0f : 0.0f, 1e-6f);
        EXPECT_NEAR(PeakOf(f1.samples), c.peak1 > 0 ? 1.0f : 0.0f, 1e-6f);
        // The mix keeps the levels relative to the loudest pair, over two sources.
        const float maxAmp = std::max(c.peak0, c.peak1);
        const float m10 = maxAmp > 0 ? c.peak0 / (2 * maxAmp) : 0.0f;
        const float m20 = maxAmp > 0 ? c.peak1 / (2 * maxAmp) : 0.0f;
        EXPECT_NEAR(mix.samples[10], m10, 1e-6f);
        EXPECT_NEAR(mix.samples[20], m20, 1e-6f);
        // The responses share the gain of the loudest pair: it peaks at 1.
        const float gain = c.peak0 > 0 ? 1.0f / c.peak0 : 1.0f;
        EXPECT_FLOAT_EQ(ir0.samples[10], c.peak0 * gain);
        EXPECT_FLOAT_EQ(ir1.samples[20], c.peak1 * gain);
        Free(room);
    }
}

TEST(Auralization, AStereoDryFileIsRefusedBeforeAnyFileIsWrittenOrAnyRunStarts)
{
    Scratch dir("sorvi-aural");
    const std::string folder = dir.dir.string();
    WriteDry(dir / "mono.wav", std::vector<float>(100, 0.1f));
    WriteDry(dir / "stereo.wav", std::vector<float>(200, 0.1f), 2);
    auto room = MakeBox(folder, 6, 5, 3, 0.3f, 0.01f);
    room->AuralizationFlag = true;
    Quiet([&] {
        AddSource(*room, {1, 1, 1.5}, 42, "mono.wav");
        AddSource(*room, {5, 4, 1.5}, 42, "stereo.wav");
        AddReceiver(*room, {3, 2.5, 1.2});
        room->CreateResults();
    });

    for (const bool start : {true, false}) {
        ErrorCapture cap;
        int status = -1;
        Quiet([&] {
            try {
                if (start)
                    room->StartSimulation();
                else
                    room->Auralization();
            } catch (const SorviExit& e) {
                status = e.Status();
            }
        });
        EXPECT_EQ(status, 1);
        EXPECT_NE(cap.Joined().find("stereo.wav has 2 channels. Only MONO input files are supported.\n"),
                  std::string::npos)
            << cap.Joined();
        EXPECT_FALSE(room->IsRunning.load());
        EXPECT_FALSE(room->SimulationActive());
        for (const auto& e : std::filesystem::directory_iterator(dir.dir))
            EXPECT_NE(e.path().filename().string().rfind("S0", 0), 0u) << e.path();
    }
    Free(room);
}

TEST(Auralization, APairFileThatCannotBeWrittenIsReportedAndLeftOutOfTheMix)
{
    Scratch dir("sorvi-aural");
    const std::string folder = dir.dir.string();
    auto room = MakeBox(folder, 6, 5, 3, 0.3f, 0.01f);
    AddSource(*room, {1, 1, 1.5});
    AddSource(*room, {5, 4, 1.5});
    AddReceiver(*room, {3, 2.5, 1.2});
    Quiet([&] { room->CreateResults(); });
    room->spcresult[0][0]->globalIR[0][5] = 1.0f;
    room->spcresult[0][1]->globalIR[0][7] = 0.5f;
    std::filesystem::create_directory(PairPath(folder, "S%.3d-R%.3d.wav", 1, 1));  // blocks the first pair file

    ErrorCapture cap;
    Quiet([&] { room->Auralization(); });
    EXPECT_NE(cap.Joined().find("S001-R001.wav"), std::string::npos) << cap.Joined();
    const Wav mix = ReadWav(folder + "/SALL-R001.wav");
    ASSERT_GT(mix.samples.size(), 7u);
    EXPECT_NEAR(mix.samples[5], 0.0f, 1e-6f);
    EXPECT_NEAR(mix.samples[7], 0.5f / (2 * 1.0f), 1e-6f);
    Free(room);
}

TEST(Auralization, ReceiversWithoutSourcesGetEmptyMixesAndNoOtherFile)
{
    Scratch dir("sorvi-aural");
    const std::string folder = dir.dir.string();
    auto room = MakeBox(folder, 6, 5, 3, 0.3f, 0.01f);
    room->AuralizationFlag = true;
    AddReceiver(*room, {3, 2.5, 1.2});
    AddReceiver(*room, {1.5, 4, 1.2});
    const std::string out = Quiet([&] { room->SaveResults(); });
    EXPECT_NE(out.find("Saving receiver [2] mix for all sources (Original relative levels kept).\n"),
              std::string::npos);
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"SALL-R001.wav", "SALL-R002.wav"}));
    ExpectFloatWav(ReadWav(folder + "/SALL-R002.wav"), 0, 1);
    Free(room);
}

TEST(Auralization, ATwoChannelReceiverGivesTwoChannelFilesInterleaved)
{
    Scratch dir("sorvi-aural");
    const std::string folder = dir.dir.string();
    const std::string daff = dafftest::writeTempFile(dafftest::impulseResponses(2).bytes(),
                                                     "aural-ir-" + std::to_string(::getpid()) + ".daff");
    TDirectivity head(daff.c_str(), kBands);
    ASSERT_EQ(head.GetNumChannels(), 2);
    auto room = MakeBox(folder, 6, 5, 3, 0.3f, 0.01f);
    AddSource(*room, {1, 1, 1.5});
    TReceiver r({3, 2.5, 1.2}, 0.5, 0.0, 0);
    r.SetDirectivity(&head);
    room->AddReceiver(&r);
    Quiet([&] { room->CreateResults(); });
    TResult& pair = *room->spcresult[0][0];
    ASSERT_EQ(pair.NumChannels, 2u);
    pair.globalIR[0][3] = 0.2f;   // left
    pair.globalIR[1][4] = -0.8f;  // right, the peak of the pair
    pair.Param[kBands].SPL = 70.0f;
    Quiet([&] {
        room->Auralization();
        room->SaveImpRespWAV();
    });
    const unsigned L = room->MaxLength;
    const Wav audio = ReadWav(PairPath(folder, "S%.3d-R%.3d.wav", 1, 1));
    const Wav mix = ReadWav(folder + "/SALL-R001.wav");
    const Wav ir = ReadWav(PairPath(folder, "S%.3d-R%.3d-IR.wav", 1, 1));
    ExpectFloatWav(audio, 2 * L - 1, 2);
    ExpectFloatWav(mix, 2 * L - 1, 2);
    ExpectFloatWav(ir, L, 2);
    // Frame n, channel c at 2 n + c; one gain over both channels.
    EXPECT_NEAR(audio.samples[2 * 3 + 0], 0.25f, 1e-6f);
    EXPECT_NEAR(audio.samples[2 * 4 + 1], -1.0f, 1e-6f);
    EXPECT_NEAR(audio.samples[2 * 3 + 1], 0.0f, 1e-6f);
    EXPECT_NEAR(mix.samples[2 * 4 + 1], -1.0f, 1e-6f);
    EXPECT_FLOAT_EQ(ir.samples[2 * 3 + 0], 0.25f);
    EXPECT_FLOAT_EQ(ir.samples[2 * 4 + 1], -1.0f);
    Free(room);
    std::filesystem::remove(daff);
}

TEST(Auralization, PairAudioAccessors)
{
    resulttest::PairSetup setup;
    auto pair = setup.Make(0, 8);
    EXPECT_EQ(pair->GetMaxAudioAmplitude(), 0.0f);
    EXPECT_FALSE(pair->SaveAudios("unused", 1.0f));
    pair->globalIR[0][2] = -0.75f;
    EXPECT_FLOAT_EQ(pair->GetMaxIRAmplitude(), 0.75f);
    Quiet([&] { pair->Auralize(); });  // no sound file: a unit impulse of 8 samples
    EXPECT_EQ(pair->AudioOutputLength, 15u);
    EXPECT_NEAR(pair->GetAudio(0, 2), -0.75f, 1e-6f);
    EXPECT_NEAR(pair->GetMaxAudioAmplitude(), 0.75f, 1e-6f);
    EXPECT_EQ(pair->GetAudio(0, 15), 0.0f);
    EXPECT_EQ(pair->GetAudio(1, 2), 0.0f);
    EXPECT_EQ(pair->GetAudio(0, -1), 0.0f);
    pair->FreeAudio();
    EXPECT_EQ(pair->GetAudio(0, 2), 0.0f);
}
