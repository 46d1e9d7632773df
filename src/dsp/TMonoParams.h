#pragma once
// Room-acoustic parameters of one band (or of the broadband response).

struct TMonoParams {
    float T20 = 0.0f;    // seconds
    float T30 = 0.0f;    // seconds
    float T60 = 0.0f;    // seconds
    float EDT = 0.0f;    // seconds
    float C80 = 0.0f;    // dB
    float D50 = 0.0f;    // percent
    float G = 0.0f;      // never computed
    float SPL = 0.0f;    // dB
    float SPL_A = 0.0f;  // dB
    float CT = 0.0f;     // milliseconds
};
