#include "directivity/daff/DAFFReaderImpl.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "directivity/daff/DAFF.h"
#include "directivity/daff/DAFFUtils.h"

using namespace DAFF;

namespace {

constexpr int kFileFormatVersion = 170;

// The block lies wholly inside the image (no overflow for any 64-bit offset and size).
bool blockInside(const DAFFFileBlockEntry& e, std::size_t iImageSize)
{
    return e.ui64Offset <= iImageSize && e.ui64Size <= iImageSize - e.ui64Offset;
}

// Bytes per stored sample of an impulse response.
int sampleBytes(int iQuantization)
{
    switch (iQuantization) {
    case DAFF_INT16:
        return 2;
    case DAFF_INT24:
        return 3;
    default:
        return 4;
    }
}

// Records the grid needs: each ring iAlphaPoints records, each pole that the grid reaches one.
std::int64_t gridRecords(const DAFFMainHeader& h)
{
    const std::int64_t A = h.iAlphaPoints, B = h.iBetaPoints;
    const bool north = (h.fBetaEnd == 180.0f) && B >= 2;
    if (h.fBetaStart == 0.0f) return 1 + (B - 1 - (north ? 1 : 0)) * A + (north ? 1 : 0);
    return (B - (north ? 1 : 0)) * A + (north ? 1 : 0);
}

// Nearest grid index to a fractional position, kept inside 0 ... iMax.
int nearestIndex(double dPosition, int iMax)
{
    double r = std::round(dPosition);
    if (!(r >= 0.0)) r = 0.0;
    if (r > iMax) r = iMax;
    return int(r);
}

}  // namespace

DAFFReaderImpl::DAFFReaderImpl() : m_pEmptyMetadata(std::make_unique<DAFFMetadataImpl>()) {}

DAFFReaderImpl::~DAFFReaderImpl()
{
    tidyup();
}

// ---------------------------------------------------------------------------------------------
// Loading

bool DAFFReaderImpl::isFileOpened() const
{
    return m_bDAFFObjectValid && m_bDAFFObjectFromFileValid;
}

bool DAFFReaderImpl::isValid() const
{
    return m_bDAFFObjectValid;
}

int DAFFReaderImpl::openFile(const std::string& sFilePath)
{
    if (m_bDAFFObjectValid) return DAFF_MODAL_ERROR;

    std::error_code ec;
    if (sFilePath.empty() || std::filesystem::is_directory(sFilePath, ec)) return DAFF_FILE_NOT_FOUND;
    std::ifstream in(sFilePath, std::ios::binary);
    if (!in) return DAFF_FILE_NOT_FOUND;
    // The whole file, read once; every part is then parsed from this image.
    std::vector<std::uint8_t> image;
    const auto size = std::filesystem::file_size(sFilePath, ec);
    if (!ec) image.reserve(std::size_t(size));
    char chunk[65536];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) image.insert(image.end(), chunk, chunk + in.gcount());
    if (in.bad()) return DAFF_FILE_NOT_FOUND;
    in.close();

    const int iError = load(image.data(), image.size());
    if (iError != DAFF_NO_ERROR) return iError;
    m_sFilePath = sFilePath;
    m_bDAFFObjectFromFileValid = true;
    return DAFF_NO_ERROR;
}

int DAFFReaderImpl::deserialize(const char* pDAFFDataBuffer, std::size_t iBufferSize)
{
    if (m_bDAFFObjectValid) return DAFF_MODAL_ERROR;
    if (pDAFFDataBuffer == nullptr) iBufferSize = 0;
    return load(reinterpret_cast<const std::uint8_t*>(pDAFFDataBuffer), iBufferSize);
}

void DAFFReaderImpl::closeFile()
{
    if (m_bDAFFObjectValid) tidyup();
}

std::string DAFFReaderImpl::getFilename() const
{
    return m_sFilePath;
}

int DAFFReaderImpl::load(const std::uint8_t* p, std::size_t n)
{
    tidyup();
    const int iError = parse(p, n);
    if (iError != DAFF_NO_ERROR) {
        tidyup();
        return iError;
    }
    fixAngleRanges();
    m_bDAFFObjectValid = true;
    return DAFF_NO_ERROR;
}

int DAFFReaderImpl::parse(const std::uint8_t* p, std::size_t n)
{
    if (n < DAFFFileHeader::kSize) return DAFF_FILE_INVALID;
    m_fileHeader = DAFFFileHeader::decode(p);
    if (m_fileHeader.pcSignature[0] != 'F' || m_fileHeader.pcSignature[1] != 'W') return DAFF_FILE_INVALID;
    if (m_fileHeader.iFileFormatVersion != kFileFormatVersion) return DAFF_FILE_FORMAT_VERSION_UNSUPPORTED;
    if (m_fileHeader.iNumFileBlocks <= 0) return DAFF_FILE_INVALID;

    const std::uint64_t tableEnd =
        DAFFFileHeader::kSize + std::uint64_t(m_fileHeader.iNumFileBlocks) * DAFFFileBlockEntry::kSize;
    if (tableEnd > n) return DAFF_FILE_INVALID;
    m_vFileBlockTable.reserve(std::size_t(m_fileHeader.iNumFileBlocks));
    for (int i = 0; i < m_fileHeader.iNumFileBlocks; ++i)
        m_vFileBlockTable.push_back(
            DAFFFileBlockEntry::decode(p + DAFFFileHeader::kSize + std::size_t(i) * DAFFFileBlockEntry::kSize));
    for (const auto& e : m_vFileBlockTable)
        if (e.ui64Offset < tableEnd) return DAFF_FILE_INVALID;

    if (int e = loadMainHeader(p, n)) return e;
    if (int e = loadContentHeader(p, n)) return e;
    if (int e = loadRecordDescriptors(p, n)) return e;
    if (int e = loadDataBlock(p, n)) return e;
    return loadMetadata(p, n);
}

