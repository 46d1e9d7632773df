#include "dsp/WavFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <sstream>
#include <vector>

#include "geometry/ErrorHandler.h"
#include "support/ErrorCapture.h"

namespace {

using Bytes = std::vector<unsigned char>;

void Put16(Bytes& b, uint16_t v)
{
    b.push_back(v & 0xFF);
    b.push_back(v >> 8);
}
void Put32(Bytes& b, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b.push_back((v >> (8 * i)) & 0xFF);
}
void PutId(Bytes& b, const char* id)
{
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<unsigned char>(id[i]));
}

// A WAV image made byte by byte.
struct Fixture {
    uint16_t format = 1;
    uint16_t channels = 1;
    uint32_t rate = 44100;
    uint16_t bits = 16;
    Bytes data;
    uint32_t fmtSize = 16;             // 16, 18 or 40 (40 writes the extensible fields)
    uint16_t subFormat = 1;            // code in the extensible GUID
    std::optional<uint32_t> declared;  // data size in the header, if not the real one
    Bytes between;                     // raw chunks between "fmt " and "data"

    Fixture& FmtSize(uint32_t size, uint16_t sub = 1)
    {
        fmtSize = size;
        subFormat = sub;
        return *this;
    }
    Fixture& Declared(uint32_t d)
    {
        declared = d;
        return *this;
    }
    Fixture& Between(Bytes b)
    {
        between = std::move(b);
        return *this;
    }
};

Fixture Wav(uint16_t format, uint16_t bits, Bytes data, uint16_t channels = 1, uint32_t rate = 44100)
{
    Fixture f;
    f.format = format;
    f.bits = bits;
    f.data = std::move(data);
    f.channels = channels;
    f.rate = rate;
    return f;
}

Bytes Build(const Fixture& f)
{
    Bytes b;
    PutId(b, "RIFF");
    Put32(b, 0);  // not read
    PutId(b, "WAVE");
    PutId(b, "fmt ");
    Put32(b, f.fmtSize);
    Put16(b, f.format);
    Put16(b, f.channels);
    Put32(b, f.rate);
    Put32(b, f.rate * f.channels * f.bits / 8);
    Put16(b, static_cast<uint16_t>(f.channels * f.bits / 8));
    Put16(b, f.bits);
    if (f.fmtSize >= 18) Put16(b, static_cast<uint16_t>(f.fmtSize - 18));
    if (f.fmtSize >= 40) {
        Put16(b, f.bits);  // valid bits
        Put32(b, 0x3);     // channel mask
        Put16(b, f.subFormat);
        const unsigned char tail[] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                      0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
        b.insert(b.end(), tail, tail + sizeof tail);
    }
    b.insert(b.end(), f.between.begin(), f.between.end());
    PutId(b, "data");
    Put32(b, f.declared.value_or(static_cast<uint32_t>(f.data.size())));
    b.insert(b.end(), f.data.begin(), f.data.end());
    return b;
}

Bytes FloatBytes(std::initializer_list<float> v)
{
    Bytes b;
    for (float x : v) {
        uint32_t u;
        std::memcpy(&u, &x, 4);
        Put32(b, u);
    }
    return b;
}

Bytes DoubleBytes(std::initializer_list<double> v)
{
    Bytes b;
    for (double x : v) {
        uint64_t u;
        std::memcpy(&u, &x, 8);
        Put32(b, static_cast<uint32_t>(u));
        Put32(b, static_cast<uint32_t>(u >> 32));
    }
    return b;
}

class WavFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = std::filesystem::path(::testing::TempDir()) /
               ("sorvi_wav_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string Write(const Bytes& b, const std::string& name = "in.wav")
    {
        const auto p = dir_ / name;
        std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), b.size());
        return p.string();
    }
    Bytes ReadBack(const std::string& path)
    {
        std::ifstream f(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(f), {});
    }
    std::filesystem::path dir_;
};

// Runs f, which must end the process with status 1, and returns what it showed.
template <typename F> std::string EndsWithStatus1(F f)
{
    ErrorCapture cap;
    try {
        f();
        ADD_FAILURE() << "the process was not ended";
    } catch (const SorviExit& e) {
        EXPECT_EQ(e.Status(), 1);
    }
    return cap.Joined();
}

}  // namespace

