#pragma once
// A source type: a directivity pattern and a linear power gain per octave band.

#include <cstdio>
#include <string>
#include <vector>

class TDirectivity;

class TSourceLayer {
public:
    // No spectrum (mem_created false).
    TSourceLayer() = default;
    // "unnamed", no pattern, NBands gains of 1.
    explicit TSourceLayer(unsigned int NBands);
    // Copy of a room entry: same name, same pattern (shared), its own copy of the gains.
    explicit TSourceLayer(const TSourceLayer* srcl);
    TSourceLayer(const char* name, TDirectivity* pattern, const float* spect, unsigned int NBands);
    TSourceLayer(const char* name, TDirectivity* pattern, unsigned int NBands);

    // Name, no pattern, every gain 1; returns the band count.
    unsigned int SetDefaults(const char* name);
    // The layer's line of the source-layer section: name, pattern, gains in dB.
    void WriteOnFile(FILE* fid) const;
    // A band gain (power factor) as the project file stores it, in dB: the 1e-6 floor (-60 dB)
    // stands for silence, and a written value reads back to the same text.
    static double GainToDB(float gain);
    // The pattern's name, or "" without a pattern.
    const char* GetDirPatternName() const;
    const char* GetLayerName() const { return layername.c_str(); }
    void SetLayerName(const char* LayerName);
    void SetLayerName(const std::string& LayerName) { SetLayerName(LayerName.c_str()); }
    void SetDirPattern(TDirectivity* DirPattern) { directivity = DirPattern; }

    std::string layername;
    bool mem_created = false;
    TDirectivity* directivity = nullptr;  // one of the room's patterns, never owned
    unsigned int NumBands = 0;
    std::vector<float> spectrum;  // linear power gain per band, 10^(dB/10)
};