int DAFFReaderImpl::loadMainHeader(const std::uint8_t* p, std::size_t n)
{
    const DAFFFileBlockEntry* e = nullptr;
    if (getFirstFileBlockByID(FILEBLOCK_DAFF1_MAIN_HEADER_ID, e) != 1) return DAFF_FILE_INVALID;
    // Always read as its fixed size; the block must be at least that large.
    if (e->ui64Size < DAFFMainHeader::kSize || e->ui64Offset > n || n - e->ui64Offset < DAFFMainHeader::kSize)
        return DAFF_FILE_INVALID;
    const DAFFMainHeader h = DAFFMainHeader::decode(p + e->ui64Offset);

    if (h.iContentType < DAFF_IMPULSE_RESPONSE || h.iContentType > DAFF_DFT_SPECTRUM)
        return DAFF_FILE_CONTENT_TYPE_UNKOWN;
    if (h.iQuantization < DAFF_INT16 || h.iQuantization > DAFF_FLOAT32) return DAFF_FILE_QUANTIZATION_UNKOWN;
    if (h.iNumChannels <= 0 || h.iNumRecords <= 0 || h.iElementsPerRecord <= 0) return DAFF_FILE_INVALID_MAIN_PARAMETER;

    if (h.iAlphaPoints <= 0) return DAFF_FILE_ALPHA_ANGLES_INVALID;
    if (!(h.fAlphaStart >= 0.0f && h.fAlphaStart < 360.0f)) return DAFF_FILE_ALPHA_ANGLES_INVALID;
    if (!(h.fAlphaEnd >= 0.0f && h.fAlphaEnd <= 360.0f)) return DAFF_FILE_ALPHA_ANGLES_INVALID;

    if (h.iBetaPoints <= 0) return DAFF_FILE_BETA_ANGLES_INVALID;
    if (std::isnan(h.fBetaStart) || std::isnan(h.fBetaEnd)) return DAFF_FILE_BETA_ANGLES_INVALID;
    if (h.fBetaStart > h.fBetaEnd || h.fBetaStart < 0.0f || h.fBetaStart > 180.0f || h.fBetaEnd < 0.0f ||
        h.fBetaEnd > 180.0f)
        return DAFF_FILE_BETA_ANGLES_INVALID;
    // Several rings at one beta would all share one index.
    if (h.iBetaPoints >= 2 && h.fBetaStart == h.fBetaEnd) return DAFF_FILE_BETA_ANGLES_INVALID;

    if (!std::isfinite(h.fOrientYaw) || !std::isfinite(h.fOrientPitch) || !std::isfinite(h.fOrientRoll))
        return DAFF_FILE_INVALID_MAIN_PARAMETER;
    // Every record a lookup can answer must exist.
    if (std::int64_t(h.iNumRecords) < gridRecords(h)) return DAFF_FILE_INVALID_MAIN_PARAMETER;

    m_mainHeader = h;
    m_orientationDefault = DAFFOrientationYPR(h.fOrientYaw, h.fOrientPitch, h.fOrientRoll);
    m_tTrans.setOrientation(m_orientationDefault);
    return DAFF_NO_ERROR;
}

int DAFFReaderImpl::loadContentHeader(const std::uint8_t* p, std::size_t n)
{
    const DAFFFileBlockEntry* e = nullptr;
    if (getFirstFileBlockByID(FILEBLOCK_DAFF1_CONTENT_HEADER_ID, e) != 1) return DAFF_FILE_CORRUPTED;
    if (!blockInside(*e, n)) return DAFF_FILE_CORRUPTED;
    const std::uint8_t* b = p + e->ui64Offset;
    const std::uint64_t size = e->ui64Size;
    const DAFFMainHeader& h = m_mainHeader;

    int iNumFreqs = 0;
    switch (h.iContentType) {
    case DAFF_IMPULSE_RESPONSE: {
        if (size < DAFFContentHeaderIR::kSize) return DAFF_FILE_CORRUPTED;
        const auto c = DAFFContentHeaderIR::decode(b);
        if (!(c.fSamplerate >= 0.0f) || !std::isfinite(c.fSamplerate)) return DAFF_FILE_CONTENT_INVALID_PARAMETER;
        if (c.iMaxEffectiveFilterLength < 0 || c.iMaxEffectiveFilterLength > h.iElementsPerRecord)
            return DAFF_FILE_CONTENT_INVALID_PARAMETER;
        if (c.iMinFilterOffset < 0 || c.iMinFilterOffset > h.iElementsPerRecord)
            return DAFF_FILE_CONTENT_INVALID_PARAMETER;
        m_contentHeaderIR = c;
        m_iRecordChannelDescSize = int(DAFFRecordChannelDescIR::kSize);
        return DAFF_NO_ERROR;
    }
    case DAFF_MAGNITUDE_SPECTRUM:
        if (size < DAFFContentHeaderMS::kSize) return DAFF_FILE_CORRUPTED;
        m_contentHeaderMS = DAFFContentHeaderMS::decode(b);
        iNumFreqs = m_contentHeaderMS.iNumFreqs;
        break;
    case DAFF_PHASE_SPECTRUM:
        if (size < DAFFContentHeaderPS::kSize) return DAFF_FILE_CORRUPTED;
        m_contentHeaderPS = DAFFContentHeaderPS::decode(b);
        iNumFreqs = m_contentHeaderPS.iNumFreqs;
        break;
    case DAFF_MAGNITUDE_PHASE_SPECTRUM:
        if (size < DAFFContentHeaderMPS::kSize) return DAFF_FILE_CORRUPTED;
        m_contentHeaderMPS = DAFFContentHeaderMPS::decode(b);
        iNumFreqs = m_contentHeaderMPS.iNumFreqs;
        break;
    case DAFF_DFT_SPECTRUM: {
        if (size < DAFFContentHeaderDFT::kSize) return DAFF_FILE_CORRUPTED;
        const auto c = DAFFContentHeaderDFT::decode(b);
        if (c.iTransformSize <= 0) return DAFF_FILE_CONTENT_INVALID_PARAMETER;
        if (c.iNumDFTCoeffs != c.iTransformSize && c.iNumDFTCoeffs != c.iTransformSize / 2 + 1)
            return DAFF_FILE_CONTENT_INVALID_PARAMETER;
        if (!std::isfinite(c.fSamplerate)) return DAFF_FILE_CONTENT_INVALID_PARAMETER;
        m_contentHeaderDFT = c;
        m_iRecordChannelDescSize = int(DAFFRecordChannelDescDefault::kSize);
        return DAFF_NO_ERROR;
    }
    default:
        return DAFF_FILE_CONTENT_TYPE_UNKOWN;
    }

    // The three spectrum types: frequencies follow from byte 8.
    if (iNumFreqs <= 0) return DAFF_FILE_CONTENT_INVALID_PARAMETER;
    if ((size - 8) / 4 < std::uint64_t(iNumFreqs)) return DAFF_FILE_CORRUPTED;
    m_vfFreqs.resize(std::size_t(iNumFreqs));
    for (int i = 0; i < iNumFreqs; ++i) m_vfFreqs[std::size_t(i)] = readFloat32LE(b + 8 + 4 * std::size_t(i));
    m_iRecordChannelDescSize = int(DAFFRecordChannelDescDefault::kSize);
    return DAFF_NO_ERROR;
}

