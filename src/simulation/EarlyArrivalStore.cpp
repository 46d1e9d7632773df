#include "simulation/EarlyArrivalStore.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <malloc.h>
#include <system_error>
#include <thread>

#include "simulation/TRay.h"
#include "simulation/TextFields.h"

namespace {

bool IsFieldBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// The next blank-separated field of rest, which is left after it; empty at the end.
std::string_view NextField(std::string_view& rest)
{
    std::size_t i = 0;
    while (i < rest.size() && IsFieldBlank(rest[i])) ++i;
    std::size_t j = i;
    while (j < rest.size() && !IsFieldBlank(rest[j])) ++j;
    const std::string_view field = rest.substr(i, j - i);
    rest.remove_prefix(j);
    return field;
}

// Whole-field conversions as the ray-file reader makes them (a leading '+' accepted).
template <typename T> bool Whole(std::string_view field, T& value)
{
    if (!field.empty() && field.front() == '+') field.remove_prefix(1);
    if (field.empty()) return false;
    const char* last = field.data() + field.size();
    std::from_chars_result r;
    if constexpr (std::is_floating_point_v<T>)
        r = std::from_chars(field.data(), last, value, std::chars_format::general);
    else
        r = std::from_chars(field.data(), last, value);
    return r.ec == std::errc() && r.ptr == last;
}

bool FloatBits(std::string_view field, uint32_t& bits)
{
    float v = 0.0f;
    if (!Whole(field, v)) return false;
    std::memcpy(&bits, &v, sizeof bits);
    return true;
}

}  // namespace

bool EarlyArrivalStore::FromLine(std::string_view line, unsigned numBands, uint32_t* words)
{
    thread_local std::vector<uint32_t> w;
    w.assign(Words(numBands), 0);
    std::string_view rest = line;
    uint32_t index = 0;
    int64_t order = 0;
    if (!Whole(NextField(rest), index) || !FloatBits(NextField(rest), w[kFatordist]) ||
        !FloatBits(NextField(rest), w[kAzim]) || !FloatBits(NextField(rest), w[kElev]) ||
        !Whole(NextField(rest), order) || order < INT32_MIN || order > int64_t{UINT32_MAX} ||
        !FloatBits(NextField(rest), w[kStartAzim]) || !FloatBits(NextField(rest), w[kStartElev]))
        return false;
    for (unsigned b = 0; b < numBands; ++b)
        if (!FloatBits(NextField(rest), w[kHeadWords + b])) return false;
    int32_t id = 0;
    if (!Whole(NextField(rest), id) || !NextField(rest).empty()) return false;
    w[kIndex] = index;
    w[kOrder] = static_cast<uint32_t>(order);
    w[kId] = static_cast<uint32_t>(id);
    std::copy(w.begin(), w.end(), words);
    return true;
}

bool EarlyArrivalStore::AppendLine(const TRay& ray, unsigned numBands, std::string& out, uint32_t* words)
{
    // TRay::AppendLine field for field.
    bool ok = ray.num_bands == numBands && ray.spectrum.size() >= numBands;
    float f = 0.0f;
    auto put = [&](unsigned word, bool read) {
        ok = ok && read;
        if (ok) std::memcpy(&words[word], &f, sizeof f);
    };
    FieldWriter w(out);
    w.Int(ray.index);
    w.Char(' ');
    put(kFatordist, w.FixedRead(ray.fatordist, 6, f));
    w.Char(' ');
    put(kAzim, w.FixedRead(AzimuthInRange(ray.dir.azim), 3, f));
    w.Char(' ');
    put(kElev, w.FixedRead(ray.dir.elev, 3, f));
    w.Char(' ');
    w.Int(ray.reflections);
    w.Char(' ');
    put(kStartAzim, w.FixedRead(ray.startDir.azim, 3, f));
    w.Char(' ');
    put(kStartElev, w.FixedRead(ray.startDir.elev, 3, f));
    w.Char(' ');
    for (unsigned b = 0; b < ray.num_bands; ++b) {
        put(kHeadWords + b, w.GeneralRead(ray.spectrum[b], f));
        w.Char(' ');
    }
    w.Int(ray.ID);
    w.Char('\n');
    w.Flush();
    if (ok) {
        words[kIndex] = ray.index;
        words[kOrder] = static_cast<uint32_t>(ray.reflections);
        words[kLine] = 0;
        words[kId] = static_cast<uint32_t>(ray.ID);
    }
    return ok;
}

