#include "simulation/TRay.h"

#include <algorithm>
#include <cmath>
#include <unistd.h>
#include <xmmintrin.h>

#include "simulation/TextFields.h"

namespace {

constexpr std::size_t kHeadFields = 7;

TDirection UnitDirection()
{
    TDirection d;
    d.Set(0.0f, 0.0f, 1.0f);
    return d;
}

}  // namespace

TRay::TRay() : dir(UnitDirection()), startDir(UnitDirection()) {}

TRay::TRay(unsigned NBands) : num_bands(NBands), dir(UnitDirection()), startDir(UnitDirection()), spectrum(NBands, 0.0f)
{}

TRay::TRay(const float* energies, unsigned NBands) : num_bands(NBands), spectrum(energies, energies + NBands) {}

void TRay::SetSpectrum(unsigned band, float value)
{
    if (band < num_bands) spectrum[band] = value;
}

void TRay::SetSpectrum(const float* value)
{
    std::copy(value, value + num_bands, spectrum.data());
}

float TRay::GetEnergy() const
{
    float sum = 0.0f;
    for (unsigned b = 0; b < num_bands; ++b) sum += spectrum[b];
    return sum;
}

void TRay::MultiplyBy(float value)
{
    // Four bands per step: the same products.
    float* e = spectrum.data();
    float* const end = e + num_bands;
    const __m128 f = _mm_set1_ps(value);
    for (; end - e >= 4; e += 4) _mm_storeu_ps(e, _mm_mul_ps(_mm_loadu_ps(e), f));
    for (; e != end; ++e) *e *= value;
}

void TRay::Show() const
{
    std::string text = "Index=";
    AppendInt(text, static_cast<int32_t>(index));
    text += " az=";
    AppendFixed(text, dir.azim, 6);
    text += " el=";
    AppendFixed(text, dir.elev, 6);
    text += " fdist=";
    AppendFixed(text, fatordist, 6);
    text += " refl:";
    AppendInt(text, reflections);
    text += " spec: ";
    for (unsigned b = 0; b < num_bands; ++b) {
        AppendFixed(text, spectrum[b], 3);
        text += ' ';
    }
    text += '\n';
    WriteText(stdout, text);
}

void TRay::Set(unsigned Index, const float* Spectrum, TDirection Dir, unsigned NRef, float Fdist, TDirection StartDir)
{
    startDir = StartDir;
    Set(Index, Spectrum, Dir, NRef, Fdist);
}

void TRay::Set(unsigned Index, const float* Spectrum, TDirection Dir, unsigned NRef, float Fdist)
{
    dir = Dir;
    index = Index;
    reflections = static_cast<int32_t>(NRef);
    fatordist = Fdist;
    SetSpectrum(Spectrum);
    FixAzimuth();
}

void TRay::Set(const TRay& inRay)
{
    dir = inRay.dir;
    index = inRay.index;
    reflections = inRay.reflections;
    fatordist = inRay.fatordist;
    // Never read past the other record's bands.
    for (unsigned b = 0; b < num_bands; ++b) spectrum[b] = b < inRay.num_bands ? inRay.spectrum[b] : 0.0f;
    FixAzimuth();
}

float AzimuthInRange(float azim)
{
    if (!std::isfinite(azim)) return 0.0f;
    // fmod returns an azimuth within a turn of 0 as it is.
    float a = azim > -360.0f && azim < 360.0f ? azim : std::fmod(azim, 360.0f);
    if (a < 0.0f) a += 360.0f;
    // A tiny negative remainder plus 360 rounds to 360; -0 is written as "-0.000".
    if (a >= 360.0f || a == 0.0f) a = 0.0f;
    return a;
}

void TRay::FixAzimuth()
{
    dir.azim = AzimuthInRange(dir.azim);
}

void TRay::AppendLine(std::string& out) const
{
    FieldWriter w(out);
    w.Int(index);
    w.Char(' ');
    w.Fixed(fatordist, 6);
    w.Char(' ');
    w.Fixed(AzimuthInRange(dir.azim), 3);
    w.Char(' ');
    w.Fixed(dir.elev, 3);
    w.Char(' ');
    w.Int(reflections);
    w.Char(' ');
    w.Fixed(startDir.azim, 3);
    w.Char(' ');
    w.Fixed(startDir.elev, 3);
    w.Char(' ');
    for (unsigned b = 0; b < num_bands; ++b) {
        w.General(spectrum[b]);
        w.Char(' ');
    }
    w.Int(ID);
    w.Char('\n');
    w.Flush();
}

