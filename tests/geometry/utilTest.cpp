#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "geometry/util.h"
#include "support/ErrorCapture.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

// Formats through the error box and returns what it showed.
template <typename... Args> std::string Shown(const char* format, Args... args)
{
    ErrorCapture cap;
    ErrorMessage(format, args...);
    EXPECT_EQ(cap.messages.size(), 1u);
    return cap.messages.empty() ? std::string() : cap.messages[0];
}

// A scratch folder removed at the end of the test.
class ScratchFolder {
public:
    std::string File(const std::string& name, const std::string& content) const
    {
        const std::string p = (path_ / name).string();
        std::ofstream(p, std::ios::binary) << content;
        return p;
    }
    std::string Path(const std::string& name) const { return (path_ / name).string(); }

private:
    TempDir temp_{"util"};
    fs::path path_ = temp_.path();
};

}  // namespace

// Variadic templates keep -Wformat from checking these on purpose-made odd formats.
TEST(UtilFormat, IntegerStringAndCharConversions)
{
    struct Case {
        std::string expected, got;
    };
    const std::vector<Case> cases = {
        {"%", Shown("%%")},
        {"   42", Shown("%5d", 42)},
        {"42   |", Shown("%-5d|", 42)},
        {"-007", Shown("%04d", -7)},
        {"   -42", Shown("%6d", -42)},
        {"ff FF", Shown("%x %X", 255, 255)},
        {"4294967295", Shown("%u", -1)},
        {"A", Shown("%c", 65)},
        {"(null)", Shown("%s", static_cast<const char*>(nullptr))},
        {"abcdef", Shown("%3s", "abcdef")},
        {"  0", Shown("%3d", 0)},
        {"-2147483648", Shown("%d", -2147483647 - 1)},
        {"00ab", Shown("%04s", "ab")},
        {"abc", Shown((std::string("abc") + "%").c_str())},
        {"x=3 name=wall", Shown("x=%d name=%s", 3, "wall")},
        // An unknown conversion produces nothing and takes no argument.
        {"a|5", Shown("a%q|%d", 5)},
        // "%0-5d": the '-' after the zeros is unknown, "5d" stays as text.
        {"5d7", Shown("%0-5d%d", 7)},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, c.expected);
}

TEST(UtilFormat, FloatingConversionsAndLengthModifiers)
{
    struct Case {
        std::string expected, got;
    };
    const std::vector<Case> cases = {
        {"Band 1000.000000 not found", Shown("Band %f not found", 1000.0)},
        {"Fs 44100", Shown("Fs %1.0f", 44100.0)},
        {"3.14", Shown("%.2f", 3.14159)},
        {"  3.1", Shown("%5.1f", 3.14159)},
        {"-03.1", Shown("%05.1f", -3.14159)},
        {"1.500000e+03", Shown("%e", 1500.0)},
        {"1.5E+03", Shown("%.1E", 1500.0)},
        {"0.0001", Shown("%g", 0.0001)},
        {"1e+20", Shown("%g", 1e20)},
        {"inf", Shown("%f", std::numeric_limits<double>::infinity())},
        // A float argument does not shift the ones after it.
        {"2.5 then 7", Shown("%.1f then %d", 2.5, 7)},
        {"-9000000000 18446744073709551615", Shown("%ld %lu", -9000000000L, ~0UL)},
        {"123456789012", Shown("%lld", 123456789012LL)},
        {"17", Shown("%zu", static_cast<size_t>(17))},
        {"007", Shown("%.3d", 7)},
        {"ab", Shown("%.2s", "abcdef")},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, c.expected);
}

