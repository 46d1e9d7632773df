#pragma once
// One line of a hit file: an arrival, the number of arrivals it stands for, the factor
// accumulated along the ray, and per plane layer how often the ray was reflected there.
// Format: "%d %f %f %d %f " then "%d " per plane layer, then "\n".

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TRay;

// Appends the hit line of an arrival (index, dir.azim, dir.elev) to out without allocating
// when out has capacity. count is 1 for a traced arrival and the direct sound.
void AppendHitLine(std::string& out, const TRay& ray, const unsigned* Hit, int HitSize, int count, float acum_costheta);

struct THitLine {
    int32_t index = 0;
    float azim = 0.0f;
    float elev = 0.0f;
    int32_t count = 1;
    float acum_costheta = 1.0f;
    std::vector<uint32_t> hits;  // one count per plane layer

    void AppendLine(std::string& out) const;
    // The line must hold the five head fields and exactly HitSize counts; on failure nothing
    // is changed.
    [[nodiscard]] bool ParseLine(std::string_view line, unsigned HitSize);
};
