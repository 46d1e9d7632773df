#pragma once
// Magnitude-phase content: one pair of floats per frequency (magnitude, phase).

#include <vector>

#include "directivity/daff/DAFFContent.h"

class DAFFContentMPS : public DAFFContent {
public:
    ~DAFFContentMPS() override = default;

    virtual int getNumFrequencies() const = 0;
    virtual const std::vector<float>& getFrequencies() const = 0;
    virtual float getOverallMagnitudeMaximum() const = 0;
    // First float of each pair.
    virtual int getMagnitudes(int iRecordIndex, int iChannel, float* pfData) const = 0;
    virtual int getMagnitude(int iRecordIndex, int iChannel, int iFreqIndex, float& fMag) const = 0;
    // Second float of each pair.
    virtual int getPhases(int iRecordIndex, int iChannel, float* pfData) const = 0;
    virtual int getPhase(int iRecordIndex, int iChannel, int iFreqIndex, float& fPhase) const = 0;
    // Per pair: modulus and argument of the pair read as (real, imaginary); 2 floats each.
    virtual int getCoefficientsMP(int iRecordIndex, int iChannel, float* pfDest) const = 0;
    // The pairs as stored; 2 floats each.
    virtual int getCoefficientsRI(int iRecordIndex, int iChannel, float* pfDest) const = 0;
};