int DAFFReaderImpl::loadRecordDescriptors(const std::uint8_t* p, std::size_t n)
{
    const DAFFFileBlockEntry* e = nullptr;
    if (getFirstFileBlockByID(FILEBLOCK_DAFF1_RECORD_DESC_ID, e) != 1) return DAFF_FILE_CORRUPTED;
    if (!blockInside(*e, n)) return DAFF_FILE_CORRUPTED;
    const std::uint64_t count = std::uint64_t(m_mainHeader.iNumRecords) * std::uint64_t(m_mainHeader.iNumChannels);
    const std::uint64_t D = std::uint64_t(m_iRecordChannelDescSize);
    if (e->ui64Size / D < count) return DAFF_FILE_CORRUPTED;

    const std::uint8_t* b = p + e->ui64Offset;
    const bool ir = m_mainHeader.iContentType == DAFF_IMPULSE_RESPONSE;
    m_vRecordChannelDesc.resize(std::size_t(count));
    for (std::size_t i = 0; i < count; ++i) {
        if (ir) {
            m_vRecordChannelDesc[i] = DAFFRecordChannelDescIR::decode(b + i * D);
        } else {
            const auto d = DAFFRecordChannelDescDefault::decode(b + i * D);
            m_vRecordChannelDesc[i].iMetaDataIndex = d.iMetaDataIndex;
            m_vRecordChannelDesc[i].ui64DataOffset = d.ui64DataOffset;
        }
    }
    return DAFF_NO_ERROR;
}

std::uint64_t DAFFReaderImpl::recordChannelBytes(const DAFFRecordChannelDescIR& d) const
{
    switch (m_mainHeader.iContentType) {
    case DAFF_IMPULSE_RESPONSE:
        return std::uint64_t(d.iElementLength) * std::uint64_t(sampleBytes(m_mainHeader.iQuantization));
    case DAFF_MAGNITUDE_SPECTRUM:
    case DAFF_PHASE_SPECTRUM:
        return 4 * std::uint64_t(m_vfFreqs.size());
    case DAFF_MAGNITUDE_PHASE_SPECTRUM:
        return 8 * std::uint64_t(m_vfFreqs.size());
    default:
        return 8 * std::uint64_t(m_contentHeaderDFT.iNumDFTCoeffs);
    }
}

int DAFFReaderImpl::loadDataBlock(const std::uint8_t* p, std::size_t n)
{
    const DAFFFileBlockEntry* e = nullptr;
    if (getFirstFileBlockByID(FILEBLOCK_DAFF1_DATA_ID, e) != 1) return DAFF_FILE_CORRUPTED;
    if (!blockInside(*e, n)) return DAFF_FILE_CORRUPTED;
    const std::uint64_t size = e->ui64Size;

    // Every record and channel must lie inside the block, and a response inside its filter.
    for (const auto& d : m_vRecordChannelDesc) {
        if (m_mainHeader.iContentType == DAFF_IMPULSE_RESPONSE) {
            if (d.iLeadingZeros < 0 || d.iElementLength < 0) return DAFF_FILE_CORRUPTED;
            if (std::int64_t(d.iLeadingZeros) + d.iElementLength > m_mainHeader.iElementsPerRecord)
                return DAFF_FILE_CORRUPTED;
        }
        if (d.ui64DataOffset > size || recordChannelBytes(d) > size - d.ui64DataOffset) return DAFF_FILE_CORRUPTED;
    }
    m_vDataBlock.assign(p + e->ui64Offset, p + e->ui64Offset + size);
    return DAFF_NO_ERROR;
}

int DAFFReaderImpl::loadMetadata(const std::uint8_t* p, std::size_t n)
{
    std::vector<const DAFFFileBlockEntry*> blocks;
    const int iCount = getFileBlocksByID(FILEBLOCK_DAFF1_METADATA_ID, blocks);
    if (iCount > 1) return DAFF_FILE_CORRUPTED;
    if (iCount == 0 || blocks[0]->ui64Size == 0) {
        m_vpMetadata.push_back(std::make_unique<DAFFMetadataImpl>());
        return DAFF_NO_ERROR;
    }
    const DAFFFileBlockEntry& e = *blocks[0];
    if (!blockInside(e, n)) return DAFF_FILE_CORRUPTED;
    const std::uint8_t* b = p + e.ui64Offset;
    std::size_t pos = 0;
    while (pos < e.ui64Size) {
        auto set = std::make_unique<DAFFMetadataImpl>();
        std::size_t iBytesRead = 0;
        const int iError = set->load(b + pos, std::size_t(e.ui64Size) - pos, iBytesRead);
        if (iError != DAFF_NO_ERROR) return iError;
        m_vpMetadata.push_back(std::move(set));
        pos += iBytesRead;
    }
    return DAFF_NO_ERROR;
}

float DAFFReaderImpl::alphaRingSpan() const
{
    const float s = m_mainHeader.fAlphaStart, e = m_mainHeader.fAlphaEnd;
    return e > s ? e - s : 360.0f - s + e;
}

void DAFFReaderImpl::fixAngleRanges()
{
    const auto& h = m_mainHeader;
    const float span = alphaRingSpan();
    if (h.iAlphaPoints < 2)
        m_fAlphaResolution = 0.0f;
    else if (span == 360.0f)
        m_fAlphaResolution = span / float(h.iAlphaPoints);
    else
        m_fAlphaResolution = span / float(h.iAlphaPoints - 1);
    m_fBetaResolution = h.iBetaPoints < 2 ? 0.0f : (h.fBetaEnd - h.fBetaStart) / float(h.iBetaPoints - 1);
}

