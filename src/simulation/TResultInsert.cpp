// Arrivals into the pair's band responses and the direct-sound record.

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "directivity/TDirectivity.h"
#include "dsp/Transform.h"
#include "room/TReceiver.h"
#include "room/TSource.h"
#include "simulation/TResult.h"

namespace {

// A pattern is given either as band magnitudes (DAFFType 1, the built-in patterns) or as
// directional impulse responses (DAFFType 0). A missing pattern counts as omnidirectional.
bool IsImpulseResponse(const TDirectivity* d)
{
    return d && d->DAFFType == 0;
}

void Magnitudes(TDirectivity* d, float azim, float elev, unsigned ch, std::vector<float>& out)
{
    if (d)
        d->GetMagnitudes(azim, elev, ch, out.data());
    else
        std::fill(out.begin(), out.end(), 1.0f);
}

// Arrivals of the incoherent field take a polarity of their own: scattered contributions
// (weight exactly 1, sent from a reflection point) and late specular arrivals (past the
// clustered orders). Many of them crowd within a band's period (neighbouring rays of one
// reflection path pass the receiver a few samples apart, scattered ones from every reflection),
// and with one polarity their amplitudes would add coherently and inflate the band energy where
// they crowd. The polarity is drawn from the arrival itself (ray number, sample, order), so that
// their energies add and a response rebuilt from the same records is the same. The direct sound
// and the clustered early reflections keep the positive polarity.
float ArrivalPolarity(const TRay& ray, bool late)
{
    if (ray.reflections <= 0 || (!late && ray.fatordist != 1.0f)) return 1.0f;
    uint64_t z = (static_cast<uint64_t>(static_cast<uint32_t>(ray.ID)) << 32) ^ ray.index ^
                 (static_cast<uint64_t>(static_cast<uint32_t>(ray.reflections)) * 0xD1B54A32D192ED03ull);
    z += 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return (z >> 63) ? -1.0f : 1.0f;
}

}  // namespace

void TResult::InsertRay(TRay* ray)
{
    const uint32_t index = ray->index;
    if (index >= MaxLength) return;

    const uint32_t order = static_cast<uint32_t>(ray->reflections);
    const bool early = order <= ClusterOrder;
    DirectSoundIndex = std::min(DirectSoundIndex, index);
    if (early)
        ++EarlyRefCount;
    else
        ++LateRefCount;
    if (early && index > MaxFirstIndex) MaxFirstIndex = index;
    if (index < MinFirstIndex) MinFirstIndex = index;
    if (order > MaxReflection) {
        MaxReflection = order;
        MaxReflectionIndex = index;
    }
    const bool direct = order == 0;
    if (direct) {
        DirectSoundIndex = index;
        if (DirectSoundRay) DirectSoundRay->SetSpectrum(ray->spectrum.data());
    }
    ++NumReflections;

    BandResponses& X = early ? IR_Early : IR;
    // The early part exists only while the responses are built.
    if (X.size() < NumChannels) return;

    TDirectivity* srcPattern = source ? source->directivity : nullptr;
    TDirectivity* recPattern = receiver ? receiver->directivity : nullptr;
    const float recAzim = FixAzimuth(ray->dir.azim - (receiver ? static_cast<float>(receiver->AzimRotation) : 0.0f));
    const float recElev = ray->dir.elev;
    const float srcAzim = ray->startDir.azim - (source ? source->AzimRotation : 0.0f);
    const float srcElev = ray->startDir.elev - (source ? source->ElevRotation : 0.0f);
    const float* E = ray->spectrum.data();
    const bool srcIR = IsImpulseResponse(srcPattern);
    const bool recIR = IsImpulseResponse(recPattern);
    const float polarity = ArrivalPolarity(*ray, !early || RecordsBeforeClustered);

    // The direct-sound record's energies carry the source magnitudes already (gathered by
    // AcumulateDirectSound): the source pattern is not applied a second time. A source given
    // as impulse responses still shapes it in time, with its band magnitude divided out.
    if (!srcIR) {
        Magnitudes(srcPattern, srcAzim, srcElev, 0, SourceSpectrum);
        if (direct) std::fill(SourceSpectrum.begin(), SourceSpectrum.end(), 1.0f);
    } else if (direct) {
        Magnitudes(srcPattern, srcAzim, srcElev, 0, SourceSpectrum);
    }
    // Energy scale of band b for the impulse-response source rows.
    auto srcIRWeight = [&](unsigned b) -> float {
        if (!direct) return 1.0f;
        return SourceSpectrum[b] > 0.0f ? 1.0f / SourceSpectrum[b] : 0.0f;
    };

    if (!srcIR && !recIR) {
        for (unsigned c = 0; c < NumChannels; ++c) {
            Magnitudes(recPattern, recAzim, recElev, c, ReceiverSpectrum);
            for (unsigned b = 0; b < NumBands; ++b) {
                const float A = polarity * std::sqrt(E[b] * SourceSpectrum[b]);
                X[c][b][index] += ReceiverSpectrum[b] * A;
            }
        }
    } else if (!srcIR && recIR) {
        const uint32_t n = std::min<uint32_t>(ReceiverIRLength, MaxLength - index);
        for (unsigned c = 0; c < NumChannels; ++c) {
            receiver->GetIR(recAzim, recElev, c, HRIR[c].data());
            const float* h = HRIR[c].data();
            for (unsigned b = 0; b < NumBands; ++b) {
                const float A = polarity * std::sqrt(E[b] * SourceSpectrum[b]);
                float* x = X[c][b].data() + index;
                for (uint32_t j = 0; j < n; ++j) x[j] += h[j] * A;
            }
        }
    } else if (srcIR && !recIR) {
        srcPattern->GetDirectionalIR(srcAzim, srcElev, 0, SourceIR.data());
        const float* s = SourceIR.data();
        const uint32_t n = std::min<uint32_t>(SourceIRLength, MaxLength - index);
        for (unsigned c = 0; c < NumChannels; ++c) {
            Magnitudes(recPattern, recAzim, recElev, c, ReceiverSpectrum);
            for (unsigned b = 0; b < NumBands; ++b) {
                const float A = polarity * std::sqrt(E[b] * ReceiverSpectrum[b] * srcIRWeight(b));
                float* x = X[c][b].data() + index;
                for (uint32_t j = 0; j < n; ++j) x[j] += s[j] * A;
            }
        }
    } else {
        srcPattern->GetDirectionalIR(srcAzim, srcElev, 0, SourceIR.data());
        for (uint32_t i = 0; i < SpectrumLength; ++i)
            SourceFreqResp[i] = {i < SourceIRLength ? static_cast<double>(SourceIR[i]) : 0.0, 0.0};
        TransformFFT(static_cast<int>(SpectrumLength), 0, 1.0, SourceFreqResp.data());
        const uint32_t n = std::min<uint32_t>(ReceiverIRLength + SourceIRLength, MaxLength - index);
        for (unsigned c = 0; c < NumChannels; ++c) {
            receiver->GetIR(recAzim, recElev, c, HRIR[c].data());
            for (uint32_t k = 0; k < SpectrumLength; ++k)
                HRIR_fft[k] = {k < ReceiverIRLength ? static_cast<double>(HRIR[c][k]) : 0.0, 0.0};
            TransformFFT(static_cast<int>(SpectrumLength), 0, 1.0, HRIR_fft.data());
            for (uint32_t k = 0; k < SpectrumLength; ++k) HRIR_fft[k] = ComplexMult(HRIR_fft[k], SourceFreqResp[k]);
            TransformFFT(static_cast<int>(SpectrumLength), 1, 1.0, HRIR_fft.data());
            for (unsigned b = 0; b < NumBands; ++b) {
                const float A = polarity * std::sqrt(E[b] * srcIRWeight(b));
                float* x = X[c][b].data() + index;
                for (uint32_t k = 0; k < n; ++k) x[k] += static_cast<float>(HRIR_fft[k].re * A);
            }
        }
    }
}

