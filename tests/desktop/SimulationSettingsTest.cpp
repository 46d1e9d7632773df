// The Simulation page against the room: texts shown, the copy back, refusals and bad input.

#include <gtest/gtest.h>

#include "desktop/SimulationSettings.h"
#include "dsp/acoustics.h"
#include "simulation/TRoom.h"
#include "support/ErrorCapture.h"
#include "support/ProjectFileSupport.h"

namespace {

projtest::RoomHandleOf<TRoom> SettingsRoom()
{
    auto room = projtest::QuietRoomOf<TRoom>();
    room->Temperature = 18.55;
    room->Pressure = 0.98;
    room->Humidity = 45.0;
    room->FSample = 44100.0f;
    room->SetMaxTime(1.5f);
    room->StopDecay = -60.0f;
    room->MaxRayTracReflections = -1;
    room->SetNumRays(10000);
    room->DiffuseProcessing = 1;
    room->SaveLateRaysFlag = 0;
    room->ArtificialTailFlag = true;
    room->SaveDiffuseRaysFlag = 0;
    room->AuralizationFlag = false;
    return room;
}

}  // namespace

TEST(SimulationSettings, PageShowsTheRoomAndCopiesBackUnchanged)
{
    auto room = SettingsRoom();
    const SettingsPage page = SettingsFromRoom(*room);
    const std::array<std::string, kSettingFieldCount> expected = {"18.6", "1.0",   "45.0", "44100",
                                                                  "1.5",  "-60.0", "-1",   "10000"};
    EXPECT_EQ(page.text, expected);
    EXPECT_EQ(page.option, (std::array<bool, 5>{true, false, true, false, false}));

    // What the page shows rounded stays as the room holds it: nothing changed.
    room->ClusterOrderGlobal = 3;
    const SettingsCopy copy = CopySettingsToRoom(*room, page);
    EXPECT_FALSE(copy.changed);
    EXPECT_DOUBLE_EQ(room->Temperature, 18.55);
    EXPECT_DOUBLE_EQ(room->Pressure, 0.98);
    EXPECT_EQ(room->ClusterOrderGlobal, -1);
}

TEST(SimulationSettings, EditedFieldsReachTheRoomAndTheAir)
{
    auto room = SettingsRoom();
    SettingsPage page = SettingsFromRoom(*room);
    page.text[kFieldTemperature] = "30.0";
    page.text[kFieldHumidity] = " 80 ";
    page.text[kFieldPressure] = "0.9";
    page.text[kFieldIRDuration] = "0.5";
    page.text[kFieldStopDecay] = "-40";
    page.text[kFieldMaxReflections] = "12.9";
    page.text[kFieldNumRays] = "5000.7";
    page.option[4] = true;
    const SettingsCopy copy = CopySettingsToRoom(*room, page);
    EXPECT_TRUE(copy.changed);
    EXPECT_FALSE(copy.durationRefused);
    EXPECT_DOUBLE_EQ(room->Temperature, 30.0);
    EXPECT_DOUBLE_EQ(room->Humidity, 80.0);
    EXPECT_DOUBLE_EQ(room->Pressure, 0.9);
    EXPECT_FLOAT_EQ(room->GetMaxTime(), 0.5f);
    EXPECT_FLOAT_EQ(room->StopDecay, -40.0f);
    EXPECT_EQ(room->MaxRayTracReflections, 12);
    EXPECT_EQ(room->GetNumRays(), 5000u);
    EXPECT_TRUE(room->AuralizationFlag);
    // The next run sees the new environment.
    EXPECT_FLOAT_EQ(room->VSound, static_cast<float>(331.4 + 0.6 * 30.0));
    std::vector<double> air(9);
    CalculateAirAbsCoefs(static_cast<float>(30.0 + 273.15), 0.9f, 80.0f, 9, air.data());
    EXPECT_EQ(room->AirAbs, air);

    // An option alone is a change too.
    page = SettingsFromRoom(*room);
    page.option[0] = false;
    EXPECT_TRUE(CopySettingsToRoom(*room, page).changed);
    EXPECT_EQ(room->DiffuseProcessing, 0u);
}

TEST(SimulationSettings, TextThatIsNoNumberKeepsTheValue)
{
    for (const char* text : {"", "  ", "-", "1,5", "abc", "2x", "nan", "inf"}) {
        SCOPED_TRACE(text);
        auto room = SettingsRoom();
        SettingsPage page = SettingsFromRoom(*room);
        for (auto& field : page.text) field = text;
        EXPECT_FALSE(CopySettingsToRoom(*room, page).changed);
        EXPECT_DOUBLE_EQ(room->Temperature, 18.55);
        EXPECT_FLOAT_EQ(room->GetMaxTime(), 1.5f);
        EXPECT_EQ(room->GetNumRays(), 10000u);
    }
    // A negative ray count is no count; no sound below absolute zero, without air, or with a
    // humidity beyond 100 %.
    auto room = SettingsRoom();
    SettingsPage page = SettingsFromRoom(*room);
    page.text[kFieldNumRays] = "-5";
    page.text[kFieldTemperature] = "-300";
    page.text[kFieldPressure] = "0";
    page.text[kFieldHumidity] = "101";
    EXPECT_FALSE(CopySettingsToRoom(*room, page).changed);
    EXPECT_EQ(room->GetNumRays(), 10000u);
    EXPECT_DOUBLE_EQ(room->Temperature, 18.55);
    EXPECT_DOUBLE_EQ(room->Pressure, 0.98);
    EXPECT_DOUBLE_EQ(room->Humidity, 45.0);
}