void DAFFReaderImpl::tidyup()
{
    m_vFileBlockTable.clear();
    m_vRecordChannelDesc.clear();
    m_vDataBlock.clear();
    m_vDataBlock.shrink_to_fit();
    m_vfFreqs.clear();
    m_vpMetadata.clear();
    m_fileHeader = DAFFFileHeader();
    m_mainHeader = DAFFMainHeader();
    m_contentHeaderIR = DAFFContentHeaderIR();
    m_contentHeaderMS = DAFFContentHeaderMS();
    m_contentHeaderPS = DAFFContentHeaderPS();
    m_contentHeaderMPS = DAFFContentHeaderMPS();
    m_contentHeaderDFT = DAFFContentHeaderDFT();
    m_iRecordChannelDescSize = 0;
    m_bOverallPeakInitialized = false;
    m_fOverallPeak = 0.0f;
    m_fAlphaResolution = m_fBetaResolution = 0.0f;
    m_sFilePath.clear();
    m_bDAFFObjectValid = false;
    m_bDAFFObjectFromFileValid = false;
}

int DAFFReaderImpl::getFileBlocksByID(int iID, std::vector<const DAFFFileBlockEntry*>& vpfDest) const
{
    vpfDest.clear();
    for (const auto& e : m_vFileBlockTable)
        if (e.iID == iID) vpfDest.push_back(&e);
    return int(vpfDest.size());
}

int DAFFReaderImpl::getFirstFileBlockByID(int iID, const DAFFFileBlockEntry*& pfDest) const
{
    std::vector<const DAFFFileBlockEntry*> v;
    const int iCount = getFileBlocksByID(iID, v);
    pfDest = iCount > 0 ? v.front() : nullptr;
    return iCount;
}

// ---------------------------------------------------------------------------------------------
// The file and its properties

int DAFFReaderImpl::getFileFormatVersion() const
{
    assert(m_bDAFFObjectValid);
    return m_fileHeader.iFileFormatVersion;
}

int DAFFReaderImpl::getContentType() const
{
    assert(m_bDAFFObjectValid);
    return m_mainHeader.iContentType;
}

DAFFContent* DAFFReaderImpl::getContent() const
{
    assert(m_bDAFFObjectValid);
    auto* self = const_cast<DAFFReaderImpl*>(this);
    if (!m_bDAFFObjectValid) return nullptr;
    switch (m_mainHeader.iContentType) {
    case DAFF_IMPULSE_RESPONSE:
        return static_cast<DAFFContentIR*>(self);
    case DAFF_MAGNITUDE_SPECTRUM:
        return static_cast<DAFFContentMS*>(self);
    case DAFF_PHASE_SPECTRUM:
        return static_cast<DAFFContentPS*>(self);
    case DAFF_MAGNITUDE_PHASE_SPECTRUM:
        return static_cast<DAFFContentMPS*>(self);
    default:
        return static_cast<DAFFContentDFT*>(self);
    }
}

const DAFFMetadata* DAFFReaderImpl::getMetadata() const
{
    assert(m_bDAFFObjectValid);
    if (m_vpMetadata.empty()) return m_pEmptyMetadata.get();
    return m_vpMetadata.front().get();
}

DAFFProperties* DAFFReaderImpl::getProperties() const
{
    return static_cast<DAFFProperties*>(const_cast<DAFFReaderImpl*>(this));
}

DAFFReader* DAFFReaderImpl::getParent() const
{
    return static_cast<DAFFReader*>(const_cast<DAFFReaderImpl*>(this));
}

int DAFFReaderImpl::getQuantization() const
{
    assert(m_bDAFFObjectValid);
    return m_mainHeader.iQuantization;
}

int DAFFReaderImpl::getNumberOfChannels() const
{
    assert(m_bDAFFObjectValid);
    return m_mainHeader.iNumChannels;
}

int DAFFReaderImpl::getNumberOfRecords() const
{
    assert(m_bDAFFObjectValid);
    return m_mainHeader.iNumRecords;
}

std::string DAFFReaderImpl::getChannelLabel(int iChannel) const
{
    assert(m_bDAFFObjectValid);
    if (iChannel < 0 || iChannel >= m_mainHeader.iNumChannels || m_vpMetadata.empty()) return std::string();
    const std::string sKey = "LABEL_CHANNEL_" + std::to_string(iChannel + 1);
    const DAFFMetadata* m = m_vpMetadata.front().get();
    return m->hasKey(sKey) ? m->getKeyString(sKey) : std::string();
}

int DAFFReaderImpl::getAlphaPoints() const
{
    assert(m_bDAFFObjectValid);
    return m_mainHeader.iAlphaPoints;
}

float DAFFReaderImpl::getAlphaResolution() const
{
    assert(m_bDAFFObjectValid);
    return m_fAlphaResolution;
}

float DAFFReaderImpl::getAlphaStart() const
{
    assert(m_bDAFFObjectValid);
    return m_mainHeader.fAlphaStart;
}

float DAFFReaderImpl::getAlphaEnd() const
{
    assert(m_bDAFFObjectValid);
    return m_mainHeader.fAlphaEnd;
}

float DAFFReaderImpl::getAlphaSpan() const
{
    assert(m_bDAFFObjectValid);
    const float s = m_mainHeader.fAlphaStart, e = m_mainHeader.fAlphaEnd;
    return e >= s ? e - s : 360.0f - s + e;
}

int DAFFReaderImpl::getBetaPoints() const
{
    assert(m_bDAFFObjectValid);
    return m_mainHeader.iBetaPoints;
}

float DAFFReaderImpl::getBetaResolution() const
{
    assert(m_bDAFFObjectValid);
    return m_fBetaResolution;
}

float DAFFReaderImpl::getBetaStart() const
{
    assert(m_bDAFFObjectValid);
    return m_mainHeader.fBetaStart;
}

float DAFFReaderImpl::getBetaEnd() const
{
    assert(m_bDAFFObjectValid);
    return m_mainHeader.fBetaEnd;
}

float DAFFReaderImpl::getBetaSpan() const
{
    assert(m_bDAFFObjectValid);
    return m_mainHeader.fBetaEnd - m_mainHeader.fBetaStart;
}

void DAFFReaderImpl::getDefaultOrientation(DAFFOrientationYPR& o) const
{
    assert(m_bDAFFObjectValid);
    o = m_orientationDefault;
}

void DAFFReaderImpl::setDefaultOrientation()
{
    assert(m_bDAFFObjectValid);
    m_tTrans.setOrientation(m_orientationDefault);
}

void DAFFReaderImpl::getOrientation(DAFFOrientationYPR& o) const
{
    assert(m_bDAFFObjectValid);
    m_tTrans.getOrientation(o);
}

void DAFFReaderImpl::setOrientation(const DAFFOrientationYPR& o)
{
    assert(m_bDAFFObjectValid);
    m_tTrans.setOrientation(o);
}

