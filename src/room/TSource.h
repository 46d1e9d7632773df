#pragma once
// A point sound source: position (metres), aiming angles (degrees), sound power (watts), ray
// count, source layer (index) and an optional dry mono sound file for auralization.

#include <string>

#include "geometry/TPoint3D.h"
#include "geometry/TVector.h"

class TDirectivity;

class TSource {
public:
    TSource() = default;
    // Raises ray requests below 12 to 12 (with a notice) and fits them to the ray grid; checks
    // the sound file. sndFile is kept as written; it is looked for relative to soundFolder (the
    // project folder; empty: the working directory) unless it is absolute.
    TSource(TPoint3D loc, float Power, int layerID, unsigned int NRays, double Elev, double Azim, unsigned int NBands,
            const char* sndFile, const std::string& soundFolder = std::string());
    // Copy of a room entry: everything but the room's numbering (srcID, Name); the pattern is
    // shared and the ray count kept as stored.
    explicit TSource(const TSource* src);

    void PrintSource() const;
    // v in the source's local axes.
    TVector GetRelativeDirection(TVector v) const;
    float GetSPL() const;
    void SetPower(float pwr) { power = pwr; }
    float GetPower() const { return power; }
    // Rounds to the nearest count of the form 10 k^2 + 2 (at least 12); returns it.
    unsigned int SetNumRays(unsigned int NRays);
    unsigned int GetNumRays() const { return NumberOfRays; }
    void SetDirectivity(TDirectivity* sDir) { directivity = sDir; }
    // Assigns (or, with "NONE" or a part of it, clears) the sound file, looked for relative to
    // SoundFolder; false, with the old file kept, when it is missing or not compatible.
    bool SetSoundFile(const char* sndFile);
    // Where the sound file lies: SoundFile joined with SoundFolder unless it is absolute.
    std::string GetSoundFilePath() const;

    TVector vx, vy, vz;
    float power = 105.0f;
    unsigned int NumBands = 0;
    int LayerID = 0;
    int srcID = 0;
    std::string Name;
    int PowerDivider = 0;
    TPoint3D Position;
    float ElevRotation = 0.0f;
    float AzimRotation = 0.0f;
    std::string SoundFile = "NONE";  // as written in the project, or "NONE"
    std::string SoundFolder;         // the folder SoundFile is relative to
    bool SoundFileFlag = false;      // the file existed and was compatible when assigned
    unsigned int NumberOfRays = 0;
    TDirectivity* directivity = nullptr;  // one of the room's patterns, never owned
};
