// Texts, number formatting, the file report and the small helpers of the DAFF reader.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "directivity/daff/DAFF.h"
#include "directivity/daff/DAFFReader.h"
#include "directivity/daff/DAFFUtils.h"
#include "support/DaffTestWriter.h"

using namespace dafftest;

TEST(DaffUtils, ErrorAndTypeTexts)
{
    EXPECT_EQ(DAFFUtils::StrError(DAFF_MODAL_ERROR), "Modal error");
    EXPECT_EQ(DAFFUtils::StrError(DAFF_FILE_NOT_FOUND), "File not found");
    EXPECT_EQ(DAFFUtils::StrError(DAFF_FILE_CORRUPTED), "File corrupted");
    EXPECT_EQ(DAFFUtils::StrError(DAFF_INVALID_INDEX), "Invalid index");
    EXPECT_EQ(DAFFUtils::StrError(0), "Undefined error code '0' encountered");
    EXPECT_EQ(DAFFUtils::StrError(10014), "Undefined error code '10014' encountered");
    for (int code = 10001; code <= 10013; ++code)
        EXPECT_EQ(DAFFUtils::StrError(code).find("Undefined"), std::string::npos) << code;

    EXPECT_EQ(DAFFUtils::StrContentType(3), "Magnitude-phase spectrum");
    EXPECT_EQ(DAFFUtils::StrContentType(5), "Invalid");
    EXPECT_EQ(DAFFUtils::StrShortContentType(4), "dft");
    EXPECT_EQ(DAFFUtils::StrShortContentType(-1), "Invalid");
    EXPECT_EQ(DAFFUtils::StrQuantizationType(1), "24-bit signed integer");
    EXPECT_EQ(DAFFUtils::StrQuantizationType(3), "Invalid");
    EXPECT_EQ(DAFFUtils::StrMetadataKeyType(0), "Boolean");
    EXPECT_EQ(DAFFUtils::StrMetadataKeyType(4), "Invalid");

    DAFFVersion v;
    DAFFUtils::getLibraryVersion(v);
    EXPECT_EQ(v.iVersionMajor, 1);
    EXPECT_EQ(v.iVersionMinor, 70);
    EXPECT_EQ(v.sVersion, "1.7");
}

TEST(DaffUtils, NiceNumbers)
{
    struct Case {
        double value;
        int precision;
        bool showpos;
        int leadingzeros;
        const char* text;
    };
    const Case cases[] = {
        {0.17, 3, false, 0, "0.17"}, {-1.5, 2, true, 0, "-1.5"},     {100, 1, false, 0, "100"},
        {2.5, 3, false, 0, "2.5"},   {3, 3, false, 0, "3"},          {1.5, 2, true, 0, "+1.5"},
        {1.5, 2, false, 2, "01.5"},  {-7.25, 2, true, 3, "-007.25"}, {120, 0, false, 0, "120"},
        {0, 2, true, 0, "+0"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DAFFUtils::Double2StrNice(c.value, c.precision, c.showpos, c.leadingzeros), c.text) << c.value;
        EXPECT_EQ(DAFFUtils::Float2StrNice(float(c.value), c.precision, c.showpos, c.leadingzeros), c.text);
    }
    EXPECT_EQ(DAFFUtils::StrDirection(DAFF_DATA_VIEW, 30, 100.5, 1), "( A30\xF8, B100.5\xF8 )");
    EXPECT_EQ(DAFFUtils::StrDirection(DAFF_OBJECT_VIEW, 30, -10, 0), "( P+30\xF8, T-10\xF8 )");
    EXPECT_EQ(DAFFUtils::StrDirectionCompact(DAFF_DATA_VIEW, 5, 90, 0), "A5\xF8 B90\xF8");
    EXPECT_EQ(DAFFUtils::StrDirectionCompact(DAFF_OBJECT_VIEW, -5, 0, 0), "P-5\xF8 T+0\xF8");
    EXPECT_EQ(DAFFOrientationYPR(10, -2.5f, 0).toString(), "( Y10\xF8, P-2.5\xF8, R0\xF8 )");
}