TEST(UtilFormat, FloatsIgnoreTheProcessLocale)
{
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old ? old : "C";
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"))
        GTEST_SKIP() << "no locale with a decimal comma installed";
    EXPECT_EQ(Shown("%.2f", 1.25), "1.25");
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(UtilFormat, OutputIsBoundedTo511Characters)
{
    const std::string longName(2000, 'n');
    const std::string shown = Shown("file %s!", longName.c_str());
    EXPECT_EQ(shown.size(), 511u);
    EXPECT_EQ(shown.substr(0, 6), "file n");

    const std::string wide = Shown("%100000d", 1);
    EXPECT_EQ(wide.size(), 511u);

    // Texts formatted before they reach the box (a reader's message quoting a huge token).
    ErrorCapture cap;
    std::string built = "Invalid number '" + std::string(100000, '9') + "'";
    ErrorMessage(built);
    ErrorMessage(built.data());
    ASSERT_EQ(cap.messages.size(), 2u);
    EXPECT_EQ(cap.messages[0], built.substr(0, 511));
    EXPECT_EQ(cap.messages[1], built.substr(0, 511));
}

TEST(UtilFormat, OneArgumentFormShowsTextUnchanged)
{
    ErrorCapture cap;
    std::string raw = "100% sure %d %s";
    EXPECT_EQ(ErrorMessage(raw.data()), 1);
    EXPECT_EQ(ErrorMessage(raw), 1);
    ASSERT_EQ(cap.messages.size(), 2u);
    EXPECT_EQ(cap.messages[0], raw);
    EXPECT_EQ(cap.messages[1], raw);
}

TEST(UtilText, NumLineItemsCountsBlanksAndLineFeeds)
{
    const std::vector<std::pair<std::string, int>> cases = {
        {"1 2 3\n", 3}, {"1 2 3", 2}, {"1  2 3\n", 4}, {"1 2 3 \n", 4}, {"\n", 1}, {"", 0}, {"1\t2\n", 1},
    };
    for (const auto& [line, n] : cases) EXPECT_EQ(utilGetNumLineItems(line), n) << line;
}

TEST(UtilText, OpenFileReportsReadingAndWritingFailures)
{
    ScratchFolder dir;
    ErrorCapture cap;
    const std::string missing = dir.Path("missing.txt");
    EXPECT_EQ(utilOpenFile(missing.c_str(), "rt"), nullptr);
    const std::string inNoFolder = dir.Path("no/such/folder/out.txt");
    EXPECT_EQ(utilOpenFile(inNoFolder.c_str(), "wt"), nullptr);
    EXPECT_EQ(utilOpenFile(inNoFolder.c_str(), "at"), nullptr);
    ASSERT_EQ(cap.messages.size(), 3u);
    EXPECT_EQ(cap.messages[0], "\n O arquivo " + missing + " nao pode ser aberto para leitura!\n");
    EXPECT_EQ(cap.messages[1], "\n O arquivo " + inNoFolder + " nao pode ser aberto para escrita!\n");
    EXPECT_EQ(cap.messages[2], cap.messages[1]);

    FILE* f = utilOpenFile(dir.Path("new.txt").c_str(), "wt");
    ASSERT_NE(f, nullptr);
    std::fputs("x\n", f);
    std::fclose(f);
    EXPECT_TRUE(utilFileExist(dir.Path("new.txt")));
    EXPECT_FALSE(utilFileExist(missing));
    EXPECT_EQ(cap.messages.size(), 3u);
}

TEST(UtilText, BuscaFindsTextAnywhereInLongLinesAndLeavesStreamAfterIt)
{
    ScratchFolder dir;
    // The key straddles character 199 of a 450-character line.
    std::string longLine(197, 'a');
    longLine += "<KEY>";
    longLine += std::string(450 - longLine.size(), 'b');
    const std::string path = dir.File("long.txt", "first\r\n" + longLine + "\r\nafter\nlast");
    FILE* f = std::fopen(path.c_str(), "r");
    ASSERT_NE(f, nullptr);
    std::string line;
    ASSERT_EQ(utilBusca(f, "<KEY>", line), 1);
    EXPECT_EQ(line, longLine + "\n");
    ASSERT_TRUE(utilReadLine(f, line));
    EXPECT_EQ(line, "after\n");
    EXPECT_EQ(utilBusca(f, "last"), 1);
    EXPECT_EQ(utilBusca(f, "first"), 0);
    std::fclose(f);
}

TEST(UtilText, BuscaExataNeedsTheWholeLine)
{
    ScratchFolder dir;
    const std::string path = dir.File("s.txt", "<PLANES>x\n </PLANES>\n<PLANES>\r\nnext\n");
    FILE* f = std::fopen(path.c_str(), "r");
    ASSERT_NE(f, nullptr);
    std::string line;
    ASSERT_EQ(utilBuscaExata(f, "<PLANES>", line), 1);
    EXPECT_EQ(line, "<PLANES>\n");
    ASSERT_TRUE(utilReadLine(f, line));
    EXPECT_EQ(line, "next\n");
    EXPECT_EQ(utilBuscaExata(f, "<PLANES>", line), 0);
    std::fclose(f);
}

TEST(UtilText, KeyReadersTakeTheFirstUsableLineAndAnnounceDefaults)
{
    ScratchFolder dir;
    const std::string path = dir.File("cfg.txt", "# TEMPERATURE = 99\n"
                                                 "TEMPERATURE = 21.5\r\n"
                                                 "TEMPERATURE = 30\n"
                                                 "RAYS=1000 rays\n"
                                                 "NAME =   hall_a  \n"
                                                 "NOEQUALS 5\n"
                                                 "NOVALUE =\n"
                                                 "NEG = -3\n");
    EXPECT_FLOAT_EQ(utilReadFloatValueData("TEMPERATURE", path.c_str()), 21.5f);
    EXPECT_EQ(utilReadIntValueData("RAYS", path.c_str()), 1000);
    EXPECT_EQ(utilReadIntValueData("NEG", path.c_str()), -3);
    std::string value;
    utilReadCharValueData("NAME", path.c_str(), value);
    EXPECT_EQ(value, "hall_a");

    struct Missing {
        const char* key;
        std::string notice;
    };
    const std::vector<Missing> missing = {
        {"NOEQUALS", "utilReadIntValueData : Value 'NOEQUALS' not found in file '" + path + "'\n RETURNING -1\n"},
        {"NOVALUE", "utilReadIntValueData : Value 'NOVALUE' not found in file '" + path + "'\n RETURNING -1\n"},
        {"ABSENT", "utilReadIntValueData : Value 'ABSENT' not found in file '" + path + "'\n RETURNING -1\n"}};
    for (const auto& m : missing) {
        testing::internal::CaptureStdout();
        EXPECT_EQ(utilReadIntValueData(m.key, path.c_str()), -1);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), m.notice);
    }
    testing::internal::CaptureStdout();
    EXPECT_EQ(utilReadFloatValueData("ABSENT", path.c_str()), -1.0f);
    utilReadCharValueData("NOVALUE", path.c_str(), value);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(value, "NULL");
    EXPECT_EQ(out, "utilReadFloatValueData : Value 'ABSENT' not found in file '" + path +
                       "'\n RETURNING -1\nutilReadCharValueData : Value 'NOVALUE' not found in file '" + path +
                       "'\n RETURNING NULL\n");

    // A missing file shows the open box and falls back to the default.
    ErrorCapture cap;
    testing::internal::CaptureStdout();
    EXPECT_EQ(utilReadIntValueData("RAYS", dir.Path("none.txt").c_str()), -1);
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(cap.messages.size(), 1u);
    EXPECT_NE(cap.messages[0].find("leitura"), std::string::npos);
}

