// Clustering of early reflections: arrivals of one reflection order that reach the receiver
// within a few samples of each other from nearly the same direction are one reflection path;
// each group enters the response once, with the summed energies of its rays and the timing and
// direction of the ray that passed closest to the receiver's centre.
//
// The early ray file is read once into memory and grouped there; the pieces are grouped by
// direction on several threads and written in order. Sorting is stable, so equal keys keep
// their file order and the result does not depend on the sort implementation.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

#include "geometry/ErrorHandler.h"
#include "geometry/HeldOutput.h"
#include "geometry/util.h"
#include "simulation/DirectionGroups.h"
#include "simulation/ParallelFor.h"
#include "simulation/TResult.h"
#include "simulation/TextFields.h"

namespace {

// A time gap of more than this many samples starts a new block.
constexpr uint32_t kBlockGapSamples = 10;
// An arrival as clustering sees it: the values of its line that the grouping reads, its line
// number in the early ray file (and early hit file) and where the rest of its record is kept.
struct Member {
    uint32_t index;
    float azim, elev;
    float fatordist;
    uint32_t line;
    uint32_t order;
    uint32_t record;
};

// The rest of an arrival's record (its band energies are kept apart).
struct EarlyRecord {
    TDirection startDir;
    int32_t ID;
};

// Index, then azimuth, then elevation, ascending (as SubRayCmp_Index orders TSubRay records).
bool ByIndex(const Member& a, const Member& b)
{
    if (a.index != b.index) return a.index < b.index;
    if (a.azim != b.azim) return a.azim < b.azim;
    return a.elev < b.elev;
}

// The early ray file's arrivals as read back: records in file order, NumBands energies each, and
// the clustering's view of them.
struct EarlyArrivals {
    std::vector<EarlyRecord> records;
    std::vector<float> energies;
    std::vector<Member> members;
    int64_t highestOrder = -1;
    unsigned malformed = 0;
    // Records per order (below kCountedOrders), and whether a higher order occurs.
    std::vector<uint64_t> perOrder;
    bool highOrders = false;
};

constexpr uint32_t kCountedOrders = 1u << 16;

// The fifth field of a line (the reflection order of a ray-file line), split at blanks as
// SplitFields splits; empty when the line has fewer fields.
std::string_view FifthField(std::string_view line)
{
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; };
    std::size_t i = 0;
    for (int field = 0;; ++field) {
        while (i < line.size() && blank(line[i])) ++i;
        if (i == line.size()) return {};
        const std::size_t start = i;
        while (i < line.size() && !blank(line[i])) ++i;
        if (field == 4) return line.substr(start, i - start);
    }
}