TEST_F(WavFiles, EverySampleFormatIsDecoded)
{
    struct Case {
        const char* name;
        Fixture f;
        uint16_t pcmFormat;  // as reported
        std::vector<float> expect;
    };
    const float k24max = 8388607.0f / 8388608.0f;  // 0.99999988
    const Case cases[] = {
        {"pcm8", Wav(1, 8, Bytes{0x00, 0x80, 0xFF, 0x81}), 1, {-128.0f / 127, 0.0f, 1.0f, 1.0f / 127}},
        {"mulaw8",
         Wav(7, 8, Bytes{0xFF, 0x7F, 0x00, 0x80, 0x01, 0x10, 0x7E}),
         7,
         {0.0f, 0.0f, -32124.0f / 32768, 32124.0f / 32768, -31100.0f / 32768, -15996.0f / 32768, -8.0f / 32768}},
        {"pcm16", Wav(1, 16, Bytes{0x00, 0x80, 0xFF, 0x7F, 0x01, 0x00}), 1, {-1.0f, 32767.0f / 32768, 1.0f / 32768}},
        {"float-coded16", Wav(3, 16, Bytes{0x00, 0xC0}), 3, {-0.5f}},
        {"pcm24",
         Wav(1, 24, Bytes{0x00, 0x00, 0x80, 0xFF, 0xFF, 0x7F, 0x00, 0x00, 0xC0, 0x01, 0x00, 0x00, 0xFF, 0xFF, 0xFF}),
         1,
         {-1.0f, k24max, -0.5f, 1.0f / 8388608, -1.0f / 8388608}},
        {"pcm32", Wav(1, 32, Bytes{0, 0, 0, 0x80, 0, 0, 0, 0x40, 0xFF, 0xFF, 0xFF, 0x7F}), 1, {-1.0f, 0.5f, 1.0f}},
        {"float32", Wav(3, 32, FloatBytes({0.25f, -1.5f, 3.0e-40f})), 3, {0.25f, -1.5f, 3.0e-40f}},
        {"float64", Wav(3, 64, DoubleBytes({0.1, -2.0})), 3, {static_cast<float>(0.1), -2.0f}},
        {"fmt18", Wav(1, 16, Bytes{0x00, 0x40}).FmtSize(18), 1, {0.5f}},
        {"extensible24", Wav(0xFFFE, 24, Bytes{0x00, 0x00, 0x80}).FmtSize(40, 1), 1, {-1.0f}},
        {"extensible-float", Wav(0xFFFE, 32, FloatBytes({0.75f})).FmtSize(40, 3), 3, {0.75f}},
        {"stereo16",
         Wav(1, 16, Bytes{0x00, 0x40, 0x00, 0xC0, 0x00, 0x20, 0x00, 0xE0}, 2),
         1,
         {0.5f, -0.5f, 0.25f, -0.25f}},
        // An odd-size LIST chunk with its pad byte, and a JUNK chunk, before the samples.
        {"chunks-between",
         Wav(1, 16, Bytes{0x00, 0x40}).Between(Bytes{'L', 'I', 'S', 'T', 3,   0, 0, 0, 'a', 'b', 'c',
                                                     0,   'J', 'U', 'N', 'K', 2, 0, 0, 0,   9,   9}),
         1,
         {0.5f}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes image = Build(c.f);
        const std::string path = Write(image);
        const WaveHeader h = getWavHeaderInfo(path);
        EXPECT_EQ(h.PcmFormat, c.pcmFormat);
        EXPECT_EQ(h.NumCh, c.f.channels);
        EXPECT_EQ(h.SampleRate, c.f.rate);
        EXPECT_EQ(h.BitsPerSample, c.f.bits);
        EXPECT_EQ(h.NumSamples * h.NumCh, c.expect.size());

        std::vector<float> got(c.expect.size() + 1, 99.0f);
        const WaveHeader r = readWAVData(path.c_str(), got.data());
        EXPECT_EQ(r.NumSamples, h.NumSamples);
        EXPECT_EQ(got.back(), 99.0f) << "wrote past the samples";
        got.pop_back();
        EXPECT_EQ(got, c.expect);

        WaveHeader m;
        std::vector<float> mem;
        std::string error;
        ASSERT_TRUE(wavDecodeMemory(image.data(), image.size(), m, mem, error)) << error;
        EXPECT_EQ(mem, c.expect);
    }
}

TEST_F(WavFiles, UnsupportedLayoutsAreRefusedWithTheirMessage)
{
    struct Case {
        Fixture f;
        const char* message;
    };
    const Case cases[] = {
        {Wav(3, 8, Bytes{1, 2}), "8 bits pcm format not supported.\n"},
        {Wav(1, 64, Bytes(8, 0)), "64 bits only supported in IEEE double format files (this is PCM!)\n"},
        {Wav(1, 12, Bytes(3, 0)), "Bits per sample not supported: 12"},
        {Wav(6, 32, Bytes(4, 0)), "32 bits only supported in PCM or IEEE float format files"},
        // Extensible with a sub-format GUID of some other family.
        {Wav(0xFFFE, 32, Bytes(4, 0)).FmtSize(40, 0x55), "32 bits only supported"},
    };
    for (const auto& c : cases) {
        const Bytes image = Build(c.f);
        const std::string path = Write(image);
        std::vector<float> buf(16, 7.0f);
        const std::string shown = EndsWithStatus1([&] { readWAVData(path.c_str(), buf.data()); });
        EXPECT_NE(shown.find(c.message), std::string::npos) << shown;
        EXPECT_EQ(buf, std::vector<float>(16, 7.0f));

        WaveHeader h;
        std::vector<float> mem;
        std::string error;
        EXPECT_FALSE(wavDecodeMemory(image.data(), image.size(), h, mem, error));
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
    }
}

TEST_F(WavFiles, MalformedAndTruncatedFilesAreAnsweredNotCrashed)
{
    Fixture good = Wav(1, 16, Bytes{0, 0x40});
    const Bytes whole = Build(good);
    auto patched = [&](std::size_t at, std::initializer_list<unsigned char> v) {
        Bytes b = whole;
        for (unsigned char x : v) b[at++] = x;
        return b;
    };
    struct Case {
        const char* name;
        Bytes image;
        const char* reason;
    };
    Fixture zeroCh = good, zeroBits = good, shortExt = good, shortFmt = good;
    zeroCh.channels = 0;
    zeroBits.bits = 0;
    shortExt.format = 0xFFFE;
    shortExt.fmtSize = 18;
    const Case cases[] = {
        {"empty", {}, "shorter than a RIFF header"},
        {"riff only", Bytes(whole.begin(), whole.begin() + 11), "shorter than a RIFF header"},
        {"big-endian RIFX", patched(0, {'R', 'I', 'F', 'X'}), "not a RIFF/WAVE file"},
        {"header cut in fmt", Bytes(whole.begin(), whole.begin() + 30), "cut short"},
        {"no data chunk", Bytes(whole.begin(), whole.begin() + 36), "no \"data\" chunk"},
        {"data renamed", patched(36, {'d', 'a', 't', 'x'}), "no \"data\" chunk"},
        {"fmt of 12 bytes", patched(16, {12}), "at least 16"},
        {"fmt renamed", patched(12, {'f', 'm', 'x', ' '}), "before the \"fmt \" chunk"},
        {"fmt size past the end", patched(16, {0xF0, 0xFF, 0xFF, 0xFF}), "cut short"},
        {"no channels", Build(zeroCh), "no channels"},
        {"zero bits", Build(zeroBits), "0 bits"},
        {"extensible without its fields", Build(shortExt), "40 are needed"},
    };
    (void)shortFmt;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WaveHeader h;
        std::vector<float> mem;
        std::string error;
        EXPECT_FALSE(wavDecodeMemory(c.image.data(), c.image.size(), h, mem, error));
        EXPECT_EQ(error.rfind("Cannot read from wav File", 0), 0u) << error;
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;

        const std::string path = Write(c.image);
        const std::string shown = EndsWithStatus1([&] { getWavHeaderInfo(path); });
        EXPECT_EQ(shown.rfind("Cannot read from wav File", 0), 0u) << shown;
        EXPECT_NE(shown.find(path), std::string::npos) << shown;
    }
    const std::string missing = (dir_ / "missing.wav").string();
    EXPECT_NE(EndsWithStatus1([&] { getWavHeaderInfo(missing); }).find("No such file"), std::string::npos);
}

