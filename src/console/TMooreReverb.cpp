#include "console/TMooreReverb.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <limits>

#include "dsp/AcousticParams.h"
#include "geometry/util.h"

unsigned int ReverbDelayFromSamples(float samples)
{
    if (!(samples >= 1.0f)) return 0;  // negative, below one sample or NaN
    if (samples >= static_cast<float>(kMaxReverbDelay)) return kMaxReverbDelay;
    return static_cast<unsigned int>(samples);
}

namespace {

unsigned int SectionDelay(unsigned int Delay)
{
    return std::clamp(Delay, 1u, kMaxReverbDelay);
}

void WriteImpResp(const char* FileName, unsigned int Length, TIIRFilter& filter)
{
    FILE* fid = utilOpenFile(FileName, "wt");
    if (!fid) return;
    for (unsigned int n = 0; n < Length; n++) fprintf(fid, "%f\n", filter.Process(n == 0 ? 1.0f : 0.0f));
    fclose(fid);
}

}  // namespace

// ---- All-pass section ---------------------------------------------------------------------------

TAllPassFilter::TAllPassFilter(float Alpha, unsigned int Delay) : alpha(Alpha), delay(SectionDelay(Delay))
{
    if (Delay == 0) printf("AllPassFilterCreate : Useless all-pass filter with ZERO DELAY!!! Setting to 1\n");
    filter = std::make_unique<TIIRFilter>(2, delay, 2, delay);
    const float num[2] = {alpha, 1.0f};
    const float den[2] = {1.0f, alpha};
    filter->SetCoefs(num, 0);
    filter->SetCoefs(den, 1);
}

float TAllPassFilter::Process(float value)
{
    return filter->Process(value);
}

void TAllPassFilter::ShowInfo() const
{
    filter->ShowInfo();
}

void TAllPassFilter::SaveImpResp(const char* FileName, unsigned int Length)
{
    WriteImpResp(FileName, Length, *filter);
}

// ---- Comb section -------------------------------------------------------------------------------

TCombFilter::TCombFilter() : TCombFilter(0.0f, 1) {}

TCombFilter::TCombFilter(float Alpha, unsigned int Delay) : alpha(Alpha), delay(SectionDelay(Delay)), gain(Alpha)
{
    filter = std::make_unique<TIIRFilter>(1, 1, 2, delay);
    const float num[1] = {alpha};
    const float den[2] = {1.0f, alpha};
    filter->SetCoefs(num, 0);
    filter->SetCoefs(den, 1);
}

float TCombFilter::Process(float value)
{
    return filter->Process(value);
}

void TCombFilter::ShowInfo() const
{
    filter->ShowInfo();
}

void TCombFilter::SaveImpResp(const char* FileName, unsigned int Length)
{
    WriteImpResp(FileName, Length, *filter);
}

// ---- Reverberator -------------------------------------------------------------------------------

unsigned int ReverbClockSeed()
{
    using namespace std::chrono;
    const auto us = duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
    return static_cast<unsigned int>(us % 1000000);
}

TMooreReverb::TMooreReverb(unsigned int Ncomb, float RT, float FSample)
    : TMooreReverb(Ncomb, RT, FSample, ReverbClockSeed())
{}

TMooreReverb::TMooreReverb(unsigned int Ncomb, float RT, float FSample, unsigned int seed)
    : ncomb(Ncomb), nallpass(1), first_delay(0), random(seed)
{
    const float rtSamples = RT * FSample;
    comb.reserve(ncomb);
    for (unsigned int n = 0; n < ncomb; n++) {
        float a = static_cast<float>((random() % 200) / 1000.0 + 0.6);
        if (n % 2 == 0) a = -a;
        comb.push_back(std::make_unique<TCombFilter>(a, ReverbDelayFromSamples(RevGetCombDelay(rtSamples, a))));
    }
    const float sign = random() % 2 ? 1.0f : -1.0f;
    const float p = sign * static_cast<float>((random() % 50) / 1000.0 + 0.2);
    allpass.push_back(std::make_unique<TAllPassFilter>(p, ReverbDelayFromSamples(RevGetCombDelay(rtSamples, p))));
    first_delay = static_cast<int>(GetMinDelay());
}

