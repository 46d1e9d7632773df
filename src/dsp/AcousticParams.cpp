#include "dsp/AcousticParams.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <new>
#include <vector>

#include "dsp/TCircBuf.h"
#include "geometry/ErrorHandler.h"
#include "geometry/util.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// Backward running energy sums: sums[n] = sum_{k>=n} p[k]^2, single precision.
std::vector<float> BackwardEnergy(const float* p, unsigned int samples)
{
    std::vector<float> work;
    try {
        work.resize(samples);
    } catch (const std::bad_alloc&) {
        const char* msg = "GetDecayCurve : Impossivel alocar memoria para buffer temporario!\n";
        ShowErrorAndThrowExit(1, msg);
    }
    for (unsigned int n = 0; n < samples; n++) {
        float v = p[samples - 1 - n];
        work[n] = v * v;
    }
    for (unsigned int n = 0; n + 1 < samples; n++) work[n + 1] += work[n];
    return work;  // reversed: work[n] belongs to sample samples - 1 - n
}

// Running sums of a least-squares line; fallback third value is `mid`.
struct LineSums {
    float sx = 0.0f, sy = 0.0f, sxy = 0.0f, sx2 = 0.0f, count = 0.0f;

    void Add(float x, float y, float x2)
    {
        sx += x;
        sy += y;
        sxy += x * y;
        sx2 += x2;
        count += 1.0f;
    }
    void Add(float x, float y) { Add(x, y, x * x); }

    TPoint3D Line(unsigned int mid) const
    {
        if (count > 0.0f) {
            float meanX = sx / count;
            float meanY = sy / count;
            float var = sx2 - sx * meanX;
            float cov = sxy - sx * meanY;
            if (var != 0.0f) {
                float slope = cov / var;
                double intercept = static_cast<double>(meanY) - static_cast<double>(meanX) * slope;
                return TPoint3D(intercept, slope, sxy / sy);
            }
        }
        return TPoint3D(0.0, 0.0, static_cast<double>(mid));
    }
};

// Decay time from a line fit between two thresholds under the curve's first value.
// startLevel is the (negative) level of the first threshold relative to EDC[0].
float DecayTimeFromFit(const float* EDC, unsigned int Length, float startLevel, float Delta_THR)
{
    if (EDC == nullptr || Length == 0) return kNaN;
    const float delta = -std::fabs(Delta_THR);
    if (delta == 0.0f || !std::isfinite(EDC[0])) return kNaN;

    float threshold = EDC[0] + startLevel;
    unsigned int t1 = 0;
    while (t1 < Length && !(threshold > EDC[t1])) t1++;
    if (t1 == Length) return kNaN;  // the curve never falls that far

    threshold += delta;
    unsigned int t2 = t1;
    while (t2 < Length && !(threshold >= EDC[t2])) t2++;
    if (t2 == Length || t2 == 0) t2 = Length - 1;

    TPoint3D fit = LinearFitting(EDC, t1, t2);
    const float h = static_cast<float>(fit.x);
    const float m = static_cast<float>(fit.y);
    if (!(m < 0.0f) || !std::isfinite(m)) return kNaN;  // no fall, or no points to fit
    const float x1 = (startLevel - h) / m;
    const float x2 = (startLevel + delta - h) / m;
    return (x2 - x1) * (-60.0f) / delta;
}

}  // namespace

void GetDecayCurve(const float* pressureData, float* DecayCurve, unsigned int samples)
{
    if (samples == 0) return;
    std::vector<float> work = BackwardEnergy(pressureData, samples);
    for (unsigned int n = 0; n < samples; n++) {
        float e = work[samples - 1 - n];
        DecayCurve[n] = e != 0.0f ? 10.0f * std::log10(e) : -std::numeric_limits<float>::infinity();
    }
}

void GetDecayCurveNoLOG(const float* pressureData, float* DecayCurve, unsigned int samples)
{
    if (samples == 0) return;
    std::vector<float> work = BackwardEnergy(pressureData, samples);
    for (unsigned int n = 0; n < samples; n++) DecayCurve[n] = work[samples - 1 - n];
}

float GetRevTime(const float* EDC, unsigned int Length, float Delta_THR)
{
    return DecayTimeFromFit(EDC, Length, -5.0f, Delta_THR);
}

float GetDecayTime(const float* EDC, unsigned int Length, float THR_ini, float Delta_THR)
{
    return DecayTimeFromFit(EDC, Length, -std::fabs(THR_ini), Delta_THR);
}

float GetRT(const float* EDC, unsigned int Length, float THR)
{
    return GetRevTime(EDC, Length, THR);
}

float GetEDT(const float* EDC, unsigned int Length)
{
    return GetDecayTime(EDC, Length, 0.0f, -10.0f);
}