void EarlyArrivalStore::Reset(unsigned numBands, std::string spillPath)
{
    Clear();
    numBands_ = numBands;
    stride_ = Words(numBands);
    spillPath_ = std::move(spillPath);
}

void EarlyArrivalStore::Clear()
{
    Settle();
    if (!spillDropped_ && (spilledBytes_ > 0 || !spilled_.empty())) {
        std::error_code ec;
        std::filesystem::remove(spillPath_, ec);
    }
    held_.clear();
    held_.shrink_to_fit();
    Chunks().swap(spare_);
    lastReused_.clear();
    spilled_.clear();
    spilled_.shrink_to_fit();
    perOrder_.clear();
    perOrder_.shrink_to_fit();
    high_ = count_ = heldBytes_ = spilledBytes_ = residentExtra_ = spareBytes_ = 0;
    spillBroken_ = spillDropped_ = false;
    highest_ = -1;
}

void EarlyArrivalStore::DropSpill()
{
    if (spillDropped_ || (spilledBytes_ == 0 && spilled_.empty())) return;
    // Freeing a large file's pages takes a while: the pair goes on meanwhile.
    auto remove = [path = spillPath_] {
        std::error_code ec;
        std::filesystem::remove(path, ec);
    };
    spillDropped_ = true;
    try {
        removal_ = std::thread(remove);
    } catch (const std::exception&) {
        remove();
    }
}

void EarlyArrivalStore::Settle()
{
    if (removal_.joinable()) removal_.join();
}

bool EarlyArrivalStore::Add(const uint32_t* words, uint64_t budgetBytes, const StopProbe& stop)
{
    const uint32_t order = words[kOrder];
    const uint32_t bucket = std::min(order, kBuckets - 1);
    if (held_.size() <= bucket) held_.resize(bucket + 1);
    Chunks& chunks = held_[bucket];
    if (lastReused_.size() <= bucket) lastReused_.resize(bucket + 1, 0);
    if (chunks.empty() || chunks.back().size() + stride_ > chunks.back().capacity()) {
        // Four times the last, up to blocks of huge pages: pages not yet written cost nothing,
        // while every small page written first costs a fault.
        const std::size_t records = std::size_t{256} << std::min<std::size_t>(2 * chunks.size(), 8);
        const uint64_t used = heldBytes_ + residentExtra_;
        chunks.push_back(
            SpareChunk(records * stride_, used < budgetBytes ? budgetBytes - used : 0, lastReused_[bucket]));
    }
    Chunk& to = chunks.back();
    const std::size_t at = to.size();
    to.insert(to.end(), words, words + stride_);
    to[at + kLine] = static_cast<uint32_t>(count_);
    ++count_;
    if (order < kBuckets - 1) {
        if (perOrder_.size() <= order) perOrder_.resize(order + 1, 0);
        ++perOrder_[order];
    } else {
        ++high_;
    }
    highest_ = std::max<int64_t>(highest_, order);
    heldBytes_ += std::size_t{stride_} * sizeof(uint32_t);
    // A spare chunk's memory is in use already: its records take none.
    if (lastReused_[bucket]) residentExtra_ -= std::size_t{stride_} * sizeof(uint32_t);
    const uint64_t used = heldBytes_ + residentExtra_;
    if (used > budgetBytes) return Spill(stop, true);
    // Spare chunks beyond what the budget leaves go back.
    while (!spare_.empty() && used + spareBytes_ > budgetBytes) {
        spareBytes_ -= spare_.back().capacity() * sizeof(uint32_t);
        spare_.pop_back();
    }
    return true;
}

