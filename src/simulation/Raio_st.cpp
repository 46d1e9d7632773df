#include "simulation/Raio_st.h"

#include <cstdio>
#include <string>

#include "geometry/ErrorHandler.h"
#include "geometry/util.h"
#include "simulation/TextFields.h"

Raio_st::Raio_st() = default;

Raio_st::Raio_st(unsigned NBands)
{
    if (NBands > MAX_NUMBANDS) {
        ShowErrorAndThrowExit(1, "Raio_st error: Nbands > MAX_NUMBANDS\n");
    }
    NumBands = NBands;
}

void Raio_st::Set(TPoint3D pos, TVector vdir, unsigned NRef, float Dist, const float* Spectrum)
{
    p = pos;
    v = vdir;
    reflections = NRef;
    dist = Dist;
    for (unsigned b = 0; b < NumBands; ++b) {
        e[b] = Spectrum[b];
        alfa_acc[b] = 0;
    }
}

double Raio_st::GetEnergy() const
{
    double sum = 0;
    for (unsigned b = 0; b < NumBands; ++b) sum += e[b];
    return sum;
}

void Raio_st::MultiplyEnergyBy(double factor)
{
    for (unsigned b = 0; b < NumBands; ++b) e[b] = static_cast<float>(e[b] * factor);
}

void Raio_st::Print() const
{
    std::string text = "P(";
    const double parts[] = {p.x, p.y, p.z, v.x, v.y, v.z};
    for (int i = 0; i < 6; ++i) {
        if (i == 3)
            text += ") - V(";
        else if (i > 0)
            text += ';';
        AppendFixed(text, parts[i], 6);
    }
    text += ") - dist = ";
    AppendFixed(text, dist, 6);
    text += " - E = ";
    AppendGeneral(text, GetEnergy());
    text += '\n';
    WriteText(stdout, text);
}
