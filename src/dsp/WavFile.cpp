#include "dsp/WavFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <memory>

#include "dsp/AcousticParams.h"
#include "geometry/ErrorHandler.h"
#include "geometry/FileLayer.h"
#include "geometry/HeldOutput.h"
#include "geometry/util.h"

namespace {

// ---- Byte access --------------------------------------------------------------------------

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual uint64_t Size() const = 0;
    // Copies len bytes from offset; false when they are not all there.
    virtual bool Read(uint64_t offset, unsigned char* out, std::size_t len) = 0;
};

class MemorySource : public ByteSource {
public:
    MemorySource(const unsigned char* bytes, std::size_t size) : bytes_(bytes), size_(size) {}
    uint64_t Size() const override { return size_; }
    bool Read(uint64_t offset, unsigned char* out, std::size_t len) override
    {
        if (offset > size_ || len > size_ - offset) return false;
        if (len) std::memcpy(out, bytes_ + offset, len);
        return true;
    }

private:
    const unsigned char* bytes_;
    std::size_t size_;
};

class FileSource : public ByteSource {
public:
    explicit FileSource(const char* name)
    {
        errno = 0;
        file_.open(name, std::ios::binary);
        if (!file_) {
            error_ = errno ? std::strerror(errno) : "cannot be opened";
            return;
        }
        file_.seekg(0, std::ios::end);
        const std::streamoff end = file_.tellg();
        if (end < 0) {
            error_ = "its size cannot be found";
            return;
        }
        size_ = static_cast<uint64_t>(end);
        ok_ = true;
    }
    bool Ok() const { return ok_; }
    const std::string& Error() const { return error_; }
    uint64_t Size() const override { return size_; }
    bool Read(uint64_t offset, unsigned char* out, std::size_t len) override
    {
        if (!ok_ || offset > size_ || len > size_ - offset) return false;
        file_.clear();
        file_.seekg(static_cast<std::streamoff>(offset));
        file_.read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(len));
        return static_cast<std::size_t>(file_.gcount()) == len;
    }

private:
    std::ifstream file_;
    uint64_t size_ = 0;
    bool ok_ = false;
    std::string error_;
};

