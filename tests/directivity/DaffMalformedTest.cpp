// Malformed DAFF files are refused with their error code, through a file and from memory,
// and leave the reader empty.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>

#include "directivity/daff/DAFFReader.h"
#include "directivity/daff/DAFFUtils.h"
#include "support/DaffTestWriter.h"

using namespace dafftest;

namespace {

using Bytes8 = std::vector<std::uint8_t>;
using Make = std::function<Bytes8()>;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr std::uint64_t kHuge = std::numeric_limits<std::uint64_t>::max();

// Block index in the default list: main, content, descriptors, data, metadata.
enum { MAIN, CONTENT, DESC, DATA, META };

Make grid(std::function<void(DaffTestWriter&)> f)
{
    return [f] {
        DaffTestWriter w = magnitudeGrid();
        f(w);
        return w.bytes();
    };
}

Make ir(std::function<void(DaffTestWriter&)> f)
{
    return [f] {
        DaffTestWriter w = impulseResponses(0);
        f(w);
        return w.bytes();
    };
}

Make gridBlocks(std::function<void(std::vector<Block>&)> f)
{
    return [f] {
        DaffTestWriter w = magnitudeGrid();
        auto b = w.blocks();
        f(b);
        return w.serialize(b);
    };
}

Make gridBytes(std::function<void(Bytes8&)> f)
{
    return [f] {
        Bytes8 b = magnitudeGrid().bytes();
        f(b);
        return b;
    };
}

// A DFT file with the given transform size and coefficient count, data to match.
Make dft(int transformSize, int coeffs)
{
    return [=] {
        DaffTestWriter w = smallSpectrum(DAFF_DFT_SPECTRUM);
        w.transformSize = transformSize;
        w.numDFTCoeffs = coeffs;
        for (auto& rec : w.records)
            for (auto& ch : rec) ch.values.assign(std::size_t(2 * std::max(coeffs, 0)), 0.5);
        return w.bytes();
    };
}

struct Case {
    const char* name;
    Make make;
    int expected;
};

const std::vector<Case>& cases()
{
    static const std::vector<Case> table = {
        // File header and block table.
        {"good", grid([](DaffTestWriter&) {}), DAFF_NO_ERROR},
        {"signature", grid([](DaffTestWriter& w) { w.signature[1] = 'X'; }), DAFF_FILE_INVALID},
        {"version 169", grid([](DaffTestWriter& w) { w.version = 169; }), DAFF_FILE_FORMAT_VERSION_UNSUPPORTED},
        {"version 171", grid([](DaffTestWriter& w) { w.version = 171; }), DAFF_FILE_FORMAT_VERSION_UNSUPPORTED},
        {"no blocks", grid([](DaffTestWriter& w) { w.numBlocks = 0; }), DAFF_FILE_INVALID},
        {"negative block count", grid([](DaffTestWriter& w) { w.numBlocks = -1; }), DAFF_FILE_INVALID},
        {"5 bytes", gridBytes([](Bytes8& b) { b.resize(5); }), DAFF_FILE_INVALID},
        {"table past the file", grid([](DaffTestWriter& w) { w.numBlocks = 1000000; }), DAFF_FILE_INVALID},
        {"unknown block into the header",
         gridBlocks([](std::vector<Block>& b) { b.push_back({99, {}, 0, {}}); }), DAFF_FILE_INVALID},
        {"main header into the table", gridBlocks([](std::vector<Block>& b) { b[MAIN].offset = 20; }),
         DAFF_FILE_INVALID},
        {"unknown block elsewhere",
         gridBlocks([](std::vector<Block>& b) { b.push_back({99, {1, 2, 3}, {}, {}}); }), DAFF_NO_ERROR},
        // Block counts.
        {"no main header", gridBlocks([](std::vector<Block>& b) { b.erase(b.begin() + MAIN); }), DAFF_FILE_INVALID},
        {"two main headers", gridBlocks([](std::vector<Block>& b) { b.push_back(b[MAIN]); }), DAFF_FILE_INVALID},
        {"no content header", gridBlocks([](std::vector<Block>& b) { b.erase(b.begin() + CONTENT); }),
         DAFF_FILE_CORRUPTED},
        {"two content headers", gridBlocks([](std::vector<Block>& b) { b.push_back(b[CONTENT]); }),
         DAFF_FILE_CORRUPTED},
        {"no descriptors", gridBlocks([](std::vector<Block>& b) { b.erase(b.begin() + DESC); }), DAFF_FILE_CORRUPTED},
        {"two descriptor blocks", gridBlocks([](std::vector<Block>& b) { b.push_back(b[DESC]); }),
         DAFF_FILE_CORRUPTED},
        {"no data", gridBlocks([](std::vector<Block>& b) { b.erase(b.begin() + DATA); }), DAFF_FILE_CORRUPTED},
        {"two data blocks", gridBlocks([](std::vector<Block>& b) { b.push_back(b[DATA]); }), DAFF_FILE_CORRUPTED},
        {"two metadata blocks", gridBlocks([](std::vector<Block>& b) { b.push_back(b[META]); }),
         DAFF_FILE_CORRUPTED},
        {"no metadata", gridBlocks([](std::vector<Block>& b) { b.pop_back(); }), DAFF_NO_ERROR},
        {"metadata of size 0", gridBlocks([](std::vector<Block>& b) { b[META].size = 0; }), DAFF_NO_ERROR},
        // Block extents.
        {"main header block of 59 bytes", gridBlocks([](std::vector<Block>& b) { b[MAIN].size = 59; }),
         DAFF_FILE_INVALID},
        {"main header cut by the file end",
         gridBlocks([](std::vector<Block>& b) {
             b[MAIN].bytes.resize(40);
             b[MAIN].size = 60;
             std::rotate(b.begin(), b.begin() + 1, b.end());  // main header last
         }),
         DAFF_FILE_INVALID},
        {"content block larger than the file", gridBlocks([](std::vector<Block>& b) { b[CONTENT].size = kHuge; }),
         DAFF_FILE_CORRUPTED},
        {"data block larger than the file",
         gridBlocks([](std::vector<Block>& b) { b[DATA].size = std::uint64_t(1) << 40; }), DAFF_FILE_CORRUPTED},
        {"descriptor block past the file", gridBlocks([](std::vector<Block>& b) { b[DESC].offset = kHuge - 8; }),
         DAFF_FILE_CORRUPTED},
        {"file cut by one byte", gridBytes([](Bytes8& b) { b.pop_back(); }), DAFF_FILE_CORRUPTED},
        // Main header fields.
        {"content type 5", grid([](DaffTestWriter& w) { w.main.contentType = 5; }), DAFF_FILE_CONTENT_TYPE_UNKOWN},
        {"content type -1", grid([](DaffTestWriter& w) { w.main.contentType = -1; }), DAFF_FILE_CONTENT_TYPE_UNKOWN},
        {"quantization 3", grid([](DaffTestWriter& w) { w.main.quantization = 3; }), DAFF_FILE_QUANTIZATION_UNKOWN},
        {"no channels", grid([](DaffTestWriter& w) { w.main.numChannels = 0; }), DAFF_FILE_INVALID_MAIN_PARAMETER},
        {"no records", grid([](DaffTestWriter& w) { w.main.numRecords = 0; }), DAFF_FILE_INVALID_MAIN_PARAMETER},
        {"no elements", grid([](DaffTestWriter& w) { w.main.elementsPerRecord = 0; }),
         DAFF_FILE_INVALID_MAIN_PARAMETER},
        {"fewer records than the grid", grid([](DaffTestWriter& w) { w.main.numRecords = 13; }),
         DAFF_FILE_INVALID_MAIN_PARAMETER},
        {"more records than descriptors", grid([](DaffTestWriter& w) { w.main.numRecords = 15; }),
         DAFF_FILE_CORRUPTED},
        {"no alpha points", grid([](DaffTestWriter& w) { w.main.alphaPoints = 0; }), DAFF_FILE_ALPHA_ANGLES_INVALID},
        {"alpha start 360", grid([](DaffTestWriter& w) { w.main.alphaStart = 360; }), DAFF_FILE_ALPHA_ANGLES_INVALID},
        {"alpha start -1", grid([](DaffTestWriter& w) { w.main.alphaStart = -1; }), DAFF_FILE_ALPHA_ANGLES_INVALID},
        {"alpha start NaN", grid([](DaffTestWriter& w) { w.main.alphaStart = kNaN; }),
         DAFF_FILE_ALPHA_ANGLES_INVALID},
        {"alpha end 361", grid([](DaffTestWriter& w) { w.main.alphaEnd = 361; }), DAFF_FILE_ALPHA_ANGLES_INVALID},
        {"alpha end NaN", grid([](DaffTestWriter& w) { w.main.alphaEnd = kNaN; }), DAFF_FILE_ALPHA_ANGLES_INVALID},
        {"alpha end 360", grid([](DaffTestWriter& w) { w.main.alphaEnd = 360; }), DAFF_NO_ERROR},
        {"no beta points", grid([](DaffTestWriter& w) { w.main.betaPoints = 0; }), DAFF_FILE_BETA_ANGLES_INVALID},
        {"beta 90 to 45",
         grid([](DaffTestWriter& w) {
             w.main.betaStart = 90;
             w.main.betaEnd = 45;
         }),
         DAFF_FILE_BETA_ANGLES_INVALID},
        {"beta start -1", grid([](DaffTestWriter& w) { w.main.betaStart = -1; }), DAFF_FILE_BETA_ANGLES_INVALID},
        {"beta end 181", grid([](DaffTestWriter& w) { w.main.betaEnd = 181; }), DAFF_FILE_BETA_ANGLES_INVALID},
        {"beta start NaN", grid([](DaffTestWriter& w) { w.main.betaStart = kNaN; }), DAFF_FILE_BETA_ANGLES_INVALID},
        {"beta end NaN", grid([](DaffTestWriter& w) { w.main.betaEnd = kNaN; }), DAFF_FILE_BETA_ANGLES_INVALID},
        {"five beta points at one angle",
         grid([](DaffTestWriter& w) {
             w.main.betaStart = 90;
             w.main.betaEnd = 90;
         }),
         DAFF_FILE_BETA_ANGLES_INVALID},
        {"yaw NaN", grid([](DaffTestWriter& w) { w.main.yaw = kNaN; }), DAFF_FILE_INVALID_MAIN_PARAMETER},
        {"pitch infinite", grid([](DaffTestWriter& w) { w.main.pitch = kInf; }), DAFF_FILE_INVALID_MAIN_PARAMETER},
        {"roll -infinite", grid([](DaffTestWriter& w) { w.main.roll = -kInf; }), DAFF_FILE_INVALID_MAIN_PARAMETER},
        // Content headers.
        {"no frequencies", grid([](DaffTestWriter& w) { w.numFreqs = 0; }), DAFF_FILE_CONTENT_INVALID_PARAMETER},
        {"more frequencies than stored", grid([](DaffTestWriter& w) { w.numFreqs = 10; }), DAFF_FILE_CORRUPTED},
        {"huge frequency count", grid([](DaffTestWriter& w) { w.numFreqs = 0x7FFFFFFF; }), DAFF_FILE_CORRUPTED},
        {"content header of 4 bytes", gridBlocks([](std::vector<Block>& b) { b[CONTENT].size = 4; }),
         DAFF_FILE_CORRUPTED},
        {"phase spectrum without frequencies",
         [] {
             DaffTestWriter w = smallSpectrum(DAFF_PHASE_SPECTRUM);
             w.numFreqs = 0;
             return w.bytes();
         },
         DAFF_FILE_CONTENT_INVALID_PARAMETER},
        {"negative sample rate", ir([](DaffTestWriter& w) { w.sampleRate = -1; }),
         DAFF_FILE_CONTENT_INVALID_PARAMETER},
        {"NaN sample rate", ir([](DaffTestWriter& w) { w.sampleRate = kNaN; }), DAFF_FILE_CONTENT_INVALID_PARAMETER},
        {"infinite sample rate", ir([](DaffTestWriter& w) { w.sampleRate = kInf; }),
         DAFF_FILE_CONTENT_INVALID_PARAMETER},
        {"max effective length above the filter", ir([](DaffTestWriter& w) { w.maxEffectiveFilterLength = 17; }),
         DAFF_FILE_CONTENT_INVALID_PARAMETER},
        {"negative max effective length", ir([](DaffTestWriter& w) { w.maxEffectiveFilterLength = -1; }),
         DAFF_FILE_CONTENT_INVALID_PARAMETER},
        {"min offset above the filter", ir([](DaffTestWriter& w) { w.minFilterOffset = 17; }),
         DAFF_FILE_CONTENT_INVALID_PARAMETER},
        {"IR content header of 8 bytes",
         [] {
             DaffTestWriter w = impulseResponses(0);
             auto b = w.blocks();
             b[CONTENT].size = 8;
             return w.serialize(b);
         },
         DAFF_FILE_CORRUPTED},
        {"DFT 512 of 512", dft(512, 512), DAFF_NO_ERROR},
        {"DFT 257 of 512", dft(512, 257), DAFF_NO_ERROR},
        {"DFT 256 of 512", dft(512, 256), DAFF_FILE_CONTENT_INVALID_PARAMETER},
        {"DFT 258 of 512", dft(512, 258), DAFF_FILE_CONTENT_INVALID_PARAMETER},
        {"DFT of size 0", dft(0, 1), DAFF_FILE_CONTENT_INVALID_PARAMETER},
        {"DFT of negative size", dft(-2, -2), DAFF_FILE_CONTENT_INVALID_PARAMETER},
        // Descriptors and data.
        {"descriptor block one byte short", gridBlocks([](std::vector<Block>& b) { b[DESC].size = b[DESC].bytes.size() - 1; }),
         DAFF_FILE_CORRUPTED},
        {"data offset past the block", grid([](DaffTestWriter& w) { w.records[13][1].dataOffset = 1u << 20; }),
         DAFF_FILE_CORRUPTED},
        {"data offset huge", grid([](DaffTestWriter& w) { w.records[2][0].dataOffset = kHuge; }),
         DAFF_FILE_CORRUPTED},
        {"spectrum running past the data block",
         grid([](DaffTestWriter& w) { w.records[0][0].dataOffset = 14 * 2 * 9 * 4 - 8 * 4; }), DAFF_FILE_CORRUPTED},
        {"negative leading zeros", ir([](DaffTestWriter& w) { w.records[4][1].leadingZeros = -1; }),
         DAFF_FILE_CORRUPTED},
        {"negative length", ir([](DaffTestWriter& w) { w.records[4][1].elementLength = -1; }), DAFF_FILE_CORRUPTED},
        {"leading zeros plus samples above the filter",
         ir([](DaffTestWriter& w) { w.records[8][0].leadingZeros = 12; }), DAFF_FILE_CORRUPTED},
        {"response filling the filter exactly", ir([](DaffTestWriter& w) { w.records[8][0].leadingZeros = 11; }),
         DAFF_NO_ERROR},
        {"length above the stored samples", ir([](DaffTestWriter& w) { w.records[8][1].elementLength = 6; }),
         DAFF_FILE_CORRUPTED},
        {"huge leading zeros and length",
         ir([](DaffTestWriter& w) {
             w.records[1][0].leadingZeros = 0x7FFFFFFF;
             w.records[1][0].elementLength = 0x7FFFFFFF;
         }),
         DAFF_FILE_CORRUPTED},
        // Metadata.
        {"metadata key of type 7", grid([](DaffTestWriter& w) { w.metadata[0].keys[1].type = 7; }),
         DAFF_FILE_UNKOWN_METADATA_TYPE},
        {"metadata key of type 4", grid([](DaffTestWriter& w) { w.metadata[1].keys[0].type = 4; }),
         DAFF_FILE_UNKOWN_METADATA_TYPE},
        {"metadata key count above the keys", grid([](DaffTestWriter& w) { w.metadata[1].count = 2; }),
         DAFF_FILE_CORRUPTED},
        {"negative metadata key count", grid([](DaffTestWriter& w) { w.metadata[1].count = -1; }),
         DAFF_FILE_CORRUPTED},
        {"metadata string without its zero",
         gridBlocks([](std::vector<Block>& b) { b[META].size = b[META].bytes.size() - 1; }), DAFF_FILE_CORRUPTED},
        {"metadata float cut short",
         [] {
             DaffTestWriter w = magnitudeGrid();
             w.metadata = {MetaSet{{{2, "x", 0, 1.5, ""}}, {}}};
             auto b = w.blocks();
             b[META].size = b[META].bytes.size() - 3;
             return w.serialize(b);
         },
         DAFF_FILE_CORRUPTED},
        {"metadata block past the file", gridBlocks([](std::vector<Block>& b) { b[META].size = 1u << 30; }),
         DAFF_FILE_CORRUPTED},
    };
    return table;
}

class DaffMalformed : public testing::TestWithParam<std::size_t> {};

}  // namespace

