#pragma once
// Linear-phase FIR design by frequency sampling, octave band-pass filters, and FIR filtering
// and convolution of whole signals. Frequencies are normalised: 1 is the Nyquist frequency.

// Designs filter_size taps into filtro from a piecewise-linear magnitude through nfreq break
// points (frequencies ww ascending from 0 to normally 1, magnitudes aa). The magnitude is
// sampled on one grid of multiples of ww[nfreq - 1] / K over a transform of T = 2K > order
// points, given a delay of (filter_size - 1) / 2 samples and windowed with a Hamming window.
void fir2(int filter_size, int nfreq, const float* ww, const float* aa, float* filtro);

// Octave band-pass of FilterLength taps around the normalised centre freqCenter: flat from
// fc / sqrt(2) to fc * sqrt(2), linear skirts down to 0.85 times the lower and up to 1.25
// times the upper edge.
void OctaveBandDesign(float* coefs, unsigned int FilterLength, float freqCenter);

// Band `band` of a set of octave band-passes of FilterLength taps that add up to a pure delay
// of (FilterLength - 1) / 2 samples over the whole range the set covers: adjacent bands share
// one linear crossover ramp across each inner band edge, from the edge / 2^(1/6) to the
// edge * 2^(1/6). The outer edges fall off like OctaveBandDesign's. `centres` are the
// normalised band centres, ascending, one octave apart; a band whose crossover would reach the
// Nyquist frequency ends the set with the outer upper edge, and the bands above it are silent.
void SynthesisBandDesign(float* coefs, unsigned int FilterLength, const float* centres, unsigned int NumBands,
                         unsigned int band);

// Octave band-pass of FilterLength taps that measures band `band` of the synthesis set above
// without its neighbours: flat where that band alone passes, falling to 0 at each shared edge
// within its crossover ramp (where the ramp is too narrow for FilterLength taps to resolve, the
// octave filter's skirt beyond the edge instead), with the set's outer edges. Its energy gain
// is the band's share of the spectrum, so that the bands of a flat spectrum add up to it.
// Bands the set leaves silent are 0.
void AnalysisBandDesign(float* coefs, unsigned int FilterLength, const float* centres, unsigned int NumBands,
                        unsigned int band);

// Filters x in place with the FIR h, removing the delay of a symmetric filter of odd length
// (x[n] becomes sample n + size_h / 2 of the full convolution).
void Filter(float* x, unsigned int size_x, const float* h, unsigned int size_h);
// Filter with a band-pass of FilterSize taps designed by OctaveBandDesign.
void OctaveBandFilter(float* x, unsigned int size_x, float CenterFreq, unsigned int FilterSize);

// Full linear convolution into y (FilterLength + SignalLength - 1 floats) by overlap-add,
// with the transform size that minimises an operation count.
void FFTFilt(const float* filter, unsigned int FilterLength, const float* signal, unsigned int SignalLength, float* y);

// Overlap-add convolution that keeps only as many samples as the longer input.
void OverLapAdd(const float* A, long ALength, const float* B, long BLength, float* output);

// A Length-tap filter whose magnitude passes through Spectrum at the normalised band
// frequencies, 0 at 0 and at 1.
void SinthesysFilter(const float* octNormalizFreqs, const float* Spectrum, unsigned int NBands, unsigned int Length,
                     float* output);

// Samples a piecewise-linear magnitude on fftsize bins with a mirrored upper half, and writes
// the result to "output.txt" as well.
void ExtendRayMagSpectrum(const float* freqs, const float* mags, unsigned int nfreq, unsigned int fftsize,
                          float* output);
