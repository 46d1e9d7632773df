#include "simulation/TResult.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>

#include "directivity/TDirectivity.h"
#include "dsp/AcousticParams.h"
#include "geometry/ErrorHandler.h"
#include "geometry/HeldOutput.h"
#include "geometry/util.h"
#include "room/TReceiver.h"
#include "room/TSource.h"
#include "simulation/THitLine.h"
#include "simulation/TextFields.h"

namespace {

uint32_t PatternIRLength(const TDirectivity* d)
{
    if (!d || d->GetIRLength() < 1) return 1;
    return static_cast<uint32_t>(d->GetIRLength());
}

std::string PairFileName(const char* prefix, int S, int R, const char* tail)
{
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, "-S%.3d-R%.3d", S + 1, R + 1);
    return std::string(prefix ? prefix : "") + numbers + tail;
}

// Reads the whole file as lines without their line ends; blank lines are skipped, so that the
// line numbers are those of the records.
bool ReadRecordLines(const std::string& path, std::vector<std::string>& lines)
{
    lines.clear();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    std::string line;
    while (ReadTextLine(f, line))
        if (line.find_first_not_of(" \t") != std::string::npos) lines.push_back(line);
    std::fclose(f);
    return true;
}

}  // namespace

TResult::TResult() = default;

TResult::TResult(const TResultParam* params, TReceiver* rec, TSource* src)
{
    receiver = rec;
    source = src;
    MaxLength = params->MaxLength;
    BaseLength = params->BaseLength;
    NumBands = params->NumBands;
    FSample = params->FSample;
    VSound = params->VSound;
    NoiseTail = params->NoiseTail;
    ClusterOrder = static_cast<uint32_t>(params->FirstROrder);

    const TDirectivity* recPattern = rec ? rec->directivity : nullptr;
    const TDirectivity* srcPattern = src ? src->directivity : nullptr;
    NumChannels =
        recPattern && recPattern->GetNumChannels() > 0 ? static_cast<uint32_t>(recPattern->GetNumChannels()) : 1u;
    SourceIRLength = PatternIRLength(srcPattern);
    SourceIR.assign(SourceIRLength, 0.0f);
    SourceSpectrum.assign(NumBands, 0.0f);
    ReceiverIRLength = PatternIRLength(recPattern);
    ReceiverIR.assign(ReceiverIRLength, 0.0f);
    ReceiverSpectrum.assign(NumBands, 0.0f);
    LayerSpectrum.assign(NumBands, 1.0f);

    if (rec && src) SrcRecDistance = static_cast<float>(Module(rec->Position - src->Position));

    // The farthest distance at which the sphere still meets one of the source's rays, whole
    // metres, as a sample index.
    if (rec && src && FSample > 0.0f && VSound > 0.0f) {
        const float reach = MaxProbRayDistance(src->NumberOfRays, rec->GetRadius());
        const float metres = std::isfinite(reach) && reach > 0.0f ? std::floor(reach) : 0.0f;
        const float samples = metres / VSound * FSample;  // single precision, as stored
        MaxProbIndex = samples >= 4294967040.0f ? 0xFFFFFFFFu : static_cast<uint32_t>(samples);
    }

    // Twice the next power of two of the longer pattern response: room for their convolution.
    const uint32_t longer = std::max(SourceIRLength, ReceiverIRLength);
    uint32_t pow2 = 1;
    while (pow2 < longer) pow2 <<= 1;
    SpectrumLength = 2 * pow2;
    SourceFreqResp.assign(SpectrumLength, TComplex{0.0, 0.0});

    RecFactor = rec ? rec->ReceiverFactor() : 0.0f;

    DirectSoundRay = std::make_unique<TRay>(NumBands);
    DirectSoundRay->index = 0;
    DirectSoundRay->reflections = 0;
    DirectSoundRay->fatordist = 0.0f;

    Param.assign(NumBands + 1, TMonoParams{});

    AirAbs = params->AirAbsorption;
    AirAbs.resize(NumBands, 0.0);
    T60_estimate.assign(NumBands, 0.0f);
    RoomConst = params->RoomConst;
    RoomConst.resize(NumBands, 0.0f);
    MinFirstIndex = MaxLength;
    MaxFirstIndex = 0;

    AirAbsFactor.assign(NumBands, 0.0f);
    BGain.resize(NumBands);
    octaveFreqs.resize(NumBands);
    for (uint32_t b = 0; b < NumBands; ++b) {
        BGain[b] = 1.0f / std::ldexp(1.0f, static_cast<int>(b));
        octaveFreqs[b] = std::ldexp(1.0f, static_cast<int>(b)) * 62.5f / (FSample / 2.0f);
    }

    try {
        IR.assign(NumChannels, std::vector<std::vector<float>>(NumBands, std::vector<float>(MaxLength, 0.0f)));
    } catch (const std::bad_alloc&) {
        ShowErrorAndThrowExit(1, "Impossible to alocate memory for IR - Programing error.\n");
    }

    SourceFreqAuxMem.assign(SpectrumLength, TComplex{0.0, 0.0});
    HRIR_fft.assign(SpectrumLength, TComplex{0.0, 0.0});
    HRIR.assign(NumChannels, std::vector<float>(ReceiverIRLength, 0.0f));

    try {
        globalIR.assign(NumChannels, std::vector<float>(MaxLength, 0.0f));
    } catch (const std::bad_alloc&) {
        ShowErrorAndThrowExit(1, "Impossible to alocate memory for globalIR - Programing error.\n");
    }
}

