#include "dsp/TIIRFilter.h"

#include <cstdio>

#include "geometry/util.h"

TIIRFilter::TIIRFilter(unsigned int num_ncoefs, unsigned int num_spars, unsigned int den_ncoefs, unsigned int den_spars)
    : num(num_ncoefs, num_spars), den(den_ncoefs, den_spars)
{}

void TIIRFilter::SetCoefs(const float* values, int target)
{
    (target == 0 ? num : den).FilterSetCoefs(values);
}

void TIIRFilter::SetCoef(int ind, float value, int target)
{
    (target == 0 ? num : den).FilterSetCoef(static_cast<unsigned int>(ind), value);
}

float TIIRFilter::GetCoef(int ind, int target) const
{
    const TFilter& f = target == 0 ? num : den;
    return static_cast<unsigned int>(ind) < f.ncoef ? f.coef[static_cast<unsigned int>(ind)] : 0.0f;
}

float TIIRFilter::GetDenOutput() const
{
    float f = 0.0f;
    // y[n - j spars] sits at logical index length - j spars of the denominator's delay line.
    for (unsigned int j = 1; j < den.ncoef; j++)
        f += den.coef[j] * den.signal.circBufGet(static_cast<int>(den.length - j * den.spars));
    return f;
}

float TIIRFilter::Process(float value)
{
    float v = num.FilterProcess(value);
    if (den.ncoef == 0) return v;
    float y = (v - GetDenOutput()) / den.coef[0];
    den.signal.circBufInsert(y);
    return y;
}

void TIIRFilter::Process(const float* input, unsigned int Length, float* output)
{
    for (unsigned int n = 0; n < Length; n++) output[n] = Process(input[n]);
}

void TIIRFilter::Reset()
{
    num.FilterReset();
    den.FilterReset();
}

namespace {

void ShowExpanded(const TFilter& f)
{
    for (unsigned int n = 0; n < f.length; n++) printf(n + 1 < f.length ? "%1.3f " : "%1.3f\n", f.FilterGetCoef(n));
}

void ShowTaps(const char* title, const TFilter& f)
{
    printf("%s", title);
    printf("Esparsidade = %d\n", f.spars);
    for (float c : f.coef) printf("%1.3f ", c);
    printf("\n--------------------------\n");
}

}  // namespace

void TIIRFilter::ShowCoefs() const
{
    ShowExpanded(num);
    printf("--------------------------\n");
    ShowExpanded(den);
    printf("--------------------------\n");
}

void TIIRFilter::ShowInfo() const
{
    ShowTaps("Numerador:\n", num);
    ShowTaps("Denominador:\n", den);
}

void TIIRFilter::SaveImpResp(const char* FileName, unsigned int Length)
{
    FILE* fid = utilOpenFile(FileName, "wt");
    if (!fid) return;
    for (unsigned int n = 0; n < Length; n++) fprintf(fid, "%f\n", Process(n == 0 ? 1.0f : 0.0f));
    fclose(fid);
}
