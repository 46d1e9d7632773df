// A pair's auralized sound and its WAV files: the response convolved with the source's dry
// sound, and the broadband response itself.

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "dsp/FIRDesign.h"
#include "dsp/WavFile.h"
#include "geometry/ErrorHandler.h"
#include "geometry/HeldOutput.h"
#include "geometry/util.h"
#include "room/TSource.h"
#include "simulation/TResult.h"

namespace {

// Frames x channels interleaved (frame n, channel ch at n * channels + ch), times gain.
std::vector<float> Interleave(const std::vector<std::vector<float>>& channels, unsigned frames, float gain)
{
    const std::size_t nc = channels.size();
    std::vector<float> out(static_cast<std::size_t>(frames) * nc);
    for (std::size_t ch = 0; ch < nc; ++ch)
        for (unsigned n = 0; n < frames; ++n) out[n * nc + ch] = channels[ch][n] * gain;
    return out;
}

}  // namespace

unsigned long TResult::Auralize()
{
    const std::string file = source ? source->GetSoundFilePath() : std::string();
    return Auralize(file.c_str());
}

unsigned long TResult::Auralize(const char* SoundFile)
{
    std::vector<float> dry;
    if (source && source->SoundFileFlag && SoundFile && *SoundFile) {
        const WaveHeader head = getWavHeaderInfo(SoundFile);
        if (head.NumCh != 1) {
            ShowErrorAndThrowExit(1, utilFormat("File %s has %d channels. Only MONO input files are supported.\n",
                                                SoundFile, static_cast<int>(head.NumCh)));
        }
        readWAVData(std::string(SoundFile), dry);
    } else {
        Print("\nAuralization: No sound file assigned to the source!\n");
        dry.assign(MaxLength, 0.0f);
        if (!dry.empty()) dry[0] = 1.0f;
    }

    FreeAudio();
    // An empty dry signal or response gives no output samples.
    AudioOutputLength = (MaxLength == 0 || dry.empty()) ? 0u : MaxLength + static_cast<uint32_t>(dry.size()) - 1u;
    Audio.assign(NumChannels, std::vector<float>(AudioOutputLength, 0.0f));
    if (AudioOutputLength > 0)
        for (uint32_t ch = 0; ch < NumChannels; ++ch)
            FFTFilt(globalIR[ch].data(), MaxLength, dry.data(), static_cast<unsigned>(dry.size()), Audio[ch].data());
    AudioCreated = true;
    return AudioOutputLength;
}

bool TResult::SaveAudios(const char* prefix, float Amplitude)
{
    if (!AudioCreated) {
        Print("No audio was processed!!.\n");
        return false;
    }
    const std::string name = std::string(prefix ? prefix : "") + ".wav";
    const std::vector<float> frames = Interleave(Audio, AudioOutputLength, Amplitude);
    return writeWAVData<float>(name.c_str(), frames.data(), AudioOutputLength, static_cast<int>(FSample),
                               static_cast<int>(NumChannels));
}

bool TResult::WaveWriteIR(const char* filename, float gain)
{
    Print("Writing WavFile %s ... ", filename);
    const std::vector<float> frames = Interleave(globalIR, MaxLength, gain);
    const bool ok = writeWAVData<float>(filename, frames.data(), MaxLength, static_cast<int>(FSample),
                                        static_cast<int>(NumChannels));
    Print(ok ? "Done!\n" : "Failed!\n");
    return ok;
}

float TResult::GetMaxAudioAmplitude()
{
    float peak = 0.0f;
    if (!AudioCreated) return peak;
    for (const auto& ch : Audio)
        peak = std::max(peak, utilGetMaxAbs(ch.data(), std::min<std::size_t>(ch.size(), AudioOutputLength)));
    return peak;
}

float TResult::GetMaxIRAmplitude()
{
    float peak = 0.0f;
    for (const auto& ch : globalIR)
        peak = std::max(peak, utilGetMaxAbs(ch.data(), std::min<std::size_t>(ch.size(), MaxLength)));
    return peak;
}

float TResult::GetAudio(int ch, int sample)
{
    if (!AudioCreated || ch < 0 || static_cast<std::size_t>(ch) >= Audio.size()) return 0.0f;
    if (static_cast<unsigned>(sample) >= AudioOutputLength) return 0.0f;
    return Audio[static_cast<std::size_t>(ch)][static_cast<unsigned>(sample)];
}
