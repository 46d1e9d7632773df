#include "directivity/TDirectivity.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "directivity/daff/DAFFContentIR.h"
#include "directivity/daff/DAFFContentMS.h"
#include "directivity/daff/DAFFProperties.h"
#include "directivity/daff/DAFFReader.h"
#include "directivity/daff/DAFFUtils.h"
#include "dsp/Transform.h"
#include "geometry/ErrorHandler.h"
#include "geometry/TVector.h"
#include "geometry/util.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr unsigned int kMaxDelay = 2147483647u;

// A pattern name is a DAFF file when it names a regular file that can be read; a directory
// of that name is not a file.
bool IsReadableFile(const std::string& name)
{
    if (name.empty()) return false;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(name, ec)) return false;
    std::ifstream in(name, std::ios::binary);
    return in.is_open();
}

// Cosine of the angle between the direction (degrees) and the front axis +x.
float FrontCosine(float azim, float elev)
{
    TVector v = sph2cart(azim / 180.0 * kPi, elev / 180.0 * kPi, 1.0);
    v.Normalize();
    return static_cast<float>(v.x);
}

// Longest impulse response the magnitudes can transform: twice it must fit the FFT (2^19).
constexpr int kMaxIRLength = 1 << 18;

// Twice the smallest power of two not below n.
int FFTSizeFor(int n)
{
    int size = 1;
    while (size < n) size <<= 1;
    return size * 2;
}

// One axis of a scan grid: from start while below end; a zero step gives the start alone.
std::vector<float> ScanAxis(float start, float end, float step)
{
    std::vector<float> values;
    if (!(step > 0.0f) || !std::isfinite(step)) {
        values.push_back(start);
        return values;
    }
    for (float v = start; v < end; v += step) {
        values.push_back(v);
        if (v + step == v) break;  // a step below the float spacing would never advance
    }
    return values;
}

}  // namespace

TDirectivity::TDirectivity() = default;

TDirectivity::TDirectivity(const char* Name, unsigned int NBands)
{
    std::string name = Name ? Name : "";
    Construct(name, NBands);
}

TDirectivity::TDirectivity(const std::string& Name, unsigned int NBands)
{
    std::string name = Name;
    Construct(name, NBands);
}

TDirectivity::TDirectivity(std::string& Name, unsigned int NBands)
{
    Construct(Name, NBands);
}

TDirectivity::~TDirectivity()
{
    if (pDAFF) pDAFF->closeFile();
}

TDirectivity::TDirectivity(TDirectivity&& other) noexcept
{
    *this = std::move(other);
}

TDirectivity& TDirectivity::operator=(TDirectivity&& other) noexcept
{
    if (this == &other) return *this;
    if (pDAFF) pDAFF->closeFile();
    pDAFF = std::move(other.pDAFF);
    pContentIR = other.pContentIR;
    pContentMS = other.pContentMS;
    pContentMPS = other.pContentMPS;
    daffprops = other.daffprops;
    DaffNumFreqs = other.DaffNumFreqs;
    DaffFreqs = std::move(other.DaffFreqs);
    freqIndex = std::move(other.freqIndex);
    Spectrum = std::move(other.Spectrum);
    FrontEnergy = other.FrontEnergy;
    FrontDelay = other.FrontDelay;
    PatternName = std::move(other.PatternName);
    NumChannels = other.NumChannels;
    Headflag = other.Headflag;
    PatternType = other.PatternType;
    DirectionalIR = std::move(other.DirectionalIR);
    FFTSize = other.FFTSize;
    IRTransform = std::move(other.IRTransform);
    NumBands = other.NumBands;
    DAFFType = other.DAFFType;
    IRLength = other.IRLength;
    LayerID = other.LayerID;

    // The moved-from pattern is empty: no reader, no channels, no data to look up.
    other.pContentIR = nullptr;
    other.pContentMS = nullptr;
    other.pContentMPS = nullptr;
    other.daffprops = nullptr;
    other.NumChannels = 0;
    other.PatternType = -1;
    other.DAFFType = -1;
    other.IRLength = 0;
    other.DaffNumFreqs = 0;
    other.NumBands = 0;
    return *this;
}