TEST_F(WavFiles, DataLongerThanTheFileIsCutToWholeFramesWithANotice)
{
    struct Case {
        uint16_t channels;
        uint16_t bits;
        std::size_t present;  // data bytes in the file
        uint32_t declared;
        uint32_t frames;
    };
    const Case cases[] = {{1, 16, 6, 1000, 3}, {1, 16, 7, 1000, 3}, {2, 16, 6, 0xFFFFFFFF, 1},
                          {1, 24, 8, 9, 2},    {2, 24, 5, 600, 0},  {1, 8, 0, 100, 0}};
    for (const auto& c : cases) {
        Fixture f = Wav(1, c.bits, Bytes{}, c.channels).Declared(c.declared);
        for (std::size_t i = 0; i < c.present; ++i) f.data.push_back(static_cast<unsigned char>(0x40 + i));
        const std::string path = Write(Build(f));
        testing::internal::CaptureStdout();
        const WaveHeader h = getWavHeaderInfo(path);
        std::vector<float> buf(static_cast<std::size_t>(c.frames) * c.channels + 1, 5.0f);
        readWAVData(path.c_str(), buf.data());
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(h.NumSamples, c.frames) << c.present << "/" << c.declared;
        EXPECT_EQ(buf.back(), 5.0f);
        EXPECT_NE(out.find("holds only " + std::to_string(c.present)), std::string::npos) << out;
    }
}

