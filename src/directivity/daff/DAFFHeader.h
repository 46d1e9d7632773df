#pragma once
// The fixed-layout records of a DAFF file (version 170), decoded field by field from
// little-endian bytes. Each decode function needs kSize readable bytes at p.

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace DAFF {

inline std::uint16_t readUInt16LE(const std::uint8_t* p)
{
    return std::uint16_t(p[0] | (p[1] << 8));
}
inline std::int16_t readInt16LE(const std::uint8_t* p)
{
    return std::int16_t(readUInt16LE(p));
}
inline std::uint32_t readUInt32LE(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}
inline std::int32_t readInt32LE(const std::uint8_t* p)
{
    return std::int32_t(readUInt32LE(p));
}
inline std::uint64_t readUInt64LE(const std::uint8_t* p)
{
    return std::uint64_t(readUInt32LE(p)) | (std::uint64_t(readUInt32LE(p + 4)) << 32);
}
inline float readFloat32LE(const std::uint8_t* p)
{
    const std::uint32_t bits = readUInt32LE(p);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}
inline double readFloat64LE(const std::uint8_t* p)
{
    const std::uint64_t bits = readUInt64LE(p);
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}
// Three-byte two's complement, sign from the top bit of the third byte.
inline std::int32_t readInt24LE(const std::uint8_t* p)
{
    std::uint32_t v = std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16);
    if (v & 0x800000u) v |= 0xFF000000u;
    return std::int32_t(v);
}

}  // namespace DAFF

struct DAFFFileHeader {
    static constexpr std::size_t kSize = 10;
    char pcSignature[2] = {0, 0};
    std::int32_t iFileFormatVersion = 0;
    std::int32_t iNumFileBlocks = 0;
    static DAFFFileHeader decode(const std::uint8_t* p);
};

struct DAFFFileBlockEntry {
    static constexpr std::size_t kSize = 20;
    std::int32_t iID = 0;
    std::uint64_t ui64Offset = 0;
    std::uint64_t ui64Size = 0;
    static DAFFFileBlockEntry decode(const std::uint8_t* p);
};

struct DAFFMainHeader {
    static constexpr std::size_t kSize = 60;
    std::int32_t iContentType = 0;
    std::int32_t iQuantization = 0;
    std::int32_t iNumChannels = 0;
    std::int32_t iNumRecords = 0;
    std::int32_t iElementsPerRecord = 0;
    std::int32_t iMetadataIndex = 0;
    std::int32_t iAlphaPoints = 0;
    float fAlphaStart = 0;
    float fAlphaEnd = 0;
    std::int32_t iBetaPoints = 0;
    float fBetaStart = 0;
    float fBetaEnd = 0;
    float fOrientYaw = 0;
    float fOrientPitch = 0;
    float fOrientRoll = 0;
    static DAFFMainHeader decode(const std::uint8_t* p);
};

struct DAFFContentHeaderIR {
    static constexpr std::size_t kSize = 12;
    float fSamplerate = 0;
    std::int32_t iMinFilterOffset = 0;
    std::int32_t iMaxEffectiveFilterLength = 0;
    static DAFFContentHeaderIR decode(const std::uint8_t* p);
};

// Followed by iNumFreqs float32 frequencies.
struct DAFFContentHeaderMS {
    static constexpr std::size_t kSize = 8;
    float fMax = 0;
    std::int32_t iNumFreqs = 0;
    static DAFFContentHeaderMS decode(const std::uint8_t* p);
};

// Bytes 4..7 unused; followed by iNumFreqs float32 frequencies.
struct DAFFContentHeaderPS {
    static constexpr std::size_t kSize = 8;
    std::int32_t iNumFreqs = 0;
    static DAFFContentHeaderPS decode(const std::uint8_t* p);
};

// Followed by iNumFreqs float32 frequencies.
struct DAFFContentHeaderMPS {
    static constexpr std::size_t kSize = 8;
    float fMax = 0;
    std::int32_t iNumFreqs = 0;
    static DAFFContentHeaderMPS decode(const std::uint8_t* p);
};

struct DAFFContentHeaderDFT {
    static constexpr std::size_t kSize = 16;
    std::int32_t iNumDFTCoeffs = 0;
    std::int32_t iTransformSize = 0;
    float fSamplerate = 0;
    float fMax = 0;
    static DAFFContentHeaderDFT decode(const std::uint8_t* p);
};

struct DAFFRecordChannelDescIR {
    static constexpr std::size_t kSize = 20;
    std::int32_t iMetaDataIndex = -1;
    std::uint64_t ui64DataOffset = 0;
    std::int32_t iLeadingZeros = 0;
    std::int32_t iElementLength = 0;
    static DAFFRecordChannelDescIR decode(const std::uint8_t* p);
};

struct DAFFRecordChannelDescDefault {
    static constexpr std::size_t kSize = 12;
    std::int32_t iMetaDataIndex = -1;
    std::uint64_t ui64DataOffset = 0;
    static DAFFRecordChannelDescDefault decode(const std::uint8_t* p);
};