TResult::~TResult()
{
    if (HitFileCreated) CloseHitFile();
    if (RayFileOpen) CloseRayFile();
    FreeAudio();
}

void TResult::FreeAudio()
{
    if (AudioCreated) Audio.clear();
    AudioCreated = false;
    AudioOutputLength = 0;
}

void TResult::SetLayerSpectrum(const float* spectrum)
{
    for (uint32_t b = 0; b < NumBands && b < LayerSpectrum.size(); ++b) LayerSpectrum[b] = spectrum[b];
}

// ---- Ray files -------------------------------------------------------------------------------

void TResult::CreateRayFile(int S, int R, const char* prefix)
{
    RayFileName = PairFileName(prefix, S, R, ".txt");
    if (!RayFile.Create(RayFileName)) {
        ShowErrorAndThrowExit(1, "Impossibel to open file " + RayFileName + " for recording");
    }
    EarlyFileName = PairFileName(prefix, S, R, "-EARLY.txt");
    if (!EarlyRayFile.Create(EarlyFileName)) {
        ShowErrorAndThrowExit(1, "Impossibel to open file " + EarlyFileName + " for recording");
    }
    EarlyArrivals.Reset(NumBands, EarlyFileName + ".records");
    spillFailed_ = false;
    RayFileOpen = 1;
}

void TResult::CloseRayFile()
{
    RayFile.Close();
    EarlyRayFile.Close();
    RayFileOpen = 0;
}

TPairFile* TResult::RayFileFor(int flag)
{
    TPairFile& file = flag == 0 ? EarlyRayFile : RayFile;
    if (file.IsOpen()) return &file;
    Print("Erro de programação - arquivo para gravar raios nao está aberto!!!\n");
    return nullptr;
}

void TResult::RayLineAppended(TPairFile& file, int flag)
{
    file.Appended();
    // Arrivals kept in a file count like inserted ones, so that the pair is clustered and
    // synthesised even when no direct ray reached the receiver.
    if (flag == 0)
        ++EarlyRefCount;
    else
        ++LateRefCount;
}

void TResult::SaveRay(TRay* ray, int flag)
{
    TPairFile* file = RayFileFor(flag);
    if (!file) return;
    ray->FixAzimuth();
    const std::size_t at = file->Buffer().size();
    ray->AppendLine(file->Buffer());
    if (flag == 0) KeepEarly(std::string_view(file->Buffer()).substr(at), nullptr);
    RayLineAppended(*file, flag);
}

void TResult::SaveRayLine(std::string_view line, int flag, const uint32_t* record)
{
    TPairFile* file = RayFileFor(flag);
    if (!file) return;
    file->Buffer().append(line);
    if (flag == 0) KeepEarly(line, record);
    RayLineAppended(*file, flag);
}

void TResult::KeepEarly(std::string_view line, const uint32_t* record)
{
    thread_local std::vector<uint32_t> parsed;
    if (!record) {
        parsed.resize(EarlyArrivalStore::Words(NumBands));
        // A line that is not a record of this pair's bands is one the clustering would skip.
        if (!EarlyArrivalStore::FromLine(line, NumBands, parsed.data())) {
            EarlyArrivals.SkipLine();
            return;
        }
        record = parsed.data();
    }
    // Held while they can be clustered in one batch; past that they are spilled, as the
    // clustering would read them in batches from the spill anyway.
    const uint64_t share = ClusterMemoryBytes / std::max<uint32_t>(ArrivalMemoryShare, 1);
    const uint64_t budget = ClusteredRecords(share, NumBands) * EarlyArrivalStore::Words(NumBands) * sizeof(uint32_t);
    // A pair's step stops within a long spill.
    bool stopped = false;
    EarlyArrivalStore::StopProbe stop;
    if (StopProbe) stop = [&] { return stopped = StopProbe(); };
    if (!EarlyArrivals.Add(record, budget, stop) && !spillFailed_) {
        // The records stay in memory: nothing is lost, the memory grows.
        spillFailed_ = true;
        ErrorMessage("Impossible to write file %s", (EarlyFileName + ".records").c_str());
    }
    if (stopped) throw PairStepStopped{};
}

