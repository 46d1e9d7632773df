// A pair's acoustic parameters and its text files: the broadband response, the parameter
// ("PARAMS") file, the response read back, a ray-file scan and an HTML plot.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "dsp/AcousticParams.h"
#include "dsp/FIRDesign.h"
#include "geometry/FileLayer.h"
#include "geometry/HeldOutput.h"
#include "geometry/util.h"
#include "room/TReceiver.h"
#include "room/TSource.h"
#include "simulation/TResult.h"
#include "simulation/TextFields.h"

namespace {

// A-weighting at the nominal octave centres 62.5 Hz ... 16 kHz, dB.
constexpr float kAWeighting[9] = {-26.2f, -16.1f, -8.6f, -3.2f, 0.0f, 1.2f, 1.0f, -1.1f, -6.6f};

float AWeighting(unsigned band)
{
    return band < 9 ? kAWeighting[band] : 0.0f;
}

// "%1.<decimals>f" in the "C" locale; undefined values read the same on every platform.
void AppendValue(std::string& out, float value, int decimals)
{
    if (std::isnan(value))
        out += "nan";
    else if (std::isinf(value))
        out += value > 0 ? "inf" : "-inf";
    else
        AppendFixed(out, static_cast<double>(value), decimals);
}

// The whole text as the file; a failure is reported (or kept by the result set).
void WriteWhole(const char* filename, const std::string& text)
{
    CheckedFile f;
    if (f.Open(filename, "wt")) f.Write(text);
    f.Close();
}

// A decay fit needs points between its two thresholds. A curve that falls through the whole
// span from one sample to the next (an impulse without reverberation) leaves none, and its time
// comes from the line through those two samples instead: a few samples at most, 0 where the
// curve ends.
float DecayTimeOrStep(const std::vector<float>& E, unsigned M, float startLevel, float delta, float fitted)
{
    if (!std::isnan(fitted) || M == 0 || !std::isfinite(E[0])) return fitted;
    const float first = E[0] + startLevel, last = first - std::fabs(delta);
    unsigned t1 = 0;
    while (t1 < M && !(first > E[t1])) ++t1;
    if (t1 == 0 || t1 >= M) return fitted;
    unsigned t2 = t1;
    while (t2 < M && !(last >= E[t2])) ++t2;
    if (t2 >= M || t2 > t1 + 1) return fitted;
    const float slope = (E[t2] - E[t1 - 1]) / static_cast<float>(t2 - t1 + 1);
    return -60.0f / slope;
}

// The eight time and energy parameters of one response into p. The levels and the energy sums
// take the whole response; the times count from the first sound, like the energy ratios: the
// decay curve starts there (the band filters ring ahead of it, and the delay before it is no
// part of the decay), and the centre time is measured from it.
void DecayParameters(TMonoParams& p, const std::vector<float>& r, unsigned FirstSound, float FSample)
{
    const auto N = static_cast<unsigned>(r.size());
    if (FirstSound >= N) FirstSound = 0;
    std::vector<float> E(N);
    GetDecayCurve(r.data(), E.data(), N);
    p.SPL = E[0] + 94.0f;
    p.CT = (GetCenterTime(r.data(), N) - static_cast<float>(FirstSound)) / FSample * 1000.0f;
    p.C80 = GetC80(r.data(), N, FirstSound, FSample);
    p.D50 = GetD50(r.data(), N, FirstSound, FSample);

    const unsigned M = N - FirstSound;
    GetDecayCurve(r.data() + FirstSound, E.data(), M);
    auto fit = [&](float startLevel, float delta, float fitted) {
        return DecayTimeOrStep(E, M, startLevel, delta, fitted) / FSample;
    };
    p.T20 = fit(-5.0f, -20.0f, GetRevTime(E.data(), M, -20.0f));
    p.T30 = fit(-5.0f, -30.0f, GetRevTime(E.data(), M, -30.0f));
    p.T60 = fit(-5.0f, -60.0f, GetRevTime(E.data(), M, -60.0f));
    p.EDT = fit(0.0f, -10.0f, GetDecayTime(E.data(), M, 0.0f, -10.0f));
}

}  // namespace

