// The room's element collections: build, add, delete, find and associate, and the directivity
// patterns shared by name.

#include <cmath>
#include <cstdio>
#include <string>

#include "directivity/TDirectivity.h"
#include "geometry/ErrorHandler.h"
#include "geometry/TPlane.h"
#include "geometry/util.h"
#include "room/TMaterial.h"
#include "room/TReceiver.h"
#include "room/TReceiverLayer.h"
#include "room/TRoomModel.h"
#include "room/TSource.h"
#include "room/TSourceLayer.h"

namespace {

bool InRange(int index, std::size_t count)
{
    return index >= 0 && static_cast<std::size_t>(index) < count;
}

std::string Str(const char* s)
{
    return s ? std::string(s) : std::string();
}

}  // namespace

TRoomModel::TRoomModel(int NPlan, int NSrc, int Nrec)
{
    InitDefaults();
    AirAbsorptionFlag = 1;
    // Empty slots that the caller fills.
    plane.resize(NPlan > 0 ? static_cast<std::size_t>(NPlan) : 0);
    source.resize(NSrc > 0 ? static_cast<std::size_t>(NSrc) : 0);
    receiver.resize(Nrec > 0 ? static_cast<std::size_t>(Nrec) : 0);
    NumPlanes = static_cast<unsigned int>(plane.size());
    NumSources = static_cast<unsigned int>(source.size());
    NumReceivers = static_cast<unsigned int>(receiver.size());
    AllocateAbsorption();
}

// ---- Planes ----------------------------------------------------------------------------------

void TRoomModel::ClearExternalMarks()
{
    // Stored planes are copies, which carry no external mark until the marking runs again.
    for (auto& p : plane)
        if (p) p->IsExternal = false;
}

void TRoomModel::CreatePlanes(TPlane** newplane, unsigned int NewNumPlanes)
{
    if (NewNumPlanes == 0 || !newplane) return;
    DeletePlanes();
    for (unsigned int i = 0; i < NewNumPlanes; ++i)
        if (newplane[i]) plane.push_back(std::make_unique<TPlane>(newplane[i]));
    NumPlanes = static_cast<unsigned int>(plane.size());
    ClearExternalMarks();
}

void TRoomModel::AddPlane(const TPlane* pl)
{
    if (!pl) return;
    plane.push_back(std::make_unique<TPlane>(pl));
    NumPlanes = static_cast<unsigned int>(plane.size());
    ClearExternalMarks();
}

void TRoomModel::DelPlane(int pIndex)
{
    if (!InRange(pIndex, plane.size())) return;
    plane.erase(plane.begin() + pIndex);
    NumPlanes = static_cast<unsigned int>(plane.size());
    ClearExternalMarks();
}

// ---- Sources ---------------------------------------------------------------------------------

void TRoomModel::RenumberSources()
{
    for (std::size_t i = 0; i < source.size(); ++i) {
        if (!source[i]) continue;
        source[i]->srcID = static_cast<int>(i);
        char name[32];
        std::snprintf(name, sizeof name, "src %.2d", static_cast<int>(i + 1));
        source[i]->Name = name;
    }
    NumSources = static_cast<unsigned int>(source.size());
}

void TRoomModel::CreateSources(TSource** newsource, unsigned int NewNumSources)
{
    if (NewNumSources == 0 || !newsource) return;
    DeleteSources();
    for (unsigned int i = 0; i < NewNumSources; ++i)
        if (newsource[i]) source.push_back(std::make_unique<TSource>(newsource[i]));
    RenumberSources();
}

void TRoomModel::AddSource(TSource* src)
{
    if (!src) return;
    if (src->LayerID < 0 || static_cast<unsigned int>(src->LayerID) >= NumSourceLayers) {
        char name[32];
        std::snprintf(name, sizeof name, "SRC_LAYER_%d", static_cast<int>(NumSourceLayers + 1));
        AddSourceLayer(name);
        // The layer of that name, also when one existed already.
        src->LayerID = FindSourceLayer(name);
    }
    source.push_back(std::make_unique<TSource>(src));
    RenumberSources();
}

void TRoomModel::AddSources(TSource** src, unsigned int NewNumSources)
{
    if (!src) return;
    for (unsigned int i = 0; i < NewNumSources; ++i)
        if (src[i]) source.push_back(std::make_unique<TSource>(src[i]));
    RenumberSources();
}

void TRoomModel::DelSource(int Sindex)
{
    if (!InRange(Sindex, source.size())) return;
    source.erase(source.begin() + Sindex);
    // Copies carry no number: the remaining sources are numbered again.
    RenumberSources();
}

