#pragma once
// Coefficient sets of the band filters. A set for S second-order sections fills caller arrays
// b (3 S: b0 b1 b2 per section), a (3 S: 1 a1 a2 per section) and gain (S).
// Band -1 (31.25 Hz) is passed as an unsigned value with all bits set.

// Octave band Band (centre 62.5 * 2^Band Hz, Band -1 ... 8): the 8th-order digital
// Butterworth band-pass from fc / sqrt(2) to fc * sqrt(2), four sections ordered by
// increasing pole radius, the whole gain in section 0. Fsample must be 44100 or 48000
// (otherwise an error and status 1); any other band writes nothing.
void GetOctaveIIRParamButter(float* b, float* a, float* gain, unsigned int Band, float Fsample);
// Whether GetOctaveIIRParamButter designs filters at that rate (44100 or 48000 Hz).
bool OctaveIIRRateSupported(float Fsample);

// Octave band-pass of NumStages (2 or 3) sections with numerators (1, 0, -1), Butterworth
// poles and equal section gains that give unit gain at the band centre.
void GetOctaveIIRParam(float* b, float* a, float* gain, unsigned int Band, float Fsample, int NumStages);
// The same for the 29 third-octave bands 0 ... 28, centres 1000 * 2^((Band - 16) / 3) Hz.
void Get3rdOctaveIIRParam(float* b, float* a, float* gain, unsigned int Band, float Fsample, int NumStages);
// Three fixed sections covering the audio range at 44100 or 48000 Hz.
void GetAudioRangeIIRParam(float* b, float* a, float* gain, float Fsample);
// For Band -1 ... 8: the pole coefficients of the band's first three Butterworth sections at
// 44100 Hz into a[1], a[2], a[6], a[7], a[11], a[12] (a must hold 13 floats), the band's
// gain factor into gain[0] and 1 into gain[1], gain[2]; returns the band's delay in samples
// (0 and nothing written for other bands). b is left untouched.
int GetCompensatorParam(float* b, float* a, float* gain, unsigned int Band);