void TResult::StopPoint() const
{
    if (StopProbe && StopProbe()) throw PairStepStopped{};
}

unsigned TResult::PairThreads() const
{
    return std::max(ThreadShare ? ThreadShare() : ClusterThreads, 1u);
}

void TResult::SaveRay(std::FILE* outfile, TRay* ray)
{
    if (!outfile) {
        Print("Erro de programação - arquivo para gravar raios nao está aberto!!!\n");
        return;
    }
    ray->Save(outfile);
}

// ---- Hit files -------------------------------------------------------------------------------

void TResult::CreateHitFile(int S, int R, const char* prefix)
{
    HitFileName = PairFileName(prefix, S, R, ".txt");
    if (!HitFile.Create(HitFileName)) {
        ShowErrorAndThrowExit(1, "Impossible to open file " + HitFileName + " for recording");
    }
    EarlyHitFileName = PairFileName(prefix, S, R, "-EARLY.txt");
    if (!EarlyHitFile.Create(EarlyHitFileName)) {
        ShowErrorAndThrowExit(1, "Impossible to open file " + EarlyHitFileName + " for recording");
    }
    earlyHitLines_.clear();
    earlyHitLinesLoaded_ = false;
    HitFileCreated = 1;
}

void TResult::CloseHitFile()
{
    if (!HitFileCreated) return;
    HitFile.Close();
    EarlyHitFile.Close();
    HitFileCreated = 0;
}

TPairFile* TResult::HitFileFor(int flag)
{
    TPairFile& file = flag == 0 ? EarlyHitFile : HitFile;
    if (file.IsOpen()) return &file;
    Print("Erro de programação - arquivo para gravar HITS nao está aberto!!!\n");
    return nullptr;
}

void TResult::HitLineAppended(TPairFile& file, int flag)
{
    file.Appended();
    if (flag == 0) earlyHitLinesLoaded_ = false;
}

void TResult::InsertHit(TRay* ray, const unsigned* Hit, int HitSize, int flag, float acum_costheta)
{
    TPairFile* file = HitFileFor(flag);
    if (!file) return;
    AppendHitLine(file->Buffer(), *ray, Hit, HitSize, 1, acum_costheta);
    HitLineAppended(*file, flag);
}

void TResult::InsertHitLine(std::string_view line, int flag)
{
    TPairFile* file = HitFileFor(flag);
    if (!file) return;
    file->Buffer().append(line);
    HitLineAppended(*file, flag);
}

void TResult::CopyHit(unsigned line, int NumRClustered)
{
    if (!earlyHitLinesLoaded_) {
        EarlyHitFile.Flush();
        if (!ReadRecordLines(EarlyHitFileName, earlyHitLines_)) {
            ErrorMessage("\n O arquivo %s nao pode ser aberto para %s!\n", EarlyHitFileName.c_str(), "leitura");
            earlyHitLines_.clear();
        }
        earlyHitLinesLoaded_ = true;
    }
    if (line >= earlyHitLines_.size()) return;
    if (!HitFile.IsOpen()) {
        Print("Erro de programação - arquivo para gravar HITS nao está aberto!!!\n");
        return;
    }

    // The head "%d %f %f %d " is read back and written again with the count replaced; the
    // rest of the line (the factor and the per-layer counts) is copied as it stands.
    const std::string& text = earlyHitLines_[line];
    std::string_view f[5];
    if (SplitFields(text, f, 5) < 4) return;
    int32_t index = 0;
    float azim = 0.0f, elev = 0.0f;
    if (!ParseInt(f[0], index) || !ParseFloat(f[1], azim) || !ParseFloat(f[2], elev)) return;
    std::size_t restAt = static_cast<std::size_t>(f[3].data() + f[3].size() - text.data());
    restAt = text.find_first_not_of(" \t", restAt);
    std::string& out = HitFile.Buffer();
    AppendInt(out, index);
    out += ' ';
    AppendFixed(out, azim, 6);
    out += ' ';
    AppendFixed(out, elev, 6);
    out += ' ';
    AppendInt(out, NumRClustered);
    out += ' ';
    if (restAt != std::string::npos) out.append(text, restAt, std::string::npos);
    out += '\n';
    HitFile.Appended();
}
