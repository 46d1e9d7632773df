// TRoom: the list of lost rays read back from "LostRays.txt" for the views.

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "geometry/util.h"
#include "simulation/LostRayFile.h"
#include "simulation/Raio_st.h"
#include "simulation/TRoom.h"
#include "simulation/TextFields.h"

void TRoom::LoadLostRaysTxt()
{
    DeleteLostRays();
    const std::string name = ProjectFile("LostRays.txt");
    std::FILE* f = std::fopen(name.c_str(), "r");
    if (!f) {
        ErrorMessage("\nFile with lost rays cannot be opened (%s)!\n", name.c_str());
        return;
    }
    MaxLostRaysRef = 0;
    std::vector<RoomPtr<Raio_st>> list;
    unsigned maxRef = 0;
    std::string line;
    unsigned lineNumber = 0;
    while (ReadTextLine(f, line)) {
        ++lineNumber;
        if (line.find_first_not_of(" \t") == std::string::npos) continue;
        auto ray = std::make_unique<Raio_st>();
        int source = 0;
        if (!ParseLostRayLine(line, *ray, source)) {
            ErrorMessage("\nFile with lost rays has a malformed line %u (%s)!\n", lineNumber, name.c_str());
            break;
        }
        ray->v = Normal(ray->v);
        if (ray->reflections > maxRef) maxRef = ray->reflections;
        list.push_back(std::move(ray));
    }
    std::fclose(f);
    lostRays = std::move(list);
    NumLostRays = static_cast<unsigned>(lostRays.size());
    LostRaysCreated = true;
    MaxLostRaysRef = static_cast<int>(maxRef);
}

void TRoom::CreateLostRays(unsigned int NLost)
{
    DeleteLostRays();
    lostRays.reserve(NLost);
    for (unsigned i = 0; i < NLost; ++i) lostRays.push_back(std::make_unique<Raio_st>());
    NumLostRays = NLost;
    LostRaysCreated = true;
}

void TRoom::DeleteLostRays()
{
    lostRays.clear();
    lostRays.shrink_to_fit();
    NumLostRays = 0;
    LostRaysCreated = false;
}

void TRoom::WriteLostRays(const char* /*FileName*/) {}

void TRoom::AddLostRay(const Raio_st& /*ray*/) {}
