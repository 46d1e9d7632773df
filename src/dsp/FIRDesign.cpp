#include "dsp/FIRDesign.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "dsp/Noise.h"
#include "dsp/Transform.h"
#include "geometry/TComplex.h"
#include "geometry/util.h"

namespace {

const double kPi = 3.14159265358979323846;

// Value at f of the piecewise-linear curve through (ww[i], aa[i]): the first segment whose
// upper break point is at or above f; a zero-width segment is a jump to its upper value.
float PiecewiseLinear(int nfreq, const float* ww, const float* aa, float f)
{
    for (int i = 1; i < nfreq; i++) {
        if (ww[i] >= f) {
            if (ww[i] <= ww[i - 1]) return aa[i];
            float m = (aa[i] - aa[i - 1]) / (ww[i] - ww[i - 1]);
            float c = aa[i - 1] - ww[i - 1] * m;
            return m * f + c;
        }
    }
    return aa[nfreq - 1];
}

// Operation counts of the transform sizes 2^(i+1), i = 0 ... 19.
const double kFFTCounts[20] = {18,    59,     138,    303,    660,     1441,    3150,    6875,     14952,    32373,
                               69762, 149647, 319644, 680105, 1441974, 3047619, 6422736, 13500637, 28311786, 59244791};

// Sizes past the table, up to the largest transform, scale like n log2 n.
float FFTCount(int i)
{
    if (i < 20) return static_cast<float>(kFFTCounts[i]);
    return static_cast<float>(kFFTCounts[19] * std::ldexp(1.0, i - 19) * (i + 1) / 20.0);
}

}  // namespace

void fir2(int filter_size, int nfreq, const float* ww, const float* aa, float* filtro)
{
    if (filter_size <= 0 || nfreq <= 0) return;
    if (filter_size == 1) {
        filtro[0] = aa[0];
        return;
    }
    const int N = filter_size - 1;  // order
    // Taps 0 ... N are read from the transform, so it needs more than N points.
    int T = 1;
    while (T <= N) T <<= 1;
    const int K = T / 2;

    std::vector<TComplex> H(static_cast<size_t>(T), TComplex(0.0, 0.0));
    const float step = ww[nfreq - 1] / static_cast<float>(K);
    for (int n = 0; n <= K; n++) H[n].re = PiecewiseLinear(nfreq, ww, aa, static_cast<float>(n) * step);

    for (int s = 0; s <= K; s++) {
        TComplex shift = ComplexExp(TComplex(0.0, -0.5 * N * kPi * s / K));
        H[s] = ComplexMult(&H[s], &shift);
    }
    for (int s = 1; s < K; s++) H[K + s] = TComplex(H[K - s].re, -H[K - s].im);

    TransformFFT(T, 1, 1.0, H.data());
    for (int s = 0; s <= N; s++) filtro[s] = static_cast<float>((0.54 - 0.46 * std::cos(2.0 * kPi * s / N)) * H[s].re);
}

void OctaveBandDesign(float* coefs, unsigned int FilterLength, float freqCenter)
{
    const float fc = freqCenter;
    const float r2 = std::sqrt(2.0f);
    float upper = fc * r2;
    if (upper >= 1.0f) upper = (1.0f - fc) / 2.0f + fc;
    float skirt = 1.25f * fc * r2;
    if (skirt >= 1.0f) skirt = 0.98f;
    const float ww[7] = {0.0f, 0.85f * fc / r2, fc / r2, fc, upper, skirt, 1.0f};
    const float aa[7] = {0.0f, 0.0f, 1.0f, 1.0f, 1.0f, 0.0f, 0.0f};
    fir2(static_cast<int>(FilterLength), 7, ww, aa, coefs);
}

