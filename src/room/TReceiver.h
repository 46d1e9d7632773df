#pragma once
// A spherical receiver: centre (metres), radius (0.2 .. 0.9 m), rotation (degrees), receiver
// layer (index) and directivity pattern.

#include <string>

#include "geometry/TPoint3D.h"
#include "geometry/TVector.h"

class TDirectivity;

class TReceiver {
public:
    TReceiver() = default;
    // The radius is clamped into 0.2 .. 0.9.
    TReceiver(TPoint3D loc, double raio, double AzRot, int layerID);
    // Copy of a room entry: everything but the room's numbering (recID, Name); the pattern is
    // shared, the radius kept as it is.
    explicit TReceiver(const TReceiver* rec);

    void PrintReceiver() const;
    // Stores the pattern; a two-channel pattern sets Headflag.
    void SetDirectivity(TDirectivity* HDir);
    int GetIRLength() const;
    void GetIR(float azim, float elev, unsigned int ch, float* output) const;
    int GetNumChannels() const;
    // Copies the pattern name into Name (512 characters).
    void GetDaffFile(char* Name) const;
    const char* GetDaffFile() const;
    float GetRadius() const { return static_cast<float>(Radius); }
    // 1 / (sqrt(pi) * Radius), as float.
    float ReceiverFactor();

    unsigned int IR_Length = 0;
    float RecFactor = 0.0f;
    TVector b0, b1, b2;
    unsigned int NumCollectedRays = 0;
    double Radius = 0.0;
    double ElevRotation = 0.0;
    double AzimRotation = 0.0;
    TPoint3D Position;
    bool Headflag = false;
    int LayerID = -1;
    TDirectivity* directivity = nullptr;  // one of the room's patterns, never owned
    int recID = 0;
    std::string Name;
};
