#pragma once
// Impulse-response content. Getters with a record and channel return a DAFF_ERROR code.

#include "directivity/daff/DAFFContent.h"

class DAFFContentIR : public DAFFContent {
public:
    ~DAFFContentIR() override = default;

    virtual double getSamplerate() const = 0;
    // Samples per record (the whole response).
    virtual int getFilterLength() const = 0;
    // The whole response: pfDest must hold getFilterLength() floats.
    virtual int getFilterCoeffs(int iRecordIndex, int iChannel, float* pfDest, float fGain = 1.0f) const = 0;
    // Adds the stored samples x fGain to pfDest from the record's leading-zero count on.
    virtual int addFilterCoeffs(int iRecordIndex, int iChannel, float* pfDest, float fGain = 1.0f) const = 0;
    virtual int getMinEffectiveFilterOffset() const = 0;
    virtual int getMaxEffectiveFilterLength() const = 0;
    // Leading zeros and stored length of one record and channel.
    virtual int getEffectiveFilterBounds(int iRecordIndex, int iChannel, int& iOffset, int& iLength) const = 0;
    // Only the stored samples x fGain, from pfDest[0]; a null pfDest does nothing.
    virtual int getEffectiveFilterCoeffs(int iRecordIndex, int iChannel, float* pfDest, float fGain = 1.0f) const = 0;
    virtual int addEffectiveFilterCoeffs(int iRecordIndex, int iChannel, float* pfDest, float fGain = 1.0f) const = 0;
    // Largest absolute sample of the file; computed once per load.
    virtual float getOverallPeak() = 0;
};