TEST_P(DaffMalformed, RefusedWithItsCode)
{
    const Case& c = cases()[GetParam()];
    const Bytes8 bytes = c.make();
    SCOPED_TRACE(c.name);

    std::unique_ptr<DAFFReader> mem(DAFFReader::create());
    EXPECT_EQ(mem->deserialize(reinterpret_cast<const char*>(bytes.data()), bytes.size()), c.expected)
        << DAFFUtils::StrError(c.expected);
    EXPECT_EQ(mem->isValid(), c.expected == DAFF_NO_ERROR);

    std::unique_ptr<DAFFReader> file(DAFFReader::create());
    EXPECT_EQ(file->openFile(writeTempFile(bytes, "malformed-" + std::to_string(GetParam()) + ".daff")), c.expected);
    EXPECT_EQ(file->isFileOpened(), c.expected == DAFF_NO_ERROR);

    // A refused reader takes a good file afterwards.
    if (c.expected != DAFF_NO_ERROR) {
        const Bytes8 good = magnitudeGrid().bytes();
        EXPECT_EQ(mem->deserialize(reinterpret_cast<const char*>(good.data()), good.size()), DAFF_NO_ERROR);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, DaffMalformed, testing::Range<std::size_t>(0, cases().size()),
                         [](const testing::TestParamInfo<std::size_t>& info) {
                             std::string n = cases()[info.param].name;
                             for (char& ch : n)
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return n;
                         });
