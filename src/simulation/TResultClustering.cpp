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
#include <string>
#include <vector>

#include "geometry/ErrorHandler.h"
#include "geometry/util.h"
#include "simulation/DirectionGroups.h"
#include "simulation/ParallelFor.h"
#include "simulation/TResult.h"
#include "simulation/TextFields.h"

namespace {

// A time gap of more than this many samples starts a new block.
constexpr uint32_t kBlockGapSamples = 10;
// One record of the early ray file as read back (the values of its text line).
struct EarlyRecord {
    uint32_t index;
    float fatordist;
    TDirection dir;
    TDirection startDir;
    int32_t reflections;
    int32_t ID;
};

// An arrival as clustering sees it, with where its full record is kept.
struct Member {
    TSubRay sub;  // FileListIndex: its line in the early ray file (and early hit file)
    uint32_t record;
};

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

int TResult::ElementoTemGrupo(const std::vector<std::vector<int>>& grupo, unsigned grupos_criados,
                              unsigned elem)
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
    std::printf("=========================================================\n");
    for (unsigned g = 0; g < grupos_criados && g < grupo.size(); ++g) {
        std::printf("grupo [%.2u] = ", g);
        for (unsigned e = 0; e < NE && e < grupo[g].size(); ++e)
            if (grupo[g][e] != 0) std::printf("%.3u ", e);
        std::printf("\n");
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

    // Every record of the early ray file, once.
    std::vector<EarlyRecord> records;
    std::vector<float> energies;  // NumBands per record
    std::vector<Member> members;
    int64_t highestOrder = -1;
    if (std::FILE* f = utilOpenFile(EarlyFileName, "rt")) {
        std::string line;
        uint32_t lineNumber = 0;
        unsigned malformed = 0;
        while (ReadTextLine(f, line)) {
            if (line.find_first_not_of(" \t") == std::string::npos) continue;
            const uint32_t number = lineNumber++;
            if (!work.ParseLine(line)) {
                ++malformed;
                continue;
            }
            Member m;
            m.sub.index = work.index;
            m.sub.dir = work.dir;
            m.sub.fatordist = work.fatordist;
            m.sub.FileListIndex = number;
            m.sub.Reflections = static_cast<uint32_t>(work.reflections);
            m.record = static_cast<uint32_t>(records.size());
            members.push_back(m);
            records.push_back({work.index, work.fatordist, work.dir, work.startDir, work.reflections, work.ID});
            energies.insert(energies.end(), work.spectrum.begin(), work.spectrum.end());
            highestOrder = std::max<int64_t>(highestOrder, m.sub.Reflections);
        }
        std::fclose(f);
        if (malformed) ErrorMessage("%u malformed lines skipped in %s\n", malformed, EarlyFileName.c_str());
    }

    auto writeRecord = [&](const EarlyRecord& r, const float* bands) {
        work.index = r.index;
        work.fatordist = r.fatordist;
        work.dir = r.dir;
        work.startDir = r.startDir;
        work.reflections = r.reflections;
        work.ID = r.ID;
        work.SetSpectrum(bands);
        if (!RayFile.IsOpen()) {
            std::printf("Erro de programação - arquivo para gravar raios nao está aberto!!!\n");
            return;
        }
        work.FixAzimuth();
        work.AppendLine(RayFile.Buffer());
        RayFile.Appended();
    };
    auto writeAlone = [&](const Member& m) {
        if (hits) CopyHit(m.sub.FileListIndex, 1);
        writeRecord(records[m.record], &energies[static_cast<std::size_t>(m.record) * NumBands]);
        if (m.sub.index < DirectSoundIndex) DirectSoundIndex = m.sub.index;
    };
    std::vector<float> sums(NumBands);
    auto writeGroups = [&](const Member* block, const TDirectionGroupList& groups) {
        if (groups.empty()) {
            const char* text = "Erro!! Nenhum par possui o valor maximo de fatodist!!!!\n";
            ErrorMessage(std::string(text));
            SorviExitProcess(1, text);
        }
        for (const std::vector<int>& group : groups) {
            std::fill(sums.begin(), sums.end(), 0.0f);
            const Member* rep = &block[group[0]];
            for (int pos : group) {
                const Member& m = block[pos];
                const float* e = &energies[static_cast<std::size_t>(m.record) * NumBands];
                for (unsigned b = 0; b < NumBands; ++b) sums[b] += e[b];
                if (m.sub.fatordist > rep->sub.fatordist) rep = &m;
            }
            if (hits) CopyHit(rep->sub.FileListIndex, static_cast<int>(group.size()));
            writeRecord(records[rep->record], sums.data());
        }
    };

    // By reflection order (file order kept within an order), then by time.
    std::stable_sort(members.begin(), members.end(),
                     [](const Member& a, const Member& b) { return a.sub.Reflections < b.sub.Reflections; });
    struct Piece {
        std::size_t first;
        unsigned NE;
    };
    std::vector<Piece> pieces;
    // Time blocks of each order present; long blocks (diffuse arrivals) are grouped in
    // consecutive pieces.
    const std::size_t limit = std::max<uint32_t>(MaxClusterBlock, 2);
    for (std::size_t next = 0; next < members.size();) {
        std::size_t end = next;
        while (end < members.size() && members[end].sub.Reflections == members[next].sub.Reflections) ++end;
        std::stable_sort(members.begin() + static_cast<std::ptrdiff_t>(next),
                         members.begin() + static_cast<std::ptrdiff_t>(end),
                         [](const Member& a, const Member& b) { return SubRayCmp_Index(a.sub, b.sub); });
        for (std::size_t b0 = next; b0 < end;) {
            std::size_t b1 = b0 + 1;
            while (b1 < end && members[b1].sub.index - members[b1 - 1].sub.index <= kBlockGapSamples) ++b1;
            for (std::size_t p0 = b0; p0 < b1; p0 += limit)
                pieces.push_back({p0, static_cast<unsigned>(std::min(limit, b1 - p0))});
            b0 = b1;
        }
        next = end;
    }

    // The pieces of two or more arrivals are grouped on the worker threads, the results
    // written in order on this one.
    std::vector<TDirectionGroupList> grouped(pieces.size());
    {
        std::vector<std::size_t> work;
        for (std::size_t k = 0; k < pieces.size(); ++k)
            if (pieces[k].NE > 1) work.push_back(k);
        // Largest pieces first, so that no thread is left with a long one at the end.
        std::stable_sort(work.begin(), work.end(),
                         [&](std::size_t a, std::size_t b) { return pieces[a].NE > pieces[b].NE; });
        ParallelFor(work.size(), std::max<uint32_t>(ClusterThreads, 1), [&](std::size_t w) {
            thread_local TDirectionGroupsWork buffers;
            thread_local std::vector<TDirection> dirs;
            thread_local std::vector<float> factors;
            const Piece& p = pieces[work[w]];
            dirs.resize(p.NE);
            factors.resize(p.NE);
            for (unsigned i = 0; i < p.NE; ++i) {
                dirs[i] = members[p.first + i].sub.dir;
                factors[i] = members[p.first + i].sub.fatordist;
            }
            grouped[work[w]] = GroupDirections(dirs.data(), factors.data(), p.NE, buffers);
        });
    }

    std::size_t piece = 0;
    for (int64_t r = 0; r <= highestOrder; ++r) {
        std::printf("\rClustering reflections of order %d ...", static_cast<int>(r));
        auto inOrder = [&] {
            return piece < pieces.size() && members[pieces[piece].first].sub.Reflections == static_cast<uint32_t>(r);
        };
        if (!inOrder()) {
            std::printf(" - No rays of order %d for clustering\n", static_cast<int>(r));
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

    CloseRayFile();
    if (hits) CloseHitFile();
    earlyHitLines_.clear();
    earlyHitLines_.shrink_to_fit();
    earlyHitLinesLoaded_ = false;
    ClusterDone = true;
}
