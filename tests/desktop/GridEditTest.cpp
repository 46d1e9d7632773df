// Typed grid cells: numbers in the "C" locale, coefficients limited to 0..1, names checked
// against their list, the names of new rows and the refused sound-file paths.

#include <gtest/gtest.h>

#include <clocale>
#include <optional>
#include <string>
#include <vector>

#include "desktop/GridEdit.h"

using GridEdit::ParseNumber;

TEST(GridEdit, NumbersAreWholeFiniteTextsInTheCLocale)
{
    struct Case {
        const char* text;
        std::optional<double> value;
    };
    const Case cases[] = {
        {"0.3", 0.3},          {" 1.5 ", 1.5},          {"-0.2", -0.2},
        {"+2", 2.0},           {"1e-3", 1e-3},          {"94", 94.0},
        {"", std::nullopt},    {"  ", std::nullopt},    {"abc", std::nullopt},
        {"0,3", std::nullopt}, {"1.5x", std::nullopt},  {"nan", std::nullopt},
        {"inf", std::nullopt}, {"1e999", std::nullopt}, {"+-1", std::nullopt},
        {"--1", std::nullopt},
    };
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");  // a comma locale, when installed, changes nothing
    for (const Case& c : cases) {
        const auto parsed = ParseNumber(c.text);
        ASSERT_EQ(parsed.has_value(), c.value.has_value()) << '"' << c.text << '"';
        if (parsed) {
            EXPECT_DOUBLE_EQ(*parsed, *c.value) << c.text;
        }
        EXPECT_EQ(GridEdit::NumberRefusal(c.text).empty(), c.value.has_value()) << c.text;
    }
    EXPECT_EQ(GridEdit::Fixed2(93.999), "94.00");
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(GridEdit, CoefficientsAreLimitedToZeroToOne)
{
    EXPECT_EQ(GridEdit::Clamp01(1.5), 1.0);
    EXPECT_EQ(GridEdit::Clamp01(-0.2), 0.0);
    EXPECT_EQ(GridEdit::Clamp01(0.3), 0.3);
}

// A column widens to its widest text and padding, and never narrows below its set width.
TEST(GridEdit, ColumnsWidenToTheirWidestTextOnly)
{
    const int pad = GridEdit::kColumnPadding;
    struct Case {
        int width, widest, fitted;
    } cases[] = {
        {35, 0, 35},         // nothing shown yet
        {35, 20, 35},        // "0.00" fits
        {35, 35 - pad, 35},  // just fits
        {35, 36 - pad, 36},  // one pixel short
        {35, 40, 40 + pad},  // "-10.00"
        {190, 60, 190},      // a wide name column stays
    };
    for (const Case& c : cases)
        EXPECT_EQ(GridEdit::FittedColumnWidth(c.width, c.widest), c.fitted) << c.width << " " << c.widest;
}

TEST(GridEdit, NewRowsAreNumberedFromTheCount)
{
    EXPECT_EQ(GridEdit::NewName("Material_%.2d", 4), "Material_04");
    EXPECT_EQ(GridEdit::NewName("Material_%.2d", 10), "Material_10");
    EXPECT_EQ(GridEdit::NewName("PlaneLayer%.2d", 1), "PlaneLayer01");
    EXPECT_EQ(GridEdit::NewName("SrcType%.2d", 123), "SrcType123");
}

TEST(GridEdit, NamesAreRefusedWhenEmptyOrTakenByAnotherRow)
{
    const std::vector<std::string> names = {"Wall", "Floor", "Roof"};
    EXPECT_EQ(GridEdit::CheckName("Floor", names, 1, "material"), "");  // its own name again
    EXPECT_EQ(GridEdit::CheckName("Glass", names, 1, "material"), "");
    EXPECT_EQ(GridEdit::CheckName("Roof", names, 0, "plane layer"), "Duplicated plane layer: Roof");
    EXPECT_NE(GridEdit::CheckName("", names, 0, "material"), "");
    EXPECT_NE(GridEdit::CheckName(std::string(512, 'a'), names, 0, "material"), "");
    EXPECT_EQ(GridEdit::CheckName(std::string(511, 'a'), names, 0, "material"), "");
    EXPECT_EQ(GridEdit::NameFromCell("Back wall\tleft"), "Back_wall_left");
}

TEST(GridEdit, SoundFilePathsWithBlanksAreRefused)
{
    EXPECT_EQ(GridEdit::SoundFileRefusal("speech.wav"), "");
    EXPECT_EQ(GridEdit::SoundFileRefusal("NONE"), "");
    EXPECT_EQ(GridEdit::SoundFileRefusal(""), "");
    EXPECT_NE(GridEdit::SoundFileRefusal("my speech.wav"), "");
}
