// Ray-file, hit-file and lost-ray lines: parsing arbitrary text never crashes, and whatever
// parses writes a line that parses again to the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "simulation/LostRayFile.h"
#include "simulation/Raio_st.h"
#include "simulation/THitLine.h"
#include "simulation/TRay.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view line(reinterpret_cast<const char*>(data), size);

    TRay ray(9);
    if (ray.ParseLine(line)) {
        std::string once, twice;
        ray.AppendLine(once);
        TRay again(9);
        if (!again.ParseLine(once)) std::abort();
        again.AppendLine(twice);
        // An azimuth read as 360 or more is written in range, so compare the second round.
        std::string third;
        TRay last(9);
        if (!last.ParseLine(twice)) std::abort();
        last.AppendLine(third);
        if (third != twice) std::abort();
    }

    THitLine hit;
    if (hit.ParseLine(line, 3)) {
        std::string out;
        hit.AppendLine(out);
        THitLine back;
        if (!back.ParseLine(out, 3) || back.hits != hit.hits || back.count != hit.count) std::abort();
    }

    Raio_st lost;
    int source = 0;
    if (ParseLostRayLine(line, lost, source)) {
        std::string out;
        AppendLostRayLine(out, lost, source);
        Raio_st back;
        int s2 = 0;
        if (!ParseLostRayLine(out, back, s2) || s2 != source || back.reflections != lost.reflections) std::abort();
    }
    return 0;
}