EarlyArrivalStore::Chunk EarlyArrivalStore::SpareChunk(std::size_t words, uint64_t room, char& reused)
{
    // The smallest spare chunk that holds the words without holding four times as many, and
    // whose memory fits in the room the budget leaves (a spill must take more than a chunk).
    std::size_t best = spare_.size();
    for (std::size_t k = 0; k < spare_.size(); ++k) {
        const std::size_t c = spare_[k].capacity();
        if (c >= words && c < 4 * words && c * sizeof(uint32_t) <= room &&
            (best == spare_.size() || c < spare_[best].capacity()))
            best = k;
    }
    Chunk chunk;
    reused = best < spare_.size();
    if (reused) {
        const uint64_t bytes = spare_[best].capacity() * sizeof(uint32_t);
        spareBytes_ -= bytes;
        residentExtra_ += bytes;
        chunk = std::move(spare_[best]);
        spare_[best] = std::move(spare_.back());
        spare_.pop_back();
    } else {
        chunk.reserve(words);
    }
    return chunk;
}

bool EarlyArrivalStore::SpillAll(const StopProbe& stop)
{
    const bool ok = Spill(stop, false);
    Chunks().swap(spare_);
    spareBytes_ = 0;
    // The freed chunks go back to the system now, not when the heap's top happens to be free.
    ::malloc_trim(0);
    return ok;
}

bool EarlyArrivalStore::Spill(const StopProbe& stop, bool reuse)
{
    if (heldBytes_ == 0) return true;
    // After a failed write the file's end is not known, and a dropped file is gone: the
    // records stay in memory.
    if (spillBroken_ || spillDropped_) return false;
    // The scratch file holds the words as they are in memory: it lives only as long as the run.
    std::FILE* f = std::fopen(spillPath_.c_str(), spilledBytes_ == 0 ? "wb" : "ab");
    bool ok = f != nullptr;
    if (spilled_.size() < held_.size()) spilled_.resize(held_.size());
    uint64_t end = spilledBytes_;
    std::vector<Block> blocks;
    bool stopped = false;
    for (std::size_t b = 0; b < held_.size() && ok && !stopped; ++b) {
        blocks.clear();
        Chunks& chunks = held_[b];
        std::size_t written = 0;  // the bucket's chunks now in the file
        for (; written < chunks.size(); ++written) {
            const Chunk& words = chunks[written];
            if (words.empty()) continue;
            if (stop && stop()) {
                stopped = true;
                break;
            }
            const uint64_t bytes = words.size() * sizeof(uint32_t);
            ok = std::fwrite(words.data(), 1, bytes, f) == bytes;
            if (!ok) break;
            blocks.push_back({end, words.size() / stride_});
            end += bytes;
        }
        if (!ok) break;
        spilled_[b].insert(spilled_[b].end(), blocks.begin(), blocks.end());
        for (const Block& k : blocks) heldBytes_ -= k.records * stride_ * sizeof(uint32_t);
        // The chunks written are kept for the records that follow while tracing: memory handed
        // back at every spill is faulted in again page by page. A stopped spill keeps the
        // bucket's later chunks, which follow its blocks in line order.
        if (reuse)
            for (std::size_t k = 0; k < written; ++k) {
                chunks[k].clear();
                spareBytes_ += chunks[k].capacity() * sizeof(uint32_t);
                spare_.push_back(std::move(chunks[k]));
            }
        chunks.erase(chunks.begin(), chunks.begin() + static_cast<std::ptrdiff_t>(written));
        if (chunks.empty() && b < lastReused_.size()) lastReused_[b] = 0;
    }
    if (f && std::fclose(f) != 0) ok = false;
    spilledBytes_ = end;
    CountResident();
    // Blocks recorded before a failed write are read back by their offsets; the rest stays held.
    if (!ok) spillBroken_ = true;
    return ok;
}

void EarlyArrivalStore::CountResident()
{
    // Only a bucket's last chunk is partly filled.
    residentExtra_ = 0;
    for (std::size_t b = 0; b < held_.size() && b < lastReused_.size(); ++b)
        if (lastReused_[b] && !held_[b].empty())
            residentExtra_ += (held_[b].back().capacity() - held_[b].back().size()) * sizeof(uint32_t);
}

