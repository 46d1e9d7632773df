#include "room/TSource.h"

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "directivity/TDirectivity.h"
#include "dsp/WavFile.h"
#include "dsp/acoustics.h"
#include "geometry/util.h"

namespace {

// "NONE", any part of it, or nothing at all: no sound file.
bool MeansNoSoundFile(const char* sndFile)
{
    return !sndFile || std::string("NONE").find(sndFile) != std::string::npos;
}

bool IsRegularFile(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec) && utilFileExist(path);
}

std::string JoinSoundPath(const std::string& folder, const std::string& name)
{
    const std::filesystem::path file(name);
    if (folder.empty() || file.is_absolute()) return name;
    return (std::filesystem::path(folder) / file).string();
}

}  // namespace

TSource::TSource(TPoint3D loc, float Power, int layerID, unsigned int NRays, double Elev, double Azim,
                 unsigned int NBands, const char* sndFile, const std::string& soundFolder)
    : Position(loc), SoundFolder(soundFolder)
{
    if (NRays <= 11) {
        std::printf("Adjusting number of rays to minimum value: %d.\n", 12);
        NRays = 12;
    }
    SetNumRays(NRays);
    NumBands = NBands;
    LayerID = layerID;
    AzimRotation = static_cast<float>(Azim);
    ElevRotation = static_cast<float>(Elev);
    power = Power;
    SoundFile = "NONE";

    if (MeansNoSoundFile(sndFile)) return;
    // The name stays as written, also when the file cannot be used, so that saving the
    // project keeps it; only SoundFileFlag says whether it is auralized.
    SoundFile = sndFile;
    const std::string path = GetSoundFilePath();
    if (!IsRegularFile(path)) {
        ErrorMessage("Soundfile %s NOT FOUND!\nNo auralization will be performed for this source.", path.c_str());
        return;
    }
    if (WavIsCompatible(path.c_str()))
        SoundFileFlag = true;
    else
        ErrorMessage("Soundfile not compatible. No signal output!");
}

TSource::TSource(const TSource* src)
    : power(src->power), NumBands(src->NumBands), LayerID(src->LayerID), Position(src->Position),
      ElevRotation(src->ElevRotation), AzimRotation(src->AzimRotation), SoundFile(src->SoundFile),
      SoundFolder(src->SoundFolder), SoundFileFlag(src->SoundFileFlag), NumberOfRays(src->NumberOfRays),
      directivity(src->directivity)
{}

void TSource::PrintSource() const
{
    std::printf("Pos = (%1.2f,%1.2f,%1.2f) - LayerID = %d - NRaios = %d - Power = %1.2f e-6 - "
                "SPL_1m = %1.2f - Elev. = %1.2f - Azim. = %1.2f\n",
                Position.x, Position.y, Position.z, LayerID, static_cast<int>(NumberOfRays), power * 1e6, GetSPL(),
                ElevRotation, AzimRotation);
    std::printf("Directivity = %s\n", directivity ? directivity->GetPatternName() : "NONE");
    if (SoundFileFlag)
        std::printf("SoundFileFlag = %d FileName: %s\n", 1, SoundFile.c_str());
    else
        std::printf("SoundFileFlag = %d FileName: NONE\n", 0);
}

TVector TSource::GetRelativeDirection(TVector v) const
{
    return TVector(v * vx, v * vy, v * vz);
}

float TSource::GetSPL() const
{
    return Power2SPL(power);
}

unsigned int TSource::SetNumRays(unsigned int NRays)
{
    // Fewer than 12 rays cannot form the grid: 12 is the smallest count.
    if (NRays < 12) NRays = 12;
    const unsigned int q = (NRays - 2) / 10;
    const unsigned int k = static_cast<unsigned int>(std::floor(std::sqrt(static_cast<double>(q)) + 0.5));
    NumberOfRays = 10 * k * k + 2;
    return NumberOfRays;
}

bool TSource::SetSoundFile(const char* sndFile)
{
    if (MeansNoSoundFile(sndFile)) {
        SoundFileFlag = false;
        SoundFile = "NONE";
        return true;
    }
    const std::string path = JoinSoundPath(SoundFolder, sndFile);
    if (!IsRegularFile(path)) {
        ErrorMessage("Soundfile %s NOT FOUND!\n", path.c_str());
        return false;
    }
    if (!WavIsCompatible(path.c_str())) {
        ErrorMessage("Soundfile not compatible!\n");
        return false;
    }
    SoundFileFlag = true;
    SoundFile = sndFile;
    return true;
}

std::string TSource::GetSoundFilePath() const
{
    return JoinSoundPath(SoundFolder, SoundFile);
}
