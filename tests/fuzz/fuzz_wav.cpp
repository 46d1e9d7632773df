// Feeds arbitrary bytes to the WAV reader: it must answer every input with samples or a
// message, never read outside the input, and never hang.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "dsp/WavFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    WaveHeader header;
    std::vector<float> samples;
    std::string error, notice;
    const bool ok = wavDecodeMemory(data, size, header, samples, error, &notice);
    if (ok) {
        // Whole frames only, and never more sample bytes than the input holds.
        if (samples.size() != static_cast<std::size_t>(header.NumSamples) * header.NumCh) __builtin_trap();
        if (samples.size() * (header.BitsPerSample / 8) > size) __builtin_trap();
    } else if (error.empty()) {
        __builtin_trap();
    }
    return 0;
}
