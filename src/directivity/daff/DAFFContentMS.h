#pragma once
// Magnitude-spectrum content: linear magnitudes at the support frequencies.

#include <vector>

#include "directivity/daff/DAFFContent.h"

class DAFFContentMS : public DAFFContent {
public:
    ~DAFFContentMS() override = default;

    virtual int getNumFrequencies() const = 0;
    // Support frequencies in Hz, in file order.
    virtual const std::vector<float>& getFrequencies() const = 0;
    virtual float getOverallMagnitudeMaximum() const = 0;
    // pfData must hold getNumFrequencies() floats; a null pfData does nothing.
    virtual int getMagnitudes(int iRecordIndex, int iChannel, float* pfData) const = 0;
    virtual int getMagnitude(int iRecordIndex, int iChannel, int iFreqIndex, float& fMag) const = 0;
};