// Reads the early ray file from its start, in large pieces whose lines are parsed in parts on
// the worker threads and taken in file order. Lines of blanks are skipped without a number.
// With `store`, keeps the arrivals of orders lo .. hi; otherwise only counts every order's
// arrivals, the highest order and the malformed lines.
void ReadEarly(std::FILE* f, unsigned numBands, unsigned threads, bool store, uint32_t lo, uint32_t hi,
               EarlyArrivals& out)
{
    std::fseek(f, 0, SEEK_END);
    const long size = std::ftell(f);
    std::rewind(f);
    const int fd = ::fileno(f);
    uint64_t offset = 0;  // of the next piece in the file
    struct Part {
        std::string_view text;
        std::vector<EarlyRecord> records;
        std::vector<float> energies;
        std::vector<Member> members;  // line numbers within the part
        std::vector<uint64_t> perOrder;
        int64_t highestOrder = -1;
        bool highOrders = false;
        uint32_t lines = 0;
        unsigned malformed = 0;
    };
    std::vector<Part> parts(threads);
    // Pieces of 32 MB at most, no larger than the file (a small file allocates little).
    const std::size_t kReadBytes =
        std::min<std::size_t>(std::size_t{32} << 20, size > 0 ? static_cast<std::size_t>(size) + 1 : 4096);
    // The buffer is not cleared before reading into it: it grows only for a line longer than a
    // piece.
    std::size_t capacity = 2 * kReadBytes;
    auto text = std::make_unique_for_overwrite<char[]>(capacity);
    std::size_t carried = 0;  // bytes of an unfinished line kept at the front of `text`
    uint32_t lineNumber = 0;
    for (bool end = false; !end;) {
        if (carried + kReadBytes > capacity) {
            capacity = 2 * (carried + kReadBytes);
            auto grown = std::make_unique_for_overwrite<char[]>(capacity);
            std::memcpy(grown.get(), text.get(), carried);
            text = std::move(grown);
        }
        // The piece is copied from the file in one slice per thread (positioned reads, which
        // leave the stream's position alone).
        std::vector<std::size_t> slice(threads, 0);
        const std::size_t sliceBytes = (kReadBytes + threads - 1) / threads;
        ParallelFor(threads, threads, [&](std::size_t t) {
            const std::size_t begin = std::min(kReadBytes, t * sliceBytes);
            const std::size_t want = std::min(kReadBytes, begin + sliceBytes) - begin;
            char* to = text.get() + carried + begin;
            while (slice[t] < want) {
                const ssize_t n =
                    ::pread(fd, to + slice[t], want - slice[t], static_cast<off_t>(offset + begin + slice[t]));
                if (n <= 0) break;
                slice[t] += static_cast<std::size_t>(n);
            }
        });
        std::size_t got = 0;
        for (std::size_t t = 0; t < threads && got == std::min(kReadBytes, t * sliceBytes); ++t) got += slice[t];
        offset += got;
        end = got < kReadBytes;
        const std::string_view read(text.get(), carried + got);
        // Whole lines only, unless the file ends (its last line may lack a newline).
        std::size_t whole = read.size();
        if (!end) {
            const std::size_t lastNewline = read.rfind('\n');
            whole = lastNewline == std::string_view::npos ? 0 : lastNewline + 1;
        }
        const std::string_view all = read.substr(0, whole);
        std::size_t from = 0;
        for (unsigned t = 0; t < threads; ++t) {
            std::size_t to = t + 1 == threads ? all.size() : all.size() * (t + 1) / threads;
            if (to < from) to = from;
            if (to < all.size()) {
                const std::size_t nl = all.find('\n', to == 0 ? 0 : to - 1);
                to = nl == std::string_view::npos ? all.size() : nl + 1;
            }
            parts[t].text = all.substr(from, to - from);
            from = to;
        }
        ParallelFor(threads, threads, [&](std::size_t t) {
            Part& part = parts[t];
            part.records.clear();
            part.energies.clear();
            part.members.clear();
            part.perOrder.clear();
            part.lines = 0;
            part.malformed = 0;
            TRay ray(numBands);
            std::string_view rest = part.text;
            while (!rest.empty()) {
                const std::size_t nl = rest.find('\n');
                std::string_view line = rest.substr(0, nl);
                rest = nl == std::string_view::npos ? std::string_view() : rest.substr(nl + 1);
                if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
                if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
                const uint32_t number = part.lines++;
                if (store && (lo > 0 || hi < 0xFFFFFFFFu)) {
                    // Only the order decides whether the line is wanted.
                    uint32_t order = 0;
                    if (!ParseInt32Bits(FifthField(line), order) || order < lo || order > hi) continue;
                }
                if (!ray.ParseLine(line)) {
                    ++part.malformed;
                    continue;
                }
                const uint32_t order = static_cast<uint32_t>(ray.reflections);
                part.highestOrder = std::max<int64_t>(part.highestOrder, order);
                if (!store) {
                    if (order >= kCountedOrders) {
                        part.highOrders = true;
                    } else {
                        if (part.perOrder.size() <= order) part.perOrder.resize(order + 1, 0);
                        ++part.perOrder[order];
                    }
                    continue;
                }
                part.members.push_back({ray.index, ray.dir.azim, ray.dir.elev, ray.fatordist, number, order,
                                        static_cast<uint32_t>(part.records.size())});
                part.records.push_back({ray.startDir, ray.ID});
                part.energies.insert(part.energies.end(), ray.spectrum.begin(), ray.spectrum.end());
            }
        });
        for (Part& part : parts) {
            const uint32_t firstRecord = static_cast<uint32_t>(out.records.size());
            for (Member m : part.members) {
                m.line += lineNumber;
                m.record += firstRecord;
                out.members.push_back(m);
            }
            out.records.insert(out.records.end(), part.records.begin(), part.records.end());
            out.energies.insert(out.energies.end(), part.energies.begin(), part.energies.end());
            if (out.perOrder.size() < part.perOrder.size()) out.perOrder.resize(part.perOrder.size(), 0);
            for (std::size_t r = 0; r < part.perOrder.size(); ++r) out.perOrder[r] += part.perOrder[r];
            out.highOrders = out.highOrders || part.highOrders;
            out.highestOrder = std::max(out.highestOrder, part.highestOrder);
            lineNumber += part.lines;
            out.malformed += part.malformed;
        }
        carried = read.size() - whole;
        std::memmove(text.get(), text.get() + whole, carried);
    }
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

void TResult::Cluster()
{
    if (EarlyRefCount == 0) {
        DirectSoundIndex = MaxLength > 0 ? MaxLength - 1 : 0;
        return;
    }

    TRay work(NumBands);
    EarlyRayFile.Close();
    const bool hits = HitFileCreated != 0;
    if (hits) {
        EarlyHitFile.Close();
        earlyHitLinesLoaded_ = false;  // CopyHit reads the completed file
    }

    // The arrivals are held in memory, all at once or, when the file is large, a batch of
    // orders at a time, each batch read from the file again.
    const unsigned threads = std::max<uint32_t>(ClusterThreads, 1);
    constexpr uint32_t kAllOrders = 0xFFFFFFFFu;
    struct Batch {
        uint32_t lo, hi;
    };
    std::vector<Batch> batches;
    EarlyArrivals arrivals;
    int64_t highestOrder = -1;
    std::FILE* f = utilOpenFile(EarlyFileName, "rt");
    if (f) {
        std::fseek(f, 0, SEEK_END);
        const long bytes = std::ftell(f);
        unsigned malformed = 0;
        if (bytes >= 0 && static_cast<uint64_t>(bytes) > ClusterMemoryBytes) {
            EarlyArrivals counted;
            ReadEarly(f, NumBands, threads, false, 0, kAllOrders, counted);
            highestOrder = counted.highestOrder;
            malformed = counted.malformed;
            const std::size_t perRecord = sizeof(EarlyRecord) + sizeof(Member) + NumBands * sizeof(float);
            const uint64_t budget = std::max<uint64_t>(1, ClusterMemoryBytes / perRecord);
            uint64_t held = 0;
            for (uint32_t r = 0; r < counted.perOrder.size() && !counted.highOrders; ++r) {
                if (batches.empty() || (held > 0 && held + counted.perOrder[r] > budget)) {
                    batches.push_back({r, r});
                    held = 0;
                }
                batches.back().hi = r;
                held += counted.perOrder[r];
            }
            if (batches.size() == 1) batches.clear();
            if (!batches.empty()) batches.back().hi = kAllOrders;
        }
        if (batches.empty()) {
            ReadEarly(f, NumBands, threads, true, 0, kAllOrders, arrivals);
            highestOrder = arrivals.highestOrder;
            malformed = arrivals.malformed;
            batches.push_back({0, kAllOrders});
        }
        if (malformed) ErrorMessage("%u malformed lines skipped in %s\n", malformed, EarlyFileName.c_str());
    }

    auto writeRecord = [&](const Member& m, const float* bands) {
        const EarlyRecord& r = arrivals.records[m.record];
        work.index = m.index;
        work.fatordist = m.fatordist;
        work.dir.azim = m.azim;
        work.dir.elev = m.elev;
        work.startDir = r.startDir;
        work.reflections = static_cast<int32_t>(m.order);
        work.ID = r.ID;
        work.SetSpectrum(bands);
        if (!RayFile.IsOpen()) {
            Print("Erro de programação - arquivo para gravar raios nao está aberto!!!\n");
            return;
        }
        work.FixAzimuth();
        work.AppendLine(RayFile.Buffer());
        RayFile.Appended();
    };
    auto energiesOf = [&](const Member& m) {
        return &arrivals.energies[static_cast<std::size_t>(m.record) * NumBands];
    };
    auto writeAlone = [&](const Member& m) {
        if (hits) CopyHit(m.line, 1);
        writeRecord(m, energiesOf(m));
        if (m.index < DirectSoundIndex) DirectSoundIndex = m.index;
    };
    std::vector<float> sums(NumBands);
    auto writeGroups = [&](const Member* block, const TDirectionGroupList& groups) {
        if (groups.empty()) ShowErrorAndThrowExit(1, "Erro!! Nenhum par possui o valor maximo de fatodist!!!!\n");
        for (const std::vector<int>& group : groups) {
            std::fill(sums.begin(), sums.end(), 0.0f);
            const Member* rep = &block[group[0]];
            for (int pos : group) {
                const Member& m = block[pos];
                const float* e = energiesOf(m);
                for (unsigned b = 0; b < NumBands; ++b) sums[b] += e[b];
                if (m.fatordist > rep->fatordist) rep = &m;
            }
            if (hits) CopyHit(rep->line, static_cast<int>(group.size()));
            writeRecord(*rep, sums.data());
        }
    };

    int64_t r = 0;  // the next order to report
    for (const Batch& batch : batches) {
        if (batches.size() > 1) {
            arrivals = EarlyArrivals();
            ReadEarly(f, NumBands, threads, true, batch.lo, batch.hi, arrivals);
        }
        std::vector<Member>& members = arrivals.members;

        // By reflection order (file order kept within an order), then by time; the orders are
        // sorted by time on the worker threads.
        if (arrivals.highestOrder < (int64_t{1} << 20)) {
            std::vector<std::size_t> count(static_cast<std::size_t>(arrivals.highestOrder + 2), 0);
            for (const Member& m : members) ++count[m.order + 1];
            for (std::size_t k = 1; k < count.size(); ++k) count[k] += count[k - 1];
            std::vector<Member> byOrder(members.size());
            for (const Member& m : members) byOrder[count[m.order]++] = m;
            members.swap(byOrder);
        } else {
            std::stable_sort(members.begin(), members.end(),
                             [](const Member& a, const Member& b) { return a.order < b.order; });
        }
        std::vector<std::size_t> orderStart;  // where each order present begins, and the end
        for (std::size_t k = 0; k < members.size(); ++k)
            if (k == 0 || members[k].order != members[k - 1].order) orderStart.push_back(k);
        orderStart.push_back(members.size());
        ParallelFor(orderStart.size() - 1, threads, [&](std::size_t o) {
            std::stable_sort(members.begin() + static_cast<std::ptrdiff_t>(orderStart[o]),
                             members.begin() + static_cast<std::ptrdiff_t>(orderStart[o + 1]), ByIndex);
        });

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
        // written in order on this one.
        std::vector<TDirectionGroupList> grouped(pieces.size());
        {
            std::vector<std::size_t> todo;
            for (std::size_t k = 0; k < pieces.size(); ++k)
                if (pieces[k].NE > 1) todo.push_back(k);
            // Largest pieces first, so that no thread is left with a long one at the end.
            std::stable_sort(todo.begin(), todo.end(),
                             [&](std::size_t a, std::size_t b) { return pieces[a].NE > pieces[b].NE; });
            ParallelFor(todo.size(), threads, [&](std::size_t w) {
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
        }

        std::size_t piece = 0;
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
                const Piece& p = pieces[piece];
                if (p.NE == 1)
                    writeAlone(members[p.first]);
                else
                    writeGroups(&members[p.first], grouped[piece]);
                TDirectionGroupList().swap(grouped[piece]);
            }
        }
    }
    arrivals = EarlyArrivals();
    if (f) std::fclose(f);

    CloseRayFile();
    if (hits) CloseHitFile();
    earlyHitLines_.clear();
    earlyHitLines_.shrink_to_fit();
    earlyHitLinesLoaded_ = false;
    ClusterDone = true;
}
