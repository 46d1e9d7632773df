#include "simulation/LostRayFile.h"

#include "simulation/Raio_st.h"
#include "simulation/TextFields.h"

void AppendLostRayLine(std::string& out, const Raio_st& ray, int source)
{
    AppendLostRayLine(out, ray.p, ray.v, static_cast<int>(ray.reflections), source);
}

void AppendLostRayLine(std::string& out, TPoint3D p, TVector v, int reflections, int source)
{
    const double values[6] = {p.x, p.y, p.z, v.x, v.y, v.z};
    for (double c : values) {
        AppendFixed(out, c, 2);
        out += ' ';
    }
    AppendInt(out, reflections);
    out += ' ';
    AppendInt(out, source);
    out += '\n';
}

bool ParseLostRayLine(std::string_view line, Raio_st& ray, int& source)
{
    std::string_view f[9];
    if (SplitFields(line, f, 9) != 8) return false;
    double d[6];
    for (int i = 0; i < 6; ++i)
        if (!ParseDouble(f[i], d[i])) return false;
    int32_t refl = 0, src = 0;
    if (!ParseInt(f[6], refl) || refl < 0 || !ParseInt(f[7], src)) return false;
    ray.p = TPoint3D(d[0], d[1], d[2]);
    ray.v = TVector(d[3], d[4], d[5]);
    ray.reflections = static_cast<unsigned>(refl);
    source = src;
    return true;
}