bool DAFFReaderImpl::coversFullAlphaRange() const
{
    assert(m_bDAFFObjectValid);
    return m_mainHeader.fAlphaStart == 0.0f && m_mainHeader.fAlphaEnd == 360.0f;
}

bool DAFFReaderImpl::coversFullBetaRange() const
{
    assert(m_bDAFFObjectValid);
    return m_mainHeader.fBetaStart == 0.0f && m_mainHeader.fBetaEnd == 180.0f;
}

bool DAFFReaderImpl::coversFullSphere() const
{
    return coversFullAlphaRange() && coversFullBetaRange();
}

std::string DAFFReaderImpl::toString() const
{
    assert(m_bDAFFObjectValid);
    const auto& h = m_mainHeader;
    std::ostringstream ss;
    ss.imbue(std::locale::classic());
    ss << "File format version: " << DAFFUtils::Float2StrNice(float(getFileFormatVersion()) / 1000.0f, 3) << "\n";
    ss << "Content type:        " << DAFFUtils::StrContentType(h.iContentType) << "\n";
    ss << "Quantization:        " << DAFFUtils::StrQuantizationType(h.iQuantization) << "\n\n";
    ss << "Number of channels:  " << h.iNumChannels << "\n";
    ss << "Number of records:   " << h.iNumRecords << "\n\n";
    ss << "Alpha points:        " << h.iAlphaPoints << "\n";
    ss << "Alpha range:         [" << DAFFUtils::Float2StrNice(h.fAlphaStart, 3) << "\xF8, "
       << DAFFUtils::Float2StrNice(h.fAlphaEnd, 3) << "\xF8]\n";
    ss << "Beta points:         " << h.iBetaPoints << "\n";
    ss << "Beta range:          [" << DAFFUtils::Float2StrNice(h.fBetaStart, 3) << "\xF8, "
       << DAFFUtils::Float2StrNice(h.fBetaEnd, 3) << "\xF8]\n";
    ss << "Full sphere:         " << (coversFullSphere() ? "yes" : "no") << "\n";
    DAFFOrientationYPR o;
    m_tTrans.getOrientation(o);
    ss << "Orientation:         " << o.toString() << "\n";
    switch (h.iContentType) {
    case DAFF_IMPULSE_RESPONSE:
        ss << "Samplerate:          " << DAFFUtils::Double2StrNice(getSamplerate(), 1) << " Hz\n";
        ss << "Filter length:       " << getFilterLength() << "\n";
        break;
    case DAFF_MAGNITUDE_SPECTRUM:
    case DAFF_PHASE_SPECTRUM:
    case DAFF_MAGNITUDE_PHASE_SPECTRUM:
        ss << "Number of frequencies: " << getNumFrequencies() << "\n";
        ss << "Frequency support:     ";
        for (std::size_t i = 0; i < m_vfFreqs.size(); ++i)
            ss << (i ? ", " : "") << DAFFUtils::Float2StrNice(m_vfFreqs[i], 3);
        ss << " Hz\n";
        break;
    default:
        ss << "Transform size: " << getTransformSize() << "\n";
        ss << "Symmetric: " << (isSymmetric() ? "yes" : "no") << "\n";
        ss << "Samplerate: " << getSamplerate() << "\n";
        break;
    }
    return ss.str();
}

// ---------------------------------------------------------------------------------------------
// Directions

void DAFFReaderImpl::transformAnglesD2O(float fAlpha, float fBeta, float& fAzimuth, float& fElevation) const
{
    m_tTrans.transformDSC2OSC(fAlpha, fBeta, fAzimuth, fElevation);
}

void DAFFReaderImpl::transformAnglesO2D(float fAzimuth, float fElevation, float& fAlpha, float& fBeta) const
{
    m_tTrans.transformOSC2DSC(fAzimuth, fElevation, fAlpha, fBeta);
}

void DAFFReaderImpl::getNearestNeighbour(int iView, float fAngle1, float fAngle2, int& iRecordIndex) const
{
    bool bOutOfBounds = false;
    getNearestNeighbour(iView, fAngle1, fAngle2, iRecordIndex, bOutOfBounds);
}

void DAFFReaderImpl::getNearestNeighbour(int iView, float fAngle1, float fAngle2, int& iRecordIndex,
                                         bool& bOutOfBounds) const
{
    assert(m_bDAFFObjectValid);
    iRecordIndex = -1;
    bOutOfBounds = false;
    if (!m_bDAFFObjectValid) return;

    float alpha = fAngle1, beta = fAngle2;
    if (iView == DAFF_OBJECT_VIEW) transformAnglesO2D(fAngle1, fAngle2, alpha, beta);
    DAFFUtils::NormalizeDirection(DAFF_DATA_VIEW, alpha, beta, alpha, beta);

    const auto& h = m_mainHeader;
    const int A = h.iAlphaPoints, B = h.iBetaPoints;

    int ai = 0;
    if (A == 1) {
        if (!(alpha == h.fAlphaStart && alpha == std::fmod(h.fAlphaEnd, 360.0f))) bOutOfBounds = true;
    } else if (h.fAlphaStart <= alpha && alpha <= h.fAlphaEnd) {
        const bool fullCircle = alphaRingSpan() == 360.0f;
        ai = nearestIndex((double(alpha) - h.fAlphaStart) / m_fAlphaResolution, fullCircle ? A : A - 1);
        if (ai == A) ai = 0;
    } else if (h.fAlphaStart >= h.fAlphaEnd &&
               std::fmod(std::fmod(double(alpha) - h.fAlphaStart, 360.0) + 360.0, 360.0) <= alphaRingSpan()) {
        // A ring written through 0 (start > end) or closed at its start (start == end):
        // count from the start around the circle.
        const double offset = std::fmod(std::fmod(double(alpha) - h.fAlphaStart, 360.0) + 360.0, 360.0);
        const bool fullCircle = alphaRingSpan() == 360.0f;
        ai = nearestIndex(offset / m_fAlphaResolution, fullCircle ? A : A - 1);
        if (ai == A) ai = 0;
    } else {
        bOutOfBounds = true;
        const float dStart = anglef_mindiff_abs_0_360_DEG(alpha, h.fAlphaStart);
        const float dEnd = anglef_mindiff_abs_0_360_DEG(alpha, h.fAlphaEnd);
        ai = dEnd >= dStart ? 0 : A - 1;
    }

    int bi = 0;
    if (B == 1) {
        if (!(beta == h.fBetaEnd && beta == h.fBetaStart)) bOutOfBounds = true;
    } else if (h.fBetaStart <= beta && beta <= h.fBetaEnd) {
        bi = nearestIndex((double(beta) - h.fBetaStart) / m_fBetaResolution, B - 1);
    } else {
        bOutOfBounds = true;
        bi = std::fabs(h.fBetaEnd - beta) >= std::fabs(h.fBetaStart - beta) ? 0 : B - 1;
    }

    const bool northPole = bi == B - 1 && h.fBetaEnd == 180.0f;
    std::int64_t r;
    if (h.fBetaStart == 0.0f) {
        if (bi == 0)
            r = 0;
        else if (northPole)
            r = std::int64_t(bi - 1) * A + 1;
        else
            r = std::int64_t(bi - 1) * A + ai + 1;
    } else {
        r = northPole ? std::int64_t(bi) * A : std::int64_t(bi) * A + ai;
    }
    iRecordIndex = int(r);
}

