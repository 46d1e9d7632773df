#pragma once
// Directivity pattern of a source or a receiver: one of the built-in first-order patterns or
// measured data from a DAFF file. Directions are azimuth and elevation in degrees relative to
// the element's aiming direction; the front axis is +x (azimuth 0, elevation 0).

#include <memory>
#include <string>
#include <vector>

#include "geometry/TComplex.h"
#include "geometry/TDirection.h"

class DAFFReader;
class DAFFContentIR;
class DAFFContentMS;
class DAFFContentMPS;
class DAFFProperties;

enum {
    DIRECTIVITY_DAFF = 100,
    DIRECTIVITY_OMNI = 101,
    DIRECTIVITY_CARDIOID = 102,
    DIRECTIVITY_HYPERCARD = 103,
    DIRECTIVITY_SUPERCARD = 104,
    DIRECTIVITY_EIGHTFIG = 105,
    DIRECTIVITY_OMNI2CARD = 106,
};

class TDirectivity {
public:
    // Name is a built-in pattern name or the path of a DAFF file (relative to the working
    // directory). A name that is neither becomes "OMNI" after an error box; the overload that
    // takes a writable string writes "OMNI" back into it.
    TDirectivity(const char* Name, unsigned int NBands);
    TDirectivity(const std::string& Name, unsigned int NBands);
    TDirectivity(std::string& Name, unsigned int NBands);
    TDirectivity();
    ~TDirectivity();

    // The DAFF reader and the content pointers into it are owned once: no copies.
    TDirectivity(const TDirectivity&) = delete;
    TDirectivity& operator=(const TDirectivity&) = delete;
    TDirectivity(TDirectivity&&) noexcept;
    TDirectivity& operator=(TDirectivity&&) noexcept;

    // NumBands linear magnitudes, one per octave band, for the direction (degrees).
    void GetMagnitudes(float azim, float elev, unsigned int ch, float* output);
    // IRLength samples of channel ch; only for DAFFType 0 (impulse-response data).
    void GetDirectionalIR(float azim, float elev, unsigned int ch, float* output);
    int GetIRLength() const { return IRLength; }

    // Peak-sample index of the directional impulse response; 0 unless DAFFType is 0.
    unsigned int GetDelay(float azim, float elev, unsigned int ch);
    unsigned int GetMinDelay(float azim, float elev);
    unsigned int GetFrontDelay();

    float GetEnergy(float azim, float elev, unsigned int ch);
    float GetMaxEnergy(float azim, float elev);
    float GetFrontEnergy() const { return FrontEnergy; }

    // Copies the name into resp, which holds 512 characters (longer names are cut).
    void GetPatternName(char* resp) const;
    const char* GetPatternName() const { return PatternName.c_str(); }
    int GetNumChannels() const { return NumChannels; }
    void PrintDirectivity() const;
    // The frequency (Hz) that stands for band B.
    float getFreq(int B) const;

    // Scans over the pattern's direction grid.
    float GetMaxEnergy();
    TDirection GetMaxEnergyDirection();
    void SaveXYZ(const char* filename);

    // Built-in patterns (compared exactly) and DAFF files; called by the constructor.
    void LoadStandartDirectivityPattern(std::string& Name);
    void LoadDirectivityPatternDAFF(const char* sInputFile);

    std::unique_ptr<DAFFReader> pDAFF;
    DAFFContentIR* pContentIR = nullptr;
    DAFFContentMS* pContentMS = nullptr;
    DAFFContentMPS* pContentMPS = nullptr;
    DAFFProperties* daffprops = nullptr;
    int DaffNumFreqs = 0;
    std::vector<float> DaffFreqs;
    std::vector<int> freqIndex;   // NumBands entries
    std::vector<float> Spectrum;  // scratch for one record's magnitudes
    float FrontEnergy = 1.0f;
    unsigned int FrontDelay = 0;
    std::string PatternName;
    int NumChannels = 0;
    int Headflag = 0;
    int PatternType = -1;
    std::vector<float> DirectionalIR;  // IRLength samples of scratch
    int FFTSize = -1;
    std::vector<TComplex> IRTransform;
    unsigned int NumBands = 0;
    int DAFFType = -1;
    int IRLength = 0;
    int LayerID = 0;

private:
    void Construct(std::string& Name, unsigned int NBands);
    void GetDAFFMagnitudes(float azim, float elev, unsigned int ch, float* output);
    void GetIRMagnitudes(float azim, float elev, unsigned int ch, float* output);
    void ReadDAFFRecordIR(float azim, float elev, unsigned int ch, float* output, float gain);
    int LookupRecord(float azim, float elev);
    [[noreturn]] void DAFFFailure(int code) const;
    void ScanGrid(std::vector<float>& azims, std::vector<float>& elevs) const;
};
