#pragma once
// Everything the simulation computes for one source-receiver pair: arrival counters, the band
// responses per receiver channel (late part IR; early part IR_Early only while the responses are
// built), the broadband response per channel, the direct-sound record, the working buffers of
// the directivity lookups, the pair's ray and hit files, and the parameters per band.
//
// Arrays are indexed [channel][band][sample] (IR, IR_Early), [channel][sample] (globalIR,
// HRIR, Audio) or [band]. Band responses hold amplitudes (square roots of energies weighted by
// the directivities) until the synthesis turns them into pressure.
//
// Construction, files and small operations: TResult.cpp; arrival insertion:
// TResultInsert.cpp; clustering of early reflections: TResultClustering.cpp.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dsp/TMonoParams.h"
#include "geometry/TComplex.h"
#include "geometry/TDirection.h"
#include "simulation/EarlyArrivalStore.h"
#include "simulation/PairFile.h"
#include "simulation/TRay.h"
#include "simulation/TResultParam.h"

class TReceiver;
class TSource;

// Thrown by a pair's response steps when its StopProbe answers true: the step ended part way.
struct PairStepStopped {};

class TResult {
public:
    using BandResponses = std::vector<std::vector<std::vector<float>>>;  // [ch][band][sample]

    // =========================================================================================
    // Fields (in this order)
    // =========================================================================================
    float Rho = 1.2041f;         // air density, kg/m^3
    uint32_t EarlyRefCount = 0;  // early arrivals written or inserted, plus the direct sound
    uint32_t LateRefCount = 0;   // late arrivals written or inserted
    bool ClusterDone = false;
    uint32_t MaxProbIndex = 0;  // sample of the farthest reliable reception
    uint32_t noiseStart = 0;    // first sample of the artificial tail
    uint32_t MaxReflectionIndex = 0;
    uint32_t MaxReflection = 0;
    bool NoiseTail = false;
    float RoomArea = 1.0f;
    float VSound = 0.0f;          // m/s
    uint32_t BaseLength = 0;      // band-filter length, samples
    uint32_t NumReflections = 0;  // arrivals passed to InsertRay
    uint32_t DirectSoundIndex = 0;
    // Ray and hit files, appended in blocks (see PairFile.h).
    TPairFile HitFile;       // late arrivals
    TPairFile RayFile;       // late arrivals, then the clustered early arrivals
    TPairFile EarlyRayFile;  // early arrivals and the direct sound
    TPairFile EarlyHitFile;  // early arrivals and the direct sound
    std::string RayFileName;
    std::string EarlyFileName;
    std::string HitFileName;
    std::string EarlyHitFileName;
    // The early ray file's records as the clustering reads them (held apart from the text).
    EarlyArrivalStore EarlyArrivals;
    std::vector<double> AirAbs;            // [band] nepers per metre
    std::vector<float> T60_estimate;       // [band] seconds, fitted by the artificial tail
    std::vector<float> octaveFreqs;        // [band] 62.5 * 2^b / (FSample / 2)
    std::vector<float> RoomConst;          // [band]
    TReceiver* receiver = nullptr;         // not owned
    TSource* source = nullptr;             // not owned
    float RecFactor = 0.0f;                // 1 / (sqrt(pi) * receiver radius)
    std::vector<std::vector<float>> HRIR;  // [ch][ReceiverIRLength]
    std::vector<float> SourceIR;           // [SourceIRLength]
    std::vector<float> ReceiverIR;         // [ReceiverIRLength], unused
    std::vector<float> SourceSpectrum;     // [band]
    std::vector<float> ReceiverSpectrum;   // [band]
    std::vector<float> LayerSpectrum;      // [band] source layer gains
    uint32_t SourceIRLength = 0;
    uint32_t ReceiverIRLength = 0;
    uint32_t SpectrumLength = 0;  // FFT length of the convolution buffers
    std::vector<TComplex> SourceFreqResp;
    std::vector<TComplex> SourceFreqAuxMem;  // unused
    std::vector<TComplex> HRIR_fft;
    uint32_t MaxFirstIndex = 0;       // latest early arrival inserted
    uint32_t MinFirstIndex = 0;       // earliest arrival inserted (MaxLength at first)
    std::vector<float> AirAbsFactor;  // [band] scratch of the synthesis
    uint32_t NumBands = 0;
    uint32_t MaxLength = 0;  // samples
    float FSample = 0.0f;    // Hz
    uint32_t NumRays = 0;
    uint32_t NumChannels = 0;
    BandResponses IR;        // late part
    BandResponses IR_Early;  // early part; empty outside the synthesis
    float energiatotal = 0.0f;
    std::vector<float> BGain;               // [band] 1 / 2^b
    std::vector<std::vector<float>> Audio;  // [ch][AudioOutputLength] while AudioCreated
    bool AudioCreated = false;
    std::unique_ptr<TRay> DirectSoundRay;  // its `reflections` counts the direct rays
    int32_t RayFileOpen = 0;
    int32_t HitFileCreated = 0;
    std::vector<std::vector<float>> globalIR;  // [ch][MaxLength] broadband response
    float SrcRecDistance = 0.0f;               // m
    std::vector<TMonoParams> Param;            // [NumBands + 1]; the last is the broadband set
    // Direct-sound lines of a stored parameter file, written again in place of the computed ones
    // when the response was read back (its direct sound is not known then); empty otherwise.
    std::string KeptDirectSound;
    uint32_t AudioOutputLength = 0;
    // Highest reflection order treated as early, compared as unsigned: a negative cluster-order
    // setting makes every arrival early.
    uint32_t ClusterOrder = 0xFFFFFFFFu;

