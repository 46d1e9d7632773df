#pragma once
// General IIR filter made of two sparse FIR filters:
// y[n] = (sum_k b_k x[n - k num.spars] - sum_{j>=1} a_j y[n - j den.spars]) / a_0.

#include "dsp/TFilter.h"

class TIIRFilter {
public:
    TFilter num;  // numerator; its delay line holds the inputs
    TFilter den;  // denominator; its delay line holds past outputs

    // An empty filter (no coefficients).
    TIIRFilter() = default;
    TIIRFilter(unsigned int num_ncoefs, unsigned int num_spars, unsigned int den_ncoefs, unsigned int den_spars);

    // Loads every coefficient of num (target 0) or den (any other target).
    void SetCoefs(const float* values, int target);
    void SetCoef(int ind, float value, int target);
    float GetCoef(int ind, int target) const;

    float Process(float value);
    // output[n] = Process(input[n]); output may be input.
    void Process(const float* input, unsigned int Length, float* output);
    // Feedback sum over the past outputs, before the next output is stored.
    float GetDenOutput() const;
    void Reset();

    void ShowCoefs() const;
    void ShowInfo() const;
    void SaveImpResp(const char* FileName, unsigned int Length);
};
