// A pair's impulse responses from its arrivals: reading, scaling to pressure, band filtering,
// broadband sum and front-delay removal; and the direct-sound step before the clustering.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <new>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "directivity/TDirectivity.h"
#include "dsp/FIRDesign.h"
#include "geometry/ErrorHandler.h"
#include "geometry/HeldOutput.h"
#include "geometry/util.h"
#include "room/TReceiver.h"
#include "room/TSource.h"
#include "simulation/BigBlockAllocator.h"
#include "simulation/ParallelFor.h"
#include "simulation/TResult.h"
#include "simulation/TextFields.h"

namespace {

[[noreturn]] void EarlyPartFailure(const char* format, int ch = -1, int band = -1)
{
    char text[160];
    std::snprintf(text, sizeof text, format, ch, band);
    ShowErrorAndThrowExit(1, text);
}

// Reads the first `limit` bytes of a ray file from its start in pieces whose lines are parsed
// on the threads share() gives for the piece, each part into records sized for its lines
// beforehand, and hands the records to take(words) in file order, one piece's records while the
// next piece is parsed (take is never called on two threads at once). Lines of blanks are
// skipped; returns the malformed lines.
template <class Share, class Take>
unsigned ReadRayRecords(std::FILE* f, uint64_t limit, unsigned numBands, const Share& share,
                        const std::function<void()>& stopPoint, Take&& take)
{
    using Store = EarlyArrivalStore;
    const std::size_t stride = Store::Words(numBands);
    constexpr std::size_t kPieceBytes = std::size_t{16} << 20;
    struct Part {
        std::string_view text;
        std::vector<uint32_t, BigBlockAllocator<uint32_t>> words;  // written before read
        std::size_t records = 0;
        unsigned malformed = 0;
    };
    // Two pieces: one parsed while the records of the other are taken. The text is read over
    // what a buffer held, so it is never cleared.
    struct Piece {
        std::vector<char, BigBlockAllocator<char>> text;
        std::vector<Part> parts;
        unsigned used = 0;  // parts parsed, their records not yet taken
    };
    Piece pieces[2];
    // Pieces no longer than what is read: a small file's buffer is not a whole piece of fresh
    // memory (one page fault per 4 kB).
    std::size_t piece = static_cast<std::size_t>(std::min<uint64_t>(kPieceBytes, limit));
    struct stat st {};
    if (::fstat(::fileno(f), &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 0)
        piece = std::min<std::size_t>(piece, static_cast<std::size_t>(st.st_size) + 1);
    piece = std::max<std::size_t>(piece, 1);
    std::size_t carried = 0, carriedFrom = 0;  // the last piece's partial line, and where it is
    uint64_t left = limit;
    unsigned malformed = 0;
    auto takeAll = [&](Piece& done) {
        for (unsigned t = 0; t < done.used; ++t) {
            const Part& part = done.parts[t];
            for (std::size_t k = 0; k < part.records; ++k) take(&part.words[k * stride]);
            malformed += part.malformed;
        }
        done.used = 0;
    };
    for (unsigned cur = 0;; cur ^= 1) {
        if (stopPoint) stopPoint();
        Piece& now = pieces[cur];
        Piece& last = pieces[cur ^ 1];
        const std::size_t want = static_cast<std::size_t>(std::min<uint64_t>(piece, left));
        if (now.text.size() < carried + want) now.text.resize(carried + want);
        if (carried > 0) std::memcpy(now.text.data(), last.text.data() + carriedFrom, carried);
        const std::size_t got = want > 0 ? std::fread(now.text.data() + carried, 1, want, f) : 0;
        left -= got;
        const bool end = got < want || left == 0;
        const std::size_t size = carried + got;
        // Whole lines only, unless the text ends (its last line may lack a newline).
        std::size_t whole = size;
        if (!end) {
            const std::string_view held(now.text.data(), size);
            const std::size_t nl = held.rfind('\n');
            whole = nl == std::string_view::npos ? 0 : nl + 1;
        }
        const std::string_view all(now.text.data(), whole);
        const unsigned threads = share();
        if (now.parts.size() < threads) now.parts.resize(threads);
        std::size_t from = 0;
        for (unsigned t = 0; t < threads; ++t) {
            std::size_t to = t + 1 == threads ? all.size() : all.size() * (t + 1) / threads;
            if (to < from) to = from;
            if (to < all.size() && to > 0) {
                const std::size_t nl = all.find('\n', to - 1);
                to = nl == std::string_view::npos ? all.size() : nl + 1;
            }
            now.parts[t].text = all.substr(from, to - from);
            from = to;
        }
        // The last piece's records are taken as one more task beside the parts' parsing.
        const std::size_t first = last.used > 0 ? 1 : 0;
        ParallelFor(threads + first, threads, [&](std::size_t task) {
            if (task < first) {
                takeAll(last);
                return;
            }
            Part& part = now.parts[task - first];
            const std::size_t lines =
                static_cast<std::size_t>(std::count(part.text.begin(), part.text.end(), '\n')) + 1;
            part.words.resize(lines * stride);
            part.records = 0;
            part.malformed = 0;
            std::string_view rest = part.text;
            while (!rest.empty()) {
                const std::size_t nl = rest.find('\n');
                std::string_view line = rest.substr(0, nl);
                rest = nl == std::string_view::npos ? std::string_view() : rest.substr(nl + 1);
                if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
                if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
                if (Store::FromLine(line, numBands, &part.words[part.records * stride]))
                    ++part.records;
                else
                    ++part.malformed;
            }
        });
        now.used = threads;
        carried = size - whole;
        carriedFrom = whole;
        if (end) {
            takeAll(now);
            break;
        }
    }
    return malformed;
}

unsigned FrontDelay(TDirectivity* pattern)
{
    return pattern ? pattern->GetFrontDelay() : 0u;
}

}  // namespace

float TResult::DirectSoundSPL() const
{
    // Each band carries the source's power over the whole spectrum; the synthesis bands keep a
    // band's share of it. The record's bands are summed through them, with the air absorption
    // over the direct path, as the synthesis does it.
    if (!DirectSoundRay) return -std::numeric_limits<float>::infinity();
    const TRay& D = *DirectSoundRay;
    // The direct sound's sample (the record keeps none when it was read back from a ray file).
    const float metres = static_cast<float>(DirectSoundIndex) * (VSound / FSample);
    auto air = [&](uint32_t b) { return b < AirAbs.size() ? static_cast<float>(std::exp(-AirAbs[b] * metres)) : 1.0f; };
    // A receiver given by band magnitudes weights the direct sound per channel, and the
    // parameters take the mean of the channels.
    std::vector<float> receiverGain(NumBands, 1.0f);
    TDirectivity* recPattern = receiver ? receiver->directivity : nullptr;
    if (recPattern && recPattern->DAFFType == 1 && NumChannels > 0) {
        std::vector<float> mag(NumBands);
        std::fill(receiverGain.begin(), receiverGain.end(), 0.0f);
        const float azim = FixAzimuth(D.dir.azim - static_cast<float>(receiver->AzimRotation));
        for (uint32_t ch = 0; ch < NumChannels; ++ch) {
            recPattern->GetMagnitudes(azim, D.dir.elev, ch, mag.data());
            for (uint32_t b = 0; b < NumBands; ++b) receiverGain[b] += mag[b] / static_cast<float>(NumChannels);
        }
    }
    double sum2 = 0.0;
    if (BaseLength == 0) {
        for (uint32_t b = 0; b < NumBands && b < D.num_bands; ++b) {
            const double a = std::sqrt(D.spectrum[b]) * air(b) * receiverGain[b];
            sum2 += a * a;
        }
    } else {
        std::vector<float> h(BaseLength);
        std::vector<double> d(BaseLength, 0.0);
        for (uint32_t b = 0; b < NumBands && b < D.num_bands; ++b) {
            const float E = D.spectrum[b];
            if (!(E > 0.0f)) continue;
            SynthesisBandDesign(h.data(), BaseLength, octaveFreqs.data(), NumBands, b);
            const double a = std::sqrt(E) * air(b) * receiverGain[b];
            for (uint32_t n = 0; n < BaseLength; ++n) d[n] += a * h[n];
        }
        for (double v : d) sum2 += v * v;
    }
    const double pressure2 = sum2 * Rho * VSound * RecFactor * RecFactor;
    return static_cast<float>(10.0 * std::log10(pressure2 / (2e-5 * 2e-5)));
}

void TResult::ProcessDirectSound(int NumPlaneLayers)
{
    if (!DirectSoundRay || DirectSoundRay->reflections == 0) {
        Print("No Direct Sound!\n");
        return;
    }
    TRay& D = *DirectSoundRay;
    const int count = D.reflections;
    Print("Direct Sound: ");
    Print("Index: %d (%1.2f m)", static_cast<int>(DirectSoundIndex),
          static_cast<double>(DirectSoundIndex / FSample * VSound));
    Print(" - ");
    Print("Rays: %d", count);
    Print(" - ");
    Print("SPL: %1.2f\n", static_cast<double>(DirectSoundSPL()));
    Print("\n");

    // The direct sound enters the clustering as one order-0 arrival with the summed energies.
    D.reflections = 0;
    SaveRay(&D, 0);
    DirectSoundIndex = D.index;
    if (HitFileCreated) {
        const std::vector<unsigned> counts(NumPlaneLayers > 0 ? static_cast<std::size_t>(NumPlaneLayers) : 1u, 0u);
        InsertHit(&D, counts.data(), NumPlaneLayers > 0 ? NumPlaneLayers : 0, 0, 1.0f);
    }
    D.reflections = count;
}

float TResult::GetSPL()
{
    return Param.size() > NumBands ? Param[NumBands].SPL : 0.0f;
}

void TResult::GetImpulseResponses()
{
    if (EarlyRefCount + LateRefCount == 0) return;
    GetImpulseResponsesfromRAYS(RayFileName.c_str());
}

void TResult::GetGlobalIR()
{
    const bool haveEarly = IR_Early.size() >= NumChannels;
    for (uint32_t ch = 0; ch < NumChannels; ++ch) {
        float* g = globalIR[ch].data();
        for (uint32_t b = 0; b < NumBands; ++b) {
            const float* late = IR[ch][b].data();
            const float* early = haveEarly ? IR_Early[ch][b].data() : nullptr;
            for (uint32_t n = 0; n < MaxLength; ++n) g[n] += (early ? early[n] : 0.0f) + late[n];
        }
    }
}

void TResult::GetImpulseResponsesfromRAYS(const char* rayfilename)
{
    TRay ray(NumBands);
    auto threads = [this] { return PairThreads(); };
    Print("Creating Impulse Responses from Reflections ...\n");

    // The early part, created zeroed for this step only.
    IR_Early.clear();
    try {
        IR_Early.resize(NumChannels);
    } catch (const std::bad_alloc&) {
        EarlyPartFailure("Impossible to alocate memory for IR_Early - Programing error.\n");
    }
    for (uint32_t ch = 0; ch < NumChannels; ++ch) {
        try {
            IR_Early[ch].resize(NumBands);
        } catch (const std::bad_alloc&) {
            EarlyPartFailure("Impossible to alocate memory for IR_Early[%d] - Programing error.\n",
                             static_cast<int>(ch));
        }
        for (uint32_t b = 0; b < NumBands; ++b) {
            try {
                IR_Early[ch][b].assign(MaxLength, 0.0f);
            } catch (const std::bad_alloc&) {
                EarlyPartFailure("Impossible to alocate memory for IR_Early[%d][%d] - Programing error.\n",
                                 static_cast<int>(ch), static_cast<int>(b));
            }
        }
    }

    // Lines of the pair's own ray file may still wait in memory when the clustering left it
    // open (a pair without early arrivals).
    const std::string path = rayfilename ? rayfilename : "";
    if (RayFile.IsOpen() && RayFile.Path() == path) RayFile.Flush();
    // The records of the clustered lines, when the clustering kept them for this file.
    struct {
        bool used = false;
        uint64_t from = 0;
        EarlyArrivalStore::RecordWords records;
    } held;
    held.used = clusteredHeld_ && ClusterDone && RayFile.Path() == path && !RayFile.Failed();
    held.from = clusteredFrom_;
    if (held.used) held.records.swap(clusteredRecords_);
    DropClusteredRecords();

    // A pair made without ray files has nothing to read; its late part is still processed.
    if (!path.empty() && utilGetFileSize(path.c_str()) != 0) {
        if (std::FILE* f = utilOpenFile(path, "rb")) {
            // A run's ray file holds its late arrivals first, then the clustered early ones,
            // which start with the direct sound's record. Where every order counts as early
            // (stored ray files), that record tells the two apart.
            RecordsBeforeClustered = ClusterOrder > static_cast<uint32_t>(std::numeric_limits<int32_t>::max());
            using Store = EarlyArrivalStore;
            auto asFloat = [](uint32_t bits) {
                float v;
                std::memcpy(&v, &bits, sizeof v);
                return v;
            };
            std::function<void()> stopPoint;
            if (StopProbe) stopPoint = [this] { StopPoint(); };
            // The clustered lines at the file's end are taken from the records kept when they
            // were written (what parsing them gives), where the text before them ends a line.
            bool memory = held.used;
            if (memory && held.from > 0) {
                memory = std::fseek(f, static_cast<long>(held.from - 1), SEEK_SET) == 0 && std::fgetc(f) == '\n' &&
                         std::fseek(f, 0, SEEK_SET) == 0;
                if (!memory) std::rewind(f);
            }
            auto insert = [&](const uint32_t* w) {
                ray.index = w[Store::kIndex];
                ray.fatordist = asFloat(w[Store::kFatordist]);
                ray.dir.azim = asFloat(w[Store::kAzim]);
                ray.dir.elev = asFloat(w[Store::kElev]);
                ray.reflections = static_cast<int32_t>(w[Store::kOrder]);
                ray.startDir.azim = asFloat(w[Store::kStartAzim]);
                ray.startDir.elev = asFloat(w[Store::kStartElev]);
                ray.ID = static_cast<int32_t>(w[Store::kId]);
                for (uint32_t b = 0; b < NumBands; ++b) ray.spectrum[b] = asFloat(w[Store::kHeadWords + b]);
                if (ray.reflections == 0) RecordsBeforeClustered = false;
                ++NumReflections;
                InsertRay(&ray);
            };
            const unsigned malformed = ReadRayRecords(f, memory ? held.from : std::numeric_limits<uint64_t>::max(),
                                                      NumBands, threads, stopPoint, insert);
            if (memory) {
                const std::size_t stride = Store::Words(NumBands);
                for (std::size_t k = 0; k < held.records.size(); k += stride) {
                    if (k % (stride << 16) == 0) StopPoint();
                    insert(&held.records[k]);
                }
            }
            RecordsBeforeClustered = false;
            std::fclose(f);
            if (malformed) Print("Warning: %u malformed lines of %s were skipped\n", malformed, path.c_str());
        }
    }

    // Energies to sound pressure, with air absorption over the distance of each sample; the
    // bands on the pair's threads (each value is formed as on one thread).
    const float s = std::sqrt(Rho * VSound);
    const float k = VSound / FSample;
    ParallelFor(NumBands, threads, [&](std::size_t b) {
        float air = 0.0f;
        for (uint32_t n = 0; n < MaxLength; ++n) {
            const float d = static_cast<float>(n) * k;
            air = static_cast<float>(std::exp(-AirAbs[b] * d));
            for (uint32_t ch = 0; ch < NumChannels; ++ch) {
                float& e = IR_Early[ch][b][n];
                e = e * s * air * RecFactor;
                float& l = IR[ch][b][n];
                l = l * s * air * RecFactor;
            }
        }
        if (MaxLength > 0) AirAbsFactor[b] = air;
    });
    Print(" Done.\n");
    StopPoint();

    if (NoiseTail) AddArtificialTail_LateRays();

    // Band filtering: both parts through the same linear-phase bands, which add up to a pure
    // delay, so that the broadband response is flat and the early part hands over to the late
    // part without a step. The early part needs filtering only over the samples that can hold
    // early energy. Bands are filtered on the pair's threads.
    Print("Subband Filtering ...");
    const uint64_t shortEnd = static_cast<uint64_t>(MaxFirstIndex) + BaseLength;
    const uint32_t ShortLength = shortEnd < MaxLength ? static_cast<uint32_t>(shortEnd) : MaxLength;
    ParallelFor(NumBands, threads, [&](std::size_t b) {
        StopPoint();
        if (BaseLength == 0) return;
        std::vector<float> BandFilter(BaseLength, 0.0f);
        SynthesisBandDesign(BandFilter.data(), BaseLength, octaveFreqs.data(), NumBands, static_cast<unsigned>(b));
        for (uint32_t ch = 0; ch < NumChannels; ++ch) {
            if (ShortLength > 0) Filter(IR_Early[ch][b].data(), ShortLength, BandFilter.data(), BaseLength);
            if (MaxLength > 0) Filter(IR[ch][b].data(), MaxLength, BandFilter.data(), BaseLength);
        }
    });
    for (uint32_t b = 0; b < NumBands; ++b)
        Print("\rSubband Filtering ... %d/%d    ", static_cast<int>(b + 1), static_cast<int>(NumBands));
    Print("\rSubband Filtering ... Done!\n");

    GetGlobalIR();

    // The patterns' front delays come off the broadband response (the band parts keep theirs).
    const uint64_t Delay = static_cast<uint64_t>(FrontDelay(source ? source->directivity : nullptr)) +
                           FrontDelay(receiver ? receiver->directivity : nullptr);
    if (Delay > 0) {
        if (Delay >= MaxLength)
            Print("Warning: front delay of %llu samples is not shorter than the response (%u samples)\n",
                  static_cast<unsigned long long>(Delay), MaxLength);
        for (uint32_t ch = 0; ch < NumChannels; ++ch) {
            float* g = globalIR[ch].data();
            if (Delay >= MaxLength) {
                std::fill(g, g + MaxLength, 0.0f);
                continue;
            }
            const uint32_t D = static_cast<uint32_t>(Delay);
            for (uint32_t n = 0; n + D < MaxLength; ++n) g[n] = g[n + D];
            std::fill(g + (MaxLength - D), g + MaxLength, 0.0f);
        }
    }

    IR_Early.clear();
    IR_Early.shrink_to_fit();
}