void DAFFReaderImpl::getCell(int iView, float fAngle1, float fAngle2, DAFFQuad& qIndices) const
{
    assert(m_bDAFFObjectValid);
    float alpha = fAngle1, beta = fAngle2;
    if (iView == DAFF_OBJECT_VIEW) transformAnglesO2D(fAngle1, fAngle2, alpha, beta);
    DAFFUtils::NormalizeDirection(DAFF_DATA_VIEW, alpha, beta, alpha, beta);

    if (beta == 0.0f && coversFullSphere()) {
        int r = -1;
        getNearestNeighbour(DAFF_DATA_VIEW, 0.0f, 0.0f, r);
        qIndices.iIndex1 = qIndices.iIndex2 = qIndices.iIndex3 = qIndices.iIndex4 = r;
        return;
    }

    // Grid lines counted from 0, not from the range starts.
    const float ra = m_fAlphaResolution, rb = m_fBetaResolution;
    float aLow = alpha - std::fmod(alpha, ra);
    float aHigh = alpha + ra - std::fmod(alpha, ra);
    float bLow = beta - std::fmod(beta, rb);
    float bHigh = beta + rb - std::fmod(beta, rb);
    if (bHigh > 180.0f) bHigh = 180.0f;

    auto corner = [this](float a, float b) {
        DAFFUtils::NormalizeDirection(DAFF_DATA_VIEW, a, b, a, b);
        int r = -1;
        getNearestNeighbour(DAFF_DATA_VIEW, a, b, r);
        return r;
    };
    qIndices.iIndex1 = corner(aLow, bLow);
    qIndices.iIndex2 = corner(aLow, bHigh);
    qIndices.iIndex3 = corner(aHigh, bHigh);
    qIndices.iIndex4 = corner(aHigh, bLow);
}

int DAFFReaderImpl::getRecordCoords(int iRecordIndex, int iView, float& fAngle1, float& fAngle2) const
{
    assert(m_bDAFFObjectValid);
    if (iRecordIndex < 0 || iRecordIndex >= m_mainHeader.iNumRecords) return -1;
    const auto& h = m_mainHeader;
    const int A = h.iAlphaPoints;
    float alpha, beta;
    if (h.fBetaStart != 0.0f) {
        beta = h.fBetaStart + float(iRecordIndex / A) * m_fBetaResolution;
        alpha = h.fAlphaStart + float(iRecordIndex % A) * m_fAlphaResolution;
    } else if (iRecordIndex == 0) {
        alpha = 0.0f;
        beta = 0.0f;
    } else {
        beta = float((iRecordIndex - 1) / A + 1) * m_fBetaResolution;
        alpha = h.fAlphaStart + float((iRecordIndex - 1) % A) * m_fAlphaResolution;
    }
    if (iView == DAFF_OBJECT_VIEW) {
        transformAnglesD2O(alpha, beta, fAngle1, fAngle2);
    } else {
        fAngle1 = alpha;
        fAngle2 = beta;
    }
    return 0;
}

const DAFFMetadata* DAFFReaderImpl::getRecordMetadata(int iRecordIndex) const
{
    if (!m_bDAFFObjectValid || iRecordIndex < 0 || iRecordIndex >= m_mainHeader.iNumRecords)
        return m_pEmptyMetadata.get();
    const int iSet = descriptor(iRecordIndex, 0).iMetaDataIndex;
    // An index outside the file's sets is answered with the empty set.
    if (iSet < 0 || std::size_t(iSet) >= m_vpMetadata.size()) return m_pEmptyMetadata.get();
    return m_vpMetadata[std::size_t(iSet)].get();
}

// ---------------------------------------------------------------------------------------------
// Records

int DAFFReaderImpl::checkIndices(int iRecordIndex, int iChannel) const
{
    if (!m_bDAFFObjectValid) return DAFF_MODAL_ERROR;
    if (iRecordIndex < 0 || iRecordIndex >= m_mainHeader.iNumRecords) return DAFF_INVALID_INDEX;
    if (iChannel < 0 || iChannel >= m_mainHeader.iNumChannels) return DAFF_INVALID_INDEX;
    return DAFF_NO_ERROR;
}

const DAFFRecordChannelDescIR& DAFFReaderImpl::descriptor(int iRecordIndex, int iChannel) const
{
    return m_vRecordChannelDesc[std::size_t(iRecordIndex) * std::size_t(m_mainHeader.iNumChannels) +
                                std::size_t(iChannel)];
}

const std::uint8_t* DAFFReaderImpl::recordData(int iRecordIndex, int iChannel) const
{
    return m_vDataBlock.data() + descriptor(iRecordIndex, iChannel).ui64DataOffset;
}

void DAFFReaderImpl::decodeSamples(const DAFFRecordChannelDescIR& d, float* pfDest, float fGain, bool bAdd) const
{
    const std::uint8_t* src = m_vDataBlock.data() + d.ui64DataOffset;
    const std::size_t count = std::size_t(d.iElementLength);
    switch (m_mainHeader.iQuantization) {
    case DAFF_INT16: {
        const float g = fGain / 32767.0f;
        for (std::size_t i = 0; i < count; ++i) {
            const float v = float(readInt16LE(src + 2 * i)) * g;
            pfDest[i] = bAdd ? pfDest[i] + v : v;
        }
        break;
    }
    case DAFF_INT24:
        if (bAdd)
            stc_sint24_to_float_add(pfDest, src, count, 1, 1, fGain);
        else
            stc_sint24_to_float(pfDest, src, count, 1, 1, fGain);
        break;
    default:
        for (std::size_t i = 0; i < count; ++i) {
            const float s = readFloat32LE(src + 4 * i);
            const float v = fGain == 1.0f ? s : s * fGain;
            pfDest[i] = bAdd ? pfDest[i] + v : v;
        }
        break;
    }
}

