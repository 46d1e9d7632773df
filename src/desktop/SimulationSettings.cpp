#include "desktop/SimulationSettings.h"

#include <cmath>
#include <limits>

#include "desktop/FrameText.h"
#include "room/TRoom.h"
#include "simulation/TextFields.h"

namespace {

std::string Fixed(double value, int decimals)
{
    std::string s;
    AppendFixed(s, value, decimals);
    return s;
}

std::string Int(long long value)
{
    std::string s;
    AppendInt(s, value);
    return s;
}

// The user's value of a field, when the field shows something else than the room holds.
bool Edited(TRoom& room, const SettingsPage& page, SettingField field, double& value)
{
    const std::string& text = page.text[field];
    if (text == SettingText(room, field)) return false;
    double read = 0.0;
    if (!ReadNumber(text, read) || !std::isfinite(read)) return false;
    value = read;
    return true;
}

// A truncated integer that fits the target.
bool Truncated(double value, double low, double high, long long& out)
{
    const double t = std::trunc(value);
    if (t < low || t > high) return false;
    out = static_cast<long long>(t);
    return true;
}

struct Snapshot {
    double temperature, pressure, humidity;
    float fsample, stopDecay;
    unsigned int maxLength, numRays;
    int maxReflections;
    unsigned int diffuse, lateRays, diffuseRays;
    bool tail, auralization;
    bool operator==(const Snapshot&) const = default;
};

Snapshot Take(TRoom& room)
{
    return {room.Temperature, room.Pressure, room.Humidity, room.FSample, room.StopDecay, room.MaxLength,
            room.GetNumRays(), room.MaxRayTracReflections, room.DiffuseProcessing, room.SaveLateRaysFlag,
            room.SaveDiffuseRaysFlag, room.ArtificialTailFlag, room.AuralizationFlag};
}

}  // namespace

std::string SettingText(TRoom& room, SettingField field)
{
    switch (field) {
    case kFieldTemperature: return Fixed(room.Temperature, 1);
    case kFieldPressure: return Fixed(room.Pressure, 1);
    case kFieldHumidity: return Fixed(room.Humidity, 1);
    case kFieldSampleRate: return Fixed(room.FSample, 0);
    case kFieldIRDuration: return Fixed(room.GetMaxTime(), 1);
    case kFieldStopDecay: return Fixed(room.StopDecay, 1);
    case kFieldMaxReflections: return Int(room.MaxRayTracReflections);
    case kFieldNumRays: return Int(room.GetNumRays());
    case kSettingFieldCount: break;
    }
    return {};
}

SettingsPage SettingsFromRoom(TRoom& room)
{
    SettingsPage page;
    for (int f = 0; f < kSettingFieldCount; ++f) page.text[f] = SettingText(room, static_cast<SettingField>(f));
    page.option = {room.DiffuseProcessing != 0, room.SaveLateRaysFlag != 0, room.ArtificialTailFlag,
                   room.SaveDiffuseRaysFlag != 0, room.AuralizationFlag};
    return page;
}

SettingsCopy CopySettingsToRoom(TRoom& room, const SettingsPage& page)
{
    SettingsCopy copy;
    const Snapshot before = Take(room);
    double v = 0.0;
    long long n = 0;

    if (Edited(room, page, kFieldIRDuration, v) && room.SetMaxTime(static_cast<float>(v)) < 0.0f) {
        copy.durationRefused = true;
        copy.durationText = SettingText(room, kFieldIRDuration);
    }
    if (Edited(room, page, kFieldSampleRate, v) && v > 0.0) room.FSample = static_cast<float>(v);
    if (Edited(room, page, kFieldNumRays, v) && Truncated(v, 0.0, std::numeric_limits<unsigned int>::max(), n))
        room.SetNumRays(static_cast<unsigned int>(n));
    room.ClusterOrderGlobal = -1;
    double humidity = room.Humidity, pressure = room.Pressure, temperature = room.Temperature;
    if (Edited(room, page, kFieldHumidity, v) && TRoom::EnvironmentInRange(temperature, pressure, v)) humidity = v;
    if (Edited(room, page, kFieldPressure, v) && TRoom::EnvironmentInRange(temperature, v, humidity)) pressure = v;
    if (Edited(room, page, kFieldTemperature, v) && TRoom::EnvironmentInRange(v, pressure, humidity)) temperature = v;
    room.Humidity = humidity;
    room.Pressure = pressure;
    room.Temperature = temperature;
    if (Edited(room, page, kFieldStopDecay, v)) room.StopDecay = static_cast<float>(v);
    if (Edited(room, page, kFieldMaxReflections, v) &&
        Truncated(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max(), n))
        room.MaxRayTracReflections = static_cast<int>(n);
    room.DiffuseProcessing = page.option[0] ? 1 : 0;
    room.SaveLateRaysFlag = page.option[1] ? 1 : 0;
    room.ArtificialTailFlag = page.option[2];
    room.SaveDiffuseRaysFlag = page.option[3] ? 1 : 0;
    room.AuralizationFlag = page.option[4];

    room.DeriveAirFromEnvironment();
    copy.changed = !(Take(room) == before);
    return copy;
}

std::string SettingsListing(TRoom& room)
{
    std::string s;
    s += "Temperature = " + Fixed(room.Temperature, 2) + "\n";
    s += "Humidity = " + Fixed(room.Humidity, 2) + "\n";
    s += "Pressure = " + Fixed(room.Pressure, 2) + "\n";
    s += "Sample Rate = " + Fixed(room.FSample, 2) + "\n";
    s += "Max. Time = " + Fixed(room.GetMaxTime(), 2) + "\n";
    s += "Max. Reflections = " + Int(room.MaxRayTracReflections) + "\n";
    s += "Stop Decay = " + Fixed(room.StopDecay, 2) + "\n";
    s += "Num Rays = " + Int(room.GetNumRays()) + "\n";
    return s;
}