uint16_t U16(const unsigned char* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t U32(const unsigned char* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}
uint64_t U64(const unsigned char* p)
{
    return U32(p) | (static_cast<uint64_t>(U32(p + 4)) << 32);
}
bool IdIs(const unsigned char* p, const char* id)
{
    return std::memcmp(p, id, 4) == 0;
}

// ---- Layout of a file ---------------------------------------------------------------------

struct Layout {
    WaveHeader header;
    uint64_t dataOffset = 0;
    uint64_t dataBytes = 0;  // what is there, cut to whole samples of whole frames
    std::string notice;      // set when the data chunk was cut to the file
};

// Tail of the extensible sub-format GUIDs: xxxxxxxx-0000-0010-8000-00aa00389b71.
const unsigned char kSubFormatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                          0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// Walks the chunks: "fmt " first (at least 16 bytes), then "data". Chunks of odd size are
// followed by a pad byte. Returns false with the reason.
bool ParseLayout(ByteSource& src, Layout& out, std::string& reason)
{
    const uint64_t size = src.Size();
    unsigned char riff[12];
    if (!src.Read(0, riff, sizeof riff)) {
        reason = "the file is shorter than a RIFF header (" + std::to_string(size) + " bytes)";
        return false;
    }
    if (!IdIs(riff, "RIFF") || !IdIs(riff + 8, "WAVE")) {
        reason = "not a RIFF/WAVE file";
        return false;
    }
    bool haveFmt = false;
    uint64_t offset = 12;
    while (true) {
        unsigned char chunk[8];
        if (!src.Read(offset, chunk, sizeof chunk)) {
            reason = haveFmt ? "no \"data\" chunk" : "no \"fmt \" chunk";
            return false;
        }
        const uint32_t chunkSize = U32(chunk + 4);
        const uint64_t content = offset + 8;
        if (IdIs(chunk, "fmt ")) {
            if (chunkSize < 16) {
                reason = "the \"fmt \" chunk has " + std::to_string(chunkSize) + " bytes, at least 16 are needed";
                return false;
            }
            unsigned char fmt[40];
            const std::size_t want = std::min<std::size_t>(chunkSize, sizeof fmt);
            if (!src.Read(content, fmt, want)) {
                reason = "the \"fmt \" chunk is cut short by the end of the file";
                return false;
            }
            WaveHeader& h = out.header;
            h.PcmFormat = U16(fmt);
            h.NumCh = U16(fmt + 2);
            h.SampleRate = U32(fmt + 4);
            h.BytesPerSec = U32(fmt + 8);
            h.BitsPerSample = U16(fmt + 14);
            if (h.PcmFormat == WAVE_FORMAT_EXTENSIBLE) {
                if (want < 40) {
                    reason = "the \"fmt \" chunk of an extensible file has " + std::to_string(chunkSize) +
                             " bytes, 40 are needed";
                    return false;
                }
                // The sub-format's code is the first two bytes of its GUID; an unknown GUID
                // keeps the extensible code, which no sample conversion accepts.
                if (std::memcmp(fmt + 26, kSubFormatTail, sizeof kSubFormatTail) == 0) h.PcmFormat = U16(fmt + 24);
            }
            haveFmt = true;
        } else if (IdIs(chunk, "data")) {
            if (!haveFmt) {
                reason = "the \"data\" chunk comes before the \"fmt \" chunk";
                return false;
            }
            WaveHeader& h = out.header;
            if (h.NumCh == 0) {
                reason = "the file declares no channels";
                return false;
            }
            if (h.BitsPerSample == 0) {
                reason = "the file declares 0 bits per sample";
                return false;
            }
            uint64_t bytes = chunkSize;
            const uint64_t present = size - content;
            if (bytes > present) {
                out.notice = "declares " + std::to_string(chunkSize) + " bytes of samples but holds only " +
                             std::to_string(present) + "; reading those";
                bytes = present;
            }
            const uint64_t count = bytes * 8 / h.BitsPerSample;
            const uint64_t frames = count / h.NumCh;
            h.NumSamples = static_cast<uint32_t>(std::min<uint64_t>(frames, UINT32_MAX));
            out.dataOffset = content;
            out.dataBytes = static_cast<uint64_t>(h.NumSamples) * h.NumCh * h.BitsPerSample / 8;
            return true;
        }
        offset = content + chunkSize + (chunkSize & 1u);
    }
}

// ---- Sample conversion --------------------------------------------------------------------

enum class SampleKind { U8, MuLaw, S16, S24, S32, F32, F64 };

// The conversion of a layout, or false with the message the readers show.
bool ChooseKind(const WaveHeader& h, SampleKind& kind, std::string& message)
{
    char text[160];
    switch (h.BitsPerSample) {
    case 8:
        if (h.PcmFormat == WAVE_FORMAT_PCM) {
            kind = SampleKind::U8;
            return true;
        }
        if (h.PcmFormat == WAVE_FORMAT_MULAW) {
            kind = SampleKind::MuLaw;
            return true;
        }
        message = "8 bits pcm format not supported.\n";
        return false;
    case 16:
        kind = SampleKind::S16;
        return true;
    case 24:
        kind = SampleKind::S24;
        return true;
    case 32:
        if (h.PcmFormat == WAVE_FORMAT_PCM) {
            kind = SampleKind::S32;
            return true;
        }
        if (h.PcmFormat == WAVE_FORMAT_IEEE_FLOAT) {
            kind = SampleKind::F32;
            return true;
        }
        std::snprintf(text, sizeof text, "32 bits only supported in PCM or IEEE float format files (format %d)\n",
                      h.PcmFormat);
        message = text;
        return false;
    case 64:
        if (h.PcmFormat == WAVE_FORMAT_IEEE_FLOAT) {
            kind = SampleKind::F64;
            return true;
        }
        message = "64 bits only supported in IEEE double format files (this is PCM!)\n";
        return false;
    default:
        std::snprintf(text, sizeof text, "Bits per sample not supported: %d", h.BitsPerSample);
        message = text;
        return false;
    }
}

// G.711 mu-law: the byte is stored complemented; sign, 3-bit exponent, 4-bit mantissa.
float MuLaw(unsigned char b)
{
    const unsigned int u = static_cast<unsigned char>(~b);
    const int exponent = (u >> 4) & 7;
    const int mantissa = u & 0x0F;
    const int magnitude = (((mantissa << 3) + 0x84) << exponent) - 0x84;
    return static_cast<float>((u & 0x80) ? -magnitude : magnitude) / 32768.0f;
}

float Convert(SampleKind kind, const unsigned char* p)
{
    switch (kind) {
    case SampleKind::U8:
        return static_cast<float>(static_cast<int>(p[0]) - 128) / 127.0f;
    case SampleKind::MuLaw:
        return MuLaw(p[0]);
    case SampleKind::S16:
        return static_cast<float>(static_cast<int16_t>(U16(p))) / 32768.0f;
    case SampleKind::S24: {
        // The three bytes at the top of a 32-bit word keep the sample's sign.
        const uint32_t word = (static_cast<uint32_t>(p[0]) << 8) | (static_cast<uint32_t>(p[1]) << 16) |
                              (static_cast<uint32_t>(p[2]) << 24);
        return static_cast<float>(static_cast<int32_t>(word)) / 2147483648.0f;
    }
    case SampleKind::S32:
        return static_cast<float>(static_cast<double>(static_cast<int32_t>(U32(p))) / 2147483648.0);
    case SampleKind::F32:
        return std::bit_cast<float>(U32(p));
    case SampleKind::F64:
        return static_cast<float>(std::bit_cast<double>(U64(p)));
    }
    return 0.0f;
}

// Converts up to `capacity` samples of the data chunk into out; returns how many.
std::size_t DecodeSamples(ByteSource& src, const Layout& layout, SampleKind kind, float* out, std::size_t capacity,
                          bool& readFailed)
{
    readFailed = false;
    const std::size_t bytesPer = layout.header.BitsPerSample / 8;
    const uint64_t total = layout.dataBytes / bytesPer;
    const std::size_t count = static_cast<std::size_t>(std::min<uint64_t>(total, capacity));
    const std::size_t perBlock = (std::size_t(1) << 20) / bytesPer;
    std::vector<unsigned char> block(std::min(count, perBlock) * bytesPer);
    std::size_t done = 0;
    while (done < count) {
        const std::size_t n = std::min(count - done, perBlock);
        if (!src.Read(layout.dataOffset + static_cast<uint64_t>(done) * bytesPer, block.data(), n * bytesPer)) {
            readFailed = true;
            break;
        }
        for (std::size_t i = 0; i < n; ++i) out[done + i] = Convert(kind, block.data() + i * bytesPer);
        done += n;
    }
    return done;
}

// ---- Reporting ----------------------------------------------------------------------------

[[noreturn]] void CannotRead(const char* name, const std::string& reason)
{
    ShowErrorAndThrowExit(1, utilFormat("Cannot read from wav File\n%s: %s", name ? name : "(null)", reason.c_str()));
}

void PrintNotice(const char* name, const Layout& layout)
{
    if (!layout.notice.empty()) Print("Warning: wav file %s %s.\n", name, layout.notice.c_str());
}

// Opens and lays out a file for the readers that end the process on failure.
std::unique_ptr<FileSource> OpenForReading(const char* name, Layout& layout)
{
    if (name == nullptr) CannotRead(name, "no file name");
    auto src = std::make_unique<FileSource>(name);
    if (!src->Ok()) CannotRead(name, src->Error());
    std::string reason;
    if (!ParseLayout(*src, layout, reason)) CannotRead(name, reason);
    PrintNotice(name, layout);
    return src;
}

}  // namespace

