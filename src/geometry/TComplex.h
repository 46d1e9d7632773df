#pragma once
// Complex number of the signal-processing code.

struct TComplex {
    double re;
    double im;

    // Leaves both parts unset: arrays are filled by their users before they are read.
    TComplex() = default;
    constexpr TComplex(double re_in, double im_in) : re(re_in), im(im_in) {}

    TComplex operator+(TComplex v2) const { return {re + v2.re, im + v2.im}; }
    TComplex operator-(TComplex v2) const { return {re - v2.re, im - v2.im}; }
    TComplex operator*(double f) const { return {re * f, im * f}; }
    TComplex operator/(double f) const { return {re / f, im / f}; }
    // Four-multiplication product; rounds differently from ComplexMult.
    TComplex operator*(TComplex v2) const { return {re * v2.re - im * v2.im, re * v2.im + im * v2.re}; }

    void Set(TComplex v) { *this = v; }
    void Set(double Re, double Im)
    {
        re = Re;
        im = Im;
    }
    double Module() const;
};

// Product with three real multiplications (the form the FFT and the filters use).
TComplex ComplexMult(const TComplex* op1, const TComplex* op2);
TComplex ComplexMult(TComplex op1, TComplex op2);
// op1 / op2; no test for a zero divisor.
TComplex ComplexDivide(const TComplex* op1, const TComplex* op2);
// op1 + mode * op2, part by part (1 adds, -1 subtracts).
TComplex ComplexAdd(const TComplex* op1, const TComplex* op2, int mode);
// In place over the first tam / 2 entries: re = |z|, im = 0.
void ComplexMagnitude(int tam, TComplex* iyp);
double ComplexModuleOf(TComplex iyp);
// e^z with the magnitude e^re rounded to float.
TComplex ComplexExp(TComplex z);
