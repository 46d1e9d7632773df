#pragma once
// Test-only writer of DAFF files (version 170), built from the format's byte tables.
// Every field is a plain member that a test may change; blocks() gives the block list,
// which a test may reorder, drop, duplicate or give other offsets and sizes before
// serialize(); the resulting bytes may be truncated or poked.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dafftest {

// Little-endian byte sink.
struct Bytes {
    std::vector<std::uint8_t> b;
    Bytes& i16(std::int16_t v);
    Bytes& i24(std::int32_t v);
    Bytes& i32(std::int32_t v);
    Bytes& u64(std::uint64_t v);
    Bytes& f32(float v);
    Bytes& f64(double v);
    Bytes& cstr(const std::string& s);  // with its terminating zero
};

struct Block {
    std::int32_t id = 0;
    std::vector<std::uint8_t> bytes;
    std::optional<std::uint64_t> offset;  // table value; the bytes are still placed in sequence
    std::optional<std::uint64_t> size;    // table value; default bytes.size()
};

enum BlockId : std::int32_t { kMain = 1, kContent = 2, kDescriptors = 3, kData = 4, kMetadata = 5 };

struct MainHeader {
    std::int32_t contentType = 1;
    std::int32_t quantization = 2;
    std::int32_t numChannels = 1;
    std::int32_t numRecords = 1;
    std::int32_t elementsPerRecord = 1;
    std::int32_t metadataIndex = 0;
    std::int32_t alphaPoints = 1;
    float alphaStart = 0, alphaEnd = 0;
    std::int32_t betaPoints = 1;
    float betaStart = 90, betaEnd = 90;
    float yaw = 0, pitch = 0, roll = 0;
    std::vector<std::uint8_t> bytes() const;  // 60 bytes
};

struct MetaKey {
    std::int32_t type = 3;  // 0 bool, 1 int, 2 float (double), 3 string
    std::string name;
    std::int32_t i = 0;  // bool and int
    double d = 0;
    std::string s;
};

struct MetaSet {
    std::vector<MetaKey> keys;
    std::optional<std::int32_t> count;  // default keys.size()
    std::vector<std::uint8_t> bytes() const;
};

// One record and channel: its descriptor fields and its data.
struct ChannelRecord {
    std::int32_t metaIndex = -1;
    std::optional<std::uint64_t> dataOffset;       // default: where its data lands in the data block
    std::int32_t leadingZeros = 0;                 // impulse responses
    std::optional<std::int32_t> elementLength;     // default values.size()
    std::vector<double> values;                    // samples in [-1, 1] or spectrum floats
    std::optional<std::vector<std::uint8_t>> raw;  // data bytes as they stand, instead of values
};

class DaffTestWriter {
public:
    char signature[2] = {'F', 'W'};
    std::int32_t version = 170;
    std::optional<std::int32_t> numBlocks;  // default: the number of blocks serialised

    MainHeader main;

    // Content header fields, by content type.
    float sampleRate = 44100.0f;       // impulse responses and DFT
    std::int32_t minFilterOffset = 0;  // impulse responses
    std::int32_t maxEffectiveFilterLength = 0;
    float maxMagnitude = 1.0f;  // magnitude, magnitude-phase and DFT spectra
    std::vector<float> freqs;   // the three spectrum types
    std::optional<std::int32_t> numFreqs;
    std::int32_t numDFTCoeffs = 0;
    std::int32_t transformSize = 0;

    std::vector<std::vector<ChannelRecord>> records;  // [record][channel]
    std::vector<MetaSet> metadata;                    // empty: no metadata block

    std::vector<std::uint8_t> contentHeaderBytes() const;
    void recordBytes(std::vector<std::uint8_t>& descriptors, std::vector<std::uint8_t>& data) const;
    std::vector<std::uint8_t> metadataBytes() const;

    // main, content, descriptors, data, and metadata when there is any.
    std::vector<Block> blocks() const;
    std::vector<std::uint8_t> serialize(const std::vector<Block>& blocks) const;
    std::vector<std::uint8_t> bytes() const { return serialize(blocks()); }
};

// Number of records a grid needs (poles once each).
int gridRecords(int alphaPoints, float betaStart, float betaEnd, int betaPoints);

// Magnitude spectra: alpha 0..270 (4 points), beta 0..180 (5 points), 14 records,
// 2 channels, the nine octave centres 62.5 ... 16000 Hz. Record r, channel c, frequency f
// holds 1000 r + 100 c + f. Metadata: set 0 labels channel 1 "left" and has a few keys;
// record 5 names set 1.
DaffTestWriter magnitudeGrid();

// Impulse responses in the given quantization (0 int16, 1 int24, 2 float32): alpha 0..180
// (3 points), beta 30..150 (3 points), 9 records, 2 channels, 16 samples per record.
// Record r, channel c: (r + c) % 4 leading zeros, then 5 samples irSample(r, c, i).
DaffTestWriter impulseResponses(int quantization);
double irSample(int record, int channel, int i);

// One-channel magnitude spectrum over the whole sphere in 5 degree steps (2522 records);
// the single magnitude of record r is r.
DaffTestWriter fullSphere5Deg();

// Two records (alpha 0 and 180 at beta 90) of the given spectrum content type (2, 3 or 4),
// 3 frequencies (DFT: transform size 4, 3 coefficients). Value k of record r, channel c is
// 100 r + 10 c + k.
DaffTestWriter smallSpectrum(int contentType);

// Writes bytes to a file of that name in a temporary folder of the process (removed when the
// process ends) and returns its path.
std::string writeTempFile(const std::vector<std::uint8_t>& bytes, const std::string& name);

}  // namespace dafftest