// ---- Public operations --------------------------------------------------------------------

void WaveHeader::SetProps(unsigned int Length, int NumChIn, float FSample, int BitsPerSampleIn)
{
    PcmFormat = WAVE_FORMAT_PCM;
    SampleRate = static_cast<uint32_t>(FSample);
    BytesPerSec = static_cast<uint32_t>(4.0f * FSample);
    NumSamples = Length;
    NumCh = static_cast<uint16_t>(NumChIn);
    BitsPerSample = static_cast<uint16_t>(BitsPerSampleIn);
}

int openWavFile(const char* FileName, char acess_type)
{
    int handle;
    if (acess_type == 'N')
        handle = ::open(FileName, O_WRONLY | O_CREAT | O_TRUNC, S_IRUSR | S_IWUSR | S_IXUSR);
    else if (acess_type == 'W')
        handle = ::open(FileName, O_RDWR);
    else
        handle = ::open(FileName, O_RDONLY);
    if (handle < 0) std::perror(FileName);
    return handle < 0 ? -1 : handle;
}

void closeWavFile(int FileHandle)
{
    if (FileHandle >= 0) ::close(FileHandle);
}

WaveHeader getWavHeaderInfo(const char* soundFile)
{
    Layout layout;
    OpenForReading(soundFile, layout);
    return layout.header;
}