bool EarlyArrivalStore::Gather(uint32_t lo, uint32_t hi, RecordWords& out, const StopProbe& stop) const
{
    const uint32_t first = std::min(lo, kBuckets - 1), last = std::min(hi, kBuckets - 1);
    std::size_t words = out.size();
    for (uint32_t b = first; b <= last; ++b) {
        if (b < spilled_.size())
            for (const Block& k : spilled_[b]) words += k.records * stride_;
        if (b < held_.size())
            for (const Chunk& chunk : held_[b]) words += chunk.size();
    }
    out.reserve(words);
    std::FILE* f = nullptr;
    bool ok = true, stopped = false;
    if (spillDropped_)
        for (uint32_t b = first; b <= last && b < spilled_.size(); ++b)
            if (!spilled_[b].empty()) return false;
    auto stopAsked = [&] { return stopped = stopped || (stop && stop()); };
    for (uint32_t b = first; b <= last && ok && !stopped; ++b) {
        if (b < spilled_.size())
            for (const Block& k : spilled_[b]) {
                if (stopAsked()) break;
                if (!f) f = std::fopen(spillPath_.c_str(), "rb");
                const std::size_t at = out.size();
                out.resize(at + k.records * stride_);
                const std::size_t bytes = k.records * stride_ * sizeof(uint32_t);
                ok = f && ::fseeko(f, static_cast<off_t>(k.offset), SEEK_SET) == 0 &&
                     std::fread(out.data() + at, 1, bytes, f) == bytes;
                if (!ok) break;
            }
        if (b < held_.size())
            for (const Chunk& chunk : held_[b]) {
                if (!ok || stopAsked()) break;
                out.insert(out.end(), chunk.begin(), chunk.end());
            }
    }
    if (f) std::fclose(f);
    // The highest bucket holds every order from its own on: only those asked for are kept.
    if (ok && !stopped && last == kBuckets - 1 && (lo > kBuckets - 1 || hi < UINT32_MAX)) {
        std::size_t kept = 0;
        for (std::size_t at = 0; at < out.size(); at += stride_) {
            const uint32_t order = out[at + kOrder];
            if (order < lo || order > hi) continue;
            if (kept != at) std::copy(out.begin() + at, out.begin() + at + stride_, out.begin() + kept);
            kept += stride_;
        }
        out.resize(kept);
    }
    return ok;
}

void EarlyArrivalStore::Truncate(uint64_t count)
{
    if (count >= count_) return;
    auto drop = [&](const uint32_t* record) {
        const uint32_t order = record[kOrder];
        if (order < kBuckets - 1)
            --perOrder_[order];
        else
            --high_;
    };
    for (Chunks& chunks : held_) {
        while (!chunks.empty()) {
            Chunk& words = chunks.back();
            if (!words.empty() && words[words.size() - stride_ + kLine] < count) break;
            if (!words.empty()) {
                drop(&words[words.size() - stride_]);
                words.resize(words.size() - stride_);
                heldBytes_ -= std::size_t{stride_} * sizeof(uint32_t);
            }
            if (words.empty()) chunks.pop_back();
        }
    }
    CountResident();
    std::FILE* f = nullptr;
    std::vector<uint32_t> record(stride_);
    for (std::vector<Block>& blocks : spilled_) {
        // Dropped records cannot be read back: they stay counted.
        while (!spillDropped_ && !blocks.empty()) {
            Block& k = blocks.back();
            if (!f) f = std::fopen(spillPath_.c_str(), "rb");
            const off_t at = static_cast<off_t>(k.offset + (k.records - 1) * stride_ * sizeof(uint32_t));
            if (!f || ::fseeko(f, at, SEEK_SET) != 0 ||
                std::fread(record.data(), sizeof(uint32_t), stride_, f) != stride_ || record[kLine] < count)
                break;
            drop(record.data());
            if (--k.records == 0) blocks.pop_back();
        }
    }
    if (f) std::fclose(f);
    count_ = count;
    while (!perOrder_.empty() && perOrder_.back() == 0) perOrder_.pop_back();
    if (high_ == 0) highest_ = static_cast<int64_t>(perOrder_.size()) - 1;
}