TEST_F(WavFiles, WrittenFilesReadBackBitForBit)
{
    const int frames = 1000, channels = 2;
    std::vector<float> samples(frames * channels);
    for (int i = 0; i < frames * channels; ++i) samples[i] = std::sin(0.01f * i) * (i % 3 ? 1.0f : -0.3f);
    samples[0] = -0.0f;
    samples[1] = 1e-42f;  // subnormal
    samples[2] = std::numeric_limits<float>::infinity();
    samples[3] = 123456.75f;
    const std::string path = (dir_ / "out.wav").string();
    ASSERT_TRUE(writeWAVData<float>(path.c_str(), samples.data(), frames, 44100, channels));

    const Bytes b = ReadBack(path);
    ASSERT_EQ(b.size(), 8044u);
    auto u32 = [&](std::size_t at) { return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24; };
    const Bytes head(b.begin(), b.begin() + 44);
    Bytes expectHead;
    PutId(expectHead, "RIFF");
    Put32(expectHead, 8036);
    PutId(expectHead, "WAVE");
    PutId(expectHead, "fmt ");
    Put32(expectHead, 16);
    Put16(expectHead, 3);
    Put16(expectHead, 2);
    Put32(expectHead, 44100);
    Put32(expectHead, 352800);
    Put16(expectHead, 8);
    Put16(expectHead, 32);
    PutId(expectHead, "data");
    Put32(expectHead, 8000);
    EXPECT_EQ(head, expectHead);
    EXPECT_EQ(u32(44), 0x80000000u);  // -0.0f, little-endian

    std::vector<float> back;
    const WaveHeader h = readWAVData(path, back);
    EXPECT_EQ(h.PcmFormat, 3);
    EXPECT_EQ(h.NumCh, 2);
    EXPECT_EQ(h.BitsPerSample, 32);
    EXPECT_EQ(h.NumSamples, 1000u);
    ASSERT_EQ(back.size(), samples.size());
    EXPECT_EQ(std::memcmp(back.data(), samples.data(), samples.size() * 4), 0);

    // Long enough to cross the writer's and the reader's block boundaries.
    std::vector<float> longer(2 * 200001);
    for (std::size_t i = 0; i < longer.size(); ++i) longer[i] = static_cast<float>(i) * 1e-6f - 0.2f;
    ASSERT_TRUE(writeWAVData<float>(path.c_str(), longer.data(), 200001, 44100, 2));
    readWAVData(path, back);
    ASSERT_EQ(back.size(), longer.size());
    EXPECT_EQ(std::memcmp(back.data(), longer.data(), longer.size() * 4), 0);

    const std::vector<int> ints = {INT32_MIN, -1, 0, 1 << 30, INT32_MAX};
    ASSERT_TRUE(writeWAVData<int>(path.c_str(), ints.data(), ints.size(), 48000, 1));
    const WaveHeader hi = readWAVData(path, back);
    EXPECT_EQ(hi.PcmFormat, 1);
    EXPECT_EQ(hi.SampleRate, 48000u);
    EXPECT_EQ(back, (std::vector<float>{-1.0f, -1.0f / 2147483648.0f, 0.0f, 0.5f, 1.0f}));

    // Zero frames make a valid empty file.
    ASSERT_TRUE(writeWAVData<float>(path.c_str(), samples.data(), 0, 44100, 1));
    EXPECT_EQ(ReadBack(path).size(), 44u);
    EXPECT_EQ(getWavHeaderInfo(path).NumSamples, 0u);
}

