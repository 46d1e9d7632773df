#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/resource.h>

#include "dsp/AcousticParams.h"
#include "geometry/ErrorHandler.h"
#include "simulation/ResultTestSupport.h"
#include "support/DaffTestWriter.h"
#include "support/ErrorCapture.h"

using namespace resulttest;

namespace {

int OpenDescriptors()
{
    int n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
    return n;
}

}  // namespace

TEST(PairResult, NewPairSizesItsBuffersFromTheSettings)
{
    PairSetup setup;
    auto r = setup.Make(2, 500);
    EXPECT_EQ(r->NumChannels, 1u);
    EXPECT_EQ(r->NumBands, kBands);
    EXPECT_EQ(r->ClusterOrder, 2u);
    EXPECT_EQ(r->SpectrumLength, 2u);  // two magnitude patterns
    EXPECT_EQ(r->MinFirstIndex, 500u);
    EXPECT_EQ(r->MaxFirstIndex, 0u);
    EXPECT_FLOAT_EQ(r->RecFactor, static_cast<float>(0.5641895835477563 / 0.5));
    EXPECT_FLOAT_EQ(r->SrcRecDistance, 3.0f);
    ASSERT_EQ(r->IR.size(), 1u);
    ASSERT_EQ(r->IR[0].size(), kBands);
    EXPECT_EQ(r->IR[0][8].size(), 500u);
    ASSERT_EQ(r->globalIR.size(), 1u);
    EXPECT_EQ(r->globalIR[0], std::vector<float>(500, 0.0f));
    EXPECT_TRUE(r->IR_Early.empty());
    EXPECT_EQ(r->Param.size(), kBands + 1);
    EXPECT_EQ(r->RoomConst, std::vector<float>(kBands, 5.0f));
    for (unsigned b = 0; b < kBands; ++b) {
        EXPECT_FLOAT_EQ(r->BGain[b], 1.0f / static_cast<float>(1u << b));
        EXPECT_FLOAT_EQ(r->octaveFreqs[b], 62.5f * static_cast<float>(1u << b) / 22050.0f);
    }
    // Whole metres of the reliable reception distance, in samples.
    const float reach = std::floor(MaxProbRayDistance(1002, 0.5f));
    EXPECT_EQ(r->MaxProbIndex, static_cast<unsigned>(reach / 343.0f * 44100.0f));
    EXPECT_EQ(r->DirectSoundRay->num_bands, kBands);
    EXPECT_EQ(r->DirectSoundRay->reflections, 0);
    EXPECT_FALSE(r->RayFileOpen);

    // A negative cluster order makes every order early.
    EXPECT_EQ(setup.Make(-1)->ClusterOrder, 0xFFFFFFFFu);
}

TEST(PairResult, ConvolutionLengthFromTheLongerImpulseResponse)
{
    Scratch dir;
    // 16-sample impulse responses, two channels.
    const std::string file = dafftest::writeTempFile(dafftest::impulseResponses(2).bytes(),
                                                     "pair-ir-" + std::to_string(::getpid()) + ".daff");
    TDirectivity ir(file.c_str(), kBands);
    ASSERT_EQ(ir.DAFFType, 0);
    ASSERT_EQ(ir.GetIRLength(), 16);

    PairSetup setup;
    setup.receiver.SetDirectivity(&ir);
    auto r = setup.Make(0);
    EXPECT_EQ(r->NumChannels, 2u);
    EXPECT_EQ(r->ReceiverIRLength, 16u);
    EXPECT_EQ(r->SourceIRLength, 1u);
    EXPECT_EQ(r->SpectrumLength, 32u);
    EXPECT_EQ(r->HRIR.size(), 2u);
    EXPECT_EQ(r->HRIR_fft.size(), 32u);
    std::filesystem::remove(file);
}

TEST(PairResult, RayFilesAreNamedByPairAndCreatedEmpty)
{
    Scratch dir;
    PairSetup setup;
    const std::string prefix = dir / "RAYS";
    {
        std::ofstream(prefix + "-S001-R012.txt") << "old line\n";
    }
    auto r = setup.Make(1);
    r->CreateRayFile(0, 11, prefix.c_str());
    EXPECT_EQ(r->RayFileName, dir / "RAYS-S001-R012.txt");
    EXPECT_EQ(r->EarlyFileName, dir / "RAYS-S001-R012-EARLY.txt");
    EXPECT_TRUE(r->RayFileOpen);
    EXPECT_EQ(std::filesystem::file_size(r->RayFileName), 0u);
    EXPECT_TRUE(std::filesystem::exists(r->EarlyFileName));

    TRay early = Arrival(120, -30.0f, 10.0f, 1, 0.5f, 0.25f, 7);
    TRay late = Arrival(300, 90.0f, 0.0f, 4, 0.75f, 0.5f, 8);
    r->SaveRay(&early, 0);
    r->SaveRay(&late, 1);
    // Written arrivals count, so that a pair without direct sound is still processed.
    EXPECT_EQ(r->EarlyRefCount, 1u);
    EXPECT_EQ(r->LateRefCount, 1u);
    r->CloseRayFile();
    EXPECT_FALSE(r->RayFileOpen);
    EXPECT_EQ(ReadLines(r->EarlyFileName),
              std::vector<std::string>{"120 0.500000 330.000 10.000 1 0.000 0.000 0.25 0.25 0.25 0.25 0.25 "
                                       "0.25 0.25 0.25 0.25 7"});
    ASSERT_EQ(ReadRays(r->RayFileName).size(), 1u);
    EXPECT_EQ(ReadRays(r->RayFileName)[0].index, 300u);

    // Writing to closed files prints the message and counts nothing.
    testing::internal::CaptureStdout();
    r->SaveRay(&early, 0);
    unsigned hits[1] = {0};
    r->InsertHit(&early, hits, 1, 1, 1.0f);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Erro de programação - arquivo para gravar raios nao está aberto!!!\n"
              "Erro de programação - arquivo para gravar HITS nao está aberto!!!\n");
    EXPECT_EQ(r->EarlyRefCount, 1u);
}