bool TResult::LateAmplitudesApart() const
{
    // Patterns given by a formula read nothing that changes; data files are read through
    // buffers of their own.
    auto formula = [](const TDirectivity* d) { return !d || d->PatternType != DIRECTIVITY_DAFF; };
    return formula(source ? source->directivity : nullptr) && formula(receiver ? receiver->directivity : nullptr);
}

void TResult::LateAmplitudes(const TRay& ray, float* out, std::vector<float>& srcMag, std::vector<float>& recMag) const
{
    // As InsertRay for a late arrival, both patterns magnitudes.
    srcMag.resize(NumBands);
    recMag.resize(NumBands);
    TDirectivity* srcPattern = source ? source->directivity : nullptr;
    TDirectivity* recPattern = receiver ? receiver->directivity : nullptr;
    const float recAzim = FixAzimuth(ray.dir.azim - (receiver ? static_cast<float>(receiver->AzimRotation) : 0.0f));
    const float recElev = ray.dir.elev;
    const float srcAzim = ray.startDir.azim - (source ? source->AzimRotation : 0.0f);
    const float srcElev = ray.startDir.elev - (source ? source->ElevRotation : 0.0f);
    const float* E = ray.spectrum.data();
    const float polarity = ArrivalPolarity(ray, true);
    Magnitudes(srcPattern, srcAzim, srcElev, 0, srcMag);
    for (unsigned c = 0; c < NumChannels; ++c) {
        Magnitudes(recPattern, recAzim, recElev, c, recMag);
        for (unsigned b = 0; b < NumBands; ++b) {
            const float A = polarity * std::sqrt(E[b] * srcMag[b]);
            out[c * NumBands + b] = recMag[b] * A;
        }
    }
}

void TResult::InsertLate(uint32_t index, uint32_t order, const float* amplitudes)
{
    // InsertRay's bookkeeping for an arrival past ClusterOrder (never the direct sound).
    if (index >= MaxLength) return;
    DirectSoundIndex = std::min(DirectSoundIndex, index);
    ++LateRefCount;
    if (index < MinFirstIndex) MinFirstIndex = index;
    if (order > MaxReflection) {
        MaxReflection = order;
        MaxReflectionIndex = index;
    }
    ++NumReflections;
    if (IR.size() < NumChannels) return;
    for (unsigned c = 0; c < NumChannels; ++c)
        for (unsigned b = 0; b < NumBands; ++b) IR[c][b][index] += amplitudes[c * NumBands + b];
}

void TResult::AcumulateDirectSound(TRay* ray)
{
    TRay& D = *DirectSoundRay;
    if (ray->fatordist > D.fatordist) {
        D.index = ray->index;
        D.dir = ray->dir;
        D.startDir = ray->startDir;
        D.fatordist = ray->fatordist;
        D.ID = ray->ID;
        DirectSoundIndex = ray->index;
    }
    TDirectivity* srcPattern = source ? source->directivity : nullptr;
    Magnitudes(srcPattern, D.startDir.azim - (source ? source->AzimRotation : 0.0f),
               D.startDir.elev - (source ? source->ElevRotation : 0.0f), 0, SourceSpectrum);
    for (unsigned b = 0; b < NumBands && b < D.num_bands; ++b) D.spectrum[b] += ray->spectrum[b] * SourceSpectrum[b];
    ++D.reflections;
}