// ---- Receivers -------------------------------------------------------------------------------

void TRoomModel::RenumberReceivers()
{
    for (std::size_t i = 0; i < receiver.size(); ++i) {
        if (!receiver[i]) continue;
        receiver[i]->recID = static_cast<int>(i);
        char name[32];
        std::snprintf(name, sizeof name, "rec %.2d", static_cast<int>(i + 1));
        receiver[i]->Name = name;
    }
    NumReceivers = static_cast<unsigned int>(receiver.size());
}

void TRoomModel::CreateReceivers(TReceiver** newreceiver, unsigned int NewNumReceivers)
{
    if (NewNumReceivers == 0 || !newreceiver) return;
    DeleteReceivers();
    for (unsigned int i = 0; i < NewNumReceivers; ++i)
        if (newreceiver[i]) receiver.push_back(std::make_unique<TReceiver>(newreceiver[i]));
    RenumberReceivers();
}

void TRoomModel::AddReceiver(const TReceiver* rec)
{
    if (!rec) return;
    receiver.push_back(std::make_unique<TReceiver>(rec));
    RenumberReceivers();
}

void TRoomModel::DelReceiver(int recIndex)
{
    if (!InRange(recIndex, receiver.size())) return;
    receiver.erase(receiver.begin() + recIndex);
    RenumberReceivers();
}

// ---- Plane layers ----------------------------------------------------------------------------

void TRoomModel::AddPlaneLayer(const TPlaneLayer& pLayer)
{
    if (FindPlaneLayer(pLayer.nome.c_str()) >= 0) {
        ErrorMessage("Layer %s already defined.", pLayer.nome.c_str());
        return;
    }
    planeLayer.push_back(pLayer);
    NumPlaneLayers = static_cast<unsigned int>(planeLayer.size());
}

int TRoomModel::DelPlaneLayer(int Lindex)
{
    if (!InRange(Lindex, planeLayer.size())) return 1;
    // The planes themselves say which layer they are on.
    int used = 0;
    for (const auto& p : plane)
        if (p && p->LayerID == Lindex) ++used;
    if (used != 0) {
        ErrorMessage("Layer %s cannot be removed because is associated to %d plane(s).",
                     planeLayer[Lindex].nome.c_str(), used);
        return 0;
    }
    planeLayer.erase(planeLayer.begin() + Lindex);
    NumPlaneLayers = static_cast<unsigned int>(planeLayer.size());
    for (auto& p : plane)
        if (p && p->LayerID > Lindex) --p->LayerID;
    return 1;
}

int TRoomModel::FindPlaneLayer(const char* name)
{
    const std::string wanted = Str(name);
    for (std::size_t i = 0; i < planeLayer.size(); ++i)
        if (planeLayer[i].nome == wanted) return static_cast<int>(i);
    return -1;
}

void TRoomModel::AssociatePlaneToLayer(int PlaneID, const char* layerName)
{
    if (!InRange(PlaneID, plane.size()) || !plane[PlaneID]) return;
    const int layer = FindPlaneLayer(layerName);
    if (layer >= 0) plane[PlaneID]->LayerID = layer;
}

void TRoomModel::AssociatePlaneToLayer(int PlaneID, int LayerID)
{
    if (!InRange(PlaneID, plane.size()) || !plane[PlaneID]) return;
    plane[PlaneID]->LayerID = LayerID;
}

// ---- Source layers ---------------------------------------------------------------------------

void TRoomModel::CreateSourceLayers(TSourceLayer** newlayer, unsigned int NumLayers)
{
    if (NumLayers == 0 || !newlayer) return;
    DeleteSourceLayers();
    for (unsigned int i = 0; i < NumLayers; ++i)
        if (newlayer[i]) sourceLayer.push_back(std::make_unique<TSourceLayer>(newlayer[i]));
    NumSourceLayers = static_cast<unsigned int>(sourceLayer.size());
}

void TRoomModel::AddSourceLayer(const TSourceLayer* srcLayer)
{
    if (!srcLayer || FindSourceLayer(srcLayer->GetLayerName()) >= 0) return;
    sourceLayer.push_back(std::make_unique<TSourceLayer>(srcLayer));
    NumSourceLayers = static_cast<unsigned int>(sourceLayer.size());
}

void TRoomModel::AddSourceLayer(const char* layername)
{
    if (FindSourceLayer(layername) >= 0) return;
    if (NumDirectivities == 0) AddDirectivity("OMNI");
    sourceLayer.push_back(std::make_unique<TSourceLayer>(Str(layername).c_str(), directivity[0].get(), NumBands));
    NumSourceLayers = static_cast<unsigned int>(sourceLayer.size());
}