WaveHeader getWavHeaderInfo(const std::string& soundFile)
{
    return getWavHeaderInfo(soundFile.c_str());
}

WaveHeader readWAVData(const char* fileName, float* buffer, std::size_t bufferEntries)
{
    Layout layout;
    auto src = OpenForReading(fileName, layout);
    SampleKind kind;
    std::string message;
    if (!ChooseKind(layout.header, kind, message)) {
        ShowErrorAndThrowExit(1, message);
    }
    bool readFailed = false;
    DecodeSamples(*src, layout, kind, buffer, bufferEntries, readFailed);
    if (readFailed) CannotRead(fileName, "the file changed or could not be read while its samples were read");
    return layout.header;
}

WaveHeader readWAVData(const char* fileName, float* buffer)
{
    return readWAVData(fileName, buffer, std::numeric_limits<std::size_t>::max());
}

WaveHeader readWAVData(const std::string& fileName, std::vector<float>& samples)
{
    const WaveHeader h = getWavHeaderInfo(fileName);
    samples.assign(static_cast<std::size_t>(h.NumSamples) * h.NumCh, 0.0f);
    return readWAVData(fileName.c_str(), samples.data(), samples.size());
}

bool wavDecodeMemory(const unsigned char* bytes, std::size_t size, WaveHeader& header, std::vector<float>& samples,
                     std::string& error, std::string* notice)
{
    samples.clear();
    MemorySource src(bytes, bytes ? size : 0);
    Layout layout;
    if (!ParseLayout(src, layout, error)) {
        error = "Cannot read from wav File\n" + error;
        return false;
    }
    if (notice) *notice = layout.notice;
    header = layout.header;
    SampleKind kind;
    if (!ChooseKind(layout.header, kind, error)) return false;
    samples.resize(static_cast<std::size_t>(layout.dataBytes / (layout.header.BitsPerSample / 8)));
    bool readFailed = false;
    DecodeSamples(src, layout, kind, samples.data(), samples.size(), readFailed);
    return !readFailed;
}

bool WavIsCompatible(const char* SoundFile)
{
    Layout layout;
    FileSource src(SoundFile ? SoundFile : "");
    std::string reason;
    if (!src.Ok())
        reason = src.Error();
    else
        ParseLayout(src, layout, reason);
    if (!reason.empty()) {
        ErrorMessage("Cannot read from wav File\n%s: %s", SoundFile ? SoundFile : "(null)", reason.c_str());
        return false;
    }
    PrintNotice(SoundFile, layout);
    const WaveHeader& h = layout.header;
    bool ok = true;
    if (h.PcmFormat != WAVE_FORMAT_PCM && h.PcmFormat != WAVE_FORMAT_IEEE_FLOAT) {
        Print("Wave Format not Supported: %d", h.PcmFormat);
        std::fflush(stdout);
        ok = false;
    }
    if (h.BitsPerSample != 8 && h.BitsPerSample != 16 && h.BitsPerSample != 24 && h.BitsPerSample != 32) {
        ErrorMessage("Bits per sample not supported: %d", h.BitsPerSample);
        ok = false;
    }
    if (h.SampleRate != 44100) {
        ErrorMessage("Sample rate (%d) not supported. Only 44.1 kHz is suported (sorry).",
                     static_cast<int>(h.SampleRate));
        ok = false;
    }
    return ok;
}

bool WavIsCompatible(const std::string& SoundFile)
{
    return WavIsCompatible(SoundFile.c_str());
}

