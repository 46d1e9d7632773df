#include "room/TReceiver.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "directivity/TDirectivity.h"

TReceiver::TReceiver(TPoint3D loc, double raio, double AzRot, int layerID)
    : Radius(std::clamp(raio, 0.2, 0.9)), AzimRotation(AzRot), Position(loc), LayerID(layerID)
{
    ReceiverFactor();
}

TReceiver::TReceiver(const TReceiver* rec)
    : NumCollectedRays(rec->NumCollectedRays), Radius(rec->Radius), ElevRotation(rec->ElevRotation),
      AzimRotation(rec->AzimRotation), Position(rec->Position), Headflag(rec->Headflag), LayerID(rec->LayerID),
      directivity(rec->directivity)
{
    ReceiverFactor();
}

void TReceiver::PrintReceiver() const
{
    std::printf("Pos = (%1.2f,%1.2f,%1.2f) - Radius = %1.2f - Azim. Rotation = %1.2f - "
                "HeadFlag = %d - Pattern = %s - \n",
                Position.x, Position.y, Position.z, Radius, AzimRotation, Headflag ? 1 : 0,
                directivity ? directivity->GetPatternName() : "NONE");
}

void TReceiver::SetDirectivity(TDirectivity* HDir)
{
    directivity = HDir;
    Headflag = HDir && HDir->GetNumChannels() == 2;
}

int TReceiver::GetIRLength() const
{
    return directivity->GetIRLength();
}

void TReceiver::GetIR(float azim, float elev, unsigned int ch, float* output) const
{
    directivity->GetDirectionalIR(azim, elev, ch, output);
}

int TReceiver::GetNumChannels() const
{
    return directivity->GetNumChannels();
}

void TReceiver::GetDaffFile(char* Name) const
{
    directivity->GetPatternName(Name);
}

const char* TReceiver::GetDaffFile() const
{
    return directivity->GetPatternName();
}

float TReceiver::ReceiverFactor()
{
    RecFactor = static_cast<float>(0.5641895835477563 / Radius);
    return RecFactor;
}
