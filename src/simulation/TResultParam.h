#pragma once
// The run settings shared by the pair results of one creation. The room builds it, rewrites
// FirstROrder before each pair and drops it once every pair exists; pairs copy what they need.

#include <cstdint>
#include <vector>

class TResultParam {
public:
    // Copies NBands entries of RoomCTE and AirAbs (either may be null: zeros).
    TResultParam(unsigned NBands, int FROrder, float VS, float FS, const float* RoomCTE, unsigned BLength,
                 unsigned MLength, const double* AirAbs, bool ArtifTailFlag);

    uint32_t NumBands;
    int32_t FirstROrder;                // highest reflection order treated as early; negative: all orders
    float VSound;                       // m/s
    float FSample;                      // Hz
    uint32_t BaseLength;                // band-filter length, samples
    uint32_t MaxLength;                 // response length, samples
    std::vector<double> AirAbsorption;  // [NumBands] nepers per metre
    std::vector<float> RoomConst;       // [NumBands]
    bool NoiseTail;
};