double DAFFReaderImpl::getSamplerate() const
{
    if (m_mainHeader.iContentType == DAFF_IMPULSE_RESPONSE) return m_contentHeaderIR.fSamplerate;
    if (m_mainHeader.iContentType == DAFF_DFT_SPECTRUM) return m_contentHeaderDFT.fSamplerate;
    return 0.0;
}

int DAFFReaderImpl::getFilterLength() const
{
    return m_mainHeader.iElementsPerRecord;
}

int DAFFReaderImpl::getMinEffectiveFilterOffset() const
{
    return m_contentHeaderIR.iMinFilterOffset;
}

int DAFFReaderImpl::getMaxEffectiveFilterLength() const
{
    return m_contentHeaderIR.iMaxEffectiveFilterLength;
}

int DAFFReaderImpl::getEffectiveFilterBounds(int iRecordIndex, int iChannel, int& iOffset, int& iLength) const
{
    if (m_mainHeader.iContentType != DAFF_IMPULSE_RESPONSE) return DAFF_MODAL_ERROR;
    if (int e = checkIndices(iRecordIndex, iChannel)) return e;
    const auto& d = descriptor(iRecordIndex, iChannel);
    iOffset = d.iLeadingZeros;
    iLength = d.iElementLength;
    return DAFF_NO_ERROR;
}

int DAFFReaderImpl::getEffectiveFilterCoeffs(int iRecordIndex, int iChannel, float* pfDest, float fGain) const
{
    if (m_mainHeader.iContentType != DAFF_IMPULSE_RESPONSE) return DAFF_MODAL_ERROR;
    if (int e = checkIndices(iRecordIndex, iChannel)) return e;
    if (pfDest) decodeSamples(descriptor(iRecordIndex, iChannel), pfDest, fGain, false);
    return DAFF_NO_ERROR;
}

int DAFFReaderImpl::addEffectiveFilterCoeffs(int iRecordIndex, int iChannel, float* pfDest, float fGain) const
{
    if (m_mainHeader.iContentType != DAFF_IMPULSE_RESPONSE) return DAFF_MODAL_ERROR;
    if (int e = checkIndices(iRecordIndex, iChannel)) return e;
    if (pfDest) decodeSamples(descriptor(iRecordIndex, iChannel), pfDest, fGain, true);
    return DAFF_NO_ERROR;
}

int DAFFReaderImpl::getFilterCoeffs(int iRecordIndex, int iChannel, float* pfDest, float fGain) const
{
    if (m_mainHeader.iContentType != DAFF_IMPULSE_RESPONSE) return DAFF_MODAL_ERROR;
    if (int e = checkIndices(iRecordIndex, iChannel)) return e;
    if (!pfDest) return DAFF_NO_ERROR;
    const auto& d = descriptor(iRecordIndex, iChannel);
    const std::size_t offset = std::size_t(d.iLeadingZeros);
    const std::size_t end = offset + std::size_t(d.iElementLength);
    std::fill(pfDest, pfDest + offset, 0.0f);
    decodeSamples(d, pfDest + offset, fGain, false);
    std::fill(pfDest + end, pfDest + m_mainHeader.iElementsPerRecord, 0.0f);
    return DAFF_NO_ERROR;
}

int DAFFReaderImpl::addFilterCoeffs(int iRecordIndex, int iChannel, float* pfDest, float fGain) const
{
    if (m_mainHeader.iContentType != DAFF_IMPULSE_RESPONSE) return DAFF_MODAL_ERROR;
    if (int e = checkIndices(iRecordIndex, iChannel)) return e;
    if (!pfDest) return DAFF_NO_ERROR;
    const auto& d = descriptor(iRecordIndex, iChannel);
    decodeSamples(d, pfDest + d.iLeadingZeros, fGain, true);
    return DAFF_NO_ERROR;
}

float DAFFReaderImpl::getOverallPeak()
{
    if (!m_bDAFFObjectValid || m_mainHeader.iContentType != DAFF_IMPULSE_RESPONSE) return 0.0f;
    if (m_bOverallPeakInitialized) return m_fOverallPeak;
    // Sized by the longest record, whatever the header claims.
    int iLongest = 0;
    for (const auto& d : m_vRecordChannelDesc) iLongest = std::max(iLongest, d.iElementLength);
    std::vector<float> buf(static_cast<std::size_t>(iLongest));
    float fPeak = 0.0f;
    for (const auto& d : m_vRecordChannelDesc) {
        decodeSamples(d, buf.data(), 1.0f, false);
        for (int i = 0; i < d.iElementLength; ++i)
            if (std::fabs(buf[std::size_t(i)]) > fPeak) fPeak = std::fabs(buf[std::size_t(i)]);
    }
    m_fOverallPeak = fPeak;
    m_bOverallPeakInitialized = true;
    return m_fOverallPeak;
}

int DAFFReaderImpl::getNumFrequencies() const
{
    switch (m_mainHeader.iContentType) {
    case DAFF_MAGNITUDE_SPECTRUM:
    case DAFF_PHASE_SPECTRUM:
    case DAFF_MAGNITUDE_PHASE_SPECTRUM:
        return int(m_vfFreqs.size());
    default:
        return 0;
    }
}

const std::vector<float>& DAFFReaderImpl::getFrequencies() const
{
    return m_vfFreqs;
}

float DAFFReaderImpl::getOverallMagnitudeMaximum() const
{
    switch (m_mainHeader.iContentType) {
    case DAFF_MAGNITUDE_SPECTRUM:
        return m_contentHeaderMS.fMax;
    case DAFF_MAGNITUDE_PHASE_SPECTRUM:
        return m_contentHeaderMPS.fMax;
    case DAFF_DFT_SPECTRUM:
        return m_contentHeaderDFT.fMax;
    default:
        return 0.0f;
    }
}

void DAFFReaderImpl::readFloats(int iRecordIndex, int iChannel, int iFirst, int iStride, int n, float* pfDest) const
{
    const std::uint8_t* src = recordData(iRecordIndex, iChannel);
    for (int i = 0; i < n; ++i) pfDest[i] = readFloat32LE(src + 4 * (std::size_t(iFirst) + std::size_t(i) * iStride));
}

