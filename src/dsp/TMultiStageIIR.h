#pragma once
// Cascade of second-order sections.

#include <vector>

#include "dsp/TIIRFilter2ndOrder.h"

class TMultiStageIIR {
public:
    unsigned int NumStages = 0;
    std::vector<TIIRFilter2ndOrder> section;
    std::vector<float> y;  // latest output of each section

    // Section n takes num_list[3n ...], den_list[3n ...] and gain_list[n].
    TMultiStageIIR(unsigned int NStages, const float* num_list, const float* den_list, const float* gain_list);
    // Reads "NSTAGES = S" and then three numerator and three denominator values per section
    // (every gain 1). A file that cannot be read gives an empty cascade, with a message.
    explicit TMultiStageIIR(const char* FileName);

    // x through every section in turn; an empty cascade passes x unchanged.
    float Process(float x);
    // Filters x in place.
    void Process(float* x, unsigned int size_x);
    // output[n] = Process(input[n]); output may be input.
    void Process(const float* input, unsigned int Length, float* output);
    void ImpulseResponse(float* IR, unsigned int Length);
    void SaveImpulseResponse(const char* filename, unsigned int Length);
};
