#pragma once
// Decay curves, reverberation and decay times, clarity, definition and centre time, the line
// fits behind them, receiver-sphere ray statistics and a few in-place array utilities.
//
// Times are in samples (callers divide by the sample rate), levels in dB. Parameters that a
// silent or degenerate response leaves undefined are NaN.

#include "dsp/TMonoParams.h"
#include "geometry/TPoint3D.h"

// Schroeder curve: DecayCurve[n] = 10 log10(sum_{k>=n} p[k]^2), -inf where that sum is 0.
void GetDecayCurve(const float* pressureData, float* DecayCurve, unsigned int samples);
// The same backward energy sums without the logarithm.
void GetDecayCurveNoLOG(const float* pressureData, float* DecayCurve, unsigned int samples);

// Time for a 60 dB decay at the rate of a line fitted to the curve from 5 dB below its first
// value over |Delta_THR| dB.
float GetRevTime(const float* EDC, unsigned int Length, float Delta_THR);
// The same with the fit starting THR_ini dB (0 or negative) from the first value.
float GetDecayTime(const float* EDC, unsigned int Length, float THR_ini, float Delta_THR);
// GetRevTime(EDC, Length, THR) and the early decay time GetDecayTime(EDC, Length, 0, -10).
float GetRT(const float* EDC, unsigned int Length, float THR);
float GetEDT(const float* EDC, unsigned int Length);

float GetC80(const float* pressureData, unsigned int Length, unsigned int FirstSound,
             float FSample);  // dB
float GetD50(const float* pressureData, unsigned int Length, unsigned int FirstSound,
             float FSample);                                // percent
float GetCenterTime(const float* IR, unsigned int Length);  // samples

// Least-squares lines as (intercept, slope, sum(xy)/sum(y)); with no point or a single x
// they return (0, 0, midpoint).
TPoint3D LinearFitting(const float* curve, unsigned int start_x, unsigned int end_x);
TPoint3D LinearFitting(const float* x, const float* y, unsigned int N);
// Fits through 10 log10(curve[i]) (energies), skipping values that are not positive.
TPoint3D GetLinearParameters(const float* curve, unsigned int start_x, unsigned int end_x);
// Fits through 10 log10(curve[i]^2) (pressures), skipping zero values.
TPoint3D GetLinearParameters_Bir(const float* curve, unsigned int start_x, unsigned int end_x);

// Share of uniformly launched rays that reach a receiver sphere of radius r at distance d.
float RayProbability(float d, float r);
// Distance for one ray out of N (r / sqrt(1 - a^2), a = 1 - 2/N).
float MaxProbRayDistance(unsigned int N, float r);
// Inverse of RayProbability.
float DistanceForRayProb(float prob, float r);

void FlipVector(float* x, unsigned int N);
// Centred moving average of Bsize samples, in place; the ends are averaged with zeros.
void MovingAvgFilter(float* x, unsigned int xSize, unsigned int Bsize);
// Scales to a peak of 1 and returns the old peak (1 for an all-zero array).
float Normalize(float* x, unsigned int N);