    // Blocks of early arrivals larger than this are clustered in consecutive pieces of this
    // many arrivals, so memory and time stay bounded (the pairwise angle list grows with the
    // square of the block).
    uint32_t MaxClusterBlock = 1024;
    // Threads that read and group the early arrivals; the output is the same for any count.
    uint32_t ClusterThreads = 1;
    // When set, asked instead of ClusterThreads at every parallel step and within it (the cores
    // shared by the pairs running side by side, which grow as other pairs end).
    std::function<unsigned()> ThreadShare;
    // An early ray file larger than this is clustered some reflection orders at a time, each
    // batch of orders holding about this many bytes of arrivals in memory.
    uint64_t ClusterMemoryBytes = uint64_t{768} << 20;
    // Pairs whose early records are held at once while the rays are traced: each holds at most
    // ClusterMemoryBytes / this many bytes in memory, the rest is spilled.
    uint32_t ArrivalMemoryShare = 1;
    // Asked within the clustering, the synthesis and a spill of the early records; true ends the
    // step with PairStepStopped.
    std::function<bool()> StopProbe;

    // Set while the synthesis reads the records that precede the clustered ones in a ray file
    // (the late arrivals a run stored before the direct sound's record): they take the late
    // arrivals' polarity even where every order counts as early (responses from stored ray
    // files), so that a rebuilt response equals the run's.
    bool RecordsBeforeClustered = false;

    // =========================================================================================
    // Construction (TResult.cpp)
    // =========================================================================================
    // Allocates nothing and sets ClusterOrder to the largest unsigned value.
    TResult();
    // Sizes every buffer from the settings and the pair's patterns; opens no file.
    TResult(const TResultParam* params, TReceiver* rec, TSource* src);
    ~TResult();
    TResult(const TResult&) = delete;
    TResult& operator=(const TResult&) = delete;

    void FreeAudio();
    void SetNumRays(unsigned NRays) { NumRays = NRays; }
    // Copies NumBands gains.
    void SetLayerSpectrum(const float* spectrum);
    unsigned GetNumChannels() const { return NumChannels; }
    unsigned GetDirectSoundIndex() const { return DirectSoundIndex; }

    // =========================================================================================
    // Ray and hit files (TResult.cpp)
    // =========================================================================================
    // "<prefix>-S%.3d-R%.3d.txt" and "...-EARLY.txt" with S + 1, R + 1, both created empty.
    // A file that cannot be created shows its message and ends the process with status 1.
    void CreateRayFile(int S, int R, const char* prefix);
    void CloseRayFile();
    // Appends the arrival's ray-file line to the early ray file (flag 0) or the ray file
    // (flag 1) and counts it as an early or late arrival. Not open: a message, nothing written.
    void SaveRay(TRay* ray, int flag);
    // The same with the line already written (TRay::AppendLine of the record, azimuth fixed)
    // and, for an early line, its record (EarlyArrivalStore::FromLine) when it was made already.
    void SaveRayLine(std::string_view line, int flag, const uint32_t* record = nullptr);
    // Writes the ray-file line to a stream (a message when there is none).
    void SaveRay(std::FILE* outfile, TRay* ray);
    void SetRayFileName(const char* Filename) { RayFileName = Filename; }