TEST(DaffUtils, FileReports)
{
    std::unique_ptr<DAFFReader> r(DAFFReader::create());
    DaffTestWriter w = impulseResponses(DAFF_INT24);
    w.main.yaw = 10;
    auto b = w.bytes();
    ASSERT_EQ(r->deserialize(reinterpret_cast<const char*>(b.data()), b.size()), DAFF_NO_ERROR);
    EXPECT_EQ(r->toString(), "File format version: 0.17\n"
                             "Content type:        Impulse response\n"
                             "Quantization:        24-bit signed integer\n\n"
                             "Number of channels:  2\n"
                             "Number of records:   9\n\n"
                             "Alpha points:        3\n"
                             "Alpha range:         [0\xF8, 180\xF8]\n"
                             "Beta points:         3\n"
                             "Beta range:          [30\xF8, 150\xF8]\n"
                             "Full sphere:         no\n"
                             "Orientation:         ( Y10\xF8, P0\xF8, R0\xF8 )\n"
                             "Samplerate:          48000 Hz\n"
                             "Filter length:       16\n");

    std::unique_ptr<DAFFReader> ms(DAFFReader::create());
    DaffTestWriter s = smallSpectrum(DAFF_PHASE_SPECTRUM);
    s.freqs = {62.5f, 1000, 12345.678f};
    b = s.bytes();
    ASSERT_EQ(ms->deserialize(reinterpret_cast<const char*>(b.data()), b.size()), DAFF_NO_ERROR);
    const std::string t = ms->toString();
    EXPECT_NE(t.find("Number of frequencies: 3\nFrequency support:     62.5, 1000, 12345.678 Hz\n"), std::string::npos)
        << t;

    std::unique_ptr<DAFFReader> dft(DAFFReader::create());
    b = smallSpectrum(DAFF_DFT_SPECTRUM).bytes();
    ASSERT_EQ(dft->deserialize(reinterpret_cast<const char*>(b.data()), b.size()), DAFF_NO_ERROR);
    EXPECT_NE(dft->toString().find("Transform size: 4\nSymmetric: yes\nSamplerate: 44100\n"), std::string::npos);
}

TEST(DaffUtils, SmallHelpers)
{
    // Angles.
    EXPECT_NEAR(DAFF::anglef_proj_0_360_DEG(-90.0f), 270.0f, 1e-3);
    EXPECT_NEAR(DAFF::anglef_proj_0_360_DEG(725.0f), 5.0f, 1e-3);
    EXPECT_NEAR(DAFF::anglef_mindiff_0_360_DEG(350.0f, 10.0f), 20.0f, 1e-3);
    EXPECT_NEAR(DAFF::anglef_mindiff_0_360_DEG(10.0f, 350.0f), -20.0f, 1e-3);
    EXPECT_NEAR(DAFF::anglef_mindiff_abs_0_360_DEG(10.0f, 350.0f), 20.0f, 1e-3);
    EXPECT_NEAR(DAFF::anglef_mindiff_abs_0_2PI(0.1f, 6.2f), 0.1832f, 1e-3);
    EXPECT_FLOAT_EQ(DAFF::cabs(3, 4), 5.0f);
    EXPECT_FLOAT_EQ(DAFF::carg(1, 1), DAFF::PI_F / 4);
    EXPECT_FLOAT_EQ(DAFF::carg(-1, 1), -DAFF::PI_F / 4 + DAFF::PI_F);
    EXPECT_DOUBLE_EQ(DAFFUtils::rad2grad(DAFFUtils::grad2rad(123.0)), 123.0);
    EXPECT_FLOAT_EQ(DAFFUtils::grad2radf(180.0f), DAFF::PI_F);

    // Byte order.
    std::uint8_t b[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    DAFF::byteswap_2byte(b, 2);
    EXPECT_EQ((std::vector<std::uint8_t>(b, b + 4)), (std::vector<std::uint8_t>{2, 1, 4, 3}));
    DAFF::byteswap_8byte(b, 1);
    EXPECT_EQ(b[0], 8);
    EXPECT_EQ(b[7], 2);
    std::uint8_t c[6] = {1, 2, 3, 4, 5, 6};
    DAFF::byteswap_3byte(c, 2);
    EXPECT_EQ((std::vector<std::uint8_t>(c, c + 6)), (std::vector<std::uint8_t>{3, 2, 1, 6, 5, 4}));
    DAFF::byteswap_4byte(c, 1);
    EXPECT_EQ(c[0], 6);
    DAFF::noswap(c, 1);
    EXPECT_EQ(c[0], 6);

    // Aligned blocks.
    void* p = DAFF::malloc_aligned16(20);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % 16, 0u);
    DAFF::free_aligned16(p);

    // File sizes.
    EXPECT_EQ(DAFF::getFileSize(""), -1);
    EXPECT_EQ(DAFF::getFileSize("/nonexistent/sorvi.daff"), -1);
    EXPECT_EQ(DAFF::getFileSize(writeTempFile(std::vector<std::uint8_t>(37, 0), "size.bin")), 37);
}
