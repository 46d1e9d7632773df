#pragma once
// The one implementation of every DAFF interface: the file, its properties and all five
// content types. The whole file is parsed from one in-memory image; only the data block
// is kept, and every sample is decoded from its little-endian bytes on access.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "directivity/daff/DAFFContentDFT.h"
#include "directivity/daff/DAFFContentIR.h"
#include "directivity/daff/DAFFContentMPS.h"
#include "directivity/daff/DAFFContentMS.h"
#include "directivity/daff/DAFFContentPS.h"
#include "directivity/daff/DAFFHeader.h"
#include "directivity/daff/DAFFMetadataImpl.h"
#include "directivity/daff/DAFFProperties.h"
#include "directivity/daff/DAFFReader.h"
#include "directivity/daff/DAFFSCTransform.h"

class DAFFReaderImpl : public DAFFReader,
                       public DAFFProperties,
                       public DAFFContentIR,
                       public DAFFContentMS,
                       public DAFFContentPS,
                       public DAFFContentMPS,
                       public DAFFContentDFT {
public:
    DAFFReaderImpl();
    ~DAFFReaderImpl() override;
    DAFFReaderImpl(const DAFFReaderImpl&) = delete;
    DAFFReaderImpl& operator=(const DAFFReaderImpl&) = delete;

    // DAFFReader
    bool isFileOpened() const override;
    int openFile(const std::string& sFilePath) override;
    void closeFile() override;
    std::string getFilename() const override;
    int deserialize(const char* pDAFFDataBuffer, std::size_t iBufferSize) override;
    bool isValid() const override;
    int getFileFormatVersion() const override;
    int getContentType() const override;
    DAFFContent* getContent() const override;
    const DAFFMetadata* getMetadata() const override;
    DAFFProperties* getProperties() const override;
    std::string toString() const override;

    // DAFFProperties
    int getQuantization() const override;
    int getNumberOfChannels() const override;
    int getNumberOfRecords() const override;
    std::string getChannelLabel(int iChannel) const override;
    int getAlphaPoints() const override;
    float getAlphaResolution() const override;
    float getAlphaStart() const override;
    float getAlphaEnd() const override;
    float getAlphaSpan() const override;
    int getBetaPoints() const override;
    float getBetaResolution() const override;
    float getBetaStart() const override;
    float getBetaEnd() const override;
    float getBetaSpan() const override;
    void getDefaultOrientation(DAFFOrientationYPR& o) const override;
    void setDefaultOrientation() override;
    void getOrientation(DAFFOrientationYPR& o) const override;
    void setOrientation(const DAFFOrientationYPR& o) override;
    bool coversFullAlphaRange() const override;
    bool coversFullBetaRange() const override;
    bool coversFullSphere() const override;

    // DAFFContent
    DAFFReader* getParent() const override;
    const DAFFMetadata* getRecordMetadata(int iRecordIndex) const override;
    int getRecordCoords(int iRecordIndex, int iView, float& fAngle1, float& fAngle2) const override;
    void getNearestNeighbour(int iView, float fAngle1, float fAngle2, int& iRecordIndex) const override;
    void getNearestNeighbour(int iView, float fAngle1, float fAngle2, int& iRecordIndex,
                             bool& bOutOfBounds) const override;
    void getCell(int iView, float fAngle1, float fAngle2, DAFFQuad& qIndices) const override;
    void transformAnglesD2O(float fAlpha, float fBeta, float& fAzimuth, float& fElevation) const override;
    void transformAnglesO2D(float fAzimuth, float fElevation, float& fAlpha, float& fBeta) const override;

    // DAFFContentIR
    double getSamplerate() const override;
    int getFilterLength() const override;
    int getFilterCoeffs(int iRecordIndex, int iChannel, float* pfDest, float fGain = 1.0f) const override;
    int addFilterCoeffs(int iRecordIndex, int iChannel, float* pfDest, float fGain = 1.0f) const override;
    int getMinEffectiveFilterOffset() const override;
    int getMaxEffectiveFilterLength() const override;
    int getEffectiveFilterBounds(int iRecordIndex, int iChannel, int& iOffset, int& iLength) const override;
    int getEffectiveFilterCoeffs(int iRecordIndex, int iChannel, float* pfDest, float fGain = 1.0f) const override;
    int addEffectiveFilterCoeffs(int iRecordIndex, int iChannel, float* pfDest, float fGain = 1.0f) const override;
    float getOverallPeak() override;

    // DAFFContentMS, DAFFContentPS, DAFFContentMPS
    int getNumFrequencies() const override;
    const std::vector<float>& getFrequencies() const override;
    float getOverallMagnitudeMaximum() const override;
    int getMagnitudes(int iRecordIndex, int iChannel, float* pfData) const override;
    int getMagnitude(int iRecordIndex, int iChannel, int iFreqIndex, float& fMag) const override;
    int getPhases(int iRecordIndex, int iChannel, float* pfData) const override;
    int getPhase(int iRecordIndex, int iChannel, int iFreqIndex, float& fPhase) const override;
    int getCoefficientsMP(int iRecordIndex, int iChannel, float* pfDest) const override;
    int getCoefficientsRI(int iRecordIndex, int iChannel, float* pfDest) const override;

    // DAFFContentDFT
    int getTransformSize() const override;
    int getNumDFTCoeffs() const override;
    bool isSymmetric() const override;
    double getFrequencyBandwidth() const override;
    int getDFTCoeff(int iRecordIndex, int iChannel, int iDFTCoeff, float& fReal, float& fImag) const override;
    int getDFTCoeffs(int iRecordIndex, int iChannel, float* pfDest) const override;

    // Entries of the block table with the given id, in table order; returns their count.
    int getFileBlocksByID(int iID, std::vector<const DAFFFileBlockEntry*>& vpfDest) const;
    // The count of such entries; pfDest is the first one, or null.
    int getFirstFileBlockByID(int iID, const DAFFFileBlockEntry*& pfDest) const;

private:
    // Parses and checks a file image; on failure the reader is left empty.
    int load(const std::uint8_t* pImage, std::size_t iImageSize);
    int parse(const std::uint8_t* pImage, std::size_t iImageSize);
    int loadMainHeader(const std::uint8_t* pImage, std::size_t iImageSize);
    int loadContentHeader(const std::uint8_t* pImage, std::size_t iImageSize);
    int loadRecordDescriptors(const std::uint8_t* pImage, std::size_t iImageSize);
    int loadDataBlock(const std::uint8_t* pImage, std::size_t iImageSize);
    int loadMetadata(const std::uint8_t* pImage, std::size_t iImageSize);
    void fixAngleRanges();
    void tidyup();

    // Span of the alpha ring as the resolution sees it: start == end is a full circle.
    float alphaRingSpan() const;
    // Bytes of one record and channel in the data block.
    std::uint64_t recordChannelBytes(const DAFFRecordChannelDescIR& d) const;
    // DAFF_INVALID_INDEX for a record or channel outside the file, else 0.
    int checkIndices(int iRecordIndex, int iChannel) const;
    const DAFFRecordChannelDescIR& descriptor(int iRecordIndex, int iChannel) const;
    const std::uint8_t* recordData(int iRecordIndex, int iChannel) const;
    // Decodes the stored samples of an impulse-response record, times fGain, into or onto pfDest.
    void decodeSamples(const DAFFRecordChannelDescIR& d, float* pfDest, float fGain, bool bAdd) const;
    // Reads n floats at a stride of iStride floats starting iFirst floats into the record.
    void readFloats(int iRecordIndex, int iChannel, int iFirst, int iStride, int n, float* pfDest) const;

    bool m_bDAFFObjectValid = false;
    bool m_bDAFFObjectFromFileValid = false;
    std::string m_sFilePath;

    DAFFFileHeader m_fileHeader;
    DAFFMainHeader m_mainHeader;
    std::vector<DAFFFileBlockEntry> m_vFileBlockTable;
    // Content header of the file's content type (the others stay zero).
    DAFFContentHeaderIR m_contentHeaderIR;
    DAFFContentHeaderMS m_contentHeaderMS;
    DAFFContentHeaderPS m_contentHeaderPS;
    DAFFContentHeaderMPS m_contentHeaderMPS;
    DAFFContentHeaderDFT m_contentHeaderDFT;
    int m_iRecordChannelDescSize = 0;
    // Record-major: record r, channel c at r * iNumChannels + c. Spectra leave the IR fields 0.
    std::vector<DAFFRecordChannelDescIR> m_vRecordChannelDesc;
    std::vector<std::uint8_t> m_vDataBlock;
    std::vector<float> m_vfFreqs;

    std::unique_ptr<const DAFFMetadataImpl> m_pEmptyMetadata;
    std::vector<std::unique_ptr<DAFFMetadataImpl>> m_vpMetadata;

    bool m_bOverallPeakInitialized = false;
    float m_fOverallPeak = 0.0f;
    DAFFOrientationYPR m_orientationDefault;
    float m_fAlphaResolution = 0.0f;
    float m_fBetaResolution = 0.0f;
    DAFFSCTransform m_tTrans;
};