namespace {

// Half width of the crossover ramp of the synthesis bands, as a frequency ratio.
const float kCrossoverRatio = 1.122462048f;  // 2^(1/6)

// The upper flat end and the end of the upper skirt of a band that ends a set, as in
// OctaveBandDesign.
void OuterUpperEdge(float fc, float& flatEnd, float& skirtEnd)
{
    const float hi = fc * std::sqrt(2.0f);
    flatEnd = hi < 1.0f ? hi : (1.0f - fc) / 2.0f + fc;
    skirtEnd = 1.25f * hi < 1.0f ? 1.25f * hi : 0.98f;
}

// Whether band b hands over to band b + 1 by a crossover ramp: the ramp lies below the
// Nyquist frequency and below the flat end of band b + 1 should that band end the set.
bool InnerEdgeFits(const float* centres, unsigned int NumBands, unsigned int b)
{
    if (b + 1 >= NumBands) return false;
    const float rampEnd = centres[b] * std::sqrt(2.0f) * kCrossoverRatio;
    float flatEnd = 0.0f, skirtEnd = 0.0f;
    OuterUpperEdge(centres[b + 1], flatEnd, skirtEnd);
    return rampEnd < flatEnd && flatEnd < skirtEnd;
}

}  // namespace

void SynthesisBandDesign(float* coefs, unsigned int FilterLength, const float* centres, unsigned int NumBands,
                         unsigned int band)
{
    if (FilterLength == 0) return;
    std::fill(coefs, coefs + FilterLength, 0.0f);
    if (band >= NumBands) return;
    for (unsigned int b = 0; b < band; b++)
        if (!InnerEdgeFits(centres, NumBands, b)) return;  // above the band that ends the set

    const float fc = centres[band];
    const float r2 = std::sqrt(2.0f);
    // A shared edge is computed from the lower band's centre on both sides.
    const float lo = band > 0 ? centres[band - 1] * r2 : fc / r2;
    const float hi = fc * r2;
    float ww[6], aa[6] = {0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0.0f};
    ww[0] = 0.0f;
    if (band == 0) {
        ww[1] = 0.85f * lo;
        ww[2] = lo;
    } else {
        ww[1] = lo / kCrossoverRatio;
        ww[2] = lo * kCrossoverRatio;
    }
    if (InnerEdgeFits(centres, NumBands, band)) {
        ww[3] = hi / kCrossoverRatio;
        ww[4] = hi * kCrossoverRatio;
    } else {
        OuterUpperEdge(fc, ww[3], ww[4]);
    }
    ww[5] = 1.0f;
    if (!(ww[1] < ww[2] && ww[2] < ww[3] && ww[3] < ww[4] && ww[4] < 1.0f)) return;
    fir2(static_cast<int>(FilterLength), 6, ww, aa, coefs);
}

void AnalysisBandDesign(float* coefs, unsigned int FilterLength, const float* centres, unsigned int NumBands,
                        unsigned int band)
{
    if (FilterLength == 0) return;
    std::fill(coefs, coefs + FilterLength, 0.0f);
    if (band >= NumBands) return;
    for (unsigned int b = 0; b < band; b++)
        if (!InnerEdgeFits(centres, NumBands, b)) return;

    // A shared edge whose crossover ramp spans enough of the design grid is met inside the ramp,
    // over the half where this band holds more than half the amplitude; a narrower ramp would
    // only be smeared by the window, and the band keeps the octave filter's skirt there.
    // The half ramp must span the window's main lobe, four steps of the design grid, which
    // are about 2 / FilterLength apart.
    const float minRamp = 16.0f / static_cast<float>(FilterLength);
    auto resolved = [&](float edge) { return edge * (kCrossoverRatio - 1.0f / kCrossoverRatio) >= minRamp; };
    const float fc = centres[band];
    const float r2 = std::sqrt(2.0f);
    const float lo = band > 0 ? centres[band - 1] * r2 : fc / r2;
    const float hi = fc * r2;
    float ww[6], aa[6] = {0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0.0f};
    // Energy gain of the share of the spectrum the band stands for: its octave between the
    // shared edges, with the outer skirts where the set ends.
    float share = 0.0f;
    ww[0] = 0.0f;
    if (band > 0 && resolved(lo)) {
        ww[1] = lo;
        ww[2] = lo * kCrossoverRatio;
        share -= lo;
    } else {
        ww[1] = 0.85f * lo;
        ww[2] = lo;
        share -= band == 0 ? lo - (ww[2] - ww[1]) / 3.0f : lo;
    }
    const bool inner = InnerEdgeFits(centres, NumBands, band);
    if (inner && resolved(hi)) {
        ww[3] = hi / kCrossoverRatio;
        ww[4] = hi;
        share += hi;
    } else {
        OuterUpperEdge(fc, ww[3], ww[4]);
        share += inner ? hi : ww[3] + (ww[4] - ww[3]) / 3.0f;
    }
    ww[5] = 1.0f;
    if (!(ww[1] < ww[2] && ww[2] < ww[3] && ww[3] < ww[4] && ww[4] < 1.0f)) return;
    fir2(static_cast<int>(FilterLength), 6, ww, aa, coefs);
    // Parseval: the sum of squared taps is the energy gain over 0 ... 1.
    double energy = 0.0;
    for (unsigned int n = 0; n < FilterLength; n++) energy += static_cast<double>(coefs[n]) * coefs[n];
    if (energy > 0.0) {
        const auto g = static_cast<float>(std::sqrt(share / energy));
        for (unsigned int n = 0; n < FilterLength; n++) coefs[n] *= g;
    }
}

