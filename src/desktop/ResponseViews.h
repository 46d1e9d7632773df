#pragma once
// The five ways a broadband response is shown in the 2D plot, as the points of one curve:
// linear pressure, pressure level, Schroeder decay curve, the decay curve with its peak at 0 dB
// (x in seconds) and the level spectrum (x in hertz).

#include <vector>

#include "geometry/TPoint3D.h"

enum ResponseView : int {
    VIEW_PRESSURE_LIN = 0,
    VIEW_PRESSURE_LOG = 1,
    VIEW_DECAY = 2,
    VIEW_DECAY_NORMALIZED = 3,
    VIEW_SPECTRUM = 4,
};
constexpr int NumResponseViews = 5;

// The entries of the view choice, in view order.
extern const char* const ResponseViewNames[NumResponseViews];

inline bool IsResponseView(int view)
{
    return view >= 0 && view < NumResponseViews;
}

enum class AxisUnit { Seconds, Hertz };
AxisUnit ViewXUnit(int view);

// The decay views' lower level limit, dB.
constexpr float DecayFloorDB = -100.0f;

// Spectrum of N samples: an FFT of 2^(ceil(log2 N) + 1) points (N zero-padded), of which every
// step-th bin below half the sample rate is shown, at most 4096 of them. N = 0 shows nothing.
struct SpectrumLayout {
    unsigned long long fftSize = 0;
    unsigned long long step = 0;
    unsigned int points = 0;
};
constexpr unsigned int MaxSpectrumPoints = 4096;
SpectrumLayout SpectrumLayoutFor(unsigned int N);

// The curve of N samples p at fs Hz in a view (x, y in each point's x and y); no points for a
// view out of range.
std::vector<TPoint3D> ResponseViewPoints(const float* p, unsigned int N, float fs, int view);
