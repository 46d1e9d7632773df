#include "room/TPlaneLayer.h"

#include <cstring>

namespace {

std::string CutPlaneLayerName(const char* name)
{
    if (!name) return std::string();
    return std::string(name, strnlen(name, 511));
}

}  // namespace

TPlaneLayer::TPlaneLayer(const char* Lname) : nome(CutPlaneLayerName(Lname)) {}

void TPlaneLayer::Set(const char* LayerName, int matID, unsigned int NPlanes)
{
    nome = CutPlaneLayerName(LayerName);
    MatID = matID;
    NumPlanes = NPlanes;
}

void TPlaneLayer::SetLayerName(const char* LayerName)
{
    nome = CutPlaneLayerName(LayerName);
}
