#include "views/ViewMath.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "simulation/TRoom.h"

namespace {

float Saturate(double v)
{
    return static_cast<float>(std::clamp(v, 0.0, 1.0));
}

}  // namespace

OrbitFrame OrbitCameraFrame(const TPoint3D& target, double distance_m, double azimuth, double elevation,
                            double margin_m)
{
    OrbitFrame f;
    f.db = std::sqrt(std::pow(std::fabs(target.x) + margin_m, 2) + std::pow(std::fabs(target.y) + margin_m, 2) +
                     std::pow(std::fabs(target.z) + margin_m, 2));
    f.df = distance_m > f.db ? f.db : 0.99 * distance_m;
    f.eye.x = target.x + distance_m * std::cos(elevation) * std::cos(azimuth);
    f.eye.y = target.y + distance_m * std::cos(elevation) * std::sin(azimuth);
    f.eye.z = target.z + distance_m * std::sin(elevation);
    const TVector side(-std::sin(azimuth), std::cos(azimuth), 0);
    f.up = Normal(side / TVector(target.x - f.eye.x, target.y - f.eye.y, target.z - f.eye.z));
    return f;
}

TPoint3D PanStep(const TPoint3D& target, const OrbitFrame& frame, double distance_m, double fov, int height_px,
                 double dx_px, double dy_px)
{
    if (height_px <= 0 || !(distance_m > 0)) return {};
    const TVector forward = Normal(TVector(target.x - frame.eye.x, target.y - frame.eye.y, target.z - frame.eye.z));
    const TVector up = Normal(frame.up);
    const TVector right = Normal(forward / up);
    const double metresPerPixel = 2 * distance_m * std::tan(fov / 2) / height_px;
    const TVector step = (up * dy_px - right * dx_px) * metresPerPixel;
    if (!std::isfinite(step.x) || !std::isfinite(step.y) || !std::isfinite(step.z)) return {};
    return {step.x, step.y, step.z};
}

double WholeRoomDistance(double diagonal_m, double fov, double aspect)
{
    // The bounding sphere inside the narrower of the two fields of view.
    const double horizontal = 2 * std::atan(std::tan(fov / 2) * (aspect > 0 ? aspect : 1.0));
    const double half = std::min(fov, horizontal) / 2;
    if (!(diagonal_m > 0) || !(half > 0)) return 0;
    return diagonal_m / 2 / std::sin(half);
}

double ZoomedDistance(double distance_m, double step_m, bool in)
{
    if (!in) return distance_m + step_m;
    return distance_m - step_m > 0 ? distance_m - step_m : distance_m / 2;
}

std::vector<ViewColor> LayerColorTable(const TRoom& room)
{
    const std::size_t n = std::min<std::size_t>(room.NumPlaneLayers, room.planeLayer.size());
    std::vector<ViewColor> table(n);
    const auto N = static_cast<std::uint32_t>(n);
    for (std::uint32_t i = 0; i < N; ++i) {
        const TPlaneLayer& layer = room.planeLayer[i];
        if (layer.cor[0] == -1) {
            // Unsigned differences: every remainder lies in 0 .. N-1.
            table[i] = {static_cast<float>((250u - 2u * i) % N) / N, static_cast<float>((150u - 3u * i) % N) / N,
                        static_cast<float>((100u - 4u * i) % N) / N};
        } else {
            table[i] = {layer.cor[0] / 255.0f, layer.cor[1] / 255.0f, layer.cor[2] / 255.0f};
        }
    }
    return table;
}

ViewColor TableColor(const std::vector<ViewColor>& table, int layer)
{
    if (layer < 0 || static_cast<std::size_t>(layer) >= table.size()) return {0.5f, 0.5f, 0.5f};
    return table[static_cast<std::size_t>(layer)];
}

ViewColor LostRayColor(unsigned reflections, int maxReflections)
{
    // No reflected lost ray: every ray has no reflection and takes the full red.
    const double red = maxReflections > 0 ? 1.0 - 0.2 * reflections / maxReflections : 1.0;
    // Green and blue at most 0.4: at full strength an odd count gave near-white.
    constexpr double kTint = 0.4;
    return {Saturate(red), Saturate(kTint * (reflections % 2)), Saturate(kTint * (reflections % 4 != 0))};
}

std::string ElementLabel(char prefix, unsigned index)
{
    std::string digits = std::to_string(static_cast<unsigned long long>(index) + 1);
    if (digits.size() < 2) digits.insert(0, 1, '0');
    return prefix + digits;
}
