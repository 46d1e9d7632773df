#include "desktop/PlaneSection.h"

namespace PlaneSection {

int ClampActivePlane(int activePlane, unsigned numPlanes)
{
    if (numPlanes == 0 || activePlane < 0) return 0;
    return activePlane >= static_cast<int>(numPlanes) ? static_cast<int>(numPlanes) - 1 : activePlane;
}

int PlaneOfSpin(int spinValue, unsigned numPlanes)
{
    return ClampActivePlane(spinValue - 1, numPlanes);
}

int LayerItem(int layerId, unsigned numLayers)
{
    return layerId >= 0 && layerId < static_cast<int>(numLayers) ? layerId : -1;
}

}  // namespace PlaneSection
