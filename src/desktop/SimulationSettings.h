#pragma once
// The Simulation page's eight setting fields and five option boxes against the room, without
// wx: the texts the page shows, and the copy of the page into the room. Numbers are written
// and read in the "C" locale.

#include <array>
#include <string>
#include <vector>

class TRoom;

// The fields in the order of the page.
enum SettingField {
    kFieldTemperature,
    kFieldPressure,
    kFieldHumidity,
    kFieldSampleRate,
    kFieldIRDuration,
    kFieldStopDecay,
    kFieldMaxReflections,
    kFieldNumRays,
    kSettingFieldCount
};

// The option boxes: diffuse processing, save late rays, artificial tail, save diffuse rays,
// auralization.
inline constexpr int kSettingOptionCount = 5;

struct SettingsPage {
    std::array<std::string, kSettingFieldCount> text;
    std::array<bool, kSettingOptionCount> option{};
};

// What the page shows for the room ("%1.1f", the sample rate "%1.0f", counts "%d"). Reading the
// ray count gives a room without one its default count.
SettingsPage SettingsFromRoom(TRoom& room);
// The text of one field for the room's current value.
std::string SettingText(TRoom& room, SettingField field);

struct SettingsCopy {
    bool changed = false;          // a setting or option of the room took a new value
    bool durationRefused = false;  // the room refused a longer response: show durationText
    std::string durationText;
};

// Copies the page into the room in the page's order (the response length first, with the
// sample rate the room has at that moment) and sets the cluster order to automatic. A field
// that still shows the room's value keeps it unrounded; a field that RefusedSettings refuses
// (not a number, e.g. cleared while retyping, or out of its range) leaves its value as it is.
// The speed of sound and the air absorption follow the environment.
SettingsCopy CopySettingsToRoom(TRoom& room, const SettingsPage& page);

// A field whose text the room does not take, with the message for the user: the field's label
// and the range it takes.
struct SettingRefusal {
    SettingField field;
    std::string message;
};

// The fields of the page (sample rate aside: it is not edited) that are no number or lie
// outside what the room takes, in the page's order. A field that shows the room's value is
// never refused.
std::vector<SettingRefusal> RefusedSettings(TRoom& room, const SettingsPage& page);

// The settings listing, one "Name = value" line each, from the room's values.
std::string SettingsListing(TRoom& room);
