#pragma once
// Second-order section in direct form II; the leading denominator coefficient is taken as 1.

#include <array>

class TIIRFilter2ndOrder {
public:
    float buffer1 = 0.0f;      // w[n-1]
    float buffer2 = 0.0f;      // w[n-2]
    std::array<float, 3> a{};  // a0 (never read), a1, a2
    std::array<float, 3> b{};  // b0, b1, b2
    float g = 1.0f;            // output gain

    TIIRFilter2ndOrder(const float* bb, const float* aa, float gain);

    float filter(float x);
    // output[n] = filter(input[n]); output may be input.
    void filter(const float* input, unsigned int Length, float* output);
    // Outputs for 1 followed by zeros (continues from the current state).
    void ImpulseResponse(float* IR, unsigned int Length);
    void SaveImpulseResponse(const char* filename, unsigned int Length);
};
