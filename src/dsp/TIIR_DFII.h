#pragma once
// IIR section of any order in direct form II; numerator and denominator have NC coefficients
// each and the leading denominator coefficient is taken as 1.

#include <vector>

class TIIR_DFII {
public:
    std::vector<float> a;       // denominator
    std::vector<float> b;       // numerator
    std::vector<float> buffer;  // w[n], w[n-1], ...
    float g = 1.0f;
    unsigned int NC = 0;

    TIIR_DFII(unsigned int N, const float* num, const float* den, float gain);

    float Process(float x);
    // output[n] = Process(input[n]); output may be input.
    void Process(const float* input, unsigned int Length, float* output);
    void ImpulseResponse(float* IR, unsigned int Length);
    void SaveImpulseResponse(const char* filename, unsigned int Length);
    void Show() const;
};
