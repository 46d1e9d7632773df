#include "room/TMaterial.h"

#include <charconv>
#include <cstring>
#include <string>

namespace {

std::string CutName(const char* name)
{
    if (!name) return std::string();
    return std::string(name, strnlen(name, 511));
}

// "%1.2f" in the "C" locale, whatever the process locale is.
std::string Fixed2(double value)
{
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 2);
    return std::string(buf, res.ptr);
}

}  // namespace

TMaterial::TMaterial(unsigned int NBands)
    : mem_created(true), NumBands(NBands), abs(NBands, 1.0f), dif(NBands, 0.0f), nome("no_name")
{}

TMaterial::TMaterial(const TMaterial* mat)
    : mem_created(true), NumBands(mat->NumBands), abs(mat->abs), dif(mat->dif), nome(mat->nome)
{
    abs.resize(NumBands, 0.0f);
    dif.resize(NumBands, 0.0f);
    AverageAbsortion();
}

TMaterial::TMaterial(const char* Name, unsigned int NBands, float allAbs, float allDif)
    : mem_created(true), NumBands(NBands), abs(NBands, allAbs), dif(NBands, allDif), nome(CutName(Name))
{}

TMaterial::TMaterial(const char* Name, unsigned int NBands, const float* allAbs, float allDif)
    : mem_created(true), NumBands(NBands), abs(allAbs, allAbs + NBands), dif(NBands, allDif), nome(CutName(Name))
{}

void TMaterial::WriteOnFile(FILE* fid) const
{
    std::string line = nome + " ";
    for (unsigned int b = 0; b < NumBands; b++) line += Fixed2(abs[b]) + " ";
    line += Fixed2(dif.empty() ? 0.0f : dif[0]);
    line += "\n";
    std::fputs(line.c_str(), fid);
}

float TMaterial::AverageAbsortion()
{
    float sum = 0.0f;
    for (unsigned int b = 0; b < NumBands; b++) sum += abs[b];
    avgabs = NumBands > 0 ? sum / static_cast<float>(NumBands) : 0.0f;
    return avgabs;
}

void TMaterial::SetName(const char* newname)
{
    nome = CutName(newname);
}

unsigned int TMaterial::SetCoefficients(const float* allAbs, float allDif)
{
    if (!mem_created) return 0;
    for (unsigned int b = 0; b < NumBands; b++) {
        abs[b] = allAbs[b];
        dif[b] = allDif;
    }
    return NumBands;
}