TEST(SimulationSettings, RefusedFieldsNameTheirRangeAndReachNothing)
{
    struct Case {
        SettingField field;
        const char* text;
        bool refused;
    };
    const Case cases[] = {
        {kFieldTemperature, "abc", true},
        {kFieldTemperature, "-273.15", true},
        {kFieldTemperature, "-273", false},
        {kFieldPressure, "0", true},
        {kFieldPressure, "0.01", false},
        {kFieldHumidity, "150", true},
        {kFieldHumidity, "-1", true},
        {kFieldHumidity, "100", false},
        {kFieldIRDuration, "0", true},
        {kFieldIRDuration, "-1", true},
        {kFieldIRDuration, "97391", true},
        {kFieldIRDuration, "0.1", false},
        {kFieldStopDecay, "0", true},
        {kFieldStopDecay, "10", true},
        {kFieldStopDecay, "-0.5", false},
        {kFieldMaxReflections, "abc", true},
        {kFieldMaxReflections, "-2", true},
        {kFieldMaxReflections, "0", false},
        {kFieldMaxReflections, "2147483648", true},
        {kFieldMaxReflections, "7.9", false},
        {kFieldNumRays, "-5", true},
        {kFieldNumRays, "0", true},
        {kFieldNumRays, "0.5", true},
        {kFieldNumRays, "4294967296", true},
        {kFieldNumRays, "1", false},
        {kFieldNumRays, "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.field << " \"" << c.text << "\"");
        auto room = SettingsRoom();
        SettingsPage page = SettingsFromRoom(*room);
        EXPECT_TRUE(RefusedSettings(*room, page).empty()) << "the room's own values";
        page.text[c.field] = c.text;
        const std::vector<SettingRefusal> refused = RefusedSettings(*room, page);
        if (!c.refused) {
            EXPECT_TRUE(refused.empty());
            EXPECT_TRUE(CopySettingsToRoom(*room, page).changed);
            continue;
        }
        ASSERT_EQ(refused.size(), 1u);
        EXPECT_EQ(refused[0].field, c.field);
        EXPECT_NE(refused[0].message.find(" takes "), std::string::npos);
        EXPECT_NE(refused[0].message.find(std::string("\"") + c.text + "\" is refused."), std::string::npos);
        const SettingsPage shown = SettingsFromRoom(*room);
        EXPECT_FALSE(CopySettingsToRoom(*room, page).changed) << "nothing of it reaches the room";
        EXPECT_EQ(SettingsFromRoom(*room).text, shown.text);
    }
    // Several at once, in the page's order, each naming its field.
    auto room = SettingsRoom();
    SettingsPage page = SettingsFromRoom(*room);
    page.text[kFieldNumRays] = "-5";
    page.text[kFieldTemperature] = "abc";
    const std::vector<SettingRefusal> refused = RefusedSettings(*room, page);
    ASSERT_EQ(refused.size(), 2u);
    EXPECT_EQ(refused[0].message, "Temperature (C) takes a number above -273.15: \"abc\" is refused.");
    EXPECT_EQ(refused[1].message, "Number of Rays takes a whole number from 1 to 4294967295: \"-5\" is refused.");
}

TEST(SimulationSettings, LongerResponseRefusedOnceResultsExist)
{
    auto room = SettingsRoom();
    room->ResultsCreated = true;
    SettingsPage page = SettingsFromRoom(*room);
    page.text[kFieldIRDuration] = "3.0";
    ErrorCapture errors;
    SettingsCopy copy = CopySettingsToRoom(*room, page);
    EXPECT_TRUE(copy.durationRefused);
    EXPECT_EQ(copy.durationText, "1.5");
    EXPECT_EQ(errors.messages.size(), 1u);
    EXPECT_FLOAT_EQ(room->GetMaxTime(), 1.5f);

    page.text[kFieldIRDuration] = "1.0";
    copy = CopySettingsToRoom(*room, page);
    EXPECT_FALSE(copy.durationRefused);
    EXPECT_TRUE(copy.changed);
    EXPECT_FLOAT_EQ(room->GetMaxTime(), 1.0f);
    room->ResultsCreated = false;
}

TEST(SimulationSettings, ListingInTheCLocale)
{
    auto room = SettingsRoom();
    EXPECT_EQ(SettingsListing(*room),
              "Temperature = 18.55\nHumidity = 45.00\nPressure = 0.98\nSample Rate = 44100.00\n"
              "Max. Time = 1.50\nMax. Reflections = -1\nStop Decay = -60.00\nNum Rays = 10000\n");
}