float TMooreReverb::Process(float value)
{
    float s = value;
    if (!comb.empty()) {
        s = 0.0f;
        for (auto& c : comb) s += c->Process(value) - c->alpha * value;
    }
    for (auto& ap : allpass) s = ap->Process(s) - ap->alpha * s;
    return s;
}

unsigned int TMooreReverb::GetMinDelay() const
{
    unsigned int d = UINT_MAX;
    for (const auto& c : comb) d = std::min(d, c->delay);
    for (const auto& ap : allpass) d = std::min(d, ap->delay);
    return d;
}

unsigned int TMooreReverb::GetMaxDelay() const
{
    unsigned int d = 0;
    for (const auto& c : comb) d = std::max(d, c->delay);
    for (const auto& ap : allpass) d = std::max(d, ap->delay);
    return d;
}

void TMooreReverb::ShowInfo() const
{
    printf("COMB SECTIONS : %d\n", ncomb);
    for (unsigned int n = 0; n < comb.size(); n++)
        printf("COMB[%d]: delay = %d - alpha = %1.3f\n", n, comb[n]->delay, comb[n]->alpha);
    printf("ALLPASS SECTIONS : %d\n", nallpass);
    for (unsigned int n = 0; n < allpass.size(); n++)
        printf("ALLP[%d]: delay = %d - alpha = %1.3f\n", n, allpass[n]->delay, allpass[n]->alpha);
    printf("Minimum delay: %d\n", first_delay);
}

void TMooreReverb::SaveInfo(FILE* file) const
{
    if (!file) return;
    auto line = [file](unsigned int n, unsigned int delay, float alpha) {
        fprintf(file, "%.2d\t%1.0f\t%1.4f\t%1.4f\n", n + 1, static_cast<double>(delay), alpha,
                RevGetCombRevTime(delay, alpha));
    };
    fprintf(file, "COMB SECTIONS : %d\n", ncomb);
    fprintf(file, "COMB\tDelay\tAlpha\tRevTime\n");
    for (unsigned int n = 0; n < comb.size(); n++) line(n, comb[n]->delay, comb[n]->alpha);
    fprintf(file, "ALLPASS SECTIONS : %d\n", nallpass);
    fprintf(file, "COMB\tDelay\tAlpha\tRevTime\n");
    for (unsigned int n = 0; n < allpass.size(); n++) line(n, allpass[n]->delay, allpass[n]->alpha);
}

void TMooreReverb::SaveImpResp(const char* FileName, long length)
{
    FILE* fid = utilOpenFile(FileName, "wt");
    if (!fid) return;
    for (long n = 0; n < length; n++) fprintf(fid, "%lf\n", static_cast<double>(Process(n == 0 ? 1.0f : 0.0f)));
    fclose(fid);
}

void TMooreReverb::GetImpResp(float* ir, long length)
{
    if (!ir) return;
    for (long n = 0; n < length; n++) ir[n] = Process(n == 0 ? 1.0f : 0.0f);
}

// ---- Comb relations -----------------------------------------------------------------------------

float RevTimeFromCurve(const float* Data, unsigned long samples, float Fsample)
{
    if (!Data || samples == 0) return std::numeric_limits<float>::quiet_NaN();
    const auto n = static_cast<unsigned int>(std::min<unsigned long>(samples, UINT_MAX));
    std::vector<float> curve(n);
    GetDecayCurve(Data, curve.data(), n);
    return GetRevTime(curve.data(), n, -30.0f) / Fsample;
}

float RevGetCombDelay(float RT, float pole)
{
    return -20.0f * std::log10(std::fabs(pole)) * RT / 60.0f;
}

float RevGetCombPole(float RT, float delay)
{
    return std::pow(10.0f, -3.0f * delay / RT);
}

float RevGetCombRevTime(unsigned int delay, float pole)
{
    return 60.0f / (-20.0f * std::log10(std::fabs(pole))) * static_cast<float>(delay);
}
