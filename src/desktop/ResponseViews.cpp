#include "desktop/ResponseViews.h"

#include <cmath>

#include "dsp/AcousticParams.h"
#include "dsp/Transform.h"
#include "geometry/TComplex.h"
#include "geometry/util.h"

const char* const ResponseViewNames[NumResponseViews] = {
    "Pressure (LIN scale)",           "Pressure (LOG scale)",
    "Decay curve (LOG scale)",        "Decay curve Normalized (LOG scale)",
    "Frequency Response (LOG scale)",
};

namespace {
double LevelDB(double v)
{
    return 10.0 * std::log10(std::fabs(v) + 1e-7);
}

std::vector<TPoint3D> Spectrum(const float* p, unsigned int N, float fs)
{
    const SpectrumLayout s = SpectrumLayoutFor(N);
    std::vector<TPoint3D> points;
    if (s.points == 0) return points;
    std::vector<TComplex> data(s.fftSize);
    for (unsigned int n = 0; n < N; ++n) data[n] = TComplex(p[n], 0.0);
    TransformFFT(static_cast<int>(s.fftSize), 0, fs, data.data());
    points.reserve(s.points);
    for (unsigned int l = 0; l < s.points; ++l) {
        const unsigned long long bin = l * s.step;
        points.emplace_back(static_cast<double>(bin) / static_cast<double>(s.fftSize) * fs,
                            LevelDB(data[bin].Module()));
    }
    return points;
}
}  // namespace

AxisUnit ViewXUnit(int view)
{
    return view == VIEW_SPECTRUM ? AxisUnit::Hertz : AxisUnit::Seconds;
}

SpectrumLayout SpectrumLayoutFor(unsigned int N)
{
    SpectrumLayout s;
    if (N == 0) return s;
    unsigned long long half = 1;  // 2^ceil(log2 N)
    while (half < N) half *= 2;
    s.fftSize = 2 * half;
    // Bins below half the sample rate: `half` of them, shown every step-th.
    s.step = half > MaxSpectrumPoints ? half / MaxSpectrumPoints : 1;
    s.points = static_cast<unsigned int>(half / s.step);
    return s;
}

std::vector<TPoint3D> ResponseViewPoints(const float* p, unsigned int N, float fs, int view)
{
    std::vector<TPoint3D> points;
    if (!IsResponseView(view) || N == 0) return points;
    if (view == VIEW_SPECTRUM) return Spectrum(p, N, fs);
    points.reserve(N);
    if (view == VIEW_PRESSURE_LIN || view == VIEW_PRESSURE_LOG) {
        for (unsigned int n = 0; n < N; ++n)
            points.emplace_back(n / static_cast<double>(fs), view == VIEW_PRESSURE_LIN ? p[n] : LevelDB(p[n]));
        return points;
    }
    std::vector<float> decay(N);
    GetDecayCurve(p, decay.data(), N);
    // A silent response has no peak: its curve stays at -inf rather than becoming NaN.
    float peak = view == VIEW_DECAY_NORMALIZED ? utilGetMax(decay.data(), N) : 0.0f;
    if (!std::isfinite(peak)) peak = 0.0f;
    for (unsigned int n = 0; n < N; ++n)
        points.emplace_back(n / static_cast<double>(fs), static_cast<double>(decay[n]) - peak);
    return points;
}
