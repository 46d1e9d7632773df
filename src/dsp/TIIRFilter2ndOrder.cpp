#include "dsp/TIIRFilter2ndOrder.h"

#include <cstdio>
#include <vector>

#include "geometry/util.h"

TIIRFilter2ndOrder::TIIRFilter2ndOrder(const float* bb, const float* aa, float gain) : g(gain)
{
    for (int i = 0; i < 3; i++) {
        b[i] = bb[i];
        a[i] = aa[i];
    }
}

float TIIRFilter2ndOrder::filter(float x)
{
    float w = x - (a[1] * buffer1 + a[2] * buffer2);
    float y = b[0] * w + (b[1] * buffer1 + b[2] * buffer2);
    buffer2 = buffer1;
    buffer1 = w;
    return g * y;
}

void TIIRFilter2ndOrder::filter(const float* input, unsigned int Length, float* output)
{
    for (unsigned int n = 0; n < Length; n++) output[n] = filter(input[n]);
}

void TIIRFilter2ndOrder::ImpulseResponse(float* IR, unsigned int Length)
{
    for (unsigned int n = 0; n < Length; n++) IR[n] = filter(n == 0 ? 1.0f : 0.0f);
}

void TIIRFilter2ndOrder::SaveImpulseResponse(const char* filename, unsigned int Length)
{
    std::vector<float> ir(Length);
    ImpulseResponse(ir.data(), Length);
    FILE* fid = utilOpenFile(filename, "wt");
    if (!fid) return;
    for (float v : ir) fprintf(fid, "%1.3f\n", v);
    fclose(fid);
}
