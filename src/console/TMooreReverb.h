#pragma once
// Artificial reverberator: parallel comb sections followed by an all-pass section, with the
// relations between a comb's delay, feedback gain and decay time. Delays are in samples.

#include <cstdio>
#include <memory>
#include <random>
#include <vector>

#include "dsp/TIIRFilter.h"

// Longest section delay, samples (about 95 s at 44.1 kHz); longer requests are cut to it.
constexpr unsigned int kMaxReverbDelay = 1u << 22;

// Integer part of a delay in samples, 0 for a negative or NaN value, at most kMaxReverbDelay.
unsigned int ReverbDelayFromSamples(float samples);

// y[n] = a x[n] + x[n - D] - a y[n - D].
class TAllPassFilter {
public:
    // A delay of 0 becomes 1 (with a notice on standard output).
    TAllPassFilter(float Alpha, unsigned int Delay);
    TAllPassFilter(TAllPassFilter&&) noexcept = default;
    TAllPassFilter& operator=(TAllPassFilter&&) noexcept = default;

    float Process(float value);
    float GetAlpha() const { return alpha; }
    unsigned int GetDelay() const { return delay; }
    void ShowInfo() const;
    // The response of `Length` samples to a unit impulse, from the current state, "%f" a line.
    void SaveImpResp(const char* FileName, unsigned int Length);

    float alpha;
    unsigned int delay;  // samples, at least 1
    std::unique_ptr<TIIRFilter> filter;
};

// y[n] = a x[n] - a y[n - D].
class TCombFilter {
public:
    // A silent section: coefficient 0, delay 1.
    TCombFilter();
    // A delay of 0 becomes 1.
    TCombFilter(float Alpha, unsigned int Delay);
    TCombFilter(TCombFilter&&) noexcept = default;
    TCombFilter& operator=(TCombFilter&&) noexcept = default;

    float Process(float value);
    float GetAlpha() const { return alpha; }
    unsigned int GetDelay() const { return delay; }
    void ShowInfo() const;
    void SaveImpResp(const char* FileName, unsigned int Length);

    float alpha;
    unsigned int delay;  // samples, at least 1
    float gain;          // equal to alpha
    std::unique_ptr<TIIRFilter> filter;
};

class TMooreReverb {
public:
    // Ncomb combs and one all-pass section for a reverberation time RT (seconds) at FSample
    // (Hz); the random coefficients come from a generator seeded with ReverbClockSeed().
    TMooreReverb(unsigned int Ncomb, float RT, float FSample);
    // The same with a chosen seed: equal seeds give equal reverberators.
    TMooreReverb(unsigned int Ncomb, float RT, float FSample, unsigned int seed);
    TMooreReverb(TMooreReverb&&) noexcept = default;
    TMooreReverb& operator=(TMooreReverb&&) noexcept = default;

    float Process(float value);
    unsigned int GetMinDelay() const;
    unsigned int GetMaxDelay() const;
    void ShowInfo() const;
    // Writes the section table into an open text file and leaves it open.
    void SaveInfo(FILE* file) const;
    // The response to a unit impulse from the current state: "%lf" a line, or into ir.
    void SaveImpResp(const char* FileName, long length);
    void GetImpResp(float* ir, long length);

    unsigned int ncomb;
    unsigned int nallpass;  // always 1
    int first_delay;        // smallest delay of all sections
    std::vector<std::unique_ptr<TCombFilter>> comb;
    std::vector<std::unique_ptr<TAllPassFilter>> allpass;

private:
    std::mt19937 random;  // the reverberator's own generator, never the process-wide one
};

// The microseconds of the current time of day: the seed of a reverberator made without one.
unsigned int ReverbClockSeed();

// T30 in seconds of a response of `samples` values at Fsample (NaN when it has no decay).
float RevTimeFromCurve(const float* Data, unsigned long samples, float Fsample);
// Comb relations; RT and delay in samples, pole the feedback gain.
float RevGetCombDelay(float RT, float pole);
float RevGetCombPole(float RT, float delay);
float RevGetCombRevTime(unsigned int delay, float pole);
