#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "simulation/EarlyArrivalStore.h"
#include "simulation/ResultTestSupport.h"
#include "simulation/TRay.h"

using namespace resulttest;
using Store = EarlyArrivalStore;

namespace {

uint32_t Bits(float v)
{
    uint32_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

// The record words of what TRay::ParseLine reads from the line (line number 0).
std::vector<uint32_t> AsParsed(const TRay& r)
{
    std::vector<uint32_t> w(Store::Words(r.num_bands), 0);
    w[Store::kIndex] = r.index;
    w[Store::kFatordist] = Bits(r.fatordist);
    w[Store::kAzim] = Bits(r.dir.azim);
    w[Store::kElev] = Bits(r.dir.elev);
    w[Store::kOrder] = static_cast<uint32_t>(r.reflections);
    w[Store::kStartAzim] = Bits(r.startDir.azim);
    w[Store::kStartElev] = Bits(r.startDir.elev);
    w[Store::kId] = static_cast<uint32_t>(r.ID);
    for (unsigned b = 0; b < r.num_bands; ++b) w[Store::kHeadWords + b] = Bits(r.spectrum[b]);
    return w;
}

// A record of kBands energies with the given order, the rest drawn from gen.
std::vector<uint32_t> Record(std::mt19937& gen, uint32_t order)
{
    std::vector<uint32_t> w(Store::Words(kBands));
    for (uint32_t& v : w) v = gen();
    w[Store::kOrder] = order;
    w[Store::kLine] = 0;
    return w;
}

}  // namespace

// The clustering must see exactly what it saw when it parsed the early ray file: every line
// the writer makes, and hand-made ones, give the reader's values or the reader's refusal.
TEST(EarlyArrivalStore, RecordsHoldWhatTheRayReaderReads)
{
    std::vector<std::string> lines = {
        "12 0.5 10 20 3 1 2 1 2 3 4 5 6 7 8 9 7",
        "+12 0.5 +10 20 -1 1 2 1 2 3 4 5 6 7 8 9 -7",  // '+' signs and an order written signed
        "4294967295 1e-3 359.9995 -0 4294967295 0 0 1e-45 3.4e38 0 0 0 0 0 0 nan 2147483647\r",
        "\t5  0.5\t10 20 3 1 2 1 2 3 4 5 6 7 8 9 7  ",
        "12 0.5 10 20 3 1 2 1 2 3 4 5 6 7 8 9",      // one band short
        "12 0.5 10 20 3 1 2 1 2 3 4 5 6 7 8 9 7 8",  // one field too many
        "12 0.5 10 20 x 1 2 1 2 3 4 5 6 7 8 9 7",
        "-12 0.5 10 20 3 1 2 1 2 3 4 5 6 7 8 9 7",  // negative sample
        "12 0.5 10 20 4294967296 1 2 1 2 3 4 5 6 7 8 9 7",
        "12 0.5 10 20 3 1 2 1 2 3 4 5 6 7 8 9 1.5",
        "",
    };
    // Lines as the tracer writes them, over awkward values.
    std::mt19937 gen(3);
    std::uniform_real_distribution<float> angle(-400.0f, 400.0f), unit(0.0f, 1.0f), expo(-44.0f, 38.0f);
    for (int k = 0; k < 2000; ++k) {
        TRay r(kBands);
        const std::vector<float> e = [&] {
            std::vector<float> v(kBands);
            for (float& x : v) x = std::pow(10.0f, expo(gen)) * unit(gen);
            return v;
        }();
        TDirection d, s;
        d.Set(angle(gen), angle(gen) / 4.5f, 1.0f);
        s.Set(angle(gen), -0.0f, 1.0f);
        r.Set(gen(), e.data(), d, gen() % 300, unit(gen), s);
        r.SetId(static_cast<int>(gen()));
        std::string line;
        r.AppendLine(line);
        lines.push_back(line);
    }
    for (const std::string& line : lines) {
        SCOPED_TRACE(line);
        TRay parsed(kBands);
        const bool read = parsed.ParseLine(line);
        std::vector<uint32_t> words(Store::Words(kBands), 0xABCDABCDu);
        const std::vector<uint32_t> untouched = words;
        ASSERT_EQ(Store::FromLine(line, kBands, words.data()), read);
        if (read) {
            words[Store::kLine] = 0;
            EXPECT_EQ(words, AsParsed(parsed));
        } else {
            EXPECT_EQ(words, untouched);
        }
    }
}

// The tracer builds records from the arrivals' values: the same words as from their lines,
// awkward values (left to the line) included.
TEST(EarlyArrivalStore, RecordsFromValuesAreThoseOfTheLines)
{
    std::mt19937 gen(5);
    std::uniform_real_distribution<float> angle(-400.0f, 400.0f), unit(0.0f, 1.0f), expo(-24.0f, 30.0f);
    const float odd[] = {NAN, INFINITY, -INFINITY, 1e-45f, -0.0f, 3.4028235e38f, 0.0005f, 359.9996f};
    unsigned decided = 0;
    for (int k = 0; k < 3000; ++k) {
        TRay r(kBands);
        std::vector<float> e(kBands);
        for (float& x : e) x = std::pow(10.0f, expo(gen)) * unit(gen);
        TDirection d, s;
        d.Set(angle(gen), angle(gen) / 4.5f, 1.0f);
        s.Set(angle(gen), -0.0f, 1.0f);
        r.Set(gen(), e.data(), d, gen() % 300, unit(gen), s);
        r.SetId(static_cast<int>(gen()));
        if (k % 10 == 0) {
            const float v = odd[gen() % std::size(odd)];
            switch (gen() % 4) {
            case 0:
                r.fatordist = v;
                break;
            case 1:
                r.dir.azim = v;
                break;
            case 2:
                r.startDir.elev = v;
                break;
            default:
                r.spectrum[gen() % kBands] = v;
                break;
            }
        }
        std::string line, written;
        r.AppendLine(line);
        SCOPED_TRACE(line);
        std::vector<uint32_t> fromLine(Store::Words(kBands), 0), fromValues(Store::Words(kBands), 0xABCDABCDu);
        const bool lineOk = Store::FromLine(line, kBands, fromLine.data());
        const bool valuesOk = Store::AppendLine(r, kBands, written, fromValues.data());
        ASSERT_EQ(written, line);
        if (!valuesOk) continue;
        ++decided;
        ASSERT_TRUE(lineOk);
        EXPECT_EQ(fromValues, fromLine);
    }
    EXPECT_GT(decided, 2500u);
    TRay other(kBands + 1);
    std::vector<uint32_t> words(Store::Words(kBands + 1));
    std::string line, written;
    other.AppendLine(line);
    EXPECT_FALSE(Store::AppendLine(other, kBands, written, words.data()));
    EXPECT_EQ(written, line);
}

// Records spilled to the scratch file come back as those held in memory: per order, in the
// order they came, whatever the budget; dropping the tail works in memory and in the file.
TEST(EarlyArrivalStore, SpilledRecordsComeBackAsHeldOnes)
{
    Scratch dir("sorvi-early-store");
    const uint32_t high = Store::CountedOrders();
    std::mt19937 gen(5);
    std::vector<std::vector<uint32_t>> records;
    for (int k = 0; k < 3000; ++k) {
        const uint32_t pick = gen() % 10;
        const uint32_t order = pick < 7 ? pick : pick == 7 ? high - 1 : pick == 8 ? high + gen() % 3 : 0xFFFFFFFFu;
        records.push_back(Record(gen, order));
    }
    const std::size_t stride = Store::Words(kBands);
    struct Range {
        uint32_t lo, hi;
    };
    const Range ranges[] = {{0, 0xFFFFFFFFu},     {0, 0},           {2, 5},
                            {high - 1, high - 1}, {high, high + 1}, {high + 1, 0xFFFFFFFFu}};
    // What a range must give: orders below `high` one by one, then the higher ones together,
    // each in the order added; cut: the records kept.
    auto expected = [&](Range r, std::size_t cut) {
        std::vector<uint32_t> out;
        for (uint32_t bucket = std::min(r.lo, high); bucket <= std::min(r.hi, high); ++bucket)
            for (std::size_t k = 0; k < cut; ++k) {
                const uint32_t order = records[k][Store::kOrder];
                if (std::min(order, high) != bucket || order < r.lo || order > r.hi) continue;
                std::vector<uint32_t> w = records[k];
                w[Store::kLine] = static_cast<uint32_t>(k);
                out.insert(out.end(), w.begin(), w.end());
            }
        return out;
    };
    const uint64_t perRecord = stride * sizeof(uint32_t);
    // (A budget of a few first chunks: chunks a spill empties take the next records.)
    for (uint64_t budget : {uint64_t{1} << 40, uint64_t{0}, 37 * perRecord, 600 * perRecord}) {
        SCOPED_TRACE(budget);
        Store store;
        store.Reset(kBands, (dir.dir / "early.records").string());
        for (const auto& r : records) ASSERT_TRUE(store.Add(r.data(), budget));
        EXPECT_EQ(store.Spilled(), budget < (uint64_t{1} << 40));
        EXPECT_EQ(store.Count(), records.size());
        EXPECT_EQ(store.HighestOrder(), 0xFFFFFFFFll);
        uint64_t counted = store.HighOrders();
        for (uint64_t n : store.PerOrder()) counted += n;
        EXPECT_EQ(counted, records.size());
        for (std::size_t cut : {records.size(), std::size_t{2500}, std::size_t{0}}) {
            store.Truncate(cut);
            EXPECT_EQ(store.Count(), cut);
            for (const Range& r : ranges) {
                Store::RecordWords got;
                ASSERT_TRUE(store.Gather(r.lo, r.hi, got));
                const std::vector<uint32_t> want = expected(r, cut);
                EXPECT_TRUE(std::equal(got.begin(), got.end(), want.begin(), want.end()))
                    << r.lo << ".." << r.hi << " of " << cut;
            }
        }
        EXPECT_EQ(store.HighestOrder(), -1);
        store.Clear();
        EXPECT_FALSE(std::filesystem::exists(dir.dir / "early.records"));
    }
}

// A stop asked within a spill or a gathering ends it at the next block, asking no more; every
// record stays, held or spilled, and comes back in order once the work is done unstopped.
TEST(EarlyArrivalStore, AStopEndsASpillOrAGatheringAtTheNextBlock)
{
    Scratch dir("sorvi-early-store");
    const std::string spill = (dir.dir / "early.records").string();
    std::mt19937 gen(7);
    std::vector<std::vector<uint32_t>> records;
    for (int k = 0; k < 20000; ++k) records.push_back(Record(gen, gen() % 4));
    auto fill = [&](Store& store) {
        store.Reset(kBands, spill);
        for (const auto& r : records) ASSERT_TRUE(store.Add(r.data(), uint64_t{1} << 40));
    };
    auto gather = [](const Store& store, const Store::StopProbe& stop = {}) {
        Store::RecordWords got;
        EXPECT_TRUE(store.Gather(0, 0xFFFFFFFFu, got, stop));
        return std::vector<uint32_t>(got.begin(), got.end());
    };
    unsigned asked = 0;
    auto stopAt = [&](unsigned after) {
        asked = 0;
        return [&asked, after] { return asked++ >= after; };
    };
    std::vector<uint32_t> reference;
    uintmax_t spilledBytes = 0;
    unsigned blocks = 0;
    {
        Store store;
        fill(store);
        reference = gather(store);
        ASSERT_TRUE(store.SpillAll(stopAt(~0u)));
        blocks = asked;
        spilledBytes = std::filesystem::file_size(spill);
        EXPECT_EQ(gather(store), reference);
    }
    ASSERT_EQ(reference.size(), records.size() * Store::Words(kBands));
    ASSERT_GT(blocks, 8u);
    for (unsigned after : {0u, 1u, blocks / 2, blocks - 1}) {
        SCOPED_TRACE(after);
        Store store;
        fill(store);
        EXPECT_TRUE(store.SpillAll(stopAt(after)));
        EXPECT_EQ(asked, after + 1);
        EXPECT_LT(std::filesystem::exists(spill) ? std::filesystem::file_size(spill) : 0, spilledBytes);
        EXPECT_EQ(gather(store), reference);
        EXPECT_TRUE(store.SpillAll());
        EXPECT_EQ(std::filesystem::file_size(spill), spilledBytes);
        EXPECT_EQ(gather(store), reference);

        const std::vector<uint32_t> part = gather(store, stopAt(after));
        EXPECT_EQ(asked, after + 1);
        EXPECT_LT(part.size(), reference.size());
        EXPECT_TRUE(std::equal(part.begin(), part.end(), reference.begin()));
    }
}

// A dropped scratch file is removed beside the caller and gone once the store settles (or is
// cleared or destroyed); the records it held are not read back from a file of the same name,
// while those still held in memory are, and nothing more is spilled to it.
TEST(EarlyArrivalStore, ADroppedScratchFileGoesAndIsNotReadAgain)
{
    Scratch dir("sorvi-early-store");
    const std::string spill = (dir.dir / "early.records").string();
    std::mt19937 gen(5);
    std::vector<std::vector<uint32_t>> records;
    for (int k = 0; k < 3000; ++k) records.push_back(Record(gen, k < 2000 ? 1 : 2));
    for (int end : {0, 1, 2}) {  // settled, cleared, destroyed
        SCOPED_TRACE(end);
        {
            Store store;
            store.Reset(kBands, spill);
            for (std::size_t k = 0; k < records.size(); ++k)
                ASSERT_TRUE(store.Add(records[k].data(), k < 2000 ? 0 : uint64_t{1} << 40));
            ASSERT_TRUE(store.Spilled());
            store.DropSpill();
            if (end == 0) {
                store.Settle();
                EXPECT_FALSE(std::filesystem::exists(spill));
                std::ofstream(spill) << "not the records";
                Store::RecordWords got;
                EXPECT_FALSE(store.Gather(1, 1, got));
                EXPECT_TRUE(store.Gather(2, 2, got));
                EXPECT_EQ(got.size(), 1000u * Store::Words(kBands));
                EXPECT_FALSE(store.SpillAll());
                EXPECT_EQ(std::filesystem::file_size(spill), 15u);
                std::filesystem::remove(spill);
            }
            if (end == 1) {
                store.Clear();
                EXPECT_FALSE(std::filesystem::exists(spill));
            }
        }
        EXPECT_FALSE(std::filesystem::exists(spill));
    }
}
