#pragma once
// A surface material: absorption and scattering coefficients per octave band.

#include <cstdio>
#include <string>
#include <vector>

class TMaterial {
public:
    // No arrays (mem_created false); SetCoefficients then changes nothing.
    TMaterial() = default;
    // Absorption 1 and scattering 0 in every band, named "no_name".
    explicit TMaterial(unsigned int NBands);
    // Copy of a room entry: bands and name; ColorID 0 and avgabs the mean absorption.
    explicit TMaterial(const TMaterial* mat);
    TMaterial(const char* Name, unsigned int NBands, float allAbs, float allDif);
    TMaterial(const char* Name, unsigned int NBands, const float* allAbs, float allDif);

    // Writes the material's line of the materials section: name, absorption per band and the
    // scattering of the first band.
    void WriteOnFile(FILE* fid) const;
    float AverageAbsortion();
    // Names hold at most 511 characters; longer ones are cut.
    void SetName(const char* newname);
    void SetName(const std::string& newname) { SetName(newname.c_str()); }
    // Only for a material that holds its arrays; returns NumBands, else 0.
    unsigned int SetCoefficients(const float* allAbs, float allDif);

    bool mem_created = false;
    unsigned int NumBands = 0;
    std::vector<float> abs;  // NumBands absorption coefficients, 0..1
    std::vector<float> dif;  // NumBands scattering coefficients, 0..1
    int ColorID = 0;
    float avgabs = 0.0f;
    std::string nome;
};
