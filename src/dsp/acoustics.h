#pragma once
// Air absorption per octave band and conversions between a source's level and its power.

// Air-absorption coefficient in nepers per metre for the octave bands 62.5 * 2^B Hz,
// B = 0 .. NumBands-1 (ISO 9613-1 without the dB factor). Tp: temperature in kelvin,
// Ps: pressure in atmospheres, Hr: relative humidity in percent. Coefs holds NumBands values.
void CalculateAirAbsCoefs(float Tp, float Ps, float Hr, unsigned int NumBands, double* Coefs);

// Sound power in watts of a point source giving `SPL` dB (re 20 uPa) at 1 m in free field.
float SPL2Power(float SPL);

// Level in dB at 1 m for a sound power in watts; the inverse of SPL2Power.
float Power2SPL(float power);