    void CreateHitFile(int S, int R, const char* prefix);
    void CloseHitFile();
    // One hit-file line to the early hit file (flag 0) or the hit file (flag 1).
    void InsertHit(TRay* ray, const unsigned* Hit, int HitSize, int flag, float acum_costheta);
    // The same with the line already written (AppendHitLine with a count of 1).
    void InsertHitLine(std::string_view line, int flag);
    // Appends line `line` (from 0) of the early hit file to the hit file with its arrival count
    // replaced by NumRClustered. Lines are read whole.
    void CopyHit(unsigned line, int NumRClustered);

    // =========================================================================================
    // Arrival insertion (TResultInsert.cpp)
    // =========================================================================================
    // Adds the arrival, weighted by both patterns, to IR_Early (order <= ClusterOrder) or IR.
    // Arrivals at or past MaxLength change nothing. An order-0 arrival is the direct-sound
    // record, whose energies already carry the source pattern: it is not weighted by it again.
    // Late and scattered arrivals take a polarity drawn from the record; the direct sound and
    // the clustered early ones are positive.
    void InsertRay(TRay* ray);
    // A late arrival (order past ClusterOrder) weighed on another thread: LateAmplitudes gives
    // what InsertRay adds to IR at its sample, out[channel * NumBands + band], and changes
    // nothing, so it may run beside the other calls; InsertLate then counts the arrival and adds
    // them as InsertRay does. Only where LateAmplitudesApart() (patterns given by a formula).
    bool LateAmplitudesApart() const;
    void LateAmplitudes(const TRay& ray, float* out, std::vector<float>& srcMag, std::vector<float>& recMag) const;
    void InsertLate(uint32_t index, uint32_t order, const float* amplitudes);
    // Gathers a direct arrival into DirectSoundRay, weighted by the source pattern.
    void AcumulateDirectSound(TRay* ray);

    // =========================================================================================
    // Clustering of early reflections (TResultClustering.cpp)
    // =========================================================================================
    // Groups the early arrivals by order, time block and direction and appends one
    // representative per group (summed energies) to the ray file; closes the pair's files.
    void Cluster();
    // Early records the clustering holds at once (with its view of them) in `bytes`; at least 1.
    static uint64_t ClusteredRecords(uint64_t bytes, unsigned numBands);
    // Position of the first smallest entry.
    static unsigned findPosMinFloat(const float* list, unsigned list_size);
    // First group g < grupos_criados holding elem, or -1.
    static int ElementoTemGrupo(const std::vector<std::vector<int>>& grupo, unsigned grupos_criados, unsigned elem);
    static float getMaxFatorDist(const TSubRay* subset, unsigned NE);
    static int getIndiceMaxFatorDist(const TSubRay* subset, unsigned NE);
    static void showgrupos(const std::vector<std::vector<int>>& grupo, unsigned grupos_criados, unsigned NE);

    // =========================================================================================
    // Impulse-response synthesis (TResultSynthesis.cpp)
    // =========================================================================================
    // Builds the responses from the pair's ray file; a pair that counted no arrival stays silent.
    void GetImpulseResponses();
    // Reads every arrival of the file into IR_Early / IR, scales them to pressure with air
    // absorption, adds the artificial tail (NoiseTail), band-filters both parts through the
    // same linear-phase bands that add up to a pure delay (SynthesisBandDesign), sums
    // everything into globalIR and removes the patterns' front delays from it.
    void GetImpulseResponsesfromRAYS(const char* rayfilename);
    // globalIR[ch][n] += IR_Early[ch][b][n] + IR[ch][b][n] over the bands.
    void GetGlobalIR();
    // Reports the direct sound and appends it to the early ray file as one order-0 arrival.
    void ProcessDirectSound(int NumPlaneLayers);
    // Broadband SPL of Param (after GetMonoParams).
    float GetSPL();
    // Level in dB re 20 uPa of the direct sound as the broadband response carries it: the
    // record's band amplitudes, weighted by a magnitude receiver pattern (mean of its channels)
    // and the air absorption over its path, through the synthesis bands, scaled to pressure as
    // the synthesis does (rho c, receiver factor). -inf without direct sound.
    float DirectSoundSPL() const;

