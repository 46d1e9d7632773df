// Loading DAFF files: state of the reader, properties, grid resolutions and metadata.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "directivity/daff/DAFFContentMS.h"
#include "directivity/daff/DAFFMetadata.h"
#include "directivity/daff/DAFFProperties.h"
#include "directivity/daff/DAFFReader.h"
#include "directivity/daff/DAFFUtils.h"
#include "support/DaffTestWriter.h"

using namespace dafftest;

namespace {

std::unique_ptr<DAFFReader> newReader()
{
    return std::unique_ptr<DAFFReader>(DAFFReader::create());
}

int loadBytes(DAFFReader& r, const std::vector<std::uint8_t>& b)
{
    return r.deserialize(reinterpret_cast<const char*>(b.data()), b.size());
}

}  // namespace

TEST(DaffReader, OpensMagnitudeGridAndAnswersItsProperties)
{
    const std::string path = writeTempFile(magnitudeGrid().bytes(), "grid.daff");
    auto r = newReader();
    ASSERT_EQ(r->openFile(path), DAFF_NO_ERROR);
    EXPECT_TRUE(r->isFileOpened());
    EXPECT_TRUE(r->isValid());
    EXPECT_EQ(r->getFilename(), path);
    EXPECT_EQ(r->getFileFormatVersion(), 170);
    EXPECT_EQ(r->getContentType(), DAFF_MAGNITUDE_SPECTRUM);

    const DAFFProperties* p = r->getProperties();
    EXPECT_EQ(p->getQuantization(), DAFF_FLOAT32);
    EXPECT_EQ(p->getNumberOfChannels(), 2);
    EXPECT_EQ(p->getNumberOfRecords(), 14);
    EXPECT_EQ(p->getAlphaPoints(), 4);
    EXPECT_FLOAT_EQ(p->getAlphaResolution(), 90.0f);
    EXPECT_FLOAT_EQ(p->getAlphaSpan(), 270.0f);
    EXPECT_EQ(p->getBetaPoints(), 5);
    EXPECT_FLOAT_EQ(p->getBetaResolution(), 45.0f);
    EXPECT_FLOAT_EQ(p->getBetaSpan(), 180.0f);
    EXPECT_FALSE(p->coversFullAlphaRange());
    EXPECT_TRUE(p->coversFullBetaRange());
    EXPECT_FALSE(p->coversFullSphere());

    auto* ms = dynamic_cast<DAFFContentMS*>(r->getContent());
    ASSERT_NE(ms, nullptr);
    EXPECT_EQ(static_cast<DAFFContentMS*>(r->getContent()), ms);
    EXPECT_EQ(ms->getParent(), r.get());
    EXPECT_EQ(ms->getProperties(), p);
    ASSERT_EQ(ms->getNumFrequencies(), 9);
    EXPECT_FLOAT_EQ(ms->getFrequencies()[0], 62.5f);
    EXPECT_FLOAT_EQ(ms->getFrequencies()[8], 16000.0f);
    EXPECT_FLOAT_EQ(ms->getOverallMagnitudeMaximum(), 20000.0f);

    std::vector<float> mags(9);
    ASSERT_EQ(ms->getMagnitudes(7, 1, mags.data()), DAFF_NO_ERROR);
    for (int f = 0; f < 9; ++f) EXPECT_FLOAT_EQ(mags[std::size_t(f)], 7000.0f + 100.0f + float(f));

    r->closeFile();
    EXPECT_FALSE(r->isValid());
    EXPECT_FALSE(r->isFileOpened());
    EXPECT_EQ(r->getFilename(), "");
}

