#include "room/TPlaneLayer.h"

#include <cstring>

namespace {

std::string CutName(const char* name)
{
    if (!name) return std::string();
    return std::string(name, strnlen(name, 511));
}

}  // namespace

TPlaneLayer::TPlaneLayer(const char* Lname) : nome(CutName(Lname)) {}

void TPlaneLayer::Set(const char* LayerName, int matID, unsigned int NPlanes)
{
    nome = CutName(LayerName);
    MatID = matID;
    NumPlanes = NPlanes;
}

void TPlaneLayer::SetLayerName(const char* LayerName)
{
    nome = CutName(LayerName);
}
