#include "dsp/TFilter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>

#include "dsp/Noise.h"
#include "dsp/Transform.h"
#include "geometry/ErrorHandler.h"
#include "geometry/TComplex.h"
#include "geometry/util.h"

namespace {

// Smallest power of two at or above L (L >= 1).
unsigned long NextPow2(unsigned long L)
{
    unsigned long p = 1;
    while (p < L) p <<= 1;
    return p;
}

// A spectrum buffer of n zeros; an allocation failure shows `message` and ends the process.
std::vector<TComplex> Spectrum(unsigned long n, const char* message)
{
    try {
        return std::vector<TComplex>(n, TComplex(0.0, 0.0));
    } catch (const std::bad_alloc&) {
        ShowErrorAndThrowExit(1, message);
    }
}

}  // namespace

TFilterProps& TFilterProps::Set(unsigned int Ncoef, unsigned int Spars)
{
    ncoef = Ncoef;
    spars = Spars;
    length = Ncoef == 0 ? 0 : (Ncoef - 1) * Spars + 1;
    return *this;
}

TFilter::TFilter(unsigned int Ncoef)
{
    Create(Ncoef, 1);
}

TFilter::TFilter(unsigned int Ncoef, unsigned int Spars)
{
    Create(Ncoef, Spars);
}

void TFilter::Create(unsigned int Ncoef, unsigned int Spars)
{
    spars = Spars == 0 ? 1 : Spars;
    ncoef = Ncoef;
    length = Ncoef == 0 ? 0 : (Ncoef - 1) * spars + 1;
    coef.assign(ncoef, 0.0f);
    signal = TCircBuf(length);
    for (unsigned int i = 0; i < length; i++) signal.circBufInsertAtPos(0.0f, i);
    for (unsigned int i = 0; i < ncoef; i++) FilterSetCoef(i, 0.0f);
}

void TFilter::Destroy()
{
    std::vector<float>().swap(coef);
    signal.circBufDestroy();
    length = 0;
    ncoef = 0;
    spars = 1;
}

void TFilter::FilterSetCoef(unsigned int ind, float value)
{
    if (ind < ncoef) coef[ind] = value;
}

void TFilter::FilterSetCoefs(const float* values, unsigned int len)
{
    if (len > ncoef) {
        printf("Numero de coeficientes maior do que o filtro\n");
        len = ncoef;
    }
    for (unsigned int i = 0; i < len; i++) coef[i] = values[i];
}

void TFilter::FilterSetCoefs(const float* values)
{
    FilterSetCoefs(values, ncoef);
}

void TFilter::FilterAddToCoefs(const float* values, unsigned int len)
{
    if (len > ncoef) {
        printf("Numero de coeficientes maior do que o filtro\n");
        len = ncoef;
    }
    for (unsigned int i = 0; i < len; i++) coef[i] += values[i];
}

void TFilter::FilterAddToCoefs(const float* values)
{
    FilterAddToCoefs(values, ncoef);
}

void TFilter::FilterAddValueToCoef(float value, unsigned int index)
{
    if (index >= ncoef) {
        printf("indice do coeficiente maior que o filtro!!\n");
        return;
    }
    coef[index] += value;
}

float TFilter::FilterGetCoef(unsigned int index) const
{
    if (index >= length || index % spars != 0) return 0.0f;
    return coef[index / spars];
}

float TFilter::FilterProcess(float value)
{
    if (length == 0) return 0.0f;
    signal.circBufInsert(value);
    float y = 0.0f;
    // Oldest tap first; x[n - k spars] sits at logical index length - 1 - k spars.
    for (unsigned int k = ncoef; k-- > 0;) y += coef[k] * signal.circBufGet(static_cast<int>(length - 1 - k * spars));
    return y;
}

void TFilter::FilterProcess(const float* input, unsigned int Length, float* output)
{
    for (unsigned int n = 0; n < Length; n++) output[n] = FilterProcess(input[n]);
}

float TFilter::FilterGetCurrentOutput() const
{
    float y = 0.0f;
    for (unsigned int k = 0; k < ncoef; k++) y += coef[k] * signal.circBufGet(static_cast<int>(length - 1 - k * spars));
    return y;
}

void TFilter::FilterReset()
{
    signal.circBufReset();
}

void TFilter::ImpulseResp(float* ir) const
{
    for (unsigned int n = 0; n < length; n++) ir[n] = FilterGetCoef(n);
}

std::string TFilter::ExpandedLine() const
{
    std::string line;
    char item[64];
    for (unsigned int n = 0; n < length; n++) {
        snprintf(item, sizeof item, "%1.6f ", FilterGetCoef(n));
        line += item;
    }
    line += "\n";
    return line;
}

void TFilter::FilterShowCoefs() const
{
    fputs(ExpandedLine().c_str(), stdout);
}

void TFilter::FilterSave(const char* FileName) const
{
    FILE* fid = utilOpenFile(FileName, "wt");
    if (!fid) return;
    fputs(ExpandedLine().c_str(), fid);
    fclose(fid);
}