void TDirectivity::Construct(std::string& Name, unsigned int NBands)
{
    FrontEnergy = 1.0f;
    FrontDelay = 0;
    DAFFType = -1;
    PatternType = -1;
    NumBands = NBands;
    freqIndex.assign(NBands, -1);

    if (IsReadableFile(Name))
        LoadDirectivityPatternDAFF(Name.c_str());
    else
        LoadStandartDirectivityPattern(Name);

    // Computed while FrontEnergy still holds 1. A silent front (no finite gain) keeps 1.
    FrontEnergy = GetMaxEnergy(0.0f, 0.0f);
    if (!(FrontEnergy > 0.0f) || !std::isfinite(FrontEnergy)) FrontEnergy = 1.0f;
    FrontDelay = GetMinDelay(0.0f, 0.0f);
}

void TDirectivity::LoadStandartDirectivityPattern(std::string& Name)
{
    if (Name == "OMNI")
        PatternType = DIRECTIVITY_OMNI;
    else if (Name == "CARDIOID")
        PatternType = DIRECTIVITY_CARDIOID;
    else if (Name == "SUPERCARD")
        PatternType = DIRECTIVITY_SUPERCARD;
    else if (Name == "HYPERCARD")
        PatternType = DIRECTIVITY_HYPERCARD;
    else if (Name == "EIGHTFIG")
        PatternType = DIRECTIVITY_EIGHTFIG;
    else if (Name == "OMNI2CARD")
        PatternType = DIRECTIVITY_OMNI2CARD;
    else {
        PatternType = DIRECTIVITY_OMNI;
        ErrorMessage("No directivity pattern %s found!\nSetting to internal OMNI pattern.", Name.c_str());
        Name = "OMNI";
    }

    PatternName = Name;
    DAFFType = 1;
    NumChannels = 1;
    DaffNumFreqs = static_cast<int>(NumBands);
    Spectrum.assign(NumBands, 0.0f);
    DaffFreqs.clear();
    freqIndex.assign(NumBands, 0);
    for (unsigned int B = 0; B < NumBands; B++) {
        DaffFreqs.push_back(static_cast<float>(62.5 * std::pow(2.0, B)));
        freqIndex[B] = static_cast<int>(B);
    }
    IRLength = 1;
    DirectionalIR.assign(1, 1.0f);
    std::printf("Directivity Type (INTERNAL %s): DAFF_MAGNITUDE_SPECTRUM\n", PatternName.c_str());
}

void TDirectivity::GetMagnitudes(float azim, float elev, unsigned int ch, float* output)
{
    if (PatternType == DIRECTIVITY_DAFF) {
        GetDAFFMagnitudes(azim, elev, ch, output);
        return;
    }

    // The omnidirectional pattern (and an unknown one) is 1 in every direction.
    const bool directional = PatternType == DIRECTIVITY_CARDIOID || PatternType == DIRECTIVITY_HYPERCARD ||
                             PatternType == DIRECTIVITY_SUPERCARD || PatternType == DIRECTIVITY_EIGHTFIG ||
                             PatternType == DIRECTIVITY_OMNI2CARD;
    const double c = directional ? FrontCosine(azim, elev) : 0.0;
    for (unsigned int B = 0; B < NumBands; B++) {
        double value;
        switch (PatternType) {
        case DIRECTIVITY_CARDIOID:
            value = (c + 1.0) / 2.0;
            break;
        case DIRECTIVITY_HYPERCARD:
            value = std::fabs(0.75 * c + 0.25);
            break;
        case DIRECTIVITY_SUPERCARD:
            value = std::fabs(0.63 * c + 0.37);
            break;
        case DIRECTIVITY_EIGHTFIG:
            // Maximum on the aiming axis and behind it, null at the sides.
            value = std::fabs(c);
            break;
        case DIRECTIVITY_OMNI2CARD: {
            const double k = static_cast<float>(std::log10(1.0 + B / 4.0));
            value = std::fabs(1.0 - k + k * c);
            break;
        }
        default:
            value = 1.0;
            break;
        }
        output[B] = static_cast<float>(value);
    }
}

void TDirectivity::GetDirectionalIR(float azim, float elev, unsigned int ch, float* output)
{
    if (DAFFType == 0) {
        ReadDAFFRecordIR(azim, elev, ch, output, FrontEnergy);
        return;
    }
    if (DAFFType == 1) {
        const char* msg = "ERROR!! - Getting IMPULSE RESPONSE FROM DAFF_MAGNITUDE_SPECTRUM";
        std::printf("%s", msg);
        std::fflush(stdout);
        throw SorviExit(1, msg);  // printed, not shown
    }
    output[0] = 1.0f;
}