TEST_F(WavFiles, WriterFailuresAreReported)
{
    const float x[4] = {0, 0, 0, 0};
    struct Case {
        std::string path;
        std::size_t frames;
        int rate;
        int channels;
    };
    const Case cases[] = {{(dir_ / "no" / "such" / "dir.wav").string(), 4, 44100, 1},
                          {dir_.string(), 4, 44100, 1},  // a folder
                          {(dir_ / "a.wav").string(), 4, 44100, 0},
                          {(dir_ / "b.wav").string(), 4, 0, 1},
                          {(dir_ / "c.wav").string(), std::size_t(1) << 31, 44100, 1}};
    for (const auto& c : cases) {
        ErrorCapture cap;
        EXPECT_FALSE(writeWAVData<float>(c.path.c_str(), x, c.frames, c.rate, c.channels)) << c.path;
        ASSERT_EQ(cap.messages.size(), 1u) << c.path;
        // Those that cannot be written as WAV say so; those that cannot be created name the file and why.
        EXPECT_TRUE(cap.messages[0].find("wav file") != std::string::npos ||
                    cap.messages[0].rfind("Cannot write " + c.path + ": ", 0) == 0)
            << cap.messages[0];
    }
}

TEST_F(WavFiles, CompatibilityTestsReportEachProblem)
{
    struct Case {
        Fixture f;
        bool compatible;
        int boxes;               // error-box messages
        const char* stdoutText;  // printed for the format code
    };
    const Case cases[] = {
        {Wav(1, 16, Bytes{0, 0}, 1, 44100), true, 0, ""},
        {Wav(3, 8, Bytes{0}, 1, 44100), true, 0, ""},
        {Wav(1, 24, Bytes(3, 0), 1, 48000), false, 1, ""},
        {Wav(2, 16, Bytes{0, 0}, 1, 44100), false, 0, "Wave Format not Supported: 2"},
        {Wav(1, 12, Bytes(3, 0), 1, 22050), false, 2, ""},
        {Wav(0xFFFE, 24, Bytes(3, 0), 1, 44100).FmtSize(40, 1), true, 0, ""},
    };
    for (const auto& c : cases) {
        const std::string path = Write(Build(c.f));
        ErrorCapture cap;
        testing::internal::CaptureStdout();
        EXPECT_EQ(WavIsCompatible(path), c.compatible) << c.f.format << "/" << c.f.bits << "/" << c.f.rate;
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.stdoutText);
        EXPECT_EQ(static_cast<int>(cap.messages.size()), c.boxes) << cap.Joined();
    }
    {
        ErrorCapture cap;
        EXPECT_FALSE(WavIsCompatible(Write(Build(Wav(1, 24, Bytes(3, 0), 1, 48000)))));
        ASSERT_EQ(cap.messages.size(), 1u);
        EXPECT_EQ(cap.messages[0], "Sample rate (48000) not supported. Only 44.1 kHz is suported (sorry).");
    }
    // An unreadable file is refused, and the process goes on.
    ErrorCapture cap;
    EXPECT_FALSE(WavIsCompatible(Write(Bytes{'R', 'I', 'F', 'F'})));
    EXPECT_EQ(cap.Joined().rfind("Cannot read from wav File", 0), 0u);
}