TEST(UtilText, NumbersAreReadInTheCLocale)
{
    const std::vector<std::pair<const char*, double>> reals = {
        {"1.5", 1.5}, {"  -2.25e1", -22.5}, {"+3", 3.0}, {"7abc", 7.0}, {"abc", 0.0}, {"", 0.0}, {"1e999", INFINITY}};
    for (const auto& [text, v] : reals) EXPECT_EQ(utilAtof(text), v) << text;
    const std::vector<std::pair<const char*, int>> ints = {{"42", 42}, {" -7\n", -7}, {"+5", 5},
                                                           {"3.9", 3}, {"x", 0},      {"99999999999", 2147483647}};
    for (const auto& [text, v] : ints) EXPECT_EQ(utilAtoi(text), v) << text;

    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old ? old : "C";
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || std::setlocale(LC_NUMERIC, "fr_FR.UTF-8")) {
        EXPECT_EQ(utilAtof("0.5"), 0.5);
    }
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(UtilText, FileSizeAndFloatVector)
{
    ScratchFolder dir;
    const std::string path = dir.File("v.txt", "1.5\n-2\r\n\n3e2\n");
    EXPECT_EQ(utilGetFileSize(path.c_str()), 13);
    std::vector<float> v;
    EXPECT_EQ(utilReadFloatVector(path.c_str(), v), 3u);
    EXPECT_EQ(v, (std::vector<float>{1.5f, -2.0f, 300.0f}));

    ErrorCapture cap;
    const std::string missing = dir.Path("none.bin");
    try {
        utilGetFileSize(missing.c_str());
        FAIL() << "no exit";
    } catch (const SorviExit& e) {
        EXPECT_EQ(e.Status(), 1);
    }
    ASSERT_EQ(cap.messages.size(), 1u);
    EXPECT_EQ(cap.messages[0], "utilGetFileSize : Error Opening File " + missing + "\n");
}

