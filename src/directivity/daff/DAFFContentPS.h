#pragma once
// Phase-spectrum content.

#include <vector>

#include "directivity/daff/DAFFContent.h"

class DAFFContentPS : public DAFFContent {
public:
    ~DAFFContentPS() override = default;

    virtual int getNumFrequencies() const = 0;
    virtual const std::vector<float>& getFrequencies() const = 0;
    // pfData must hold getNumFrequencies() floats; a null pfData does nothing.
    virtual int getPhases(int iRecordIndex, int iChannel, float* pfData) const = 0;
    virtual int getPhase(int iRecordIndex, int iChannel, int iFreqIndex, float& fPhase) const = 0;
};