unsigned int TDirectivity::GetDelay(float azim, float elev, unsigned int ch)
{
    if (DAFFType != 0) return 0;
    std::vector<float> ir(IRLength);
    GetDirectionalIR(azim, elev, ch, ir.data());
    unsigned int index = 0;
    float peak = 0.0f;
    for (int n = 0; n < IRLength; n++) {
        if (std::fabs(ir[n]) > peak) {
            peak = std::fabs(ir[n]);
            index = static_cast<unsigned int>(n);
        }
    }
    return index;
}

unsigned int TDirectivity::GetMinDelay(float azim, float elev)
{
    unsigned int best = kMaxDelay;
    for (int ch = 0; ch < NumChannels; ch++) {
        const unsigned int d = GetDelay(azim, elev, static_cast<unsigned int>(ch));
        if (d < best) best = d;
    }
    return best;
}

// Read only: pairs side by side ask a shared pattern at once.
unsigned int TDirectivity::GetFrontDelay()
{
    return GetMinDelay(0.0f, 0.0f);
}

float TDirectivity::GetMaxEnergy(float azim, float elev)
{
    float best = 0.0f;
    for (int ch = 0; ch < NumChannels; ch++) {
        const float e = GetEnergy(azim, elev, static_cast<unsigned int>(ch));
        if (e > best) best = e;
    }
    return best;
}

void TDirectivity::GetPatternName(char* resp) const
{
    const size_t n = std::min<size_t>(PatternName.size(), 511);
    std::memcpy(resp, PatternName.data(), n);
    resp[n] = '\0';
}

void TDirectivity::PrintDirectivity() const
{
    std::printf("PatternName = %s\n", PatternName.c_str());
}

float TDirectivity::getFreq(int B) const
{
    if (B >= 0 && static_cast<size_t>(B) < freqIndex.size()) {
        const int n = freqIndex[static_cast<size_t>(B)];
        if (n >= 0 && static_cast<size_t>(n) < DaffFreqs.size()) return DaffFreqs[static_cast<size_t>(n)];
    }
    // Impulse-response data has no frequency list: its bands are the octave bands.
    return static_cast<float>(62.5 * std::pow(2.0, B));
}

float TDirectivity::GetMaxEnergy()
{
    std::vector<float> azims, elevs;
    ScanGrid(azims, elevs);
    float best = 0.0f;
    for (int ch = 0; ch < NumChannels; ch++)
        for (float az : azims)
            for (float el : elevs) {
                const float e = GetEnergy(az, el, static_cast<unsigned int>(ch));
                if (e > best) best = e;
            }
    return best;
}

TDirection TDirectivity::GetMaxEnergyDirection()
{
    std::vector<float> azims, elevs;
    ScanGrid(azims, elevs);
    float best = 0.0f;
    TDirection dir;
    dir.Set(0.0f, 0.0f, 1.0f);
    for (int ch = 0; ch < NumChannels; ch++)
        for (float az : azims)
            for (float el : elevs) {
                const float e = GetEnergy(az, el, static_cast<unsigned int>(ch));
                if (e > best) {
                    best = e;
                    dir.Set(az, el, 1.0f);
                }
            }
    return dir;
}

void TDirectivity::SaveXYZ(const char* filename)
{
    FILE* fid = utilOpenFile(filename, "wt");
    if (!fid) return;
    std::vector<float> azims, elevs;
    ScanGrid(azims, elevs);
    std::vector<float> mags(std::max<size_t>(static_cast<size_t>(std::max(DaffNumFreqs, 0)), NumBands));
    for (int ch = 0; ch < NumChannels; ch++)
        for (float el : elevs)
            for (float az : azims) {
                GetMagnitudes(az, el, static_cast<unsigned int>(ch), mags.data());
                const TVector p = sph2cart(az / 180.0 * kPi, el / 180.0 * kPi, mags[0]);
                std::fprintf(fid, "%1.2f %1.2f %1.2f\n", p.x, p.y, p.z);
            }
    std::fclose(fid);
}

// ---- DAFF data ----------------------------------------------------------------------------

void TDirectivity::DAFFFailure(int code) const
{
    const std::string text = DAFFUtils::StrError(code);
    ShowErrorAndThrowExit(code, "DAFF Error: " + text + " for file " + PatternName + "\n");
}

