#include "desktop/SimulationSettings.h"

#include <cmath>
#include <limits>

#include "desktop/FrameText.h"
#include "simulation/TRoom.h"
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
    return {room.Temperature,
            room.Pressure,
            room.Humidity,
            room.FSample,
            room.StopDecay,
            room.MaxLength,
            room.GetNumRays(),
            room.MaxRayTracReflections,
            room.DiffuseProcessing,
            room.SaveLateRaysFlag,
            room.SaveDiffuseRaysFlag,
            room.ArtificialTailFlag,
            room.AuralizationFlag};
}

}  // namespace

std::string SettingText(TRoom& room, SettingField field)
{
    switch (field) {
    case kFieldTemperature:
        return Fixed(room.Temperature, 1);
    case kFieldPressure:
        return Fixed(room.Pressure, 1);
    case kFieldHumidity:
        return Fixed(room.Humidity, 1);
    case kFieldSampleRate:
        return Fixed(room.FSample, 0);
    case kFieldIRDuration:
        return Fixed(room.GetMaxTime(), 1);
    case kFieldStopDecay:
        return Fixed(room.StopDecay, 1);
    case kFieldMaxReflections:
        return Int(room.MaxRayTracReflections);
    case kFieldNumRays:
        return Int(room.GetNumRays());
    case kSettingFieldCount:
        break;
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
    // A value the room does not take is left out (the page says so when it is committed).
    const std::vector<SettingRefusal> refused = RefusedSettings(room, page);
    auto edited = [&](SettingField field, double& value) {
        for (const SettingRefusal& r : refused)
            if (r.field == field) return false;
        return Edited(room, page, field, value);
    };

    if (edited(kFieldIRDuration, v) && room.SetMaxTime(static_cast<float>(v)) < 0.0f) {
        copy.durationRefused = true;
        copy.durationText = SettingText(room, kFieldIRDuration);
    }
    if (edited(kFieldSampleRate, v) && v > 0.0) room.FSample = static_cast<float>(v);
    if (edited(kFieldNumRays, v) && Truncated(v, 0.0, std::numeric_limits<unsigned int>::max(), n))
        room.SetNumRays(static_cast<unsigned int>(n));
    room.ClusterOrderGlobal = -1;
    double humidity = room.Humidity, pressure = room.Pressure, temperature = room.Temperature;
    if (edited(kFieldHumidity, v) && TRoom::EnvironmentInRange(temperature, pressure, v)) humidity = v;
    if (edited(kFieldPressure, v) && TRoom::EnvironmentInRange(temperature, v, humidity)) pressure = v;
    if (edited(kFieldTemperature, v) && TRoom::EnvironmentInRange(v, pressure, humidity)) temperature = v;
    room.Humidity = humidity;
    room.Pressure = pressure;
    room.Temperature = temperature;
    if (edited(kFieldStopDecay, v)) room.StopDecay = static_cast<float>(v);
    if (edited(kFieldMaxReflections, v) &&
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

std::vector<SettingRefusal> RefusedSettings(TRoom& room, const SettingsPage& page)
{
    // The longest response a sample counter holds, a second to spare (as the project reader).
    const double longest =
        std::floor((static_cast<double>(std::numeric_limits<unsigned int>::max()) - room.FSample) / room.FSample);
    struct Rule {
        SettingField field;
        const char* label;
        double low, high;
        bool lowOpen;  // the low end itself is refused
        std::string range;
    };
    const Rule rules[] = {
        {kFieldTemperature, "Temperature (C)", -273.15, HUGE_VAL, true, "a number above -273.15"},
        {kFieldPressure, "Pressure (atm)", 0.01, HUGE_VAL, false, "a number of at least 0.01"},
        {kFieldHumidity, "Humidity (%)", 0.0, 100.0, false, "a number from 0 to 100"},
        {kFieldIRDuration, "IR Duration (s)", 0.0, longest, true,
         "a number above 0 and up to " + Int(static_cast<long long>(longest))},
        {kFieldStopDecay, "Energy Decay (dB)", -HUGE_VAL, 0.0, false, "a number below 0"},
        {kFieldMaxReflections, "Max. Reflections", -1.0, std::numeric_limits<int>::max(), false,
         "-1 (no limit) or a whole number from 0 to " + Int(std::numeric_limits<int>::max())},
        {kFieldNumRays, "Number of Rays", 1.0, std::numeric_limits<unsigned int>::max(), false,
         "a whole number from 1 to " + Int(std::numeric_limits<unsigned int>::max())},
    };
    std::vector<SettingRefusal> refused;
    for (const Rule& r : rules) {
        const std::string& text = page.text[r.field];
        if (text == SettingText(room, r.field)) continue;
        double v = 0.0;
        bool ok = ReadNumber(text, v) && std::isfinite(v);
        // Counts are truncated toward zero, as they are copied.
        if (ok && (r.field == kFieldMaxReflections || r.field == kFieldNumRays)) v = std::trunc(v);
        // The decay is refused at 0 too: a ray would end at its start.
        if (ok) ok = (r.lowOpen ? v > r.low : v >= r.low) && (r.field == kFieldStopDecay ? v < r.high : v <= r.high);
        if (!ok)
            refused.push_back({r.field, std::string(r.label) + " takes " + r.range + ": \"" + text + "\" is refused."});
    }
    return refused;
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
