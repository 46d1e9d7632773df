#include "room/TSourceLayer.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "directivity/TDirectivity.h"

namespace {

std::string CutSourceLayerName(const char* name)
{
    if (!name) return std::string();
    return std::string(name, strnlen(name, 511));
}

// "%1.1f" in the "C" locale, whatever the process locale is.
std::string Fixed1(double value)
{
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 1);
    return std::string(buf, res.ptr);
}

}  // namespace

TSourceLayer::TSourceLayer(unsigned int NBands)
    : layername("unnamed"), mem_created(true), NumBands(NBands), spectrum(NBands, 1.0f)
{}

TSourceLayer::TSourceLayer(const TSourceLayer* srcl)
    : layername(srcl->layername), mem_created(true), directivity(srcl->directivity), NumBands(srcl->NumBands),
      spectrum(srcl->spectrum)
{
    spectrum.resize(NumBands, 1.0f);
}

TSourceLayer::TSourceLayer(const char* name, TDirectivity* pattern, const float* spect, unsigned int NBands)
    : layername(CutSourceLayerName(name)), mem_created(true), directivity(pattern), NumBands(NBands),
      spectrum(spect, spect + NBands)
{}

TSourceLayer::TSourceLayer(const char* name, TDirectivity* pattern, unsigned int NBands)
    : layername(CutSourceLayerName(name)), mem_created(true), directivity(pattern), NumBands(NBands),
      spectrum(NBands, 1.0f)
{}

unsigned int TSourceLayer::SetDefaults(const char* name)
{
    layername = CutSourceLayerName(name);
    directivity = nullptr;
    spectrum.assign(NumBands, 1.0f);
    return NumBands;
}

double TSourceLayer::GainToDB(float gain)
{
    return 10.0 * std::log10(std::max(static_cast<double>(gain), 1e-6));
}

void TSourceLayer::WriteOnFile(FILE* fid) const
{
    std::string line = layername + " " + GetDirPatternName();
    for (unsigned int b = 0; b < NumBands; b++) line += " " + Fixed1(GainToDB(spectrum[b]));
    line += "\n";
    std::fputs(line.c_str(), fid);
}

const char* TSourceLayer::GetDirPatternName() const
{
    return directivity ? directivity->GetPatternName() : "";
}

void TSourceLayer::SetLayerName(const char* LayerName)
{
    layername = CutSourceLayerName(LayerName);
}
