#include "dsp/TIIR_DFII.h"

#include <cstdio>

#include "geometry/util.h"

TIIR_DFII::TIIR_DFII(unsigned int N, const float* num, const float* den, float gain)
    : a(den, den + N), b(num, num + N), buffer(N, 0.0f), g(gain), NC(N)
{}

float TIIR_DFII::Process(float x)
{
    if (NC == 0) return 0.0f;
    buffer[0] = x;
    for (unsigned int i = 1; i < NC; i++) buffer[0] -= a[i] * buffer[i];
    float out = 0.0f;
    for (unsigned int i = 0; i < NC; i++) out += b[i] * buffer[i];
    for (unsigned int i = NC - 1; i >= 1; i--) buffer[i] = buffer[i - 1];
    return g * out;
}

void TIIR_DFII::Process(const float* input, unsigned int Length, float* output)
{
    for (unsigned int n = 0; n < Length; n++) output[n] = Process(input[n]);
}

void TIIR_DFII::ImpulseResponse(float* IR, unsigned int Length)
{
    for (unsigned int n = 0; n < Length; n++) IR[n] = Process(n == 0 ? 1.0f : 0.0f);
}

void TIIR_DFII::SaveImpulseResponse(const char* filename, unsigned int Length)
{
    FILE* fid = utilOpenFile(filename, "wt");
    if (!fid) return;
    for (unsigned int n = 0; n < Length; n++) fprintf(fid, "%1.3f\n", Process(n == 0 ? 1.0f : 0.0f));
    fclose(fid);
}

void TIIR_DFII::Show() const
{
    printf("NC = %d\nNum = ", NC);
    for (float v : b) printf("%f ", v);
    printf("\n");
    printf("Den = ");
    for (float v : a) printf("%f ", v);
    printf("\n");
}