    // =========================================================================================
    // Artificial tail (TResultTail.cpp)
    // =========================================================================================
    // Per channel and band: fits the decay of the collected arrivals and adds decaying noise of
    // that rate to IR, faded in from the first arrival up to MaxProbIndex. A band with too few
    // arrivals or without a fitted decay gets no tail.
    void AddArtificialTail_LateRays();
    void SetNoiseStart(unsigned int value);
    unsigned int CalculateNoiseStart();
    // Older variant: fit to the strongest early samples, velvet noise, "betas-S%d.txt" and
    // "First-S%d-B%d.txt" in the working directory.
    void AddArtificialTail();
    // The tail noise comes from one seed per run; each pair (source and receiver numbers) and
    // band draws its own stream from it. StartTailRun picks the run's seed (a fixed one when
    // SetTailSeed was called, else a random one) and prints it; a tail that finds no run
    // started starts one.
    static unsigned long long StartTailRun();
    static void SetTailSeed(unsigned long long seed);
    static void UseRandomTailSeed();
    // Fills noise with magnitudes in [thr, 1] and random signs from the stream of (seed,
    // source, receiver, band).
    static void TailNoise(float* noise, unsigned int Length, float thr, unsigned long long seed, int srcID, int recID,
                          unsigned int band);

    // =========================================================================================
    // Parameters and response files (TResultFiles.cpp)
    // =========================================================================================
    // Param from globalIR (channels averaged); bands from the broadband response filtered
    // again. Decay times, centre time, C80 and D50 count from the direct sound's sample (the
    // first arrival's without one); the levels take the whole response. A silent response
    // gives zeros; parameters a band leaves undefined are NaN.
    void GetMonoParams();
    // "PARAMS" file: band heads, nine rows of values ("nan" where undefined), direct sound.
    // Without direct sound its line gives the true distance and "SPL(dir): -999.00 (no direct
    // sound)". Every write is checked (FileLayer.h): a failure is reported, or kept by the
    // result set the file belongs to.
    void SaveParams(const char* filename);
    static constexpr float kNoDirectSoundLevel = -999.0f;
    // One line per sample, "%g " per channel; checked as SaveParams.
    void SaveGlobalIR(const char* filename);
    // Reads MaxLength x NumChannels numbers into globalIR; missing ones become 0 (a message).
    void GetImpulseResponsesfromFile(const char* SRFileName);
    // Earliest index and count of the records of a ray file; returns the count.
    unsigned GetInfoFromRaysFile(const char* rayfilename);
    void SaveIR_HTML(const char* filename);

    // =========================================================================================
    // WAV responses and auralization (TResultAudio.cpp)
    // =========================================================================================
    // Audio[ch] = globalIR[ch] convolved with the dry sound: the source's sound file, or a unit
    // impulse of MaxLength samples when the source has none. A sound file with other than one
    // channel shows "File %s has %d channels. ..." and ends the process with status 1. The
    // value carries nothing.
    unsigned long Auralize();
    unsigned long Auralize(const char* SoundFile);
    // Audio x Amplitude to "<prefix>.wav" (32-bit float, FSample, NumChannels). False when
    // there is no audio or the file could not be written (reported).
    bool SaveAudios(const char* prefix, float Amplitude);
    // globalIR x gain to filename; false when the file could not be written (reported).
    bool WaveWriteIR(const char* filename, float gain);
    // Largest |Audio| / |globalIR| over every channel; 0 for none.
    float GetMaxAudioAmplitude();
    float GetMaxIRAmplitude();
    // Audio[ch][sample], 0 outside the audio.
    float GetAudio(int ch, int sample);

private:
    // The early (flag 0) or late file, or 0 after the message of a file not open.
    TPairFile* RayFileFor(int flag);
    TPairFile* HitFileFor(int flag);
    // Flushes a block when due and counts the line.
    void RayLineAppended(TPairFile& file, int flag);
    void HitLineAppended(TPairFile& file, int flag);
    // Keeps the record of an early ray-file line (parsed from the line when not given).
    void KeepEarly(std::string_view line, const uint32_t* record);
    // Throws PairStepStopped when the StopProbe asks to stop.
    void StopPoint() const;
    // The threads a parallel step of this pair may use now (ThreadShare, else ClusterThreads).
    unsigned PairThreads() const;
    bool spillFailed_ = false;

    // The records of the lines the clustering appended to the ray file (what parsing them
    // gives) and the bytes the file held before them: the synthesis takes these rather than
    // reading its text back. Held only while clusteredHeld_.
    EarlyArrivalStore::RecordWords clusteredRecords_;
    uint64_t clusteredFrom_ = 0;
    bool clusteredHeld_ = false;
    void DropClusteredRecords();

    // Whole lines of the early hit file, read once when CopyHit first needs them.
    std::vector<std::string> earlyHitLines_;
    bool earlyHitLinesLoaded_ = false;
};