void TDirectivity::LoadDirectivityPatternDAFF(const char* sInputFile)
{
    PatternName = sInputFile;
    pDAFF.reset(DAFFReader::create());
    const int code = pDAFF->openFile(sInputFile);
    if (code != DAFF_NO_ERROR) DAFFFailure(code);

    PatternType = DIRECTIVITY_DAFF;
    DAFFType = pDAFF->getContentType();
    daffprops = pDAFF->getProperties();
    NumChannels = daffprops->getNumberOfChannels();

    switch (DAFFType) {
    case DAFF_MAGNITUDE_SPECTRUM: {
        pContentMS = dynamic_cast<DAFFContentMS*>(pDAFF->getContent());
        if (!pContentMS) DAFFFailure(DAFF_MODAL_ERROR);
        DaffNumFreqs = pContentMS->getNumFrequencies();
        if (DaffNumFreqs < static_cast<int>(NumBands)) {
            ShowErrorAndThrowExit(1, utilFormat("Number of bands (%d) in DAFF file is less than %d!. Aborting!",
                                                DaffNumFreqs, static_cast<int>(NumBands)));
        }
        DaffFreqs = pContentMS->getFrequencies();
        IRLength = 1;
        FFTSize = -1;
        DirectionalIR.assign(1, 1.0f);
        IRTransform.assign(1, TComplex(0.0, 0.0));
        std::printf("Directivity Type (DAFF): DAFF_MAGNITUDE_SPECTRUM\n");
        DAFFType = 1;
        break;
    }
    case DAFF_IMPULSE_RESPONSE: {
        pContentIR = dynamic_cast<DAFFContentIR*>(pDAFF->getContent());
        if (!pContentIR) DAFFFailure(DAFF_MODAL_ERROR);
        IRLength = pContentIR->getFilterLength();
        if (IRLength < 1 || IRLength > kMaxIRLength) {
            ShowErrorAndThrowExit(1, utilFormat("DAFF file %s: impulse responses of %d samples are not supported "
                                                "(at most %d).\n",
                                                PatternName.c_str(), IRLength, kMaxIRLength));
        }
        DaffNumFreqs = 1;
        DirectionalIR.assign(static_cast<size_t>(IRLength), 0.0f);
        FFTSize = FFTSizeFor(IRLength);
        IRTransform.assign(static_cast<size_t>(FFTSize), TComplex(0.0, 0.0));
        std::printf("Source Type (DAFF): DAFF_IMPULSE_RESPONSE\n");
        DAFFType = 0;
        break;
    }
    default: {
        // Phase-only and DFT data would later give silent responses: refuse them here.
        const char* what = DAFFType == DAFF_MAGNITUDE_PHASE_SPECTRUM ? "DAFF_MAGNITUDE_PHASE_SPECTRUM"
                           : DAFFType == DAFF_PHASE_SPECTRUM         ? "DAFF_PHASE_SPECTRUM"
                           : DAFFType == DAFF_DFT_SPECTRUM           ? "DAFF_DFT_SPECTRUM"
                                                                     : "DAFF content type";
        std::printf("%s NOT IMPLEMENTED\n", what);
        std::fflush(stdout);
        throw SorviExit(1, std::string("Directivity file ") + PatternName + ": " + what +
                               " is not supported (only magnitude spectra and impulse responses)");  // printed
    }
    }

    if (DAFFType == 1) {
        // Each band takes the first support frequency (file order) at or above its centre.
        freqIndex.assign(NumBands, -1);
        bool missing = false;
        for (unsigned int B = 0; B < NumBands; B++) {
            const float fB = static_cast<float>(62.5 * std::pow(2.0, B));
            for (int n = 0; n < DaffNumFreqs; n++) {
                if (DaffFreqs[static_cast<size_t>(n)] >= fB) {
                    freqIndex[B] = n;
                    break;
                }
            }
            if (freqIndex[B] < 0) {
                ErrorMessage("Band %f not found in DAFF File!\n", static_cast<double>(fB));
                missing = true;
            }
        }
        if (missing) throw SorviExit(-1, "Band not found in DAFF file " + PatternName);  // each band shown
    }
    Spectrum.assign(static_cast<size_t>(DaffNumFreqs), 0.0f);
}

int TDirectivity::LookupRecord(float azim, float elev)
{
    int record = -1;
    DAFFContent* content = pDAFF->getContent();
    content->getNearestNeighbour(DAFF_OBJECT_VIEW, azim, elev, record);
    if (record < 0 || record >= daffprops->getNumberOfRecords()) DAFFFailure(DAFF_INVALID_INDEX);
    return record;
}

void TDirectivity::ReadDAFFRecordIR(float azim, float elev, unsigned int ch, float* output, float gain)
{
    const int record = LookupRecord(azim, elev);
    const int code = pContentIR->getFilterCoeffs(record, static_cast<int>(ch), output, 1.0f);
    if (code != DAFF_NO_ERROR) DAFFFailure(code);
    if (gain != 1.0f)
        for (int n = 0; n < IRLength; n++) output[n] *= gain;
}

