#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "simulation/TextFields.h"

namespace {

std::string Printf(const char* fmt, double v, int prec = -1)
{
    char buf[512];
    if (prec >= 0) std::snprintf(buf, sizeof buf, fmt, prec, v);
    else std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}

// The files must read exactly as printf in the "C" locale writes them (the test runs in it).
void ExpectLikePrintf(float f)
{
    for (int prec : {0, 2, 3, 6}) {
        std::string s;
        AppendFixed(s, f, prec);
        ASSERT_EQ(s, Printf("%.*f", f, prec)) << std::hexfloat << f << " prec " << prec;
        s.clear();
        AppendFixed(s, static_cast<double>(f), prec);
        ASSERT_EQ(s, Printf("%.*f", f, prec)) << std::hexfloat << f << " prec " << prec;
    }
    std::string g;
    AppendGeneral(g, f);
    ASSERT_EQ(g, Printf("%g", f)) << std::hexfloat << f;
    g.clear();
    AppendGeneral(g, static_cast<double>(f));
    ASSERT_EQ(g, Printf("%g", f)) << std::hexfloat << f;
}

TEST(TextFields, NumbersAreWrittenAsPrintfWritesThem)
{
    const float tricky[] = {0.0f,     -0.0f,     0.125f,    0.375f,     2.5f,       -2.5f,       0.0005f,
                            0.0015f,  999999.5f, 9999995.f, 99999.95f,  0.00001f,   0.0001f,     1e-5f,
                            123456.7f, 1e6f,     1e-45f,    3.4028235e38f, -3.4028235e38f, 1.5e19f,
                            359.9995f, 0.001f,   1234.5f,   100000.0f,  0.5f,       -0.0004f,    INFINITY,
                            -INFINITY, NAN};
    for (float f : tricky) ExpectLikePrintf(f);

    std::mt19937 rng(7);
    for (int i = 0; i < 200000; ++i) {
        uint32_t bits = rng();
        float f;
        std::memcpy(&f, &bits, sizeof f);
        if (i % 2) f = static_cast<float>(static_cast<int>(rng() % 2000001) - 1000000) / 1000.0f;
        if (std::isnan(f)) continue;
        ExpectLikePrintf(f);
    }

    std::string s;
    AppendInt(s, -2147483648LL);
    s += ' ';
    AppendInt(s, 4294967295LL);
    EXPECT_EQ(s, "-2147483648 4294967295");
}

TEST(TextFields, WholeFieldParsing)
{
    const struct {
        const char* text;
        bool ok;
        float value;
    } floats[] = {{"1.5", true, 1.5f},   {"+2", true, 2.0f},   {"-0.25", true, -0.25f}, {"1e-3", true, 0.001f},
                  {"1.23457e+08", true, 1.23457e+08f},          {"", false, 0},         {"-", false, 0},
                  {"1.5x", false, 0},    {"1,5", false, 0},    {" 1", false, 0},       {"0x10", false, 0}};
    for (const auto& c : floats) {
        float v = -99;
        EXPECT_EQ(ParseFloat(c.text, v), c.ok) << c.text;
        EXPECT_EQ(v, c.ok ? c.value : -99.0f) << c.text;
    }
    uint32_t u = 0;
    EXPECT_TRUE(ParseUnsigned("4294967295", u));
    EXPECT_FALSE(ParseUnsigned("4294967296", u));
    EXPECT_FALSE(ParseUnsigned("-1", u));
    EXPECT_TRUE(ParseInt32Bits("-1", u));
    EXPECT_EQ(u, 4294967295u);
    EXPECT_FALSE(ParseInt32Bits("-2147483649", u));
    int32_t i = 0;
    EXPECT_FALSE(ParseInt("2147483648", i));
    EXPECT_FALSE(ParseInt("7.0", i));

    std::string_view f[2];
    EXPECT_EQ(SplitFields("  a\tbb  c \r\n", f, 2), 3u);
    EXPECT_EQ(f[0], "a");
    EXPECT_EQ(f[1], "bb");
    EXPECT_EQ(SplitFields(" \t ", f, 2), 0u);
}

}  // namespace
