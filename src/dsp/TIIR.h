#pragma once
// Cascade of direct-form-II sections of any order, read from a coefficient file.

#include <vector>

#include "dsp/TIIR_DFII.h"

class TIIR {
public:
    unsigned int NumStages = 0;
    std::vector<unsigned int> NNum;  // numerator coefficients per stage
    std::vector<unsigned int> NDen;  // denominator coefficients per stage
    std::vector<std::vector<float>> num_list;
    // Each stage's denominator divided by its largest absolute value.
    std::vector<std::vector<float>> den_list;
    // Product of the reciprocals of those largest values: the cascade's output gain.
    float gain = 1.0f;
    std::vector<TIIR_DFII> section;  // unscaled coefficients
    std::vector<float> y;

    // "NSTAGES = S", then per stage "NUM/DEN = n d", n numerator and d denominator values.
    // Sections of unequal counts are padded with zeros. A file that cannot be read gives an
    // empty cascade, with a message.
    explicit TIIR(const char* FileName);

    // The cascade's output times gain; an empty cascade passes value unchanged.
    float Process(float value);
    // Filters in place, output times gain as in Process(float).
    void Process(float* value, unsigned int Length);
    // output[n] = Process(input[n]); output may be input.
    void Process(const float* input, unsigned int Length, float* output);
    void ImpulseResponse(float* IR, unsigned int Length);
    void SaveImpulseResponse(const char* filename, unsigned int Length);
    void Show() const;
};