int DAFFReaderImpl::getMagnitudes(int iRecordIndex, int iChannel, float* pfData) const
{
    const int type = m_mainHeader.iContentType;
    if (type != DAFF_MAGNITUDE_SPECTRUM && type != DAFF_MAGNITUDE_PHASE_SPECTRUM) return DAFF_MODAL_ERROR;
    if (int e = checkIndices(iRecordIndex, iChannel)) return e;
    if (pfData)
        readFloats(iRecordIndex, iChannel, 0, type == DAFF_MAGNITUDE_SPECTRUM ? 1 : 2, getNumFrequencies(), pfData);
    return DAFF_NO_ERROR;
}

int DAFFReaderImpl::getMagnitude(int iRecordIndex, int iChannel, int iFreqIndex, float& fMag) const
{
    const int type = m_mainHeader.iContentType;
    if (type != DAFF_MAGNITUDE_SPECTRUM && type != DAFF_MAGNITUDE_PHASE_SPECTRUM) return DAFF_MODAL_ERROR;
    if (int e = checkIndices(iRecordIndex, iChannel)) return e;
    if (iFreqIndex < 0 || iFreqIndex >= getNumFrequencies()) return DAFF_INVALID_INDEX;
    const int stride = type == DAFF_MAGNITUDE_SPECTRUM ? 1 : 2;
    readFloats(iRecordIndex, iChannel, iFreqIndex * stride, 1, 1, &fMag);
    return DAFF_NO_ERROR;
}

int DAFFReaderImpl::getPhases(int iRecordIndex, int iChannel, float* pfData) const
{
    const int type = m_mainHeader.iContentType;
    if (type != DAFF_PHASE_SPECTRUM && type != DAFF_MAGNITUDE_PHASE_SPECTRUM) return DAFF_MODAL_ERROR;
    if (int e = checkIndices(iRecordIndex, iChannel)) return e;
    if (pfData) {
        if (type == DAFF_PHASE_SPECTRUM)
            readFloats(iRecordIndex, iChannel, 0, 1, getNumFrequencies(), pfData);
        else
            readFloats(iRecordIndex, iChannel, 1, 2, getNumFrequencies(), pfData);
    }
    return DAFF_NO_ERROR;
}

int DAFFReaderImpl::getPhase(int iRecordIndex, int iChannel, int iFreqIndex, float& fPhase) const
{
    const int type = m_mainHeader.iContentType;
    if (type != DAFF_PHASE_SPECTRUM && type != DAFF_MAGNITUDE_PHASE_SPECTRUM) return DAFF_MODAL_ERROR;
    if (int e = checkIndices(iRecordIndex, iChannel)) return e;
    if (iFreqIndex < 0 || iFreqIndex >= getNumFrequencies()) return DAFF_INVALID_INDEX;
    const int first = type == DAFF_PHASE_SPECTRUM ? iFreqIndex : 2 * iFreqIndex + 1;
    readFloats(iRecordIndex, iChannel, first, 1, 1, &fPhase);
    return DAFF_NO_ERROR;
}

int DAFFReaderImpl::getCoefficientsMP(int iRecordIndex, int iChannel, float* pfDest) const
{
    if (m_mainHeader.iContentType != DAFF_MAGNITUDE_PHASE_SPECTRUM) return DAFF_MODAL_ERROR;
    if (int e = checkIndices(iRecordIndex, iChannel)) return e;
    if (!pfDest) return DAFF_NO_ERROR;
    const std::uint8_t* src = recordData(iRecordIndex, iChannel);
    for (std::size_t i = 0; i < m_vfFreqs.size(); ++i) {
        const float re = readFloat32LE(src + 8 * i);
        const float im = readFloat32LE(src + 8 * i + 4);
        pfDest[2 * i] = DAFF::cabs(re, im);
        pfDest[2 * i + 1] = DAFF::carg(re, im);
    }
    return DAFF_NO_ERROR;
}

int DAFFReaderImpl::getCoefficientsRI(int iRecordIndex, int iChannel, float* pfDest) const
{
    if (m_mainHeader.iContentType != DAFF_MAGNITUDE_PHASE_SPECTRUM) return DAFF_MODAL_ERROR;
    if (int e = checkIndices(iRecordIndex, iChannel)) return e;
    if (pfDest) readFloats(iRecordIndex, iChannel, 0, 1, 2 * getNumFrequencies(), pfDest);
    return DAFF_NO_ERROR;
}

int DAFFReaderImpl::getTransformSize() const
{
    return m_mainHeader.iContentType == DAFF_DFT_SPECTRUM ? m_contentHeaderDFT.iTransformSize : 0;
}

int DAFFReaderImpl::getNumDFTCoeffs() const
{
    return m_mainHeader.iContentType == DAFF_DFT_SPECTRUM ? m_contentHeaderDFT.iNumDFTCoeffs : 0;
}

bool DAFFReaderImpl::isSymmetric() const
{
    return getNumDFTCoeffs() != getTransformSize();
}

double DAFFReaderImpl::getFrequencyBandwidth() const
{
    return getSamplerate() / getTransformSize();
}

int DAFFReaderImpl::getDFTCoeff(int iRecordIndex, int iChannel, int iDFTCoeff, float& fReal, float& fImag) const
{
    if (m_mainHeader.iContentType != DAFF_DFT_SPECTRUM) return DAFF_MODAL_ERROR;
    if (int e = checkIndices(iRecordIndex, iChannel)) return e;
    if (iDFTCoeff < 0 || iDFTCoeff >= getNumDFTCoeffs()) return DAFF_INVALID_INDEX;
    readFloats(iRecordIndex, iChannel, 2 * iDFTCoeff, 1, 1, &fReal);
    readFloats(iRecordIndex, iChannel, 2 * iDFTCoeff + 1, 1, 1, &fImag);
    return DAFF_NO_ERROR;
}

int DAFFReaderImpl::getDFTCoeffs(int iRecordIndex, int iChannel, float* pfDest) const
{
    if (m_mainHeader.iContentType != DAFF_DFT_SPECTRUM) return DAFF_MODAL_ERROR;
    if (int e = checkIndices(iRecordIndex, iChannel)) return e;
    if (pfDest) readFloats(iRecordIndex, iChannel, 0, 1, 2 * getNumDFTCoeffs(), pfDest);
    return DAFF_NO_ERROR;
}
