// The room's WAV files: every source's dry sound auralized for every pair, one mix per
// receiver, and the responses themselves, all 32-bit float in the project folder.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "dsp/WavFile.h"
#include "geometry/ErrorHandler.h"
#include "geometry/HeldOutput.h"
#include "geometry/util.h"
#include "room/TReceiver.h"
#include "room/TSource.h"
#include "simulation/OrderedSteps.h"
#include "simulation/TResult.h"
#include "simulation/TRoom.h"

namespace {

// Where a pair's file is written (its temporary while a result set is open).
std::string PairName(const TRoom& room, const char* format, unsigned S, unsigned R)
{
    char name[64];
    std::snprintf(name, sizeof name, format, S + 1, R + 1);
    return room.ResultFile(name);
}

// 1 / peak; a silent signal (peak 0 or not finite) keeps its samples as they are.
float NormalisingGain(float peak)
{
    return peak > 0.0f && peak < 3.4e38f ? 1.0f / peak : 1.0f;
}

}  // namespace

bool TRoom::CheckAuralizationInputs()
{
    for (unsigned S = 0; S < NumSources; ++S) {
        const TSource& src = *source[S];
        const std::string path = src.GetSoundFilePath();
        if (!src.SoundFileFlag) {
            if (src.SoundFile == "NONE") continue;  // a unit impulse stands for the dry sound
            ErrorMessage("The sound file %s of source %u is missing or is no WAV file the reader takes.\n",
                         path.c_str(), S + 1);
            return false;
        }
        if (!WavIsCompatible(path)) return false;  // it reports why
        const unsigned channels = wavGetNumChannels(path.c_str());
        if (channels != 1) {
            ErrorMessage("File %s has %d channels. Only MONO input files are supported.\n", path.c_str(),
                         static_cast<int>(channels));
            return false;
        }
        std::vector<float> samples;
        readWAVData(path, samples);
        const auto bad = std::find_if(samples.begin(), samples.end(), [](float v) { return !std::isfinite(v); });
        if (bad != samples.end()) {
            ErrorMessage("File %s holds a sample that is not a finite number (sample %llu).\n", path.c_str(),
                         static_cast<unsigned long long>(bad - samples.begin()) + 1ull);
            return false;
        }
    }
    return true;
}

void TRoom::Auralization()
{
    std::printf("Auralization processing ...\n");
    // Refused before any file is written.
    if (!CheckAuralizationInputs()) throw SorviExit(1, "A sound file cannot be auralized");  // the reason was shown

    const bool havePairs =
        ResultsCreated && spcresult.size() >= NumReceivers &&
        std::all_of(spcresult.begin(), spcresult.end(), [&](const auto& row) { return row.size() >= NumSources; });
    if (!havePairs && NumSources > 0 && NumReceivers > 0) {
        std::printf("No results to auralize.\n");
        return;
    }

    std::vector<std::vector<float>> AudioAmp(NumReceivers, std::vector<float>(NumSources, 0.0f));
    std::vector<std::vector<char>> written(NumReceivers, std::vector<char>(NumSources, 0));
    // The pairs side by side, each convolving and writing its own file; lines in this order.
    const unsigned count = NumSources * NumReceivers;
    OrderedSteps pairs;
    pairs.step = [&](unsigned k) {
        const unsigned S = k / NumReceivers, R = k % NumReceivers;
        TResult& pair = *spcresult[R][S];
        Print("\rSource[%d]->Receiver[%d] (Normalized) ... ", S + 1, R + 1);
        pair.Auralize();
        AudioAmp[R][S] = pair.GetMaxAudioAmplitude();
        const std::string prefix = PairName(*this, "S%.3d-R%.3d", S, R);
        written[R][S] = pair.SaveAudios(prefix.c_str(), NormalisingGain(AudioAmp[R][S]));
        pair.FreeAudio();
        Print("\rSource[%d]->Receiver[%d] (Normalized) - Max. Amp. = %1.4f\n", S + 1, R + 1, AudioAmp[R][S]);
    };
    pairs.Run(count, std::min(std::max(1u, TracerThreadCount()), count));

    float MaxAmp = 0.0f;
    for (const auto& row : AudioAmp)
        for (float a : row)
            if (a > MaxAmp) MaxAmp = a;
    std::printf("Done!\n");

    for (unsigned R = 0; R < NumReceivers; ++R) {
        const int Nc = receiver[R]->GetNumChannels();
        // The mix is as long as the longest pair file of this receiver.
        unsigned L = 0;
        for (unsigned S = 0; S < NumSources; ++S)
            if (written[R][S]) L = std::max(L, getWavHeaderInfo(PairName(*this, "S%.3d-R%.3d.wav", S, R)).NumSamples);
        std::vector<float> mix(static_cast<std::size_t>(L) * static_cast<std::size_t>(std::max(Nc, 0)), 0.0f);
        const float divisor = static_cast<float>(NumSources) * MaxAmp;
        for (unsigned S = 0; S < NumSources; ++S) {
            if (!written[R][S]) continue;  // its write failure was reported
            std::vector<float> values;
            const WaveHeader head = readWAVData(PairName(*this, "S%.3d-R%.3d.wav", S, R), values);
            // Undo the file's own normalisation: the pairs keep their relative levels.
            const float factor = divisor > 0.0f ? AudioAmp[R][S] / divisor : 0.0f;
            const std::size_t count =
                std::min({values.size(), mix.size(), static_cast<std::size_t>(head.NumSamples) * head.NumCh});
            for (std::size_t i = 0; i < count; ++i) mix[i] += values[i] * factor;
        }
        std::printf("Saving receiver [%d] mix for all sources (Original relative levels kept).\n", R + 1);
        char mixName[32];
        std::snprintf(mixName, sizeof mixName, "SALL-R%.3d.wav", R + 1);
        const std::string name = ResultFile(mixName);
        writeWAVData<float>(name.c_str(), mix.data(), L, static_cast<int>(FSample), Nc);
    }
}

void TRoom::SaveImpRespWAV()
{
    if (NumReceivers == 0 || NumSources == 0) return;
    const bool havePairs =
        ResultsCreated && spcresult.size() >= NumReceivers &&
        std::all_of(spcresult.begin(), spcresult.end(), [&](const auto& row) { return row.size() >= NumSources; });
    if (!havePairs) {
        std::printf("No results to write.\n");
        return;
    }

    // The gain follows the pairs that were the loudest so far in this walk.
    float maxSPL = -100000000.0f;
    float maxAmp = 0.0f;
    unsigned loudS = 0, loudR = 0;
    for (unsigned R = 0; R < NumReceivers; ++R)
        for (unsigned S = 0; S < NumSources; ++S) {
            TResult& pair = *spcresult[R][S];
            const float spl = pair.GetSPL();
            if (spl > maxSPL) {
                maxSPL = spl;
                loudS = S;
                loudR = R;
                maxAmp = std::max(maxAmp, pair.GetMaxIRAmplitude());
            }
        }
    std::printf("Maximum SPL: Source [%.2d] -> Receiver [%.2d]\n", loudS + 1, loudR + 1);

    const float gain = NormalisingGain(maxAmp);
    for (unsigned R = 0; R < NumReceivers; ++R)
        for (unsigned S = 0; S < NumSources; ++S) {
            const std::string name = PairName(*this, "S%.3d-R%.3d-IR.wav", S, R);
            spcresult[R][S]->WaveWriteIR(name.c_str(), gain);
        }
}