namespace {

// First sample `seconds` after FirstSound, at most Length.
unsigned int LimitAfter(unsigned int FirstSound, float seconds, float FSample, unsigned int Length)
{
    float t = static_cast<float>(FirstSound) + seconds * FSample;
    if (!(t < static_cast<float>(Length))) return Length;
    return t > 0.0f ? static_cast<unsigned int>(t) : 0u;
}

float Energy(const float* p, unsigned int from, unsigned int to)
{
    float sum = 0.0f;
    for (unsigned int n = from; n < to; n++) sum += p[n] * p[n];
    return sum;
}

}  // namespace

float GetC80(const float* pressureData, unsigned int Length, unsigned int FirstSound, float FSample)
{
    if (FirstSound >= Length) return kNaN;
    unsigned int t80 = LimitAfter(FirstSound, 0.08f, FSample, Length);
    float num = Energy(pressureData, FirstSound, t80);
    float den = Energy(pressureData, t80, Length);
    if (num == 0.0f && den == 0.0f) return kNaN;  // silent
    float eps = den == 0.0f ? 1e-8f : 0.0f;
    return 10.0f * std::log10(num / (den + eps));
}

float GetD50(const float* pressureData, unsigned int Length, unsigned int FirstSound, float FSample)
{
    if (FirstSound >= Length) return kNaN;
    unsigned int t50 = LimitAfter(FirstSound, 0.05f, FSample, Length);
    float early = Energy(pressureData, FirstSound, t50);
    float total = Energy(pressureData, FirstSound, Length);
    if (!(total > 0.0f)) return kNaN;
    return 100.0f * early / total;
}

float GetCenterTime(const float* IR, unsigned int Length)
{
    float weighted = 0.0f, energy = 0.0f;
    for (unsigned int n = 0; n < Length; n++) {
        float e = IR[n] * IR[n];
        weighted += static_cast<float>(n) * e;
        energy += e;
    }
    if (!(energy > 0.0f)) return kNaN;
    return weighted / energy;
}

TPoint3D LinearFitting(const float* curve, unsigned int start_x, unsigned int end_x)
{
    LineSums s;
    for (unsigned int i = start_x; i < end_x; i++) s.Add(static_cast<float>(i), curve[i]);
    return s.Line(static_cast<unsigned int>((static_cast<uint64_t>(start_x) + end_x) / 2));
}

TPoint3D LinearFitting(const float* x, const float* y, unsigned int N)
{
    LineSums s;
    for (unsigned int i = 0; i < N; i++) s.Add(x[i], y[i]);
    return s.Line(N / 2);
}

TPoint3D GetLinearParameters(const float* curve, unsigned int start_x, unsigned int end_x)
{
    LineSums s;
    for (unsigned int i = start_x; i < end_x; i++) {
        if (!(curve[i] > 0.0f)) continue;
        s.Add(static_cast<float>(i), 10.0f * std::log10(curve[i]), static_cast<float>(static_cast<uint64_t>(i) * i));
    }
    return s.Line(static_cast<unsigned int>((static_cast<uint64_t>(start_x) + end_x) / 2));
}

TPoint3D GetLinearParameters_Bir(const float* curve, unsigned int start_x, unsigned int end_x)
{
    LineSums s;
    for (unsigned int i = start_x; i < end_x; i++) {
        float sq = curve[i] * curve[i];
        if (sq == 0.0f) continue;
        s.Add(static_cast<float>(i), 10.0f * std::log10(sq), static_cast<float>(static_cast<uint64_t>(i) * i));
    }
    return s.Line(static_cast<unsigned int>((static_cast<uint64_t>(start_x) + end_x) / 2));
}

float RayProbability(float d, float r)
{
    return (1.0f - d / std::sqrt(d * d + r * r)) / 2.0f;
}

float MaxProbRayDistance(unsigned int N, float r)
{
    double a = 1.0 - 2.0 / static_cast<double>(N);
    return static_cast<float>(r / std::sqrt(1.0 - a * a));
}

float DistanceForRayProb(float prob, float r)
{
    float b = 2.0f * prob - 1.0f;
    float a = b * b;
    float q = a / (1.0f - a);
    return r * std::sqrt(q);
}

void FlipVector(float* x, unsigned int N)
{
    for (unsigned int n = 0; n < N / 2; n++) {
        float t = x[n];
        x[n] = x[N - 1 - n];
        x[N - 1 - n] = t;
    }
}

void MovingAvgFilter(float* x, unsigned int xSize, unsigned int Bsize)
{
    if (Bsize == 0 || xSize == 0) return;
    const unsigned int h = Bsize / 2;
    TCircBuf window(Bsize);
    // Sample idx enters the window; once idx >= h the window is centred on idx - h.
    // Samples past the end are zeros; x[j] is overwritten only after x[j + h] was read.
    for (uint64_t idx = 0; idx < static_cast<uint64_t>(xSize) + h; idx++) {
        window.circBufInsert(idx < xSize ? x[idx] : 0.0f);
        if (idx >= h) x[idx - h] = window.circBufAverage();
    }
}

float Normalize(float* x, unsigned int N)
{
    float m = utilGetMaxAbs(x, N);
    if (m == 0.0f) m = 1.0f;
    float scale = 1.0f / m;
    for (unsigned int n = 0; n < N; n++) x[n] *= scale;
    return m;
}
