#include "directivity/daff/DAFFHeader.h"

using namespace DAFF;

DAFFFileHeader DAFFFileHeader::decode(const std::uint8_t* p)
{
    DAFFFileHeader h;
    h.pcSignature[0] = char(p[0]);
    h.pcSignature[1] = char(p[1]);
    h.iFileFormatVersion = readInt32LE(p + 2);
    h.iNumFileBlocks = readInt32LE(p + 6);
    return h;
}

DAFFFileBlockEntry DAFFFileBlockEntry::decode(const std::uint8_t* p)
{
    DAFFFileBlockEntry e;
    e.iID = readInt32LE(p);
    e.ui64Offset = readUInt64LE(p + 4);
    e.ui64Size = readUInt64LE(p + 12);
    return e;
}

DAFFMainHeader DAFFMainHeader::decode(const std::uint8_t* p)
{
    DAFFMainHeader h;
    h.iContentType = readInt32LE(p + 0);
    h.iQuantization = readInt32LE(p + 4);
    h.iNumChannels = readInt32LE(p + 8);
    h.iNumRecords = readInt32LE(p + 12);
    h.iElementsPerRecord = readInt32LE(p + 16);
    h.iMetadataIndex = readInt32LE(p + 20);
    h.iAlphaPoints = readInt32LE(p + 24);
    h.fAlphaStart = readFloat32LE(p + 28);
    h.fAlphaEnd = readFloat32LE(p + 32);
    h.iBetaPoints = readInt32LE(p + 36);
    h.fBetaStart = readFloat32LE(p + 40);
    h.fBetaEnd = readFloat32LE(p + 44);
    h.fOrientYaw = readFloat32LE(p + 48);
    h.fOrientPitch = readFloat32LE(p + 52);
    h.fOrientRoll = readFloat32LE(p + 56);
    return h;
}

DAFFContentHeaderIR DAFFContentHeaderIR::decode(const std::uint8_t* p)
{
    DAFFContentHeaderIR h;
    h.fSamplerate = readFloat32LE(p);
    h.iMinFilterOffset = readInt32LE(p + 4);
    h.iMaxEffectiveFilterLength = readInt32LE(p + 8);
    return h;
}

DAFFContentHeaderMS DAFFContentHeaderMS::decode(const std::uint8_t* p)
{
    DAFFContentHeaderMS h;
    h.fMax = readFloat32LE(p);
    h.iNumFreqs = readInt32LE(p + 4);
    return h;
}

DAFFContentHeaderPS DAFFContentHeaderPS::decode(const std::uint8_t* p)
{
    DAFFContentHeaderPS h;
    h.iNumFreqs = readInt32LE(p);
    return h;
}

DAFFContentHeaderMPS DAFFContentHeaderMPS::decode(const std::uint8_t* p)
{
    DAFFContentHeaderMPS h;
    h.fMax = readFloat32LE(p);
    h.iNumFreqs = readInt32LE(p + 4);
    return h;
}

DAFFContentHeaderDFT DAFFContentHeaderDFT::decode(const std::uint8_t* p)
{
    DAFFContentHeaderDFT h;
    h.iNumDFTCoeffs = readInt32LE(p);
    h.iTransformSize = readInt32LE(p + 4);
    h.fSamplerate = readFloat32LE(p + 8);
    h.fMax = readFloat32LE(p + 12);
    return h;
}

DAFFRecordChannelDescIR DAFFRecordChannelDescIR::decode(const std::uint8_t* p)
{
    DAFFRecordChannelDescIR d;
    d.iMetaDataIndex = readInt32LE(p);
    d.ui64DataOffset = readUInt64LE(p + 4);
    d.iLeadingZeros = readInt32LE(p + 12);
    d.iElementLength = readInt32LE(p + 16);
    return d;
}

DAFFRecordChannelDescDefault DAFFRecordChannelDescDefault::decode(const std::uint8_t* p)
{
    DAFFRecordChannelDescDefault d;
    d.iMetaDataIndex = readInt32LE(p);
    d.ui64DataOffset = readUInt64LE(p + 4);
    return d;
}
