#pragma once
// The early arrivals of a pair as the clustering reads them: one fixed-size binary record per
// line of the early ray file, holding the values that line gives when parsed, so that the
// clustering never parses the text it has just written. Records are held per reflection
// order while they fit a byte budget; past it, every order's records are appended to a
// scratch file in blocks, and a batch of orders is read back from its own blocks only.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "simulation/BigBlockAllocator.h"

class TRay;

class EarlyArrivalStore {
public:
    // The words of a record: this head, then the band energies (float bits). Floats are kept
    // as their bits, the order and the ray number as written (32 bits).
    enum Word : unsigned { kIndex, kFatordist, kAzim, kElev, kOrder, kStartAzim, kStartElev, kId, kLine, kHeadWords };
    static unsigned Words(unsigned numBands) { return kHeadWords + numBands; }
    // The record of one ray-file line (as TRay::ParseLine reads it), its line number left 0.
    // False, and nothing stored, for a line that is not one record of numBands energies.
    static bool FromLine(std::string_view line, unsigned numBands, uint32_t* words);
    // Appends ray's line as TRay::AppendLine does and makes the record FromLine would make of
    // it, from the values written. False when that is not decided so (FromLine decides then),
    // and for a ray of another band count; the line is appended all the same.
    static bool AppendLine(const TRay& ray, unsigned numBands, std::string& out, uint32_t* words);

    EarlyArrivalStore() = default;
    ~EarlyArrivalStore() { Clear(); }
    EarlyArrivalStore(const EarlyArrivalStore&) = delete;
    EarlyArrivalStore& operator=(const EarlyArrivalStore&) = delete;

    // Drops every record (and the scratch file); records of numBands energies follow, spilled
    // to spillPath once more than budgetBytes are held.
    void Reset(unsigned numBands, std::string spillPath);
    void Clear();
    // Asked between the blocks a spill writes or a gathering reads: true ends the work early,
    // with every record still held or spilled (the gathered ones incomplete).
    using StopProbe = std::function<bool()>;

    // Appends a record (its line number is the count of records before it). budgetBytes: what
    // may be held in memory; past it everything held is spilled. False when the spill failed.
    bool Add(const uint32_t* words, uint64_t budgetBytes, const StopProbe& stop = {});

    // A line that holds no record still takes its line number.
    void SkipLine() { ++count_; }
    uint64_t Count() const { return count_; }
    unsigned NumBands() const { return numBands_; }
    // Highest order stored, -1 for none.
    int64_t HighestOrder() const { return highest_; }
    // Records per order, below CountedOrders(); HighOrders(): records of higher orders.
    const std::vector<uint64_t>& PerOrder() const { return perOrder_; }
    uint64_t HighOrders() const { return high_; }
    static constexpr uint32_t CountedOrders() { return kBuckets - 1; }
    bool Spilled() const { return !spilled_.empty() && spilledBytes_ > 0; }
    // Moves every record held in memory to the scratch file and frees the memory. False on a
    // write failure.
    bool SpillAll(const StopProbe& stop = {});

    // The records of orders lo .. hi appended to out in order of their bucket (orders below
    // CountedOrders() one by one, the higher ones together), each bucket in line order.
    // False when the scratch file could not be read.
    using RecordWords = std::vector<uint32_t, BigBlockAllocator<uint32_t>>;
    bool Gather(uint32_t lo, uint32_t hi, RecordWords& out, const StopProbe& stop = {}) const;
    // The spilled records have been gathered for the last time: the scratch file is removed on
    // a thread of its own, and what was spilled can be neither gathered nor spilled to again.
    void DropSpill();
    // Waits until the scratch file dropped is removed (Clear and the destructor wait too).
    void Settle();

    // Calls fn(records, count) for the records held in memory, bucket by bucket.
    template <class F> void ForEachHeld(F&& fn) const
    {
        for (const Chunks& chunks : held_)
            for (const Chunk& words : chunks)
                if (!words.empty()) fn(words.data(), words.size() / stride_);
    }

    // Drops the records from line `count` on (what a pair that ran past a stop appended).
    void Truncate(uint64_t count);

private:
    static constexpr uint32_t kBuckets = 4096;
    struct Block {
        uint64_t offset;  // bytes into the scratch file
        uint64_t records;
    };
    unsigned numBands_ = 0;
    unsigned stride_ = kHeadWords;
    std::string spillPath_;
    // A bucket's records in memory: chunks of growing size, each filled up to the capacity it
    // was given, so that no record is copied while the records come in.
    using Chunk = std::vector<uint32_t, BigBlockAllocator<uint32_t>>;
    using Chunks = std::vector<Chunk>;
    std::vector<Chunks> held_;  // [bucket]
    // Chunks a spill emptied, taken again by the records that follow, and per bucket whether
    // its last chunk is one: its memory is all in use, not just what its records fill.
    Chunks spare_;
    std::vector<char> lastReused_;
    uint64_t spareBytes_ = 0;
    uint64_t residentExtra_ = 0;  // of the held spare chunks, beyond their records
    Chunk SpareChunk(std::size_t words, uint64_t room, char& reused);
    bool Spill(const StopProbe& stop, bool reuse);
    void CountResident();
    std::vector<std::vector<Block>> spilled_;  // [bucket]
    std::vector<uint64_t> perOrder_;
    uint64_t high_ = 0;
    uint64_t count_ = 0;
    uint64_t heldBytes_ = 0;
    uint64_t spilledBytes_ = 0;  // size of the scratch file
    bool spillBroken_ = false;
    bool spillDropped_ = false;
    std::thread removal_;  // removes the dropped scratch file
    int64_t highest_ = -1;
};
