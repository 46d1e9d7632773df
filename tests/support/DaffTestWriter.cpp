#include "support/DaffTestWriter.h"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "support/TempDir.h"

namespace dafftest {

Bytes& Bytes::i16(std::int16_t v)
{
    const auto u = std::uint16_t(v);
    b.push_back(std::uint8_t(u & 0xFF));
    b.push_back(std::uint8_t(u >> 8));
    return *this;
}

Bytes& Bytes::i24(std::int32_t v)
{
    const auto u = std::uint32_t(v);
    for (int k = 0; k < 3; ++k) b.push_back(std::uint8_t((u >> (8 * k)) & 0xFF));
    return *this;
}

Bytes& Bytes::i32(std::int32_t v)
{
    const auto u = std::uint32_t(v);
    for (int k = 0; k < 4; ++k) b.push_back(std::uint8_t((u >> (8 * k)) & 0xFF));
    return *this;
}

Bytes& Bytes::u64(std::uint64_t v)
{
    for (int k = 0; k < 8; ++k) b.push_back(std::uint8_t((v >> (8 * k)) & 0xFF));
    return *this;
}

Bytes& Bytes::f32(float v)
{
    std::uint32_t u;
    std::memcpy(&u, &v, 4);
    return i32(std::int32_t(u));
}

Bytes& Bytes::f64(double v)
{
    std::uint64_t u;
    std::memcpy(&u, &v, 8);
    return u64(u);
}

Bytes& Bytes::cstr(const std::string& s)
{
    b.insert(b.end(), s.begin(), s.end());
    b.push_back(0);
    return *this;
}

std::vector<std::uint8_t> MainHeader::bytes() const
{
    Bytes o;
    o.i32(contentType).i32(quantization).i32(numChannels).i32(numRecords).i32(elementsPerRecord);
    o.i32(metadataIndex).i32(alphaPoints).f32(alphaStart).f32(alphaEnd);
    o.i32(betaPoints).f32(betaStart).f32(betaEnd).f32(yaw).f32(pitch).f32(roll);
    return o.b;
}

std::vector<std::uint8_t> MetaSet::bytes() const
{
    Bytes o;
    o.i32(count ? *count : std::int32_t(keys.size()));
    for (const auto& k : keys) {
        o.i32(k.type).cstr(k.name);
        switch (k.type) {
        case 0:
        case 1:
            o.i32(k.i);
            break;
        case 2:
            o.f64(k.d);
            break;
        case 3:
            o.cstr(k.s);
            break;
        default:
            break;  // unknown types carry no value
        }
    }
    return o.b;
}

std::vector<std::uint8_t> DaffTestWriter::contentHeaderBytes() const
{
    Bytes o;
    const std::int32_t n = numFreqs ? *numFreqs : std::int32_t(freqs.size());
    switch (main.contentType) {
    case 0:
        o.f32(sampleRate).i32(minFilterOffset).i32(maxEffectiveFilterLength);
        break;
    case 2:
        o.i32(n).i32(0);
        for (float f : freqs) o.f32(f);
        break;
    case 4:
        o.i32(numDFTCoeffs).i32(transformSize).f32(sampleRate).f32(maxMagnitude);
        break;
    default:  // magnitude and magnitude-phase spectra
        o.f32(maxMagnitude).i32(n);
        for (float f : freqs) o.f32(f);
        break;
    }
    return o.b;
}

void DaffTestWriter::recordBytes(std::vector<std::uint8_t>& descriptors, std::vector<std::uint8_t>& data) const
{
    Bytes d, x;
    const bool ir = main.contentType == 0;
    for (const auto& record : records) {
        for (const auto& ch : record) {
            const std::uint64_t offset = ch.dataOffset ? *ch.dataOffset : x.b.size();
            if (ch.raw) {
                x.b.insert(x.b.end(), ch.raw->begin(), ch.raw->end());
            } else {
                for (double v : ch.values) {
                    if (!ir || main.quantization == 2)
                        x.f32(float(v));
                    else if (main.quantization == 0)
                        x.i16(std::int16_t(std::lround(v * 32767.0)));
                    else
                        x.i24(std::int32_t(std::lround(v * 8388607.0)));
                }
            }
            d.i32(ch.metaIndex).u64(offset);
            if (ir) d.i32(ch.leadingZeros).i32(ch.elementLength ? *ch.elementLength : std::int32_t(ch.values.size()));
        }
    }
    descriptors = d.b;
    data = x.b;
}

std::vector<std::uint8_t> DaffTestWriter::metadataBytes() const
{
    std::vector<std::uint8_t> out;
    for (const auto& s : metadata) {
        const auto b = s.bytes();
        out.insert(out.end(), b.begin(), b.end());
    }
    return out;
}

std::vector<Block> DaffTestWriter::blocks() const
{
    std::vector<Block> v;
    v.push_back({kMain, main.bytes(), {}, {}});
    v.push_back({kContent, contentHeaderBytes(), {}, {}});
    std::vector<std::uint8_t> desc, data;
    recordBytes(desc, data);
    v.push_back({kDescriptors, desc, {}, {}});
    v.push_back({kData, data, {}, {}});
    if (!metadata.empty()) v.push_back({kMetadata, metadataBytes(), {}, {}});
    return v;
}

std::vector<std::uint8_t> DaffTestWriter::serialize(const std::vector<Block>& blocks) const
{
    Bytes o;
    o.b.push_back(std::uint8_t(signature[0]));
    o.b.push_back(std::uint8_t(signature[1]));
    o.i32(version).i32(numBlocks ? *numBlocks : std::int32_t(blocks.size()));
    std::uint64_t pos = 10 + 20 * std::uint64_t(blocks.size());
    for (const auto& blk : blocks) {
        o.i32(blk.id).u64(blk.offset ? *blk.offset : pos).u64(blk.size ? *blk.size : blk.bytes.size());
        pos += blk.bytes.size();
    }
    for (const auto& blk : blocks) o.b.insert(o.b.end(), blk.bytes.begin(), blk.bytes.end());
    return o.b;
}

int gridRecords(int alphaPoints, float betaStart, float betaEnd, int betaPoints)
{
    const bool south = betaStart == 0.0f;
    const bool north = betaEnd == 180.0f && betaPoints >= 2;
    const int rings = betaPoints - (south ? 1 : 0) - (north ? 1 : 0);
    return rings * alphaPoints + (south ? 1 : 0) + (north ? 1 : 0);
}

namespace {

void setGrid(MainHeader& m, int alphaPoints, float alphaStart, float alphaEnd, int betaPoints, float betaStart,
             float betaEnd)
{
    m.alphaPoints = alphaPoints;
    m.alphaStart = alphaStart;
    m.alphaEnd = alphaEnd;
    m.betaPoints = betaPoints;
    m.betaStart = betaStart;
    m.betaEnd = betaEnd;
    m.numRecords = gridRecords(alphaPoints, betaStart, betaEnd, betaPoints);
}

}  // namespace

DaffTestWriter magnitudeGrid()
{
    DaffTestWriter w;
    w.main.contentType = 1;
    w.main.quantization = 2;
    w.main.numChannels = 2;
    w.main.elementsPerRecord = 9;
    setGrid(w.main, 4, 0, 270, 5, 0, 180);
    for (int b = 0; b < 9; ++b) w.freqs.push_back(float(62.5 * std::pow(2.0, b)));
    w.maxMagnitude = 20000.0f;
    for (int r = 0; r < w.main.numRecords; ++r) {
        std::vector<ChannelRecord> rec(2);
        for (int c = 0; c < 2; ++c)
            for (int f = 0; f < 9; ++f) rec[std::size_t(c)].values.push_back(1000.0 * r + 100.0 * c + f);
        rec[0].metaIndex = r == 5 ? 1 : 0;
        w.records.push_back(rec);
    }
    MetaSet file;
    file.keys.push_back({3, "Label_Channel_1", 0, 0, "left"});
    file.keys.push_back({1, "SampleRate", 48000, 0, ""});
    file.keys.push_back({0, "measured", 1, 0, ""});
    file.keys.push_back({2, "Temperature", 0, 21.5, ""});
    MetaSet front;
    front.keys.push_back({3, "Note", 0, 0, "front"});
    w.metadata = {file, front};
    return w;
}

double irSample(int record, int channel, int i)
{
    static const double base[5] = {1.0, -0.5, 0.25, -1.0, 0.125};
    return base[i] * (1.0 - 0.05 * record) * (channel ? -1.0 : 1.0);
}

DaffTestWriter impulseResponses(int quantization)
{
    DaffTestWriter w;
    w.main.contentType = 0;
    w.main.quantization = quantization;
    w.main.numChannels = 2;
    w.main.elementsPerRecord = 16;
    setGrid(w.main, 3, 0, 180, 3, 30, 150);
    w.sampleRate = 48000.0f;
    w.minFilterOffset = 0;
    w.maxEffectiveFilterLength = 5;
    for (int r = 0; r < w.main.numRecords; ++r) {
        std::vector<ChannelRecord> rec(2);
        for (int c = 0; c < 2; ++c) {
            rec[std::size_t(c)].leadingZeros = (r + c) % 4;
            for (int i = 0; i < 5; ++i) rec[std::size_t(c)].values.push_back(irSample(r, c, i));
        }
        w.records.push_back(rec);
    }
    return w;
}

DaffTestWriter fullSphere5Deg()
{
    DaffTestWriter w;
    w.main.contentType = 1;
    w.main.quantization = 2;
    w.main.numChannels = 1;
    setGrid(w.main, 72, 0, 355, 37, 0, 180);
    w.freqs = {1000.0f};
    for (int r = 0; r < w.main.numRecords; ++r) {
        ChannelRecord ch;
        ch.values = {double(r)};
        w.records.push_back({ch});
    }
    return w;
}

DaffTestWriter smallSpectrum(int contentType)
{
    DaffTestWriter w;
    w.main.contentType = contentType;
    w.main.quantization = 2;
    w.main.numChannels = 2;
    setGrid(w.main, 2, 0, 180, 1, 90, 90);
    w.freqs = {100.0f, 1000.0f, 10000.0f};
    w.transformSize = 4;
    w.numDFTCoeffs = 3;
    w.maxMagnitude = 250.0f;
    const int perRecord = contentType == 2 ? 3 : 6;  // MPS and DFT hold pairs
    for (int r = 0; r < w.main.numRecords; ++r) {
        std::vector<ChannelRecord> rec(2);
        for (int c = 0; c < 2; ++c)
            for (int k = 0; k < perRecord; ++k) rec[std::size_t(c)].values.push_back(100.0 * r + 10.0 * c + k);
        w.records.push_back(rec);
    }
    return w;
}

std::string writeTempFile(const std::vector<std::uint8_t>& bytes, const std::string& name)
{
    // One folder for the process, removed when it ends.
    static const TempDir dir("daff-tests");
    const auto path = dir / name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path.string();
}

}  // namespace dafftest