unsigned int wavGetNumChannels(const char* SoundFile)
{
    return getWavHeaderInfo(SoundFile).NumCh;
}
unsigned int wavGetLength(const char* SoundFile)
{
    return getWavHeaderInfo(SoundFile).NumSamples;
}
float wavGetSampleRate(const char* SoundFile)
{
    return static_cast<float>(getWavHeaderInfo(SoundFile).SampleRate);
}

// ---- Writing ------------------------------------------------------------------------------

template <typename T>
bool writeWAVData(const char* outFile, const T* buf, std::size_t bufSize, int SampleRate, int NumChannels)
{
    static_assert(sizeof(T) == 4);
    const char* name = outFile ? outFile : "(null)";
    if (NumChannels < 1 || NumChannels > 0xFFFF || SampleRate <= 0) {
        ErrorMessage("Cannot write wav file %s: %d channels at %d Hz", name, NumChannels, SampleRate);
        return false;
    }
    const uint64_t values = static_cast<uint64_t>(bufSize) * static_cast<uint64_t>(NumChannels);
    const uint64_t dataBytes = values * 4;
    const uint64_t byteRate = static_cast<uint64_t>(SampleRate) * static_cast<uint64_t>(NumChannels) * 4;
    if (bufSize > (UINT32_MAX - 36) / 4 || dataBytes > UINT32_MAX - 36 || byteRate > UINT32_MAX) {
        ErrorMessage("Cannot write wav file %s: %llu frames of %d channels do not fit a WAV file", name,
                     static_cast<unsigned long long>(bufSize), NumChannels);
        return false;
    }
    if (outFile == nullptr || (values > 0 && buf == nullptr)) {
        ErrorMessage("Cannot write wav file %s: no file name or no samples", name);
        return false;
    }
    // Little-endian header and samples; every write checked (a failure is reported, or kept by
    // the result set the file belongs to).
    auto le = [](std::string& out, uint32_t v, int bytes) {
        for (int b = 0; b < bytes; ++b) out += static_cast<char>((v >> (8 * b)) & 0xFF);
    };
    const uint16_t format = std::is_floating_point_v<T> ? WAVE_FORMAT_IEEE_FLOAT : WAVE_FORMAT_PCM;
    std::string block = "RIFF";
    le(block, static_cast<uint32_t>(dataBytes + 36), 4);
    block += "WAVEfmt ";
    le(block, 16, 4);
    le(block, format, 2);
    le(block, static_cast<uint16_t>(NumChannels), 2);
    le(block, static_cast<uint32_t>(SampleRate), 4);
    le(block, static_cast<uint32_t>(byteRate), 4);
    le(block, static_cast<uint16_t>(NumChannels * 4), 2);
    le(block, 32, 2);
    block += "data";
    le(block, static_cast<uint32_t>(dataBytes), 4);

    CheckedFile out;
    if (!out.Open(outFile, "wb")) return false;
    bool ok = out.Write(block);
    const std::size_t perBlock = 1 << 16;
    for (uint64_t done = 0; done < values && ok;) {
        const std::size_t n = static_cast<std::size_t>(std::min<uint64_t>(values - done, perBlock));
        block.resize(n * 4);
        for (std::size_t i = 0; i < n; ++i) {
            uint32_t u;
            std::memcpy(&u, &buf[done + i], 4);
            for (int b = 0; b < 4; ++b) block[4 * i + b] = static_cast<char>((u >> (8 * b)) & 0xFF);
        }
        ok = out.Write(block);
        done += n;
    }
    return out.Close() && ok;
}

template bool writeWAVData<float>(const char*, const float*, std::size_t, int, int);
template bool writeWAVData<int>(const char*, const int*, std::size_t, int, int);

bool wavWriteStereo(const char* filename, const float* left, const float* right, unsigned long Length, float FSample,
                    bool normFlag)
{
    const std::size_t values = 2 * static_cast<std::size_t>(Length);
    std::vector<float> both(values);
    for (unsigned long n = 0; n < Length; ++n) {
        both[2 * n] = left[n];
        both[2 * n + 1] = right[n];
    }
    if (normFlag && values > 0 && values <= UINT_MAX) Normalize(both.data(), static_cast<unsigned int>(values));
    std::vector<int> ints(values);
    for (std::size_t i = 0; i < values; ++i) {
        const double v = std::isnan(both[i]) ? 0.0 : std::clamp(static_cast<double>(both[i]), -1.0, 1.0);
        ints[i] = static_cast<int>(std::lround(v * 2147483647.0));
    }
    return writeWAVData<int>(filename, ints.data(), Length, static_cast<int>(FSample), 2);
}

