#include "simulation/TResultParam.h"

TResultParam::TResultParam(unsigned NBands, int FROrder, float VS, float FS, const float* RoomCTE, unsigned BLength,
                           unsigned MLength, const double* AirAbs, bool ArtifTailFlag)
    : NumBands(NBands), FirstROrder(FROrder), VSound(VS), FSample(FS), BaseLength(BLength), MaxLength(MLength),
      AirAbsorption(NBands, 0.0), RoomConst(NBands, 0.0f), NoiseTail(ArtifTailFlag)
{
    for (unsigned b = 0; b < NBands; ++b) {
        if (AirAbs) AirAbsorption[b] = AirAbs[b];
        if (RoomCTE) RoomConst[b] = RoomCTE[b];
    }
}
