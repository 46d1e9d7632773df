// Clustering of early reflections: arrivals of one reflection order that reach the receiver
// within a few samples of each other from nearly the same direction are one reflection path;
// each group enters the response once, with the summed energies of its rays and the timing and
// direction of the ray that passed closest to the receiver's centre.
//
// The early ray file is read once into memory and grouped there. Sorting is stable, so equal
// keys keep their file order and the result does not depend on the sort implementation.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "geometry/ErrorHandler.h"
#include "geometry/util.h"
#include "simulation/TResult.h"
#include "simulation/TextFields.h"

namespace {

// A time gap of more than this many samples starts a new block.
constexpr uint32_t kBlockGapSamples = 10;
// A gap of more than this many degrees between consecutive sorted pair angles separates groups.
constexpr float kGroupGapDegrees = 10.0f;
// A block without such a gap whose widest pair exceeds this angle gets kGroupGapDegrees.
constexpr float kWideBlockDegrees = 50.0f;

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

// Unit vector of a direction in degrees, exactly as TDirection::Distancia forms it, so that
// angles from cached vectors equal Distancia's.
TVector UnitFromDegrees(TDirection d)
{
    constexpr double kPi = 3.1415926535897931;
    const float el = static_cast<float>(d.elev * kPi / 180.0);
    const float az = static_cast<float>(d.azim * kPi / 180.0);
    const float cel = std::cos(el);
    return {std::cos(az) * cel, std::sin(az) * cel, std::sin(el)};
}

float Angle(const TVector& a, const TVector& b) { return static_cast<float>(a.Angle(b)); }

// Every pair i < j of the block with its angle, in ascending angle; equal angles keep the order
// (i, j) in which the pairs are formed, as a stable sort with Dist_cmp gives. Angles are never
// negative, so their bit patterns order like their values: a stable radix sort on the bits
// (two passes of 16 bits) does it in linear time.
std::vector<dist_st> SortedPairs(const std::vector<TVector>& unit)
{
    const std::size_t NE = unit.size();
    std::vector<dist_st> formed;
    formed.reserve(NE * (NE - 1) / 2);
    for (std::size_t i = 0; i < NE; ++i)
        for (std::size_t j = i + 1; j < NE; ++j)
            formed.push_back({Angle(unit[i], unit[j]), static_cast<int32_t>(i), static_cast<int32_t>(j)});
    const std::size_t P = formed.size();
    std::vector<uint32_t> bits(P), order(P), next(P);
    for (std::size_t k = 0; k < P; ++k) {
        std::memcpy(&bits[k], &formed[k].dist, sizeof(uint32_t));
        order[k] = static_cast<uint32_t>(k);
    }
    std::vector<std::size_t> start(65537);
    for (int shift : {0, 16}) {
        std::fill(start.begin(), start.end(), 0);
        for (std::size_t k = 0; k < P; ++k) ++start[((bits[k] >> shift) & 0xFFFFu) + 1];
        for (std::size_t d = 1; d < start.size(); ++d) start[d] += start[d - 1];
        for (uint32_t k : order) next[start[(bits[k] >> shift) & 0xFFFFu]++] = k;
        order.swap(next);
    }
    std::vector<dist_st> sorted(P);
    for (std::size_t k = 0; k < P; ++k) sorted[k] = formed[order[k]];
    return sorted;
}

// Groups positions 0 .. NE-1 of one block by direction; groups in order of creation, each
// holding its members in block order.
std::vector<std::vector<int>> GroupByDirection(const Member* block, unsigned NE)
{
    std::vector<TVector> unit(NE);
    for (unsigned i = 0; i < NE; ++i) unit[i] = UnitFromDegrees(block[i].sub.dir);

    const std::vector<dist_st> pairs = SortedPairs(unit);

    // The threshold is the smallest gap above kGroupGapDegrees in the sorted angle list.
    unsigned expected = 1;
    float T = 360.0f;
    for (std::size_t k = 0; k + 1 < pairs.size(); ++k) {
        const float gap = pairs[k + 1].dist - pairs[k].dist;
        if (gap > kGroupGapDegrees) {
            ++expected;
            if (gap < T) T = gap;
        }
    }
    if (expected == 1 && pairs.back().dist > kWideBlockDegrees) {
        T = kGroupGapDegrees;
        expected = 2;
    }

    std::vector<std::vector<int>> groups;  // members kept in block order
    if (expected == 1) {
        groups.emplace_back();
        for (unsigned i = 0; i < NE; ++i) groups[0].push_back(static_cast<int>(i));
        return groups;
    }

    float strongest = 0.0f;
    for (unsigned i = 0; i < NE; ++i)
        if (block[i].sub.fatordist > strongest) strongest = block[i].sub.fatordist;
    const dist_st* start = nullptr;
    for (const dist_st& p : pairs)
        if (block[p.i].sub.fatordist == strongest || block[p.j].sub.fatordist == strongest) {
            start = &p;
            break;
        }
    if (!start) {
        ShowErrorAndThrowExit(1, "Erro!! Nenhum par possui o valor maximo de fatodist!!!!\n");
    }

    // Group centres: the plain means of the members' azimuths and elevations in degrees, summed
    // in block order; recomputed only for a group that gained a member.
    std::vector<int> groupOf(NE, -1);
    std::vector<TVector> centre;
    std::vector<char> stale;
    unsigned placed = 0;
    auto join = [&](int elem, int g) {
        std::vector<int>& m = groups[static_cast<std::size_t>(g)];
        m.insert(std::upper_bound(m.begin(), m.end(), elem), elem);
        groupOf[static_cast<std::size_t>(elem)] = g;
        stale[static_cast<std::size_t>(g)] = 1;
        ++placed;
    };
    auto newGroup = [&](int elem) {
        groups.emplace_back();
        centre.emplace_back();
        stale.push_back(1);
        join(elem, static_cast<int>(groups.size()) - 1);
    };
    newGroup(start->i);
    if (T > pairs[0].dist)
        join(start->j, 0);
    else
        newGroup(start->j);

    std::vector<float> angle;
    // The nearest group centre receives elem when nearer than T; otherwise elem starts a group.
    auto place = [&](int elem) {
        const std::size_t G = groups.size();
        angle.resize(G);
        for (std::size_t g = 0; g < G; ++g) {
            if (stale[g]) {
                float azim = 0.0f, elev = 0.0f;
                for (int p : groups[g]) {
                    azim += block[p].sub.dir.azim;
                    elev += block[p].sub.dir.elev;
                }
                const float n = static_cast<float>(groups[g].size());
                TDirection c;
                c.Set(azim / n, elev / n, 1.0f);
                centre[g] = UnitFromDegrees(c);
                stale[g] = 0;
            }
            angle[g] = Angle(centre[g], unit[static_cast<std::size_t>(elem)]);
        }
        const unsigned g = TResult::findPosMinFloat(angle.data(), static_cast<unsigned>(G));
        if (T > angle[g])
            join(elem, static_cast<int>(g));
        else
            newGroup(elem);
    };

    for (std::size_t k = 0; k < pairs.size() && placed < NE; ++k) {
        const int I = pairs[k].i, J = pairs[k].j;
        const float d = pairs[k].dist;
        const int gI = groupOf[static_cast<std::size_t>(I)], gJ = groupOf[static_cast<std::size_t>(J)];
        if (gI >= 0 && gJ >= 0) continue;
        if (gI >= 0 && T > d) join(J, gI);
        if (gJ >= 0 && T > d) join(I, gJ);
        if (groupOf[static_cast<std::size_t>(I)] < 0) place(I);
        if (groupOf[static_cast<std::size_t>(J)] < 0) place(J);
    }
    return groups;
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
    auto writeGroups = [&](const Member* block, unsigned NE) {
        for (const std::vector<int>& group : GroupByDirection(block, NE)) {
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
    std::size_t next = 0;
    for (int64_t r = 0; r <= highestOrder; ++r) {
        std::printf("\rClustering reflections of order %d ...", static_cast<int>(r));
        std::size_t end = next;
        while (end < members.size() && members[end].sub.Reflections == static_cast<uint32_t>(r)) ++end;
        if (end == next) {
            std::printf(" - No rays of order %d for clustering\n", static_cast<int>(r));
            continue;
        }
        Member* first = members.data() + next;
        const std::size_t n = end - next;
        next = end;
        std::stable_sort(first, first + n,
                         [](const Member& a, const Member& b) { return SubRayCmp_Index(a.sub, b.sub); });

        for (std::size_t b0 = 0; b0 < n;) {
            std::size_t b1 = b0 + 1;
            while (b1 < n && first[b1].sub.index - first[b1 - 1].sub.index <= kBlockGapSamples) ++b1;
            // Long blocks (diffuse arrivals) are grouped in consecutive pieces.
            const std::size_t limit = std::max<uint32_t>(MaxClusterBlock, 2);
            for (std::size_t p0 = b0; p0 < b1; p0 += limit) {
                const unsigned NE = static_cast<unsigned>(std::min(limit, b1 - p0));
                if (NE == 1)
                    writeAlone(first[p0]);
                else
                    writeGroups(first + p0, NE);
            }
            b0 = b1;
        }
    }

    CloseRayFile();
    if (hits) CloseHitFile();
    earlyHitLines_.clear();
    earlyHitLines_.shrink_to_fit();
    earlyHitLinesLoaded_ = false;
    ClusterDone = true;
}
