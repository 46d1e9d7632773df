#include "simulation/RunChecks.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dsp/IIRCoefficients.h"
#include "geometry/ErrorHandler.h"
#include "geometry/HeldOutput.h"
#include "geometry/TPlane.h"
#include "geometry/TVector.h"
#include "geometry/util.h"
#include "room/TReceiver.h"
#include "room/TSource.h"
#include "simulation/OrderedSteps.h"
#include "simulation/TRay.h"
#include "simulation/TRayScene.h"
#include "simulation/TResult.h"
#include "simulation/TRoom.h"
#include "simulation/TextFields.h"

namespace fs = std::filesystem;

namespace {

[[noreturn]] void Refuse(const std::string& msg)
{
    ShowErrorAndThrowExit(1, msg);
}

std::string PairFileName(const char* format, unsigned S, unsigned R)
{
    char name[64];
    std::snprintf(name, sizeof name, format, S + 1, R + 1);
    return name;
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// A stored file that is there, not empty and ends with a complete line; "" when it is, else why not.
std::string StoredFileFault(const std::string& path)
{
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return "is missing";
    const auto size = fs::file_size(path, ec);
    if (ec) return "cannot be read";
    if (size == 0) return "is empty";
    File f(std::fopen(path.c_str(), "rb"));
    if (!f) return "cannot be read";
    if (std::fseek(f.get(), -1, SEEK_END) != 0 || std::fgetc(f.get()) != '\n')
        return "is cut short (no complete last line)";
    return "";
}

// A value a response may hold: finite, and so is its energy in single precision.
bool UsableSample(float v)
{
    return std::isfinite(v) && std::isfinite(v * v);
}

// Physical memory of the machine, bytes; 0 when unknown.
double PhysicalMemory()
{
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long size = ::sysconf(_SC_PAGE_SIZE);
    return pages > 0 && size > 0 ? static_cast<double>(pages) * static_cast<double>(size) : 0.0;
}

// The address space this process may use (its limit), bytes; 0 when unlimited.
double AddressSpaceLimit()
{
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return 0.0;
    return static_cast<double>(limit.rlim_cur);
}

// The stored direct-sound lines of a parameter file ("Direct Sound: Distance = ... m, Rays = ...")
// and what they say; false when the file has none that can be read.
bool ReadStoredDirectSound(const std::string& path, std::string& lines, double& distance, int& rays)
{
    File f(std::fopen(path.c_str(), "rb"));
    if (!f) return false;
    std::string line;
    bool found = false;
    lines.clear();
    while (ReadTextLine(f.get(), line)) {
        if (!found && line.rfind("Direct Sound: Distance = ", 0) == 0) {
            const std::string_view v(line);
            const std::size_t d0 = std::string_view("Direct Sound: Distance = ").size();
            const std::size_t d1 = v.find(" m, Rays = ", d0);
            if (d1 == std::string_view::npos) return false;
            const std::size_t r0 = d1 + std::string_view(" m, Rays = ").size();
            const std::size_t r1 = v.find(',', r0);
            if (r1 == std::string_view::npos) return false;
            int32_t n = 0;
            if (!ParseDouble(v.substr(d0, d1 - d0), distance) || !ParseInt(v.substr(r0, r1 - r0), n)) return false;
            if (!(std::isfinite(distance) && distance >= 0.0) || n < 0) return false;
            rays = n;
            lines = line + "\n";
            found = true;
        } else if (found && line.rfind("Expected NumRays: ", 0) == 0) {
            lines += line + "\n";
        }
    }
    return found;
}

// Why an arrival record lies outside what a run writes, or null: reflection orders from 0 to
// maxOrder, ray numbers from 0, distance factors and band energies not negative, elevations
// within +-90 degrees.
const char* RecordOutsideRun(const TRay& ray, long long maxOrder)
{
    if (ray.reflections < 0 || ray.reflections > maxOrder) return "its reflection order is out of range";
    if (ray.ID < 0) return "its ray number is negative";
    if (ray.fatordist < 0.0f) return "its distance factor is negative";
    if (std::fabs(ray.dir.elev) > 90.001f || std::fabs(ray.startDir.elev) > 90.001f)
        return "its elevation lies beyond +-90 degrees";
    for (float e : ray.spectrum)
        if (e < 0.0f) return "it holds a negative band energy";
    return nullptr;
}

}  // namespace

void CheckProjectFile(const std::string& path, bool writesReport)
{
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    // A file that cannot be opened is the reader's to report.
    if (fs::is_directory(st)) Refuse(utilFormat("%s is a folder, not a project file.\n", path.c_str()));
    if (writesReport && fs::equivalent(path, "SIM-INFO.txt", ec))
        Refuse(utilFormat("The project file %s is the information report SIM-INFO.txt that the program writes.\n"
                          "Please rename the project file.\n",
                          path.c_str()));
}

void CheckConversionTarget(const std::string& drawing, const std::string& project)
{
    std::error_code ec;
    if (drawing == project || fs::equivalent(drawing, project, ec))
        Refuse(utilFormat("The project file to write, %s, is the drawing itself.\nPlease give another name.\n",
                          project.c_str()));
}

void CheckRoomCanRun(TRoom& room, bool synthesises)
{
    if (room.NumReceivers == 0) Refuse("No receiver was defined\nSimulation aborted!\n");
    if (room.NumSources == 0) Refuse("No source was defined\nSimulation aborted!\n");

    // A project file of the name of a file the run writes would be overwritten by it.
    std::vector<std::string> written = {"report.txt", "LostRays.txt"};
    for (unsigned S = 0; S < room.NumSources; ++S)
        for (unsigned R = 0; R < room.NumReceivers; ++R)
            for (const char* format :
                 {"S%.3d-R%.3d.txt", "PARAMS-S%.3d-R%.3d.txt", "RAYS-S%.3d-R%.3d.txt", "RAYS-S%.3d-R%.3d-EARLY.txt",
                  "HITS-S%.3d-R%.3d.txt", "HITS-S%.3d-R%.3d-EARLY.txt"})
                written.push_back(PairFileName(format, S, R));
    for (const std::string& name : written)
        if (name == room.ProjectName)
            Refuse(utilFormat("The project file %s has the name of a result file that a run writes.\nPlease rename "
                              "the project file.\n",
                              name.c_str()));

    if (synthesises && !OctaveIIRRateSupported(room.FSample))
        Refuse(utilFormat("SAMPLE_RATE = %1.0f Hz is not supported: the band filters work at 44100 or 48000 Hz.\n",
                          static_cast<double>(room.FSample)));

    // The response of every pair, as long as the farthest pair needs (the room check lengthens
    // it so), held for its bands twice and once broadband; and one source's ray directions.
    double farthest = 0.0;
    for (unsigned S = 0; S < room.NumSources; ++S)
        for (unsigned R = 0; R < room.NumReceivers; ++R)
            farthest =
                std::max(farthest, static_cast<double>(Module(room.receiver[R]->Position - room.source[S]->Position)));
    const double samples = std::max(static_cast<double>(room.MaxLength),
                                    (farthest + 1.0) / room.VSound * static_cast<double>(room.FSample));
    if (!(samples < static_cast<double>(std::numeric_limits<unsigned int>::max())))
        Refuse(utilFormat("Source and receiver lie %1.0f m apart: the response would be longer than a response "
                          "can be.\n",
                          farthest));
    const double pairs = static_cast<double>(room.NumSources) * room.NumReceivers;
    const double responseBytes = pairs * samples * (2.0 * room.NumBands + 1.0) * sizeof(float);
    double rays = 0.0;
    if (synthesises)
        for (unsigned S = 0; S < room.NumSources; ++S)
            rays = std::max(rays, static_cast<double>(room.source[S]->NumberOfRays));
    const double rayBytes = rays * sizeof(TVector);
    const double memory = PhysicalMemory();
    if (memory > 0.0 && responseBytes + rayBytes > memory)
        Refuse(utilFormat("The run needs at least %1.1f GB of memory (%1.0f rays, %1.0f samples for each of %1.0f "
                          "pairs); this machine has %1.1f GB.\n",
                          (responseBytes + rayBytes) / 1e9, rays, samples, pairs, memory / 1e9));
    const double limit = AddressSpaceLimit();
    if (limit > 0.0 && responseBytes + rayBytes > limit)
        Refuse(utilFormat("The run needs at least %1.1f GB of memory (%1.0f rays, %1.0f samples for each of %1.0f "
                          "pairs); this process may use %1.2f GB (its address-space limit).\n",
                          (responseBytes + rayBytes) / 1e9, rays, samples, pairs, limit / 1e9));
}

void CheckStoredRayFiles(TRoom& room)
{
    if (room.SaveLateRaysFlag == 0)
        Refuse("The project stores no late arrivals (SAVE_LATE_RAYS = 0): its ray files hold only the early part "
               "and would make a response that ends too soon.\nRun the simulation with SAVE_LATE_RAYS = 1 to "
               "rebuild responses from ray files.\n");
    // The highest reflection order a run of this project writes: its limit, or with none a bound
    // no trace comes near.
    const long long maxOrder = room.MaxRayTracReflections >= 0 ? room.MaxRayTracReflections + 1LL : 1000000LL;
    TRay ray(room.NumBands);
    std::string line;
    for (unsigned S = 0; S < room.NumSources; ++S)
        for (unsigned R = 0; R < room.NumReceivers; ++R) {
            const std::string path = room.ProjectFile(PairFileName("RAYS-S%.3d-R%.3d.txt", S, R));
            const std::string fault = StoredFileFault(path);
            if (!fault.empty())
                Refuse(utilFormat("Ray file %s %s.\nNo results were changed.\n", path.c_str(), fault.c_str()));
            File f(std::fopen(path.c_str(), "rb"));
            unsigned lineNo = 0;
            while (ReadTextLine(f.get(), line)) {
                ++lineNo;
                if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
                bool ok = ray.ParseLine(line) && std::isfinite(ray.fatordist) && std::isfinite(ray.dir.azim) &&
                          std::isfinite(ray.dir.elev);
                for (unsigned b = 0; ok && b < room.NumBands; ++b) ok = std::isfinite(ray.spectrum[b]);
                if (!ok)
                    Refuse(utilFormat("Ray file %s, line %u, is not an arrival record of finite numbers.\nNo "
                                      "results were changed.\n",
                                      path.c_str(), lineNo));
                const char* outside = RecordOutsideRun(ray, maxOrder);
                if (outside)
                    Refuse(utilFormat("Ray file %s, line %u: %s, which no run writes.\nNo results were changed.\n",
                                      path.c_str(), lineNo, outside));
            }
        }
}

void CheckStoredResponses(TRoom& room)
{
    std::string line;
    for (unsigned S = 0; S < room.NumSources; ++S)
        for (unsigned R = 0; R < room.NumReceivers; ++R) {
            TResult& pair = *room.spcresult[R][S];
            const std::string path = room.ProjectFile(PairFileName("S%.3d-R%.3d.txt", S, R));
            const std::string fault = StoredFileFault(path);
            if (!fault.empty())
                Refuse(utilFormat("Response file %s %s.\nNo results were changed.\n", path.c_str(), fault.c_str()));
            const unsigned long long wanted = static_cast<unsigned long long>(pair.MaxLength) * pair.NumChannels;
            unsigned long long got = 0;
            File f(std::fopen(path.c_str(), "rb"));
            unsigned lineNo = 0;
            std::vector<std::string_view> fields(pair.NumChannels + 1);
            while (got < wanted && ReadTextLine(f.get(), line)) {
                ++lineNo;
                const std::size_t n = SplitFields(line, fields.data(), fields.size());
                bool ok = n == pair.NumChannels;
                for (std::size_t i = 0; ok && i < n; ++i) {
                    float v = 0.0f;
                    ok = ParseFloat(fields[i], v) && UsableSample(v);
                }
                if (!ok)
                    Refuse(utilFormat("Response file %s, line %u, does not hold %u finite values.\nNo results were "
                                      "changed.\n",
                                      path.c_str(), lineNo, pair.NumChannels));
                got += n;
            }
            if (got < wanted)
                Refuse(utilFormat("Response file %s holds %llu of the %llu values of its response.\nNo results were "
                                  "changed.\n",
                                  path.c_str(), got, wanted));

            const std::string params = room.ProjectFile(PairFileName("PARAMS-S%.3d-R%.3d.txt", S, R));
            std::string kept;
            double distance = 0.0;
            int rays = 0;
            if (!ReadStoredDirectSound(params, kept, distance, rays))
                Refuse(utilFormat("Parameter file %s is missing or holds no direct sound.\nNo results were "
                                  "changed.\n",
                                  params.c_str()));
            const double index = std::round(distance / pair.VSound * pair.FSample);
            pair.DirectSoundIndex =
                index < pair.MaxLength ? static_cast<uint32_t>(index) : (pair.MaxLength ? pair.MaxLength - 1 : 0);
            if (pair.DirectSoundRay) pair.DirectSoundRay->reflections = rays;
            pair.KeptDirectSound = kept;
        }
}

void CheckResultsFinite(TRoom& room)
{
    // The pairs side by side (their parameters are their own), told in order: the first pair that
    // is not finite is refused, as when they ran one after the other.
    const unsigned count = room.NumReceivers * room.NumSources;
    std::vector<char> finite(count, 0);
    OrderedSteps steps;
    steps.step = [&](unsigned k) {
        TResult& pair = *room.spcresult[k / room.NumSources][k % room.NumSources];
        bool ok = true;
        for (const auto& channel : pair.globalIR)
            for (float v : channel) ok = ok && std::isfinite(v);
        if (ok) {
            pair.GetMonoParams();
            for (const TMonoParams& p : pair.Param) ok = ok && std::isfinite(p.SPL) && std::isfinite(p.SPL_A);
        }
        finite[k] = ok;
    };
    steps.commit = [&](unsigned k) { return finite[k] != 0; };
    const unsigned committed = steps.Run(count, std::min(std::max(1u, room.TracerThreadCount()), count));
    if (committed > 0 && !finite[committed - 1]) {
        const unsigned R = (committed - 1) / room.NumSources, S = (committed - 1) % room.NumSources;
        Refuse(utilFormat("The response of S%.3d-R%.3d holds values that are not finite numbers.\nNo "
                          "results were saved.\n",
                          S + 1, R + 1));
    }
}

void CheckRunInputs(TRoom& room)
{
    for (unsigned P = 0; P < room.NumPlanes; ++P) {
        const TPlane& pl = *room.plane[P];
        if (pl.NumVert >= 3 && pl.NumTriang == 0)
            Refuse(utilFormat("Plane %u (%u vertices) cannot be triangulated: the run cannot trace it.\nNo results "
                              "were changed.\n",
                              P + 1, pl.NumVert));
    }
    if (room.AuralizationFlag && !room.CheckAuralizationInputs())
        throw SorviExit(1, "A sound file cannot be auralized");  // the reason was shown

    // Probe directions off the axes, so that a probe does not run along a wall or an edge.
    static const TVector kProbes[] = {{1.0, 0.0123, 0.0371},   {-1.0, -0.0217, 0.0133}, {0.0311, 1.0, -0.0157},
                                      {-0.0143, -1.0, 0.0291}, {0.0173, -0.0251, 1.0},  {-0.0271, 0.0113, -1.0}};
    TRayScene scene;
    scene.Build(room, false);
    TRaySceneStack stack;
    const double reach = 4.0 * std::max(1.0, static_cast<double>(room.GetMaxRoomLength()));
    for (unsigned R = 0; R < room.NumReceivers; ++R) {
        const TReceiver& rec = *room.receiver[R];
        const TPoint3D p = rec.Position;
        bool outside = false;
        for (const TVector& d : kProbes) {
            const TVector u = Normal(d) * reach;
            if (scene.Visible(p, p + TPoint3D(u.x, u.y, u.z), -1, stack)) outside = true;
        }
        if (outside)
            Print("Warning: receiver %u at (%1.2f, %1.2f, %1.2f) lies outside the room (a ray from it leaves the "
                  "room): it gets no direct sound.\n",
                  R + 1, p.x, p.y, p.z);
        for (unsigned S = 0; S < room.NumSources; ++S) {
            const double d = Module(rec.Position - room.source[S]->Position);
            if (d <= rec.Radius)
                Print("Warning: receiver %u lies at source %u (%1.2f m apart, within its radius of %1.2f m): it "
                      "gets no direct sound from it.\n",
                      R + 1, S + 1, d, rec.Radius);
        }
    }
}
