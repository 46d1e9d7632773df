#pragma once
// DFT-spectrum content: complex coefficients (real, imaginary) per record and channel.

#include "directivity/daff/DAFFContent.h"

class DAFFContentDFT : public DAFFContent {
public:
    ~DAFFContentDFT() override = default;

    virtual int getTransformSize() const = 0;
    virtual int getNumDFTCoeffs() const = 0;
    // Only the half spectrum is stored.
    virtual bool isSymmetric() const = 0;
    virtual double getSamplerate() const = 0;
    // Sample rate / transform size, Hz.
    virtual double getFrequencyBandwidth() const = 0;
    virtual float getOverallMagnitudeMaximum() const = 0;
    virtual int getDFTCoeff(int iRecordIndex, int iChannel, int iDFTCoeff, float& fReal, float& fImag) const = 0;
    // pfDest must hold 2 x getNumDFTCoeffs() floats; a null pfDest does nothing.
    virtual int getDFTCoeffs(int iRecordIndex, int iChannel, float* pfDest) const = 0;
};