void TDirectivity::GetDAFFMagnitudes(float azim, float elev, unsigned int ch, float* output)
{
    if (DAFFType == 0) {
        GetIRMagnitudes(azim, elev, ch, output);
        return;
    }
    if (DAFFType != 1) {
        for (unsigned int B = 0; B < NumBands; B++) output[B] = 1.0f;
        return;
    }
    const int record = LookupRecord(azim, elev);
    const int code = pContentMS->getMagnitudes(record, static_cast<int>(ch), Spectrum.data());
    if (code != DAFF_NO_ERROR) DAFFFailure(code);
    for (unsigned int B = 0; B < NumBands; B++) output[B] = Spectrum[static_cast<size_t>(freqIndex[B])];
}

// Band magnitudes of an impulse response: the root of the mean power of the spectrum bins
// inside each octave band, taken from the front-normalised response, so that a flat response
// of unit energy gives 1 in every band. Without a sample rate every band gets the broadband
// value.
void TDirectivity::GetIRMagnitudes(float azim, float elev, unsigned int ch, float* output)
{
    ReadDAFFRecordIR(azim, elev, ch, DirectionalIR.data(), FrontEnergy);

    const double fs = pContentIR->getSamplerate();
    if (!(fs > 0.0) || !std::isfinite(fs)) {
        double energy = 0.0;
        for (int n = 0; n < IRLength; n++) energy += static_cast<double>(DirectionalIR[n]) * DirectionalIR[n];
        for (unsigned int B = 0; B < NumBands; B++) output[B] = static_cast<float>(std::sqrt(energy));
        return;
    }

    for (int n = 0; n < FFTSize; n++)
        IRTransform[static_cast<size_t>(n)].Set(n < IRLength ? DirectionalIR[static_cast<size_t>(n)] : 0.0, 0.0);
    TransformFFT(FFTSize, 0, 1.0, IRTransform.data());

    const int half = FFTSize / 2;
    const double df = fs / FFTSize;  // Hz per bin
    for (unsigned int B = 0; B < NumBands; B++) {
        const double fc = 62.5 * std::pow(2.0, B);
        const double flo = fc / std::sqrt(2.0), fhi = fc * std::sqrt(2.0);
        double power = 0.0;
        int count = 0;
        for (int k = static_cast<int>(std::ceil(flo / df)); k <= half && k * df < fhi; k++) {
            const TComplex& X = IRTransform[static_cast<size_t>(k)];
            power += X.re * X.re + X.im * X.im;
            count++;
        }
        if (count == 0) {
            // The band falls between two bins or above the Nyquist frequency: nearest bin.
            const int k = std::min(half, static_cast<int>(std::lround(fc / df)));
            const TComplex& X = IRTransform[static_cast<size_t>(k)];
            power = X.re * X.re + X.im * X.im;
            count = 1;
        }
        output[B] = static_cast<float>(std::sqrt(power / count));
    }
}

float TDirectivity::GetEnergy(float azim, float elev, unsigned int ch)
{
    if (PatternType != DIRECTIVITY_DAFF) return 1.0f;

    // The normalisation gain 1/sqrt(energy); a silent direction has no finite gain: 0.
    double energy = 0.0;
    if (DAFFType == 0) {
        std::vector<float> ir(static_cast<size_t>(IRLength));
        GetDirectionalIR(azim, elev, ch, ir.data());
        for (float s : ir) energy += static_cast<double>(s) * s;
    } else if (DAFFType == 1) {
        std::vector<float> mags(NumBands);
        GetMagnitudes(azim, elev, ch, mags.data());
        for (float m : mags) energy += m;
    } else {
        return 1.0f;
    }
    if (!(energy > 0.0) || !std::isfinite(energy)) return 0.0f;
    return static_cast<float>(1.0 / std::sqrt(energy));
}

void TDirectivity::ScanGrid(std::vector<float>& azims, std::vector<float>& elevs) const
{
    if (PatternType == DIRECTIVITY_DAFF && daffprops) {
        azims = ScanAxis(daffprops->getAlphaStart(), daffprops->getAlphaEnd(), daffprops->getAlphaResolution());
        elevs = ScanAxis(daffprops->getBetaStart() - 90.0f, daffprops->getBetaEnd() - 90.0f,
                         daffprops->getBetaResolution());
    } else {
        azims = ScanAxis(0.0f, 359.0f, 2.0f);
        elevs = ScanAxis(-90.0f, 90.0f, 2.0f);
    }
}
