#pragma once
// One arrival at a receiver sphere, its ray-file line, and the small records of clustering.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/TDirection.h"

class TRay {
public:
    TRay();
    explicit TRay(unsigned NBands);
    TRay(const float* energies, unsigned NBands);

    void SetSpectrum(unsigned band, float value);  // ignored for band >= num_bands
    void SetSpectrum(const float* value);
    void SetId(int Id) { ID = Id; }
    int GetId() const { return ID; }
    // Sum of the band energies, accumulated in float from band 0.
    float GetEnergy() const;
    void MultiplyBy(float value);
    void Show() const;

    void Set(unsigned Index, const float* Spectrum, TDirection Dir, unsigned NRef, float Fdist, TDirection StartDir);
    void Set(unsigned Index, const float* Spectrum, TDirection Dir, unsigned NRef, float Fdist);
    // Copies dir, index, reflections, fatordist and this record's band count of energies.
    void Set(const TRay& inRay);
    // Brings dir.azim into [0, 360); a non-finite azimuth becomes 0.
    void FixAzimuth();

    // The ray-file line of this record, azimuth already brought into [0, 360), appended to out
    // ("%u %1.6f %1.3f %1.3f %d %1.3f %1.3f ", "%g " per band, "%d\n"). Does not allocate when
    // out has capacity.
    void AppendLine(std::string& out) const;
    // Parses one ray-file line (with or without its line end). The line must hold exactly the
    // seven head fields, num_bands energies and the ray number; otherwise nothing is changed
    // and false is returned (a truncated line or one written with another band count).
    [[nodiscard]] bool ParseLine(std::string_view line);

    // FixAzimuth, then writes the line. False on a write error.
    bool Save(std::FILE* filePointer);
    // Reads the next line into the record and skips the white space after it, so the stream is
    // at its end right after the last line. False (record unchanged) at end of file or on a
    // malformed line.
    [[nodiscard]] bool Read(std::FILE* filePointer);
    // Reads line `line` (from 0) and restores the stream position. False when the file has no
    // such line or it is malformed.
    [[nodiscard]] bool GetFromFile(std::FILE* filePointer, unsigned line);

    uint32_t num_bands = 0;
    int32_t ID = -1;
    TDirection dir;       // arrival direction, degrees
    TDirection startDir;  // launch direction, degrees
    uint32_t index = 0;   // arrival sample
    float fatordist = 0.0f;
    int32_t reflections = 0;
    std::vector<float> spectrum;  // num_bands energies, band 0 first
};

class TSubRay {
public:
    TSubRay() = default;

    void Set(TDirection Dir, float Fdist, unsigned Index, int clusterindex, int ListIndex, unsigned Reflec);
    void Set(const TSubRay& sray);
    void Set(const TRay& sray, int ListIndex);
    void AppendLine(std::string& out) const;  // "%d\t%1.3f\t%1.3f\t%1.6f\t%d\t%d\n"
    bool WriteOnFile(std::FILE* outFile) const;
    void Show() const;
    void Remove() { valid = false; }
    bool IsValid() const { return valid; }
    void SetId(int Id) { ID = Id; }
    int GetId() const { return ID; }

    bool valid = false;
    int32_t ID = -1;
    uint32_t index = 0;
    TDirection dir;
    float fatordist = 0.0f;
    uint32_t Reflections = 0;
    uint32_t FileListIndex = 0;  // line of the arrival in the early ray file
};

// Angle in degrees between the arrival directions of records i and j of a block.
struct dist_st {
    float dist = 0.0f;
    int32_t i = 0;
    int32_t j = 0;
};
using TDist = dist_st;

bool SubRayCmp_Index(const TSubRay& r1, const TSubRay& r2);
bool SubRayCmp_Azim(const TSubRay& r1, const TSubRay& r2);
bool SubRayCmp_Elev(const TSubRay& r1, const TSubRay& r2);
bool SubRayCmp_FatorDist(const TSubRay& r1, const TSubRay& r2);
bool Dist_cmp(const dist_st& a, const dist_st& b);

// The azimuth as ray-file lines write it: brought into [0, 360), a non-finite one 0.
float AzimuthInRange(float azim);

// A group of arrivals with an optional low-level file handle (closed when not 0).
class TRayGroup {
public:
    TRayGroup() = default;
    ~TRayGroup();
    TRayGroup(const TRayGroup&) = delete;
    TRayGroup& operator=(const TRayGroup&) = delete;

    int32_t num_rays = 0;
    uint32_t num_bands = 0;
    float max_time = 0.0f;
    float min_time = 0.0f;
    float max_power = 0.0f;
    int handle = 0;
    std::string FileName;
    float peak_time = 0.0f;
    std::unique_ptr<TRay> ray;
};
