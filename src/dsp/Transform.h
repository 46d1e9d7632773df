#pragma once
// In-place radix-2 FFT of complex doubles with a process-wide cache of twiddle tables.
//
// The tables of a size are made once, under a lock, by the first transform that needs them,
// and are then read without a lock by any thread. They live until TransformDestroyAllTwiddles,
// which may only run when no transform is in progress (the console calls it at the end of a run).

#include <atomic>
#include <vector>

#include "geometry/TComplex.h"

// Largest exponent p of a transform size 2^p.
constexpr int TRANSFORM_MAX_POWER = 30;

// The two factor tables of one transform size N = 2^p: tw[k] = e^(-j 2 pi k / N) and
// twi[k] = e^(+j 2 pi k / N), k = 0 ... N - 1.
struct twiddle_st {
    std::vector<TComplex> tw;
    std::vector<TComplex> twi;
    // The factors of every stage after the first, laid out so that a stage reads them in a
    // row: the stage with half span h (h < N/2) finds tw[j N / (2h)], j < h, at staged[h - 1 + j]
    // (stagedInv likewise from twi). Copies only; the first stage reads tw and twi themselves.
    std::vector<TComplex> staged;
    std::vector<TComplex> stagedInv;
};
using TTwiddle = twiddle_st;

// Indexed by the exponent p. A table is published before its flag is set.
extern std::atomic<twiddle_st*> twiddle[TRANSFORM_MAX_POWER + 1];
extern std::atomic<int> Used_Twiddles[TRANSFORM_MAX_POWER + 1];

// Transforms x[0 ... n-1] in place, output in natural order. mode 0 is the forward transform
// X[k] = (1/fs) sum x[t] e^(-j 2 pi k t / n); any other mode the inverse
// x[t] = (fs/n) sum X[k] e^(+j 2 pi k t / n). n must be a power of two from 1 to 2^30;
// any other n is refused with an error message and x is left unchanged.
void TransformFFT(int n, int mode, double fs, TComplex* x);

// Direct O(n^2) transform with the same scaling as TransformFFT; w is a factor table of n
// entries as filled by TransformCalcTwiddle with the same mode (entry (k t) mod n is used).
void TransformDFT(int n, int mode, double fs, TComplex* x, const TComplex* w);

// Creates the tables of exponent power_of_two: 1 when they were made now, 0 when they
// existed already (or the exponent is out of range, with an error message).
int TransformTwiddleCreate(int power_of_two);

// Frees the tables of one exponent (nothing when it has none). Not safe while a transform
// of that size may run on another thread.
void TransformTwiddleDestroy(int power_of_two);

// Frees every table. Not safe while any transform may run on another thread.
void TransformDestroyAllTwiddles();

// Fills w[0 ... n-1] with the powers of e^(-j 2 pi / n) (mode 0) or e^(+j 2 pi / n) (other
// modes), made by repeated multiplication from (1, 0).
void TransformCalcTwiddle(TComplex* w, int n, int mode);