void WavReaderNovo(const char* fileName, const char* fileToSave)
{
    FileSource src(fileName ? fileName : "");
    unsigned char h[36];
    if (!src.Ok() || !src.Read(0, h, sizeof h)) {
        Print("Erro no arquivo %s", fileName ? fileName : "(null)");
        std::fflush(stdout);
        throw SorviExit(1, "Erro no arquivo");  // printed, not shown
    }
    wav_header_t w;
    std::memcpy(w.chunkID, h, 4);
    w.chunkSize = U32(h + 4);
    std::memcpy(w.format, h + 8, 4);
    std::memcpy(w.subchunk1ID, h + 12, 4);
    w.subchunk1Size = U32(h + 16);
    w.audioFormat = U16(h + 20);
    w.numChannels = U16(h + 22);
    w.sampleRate = U32(h + 24);
    w.byteRate = U32(h + 28);
    w.blockAlign = U16(h + 32);
    w.bitsPerSample = U16(h + 34);

    Print("WAV File Header read:\n");
    Print("File Type: %.4s\n", w.chunkID);
    Print("File Size: %ld\n", static_cast<long>(w.chunkSize));
    Print("WAV Marker: %.4s\n", w.format);
    Print("Format Name: %.4s\n", w.subchunk1ID);
    Print("Format Length: %ld\n", static_cast<long>(w.subchunk1Size));
    Print("Format Type: %hd\n", static_cast<short>(w.audioFormat));
    Print("Number of Channels: %hd\n", static_cast<short>(w.numChannels));
    Print("Sample Rate: %ld\n", static_cast<long>(w.sampleRate));
    Print("Sample Rate * Bits/Sample * Channels / 8: %ld\n", static_cast<long>(w.byteRate));
    Print("Bits per Sample * Channels / 8.1: %hd\n", static_cast<short>(w.blockAlign));
    Print("Bits per Sample: %hd\n", static_cast<short>(w.bitsPerSample));
    Print("id\tsize\n");

    // The chunks after the fmt chunk, whatever its size.
    uint64_t offset = 20 + static_cast<uint64_t>(w.subchunk1Size) + (w.subchunk1Size & 1u);
    chunk_t c{};
    bool found = false;
    unsigned char ch[8];
    while (src.Read(offset, ch, sizeof ch)) {
        std::memcpy(c.ID, ch, 4);
        c.size = U32(ch + 4);
        Print("%c%c%c%c\t%li\n", c.ID[0], c.ID[1], c.ID[2], c.ID[3], static_cast<long>(c.size));
        if (IdIs(ch, "data")) {
            found = true;
            break;
        }
        offset += 8 + static_cast<uint64_t>(c.size) + (c.size & 1u);
    }
    const unsigned int bytesPer = std::max(1, w.bitsPerSample / 8);
    uint64_t dataBytes = found ? std::min<uint64_t>(c.size, src.Size() - (offset + 8)) : 0;
    const uint64_t count = dataBytes / bytesPer;
    Print("Samples count = %i\n", static_cast<int>(std::min<uint64_t>(count, INT_MAX)));

    FILE* f = utilOpenFile(fileToSave ? fileToSave : "", "w");
    if (f == nullptr) return;
    std::vector<unsigned char> block;
    const uint64_t perBlock = (1u << 20) / bytesPer;
    for (uint64_t done = 0; done < count;) {
        const uint64_t n = std::min(count - done, perBlock);
        block.resize(static_cast<std::size_t>(n * bytesPer));
        if (!src.Read(offset + 8 + done * bytesPer, block.data(), block.size())) break;
        for (uint64_t i = 0; i < n; ++i) {
            // The sample's first two bytes (one for 8-bit samples) fill the 16-bit slot.
            const unsigned char* p = block.data() + i * bytesPer;
            const int16_t slot = bytesPer == 1 ? static_cast<int16_t>(p[0]) : static_cast<int16_t>(U16(p));
            std::fprintf(f, "%d\n", slot);
        }
        done += n;
    }
    std::fclose(f);
}
