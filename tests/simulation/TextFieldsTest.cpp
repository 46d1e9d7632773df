#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "simulation/TextFields.h"

namespace {

std::string Printf(const char* fmt, double v, int prec = -1)
{
    char buf[512];
    if (prec >= 0)
        std::snprintf(buf, sizeof buf, fmt, prec, v);
    else
        std::snprintf(buf, sizeof buf, fmt, v);
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
    const float tricky[] = {0.0f,           -0.0f,    0.125f,    0.375f,    2.5f,      -2.5f,
                            0.0005f,        0.0015f,  999999.5f, 9999995.f, 99999.95f, 0.00001f,
                            0.0001f,        1e-5f,    123456.7f, 1e6f,      1e-45f,    3.4028235e38f,
                            -3.4028235e38f, 1.5e19f,  359.9995f, 0.001f,    1234.5f,   100000.0f,
                            0.5f,           -0.0004f, INFINITY,  -INFINITY, NAN};
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

// Writing with the value read back: the same text, and, bit for bit, what parsing it gives,
// or the text left to the reader; ordinary values are decided without it.
TEST(TextFields, ReadBackIsWhatTheTextReads)
{
    unsigned decided = 0, ordinary = 0;
    auto check = [&](float f, bool usual) {
        auto same = [&](const std::string& text, bool ok, float read) {
            float parsed = 0.0f;
            const bool parses = ParseFloat(text, parsed);
            if (!ok) return;
            ASSERT_TRUE(parses) << text;
            uint32_t a, b;
            std::memcpy(&a, &read, sizeof a);
            std::memcpy(&b, &parsed, sizeof b);
            ASSERT_EQ(a, b) << text << " " << std::hexfloat << f;
            if (usual) ++decided;
        };
        for (int prec : {0, 3, 6}) {
            std::string s, r = "x";
            AppendFixed(s, f, prec);
            float read = 0.0f;
            const bool ok = AppendFixedRead(r, f, prec, read);
            ASSERT_EQ(r, "x" + s);
            same(s, ok, read);
        }
        std::string g, r = "x";
        AppendGeneral(g, f);
        float read = 0.0f;
        const bool ok = AppendGeneralRead(r, f, read);
        ASSERT_EQ(r, "x" + g);
        same(g, ok, read);
        if (usual) ordinary += 4;
    };
    const float tricky[] = {0.0f,          -0.0f,          0.0005f, -0.0004f,   359.9995f,   1e-45f,   1.17549435e-38f,
                            3.4028235e38f, -3.4028235e38f, 1.5e19f, 9.0072e15f, 16777217.0f, INFINITY, -INFINITY,
                            NAN,           0.1f,           0.3f,    1e-30f,     1e30f};
    for (float f : tricky) check(f, false);
    std::mt19937 rng(11);
    for (int i = 0; i < 50000; ++i) {
        uint32_t bits = rng();
        float f;
        std::memcpy(&f, &bits, sizeof f);
        check(f, false);
        // Values as the ray files hold them: distances, angles, energies.
        const float usual = std::ldexp(static_cast<float>(rng() % 16777216u), -static_cast<int>(rng() % 40));
        check(i % 2 ? usual : -usual, usual >= 1e-6f);
    }
    EXPECT_GT(decided, ordinary * 99 / 100);
}

TEST(TextFields, WholeFieldParsing)
{
    const struct {
        const char* text;
        bool ok;
        float value;
    } floats[] = {{"1.5", true, 1.5f},
                  {"+2", true, 2.0f},
                  {"-0.25", true, -0.25f},
                  {"1e-3", true, 0.001f},
                  {"1.23457e+08", true, 1.23457e+08f},
                  {"", false, 0},
                  {"-", false, 0},
                  {"1.5x", false, 0},
                  {"1,5", false, 0},
                  {" 1", false, 0},
                  {"0x10", false, 0}};
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

// The buffered writer against the functions above, field for field: the same text, the same
// read-back and the same say on whether the text decides it, over ties of every kind, the
// ends of the float range and many random values; and lines longer than its buffer.
TEST(TextFields, FieldWriterWritesAsTheAppendFunctions)
{
    std::vector<float> values = {
        0.0f,       -0.0f,     0.0005f,         0.0625f,       -0.0625f,       2.5f,      0.125f,     359.9995f,
        359.99951f, 1e-45f,    1.17549435e-38f, 3.4028235e38f, -3.4028235e38f, 1.5e19f,   9.0072e15f, 16777217.0f,
        8388607.5f, INFINITY,  -INFINITY,       NAN,           -NAN,           0.1f,      0.3f,       1e-30f,
        1e30f,      999999.5f, 9999995.f,       0.00001f,      0.0001f,        99999.95f, 1e-5f,      1e6f,
        1e-4f};
    // Ties of %g's sixth digit and of the decimals: 7- and 8-digit integers ending in 5 and 50,
    // and halves of the last decimal.
    for (int k = 100000; k < 1677721; k += 9973) {
        values.push_back(static_cast<float>(k * 10 + 5));
        if (k < 167772) values.push_back(static_cast<float>(k * 100 + 50));
        values.push_back(std::ldexp(static_cast<float>(2 * (k % 4096) + 1), -13));  // x.xxx5 and finer
    }
    std::mt19937 rng(5);
    for (int i = 0; i < 100000; ++i) {
        uint32_t bits = rng();
        float f;
        std::memcpy(&f, &bits, sizeof f);
        values.push_back(f);
        const float usual = std::ldexp(static_cast<float>(rng() % 16777216u), -static_cast<int>(rng() % 60));
        values.push_back(i % 2 ? usual : -usual);
    }
    auto bitsOf = [](float f) {
        uint32_t b;
        std::memcpy(&b, &f, sizeof b);
        return b;
    };
    std::string line, expected;
    for (float v : values) {
        FieldWriter w(line);
        for (int prec : {0, 1, 3, 6, 9, 12}) {
            float a = 0.0f, b = 0.0f;
            const bool da = w.FixedRead(v, prec, a);
            const bool db = AppendFixedRead(expected, v, prec, b);
            ASSERT_EQ(da, db) << std::hexfloat << v << " prec " << prec;
            if (da) {
                ASSERT_EQ(bitsOf(a), bitsOf(b)) << std::hexfloat << v << " prec " << prec;
            }
            w.Char(' ');
            expected += ' ';
        }
        float a = 0.0f, b = 0.0f;
        const bool da = w.GeneralRead(v, a);
        const bool db = AppendGeneralRead(expected, v, b);
        expected += ' ';
        ASSERT_EQ(da, db) << std::hexfloat << v;
        if (da) {
            ASSERT_EQ(bitsOf(a), bitsOf(b)) << std::hexfloat << v;
        }
        w.Char(' ');
        w.Fixed(v, 3);
        w.General(v);
        w.Int(static_cast<long long>(bitsOf(v)) - 2147483648LL);
        w.Char('\n');
        w.Flush();
        AppendFixed(expected, v, 3);
        AppendGeneral(expected, v);
        AppendInt(expected, static_cast<long long>(bitsOf(v)) - 2147483648LL);
        expected += '\n';
        ASSERT_EQ(line, expected) << std::hexfloat << v;
        line.clear();
        expected.clear();
    }
    // A line of many fields goes out in pieces, whole.
    FieldWriter w(line);
    for (int i = 0; i < 1000; ++i) {
        w.Fixed(-3.4028235e38f, 9);
        AppendFixed(expected, -3.4028235e38f, 9);
    }
    w.Flush();
    EXPECT_EQ(line, expected);
}

}  // namespace