TEST(UtilNumeric, ExtremesSignsAndBits)
{
    const float data[] = {-7.0f, 3.0f, 5.0f, -1.0f};
    EXPECT_EQ(utilGetMaxAbs(data, 4), 7.0f);
    EXPECT_EQ(utilGetMax(data, 4), 5.0f);
    EXPECT_EQ(utilGetMin(data, 4), -7.0f);
    EXPECT_EQ(utilGetMaxAbs(data, 0), 0.0f);
    EXPECT_EQ(utilGetMax(data, 0), -INFINITY);
    EXPECT_EQ(utilGetMin(data, 0), INFINITY);
    EXPECT_EQ(utilSign(0.0f), 1.0f);
    EXPECT_EQ(utilSign(-0.5f), -1.0f);
    EXPECT_FALSE(utilFloatCmp(1.0f, 1.0f));
    EXPECT_TRUE(utilFloatCmp(1.0f, 2.0f));
    EXPECT_EQ(utilBigToLittleEndian(static_cast<short>(0x1234)), static_cast<short>(0x3412));
    EXPECT_EQ(utilBigToLittleEndian(static_cast<short>(0x00FF)), static_cast<short>(0xFF00));

    char bits[6] = {'x', 'x', 'x', 'x', 'x', 'x'};
    utilInt2BinaryString(0b10110, 5, bits);
    EXPECT_EQ(std::string(bits, 6), "10110x");  // no terminator written
    unsigned int nums[3];
    utilInt2Binary(6, 3, nums);
    EXPECT_EQ(std::vector<unsigned int>(nums, nums + 3), (std::vector<unsigned int>{1, 1, 0}));

    for (int i = 0; i < 200; ++i) {
        const float s = utilRandSign();
        EXPECT_TRUE(s == 1.0f || s == -1.0f);
        const float r = utilRand(-2.0f, 4.0f);
        EXPECT_GE(r, -2.0f);
        EXPECT_LE(r, 4.0f);
    }
    EXPECT_FLOAT_EQ(utilPrecision(3.14159f, 2), 3.14f);
    EXPECT_FLOAT_EQ(utilPrecision(-2.789f, 1), -2.7f);
    EXPECT_FLOAT_EQ(utilPrecision(123.9f, 0), 123.0f);
}

TEST(UtilNumeric, PrintDataFormats)
{
    const float data[] = {1.0f, 2.345f};
    testing::internal::CaptureStdout();
    printData(data, 2);
    printData(data, 2, "gain");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "1.00 2.35 \ngain: 1.00 2.35 \n");
}

TEST(UtilNumeric, ReadLongBufferReadsWholeWords)
{
    ScratchFolder dir;
    std::string bytes;
    for (int i = 0; i < 20000; ++i) bytes.append(reinterpret_cast<const char*>(&i), sizeof(int));
    const std::string path = dir.File("words.bin", bytes);
    FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::vector<int> words(20001, -1);
    EXPECT_EQ(utilReadLongBuffer(fileno(f), words.data(), 20001), 20000);
    std::fclose(f);
    for (int i = 0; i < 20000; ++i) ASSERT_EQ(words[i], i);
}
