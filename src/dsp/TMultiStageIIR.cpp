#include "dsp/TMultiStageIIR.h"

#include <cstdio>

#include "dsp/IIRCoefFile.h"
#include "geometry/util.h"

TMultiStageIIR::TMultiStageIIR(unsigned int NStages, const float* num_list, const float* den_list,
                               const float* gain_list)
    : NumStages(NStages), y(NStages, 0.0f)
{
    section.reserve(NStages);
    for (unsigned int n = 0; n < NStages; n++) section.emplace_back(num_list + 3 * n, den_list + 3 * n, gain_list[n]);
}

TMultiStageIIR::TMultiStageIIR(const char* FileName)
{
    IIRCoefFile file(FileName);
    if (!file.IsOpen()) return;
    int stages = 0;
    if (!file.Expect("NSTAGES") || !file.Expect("=") || !file.ReadInt(stages) || stages <= 0 ||
        static_cast<size_t>(stages) > file.Remaining() / 6) {
        ErrorMessage("TMultiStageIIR : wrong coefficient file %s\n", FileName);
        return;
    }
    std::vector<TIIRFilter2ndOrder> sections;
    for (int s = 0; s < stages; s++) {
        float b[3], a[3];
        bool ok = true;
        for (float& v : b) ok = ok && file.ReadFloat(v);
        for (float& v : a) ok = ok && file.ReadFloat(v);
        if (!ok) {
            ErrorMessage("TMultiStageIIR : wrong coefficient file %s\n", FileName);
            return;
        }
        sections.emplace_back(b, a, 1.0f);
    }
    section = std::move(sections);
    NumStages = static_cast<unsigned int>(stages);
    y.assign(NumStages, 0.0f);
}

float TMultiStageIIR::Process(float x)
{
    for (unsigned int n = 0; n < NumStages; n++) {
        x = section[n].filter(x);
        y[n] = x;
    }
    return x;
}

void TMultiStageIIR::Process(float* x, unsigned int size_x)
{
    Process(x, size_x, x);
}

void TMultiStageIIR::Process(const float* input, unsigned int Length, float* output)
{
    for (unsigned int n = 0; n < Length; n++) output[n] = Process(input[n]);
}

void TMultiStageIIR::ImpulseResponse(float* IR, unsigned int Length)
{
    for (unsigned int n = 0; n < Length; n++) IR[n] = Process(n == 0 ? 1.0f : 0.0f);
}

void TMultiStageIIR::SaveImpulseResponse(const char* filename, unsigned int Length)
{
    FILE* fid = utilOpenFile(filename, "wt");
    if (!fid) return;
    unsigned int lines = Length == 0 ? 1 : Length;
    for (unsigned int n = 0; n < lines; n++) fprintf(fid, "%g\n", Process(n == 0 ? 1.0f : 0.0f));
    fclose(fid);
}
