#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "simulation/TRay.h"

namespace {

TDirection RayDir(float az, float el)
{
    TDirection d;
    d.Set(az, el, 1.0f);
    return d;
}

// A record as the tracer fills it, with the room's nine bands.
TRay RayArrival(unsigned index, float fdist, float az, float el, unsigned refl, float saz, float sel, float energy,
                int id)
{
    std::vector<float> bands(9, energy);
    TRay r(9);
    r.Set(index, bands.data(), RayDir(az, el), refl, fdist, RayDir(saz, sel));
    r.SetId(id);
    return r;
}

struct TempFile {
    TempFile() : f(std::tmpfile()) {}
    ~TempFile() { std::fclose(f); }
    void Write(const std::string& text)
    {
        std::fputs(text.c_str(), f);
        std::rewind(f);
    }
    std::FILE* f;
};

TEST(TRay, AzimuthIsBroughtIntoRangeAndLaunchDirectionKept)
{
    const struct {
        float in, out;
    } cases[] = {{-30, 330},       {725, 5},    {360, 0}, {-400, 320}, {0, 0},
                 {359.5f, 359.5f}, {-1e-6f, 0}, {720, 0}, {-720, 0},   {1e9f, 280}};
    for (const auto& c : cases) {
        TRay r = RayArrival(1, 1, c.in, 0, 1, -30, 0, 0, 0);
        EXPECT_GE(r.dir.azim, 0.0f) << c.in;
        EXPECT_LT(r.dir.azim, 360.0f) << c.in;
        EXPECT_NEAR(r.dir.azim, c.out, 1e-3) << c.in;
        EXPECT_EQ(r.startDir.azim, -30.0f);
    }
    TRay r(9);
    r.dir.azim = NAN;
    r.FixAzimuth();
    EXPECT_EQ(r.dir.azim, 0.0f);
}

TEST(TRay, WritesTheRayFileLine)
{
    TRay r = RayArrival(1234, 0.5f, 90, 0, 2, 10, -5, 0.001f, 7);
    std::string line;
    r.AppendLine(line);
    EXPECT_EQ(line, "1234 0.500000 90.000 0.000 2 10.000 -5.000 "
                    "0.001 0.001 0.001 0.001 0.001 0.001 0.001 0.001 0.001 7\n");

    // %g of the band energies: six significant digits, exponent form for small and large values.
    const float energies[] = {1e-7f, 123456789.0f, 0.1f, 1.0f, 2.5e-5f, 0.0f, 100000.0f, 1234567.0f, -0.5f};
    r.SetSpectrum(energies);
    r.dir.azim = -90;  // an azimuth set directly is still written in range
    line.clear();
    r.AppendLine(line);
    EXPECT_EQ(line, "1234 0.500000 270.000 0.000 2 10.000 -5.000 "
                    "1e-07 1.23457e+08 0.1 1 2.5e-05 0 100000 1.23457e+06 -0.5 7\n");
}

TEST(TRay, FileRoundTripGivesEveryLineOnce)
{
    TRay written[] = {RayArrival(1234, 0.5f, 90, 0, 2, 10, -5, 0.001f, 7),
                      RayArrival(0, 1.0f, 359.9994f, -89.5f, 0, -179.25f, 45.125f, 3.25e-9f, 0),
                      RayArrival(4000000000u, 0.123456f, 12.345f, 67.891f, 17, 0, 0, 1234.5f, 20251)};
    TempFile file;
    for (TRay& r : written) ASSERT_TRUE(r.Save(file.f));
    std::rewind(file.f);

    std::vector<TRay> back;
    while (!std::feof(file.f)) {
        TRay r(9);
        ASSERT_TRUE(r.Read(file.f));
        back.push_back(r);
    }
    ASSERT_EQ(back.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        const TRay &w = written[i], &b = back[i];
        EXPECT_EQ(b.index, w.index);
        EXPECT_EQ(b.reflections, w.reflections);
        EXPECT_EQ(b.GetId(), w.GetId());
        EXPECT_NEAR(b.fatordist, w.fatordist, 5e-7);
        EXPECT_NEAR(b.dir.elev, w.dir.elev, 5e-4);
        EXPECT_NEAR(b.startDir.azim, w.startDir.azim, 5e-4);
        EXPECT_NEAR(b.startDir.elev, w.startDir.elev, 5e-4);
        for (unsigned k = 0; k < 9; ++k) EXPECT_NEAR(b.spectrum[k], w.spectrum[k], 1e-5 * w.spectrum[k]);
        // What was read writes the same line again.
        std::string a, c;
        TRay(w).AppendLine(a);
        b.AppendLine(c);
        EXPECT_EQ(c, a);
    }
    EXPECT_FLOAT_EQ(back[1].dir.azim, 359.999f);
}

TEST(TRay, MalformedLinesAreErrorsAndLeaveTheRecord)
{
    const std::string good = "1234 0.500000 90.000 0.000 2 10.000 -5.000 1 2 3 4 5 6 7 8 9 7";
    const char* bad[] = {
        "",                                                                   // empty
        "1234 0.500000 90.000 0.000 2 10.000 -5.000 1 2 3 4 5 6 7 8 9",       // no ray number
        "1234 0.500000 90.000 0.000 2 10.000 -5.000 1 2 3 4 5 6 7 8",         // a band short
        "1234 0.500000 90.000",                                               // cut in the head
        "1234 0.500000 90.000 0.000 2 10.000 -5.000 1 2 3 4 5 6 7 8 9 10 7",  // ten bands
        "1234 0.500000 90.000 0.000 2 10.000 -5.000 1 2 3 4 x 6 7 8 9 7",     // not a number
        "1234 0.500000 90,000 0.000 2 10.000 -5.000 1 2 3 4 5 6 7 8 9 7",     // decimal comma
        "-1 0.500000 90.000 0.000 2 10.000 -5.000 1 2 3 4 5 6 7 8 9 7",       // negative index
        "1234 0.500000 90.000 0.000 2 10.000 -5.000 1 2 3 4 5 6 7 8 9 7.5",   // fractional id
    };
    TRay r = RayArrival(1, 0.25f, 45, 5, 3, 1, 2, 0.5f, 11);
    ASSERT_TRUE(TRay(r).ParseLine(good));
    for (const char* line : bad) {
        EXPECT_FALSE(r.ParseLine(line)) << line;
        EXPECT_EQ(r.index, 1u);
        EXPECT_EQ(r.GetId(), 11);
        EXPECT_EQ(r.reflections, 3);
        EXPECT_FLOAT_EQ(r.spectrum[8], 0.5f);
    }

    // A file whose last line was cut: two records, then an error.
    TempFile file;
    file.Write(good + "\n" + good + "\r\n" + "1234 0.500000 90.000 0.000 2 10.0");
    TRay in(9);
    EXPECT_TRUE(in.Read(file.f));
    EXPECT_TRUE(in.Read(file.f));
    EXPECT_FLOAT_EQ(in.spectrum[8], 9.0f);
    EXPECT_FALSE(in.Read(file.f));
    EXPECT_FLOAT_EQ(in.spectrum[8], 9.0f);
    EXPECT_FALSE(in.Read(file.f));
}

TEST(TRay, GetFromFileReadsOneLineAndKeepsThePosition)
{
    TempFile file;
    for (int i = 0; i < 4; ++i) {
        TRay r = RayArrival(100 + i, 1, 0, 0, 1, 0, 0, 1, i);
        ASSERT_TRUE(r.Save(file.f));
    }
    std::rewind(file.f);
    TRay r(9);
    ASSERT_TRUE(r.Read(file.f));
    EXPECT_EQ(r.index, 100u);

    ASSERT_TRUE(r.GetFromFile(file.f, 0));
    EXPECT_EQ(r.index, 100u);
    ASSERT_TRUE(r.GetFromFile(file.f, 3));
    EXPECT_EQ(r.index, 103u);
    EXPECT_FALSE(r.GetFromFile(file.f, 4));
    EXPECT_EQ(r.index, 103u);

    ASSERT_TRUE(r.Read(file.f));  // continues after the first line
    EXPECT_EQ(r.index, 101u);
}

TEST(TRay, BandsEnergyAndConstructors)
{
    TRay r(3);
    EXPECT_EQ(r.GetId(), -1);
    EXPECT_EQ(r.dir.raio, 1.0f);
    EXPECT_EQ(r.GetEnergy(), 0.0f);
    r.SetSpectrum(0, 1);
    r.SetSpectrum(1, 2);
    r.SetSpectrum(2, 3);
    r.SetSpectrum(3, 100);  // beyond the bands: ignored
    EXPECT_EQ(r.GetEnergy(), 6.0f);
    r.MultiplyBy(0.5f);
    EXPECT_EQ(r.GetEnergy(), 3.0f);

    const float e[] = {4, 5};
    TRay fromEnergies(e, 2);
    EXPECT_EQ(fromEnergies.GetEnergy(), 9.0f);
    EXPECT_EQ(TRay().num_bands, 0u);

    // Set from another record copies what the record has bands for, neither launch direction nor ID.
    TRay source = RayArrival(77, 0.75f, -10, 20, 4, 33, 44, 2, 5);
    TRay copy(3);
    copy.Set(source);
    EXPECT_EQ(copy.index, 77u);
    EXPECT_EQ(copy.reflections, 4);
    EXPECT_EQ(copy.dir.azim, 350.0f);
    EXPECT_EQ(copy.GetEnergy(), 6.0f);
    EXPECT_EQ(copy.startDir.azim, 0.0f);
    EXPECT_EQ(copy.GetId(), -1);

    testing::internal::CaptureStdout();
    TRay(e, 2).Show();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Index=0 az=0.000000 el=0.000000 fdist=0.000000 refl:0 spec: 4.000 5.000 \n");
}

TEST(TSubRay, SortsByIndexThenAzimuthThenElevation)
{
    const struct {
        unsigned index;
        float azim, elev;
    } in[] = {{10, 20, 0}, {10, 10, 5}, {5, 30, 0}, {10, 10, -5}};
    std::vector<TSubRay> rays(4);
    for (int i = 0; i < 4; ++i) rays[i].Set(RayDir(in[i].azim, in[i].elev), 1, in[i].index, 0, i, 1);
    std::sort(rays.begin(), rays.end(), SubRayCmp_Index);
    const unsigned order[] = {2, 3, 1, 0};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(rays[i].FileListIndex, order[i]);

    // The single-key orders.
    EXPECT_TRUE(SubRayCmp_Azim(rays[1], rays[0]));
    EXPECT_FALSE(SubRayCmp_Azim(rays[1], rays[2]));
    EXPECT_TRUE(SubRayCmp_Elev(rays[1], rays[2]));
    rays[0].fatordist = 0.5f;
    EXPECT_TRUE(SubRayCmp_FatorDist(rays[0], rays[1]));
    EXPECT_FALSE(SubRayCmp_FatorDist(rays[1], rays[0]));
    dist_st a{1.5f, 0, 1}, b{2.5f, 1, 2};
    EXPECT_TRUE(Dist_cmp(a, b));
    EXPECT_FALSE(Dist_cmp(b, a));
}

TEST(TSubRay, SettersValidityAndLine)
{
    TSubRay s;
    EXPECT_EQ(s.GetId(), -1);
    TRay r = RayArrival(321, 0.125f, 45.5f, -10.25f, 3, 0, 0, 1, 9);
    s.Set(r, 6);
    EXPECT_FALSE(s.IsValid());
    TSubRay t;
    t.Set(s);
    EXPECT_TRUE(t.IsValid());
    t.Remove();
    EXPECT_FALSE(t.IsValid());
    std::string line;
    t.AppendLine(line);
    EXPECT_EQ(line, "321\t45.500\t-10.250\t0.125000\t6\t3\n");
}

TEST(TRayGroup, ClosesItsHandle)
{
    int fd = ::open("/dev/null", O_RDONLY);
    ASSERT_GT(fd, 0);
    {
        TRayGroup g;
        g.handle = fd;
        g.ray = std::make_unique<TRay>(9);
    }
    EXPECT_EQ(::fcntl(fd, F_GETFD), -1);
}

}  // namespace
