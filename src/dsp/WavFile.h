#pragma once
// RIFF/WAVE files: reading 8-bit PCM and mu-law, 16/24/32-bit PCM and 32/64-bit float files
// (plain or WAVE_FORMAT_EXTENSIBLE), writing 32-bit float or integer files with a 44-byte header.
//
// Every number is read and written little-endian through bounds-checked byte access. Samples
// are floats, channels interleaved (frame n, channel c at n * channels + c).

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <type_traits>
#include <vector>

// The first 36 bytes of a WAV file, field by field in file order.
struct wav_header_t {
    char chunkID[4];
    uint32_t chunkSize;
    char format[4];
    char subchunk1ID[4];
    uint32_t subchunk1Size;
    uint16_t audioFormat;
    uint16_t numChannels;
    uint32_t sampleRate;
    uint32_t byteRate;
    uint16_t blockAlign;
    uint16_t bitsPerSample;
};

// A chunk header: four-character ID and the size of its content.
struct chunk_t {
    char ID[4];
    uint32_t size;
};

// What the readers report of a file.
struct WaveHeader {
    uint16_t PcmFormat = 0;  // format code (for an extensible file, that of its sub-format)
    uint16_t NumCh = 0;
    uint32_t SampleRate = 0;
    uint32_t BytesPerSec = 0;
    uint16_t BitsPerSample = 0;
    uint32_t NumSamples = 0;  // frames: samples per channel

    // Format 1, the given length, channels, rate (truncated) and bits; BytesPerSec = 4 x rate.
    void SetProps(unsigned int Length, int NumCh, float FSample, int BitsPerSample);
};

// Format codes.
constexpr uint16_t WAVE_FORMAT_PCM = 1;
constexpr uint16_t WAVE_FORMAT_IEEE_FLOAT = 3;
constexpr uint16_t WAVE_FORMAT_MULAW = 7;
constexpr uint16_t WAVE_FORMAT_EXTENSIBLE = 0xFFFE;

// Low-level handle: 'N' creates or truncates for writing, 'W' opens read-write, anything else
// read-only. On failure prints the system's reason for the file name and returns -1.
int openWavFile(const char* FileName, char acess_type);
void closeWavFile(int FileHandle);

// The summary of a file. A file that cannot be read as WAV shows "Cannot read from wav File"
// with the reason and ends the process with status 1. A data chunk that claims more bytes than
// the file holds is cut to the file (with a notice), and to whole frames.
WaveHeader getWavHeaderInfo(const char* soundFile);
WaveHeader getWavHeaderInfo(const std::string& soundFile);

// Reads every sample as float into buffer, which must hold NumSamples x NumCh entries of the
// header that getWavHeaderInfo returns. An unsupported layout shows its message and ends the
// process with status 1.
WaveHeader readWAVData(const char* fileName, float* buffer);
// The same, writing at most bufferEntries values.
WaveHeader readWAVData(const char* fileName, float* buffer, std::size_t bufferEntries);
// The same into a vector sized to the samples.
WaveHeader readWAVData(const std::string& fileName, std::vector<float>& samples);

// Reads a whole WAV image from memory. Returns false with the reason in error (nothing shown,
// nothing ended); notice receives the clamping notice, if any.
bool wavDecodeMemory(const unsigned char* bytes, std::size_t size, WaveHeader& header, std::vector<float>& samples,
                     std::string& error, std::string* notice = nullptr);

// True for format 1 or 3, 8/16/24/32 bits and exactly 44100 Hz. Each failed test reports itself;
// a file that cannot be read at all is reported and refused (the process goes on).
bool WavIsCompatible(const char* SoundFile);
bool WavIsCompatible(const std::string& SoundFile);

unsigned int wavGetNumChannels(const char* SoundFile);
unsigned int wavGetLength(const char* SoundFile);  // frames
float wavGetSampleRate(const char* SoundFile);

// Writes bufSize frames of NumChannels interleaved 4-byte samples: format 3 for float, 1 for
// int, 32 bits per sample. A failure is shown through ErrorMessage and returns false.
template <typename T>
bool writeWAVData(const char* outFile, const T* buf, std::size_t bufSize, int SampleRate, int NumChannels);
extern template bool writeWAVData<float>(const char*, const float*, std::size_t, int, int);
extern template bool writeWAVData<int>(const char*, const int*, std::size_t, int, int);

// Writes the bytes of one number in little-endian order.
template <typename T> void write(std::ostream& stream, const T& t)
{
    static_assert(std::is_arithmetic_v<T>);
    using U = std::conditional_t<
        sizeof(T) == 1, uint8_t,
        std::conditional_t<sizeof(T) == 2, uint16_t, std::conditional_t<sizeof(T) == 4, uint32_t, uint64_t>>>;
    static_assert(sizeof(U) == sizeof(T));
    U u;
    std::memcpy(&u, &t, sizeof u);
    char bytes[sizeof(T)];
    for (std::size_t i = 0; i < sizeof(T); ++i) bytes[i] = static_cast<char>((u >> (8 * i)) & 0xFF);
    stream.write(bytes, sizeof bytes);
}

// Interleaves two channels, optionally normalises them together, and writes a 2-channel 32-bit
// integer file (full scale 2^31 - 1 at +-1.0, values beyond clipped). Returns false on failure.
bool wavWriteStereo(const char* filename, const float* left, const float* right, unsigned long Length, float FSample,
                    bool normFlag);

// Diagnostic dump: prints the header and the chunk list, and writes every sample's first two
// bytes as a 16-bit integer, one per line, to fileToSave. An unreadable file ends the process
// with status 1.
void WavReaderNovo(const char* fileName, const char* fileToSave);