void Filter(float* x, unsigned int size_x, const float* h, unsigned int size_h)
{
    if (size_x == 0 || size_h == 0) return;
    std::vector<float> conv(static_cast<size_t>(size_x) + size_h - 1);
    FFTFilt(h, size_h, x, size_x, conv.data());
    const unsigned int shift = size_h / 2;
    for (unsigned int n = 0; n < size_x; n++) x[n] = conv[n + shift];
}

void OctaveBandFilter(float* x, unsigned int size_x, float CenterFreq, unsigned int FilterSize)
{
    if (FilterSize == 0) return;
    std::vector<float> h(FilterSize);
    OctaveBandDesign(h.data(), FilterSize, CenterFreq);
    Filter(x, size_x, h.data(), FilterSize);
}

void FFTFilt(const float* filter, unsigned int FilterLength, const float* signal, unsigned int SignalLength, float* y)
{
    // The shorter sequence is the filter b; on equal lengths the first argument is.
    const bool firstIsFilter = FilterLength <= SignalLength;
    const float* b = firstIsFilter ? filter : signal;
    const float* x = firstIsFilter ? signal : filter;
    const unsigned long nb = firstIsFilter ? FilterLength : SignalLength;
    const unsigned long nx = firstIsFilter ? SignalLength : FilterLength;
    if (nb == 0) return;
    const unsigned long total = nx + nb - 1;

    // The transform size 2^(i+1) with the least count x number of blocks; ties keep the
    // smaller size.
    int best = -1;
    float bestCost = std::numeric_limits<float>::infinity();
    for (int i = 0; i < TRANSFORM_MAX_POWER; i++) {
        const unsigned long size = 1ul << (i + 1);
        if (size <= nb - 1) continue;
        const unsigned long L = size - (nb - 1);
        const float cost = FFTCount(i) * static_cast<float>((total + L - 1) / L);
        if (cost < bestCost) {
            bestCost = cost;
            best = i;
        }
    }
    if (best < 0) {
        for (unsigned long n = 0; n < total; n++) y[n] = 0.0f;
        ErrorMessage("FFTFilt : the shorter sequence (%lu samples) is longer than the largest "
                     "transform\n",
                     nb);
        return;
    }
    const unsigned long size = 1ul << (best + 1);
    const unsigned long L = size - nb + 1;

    std::vector<TComplex> B(size, TComplex(0.0, 0.0)), X(size);
    for (unsigned long k = 0; k < nb; k++) B[k].re = b[k];
    TransformFFT(static_cast<int>(size), 0, 1.0, B.data());

    for (unsigned long n = 0; n < total; n++) y[n] = 0.0f;
    // The blocks are real and the filter spectrum is that of a real sequence, so two blocks
    // share one transform: one in the real parts, the next in the imaginary parts, and the
    // product's inverse holds their two convolutions in the same places. Blocks that start
    // past the signal are all zero and add nothing.
    auto sample = [&](unsigned long s, unsigned long k) { return s < nx && k < L && s + k < nx ? x[s + k] : 0.0f; };
    for (unsigned long s = 0; s < total && s < nx; s += 2 * L) {
        const unsigned long s2 = s + L;
        for (unsigned long k = 0; k < size; k++) X[k] = TComplex(sample(s, k), sample(s2, k));
        TransformFFT(static_cast<int>(size), 0, 1.0, X.data());
        for (unsigned long k = 0; k < size; k++) X[k] = X[k] * B[k];
        TransformFFT(static_cast<int>(size), 1, 1.0, X.data());
        for (unsigned long k = 0; k < size && s + k < total; k++) y[s + k] += static_cast<float>(X[k].re);
        if (s2 < nx)
            for (unsigned long k = 0; k < size && s2 + k < total; k++) y[s2 + k] += static_cast<float>(X[k].im);
    }
}

