#include "dsp/TIIR.h"

#include <algorithm>
#include <cstdio>

#include "dsp/IIRCoefFile.h"
#include "geometry/util.h"

TIIR::TIIR(const char* FileName)
{
    IIRCoefFile file(FileName);
    if (!file.IsOpen()) return;
    auto fail = [&] {
        ErrorMessage("TIIR : wrong coefficient file %s\n", FileName);
        NumStages = 0;
        NNum.clear();
        NDen.clear();
        num_list.clear();
        den_list.clear();
        section.clear();
        y.clear();
        gain = 1.0f;
    };
    int stages = 0;
    if (!file.Expect("NSTAGES") || !file.Expect("=") || !file.ReadInt(stages) || stages <= 0 ||
        static_cast<size_t>(stages) > file.Remaining() / 5) {
        fail();
        return;
    }
    for (int s = 0; s < stages; s++) {
        int nn = 0, nd = 0;
        if (!file.Expect("NUM/DEN") || !file.Expect("=") || !file.ReadInt(nn) || !file.ReadInt(nd) || nn <= 0 ||
            nd <= 0 || static_cast<size_t>(nn) + static_cast<size_t>(nd) > file.Remaining()) {
            fail();
            return;
        }
        std::vector<float> num(static_cast<size_t>(nn)), den(static_cast<size_t>(nd));
        bool ok = true;
        for (float& v : num) ok = ok && file.ReadFloat(v);
        for (float& v : den) ok = ok && file.ReadFloat(v);
        if (!ok) {
            fail();
            return;
        }
        const unsigned int nc = static_cast<unsigned int>(std::max(nn, nd));
        std::vector<float> b(num), a(den);
        b.resize(nc, 0.0f);
        a.resize(nc, 0.0f);
        section.emplace_back(nc, b.data(), a.data(), 1.0f);

        float m = utilGetMaxAbs(den.data(), den.size());
        if (m != 0.0f) {
            for (float& v : den) v /= m;
            gain *= 1.0f / m;
        }
        NNum.push_back(static_cast<unsigned int>(nn));
        NDen.push_back(static_cast<unsigned int>(nd));
        num_list.push_back(std::move(num));
        den_list.push_back(std::move(den));
    }
    NumStages = static_cast<unsigned int>(stages);
    y.assign(NumStages, 0.0f);
}

float TIIR::Process(float value)
{
    if (NumStages == 0) return value;
    for (unsigned int n = 0; n < NumStages; n++) {
        value = section[n].Process(value);
        y[n] = value;
    }
    return value * gain;
}

void TIIR::Process(float* value, unsigned int Length)
{
    Process(value, Length, value);
}

void TIIR::Process(const float* input, unsigned int Length, float* output)
{
    for (unsigned int n = 0; n < Length; n++) output[n] = Process(input[n]);
}

void TIIR::ImpulseResponse(float* IR, unsigned int Length)
{
    for (unsigned int n = 0; n < Length; n++) IR[n] = Process(n == 0 ? 1.0f : 0.0f);
}

void TIIR::SaveImpulseResponse(const char* filename, unsigned int Length)
{
    FILE* fid = utilOpenFile(filename, "wt");
    if (!fid) return;
    unsigned int lines = Length == 0 ? 1 : Length;
    for (unsigned int n = 0; n < lines; n++) fprintf(fid, "%g\n", Process(n == 0 ? 1.0f : 0.0f));
    fclose(fid);
}

void TIIR::Show() const
{
    printf("NSTAGES = %d\n", NumStages);
    for (unsigned int n = 0; n < NumStages; n++) {
        printf("NUM/DEN = %d %d\n", NNum[n], NDen[n]);
        section[n].Show();
    }
}