TEST(PairResult, UncreatableRayFileEndsWithStatusOne)
{
    Scratch dir;
    PairSetup setup;
    auto r = setup.Make(1);
    ErrorCapture cap;
    const std::string prefix = dir / "missing-folder/RAYS";
    try {
        r->CreateRayFile(0, 0, prefix.c_str());
        FAIL() << "no exit";
    } catch (const SorviExit& e) {
        EXPECT_EQ(e.Status(), 1);
    }
    EXPECT_EQ(cap.messages,
              std::vector<std::string>{"Impossibel to open file " + prefix + "-S001-R001.txt for recording"});
}

TEST(PairResult, CopyHitReplacesTheCountOfOneWholeLine)
{
    Scratch dir;
    PairSetup setup;
    auto r = setup.Make(1);
    r->CreateHitFile(0, 0, (dir / "HITS").c_str());
    ASSERT_TRUE(r->HitFileCreated);

    TRay first = Arrival(120, 45.0f, 10.0f, 1, 1.0f);
    const unsigned counts[2] = {0, 2};
    r->InsertHit(&first, counts, 2, 0, 1.0f);
    // A room with many plane layers writes lines far longer than any fixed buffer.
    std::vector<unsigned> many(700, 3);
    TRay second = Arrival(130, 50.0f, -5.0f, 2, 1.0f);
    r->InsertHit(&second, many.data(), 700, 0, 0.5f);

    r->CopyHit(0, 5);
    r->CopyHit(1, 12);
    r->CopyHit(2, 1);  // no such line: nothing
    r->CloseHitFile();
    EXPECT_FALSE(r->HitFileCreated);

    const auto early = ReadLines(dir / "HITS-S001-R001-EARLY.txt");
    ASSERT_EQ(early.size(), 2u);
    EXPECT_EQ(early[0], "120 45.000000 10.000000 1 1.000000 0 2 ");
    std::string second12 = early[1];
    second12.replace(second12.find(" 1 0.500000 "), 12, " 12 0.500000 ");
    EXPECT_EQ(ReadLines(dir / "HITS-S001-R001.txt"),
              (std::vector<std::string>{"120 45.000000 10.000000 5 1.000000 0 2 ", second12}));
}

// Every pair keeps four files for the whole trace; they must not hold four descriptors each.
TEST(PairResult, AThousandPairsWriteTheirFilesWithoutHoldingThemOpen)
{
    Scratch dir;
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &old), 0);
    rlimit low = old;
    low.rlim_cur = std::min<rlim_t>(old.rlim_cur, 256);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);

    PairSetup setup;
    const int before = OpenDescriptors();
    std::vector<std::unique_ptr<TResult>> pairs;
    const unsigned hits[3] = {1, 0, 2};
    for (int R = 0; R < 1000; ++R) {
        pairs.push_back(setup.Make(1, 16));
        pairs.back()->CreateHitFile(0, R, (dir / "HITS").c_str());
        pairs.back()->CreateRayFile(0, R, (dir / "RAYS").c_str());
    }
    // Enough lines that every file is written out in several blocks.
    for (int line = 0; line < 400; ++line)
        for (int R = 0; R < 1000; R += 37) {
            TRay a = Arrival(static_cast<unsigned>(line), 10.0f, 0.0f, 1 + line % 3, 0.5f, 1.0f, R);
            pairs[R]->SaveRay(&a, line % 2);
            pairs[R]->InsertHit(&a, hits, 3, line % 2, 1.0f);
        }
    EXPECT_LE(OpenDescriptors(), before + 2);
    pairs.clear();  // closing writes what is left
    setrlimit(RLIMIT_NOFILE, &old);

    for (int R = 0; R < 1000; R += 37) {
        char name[64];
        std::snprintf(name, sizeof name, "RAYS-S001-R%.3d-EARLY.txt", R + 1);
        const auto rays = ReadRays(dir / name);
        ASSERT_EQ(rays.size(), 200u) << name;
        EXPECT_EQ(rays[199].index, 398u);
        EXPECT_EQ(rays[0].ID, R);
        std::snprintf(name, sizeof name, "HITS-S001-R%.3d.txt", R + 1);
        EXPECT_EQ(ReadLines(dir / name).size(), 200u) << name;
    }
    EXPECT_EQ(std::filesystem::file_size(dir / "RAYS-S001-R002.txt"), 0u);
}