void OverLapAdd(const float* A, long ALength, const float* B, long BLength, float* output)
{
    if (ALength <= 0 || BLength <= 0) return;
    const bool aIsFilter = ALength <= BLength;
    const float* filter = aIsFilter ? A : B;
    const float* signal = aIsFilter ? B : A;
    const unsigned long M = static_cast<unsigned long>(aIsFilter ? ALength : BLength);
    const unsigned long S = static_cast<unsigned long>(aIsFilter ? BLength : ALength);

    unsigned long T = 1;
    while (T < 2 * M - 1) T <<= 1;
    const unsigned long R = T - M + 1;

    std::vector<TComplex> F(T, TComplex(0.0, 0.0)), X(T);
    for (unsigned long k = 0; k < M; k++) F[k].re = filter[k];
    TransformFFT(static_cast<int>(T), 0, 1.0, F.data());

    for (unsigned long n = 0; n < S; n++) output[n] = 0.0f;
    for (unsigned long start = 0; start < S; start += R) {
        for (unsigned long k = 0; k < T; k++) X[k] = TComplex(k < R && start + k < S ? signal[start + k] : 0.0f, 0.0);
        TransformFFT(static_cast<int>(T), 0, 1.0, X.data());
        for (unsigned long k = 0; k < T; k++) X[k] = ComplexMult(&X[k], &F[k]);
        TransformFFT(static_cast<int>(T), 1, 1.0, X.data());
        for (unsigned long k = 0; k < T && start + k < S; k++) output[start + k] += static_cast<float>(X[k].re);
    }
}

void SinthesysFilter(const float* octNormalizFreqs, const float* Spectrum, unsigned int NBands, unsigned int Length,
                     float* output)
{
    std::vector<float> ww(NBands + 2), aa(NBands + 2);
    ww[0] = 0.0f;
    aa[0] = 0.0f;
    for (unsigned int i = 0; i < NBands; i++) {
        ww[i + 1] = octNormalizFreqs[i];
        aa[i + 1] = Spectrum[i];
    }
    ww[NBands + 1] = 1.0f;
    aa[NBands + 1] = 0.0f;
    fir2(static_cast<int>(Length), static_cast<int>(NBands + 2), ww.data(), aa.data(), output);
}

void ExtendRayMagSpectrum(const float* freqs, const float* mags, unsigned int nfreq, unsigned int fftsize,
                          float* output)
{
    if (fftsize == 0 || nfreq == 0) return;
    const unsigned int half = fftsize / 2;
    for (unsigned int n = 0; n < fftsize; n++) output[n] = 0.0f;
    if (half > 0 && nfreq > 1) {
        const float step = (freqs[nfreq - 1] - freqs[0]) / static_cast<float>(half);
        float f = freqs[0];
        unsigned int n = 0;
        for (unsigned int i = 1; i < nfreq; i++) {
            const float m = freqs[i] > freqs[i - 1] ? (mags[i] - mags[i - 1]) / (freqs[i] - freqs[i - 1]) : 0.0f;
            const float c = mags[i - 1] - freqs[i - 1] * m;
            for (; freqs[i] >= f && n < half; n++, f += step) output[n] = m * f + c;
        }
    }
    if (half < fftsize) output[half] = 0.0f;
    for (unsigned int k = 1; k < half; k++) output[half + k] = output[half - k];
    utilSaveFloat("output.txt", output, fftsize);
}
