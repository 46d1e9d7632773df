#include "geometry/TComplex.h"

#include <cmath>

double TComplex::Module() const
{
    return std::sqrt(re * re + im * im);
}

TComplex ComplexMult(TComplex op1, TComplex op2)
{
    const double a = op1.re, b = op1.im, c = op2.re, d = op2.im;
    const double tmp = (a - b) * d;
    return {(c - d) * a + tmp, tmp + (c + d) * b};
}

TComplex ComplexMult(const TComplex* op1, const TComplex* op2)
{
    return ComplexMult(*op1, *op2);
}

TComplex ComplexDivide(const TComplex* op1, const TComplex* op2)
{
    const double a = op1->re, b = op1->im, c = op2->re, d = op2->im;
    const double den = c * c + d * d;
    return {(a * c + b * d) / den, (c * b - a * d) / den};
}

TComplex ComplexAdd(const TComplex* op1, const TComplex* op2, int mode)
{
    return {op1->re + mode * op2->re, op1->im + mode * op2->im};
}

void ComplexMagnitude(int tam, TComplex* iyp)
{
    const int half = tam >> 1;
    for (int i = 0; i < half; i++) {
        iyp[i].re = std::sqrt(iyp[i].re * iyp[i].re + iyp[i].im * iyp[i].im);
        iyp[i].im = 0.0;
    }
}

double ComplexModuleOf(TComplex iyp)
{
    return std::sqrt(iyp.re * iyp.re + iyp.im * iyp.im);
}

TComplex ComplexExp(TComplex z)
{
    const float aux = static_cast<float>(std::exp(z.re));
    return {std::cos(z.im) * aux, std::sin(z.im) * aux};
}
