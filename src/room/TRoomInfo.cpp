// TRoomModel: the information report, on standard output or as a text file.

#include <cmath>
#include <cstdio>
#include <ctime>

#include "geometry/util.h"
#include "room/TMaterial.h"
#include "room/TReceiver.h"
#include "room/TRoomModel.h"
#include "room/TSource.h"
#include "room/TSourceLayer.h"

namespace {

const char* OnOff(bool on)
{
    return on ? "ON" : "OFF";
}

const char* MaterialName(const TRoomModel& room, const TPlaneLayer& layer)
{
    if (layer.MatID < 0 || static_cast<unsigned>(layer.MatID) >= room.material.size()) return nullptr;
    const TMaterial* m = room.material[static_cast<std::size_t>(layer.MatID)].get();
    return m ? m->nome.c_str() : nullptr;
}

// The lines both reports share, from the environment section to the plane layers; `full`
// adds what only the screen report shows.
void WriteSettings(TRoomModel& room, std::FILE* f, bool full)
{
    std::fprintf(f, "\nENVIRONMENT SECTION:\n");
    std::fprintf(f, "Sound Speed = %1.2f\n", room.VSound);
    std::fprintf(f, "Temperature = %1.2f\n", room.Temperature);
    std::fprintf(f, "Pressure    = %1.2f\n", room.Pressure);
    std::fprintf(f, "Humidity    = %1.2f\n", room.Humidity);
    std::fprintf(f, "\nSIMULATION SECTION:\n");
    std::fprintf(f, "Stop Decay  = %1.2f\n", room.StopDecay);
    std::fprintf(f, "Freq.Sample = %1.2f\n", room.FSample);
    std::fprintf(f, "Max. Time   = %1.2f\n", room.GetMaxTime());
    if (full) std::fprintf(f, "Number of Bands = %d\n", static_cast<int>(room.NumBands));
    std::fprintf(f, "Air Absorption = %s\n", OnOff(room.AirAbsorptionFlag != 0));
    std::fprintf(f, "Auralization = %s\n", OnOff(room.AuralizationFlag));
    std::fprintf(f, "Artificial Tail = %s\n", OnOff(room.ArtificialTailFlag));
    std::fprintf(f, "Max Raytracing Reflections = %d (Not Limited = -1)\n", room.MaxRayTracReflections);
    if (full)
        std::fprintf(f, "Cluster order = %d (-1 = AUTOMATIC CLUSTERING)\n", room.ClusterOrderGlobal);
    else
        std::fprintf(f, "Cluster order = %d\n", room.ClusterOrderGlobal);
    if (full) {
        std::fprintf(f, "\nSOURCE LAYERS: %d\n", static_cast<int>(room.NumSourceLayers));
        for (unsigned i = 0; i < room.NumSourceLayers && i < room.sourceLayer.size(); ++i)
            std::fprintf(f, "[%.2d] - %s\n", static_cast<int>(i + 1), room.sourceLayer[i]->layername.c_str());
        std::fprintf(f, "\nSOURCE(S): %d\n", static_cast<int>(room.NumSources));
        for (unsigned i = 0; i < room.NumSources && i < room.source.size(); ++i) room.source[i]->PrintSource();
        std::fprintf(f, "\nRECEIVER(S): %d\n", static_cast<int>(room.NumReceivers));
        for (unsigned i = 0; i < room.NumReceivers && i < room.receiver.size(); ++i) room.receiver[i]->PrintReceiver();
    }
    std::fprintf(f, "\nMATERIALS SECTION:\n");
    std::fprintf(f, "Number of Materials = %d\n", static_cast<int>(room.NumMaterials));
    for (unsigned i = 0; i < room.NumMaterials && i < room.material.size(); ++i)
        std::fprintf(f, "[%.2d] - %s\n", static_cast<int>(i + 1), room.material[i]->nome.c_str());
    std::fprintf(f, "\nPLANE-LAYER SECTION:\n");
    std::fprintf(f, "Number of Plane Layers = %d\n", static_cast<int>(room.NumPlaneLayers));
    for (unsigned i = 0; i < room.NumPlaneLayers && i < room.planeLayer.size(); ++i) {
        const TPlaneLayer& layer = room.planeLayer[i];
        if (const char* mat = MaterialName(room, layer))
            std::fprintf(f, "[%.2d] - %s \t<-> %s\n", static_cast<int>(i + 1), layer.nome.c_str(), mat);
        else
            std::fprintf(f, "[%.2d] - %s \t<-> No Material associated\n", static_cast<int>(i + 1), layer.nome.c_str());
    }
    std::fprintf(f, "\nGEOMETRY INFO:\n");
}

}  // namespace

void TRoomModel::ShowInfo(float meanFreePath)
{
    WriteSettings(*this, stdout, true);
    std::printf("Volume = %1.2f m3 (depends on the surface orientation)\n", Volume);
    std::printf("Area   = %1.2f m2 (check if there are no overlapping areas)\n", Area);
    std::printf("Volume estimated from Mean Free Path = %1.2f m3\n", meanFreePath * Area / 4);
}

void TRoomModel::SaveInfo(const char* filename)
{
    std::FILE* f = utilOpenFile(filename, "wt");
    if (!f) return;
    std::fprintf(f, "SIMULATION INFO:\n");
    const std::time_t now = std::time(nullptr);
    std::fprintf(f, "DATE/TIME: %s\n\n", std::ctime(&now));
    WriteSettings(*this, f, false);
    std::fprintf(f, "Volume = %1.2f m3\n", Volume);
    std::fprintf(f, "Area   = %1.2f m2\n", Area);
    std::fclose(f);
}