void TResult::GetMonoParams()
{
    if (NumChannels > 1)
        Print("\nWarning: Calculating acoustic parameters over multichannel responses!\nUsing average of all "
              "channels\n");
    const uint32_t N = MaxLength;
    auto average = [&](std::vector<float>& r) {
        r.assign(N, 0.0f);
        for (uint32_t ch = 0; ch < NumChannels; ++ch)
            for (uint32_t n = 0; n < N; ++n) r[n] += globalIR[ch][n] / static_cast<float>(NumChannels);
    };
    std::vector<float> r;
    average(r);

    float total = 0.0f;
    for (float v : r) total += std::fabs(v);
    if (!(total > 0.0f) || N == 0) {
        for (TMonoParams& p : Param) {
            p.T20 = p.T30 = p.T60 = p.EDT = p.C80 = p.D50 = p.SPL = p.SPL_A = p.CT = 0.0f;
        }
        return;
    }

    // The direct sound's sample; without one, the first arrival's.
    const uint32_t firstSound = std::min(DirectSoundIndex, MinFirstIndex);
    DecayParameters(Param[NumBands], r, firstSound, FSample);

    std::vector<float> filter(BaseLength);
    double sumA = 0.0;
    for (uint32_t b = 0; b < NumBands; ++b) {
        average(r);
        if (BaseLength > 0) {
            AnalysisBandDesign(filter.data(), BaseLength, octaveFreqs.data(), NumBands, b);
            // A band past the Nyquist frequency is not in the response: it reads as silent.
            if (std::all_of(filter.begin(), filter.end(), [](float v) { return v == 0.0f; })) {
                TMonoParams& p = Param[b];
                p.T20 = p.T30 = p.T60 = p.EDT = p.C80 = p.D50 = p.SPL = p.SPL_A = p.CT = 0.0f;
                continue;
            }
            Filter(r.data(), N, filter.data(), BaseLength);
        }
        DecayParameters(Param[b], r, firstSound, FSample);
        Param[b].SPL_A = Param[b].SPL + AWeighting(b);
        sumA += std::pow(10.0, static_cast<double>(Param[b].SPL_A) / 10.0);
    }
    Param[NumBands].SPL_A = static_cast<float>(10.0 * std::log10(sumA));
}

void TResult::SaveParams(const char* filename)
{

    std::string text = "-----";
    for (uint32_t b = 0; b < NumBands; ++b) {
        char head[32];
        std::snprintf(head, sizeof head, "\t%.4d", static_cast<int>(62.5 * std::ldexp(1.0, static_cast<int>(b))));
        text += head;
    }
    text += "\tGlobal\n";

    struct Row {
        const char* label;
        float TMonoParams::*field;
        int decimals;
    };
    const Row rows[] = {
        {"T20(s)", &TMonoParams::T20, 2}, {"T30(s)", &TMonoParams::T30, 2},  {"T60(s)", &TMonoParams::T60, 2},
        {"EDT(s)", &TMonoParams::EDT, 2}, {"C80(dB)", &TMonoParams::C80, 2}, {"D50(%)", &TMonoParams::D50, 2},
        {"CT(ms) ", &TMonoParams::CT, 1}, {"SPL(dB)", &TMonoParams::SPL, 2}, {"SPL(A)", &TMonoParams::SPL_A, 2}};
    for (const Row& row : rows) {
        text += row.label;
        for (uint32_t b = 0; b <= NumBands && b < Param.size(); ++b) {
            text += '\t';
            AppendValue(text, Param[b].*row.field, row.decimals);
        }
        text += '\n';
    }

    if (!KeptDirectSound.empty()) {
        text += KeptDirectSound;
        WriteWhole(filename, text);
        return;
    }

    // Direct sound: its distance, the rays gathered, and its level calibrated as the response.
    // Without one (a receiver outside the room, or at the source) the line says so with finite
    // numbers: the true distance and the level kNoDirectSoundLevel.
    const TRay empty(NumBands);
    const TRay& D = DirectSoundRay ? *DirectSoundRay : empty;
    const float level = D.reflections > 0 ? DirectSoundSPL() : -std::numeric_limits<float>::infinity();
    const bool direct = std::isfinite(level);
    text += "Direct Sound: Distance = ";
    AppendValue(text, direct ? DirectSoundIndex / FSample * VSound : SrcRecDistance, 2);
    text += " m, Rays = ";
    AppendInt(text, D.reflections);
    text += ",  SPL(dir): ";
    if (direct) {
        AppendValue(text, level, 2);
    } else {
        AppendValue(text, kNoDirectSoundLevel, 2);
        text += " (no direct sound)";
    }
    text += "\n";

    const float d = direct ? D.index / FSample * VSound : SrcRecDistance;
    const float radius = receiver ? receiver->GetRadius() : 0.0f;
    const float expected = RayProbability(d, radius) * static_cast<float>(source ? source->NumberOfRays : 0u);
    text += "Expected NumRays: ";
    AppendValue(text, std::isfinite(expected) ? expected : 0.0f, 0);
    text += "\n";
    WriteWhole(filename, text);
}