bool TRay::ParseLine(std::string_view line)
{
    // Reused per thread: reading a ray file allocates only while its first line is read.
    thread_local std::vector<std::string_view> f;
    thread_local std::vector<float> bands;
    const std::size_t want = kHeadFields + num_bands + 1;
    if (f.size() < want + 1) f.resize(want + 1);
    // One slot more than wanted, so an over-long line is seen.
    if (SplitFields(line, f.data(), want + 1) != want) return false;

    uint32_t idx = 0;
    uint32_t refl = 0;
    float fd = 0, az = 0, el = 0, saz = 0, sel = 0;
    int32_t id = 0;
    if (!ParseUnsigned(f[0], idx) || !ParseFloat(f[1], fd) || !ParseFloat(f[2], az) || !ParseFloat(f[3], el) ||
        !ParseInt32Bits(f[4], refl) || !ParseFloat(f[5], saz) || !ParseFloat(f[6], sel) || !ParseInt(f[want - 1], id))
        return false;
    bands.resize(num_bands);
    for (unsigned b = 0; b < num_bands; ++b)
        if (!ParseFloat(f[kHeadFields + b], bands[b])) return false;

    index = idx;
    fatordist = fd;
    dir.azim = az;
    dir.elev = el;
    reflections = static_cast<int32_t>(refl);
    startDir.azim = saz;
    startDir.elev = sel;
    for (unsigned b = 0; b < num_bands; ++b) spectrum[b] = bands[b];
    ID = id;
    return true;
}

bool TRay::Save(std::FILE* filePointer)
{
    FixAzimuth();
    thread_local std::string line;
    line.clear();
    AppendLine(line);
    return WriteText(filePointer, line);
}

bool TRay::Read(std::FILE* filePointer)
{
    thread_local std::string line;
    SkipWhiteSpace(filePointer);
    if (!ReadTextLine(filePointer, line)) return false;
    SkipWhiteSpace(filePointer);
    return ParseLine(line);
}

bool TRay::GetFromFile(std::FILE* filePointer, unsigned line)
{
    std::fpos_t where;
    if (std::fgetpos(filePointer, &where) != 0) return false;
    std::rewind(filePointer);
    TRay probe(num_bands);
    bool ok = true;
    for (unsigned i = 0; i <= line && ok; ++i) ok = probe.Read(filePointer);
    std::fsetpos(filePointer, &where);
    if (ok) {
        index = probe.index;
        fatordist = probe.fatordist;
        dir.azim = probe.dir.azim;
        dir.elev = probe.dir.elev;
        reflections = probe.reflections;
        startDir.azim = probe.startDir.azim;
        startDir.elev = probe.startDir.elev;
        spectrum = probe.spectrum;
        ID = probe.ID;
    }
    return ok;
}

// --- TSubRay ---

void TSubRay::Set(TDirection Dir, float Fdist, unsigned Index, int /*clusterindex*/, int ListIndex, unsigned Reflec)
{
    index = Index;
    dir = Dir;
    fatordist = Fdist;
    FileListIndex = static_cast<uint32_t>(ListIndex);
    Reflections = Reflec;
    valid = true;
}

void TSubRay::Set(const TSubRay& sray)
{
    index = sray.index;
    dir = sray.dir;
    fatordist = sray.fatordist;
    FileListIndex = sray.FileListIndex;
    Reflections = sray.Reflections;
    valid = true;
}

void TSubRay::Set(const TRay& sray, int ListIndex)
{
    index = sray.index;
    dir = sray.dir;
    fatordist = sray.fatordist;
    Reflections = static_cast<uint32_t>(sray.reflections);
    FileListIndex = static_cast<uint32_t>(ListIndex);
}

void TSubRay::AppendLine(std::string& out) const
{
    FieldWriter w(out);
    w.Int(static_cast<int32_t>(index));
    w.Char('\t');
    w.Fixed(dir.azim, 3);
    w.Char('\t');
    w.Fixed(dir.elev, 3);
    w.Char('\t');
    w.Fixed(fatordist, 6);
    w.Char('\t');
    w.Int(static_cast<int32_t>(FileListIndex));
    w.Char('\t');
    w.Int(static_cast<int32_t>(Reflections));
    w.Char('\n');
    w.Flush();
}

bool TSubRay::WriteOnFile(std::FILE* outFile) const
{
    std::string line;
    AppendLine(line);
    return WriteText(outFile, line);
}

void TSubRay::Show() const
{
    WriteOnFile(stdout);
}

bool SubRayCmp_Index(const TSubRay& r1, const TSubRay& r2)
{
    if (r1.index != r2.index) return r1.index < r2.index;
    if (r1.dir.azim != r2.dir.azim) return r1.dir.azim < r2.dir.azim;
    return r1.dir.elev < r2.dir.elev;
}

bool SubRayCmp_Azim(const TSubRay& r1, const TSubRay& r2)
{
    return r1.dir.azim < r2.dir.azim;
}
bool SubRayCmp_Elev(const TSubRay& r1, const TSubRay& r2)
{
    return r1.dir.elev < r2.dir.elev;
}
bool SubRayCmp_FatorDist(const TSubRay& r1, const TSubRay& r2)
{
    return r1.fatordist < r2.fatordist;
}
bool Dist_cmp(const dist_st& a, const dist_st& b)
{
    return a.dist < b.dist;
}

// --- TRayGroup ---

TRayGroup::~TRayGroup()
{
    if (handle != 0) ::close(handle);
}