TEST(DaffReader, StateCodesAcrossLoads)
{
    auto r = newReader();
    const auto dir = std::filesystem::temp_directory_path();
    EXPECT_EQ(r->openFile((dir / "sorvi-no-such-file.daff").string()), DAFF_FILE_NOT_FOUND);
    EXPECT_FALSE(r->isValid());
    EXPECT_EQ(r->openFile(dir.string()), DAFF_FILE_NOT_FOUND);  // a directory is no file
    EXPECT_EQ(r->openFile(writeTempFile({'F', 'W', 170, 0, 0}, "five.daff")), DAFF_FILE_INVALID);

    // A failed load (two metadata blocks) leaves the reader empty and reusable.
    DaffTestWriter w = magnitudeGrid();
    auto blocks = w.blocks();
    blocks.push_back(blocks.back());
    EXPECT_EQ(r->openFile(writeTempFile(w.serialize(blocks), "twometa.daff")), DAFF_FILE_CORRUPTED);
    EXPECT_FALSE(r->isValid());

    const std::string good = writeTempFile(w.bytes(), "good.daff");
    ASSERT_EQ(r->openFile(good), DAFF_NO_ERROR);
    EXPECT_EQ(r->openFile(good), DAFF_MODAL_ERROR);
    EXPECT_TRUE(r->isValid());  // the refused second load released nothing
    const auto bytes = w.bytes();
    EXPECT_EQ(loadBytes(*r, bytes), DAFF_MODAL_ERROR);

    r->closeFile();
    r->closeFile();  // closing an empty reader does nothing
    ASSERT_EQ(loadBytes(*r, bytes), DAFF_NO_ERROR);
    EXPECT_TRUE(r->isValid());
    EXPECT_FALSE(r->isFileOpened());  // loaded from memory
    EXPECT_EQ(r->getFilename(), "");
}

TEST(DaffReader, GridResolutions)
{
    struct Case {
        int alphaPoints;
        float alphaStart, alphaEnd;
        int betaPoints;
        float betaStart, betaEnd;
        float alphaRes, betaRes, alphaSpan;
    };
    const Case cases[] = {
        {72, 0, 355, 37, 0, 180, 5, 5, 355},   {72, 0, 360, 37, 0, 180, 5, 5, 360},  // closed ring: no point at 360
        {36, 10, 10, 19, 0, 180, 10, 10, 0},    // start == end is a full circle too
        {10, 300, 30, 3, 30, 150, 10, 60, 90},  // a range through 0
        {1, 45, 45, 1, 90, 90, 0, 0, 0},
    };
    for (const Case& c : cases) {
        DaffTestWriter w;
        w.main.alphaPoints = c.alphaPoints;
        w.main.alphaStart = c.alphaStart;
        w.main.alphaEnd = c.alphaEnd;
        w.main.betaPoints = c.betaPoints;
        w.main.betaStart = c.betaStart;
        w.main.betaEnd = c.betaEnd;
        w.main.numRecords = gridRecords(c.alphaPoints, c.betaStart, c.betaEnd, c.betaPoints);
        w.freqs = {1000.0f};
        w.records.assign(std::size_t(w.main.numRecords), {ChannelRecord{-1, {}, 0, {}, {1.0}, {}}});
        auto r = newReader();
        ASSERT_EQ(loadBytes(*r, w.bytes()), DAFF_NO_ERROR) << c.alphaPoints << " " << c.alphaStart;
        EXPECT_FLOAT_EQ(r->getProperties()->getAlphaResolution(), c.alphaRes) << c.alphaStart << ".." << c.alphaEnd;
        EXPECT_FLOAT_EQ(r->getProperties()->getBetaResolution(), c.betaRes);
        EXPECT_FLOAT_EQ(r->getProperties()->getAlphaSpan(), c.alphaSpan);
        EXPECT_EQ(r->getProperties()->coversFullSphere(),
                  c.alphaStart == 0 && c.alphaEnd == 360 && c.betaStart == 0 && c.betaEnd == 180);
    }
}

