#include "simulation/THitLine.h"

#include "simulation/TRay.h"
#include "simulation/TextFields.h"

namespace {

void AppendHead(FieldWriter& w, int32_t index, float azim, float elev, int count, float acum)
{
    w.Int(index);
    w.Char(' ');
    w.Fixed(azim, 6);
    w.Char(' ');
    w.Fixed(elev, 6);
    w.Char(' ');
    w.Int(count);
    w.Char(' ');
    w.Fixed(acum, 6);
    w.Char(' ');
}

void AppendCounts(FieldWriter& w, const unsigned* Hit, int HitSize)
{
    for (int i = 0; i < HitSize; ++i) {
        w.Int(static_cast<int32_t>(Hit[i]));
        w.Char(' ');
    }
    w.Char('\n');
}

}  // namespace

void AppendHitLine(std::string& out, const TRay& ray, const unsigned* Hit, int HitSize, int count, float acum_costheta)
{
    FieldWriter w(out);
    AppendHead(w, static_cast<int32_t>(ray.index), ray.dir.azim, ray.dir.elev, count, acum_costheta);
    AppendCounts(w, Hit, HitSize);
    w.Flush();
}

void THitLine::AppendLine(std::string& out) const
{
    FieldWriter w(out);
    AppendHead(w, index, azim, elev, count, acum_costheta);
    AppendCounts(w, hits.data(), static_cast<int>(hits.size()));
    w.Flush();
}

bool THitLine::ParseLine(std::string_view line, unsigned HitSize)
{
    constexpr std::size_t kHead = 5;
    std::vector<std::string_view> f(kHead + HitSize + 1);
    if (SplitFields(line, f.data(), f.size()) != kHead + HitSize) return false;
    uint32_t idx = 0;
    int32_t n = 0;
    float az = 0, el = 0, acum = 0;
    if (!ParseInt32Bits(f[0], idx) || !ParseFloat(f[1], az) || !ParseFloat(f[2], el) || !ParseInt(f[3], n) ||
        !ParseFloat(f[4], acum))
        return false;
    std::vector<uint32_t> counts(HitSize);
    for (unsigned i = 0; i < HitSize; ++i)
        if (!ParseInt32Bits(f[kHead + i], counts[i])) return false;
    index = static_cast<int32_t>(idx);
    azim = az;
    elev = el;
    count = n;
    acum_costheta = acum;
    hits = std::move(counts);
    return true;
}
