#include "room/TRoomModel.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <system_error>

#include "dsp/acoustics.h"
#include "geometry/ErrorHandler.h"
#include "geometry/FileLayer.h"
#include "geometry/util.h"

namespace {

// printf("%1.<decimals>f") in the "C" locale, whatever the process locale is.
std::string FixedText(double value, int decimals)
{
    char buf[512];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    return res.ec == std::errc() ? std::string(buf, res.ptr) : std::string("0");
}

// Truncation toward zero that stays defined for any value a file may hold.
int TruncToInt(float v)
{
    if (std::isnan(v)) return 0;
    if (v >= static_cast<float>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    if (v <= static_cast<float>(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
    return static_cast<int>(v);
}

// The number at the start of a value token, in the "C" locale; false when it is not a finite
// number.
bool ParseValue(const std::string& token, double& value)
{
    const char* b = token.c_str();
    const char* e = b + token.size();
    if (*b == '+' && b + 1 < e && b[1] != '-') ++b;
    double v = 0.0;
    auto res = std::from_chars(b, e, v);
    if (res.ec != std::errc() || !std::isfinite(v)) return false;
    value = v;
    return true;
}

// A setting outside what the physics allows: the message, an empty room and status 1.
[[noreturn]] void RefuseSetting(TRoomModel& room, const std::string& msg)
{
    room.LiberaMemoria();
    ShowErrorAndThrowExit(1, msg);
}

}  // namespace

// ---- Construction ----------------------------------------------------------------------------

TRoomModel::TRoomModel()
{
    InitDefaults();
    AllocateAbsorption();
}

void TRoomModel::InitDefaults()
{
    Rho = 1.2041f;
    NumRays = 0;
    NumPlanes = NumSources = NumLinearSources = NumReceivers = 0;
    NumPlaneLayers = NumSourceLayers = NumReceiverLayers = NumMaterials = NumDirectivities = 0;
    linsrc = nullptr;
    NumBands = 9;
    FSample = 44100.0f;
    MaxLength = 44100;
    // Not set by the construction rules; given the values a project without settings gets.
    StopDecay = -60.0f;
    VSound = 343.0f;
    Temperature = 25.0;
    Humidity = 40.0;
    Pressure = 1.0;
    ResultsCreated = AverageAbsorptionCreated = false;
    AirAbsorptionFlag = 0;
    AuralizationFlag = false;
    ArtificialTailFlag = false;
    ModalFlag = false;
    HitFilesFlag = PressureFilesFlag = SaveLateRaysFlag = SaveDiffuseRaysFlag = DiffuseProcessing = 0;
    SaveLostRays = 1;
    MaxRayTracReflections = -1;
    ClusterOrderGlobal = 0;
    ForceVolumeFlag = 0;
    Volume = Area = 0.0;
    CriticalDistance = 0.0f;
    MeanFreePath = 0.0f;
    Center = TPoint3D(0.0, 0.0, 0.0);
    FLAG_SimulateModes = FLAG_SimulateTwoSteps = false;
    ProjectName = "Untitled.txt";
    ProjectFolder = ".";
}

TRoomModel::~TRoomModel()
{
    // The listing of every room. The results and the lost rays are TRoom's: it has freed them
    // (after stopping its run) before this runs, so their steps have nothing left to free.
    std::printf("absorption ...");
    DeleteAbsorption();
    std::printf("done.\n");
    std::printf("results ...");
    std::printf("done.\n");
    std::printf("receivers ...");
    DeleteReceivers();
    std::printf("done.\n");
    std::printf("sources ...");
    DeleteSources();
    std::printf("done.\n");
    std::printf("directivities ...");
    DeleteDirectivities();
    std::printf("done.\n");
    std::printf("planes ...");
    DeletePlanes();
    std::printf("done.\n");
    std::printf("planelayers ...");
    DeletePlaneLayers();
    std::printf("done.\n");
    std::printf("sourcelayers ...");
    DeleteSourceLayers();
    DeleteReceiverLayers();
    std::printf("done.\n");
    std::printf("materials ...");
    DeleteMaterials();
    std::printf("done.\n");
    std::printf("lost rays ...");
    std::printf("done.\n");
    ResultsCreated = false;
}

void TRoomModel::AllocateAbsorption()
{
    if (AverageAbsorptionCreated) DeleteAbsorption();
    AverageAbsorption.assign(4, std::vector<float>(NumBands, 0.0f));
    T60.assign(4, std::vector<float>(NumBands, 0.0f));
    AirAbs.assign(NumBands, 0.0);
    RoomConstant.assign(NumBands, 0.0f);
    AverageAbsorptionCreated = true;
}

void TRoomModel::DeleteAbsorption()
{
    if (!AverageAbsorptionCreated) return;
    AverageAbsorption.clear();
    T60.clear();
    AirAbs.clear();
    RoomConstant.clear();
    AverageAbsorptionCreated = false;
}

// ---- Emptying the collections ----------------------------------------------------------------

void TRoomModel::DeletePlanes()
{
    plane.clear();
    NumPlanes = 0;
}

void TRoomModel::DeleteSources()
{
    source.clear();
    NumSources = 0;
}

void TRoomModel::DeleteReceivers()
{
    receiver.clear();
    NumReceivers = 0;
}

void TRoomModel::DeletePlaneLayers()
{
    planeLayer.clear();
    NumPlaneLayers = 0;
}

void TRoomModel::DeleteSourceLayers()
{
    sourceLayer.clear();
    NumSourceLayers = 0;
}

void TRoomModel::DeleteReceiverLayers()
{
    receiverLayer.clear();
    NumReceiverLayers = 0;
}

void TRoomModel::DeleteMaterials()
{
    material.clear();
    NumMaterials = 0;
}

void TRoomModel::DeleteDirectivities()
{
    directivity.clear();
    NumDirectivities = 0;
}

void TRoomModel::LiberaMemoria()
{
    DeleteMaterials();
    DeleteSourceLayers();
    DeletePlaneLayers();
    DeletePlanes();
    DeleteSources();
    DeleteReceivers();
}

// ---- Paths -----------------------------------------------------------------------------------

void TRoomModel::PathSetup(const char* ConfigFile)
{
    const std::string config = ConfigFile ? ConfigFile : "";
    std::error_code ec;
    SoftwareFolder = std::filesystem::current_path(ec).string();
    AcousticDataFolder = SoftwareFolder;

    const std::size_t sep = config.find_last_of("/\\");
    if (sep == std::string::npos) {
        ProjectFolder = SoftwareFolder;
        ProjectName = config;
    } else {
        // A file in the root keeps the root as its folder.
        ProjectFolder = sep == 0 ? config.substr(0, 1) : config.substr(0, sep);
        ProjectName = config.substr(sep + 1);
    }

    std::printf("===========================================\n");
    std::printf("Software Path: %s\n", SoftwareFolder.c_str());
    std::printf("AcousticData Path: %s\n", AcousticDataFolder.c_str());
    std::printf("Project Path: %s\n", ProjectFolder.c_str());
    std::printf("Project Name: %s\n", ProjectName.c_str());
    std::printf("===========================================\n");
}

void TRoomModel::SetProjectFolder(const char* Folder)
{
    ProjectFolder = Folder ? Folder : "";
}

void TRoomModel::SetProjectName(const char* name)
{
    ProjectName = name ? name : "";
}

std::string TRoomModel::ProjectFile(const std::string& FileName) const
{
    if (ProjectFolder.empty()) return FileName;
    const char last = ProjectFolder.back();
    if (last == '/' || last == '\\') return ProjectFolder + FileName;
    return ProjectFolder + "/" + FileName;
}

// ---- Section and key lookup ------------------------------------------------------------------

int TRoomModel::Busca(FILE* fid, const char* texto)
{
    return utilBusca(fid, texto);
}

float TRoomModel::getDataTag(const char* VarName, const char* section, FILE* fid)
{
    const std::string key = VarName ? VarName : "";
    const std::string name = section ? section : "";
    const std::string openTag = "<" + name + ">";
    const std::string closeTag = "</" + name + ">";

    if (fid) std::rewind(fid);
    if (!fid || !Busca(fid, openTag.c_str())) {
        std::printf("Section %s not found on config file.\n", name.c_str());
        return -1.0f;
    }

    std::string line;
    bool found = false;
    double value = 0.0;
    while (utilReadLine(fid, line)) {
        if (line.find(key) != std::string::npos && line[0] != '#') {
            // A key line without '=' or without a number after it counts as missing.
            const std::size_t eq = line.find('=');
            if (eq != std::string::npos) {
                const std::size_t b = line.find_first_not_of(' ', eq + 1);
                if (b != std::string::npos && line[b] != '\n') {
                    const std::size_t e = line.find_first_of(" \n", b);
                    found = ParseValue(line.substr(b, e == std::string::npos ? std::string::npos : e - b), value);
                }
            }
            break;
        }
        if (line.find(closeTag) != std::string::npos) break;
    }
    // A value beyond single precision is no setting either.
    if (found && !std::isfinite(static_cast<float>(value))) found = false;
    if (!found) {
        std::printf("Tag %s not found on section %s.\n", key.c_str(), name.c_str());
        return -1.0f;
    }
    return static_cast<float>(value);
}

// ---- Settings --------------------------------------------------------------------------------

void TRoomModel::EnviromentSetupTXT(const char* FileName)
{
    FILE* fid = FileName ? std::fopen(FileName, "r") : nullptr;
    if (!fid) {
        const std::string name = FileName ? FileName : "(null)";
        LiberaMemoria();
        ShowErrorAndThrowExit(1, "Cannot open " + name + " for reading\n");
    }

    NumBands = 9;
    std::printf("===============  ENVIRONMENT SETUP =====================\n");

    float v = getDataTag("TEMPERATURE", "ENVIRONMENT", fid);
    if (v == -1.0f) {
        std::printf("Setting TEMPERATURE = 20 (default)\n");
        Temperature = 20.0;
    } else {
        Temperature = v;
    }

    v = getDataTag("PRESSURE", "ENVIRONMENT", fid);
    if (v == -1.0f) {
        std::printf("Setting PRESSURE = 1.0 (default)\n");
        Pressure = 1.0;
    } else {
        Pressure = v;
    }

    v = getDataTag("HUMIDITY", "ENVIRONMENT", fid);
    if (v == -1.0f) {
        std::printf("Setting HUMIDITY = 40 (default)\n");
        Humidity = 40.0;
    } else {
        Humidity = v;
    }

    v = getDataTag("STOP_DECAY", "SIMULATION", fid);
    if (v == -1.0f) {
        std::printf("Setting STOP_DECAY = -60 (default)\n");
        StopDecay = -60.0f;
    } else {
        StopDecay = v;
    }

    // A rate or a length that is not positive would make an empty or undefined response.
    v = getDataTag("SAMPLE_RATE", "SIMULATION", fid);
    if (v <= 0.0f) {
        std::printf("Setting SAMPLE_RATE = 44100 (default)\n");
        FSample = 44100.0f;
    } else {
        FSample = v;
    }

    v = getDataTag("MAX_TIME", "SIMULATION", fid);
    if (v <= 0.0f) {
        std::printf("Setting MAX_TIME = 2.0 (default)\n");
        SetMaxTime(2.0f);
    } else {
        // A length beyond the sample counter was cut to it without a word.
        // (A second to spare, so that the length as saved, rounded, reads back.)
        if (static_cast<double>(v) * FSample >=
            static_cast<double>(std::numeric_limits<unsigned int>::max()) - FSample) {
            std::fclose(fid);
            RefuseSetting(*this, utilFormat("MAX_TIME = %g s at %1.0f Hz is longer than a response can be.\n",
                                            static_cast<double>(v), static_cast<double>(FSample)));
        }
        SetMaxTime(v);
    }

    v = getDataTag("MAX_RAYTRAC_REF", "SIMULATION", fid);
    MaxRayTracReflections = TruncToInt(v);
    if (MaxRayTracReflections == -1) std::printf("Setting MAX_RAYTRAC_REF = -1 (default)\n");

    v = getDataTag("ARTIFICIAL_TAIL", "SIMULATION", fid);
    if (v == -1.0f) {
        std::printf("Setting ARTIFICIAL_TAIL = 0 (default=OFF)\n");
        ArtificialTailFlag = false;
    } else {
        ArtificialTailFlag = v != 0.0f;
        std::printf("ARTIFICIAL_TAIL = %d\n", TruncToInt(v));
    }

    v = getDataTag("CLUSTER_ORDER", "SIMULATION", fid);
    if (v < 0.0f) {
        std::printf("CLUSTER_ORDER not defined!\nAutomatic value will be set during simulation.");
        ClusterOrderGlobal = -1;
    } else {
        ClusterOrderGlobal = TruncToInt(v);
    }

    v = getDataTag("MODAL_SIM", "SIMULATION", fid);
    if (v < 0.0f) {
        std::printf("MODAL_SIM not Defined!\nSetting MODAL_SIM = 0 (Default).\n");
        ModalFlag = false;
    } else {
        ModalFlag = v != 0.0f;
        std::printf("MODAL_SIM = %d\n", ModalFlag ? 1 : 0);
    }

    AirAbsorptionFlag = 1;

    v = getDataTag("HIT_FILES", "SIMULATION", fid);
    if (v < 0.0f) {
        std::printf(
            "HIT_FILES not Defined!\n HIT Files will NOT be created. To create set HIT_FILES = 1 on config file.\n");
        HitFilesFlag = 0;
    } else {
        HitFilesFlag = static_cast<unsigned int>(TruncToInt(v));
    }

    v = getDataTag("SAVE_LATE_RAYS", "SIMULATION", fid);
    if (v < 0.0f) {
        std::printf("SAVE_LATE_RAYS not Defined!\n Late rays will NOT be stored. To store set SAVE_LATE_RAYS = 1 on "
                    "config file.\n");
        SaveLateRaysFlag = 0;
    } else {
        SaveLateRaysFlag = static_cast<unsigned int>(TruncToInt(v));
        std::printf("SAVE_LATE_RAYS = %d\n", TruncToInt(v));
    }

    v = getDataTag("SAVE_DIFFUSE_RAYS", "SIMULATION", fid);
    if (v < 0.0f) {
        std::printf("SAVE_DIFFUSE_RAYS not Defined!\n Diffuse rays will NOT be stored. To store set SAVE_DIFFUSE_RAYS "
                    "= 1 on config file.\n");
        SaveDiffuseRaysFlag = 0;
    } else {
        SaveDiffuseRaysFlag = static_cast<unsigned int>(TruncToInt(v));
    }

    v = getDataTag("SAVE_LOST_RAYS", "SIMULATION", fid);
    if (v < 0.0f) {
        std::printf("SAVE_LOST_RAYS not Defined!\n Lost rays will be stored. To NOT store set SAVE_LOST_RAYS = 0 on "
                    "config file.\n");
        SaveLostRays = 1;
    } else {
        SaveLostRays = static_cast<unsigned int>(TruncToInt(v));
    }

    v = getDataTag("AURALIZATION", "SIMULATION", fid);
    if (v < 0.0f) {
        std::printf("AURALIZATION flag not Defined!\n Please include AURALIZATION = 1 on config file.\n");
        std::printf("Setting AURALIZATION On (default)\n");
        AuralizationFlag = true;
    } else {
        AuralizationFlag = v != 0.0f;
    }

    v = getDataTag("SET_VOLUME", "SIMULATION", fid);
    if (v <= 0.0f) {
        std::printf("SET_VOLUME flag not defined.\n");
        std::printf("Volume calculation performed from room geometry (default).\n");
        ForceVolumeFlag = 0;
    } else {
        std::printf("SET_VOLUME flag was defined!\n");
        std::printf("Volume calculation will be overridden.\n");
        ForceVolumeFlag = 1;
        Volume = v;
    }

    v = getDataTag("DIFFUSE_PROCESSING", "SIMULATION", fid);
    if (v < 0.0f) {
        std::printf("DIFFUSE_PROCESSING not Defined!\n NO Scattering will be performed. To use Scattering, set "
                    "DIFFUSE_PROCESSING = 1 on config file.\n");
        DiffuseProcessing = 0;
    } else {
        DiffuseProcessing = static_cast<unsigned int>(TruncToInt(v));
        std::printf(DiffuseProcessing != 0 ? "Diffuse Processing is ON\n" : "Diffuse Processing is OFF\n");
    }

    std::fclose(fid);
    fid = nullptr;
    // At or below absolute zero there is no sound (the linear speed of sound turns negative at
    // -552.33 C, and the run hung or wrote nan).
    if (!(static_cast<float>(Temperature) > -273.15f))
        RefuseSetting(*this,
                      utilFormat("TEMPERATURE = %g C lies at or below absolute zero (-273.15 C).\n", Temperature));
    // No air, no sound: a pressure that saves as 0.00 would not read back either.
    if (!(static_cast<float>(Pressure) >= 0.01f))
        RefuseSetting(*this, utilFormat("PRESSURE = %g atm lies below 0.01 atm.\n", Pressure));
    if (!(Humidity >= 0.0 && Humidity <= 100.0))
        RefuseSetting(*this, utilFormat("HUMIDITY = %g %% lies outside 0 ... 100.\n", Humidity));

    NumRays = 0;
    DeriveAirFromEnvironment();
    for (unsigned int b = 0; b < NumBands; ++b)
        if (!(std::isfinite(AirAbs[b]) && AirAbs[b] >= 0.0))
            RefuseSetting(*this, utilFormat("TEMPERATURE = %g C, PRESSURE = %g atm and HUMIDITY = %g %% give no "
                                            "air absorption.\n",
                                            Temperature, Pressure, Humidity));
    // The length in seconds and back: rounded, so that the round trip cannot lose a sample.
    MaxLength = static_cast<unsigned int>(std::lround(static_cast<double>(GetMaxTime()) * FSample));

    std::printf("========================================================\n");
}

bool TRoomModel::EnvironmentInRange(double temperatureC, double pressureAtm, double humidityPercent)
{
    // The bounds the reader refuses below.
    return static_cast<float>(temperatureC) > -273.15f && static_cast<float>(pressureAtm) >= 0.01f &&
           humidityPercent >= 0.0 && humidityPercent <= 100.0;
}

void TRoomModel::DeriveAirFromEnvironment()
{
    VSound = static_cast<float>(331.4 + 0.6 * Temperature);
    if (AirAbs.size() < NumBands) AirAbs.assign(NumBands, 0.0);
    CalculateAirAbsCoefs(static_cast<float>(Temperature + 273.15), static_cast<float>(Pressure),
                         static_cast<float>(Humidity), NumBands, AirAbs.data());
}

void TRoomModel::SaveSetup(const char* FileName)
{
    FILE* fid = utilOpenFile(FileName, "at");
    if (!fid) return;
    std::string text;
    text += "<ENVIRONMENT>\n";
    text += "TEMPERATURE = " + FixedText(Temperature, 1) + "\n";
    text += "PRESSURE = " + FixedText(Pressure, 2) + "\n";
    text += "HUMIDITY = " + FixedText(Humidity, 1) + "\n";
    text += "</ENVIRONMENT>\n";
    text += "\n";
    text += "<SIMULATION>\n";
    text += "MAX_TIME = " + FixedText(GetMaxTime(), 2) + "\n";
    text += "STOP_DECAY = " + FixedText(StopDecay, 0) + "\n";
    text += "SAMPLE_RATE = " + FixedText(FSample, 0) + "\n";
    text += "MAX_RAYTRAC_REF = " + std::to_string(MaxRayTracReflections) + "\n";
    text += "SAVE_LATE_RAYS = " + std::to_string(static_cast<int>(SaveLateRaysFlag)) + "\n";
    text += "DIFFUSE_PROCESSING = " + std::to_string(static_cast<int>(DiffuseProcessing)) + "\n";
    text += "SAVE_DIFFUSE_RAYS = " + std::to_string(static_cast<int>(SaveDiffuseRaysFlag)) + "\n";
    text += "ARTIFICIAL_TAIL = " + std::to_string(ArtificialTailFlag ? 1 : 0) + "\n";
    text += "AURALIZATION = " + std::to_string(AuralizationFlag ? 1 : 0) + "\n";
    text += "</SIMULATION>\n";
    text += "\n";
    std::fputs(text.c_str(), fid);
    std::fclose(fid);
}

namespace {

const char* const kDefaultSetup = "\n"
                                  "<ENVIRONMENT>\n"
                                  "TEMPERATURE = 20.0\n"
                                  "PRESSURE = 1.0\n"
                                  "HUMIDITY = 40\n"
                                  "</ENVIRONMENT>\n"
                                  "\n"
                                  "<SIMULATION>\n"
                                  "MAX_TIME = 2.0\n"
                                  "STOP_DECAY = -60\n"
                                  "MAX_RAYTRAC_REF = -1\n"
                                  "SAVE_LATE_RAYS = 0\n"
                                  "DIFFUSE_PROCESSING = 0\n"
                                  "SAVE_DIFFUSE_RAYS = 0\n"
                                  "AURALIZATION = 0\n"
                                  "ARTIFICIAL_TAIL = 0\n"
                                  "</SIMULATION>\n"
                                  "\n";

const char* const kDefaultMaterials = "Material section:\n"
                                      "MaterialName absorption[62-16k] Global_scattering[full_band]\n"
                                      "<MATERIALS>\n"
                                      "DEFAULT_MAT 0.50 0.55 0.60 0.65 0.70 0.75 0.80 0.82 0.85 0.05\n"
                                      "</MATERIALS>\n"
                                      "\n";

}  // namespace

void TRoomModel::WriteDefaultSetup(const char* FileName)
{
    FILE* fid = utilOpenFile(FileName, "at");
    if (!fid) return;
    std::fputs(kDefaultSetup, fid);
    std::fclose(fid);
}

void TRoomModel::WriteDefaultSections(const char* FileName)
{
    CheckedFile f;  // a failure is reported, or kept by the result set the file belongs to
    if (!f.Open(FileName, "at")) return;
    f.Write(kDefaultSetup);
    f.Write(kDefaultMaterials);
    f.Close();
}

// ---- Response length and ray count -----------------------------------------------------------

float TRoomModel::GetMaxTime()
{
    return static_cast<float>(MaxLength) / FSample;
}

float TRoomModel::SetMaxTime(float MaxTime)
{
    const float samples = FSample * MaxTime;
    unsigned int length = 0;
    if (samples >= static_cast<float>(std::numeric_limits<unsigned int>::max()))
        length = std::numeric_limits<unsigned int>::max();
    else if (samples > 0.0f)
        length = static_cast<unsigned int>(samples);
    if (ResultsCreated && length > MaxLength) {
        ErrorMessage("Increasing Impulse Response Length Not Possible YET!!");
        return -1.0f;
    }
    MaxLength = length;
    return GetMaxTime();
}

unsigned int TRoomModel::SetNumRays(unsigned int N)
{
    NumRays = N;
    return NumRays;
}

unsigned int TRoomModel::GetNumRays()
{
    if (NumRays == 0) NumRays = 20000;
    return NumRays;
}
