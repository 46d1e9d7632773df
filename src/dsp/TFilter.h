#pragma once
// Sparse FIR filter: ncoef coefficients placed every spars samples, so the (expanded)
// impulse response is length = (ncoef - 1) * spars + 1 samples long with zeros between taps.

#include <string>
#include <vector>

#include "dsp/TCircBuf.h"

struct TFilterProps {
    unsigned int length = 0;
    unsigned int spars = 1;
    unsigned int ncoef = 0;

    TFilterProps& Set(unsigned int Ncoef, unsigned int Spars);
};

class TFilter {
public:
    TCircBuf signal;  // delay line, length slots
    unsigned int length = 0;
    unsigned int spars = 1;
    unsigned int ncoef = 0;
    std::vector<float> coef;

    // An empty filter (no coefficients) for a later Create.
    TFilter() = default;
    explicit TFilter(unsigned int Ncoef);
    TFilter(unsigned int Ncoef, unsigned int Spars);

    void Create(unsigned int Ncoef, unsigned int Spars);
    // Releases coefficients and delay line; the filter is empty afterwards.
    void Destroy();

    void FilterSetCoef(unsigned int ind, float value);
    void FilterSetCoefs(const float* values, unsigned int len);
    void FilterSetCoefs(const float* values);
    void FilterAddToCoefs(const float* values, unsigned int len);
    void FilterAddToCoefs(const float* values);
    void FilterAddValueToCoef(float value, unsigned int index);
    // Sample `index` of the expanded response (0 between taps and past the end).
    float FilterGetCoef(unsigned int index) const;

    // Streams one sample through the filter and returns the output.
    float FilterProcess(float value);
    // Streams `length` input samples; output[n] is what FilterProcess(input[n]) returns.
    // output may be input (in place).
    void FilterProcess(const float* input, unsigned int Length, float* output);
    float FilterGetCurrentOutput() const;
    void FilterReset();

    // Writes the expanded response (length values).
    void ImpulseResp(float* ir) const;
    void FilterShowCoefs() const;
    void FilterSave(const char* FileName) const;
    void SaveImpulseResp(const char* FileName) const;
    // These inspect `filter` when one is given, this filter otherwise.
    void FilterShowSignal(const TFilter* filter = nullptr) const;
    float FilterGetMaxAbs(const TFilter* filter = nullptr) const;
    float FilterGetNorm1() const;
    float FilterGetNorm2() const;
    void FilterScaleBy(float value);
    float FilterNormalize();
    float FilterNormalizeRMS();

    // Full linear convolution of both expanded responses into output, which must hold
    // length + x2->length - 1 floats. Overlap-save in blocks twice the shorter response.
    void FilterBlockConv(const TFilter* x2, float* output) const;
    void FilterConv(const TFilter* x2, float* y) const;
    // The same convolution with one transform of the combined size.
    void FilterFasterConv(const TFilter* x2, float* y) const;

private:
    std::string ExpandedLine() const;
};