void TFilter::SaveImpulseResp(const char* FileName) const
{
    std::vector<float> ir(length);
    ImpulseResp(ir.data());
    utilSaveFloat(FileName, ir.data(), length);
}

void TFilter::FilterShowSignal(const TFilter* filter) const
{
    const TFilter& f = filter ? *filter : *this;
    for (unsigned int i = 0; i < f.signal.length; i++) printf("%1.6f ", f.signal.circBufGet(static_cast<int>(i)));
    printf("\n");
}

float TFilter::FilterGetMaxAbs(const TFilter* filter) const
{
    const TFilter& f = filter ? *filter : *this;
    float m = 0.0f;
    for (float c : f.coef) m = std::fabs(c) > m ? std::fabs(c) : m;
    return m;
}

float TFilter::FilterGetNorm1() const
{
    float sum = 0.0f;
    for (unsigned int n = 0; n < length; n++) sum += std::fabs(FilterGetCoef(n));
    return sum;
}

float TFilter::FilterGetNorm2() const
{
    float sum = 0.0f;
    for (unsigned int n = 0; n < length; n++) {
        float v = FilterGetCoef(n);
        sum += v * v;
    }
    return std::sqrt(sum);
}

void TFilter::FilterScaleBy(float value)
{
    for (float& c : coef) c *= value;
}

float TFilter::FilterNormalize()
{
    float norm = FilterGetNorm1();
    FilterScaleBy(1.0f / norm);
    return norm;
}

float TFilter::FilterNormalizeRMS()
{
    float norm = FilterGetNorm2();
    FilterScaleBy(1.0f / norm);
    return norm;
}

void TFilter::FilterBlockConv(const TFilter* x2, float* output) const
{
    if (!x2 || length == 0 || x2->length == 0) return;
    const unsigned long outSize = static_cast<unsigned long>(length) + x2->length - 1;
    const unsigned long N = 2 * std::min(NextPow2(length), NextPow2(x2->length));
    const unsigned long hop = N / 2;

    // The shorter response is the filter; on equal lengths this one is.
    const TFilter& filt = length > x2->length ? *x2 : *this;
    const TFilter& sig = length > x2->length ? *this : *x2;

    TCircBuf window(static_cast<unsigned int>(N));
    std::vector<TComplex> filterFFT = Spectrum(N, "FilterBlockConv : cannot allocate memory for filter_fft\n");
    std::vector<TComplex> signalFFT = Spectrum(N, "FilterBlockConv : cannot allocate memory for signal_fft\n");

    for (unsigned int n = 0; n < filt.length; n++) filterFFT[n].re = filt.FilterGetCoef(n);
    TransformFFT(static_cast<int>(N), 0, 1.0, filterFFT.data());

    const unsigned long blocks = sig.length / hop + 2;
    unsigned long inCount = 0, outCount = 0;
    for (unsigned long b = 0; b < blocks && outCount < outSize; b++) {
        for (unsigned long k = 0; k < hop; k++, inCount++)
            window.circBufInsert(inCount < sig.length ? sig.FilterGetCoef(static_cast<unsigned int>(inCount)) : 0.0f);
        for (unsigned long s = 0; s < N; s++) signalFFT[s] = TComplex(window.circBufGet(static_cast<int>(s)), 0.0);
        TransformFFT(static_cast<int>(N), 0, 1.0, signalFFT.data());
        for (unsigned long s = 0; s < N; s++) signalFFT[s] = ComplexMult(&filterFFT[s], &signalFFT[s]);
        TransformFFT(static_cast<int>(N), 1, 1.0, signalFFT.data());
        // The first half holds the circular wrap and is discarded.
        for (unsigned long s = hop; s < N && outCount < outSize; s++)
            output[outCount++] = static_cast<float>(signalFFT[s].re);
    }
}

void TFilter::FilterConv(const TFilter* x2, float* y) const
{
    FilterBlockConv(x2, y);
}

void TFilter::FilterFasterConv(const TFilter* x2, float* y) const
{
    if (!x2 || length == 0 || x2->length == 0) return;
    const unsigned long outSize = static_cast<unsigned long>(length) + x2->length - 1;
    const unsigned long N = 2 * std::max(NextPow2(length), NextPow2(x2->length));

    std::vector<TComplex> X1 = Spectrum(N, "FilterFastConv : Impossivel alocar memoria para buffer X1\n");
    std::vector<TComplex> X2 = Spectrum(N, "FilterFastConv : Impossivel alocar memoria para buffer X2\n");
    for (unsigned int n = 0; n < length; n++) X1[n].re = FilterGetCoef(n);
    for (unsigned int n = 0; n < x2->length; n++) X2[n].re = x2->FilterGetCoef(n);
    TransformFFT(static_cast<int>(N), 0, 1.0, X1.data());
    TransformFFT(static_cast<int>(N), 0, 1.0, X2.data());
    for (unsigned long s = 0; s < N; s++) X1[s] = ComplexMult(&X1[s], &X2[s]);
    TransformFFT(static_cast<int>(N), 1, 1.0, X1.data());
    for (unsigned long n = 0; n < outSize; n++) y[n] = static_cast<float>(X1[n].re);
}
