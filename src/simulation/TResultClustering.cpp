// Clustering of early reflections: arrivals of one reflection order that reach the receiver
// within a few samples of each other from nearly the same direction are one reflection path;
// each group enters the response once, with the summed energies of its rays and the timing and
// direction of the ray that passed closest to the receiver's centre.
//
// The arrivals come from the binary records kept beside the early ray file (never from its
// text); the pieces are grouped by direction and their lines formatted on several threads, and
// written in order. Sorting is stable, so equal keys keep their file order and the result does
// not depend on the sort implementation.

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/ErrorHandler.h"
#include "geometry/HeldOutput.h"
#include "geometry/util.h"
#include "simulation/BigBlockAllocator.h"
#include "simulation/DirectionGroups.h"
#include "simulation/ParallelFor.h"
#include "simulation/TResult.h"
#include "simulation/TextFields.h"

namespace {

// A time gap of more than this many samples starts a new block.
constexpr uint32_t kBlockGapSamples = 10;
// An arrival as clustering sees it: the values of its record that the grouping reads, its line
// number in the early ray file (and early hit file) and its whole record.
struct Member {
    uint32_t index;
    float azim, elev;
    float fatordist;
    uint32_t line;
    uint32_t order;
    const uint32_t* record;
};

// Index, then azimuth, then elevation, ascending (as SubRayCmp_Index orders TSubRay records).
bool ByIndex(const Member& a, const Member& b)
{
    if (a.index != b.index) return a.index < b.index;
    if (a.azim != b.azim) return a.azim < b.azim;
    return a.elev < b.elev;
}

// ByIndex, ties in line order.
bool ByIndexThenLine(const Member& a, const Member& b)
{
    if (ByIndex(a, b)) return true;
    if (ByIndex(b, a)) return false;
    return a.line < b.line;
}

float FloatOf(uint32_t bits)
{
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

}  // namespace

unsigned TResult::findPosMinFloat(const float* list, unsigned list_size)
{
    float smallest = std::numeric_limits<float>::infinity();
    unsigned pos = 0;
    for (unsigned i = 0; i < list_size; ++i)
        if (list[i] < smallest) {
            smallest = list[i];
            pos = i;
        }
    return pos;
}

int TResult::ElementoTemGrupo(const std::vector<std::vector<int>>& grupo, unsigned grupos_criados, unsigned elem)
{
    for (unsigned g = 0; g < grupos_criados && g < grupo.size(); ++g)
        if (elem < grupo[g].size() && grupo[g][elem] != 0) return static_cast<int>(g);
    return -1;
}

float TResult::getMaxFatorDist(const TSubRay* subset, unsigned NE)
{
    float best = 0.0f;
    for (unsigned i = 0; i < NE; ++i)
        if (subset[i].fatordist > best) best = subset[i].fatordist;
    return best;
}

int TResult::getIndiceMaxFatorDist(const TSubRay* subset, unsigned NE)
{
    float best = 0.0f;
    int pos = -1;
    for (unsigned i = 0; i < NE; ++i)
        if (subset[i].IsValid() && subset[i].fatordist > best) {
            best = subset[i].fatordist;
            pos = static_cast<int>(i);
        }
    return pos;
}

void TResult::showgrupos(const std::vector<std::vector<int>>& grupo, unsigned grupos_criados, unsigned NE)
{
    Print("=========================================================\n");
    for (unsigned g = 0; g < grupos_criados && g < grupo.size(); ++g) {
        Print("grupo [%.2u] = ", g);
        for (unsigned e = 0; e < NE && e < grupo[g].size(); ++e)
            if (grupo[g][e] != 0) Print("%.3u ", e);
        Print("\n");
    }
}

uint64_t TResult::ClusteredRecords(uint64_t bytes, unsigned numBands)
{
    const uint64_t perRecord = EarlyArrivalStore::Words(numBands) * sizeof(uint32_t) + sizeof(Member);
    return std::max<uint64_t>(1, bytes / perRecord);
}

void TResult::DropClusteredRecords()
{
    EarlyArrivalStore::RecordWords().swap(clusteredRecords_);
    clusteredHeld_ = false;
}

void TResult::Cluster()
{
    DropClusteredRecords();
    if (EarlyRefCount == 0) {
        DirectSoundIndex = MaxLength > 0 ? MaxLength - 1 : 0;
        return;
    }

    // Kept for the synthesis once the clustering has ended.
    bool keep = RayFile.IsOpen() && !RayFile.Failed();
    if (keep) {
        const TPairFile::Mark mark = RayFile.Remember();
        clusteredFrom_ = mark.size + mark.pending.size();
    }
    auto drop = [&] {
        keep = false;
        DropClusteredRecords();
    };
    EarlyRayFile.Close();
    const bool hits = HitFileCreated != 0;
    if (hits) {
        EarlyHitFile.Close();
        earlyHitLinesLoaded_ = false;  // CopyHit reads the completed file
    }

    // The records kept beside the early ray file, all at once or, when they would take more
    // memory than allowed, a batch of orders at a time from the spilled records.
    using Store = EarlyArrivalStore;
    const Store& store = EarlyArrivals;
    const unsigned stride = Store::Words(NumBands);
    auto threads = [this] { return PairThreads(); };
    constexpr uint32_t kAllOrders = 0xFFFFFFFFu;
    struct Batch {
        uint32_t lo, hi;
    };
    std::vector<Batch> batches;
    const int64_t highestOrder = store.HighestOrder();
    const uint64_t budget = ClusteredRecords(ClusterMemoryBytes, NumBands);
    if (store.Count() > budget && store.HighOrders() == 0) {
        uint64_t held = 0;
        for (uint32_t r = 0; r < store.PerOrder().size(); ++r) {
            if (batches.empty() || (held > 0 && held + store.PerOrder()[r] > budget)) {
                batches.push_back({r, r});
                held = 0;
            }
            batches.back().hi = r;
            held += store.PerOrder()[r];
        }
        if (batches.size() == 1) batches.clear();
        if (!batches.empty()) batches.back().hi = kAllOrders;
    }
    if (batches.empty()) batches.push_back({0, kAllOrders});
    // Batches, or records spilled while tracing, are read back from the spill alone.
    const bool readBack = batches.size() > 1 || store.Spilled();
    // (What a failed write left in memory is read from there.)
    bool stopped = false;
    EarlyArrivalStore::StopProbe stop;
    if (StopProbe) stop = [&] { return stopped = StopProbe(); };
    if (readBack) EarlyArrivals.SpillAll(stop);
    if (stopped) throw PairStepStopped{};

    // The lines of the clustered arrivals. A window of pieces is formatted on the worker threads,
    // each chunk of consecutive pieces into a text and records of its own (the records parsing
    // the lines gives, kept for the synthesis), and written here in piece order.
    struct Chunk {
        std::size_t first = 0, last = 0;  // its pieces
        std::string text;
        Store::RecordWords records;
        std::vector<std::pair<uint32_t, int>> hits;  // per line: early hit line, arrivals
        bool unreadable = false;                     // a line whose record parsing does not give
    };
    struct PieceLines {
        std::size_t chunk, text0, text1, rec0, rec1, hit0;
    };
    std::vector<Chunk> chunks;
    std::vector<PieceLines> pieceLines;
    auto formatChunk = [&](Chunk& c, const Member* members, const auto& pieces, const auto& grouped, std::size_t w0) {
        StopPoint();
        TRay work(NumBands);
        std::vector<float> sums(NumBands);
        c.text.clear();
        c.records.clear();
        c.hits.clear();
        c.unreadable = false;
        auto line = [&](const Member& m, const float* bands, int count) {
            const uint32_t* rec = m.record;
            work.index = m.index;
            work.fatordist = m.fatordist;
            work.dir.azim = m.azim;
            work.dir.elev = m.elev;
            work.startDir.azim = FloatOf(rec[Store::kStartAzim]);
            work.startDir.elev = FloatOf(rec[Store::kStartElev]);
            work.reflections = static_cast<int32_t>(m.order);
            work.ID = static_cast<int32_t>(rec[Store::kId]);
            work.SetSpectrum(bands);
            work.FixAzimuth();
            if (hits) c.hits.emplace_back(m.line, count);
            const std::size_t at = c.text.size(), r = c.records.size();
            c.records.resize(r + stride);
            uint32_t* words = &c.records[r];
            if (!Store::AppendLine(work, NumBands, c.text, words) &&
                !Store::FromLine(std::string_view(c.text).substr(at, c.text.size() - at - 1), NumBands, words))
                c.unreadable = true;
        };
        for (std::size_t k = c.first; k < c.last; ++k) {
            PieceLines& out = pieceLines[k - w0];
            out.text0 = c.text.size();
            out.rec0 = c.records.size();
            out.hit0 = c.hits.size();
            const Member* block = &members[pieces[k].first];
            if (pieces[k].NE == 1) {
                std::memcpy(sums.data(), block->record + Store::kHeadWords, NumBands * sizeof(float));
                line(*block, sums.data(), 1);
            } else {
                for (const std::vector<int>& group : grouped[k]) {
                    std::fill(sums.begin(), sums.end(), 0.0f);
                    const Member* rep = &block[group[0]];
                    for (int pos : group) {
                        const Member& m = block[pos];
                        const uint32_t* e = m.record + Store::kHeadWords;
                        for (unsigned b = 0; b < NumBands; ++b) sums[b] += FloatOf(e[b]);
                        if (m.fatordist > rep->fatordist) rep = &m;
                    }
                    line(*rep, sums.data(), static_cast<int>(group.size()));
                }
            }
            out.text1 = c.text.size();
            out.rec1 = c.records.size();
        }
    };
    // The records are kept while they fit in the clustering's memory beside what it holds of
    // the early records (all of them, at most).
    const uint64_t clustering = store.Count() * (stride * sizeof(uint32_t) + sizeof(Member));
    const uint64_t heldWords =
        ClusterMemoryBytes > clustering ? (ClusterMemoryBytes - clustering) / sizeof(uint32_t) : 0;
    auto writePiece = [&](std::size_t k, std::size_t w0) {
        const PieceLines& at = pieceLines[k - w0];
        const Chunk& c = chunks[at.chunk];
        const std::size_t lines = (at.rec1 - at.rec0) / stride;
        if (!RayFile.IsOpen()) {
            for (std::size_t n = 0; n < lines; ++n) {
                if (hits) CopyHit(c.hits[at.hit0 + n].first, c.hits[at.hit0 + n].second);
                Print("Erro de programação - arquivo para gravar raios nao está aberto!!!\n");
            }
            drop();
            return;
        }
        if (hits)
            for (std::size_t n = 0; n < lines; ++n) CopyHit(c.hits[at.hit0 + n].first, c.hits[at.hit0 + n].second);
        RayFile.Buffer().append(c.text, at.text0, at.text1 - at.text0);
        RayFile.Appended();
        if (!keep) return;
        if (c.unreadable || clusteredRecords_.size() + (at.rec1 - at.rec0) > heldWords)
            drop();
        else
            clusteredRecords_.insert(clusteredRecords_.end(), c.records.begin() + static_cast<std::ptrdiff_t>(at.rec0),
                                     c.records.begin() + static_cast<std::ptrdiff_t>(at.rec1));
    };

    Store::RecordWords words;  // records of the batch read back from the spill
    std::vector<Member, BigBlockAllocator<Member>> members;
    int64_t r = 0;  // the next order to report
    for (const Batch& batch : batches) {
        StopPoint();
        words.clear();
        members.clear();
        if (readBack && !store.Gather(batch.lo, batch.hi, words, stop))
            ShowErrorAndThrowExit(1, "Impossible to read file " + EarlyFileName + ".records");
        if (stopped) throw PairStepStopped{};
        // The scratch file is read: it goes while the pair works on.
        if (readBack && &batch == &batches.back()) EarlyArrivals.DropSpill();
        // The members in order of their bucket (orders one by one, then the highest bucket),
        // each bucket in line order; a single batch reads the held records in place.
        struct Span {
            const uint32_t* records;
            std::size_t count, first;  // first: its first member
        };
        std::vector<Span> spans;
        std::size_t total = 0;
        auto take = [&](const uint32_t* rec, std::size_t count) {
            // Spans of at most 64k records, so that the threads share the work.
            for (std::size_t k = 0; k < count; k += 65536) {
                const std::size_t n = std::min<std::size_t>(65536, count - k);
                spans.push_back({rec + k * stride, n, total});
                total += n;
            }
        };
        if (readBack)
            take(words.data(), words.size() / stride);
        else
            store.ForEachHeld(take);
        members.resize(total);
        ParallelFor(spans.size(), threads, [&](std::size_t k) {
            StopPoint();
            const uint32_t* rec = spans[k].records;
            Member* m = &members[spans[k].first];
            for (std::size_t i = 0; i < spans[k].count; ++i, rec += stride)
                m[i] = {rec[Store::kIndex],
                        FloatOf(rec[Store::kAzim]),
                        FloatOf(rec[Store::kElev]),
                        FloatOf(rec[Store::kFatordist]),
                        rec[Store::kLine],
                        rec[Store::kOrder],
                        rec};
        });

        // By reflection order (file order kept within an order), then by time; the orders are
        // sorted by time on the worker threads.
        if (!std::is_sorted(members.begin(), members.end(),
                            [](const Member& a, const Member& b) { return a.order < b.order; }))
            std::stable_sort(members.begin(), members.end(),
                             [](const Member& a, const Member& b) { return a.order < b.order; });
        std::vector<std::size_t> orderStart;  // where each order present begins, and the end
        for (std::size_t k = 0; k < members.size(); ++k)
            if (k == 0 || members[k].order != members[k - 1].order) orderStart.push_back(k);
        orderStart.push_back(members.size());
        ParallelFor(orderStart.size() - 1, threads, [&](std::size_t o) {
            StopPoint();
            const auto first = members.begin() + static_cast<std::ptrdiff_t>(orderStart[o]);
            const auto last = members.begin() + static_cast<std::ptrdiff_t>(orderStart[o + 1]);
            // Members of an order are in line order: ties broken by the line are what a stable
            // sort gives, sorted in place. A NaN direction would leave that order inconsistent.
            const bool nan =
                std::any_of(first, last, [](const Member& m) { return m.azim != m.azim || m.elev != m.elev; });
            if (nan)
                std::stable_sort(first, last, ByIndex);
            else
                std::sort(first, last, ByIndexThenLine);
        });
        StopPoint();

        // Time blocks; long blocks (diffuse arrivals) are grouped in consecutive pieces.
        struct Piece {
            std::size_t first;
            unsigned NE;
        };
        std::vector<Piece> pieces;
        const std::size_t limit = std::max<uint32_t>(MaxClusterBlock, 2);
        for (std::size_t o = 0; o + 1 < orderStart.size(); ++o) {
            const std::size_t end = orderStart[o + 1];
            for (std::size_t b0 = orderStart[o]; b0 < end;) {
                std::size_t b1 = b0 + 1;
                while (b1 < end && members[b1].index - members[b1 - 1].index <= kBlockGapSamples) ++b1;
                for (std::size_t p0 = b0; p0 < b1; p0 += limit)
                    pieces.push_back({p0, static_cast<unsigned>(std::min(limit, b1 - p0))});
                b0 = b1;
            }
        }

        // The pieces of two or more arrivals are grouped on the worker threads, the results
        // written in order on this one. A stop request leaves the pieces not yet started.
        std::vector<TDirectionGroupList> grouped(pieces.size());
        {
            std::vector<std::size_t> todo;
            for (std::size_t k = 0; k < pieces.size(); ++k)
                if (pieces[k].NE > 1) todo.push_back(k);
            // Largest pieces first, so that no thread is left with a long one at the end.
            std::stable_sort(todo.begin(), todo.end(),
                             [&](std::size_t a, std::size_t b) { return pieces[a].NE > pieces[b].NE; });
            std::atomic<bool> stopped{false};
            ParallelFor(todo.size(), threads, [&](std::size_t w) {
                if (stopped.load(std::memory_order_relaxed)) return;
                if (StopProbe && StopProbe()) {
                    stopped.store(true);
                    return;
                }
                thread_local TDirectionGroupsWork buffers;
                thread_local std::vector<TDirection> dirs;
                thread_local std::vector<float> factors;
                const Piece& p = pieces[todo[w]];
                dirs.resize(p.NE);
                factors.resize(p.NE);
                for (unsigned i = 0; i < p.NE; ++i) {
                    dirs[i].Set(members[p.first + i].azim, members[p.first + i].elev, 1.0f);
                    factors[i] = members[p.first + i].fatordist;
                }
                grouped[todo[w]] = GroupDirections(dirs.data(), factors.data(), p.NE, buffers);
            });
            if (stopped.load()) throw PairStepStopped{};
        }

        // Windows of pieces of about this many lines are formatted at once.
        std::size_t piece = 0, w0 = 0, w1 = 0;  // the window formatted: pieces w0 .. w1 - 1
        auto formatWindow = [&] {
            w0 = w1 = piece;
            const std::size_t share = PairThreads();
            const std::size_t windowLines = std::size_t{8192} * share;
            std::size_t lines = 0;
            chunks.resize(std::max<std::size_t>(chunks.size(), 1));
            std::size_t used = 0;
            chunks[0].first = w0;
            const std::size_t chunkLines = std::max<std::size_t>(256, windowLines / (4 * share));
            std::size_t inChunk = 0;
            while (w1 < pieces.size() && lines < windowLines) {
                const std::size_t n = pieces[w1].NE == 1 ? 1 : grouped[w1].size();
                ++w1;
                lines += n;
                inChunk += n;
                if (inChunk >= chunkLines || w1 == pieces.size() || lines >= windowLines) {
                    chunks[used].last = w1;
                    ++used;
                    inChunk = 0;
                    if (chunks.size() < used + 1) chunks.emplace_back();
                    chunks[used].first = w1;
                }
            }
            pieceLines.resize(w1 - w0);
            for (std::size_t c = 0; c < used; ++c)
                for (std::size_t k = chunks[c].first; k < chunks[c].last; ++k) pieceLines[k - w0].chunk = c;
            ParallelFor(used, threads,
                        [&](std::size_t c) { formatChunk(chunks[c], members.data(), pieces, grouped, w0); });
        };
        for (; r <= highestOrder && r <= static_cast<int64_t>(batch.hi); ++r) {
            Print("\rClustering reflections of order %d ...", static_cast<int>(r));
            auto inOrder = [&] {
                return piece < pieces.size() && members[pieces[piece].first].order == static_cast<uint32_t>(r);
            };
            if (!inOrder()) {
                Print(" - No rays of order %d for clustering\n", static_cast<int>(r));
                continue;
            }
            for (; inOrder(); ++piece) {
                if (piece % 256 == 255) StopPoint();
                const Piece& p = pieces[piece];
                if (p.NE > 1 && grouped[piece].empty())
                    ShowErrorAndThrowExit(1, "Erro!! Nenhum par possui o valor maximo de fatodist!!!!\n");
                if (piece >= w1) formatWindow();
                writePiece(piece, w0);
                if (p.NE == 1 && members[p.first].index < DirectSoundIndex) DirectSoundIndex = members[p.first].index;
                TDirectionGroupList().swap(grouped[piece]);
            }
        }
    }

    CloseRayFile();
    if (keep && !RayFile.Failed())
        clusteredHeld_ = true;
    else
        DropClusteredRecords();
    if (hits) CloseHitFile();
    earlyHitLines_.clear();
    earlyHitLines_.shrink_to_fit();
    earlyHitLinesLoaded_ = false;
    ClusterDone = true;
}