bool TRoomModel::DelSourceLayer(int Lindex)
{
    if (!InRange(Lindex, sourceLayer.size())) return true;
    for (std::size_t i = 0; i < source.size(); ++i) {
        if (source[i] && source[i]->LayerID == Lindex) {
            ErrorMessage("Layer %s is in use by source %d", sourceLayer[Lindex]->GetLayerName(),
                         static_cast<int>(i + 1));
            return false;
        }
    }
    sourceLayer.erase(sourceLayer.begin() + Lindex);
    NumSourceLayers = static_cast<unsigned int>(sourceLayer.size());
    for (auto& s : source)
        if (s && s->LayerID > Lindex) --s->LayerID;
    return true;
}

int TRoomModel::FindSourceLayer(const char* name)
{
    const std::string wanted = Str(name);
    for (std::size_t i = 0; i < sourceLayer.size(); ++i)
        if (sourceLayer[i] && sourceLayer[i]->layername == wanted) return static_cast<int>(i);
    return -1;
}

void TRoomModel::PrintSourceLayers()
{
    std::printf("SOURCE LAYERS:\n");
    for (std::size_t i = 0; i < sourceLayer.size(); ++i) {
        const TSourceLayer& l = *sourceLayer[i];
        std::printf("[%d] - name = %s - pattern = %s - spectrum = ", static_cast<int>(i + 1), l.GetLayerName(),
                    l.GetDirPatternName());
        for (unsigned int b = 0; b < l.NumBands && b < l.spectrum.size(); ++b)
            std::printf("%1.2f ", 10.0 * std::log10(l.spectrum[b] + 1e-6));
        std::printf("\n");
    }
}

// ---- Receiver layers -------------------------------------------------------------------------

void TRoomModel::CreateReceiverLayers(TReceiverLayer** newlayer, unsigned int NumLayers)
{
    if (NumLayers == 0 || !newlayer) return;
    DeleteReceiverLayers();
    for (unsigned int i = 0; i < NumLayers; ++i)
        if (newlayer[i]) receiverLayer.push_back(std::make_unique<TReceiverLayer>(newlayer[i]));
    NumReceiverLayers = static_cast<unsigned int>(receiverLayer.size());
    // Every stored layer uses the room's own pattern of its name.
    for (auto& l : receiverLayer) {
        const std::string pattern = l->GetDirPatternName();
        if (pattern.empty()) continue;
        AddDirectivity(pattern.c_str());
        l->directivity = directivity[GetDirectivityID(pattern.c_str())].get();
    }
}

void TRoomModel::AddReceiverLayer(const TReceiverLayer* recLayer)
{
    if (!recLayer) return;
    if (FindReceiverLayer(recLayer->GetLayerName()) >= 0) {
        ErrorMessage("Layer %s already defined.", recLayer->GetLayerName());
        return;
    }
    receiverLayer.push_back(std::make_unique<TReceiverLayer>(recLayer));
    NumReceiverLayers = static_cast<unsigned int>(receiverLayer.size());
}

void TRoomModel::AddReceiverLayer(const char* layername)
{
    if (FindReceiverLayer(layername) >= 0) return;
    if (NumDirectivities == 0) AddDirectivity("OMNI");
    receiverLayer.push_back(std::make_unique<TReceiverLayer>(Str(layername).c_str(), directivity[0].get()));
    NumReceiverLayers = static_cast<unsigned int>(receiverLayer.size());
}

bool TRoomModel::DelReceiverLayer(int Lindex)
{
    if (!InRange(Lindex, receiverLayer.size())) return true;
    for (std::size_t i = 0; i < receiver.size(); ++i) {
        if (receiver[i] && receiver[i]->LayerID == Lindex) {
            ErrorMessage("Layer %s is in use by receiver %d", receiverLayer[Lindex]->GetLayerName(),
                         static_cast<int>(i + 1));
            return false;
        }
    }
    receiverLayer.erase(receiverLayer.begin() + Lindex);
    NumReceiverLayers = static_cast<unsigned int>(receiverLayer.size());
    for (auto& r : receiver)
        if (r && r->LayerID > Lindex) --r->LayerID;
    return true;
}

int TRoomModel::FindReceiverLayer(const char* name)
{
    const std::string wanted = Str(name);
    for (std::size_t i = 0; i < receiverLayer.size(); ++i)
        if (receiverLayer[i] && receiverLayer[i]->layername == wanted) return static_cast<int>(i);
    return -1;
}

