#pragma once
// Random signals and small array helpers.
//
// The generators draw integers 0 ... 32767 from a per-thread generator. Every generator except
// NoiseDecay reseeds it on each call: from the clock (whole seconds) by default, so that calls
// within one second repeat their sequence, or from the seed fixed with NoiseSetSeed.

#include <string>

// Fixes the seed every generator reseeds with (all threads), in place of the clock.
void NoiseSetSeed(unsigned int seed);
// Back to reseeding from the clock.
void NoiseUseClockSeed();

// y[n] = +-(1 - u (1 - thr)), u uniform in [0, 32766/32767]: magnitudes between thr and 1.
void ThickNoise(float* y, float thr, unsigned int Length);
// y[n] = e^(-alpha n c) (u - 0.5), c = (VSound / FSample) / 2 pi; continues the sequence.
void NoiseDecay(float* y, float alpha, float FSample, float VSound, unsigned int Length);
// Random +-1 values; returns sqrt(sum y^2) / Length.
float SignNoise(float* y, unsigned int Length);
// Uniform noise in [-1, 1); returns sqrt(sum y^2) / Length.
float WhiteNoise(float* y, unsigned int Length);
// Uniform noise in [-1, 1) plus the constant 10^(THR_dB / 10).
void WhiteNoise(float* y, unsigned int Length, float THR_dB);
// Zeros with one +-1 impulse at a random place in every whole block of td samples but the
// last block (the last, possibly partial, block stays silent). td < 1 gives zeros only.
void VelvetNoise(float* x, unsigned int Length, int td);
// Normal noise (polar method) with the given standard deviation and mean.
void GaussianNoise(float* x, unsigned int Length, float stddev, float mean);

// sqrt(sum x^2 / N) in single precision; 0 for N = 0.
float RootMeanSquare(const float* x, unsigned int N);
// Delays (Delay > 0) or advances (Delay < 0) the array in place, filling with zeros; a shift
// of Length or more leaves only zeros.
void ShiftFloat(float* data, unsigned int Length, int Delay);
// Writes bits Bits ... 0 of N (most significant first) as 0/1 into Binary[0 ... Bits].
void decimal_to_binary(int N, int* Binary, unsigned int Bits);

// Text file with one value per line ("%g" / "%d"); returns false (after the open-failure
// box) when the file cannot be written.
bool utilSaveFloat(const char* filename, const float* x, unsigned int N);
bool utilSaveFloat(const std::string& filename, const float* x, unsigned int N);
bool utilSaveInt(const char* filename, const int* x, unsigned int N);
bool utilSaveInt(const std::string& filename, const int* x, unsigned int N);