TEST_F(WavFiles, SmallOperations)
{
    const std::string path = Write(Build(Wav(1, 16, Bytes(12, 0), 2, 22050)));
    EXPECT_EQ(wavGetNumChannels(path.c_str()), 2u);
    EXPECT_EQ(wavGetLength(path.c_str()), 3u);
    EXPECT_EQ(wavGetSampleRate(path.c_str()), 22050.0f);

    std::vector<float> small(2, 8.0f);
    readWAVData(path.c_str(), small.data(), 1);  // a buffer smaller than the file
    EXPECT_EQ(small[1], 8.0f);

    WaveHeader h;
    h.SetProps(500, 2, 44100.9f, 24);
    EXPECT_EQ(h.PcmFormat, 1);
    EXPECT_EQ(h.SampleRate, 44100u);
    EXPECT_EQ(h.BytesPerSec, 176403u);
    EXPECT_EQ(h.NumSamples, 500u);
    EXPECT_EQ(h.NumCh, 2);
    EXPECT_EQ(h.BitsPerSample, 24);

    const std::string made = (dir_ / "made.raw").string();
    testing::internal::CaptureStderr();
    const int fd = openWavFile(made.c_str(), 'N');
    ASSERT_GE(fd, 0);
    closeWavFile(fd);
    EXPECT_EQ(openWavFile((dir_ / "none" / "x").string().c_str(), 'R'), -1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("No such file"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(made));
}

TEST_F(WavFiles, StereoIntegerWriterNormalisesAndClips)
{
    const float left[] = {0.25f, -0.5f, 2.0f};
    const float right[] = {0.0f, 1.0f, -3.0f};
    const std::string path = (dir_ / "st.wav").string();
    ASSERT_TRUE(wavWriteStereo(path.c_str(), left, right, 3, 44100.7f, false));
    std::vector<float> back;
    WaveHeader h = readWAVData(path, back);
    EXPECT_EQ(h.PcmFormat, 1);
    EXPECT_EQ(h.NumCh, 2);
    EXPECT_EQ(h.SampleRate, 44100u);
    const float full = 2147483647.0f / 2147483648.0f;
    EXPECT_EQ(back, (std::vector<float>{0.25f, 0.0f, -0.5f, 1.0f, 1.0f, -1.0f}));
    (void)full;

    ASSERT_TRUE(wavWriteStereo(path.c_str(), left, right, 3, 44100.0f, true));
    h = readWAVData(path, back);
    // Divided by the largest magnitude (3).
    EXPECT_NEAR(back[4], 2.0f / 3, 1e-6);
    EXPECT_NEAR(back[5], -1.0f, 1e-6);
}

TEST_F(WavFiles, DiagnosticDumpListsHeaderChunksAndSamples)
{
    Fixture f = Wav(1, 16, Bytes{0x01, 0x00, 0xFF, 0xFF}).Between(Bytes{'L', 'I', 'S', 'T', 1, 0, 0, 0, 'x', 0});
    const std::string path = Write(Build(f));
    const std::string dump = (dir_ / "dump.txt").string();
    testing::internal::CaptureStdout();
    WavReaderNovo(path.c_str(), dump.c_str());
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("WAV File Header read:\nFile Type: RIFF\n"), std::string::npos) << out;
    EXPECT_NE(out.find("Bits per Sample: 16\nid\tsize\nLIST\t1\ndata\t4\nSamples count = 2\n"), std::string::npos)
        << out;
    EXPECT_EQ(ReadBack(dump), (Bytes{'1', '\n', '-', '1', '\n'}));

    testing::internal::CaptureStdout();
    EXPECT_THROW(WavReaderNovo((dir_ / "missing.wav").string().c_str(), dump.c_str()), SorviExit);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("Erro no arquivo"), std::string::npos);
}