void TRoomModel::PrintReceiverLayers()
{
    std::printf("RECEIVER LAYERS:\n");
    for (std::size_t i = 0; i < receiverLayer.size(); ++i) {
        std::printf("[%d] - name = %s - pattern = %s", static_cast<int>(i + 1), receiverLayer[i]->GetLayerName(),
                    receiverLayer[i]->GetDirPatternName());
        std::printf("\n");
    }
}

// ---- Materials -------------------------------------------------------------------------------

void TRoomModel::CreateMaterials(TMaterial** newmaterial, unsigned int NumMat)
{
    if (NumMat == 0 || !newmaterial) return;
    DeleteMaterials();
    for (unsigned int i = 0; i < NumMat; ++i)
        if (newmaterial[i]) material.push_back(std::make_unique<TMaterial>(newmaterial[i]));
    NumMaterials = static_cast<unsigned int>(material.size());
}

void TRoomModel::AddMaterial(const TMaterial* mat)
{
    if (!mat || GetMaterialID(mat->nome.c_str()) >= 0) return;
    material.push_back(std::make_unique<TMaterial>(mat));
    NumMaterials = static_cast<unsigned int>(material.size());
}

void TRoomModel::DelMaterial(int matIndex)
{
    if (!InRange(matIndex, material.size())) return;
    const std::string& name = material[matIndex]->nome;
    for (const auto& layer : planeLayer) {
        if (InRange(layer.MatID, material.size()) && material[layer.MatID]->nome == name) {
            ErrorMessage("Material \"%s\" cannot be removed because is associated with plane layer \"%s\".\n",
                         name.c_str(), layer.nome.c_str());
            return;
        }
    }
    material.erase(material.begin() + matIndex);
    NumMaterials = static_cast<unsigned int>(material.size());
    for (auto& layer : planeLayer)
        if (layer.MatID > matIndex) --layer.MatID;
}

int TRoomModel::GetMaterialID(const char* name)
{
    const std::string wanted = Str(name);
    for (std::size_t i = 0; i < material.size(); ++i)
        if (material[i] && material[i]->nome == wanted) return static_cast<int>(i);
    return -1;
}

void TRoomModel::AssociateMaterialToLayer(const char* matName, const char* layerName)
{
    const int layer = FindPlaneLayer(layerName);
    if (layer < 0) return;
    const int mat = GetMaterialID(matName);
    if (mat < 0) {
        ShowErrorAndThrowExit(1, "Error: Material '" + Str(matName) + "' associated to layer '" + Str(layerName) +
                                     "' was not found in the material list.");
    }
    planeLayer[layer].MatID = mat;
}

void TRoomModel::AssociateMaterialToLayer(int matID, int layerID)
{
    if (!InRange(matID, material.size()) || !InRange(layerID, planeLayer.size())) {
        ErrorMessage("Material association to layer out of range!!");
        return;
    }
    planeLayer[layerID].MatID = matID;
}

// ---- Directivity patterns --------------------------------------------------------------------

void TRoomModel::AddDirectivity(const char* NameID)
{
    const std::string name = Str(NameID);
    for (const auto& d : directivity)
        if (d && name == d->GetPatternName()) return;
    auto pattern = std::make_unique<TDirectivity>(name.c_str(), NumBands);
    // An unknown name becomes the built-in OMNI; keep a single OMNI.
    if (name != pattern->GetPatternName())
        for (const auto& d : directivity)
            if (d && std::string(pattern->GetPatternName()) == d->GetPatternName()) return;
    // Appended, never re-created: the pointers held by layers, sources and receivers stay valid.
    directivity.push_back(std::move(pattern));
    NumDirectivities = static_cast<unsigned int>(directivity.size());
}

int TRoomModel::GetDirectivityID(const char* NameID)
{
    const std::string name = Str(NameID);
    for (std::size_t i = 0; i < directivity.size(); ++i)
        if (directivity[i] && name == directivity[i]->GetPatternName()) return static_cast<int>(i);
    std::printf("Directivity pattern '%s' not found: using OMNI.\n", name.c_str());
    for (std::size_t i = 0; i < directivity.size(); ++i)
        if (directivity[i] && std::string("OMNI") == directivity[i]->GetPatternName()) return static_cast<int>(i);
    AddDirectivity("OMNI");
    return static_cast<int>(directivity.size()) - 1;
}

void TRoomModel::PrintDirectivities()
{
    for (const auto& d : directivity)
        if (d) d->PrintDirectivity();
}