void TResult::SaveGlobalIR(const char* filename)
{
    CheckedFile f;
    if (!f.Open(filename, "wb")) return;
    std::string text;
    text.reserve(1 << 16);
    for (uint32_t n = 0; n < MaxLength && f.Ok(); ++n) {
        for (uint32_t ch = 0; ch < NumChannels; ++ch) {
            const float v = globalIR[ch][n];
            if (std::isnan(v))
                text += "nan";
            else
                AppendGeneral(text, v);
            text += ' ';
        }
        text += '\n';
        if (text.size() >= (1 << 16) - 256) {
            f.Write(text);
            text.clear();
        }
    }
    f.Write(text);
    f.Close();  // a failure is reported (or kept by the result set)
}

void TResult::GetImpulseResponsesfromFile(const char* SRFileName)
{
    std::FILE* f = utilOpenFile(SRFileName, "rt");
    if (!f) return;
    const uint64_t wanted = static_cast<uint64_t>(MaxLength) * NumChannels;
    uint64_t got = 0;
    std::string line;
    bool stop = false;
    // Numbers in order, whatever the line breaks: sample by sample, channel by channel.
    while (!stop && got < wanted && ReadTextLine(f, line)) {
        std::size_t at = 0;
        while (got < wanted) {
            at = line.find_first_not_of(" \t\r\v\f", at);
            if (at == std::string::npos) break;
            std::size_t end = line.find_first_of(" \t\r\v\f", at);
            if (end == std::string::npos) end = line.size();
            float v = 0.0f;
            if (!ParseFloat(std::string_view(line).substr(at, end - at), v)) {
                stop = true;
                break;
            }
            globalIR[got % NumChannels][got / NumChannels] = v;
            ++got;
            at = end;
        }
    }
    std::fclose(f);
    if (got < wanted) {
        Print("Warning: %s holds %llu of the %llu response values; the rest is set to 0\n", SRFileName,
              static_cast<unsigned long long>(got), static_cast<unsigned long long>(wanted));
        for (uint64_t i = got; i < wanted; ++i) globalIR[i % NumChannels][i / NumChannels] = 0.0f;
    }
}

unsigned TResult::GetInfoFromRaysFile(const char* rayfilename)
{
    DirectSoundIndex = MaxLength > 0 ? MaxLength - 1 : 0;
    std::FILE* f = utilOpenFile(rayfilename, "rt");
    if (!f) return 0;
    TRay ray(NumBands);
    std::string line;
    unsigned records = 0;
    while (ReadTextLine(f, line)) {
        if (!ray.ParseLine(line)) continue;
        if (ray.index < DirectSoundIndex) DirectSoundIndex = ray.index;
        ++NumReflections;
        ++records;
    }
    std::fclose(f);
    return records;
}

void TResult::SaveIR_HTML(const char* filename)
{

    // A value range symmetric about 0, so that the flipped plot stays inside the view box.
    float peak = 0.0f;
    if (NumChannels > 0)
        for (uint32_t n = 0; n < MaxLength; ++n) peak = std::max(peak, std::fabs(globalIR[0][n]));
    if (!(peak > 0.0f) || !std::isfinite(peak)) peak = 1.0f;
    const double ymin = -static_cast<double>(peak), ymax = peak;
    const double left = -0.1 * MaxLength, right = 1.1 * MaxLength;
    const double top = ymin - 0.1 * (ymax - ymin), bottom = ymax + 0.1 * (ymax - ymin);
    auto num = [](std::string& out, double v) { AppendFixed(out, v, 6); };

    std::string text = "<html><body><svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"640px\" "
                       "height=\"400px\" viewBox=\"";
    num(text, left);
    text += ' ';
    num(text, top);
    text += ' ';
    num(text, right - left);
    text += ' ';
    num(text, bottom - top);
    text += "\" preserveAspectRatio=\"none\">\n<g transform=\"scale(1.0 -1.0)\">\n";
    text += "<line x1=\"";
    num(text, left);
    text += "\" y1=\"0\" x2=\"";
    num(text, right);
    text += "\" y2=\"0\" stroke=\"grey\" stroke-width=\"";
    num(text, (bottom - top) / 400.0);
    text += "\"/>\n<line x1=\"0\" y1=\"";
    num(text, top);
    text += "\" x2=\"0\" y2=\"";
    num(text, bottom);
    text += "\" stroke=\"grey\" stroke-width=\"";
    num(text, (right - left) / 640.0);
    text += "\"/>\n<polyline fill=\"none\" stroke=\"black\" stroke-width=\"";
    num(text, (right - left) / 640.0);
    text += "\" points=\"";
    if (NumChannels > 0)
        for (uint32_t n = 0; n < MaxLength; ++n) {
            num(text, static_cast<double>(n));
            text += ',';
            num(text, static_cast<double>(globalIR[0][n]));
            text += ' ';
        }
    text += "\"/>\n</g></svg></body></html>\n";
    WriteWhole(filename, text);
}
