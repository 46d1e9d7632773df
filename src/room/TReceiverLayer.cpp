#include "room/TReceiverLayer.h"

#include <cstring>

#include "directivity/TDirectivity.h"

namespace {

std::string CutReceiverLayerName(const char* name)
{
    if (!name) return std::string();
    return std::string(name, strnlen(name, 511));
}

}  // namespace

TReceiverLayer::TReceiverLayer(const TReceiverLayer* recl) : layername(recl->layername), directivity(recl->directivity)
{}

TReceiverLayer::TReceiverLayer(const char* name, TDirectivity* pattern)
    : layername(CutReceiverLayerName(name)), directivity(pattern)
{}

void TReceiverLayer::WriteOnFile(FILE* fid) const
{
    const std::string line = layername + " " + GetDirPatternName() + "\n";
    std::fputs(line.c_str(), fid);
}

const char* TReceiverLayer::GetDirPatternName() const
{
    return directivity ? directivity->GetPatternName() : "";
}

void TReceiverLayer::SetLayerName(const char* LayerName)
{
    layername = CutReceiverLayerName(LayerName);
}