TEST(DaffMetadata, FileSetRecordSetsAndChannelLabels)
{
    auto r = newReader();
    ASSERT_EQ(loadBytes(*r, magnitudeGrid().bytes()), DAFF_NO_ERROR);
    const DAFFMetadata* m = r->getMetadata();
    ASSERT_NE(m, nullptr);
    EXPECT_FALSE(m->isEmpty());
    EXPECT_TRUE(m->hasKey("label_channel_1"));
    EXPECT_TRUE(m->hasKey("LABEL_CHANNEL_1"));
    EXPECT_FALSE(m->hasKey(""));
    EXPECT_FALSE(m->hasKey("label_channel_2"));

    std::vector<std::string> keys{"stale"};
    m->getKeys(keys);
    EXPECT_EQ(keys, (std::vector<std::string>{"LABEL_CHANNEL_1", "MEASURED", "SAMPLERATE", "TEMPERATURE"}));

    EXPECT_EQ(m->getKeyType("samplerate"), DAFFMetadata::DAFF_INT);
    EXPECT_EQ(m->getKeyType("missing"), -1);
    EXPECT_DOUBLE_EQ(m->getKeyFloat("samplerate"), 48000.0);
    EXPECT_EQ(m->getKeyInt("SampleRate"), 48000);
    EXPECT_TRUE(m->getKeyBool("Measured"));
    EXPECT_DOUBLE_EQ(m->getKeyFloat("temperature"), 21.5);
    EXPECT_EQ(m->getKeyString("measured"), "yes");
    EXPECT_EQ(m->getKeyString("temperature"), "21.5");
    EXPECT_EQ(m->getKeyString("missing"), "");
    // Wrong type or missing: neutral answers.
    EXPECT_EQ(m->getKeyInt("label_channel_1"), 0);
    EXPECT_FALSE(m->getKeyBool("samplerate"));
    EXPECT_DOUBLE_EQ(m->getKeyFloat("missing"), 0.0);
    EXPECT_EQ(m->toString(), "LABEL_CHANNEL_1 = left\nMEASURED = yes\nSAMPLERATE = 48000\nTEMPERATURE = 21.5\n");

    EXPECT_EQ(r->getProperties()->getChannelLabel(0), "left");
    EXPECT_EQ(r->getProperties()->getChannelLabel(1), "");

    auto* c = r->getContent();
    EXPECT_EQ(c->getRecordMetadata(5)->getKeyString("note"), "front");
    EXPECT_EQ(c->getRecordMetadata(4), m);
    EXPECT_TRUE(c->getRecordMetadata(-1)->isEmpty());
    EXPECT_TRUE(c->getRecordMetadata(14)->isEmpty());
}

TEST(DaffMetadata, SetLayouts)
{
    // A set of count 0 occupies 4 bytes; a later set is still found by its position.
    DaffTestWriter w = magnitudeGrid();
    w.metadata = {MetaSet{}, MetaSet{{{3, "Note", 0, 0, "second"}}, {}}};
    w.records[3][0].metaIndex = 1;
    w.records[4][0].metaIndex = 7;  // no such set: answered with the empty set
    auto r = newReader();
    ASSERT_EQ(loadBytes(*r, w.bytes()), DAFF_NO_ERROR);
    EXPECT_TRUE(r->getMetadata()->isEmpty());
    EXPECT_EQ(r->getContent()->getRecordMetadata(3)->getKeyString("NOTE"), "second");
    EXPECT_TRUE(r->getContent()->getRecordMetadata(4)->isEmpty());

    // A later key of the same name replaces the earlier one.
    w.metadata = {MetaSet{{{1, "gain", 1, 0, ""}, {1, "GAIN", 2, 0, ""}}, {}}};
    r->closeFile();
    ASSERT_EQ(loadBytes(*r, w.bytes()), DAFF_NO_ERROR);
    EXPECT_EQ(r->getMetadata()->getKeyInt("gain"), 2);

    // A metadata block of size 0 is no metadata at all.
    w.metadata = {MetaSet{{{1, "gain", 1, 0, ""}}, {}}};
    auto blocks = w.blocks();
    blocks.back().size = 0;
    r->closeFile();
    ASSERT_EQ(loadBytes(*r, w.serialize(blocks)), DAFF_NO_ERROR);
    EXPECT_TRUE(r->getMetadata()->isEmpty());
    EXPECT_EQ(r->getProperties()->getChannelLabel(0), "");
}
