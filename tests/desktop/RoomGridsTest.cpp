// The grids of the Sources, Receivers and Materials pages without a window: what each row shows,
// what a typed cell does to the room (numbers, levels in dB, names, types and their patterns)
// and what adding or deleting a row does.

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "desktop/DesktopTestFolder.h"
#include "desktop/RoomGrids.h"
#include "directivity/TDirectivity.h"
#include "dsp/acoustics.h"
#include "room/TMaterial.h"
#include "room/TPlaneLayer.h"
#include "room/TReceiver.h"
#include "room/TReceiverLayer.h"
#include "room/TSource.h"
#include "room/TSourceLayer.h"
#include "support/ErrorCapture.h"

using namespace desktoptest;
using RoomGrids::CellEdit;
using RoomGrids::Row;

namespace {

// Two source types of different patterns with one source each, two receiver types with one
// receiver each, three materials, two plane layers in use and one without a material or planes.
const char* const kRoom = R"(<LAYERS::SOURCE>
Speaker OMNI 0.0 3.0 -6.0 0.0 0.0 0.0 0.0 0.0 -60.0
Horn CARDIOID 0.0 0.0 0.0 0.0 0.0 0.0 0.0 0.0 0.0
</LAYERS::SOURCE>

<SOURCES>
2.00 4.00 1.50 1002 10.0 20.0 94.0 Speaker NONE
1.00 1.00 1.00 1002 0.0 0.0 100.0 Horn NONE
</SOURCES>

<LAYERS::RECEIVER>
Listener OMNI
Mic CARDIOID
</LAYERS::RECEIVER>

<RECEIVERS>
7.00 5.00 1.20 0.5 30.0 Listener
3.00 2.00 1.00 0.5 0.0 Mic
</RECEIVERS>

<MATERIALS>
Concrete 0.01 0.01 0.02 0.02 0.02 0.03 0.04 0.05 0.05 0.10
Wood 0.15 0.15 0.11 0.10 0.07 0.06 0.07 0.07 0.07 0.20
Glass 0.35 0.35 0.25 0.18 0.12 0.07 0.04 0.04 0.04 0.05
</MATERIALS>

<LAYERS::PLANE>
Walls Concrete
Floor Wood
</LAYERS::PLANE>

<LAYERS::COLOR>
Walls 200 200 200
Floor 10 20 30
</LAYERS::COLOR>

<PLANES>
3 0.00 0.00 0.00 1.00 0.00 0.00 0.00 1.00 0.00 Walls
4 0.00 0.00 1.00 2.00 0.00 1.00 2.00 2.00 1.00 0.00 2.00 1.00 Floor
</PLANES>
)";

using EditFn = CellEdit (*)(TRoom&, int, int, const std::string&);

std::string Pattern(const TDirectivity* d)
{
    return d ? d->GetPatternName() : "(none)";
}

class RoomGridsTest : public WorkingFolder {
protected:
    void SetUp() override
    {
        WorkingFolder::SetUp();
        WriteText("room.txt", kRoom);
        ProjectLoad load;
        projtest::Quietly([&] { load = LoadProject("room.txt", ProjectChain::Full); });
        ASSERT_TRUE(load) << load.error;
        room_.reset(load.room.release());
        // A layer without material nor planes, as a project may hold after its material went.
        TPlaneLayer bare("Bare");
        room_->AddPlaneLayer(bare);
    }
    void TearDown() override
    {
        room_.reset();
        WorkingFolder::TearDown();
    }
    CellEdit Edit(EditFn edit, int row, int col, const std::string& text)
    {
        CellEdit result;
        projtest::Quietly([&] { result = edit(Room(), row, col, text); });
        return result;
    }
    TRoom& Room() { return *room_; }

    projtest::RoomHandleOf<TRoom> room_ = projtest::QuietRoomOf<TRoom>();
};

TEST_F(RoomGridsTest, RowsShowTheRoomColumnByColumn)
{
    struct Case {
        const char* grid;
        std::function<Row(const TRoom&)> row;
        Row expected;
    };
    const Case cases[] = {
        // Band gains in dB as the file holds them; -60 dB is the silence floor.
        {"source type",
         [](const TRoom& r) { return RoomGrids::SourceTypeRow(r, 0); },
         {"Speaker", "OMNI", "0.00", "3.00", "-6.00", "0.00", "0.00", "0.00", "0.00", "0.00", "-60.00"}},
        // Position, azimuth, elevation, level at 1 m in dB, type, sound file.
        {"source",
         [](const TRoom& r) { return RoomGrids::SourceRow(r, 0); },
         {"2.00", "4.00", "1.50", "10.00", "20.00", "94.00", "Speaker", "NONE"}},
        {"source",
         [](const TRoom& r) { return RoomGrids::SourceRow(r, 1); },
         {"1.00", "1.00", "1.00", "0.00", "0.00", "100.00", "Horn", "NONE"}},
        {"receiver type", [](const TRoom& r) { return RoomGrids::ReceiverTypeRow(r, 1); }, {"Mic", "CARDIOID"}},
        {"receiver",
         [](const TRoom& r) { return RoomGrids::ReceiverRow(r, 0); },
         {"7.00", "5.00", "1.20", "30.00", "Listener"}},
        // Nine absorptions, then the scattering.
        {"material",
         [](const TRoom& r) { return RoomGrids::MaterialRow(r, 1); },
         {"Wood", "0.15", "0.15", "0.11", "0.10", "0.07", "0.06", "0.07", "0.07", "0.07", "0.20"}},
        {"plane layer", [](const TRoom& r) { return RoomGrids::PlaneLayerRow(r, 1); }, {"Floor", "Wood"}},
        {"plane layer", [](const TRoom& r) { return RoomGrids::PlaneLayerRow(r, 2); }, {"Bare", ""}},
    };
    for (const Case& c : cases) EXPECT_EQ(c.row(Room()), c.expected) << c.grid;

    // A source whose type is gone shows no type.
    Room().source[1]->LayerID = 7;
    EXPECT_EQ(RoomGrids::SourceRow(Room(), 1)[RoomGrids::kSourceTypeColumn], "");

    EXPECT_EQ(RoomGrids::PatternChoices(Room(), "Load ..."),
              (std::vector<std::string>{"OMNI", "CARDIOID", "Load ..."}));
    EXPECT_EQ(RoomGrids::SourceTypeNames(Room()), (std::vector<std::string>{"Speaker", "Horn"}));
    EXPECT_EQ(RoomGrids::ReceiverTypeNames(Room()), (std::vector<std::string>{"Listener", "Mic"}));
    EXPECT_EQ(RoomGrids::MaterialNames(Room()), (std::vector<std::string>{"Concrete", "Wood", "Glass"}));
}

TEST_F(RoomGridsTest, ColourCellsAreWhiteWithoutAColourAndLimitedTo255)
{
    struct Case {
        int cor[3];
        std::array<unsigned char, 3> shown;
    };
    const Case cases[] = {
        {{-1, -1, -1}, {255, 255, 255}},
        {{10, 20, 30}, {10, 20, 30}},
        {{0, -1, 300}, {0, 255, 255}},
    };
    for (const Case& c : cases) {
        TPlaneLayer layer("L");
        layer.SetColor(c.cor[0], c.cor[1], c.cor[2]);
        EXPECT_EQ(RoomGrids::PlaneLayerColour(layer), c.shown) << c.cor[0] << " " << c.cor[1] << " " << c.cor[2];
    }
}

TEST_F(RoomGridsTest, TypedNumbersAreStoredOrRefusedWithTheOldText)
{
    struct Case {
        const char* what;
        EditFn edit;
        int row, col;
        const char* text;
        bool changed;
        bool refused;
        std::optional<std::string> cell;            // what the cell shows afterwards, when not the text
        std::function<double(const TRoom&)> value;  // what the room holds afterwards
        double expected;
    };
    const double near = 1e-4;
    const Case cases[] = {
        // Positions as typed, not as the two decimals shown.
        {"source x", RoomGrids::EditSource, 0, 0, "3.255", true, false, std::nullopt,
         [](const TRoom& r) { return r.source[0]->Position.x; }, 3.255},
        {"source elevation", RoomGrids::EditSource, 0, 4, "-15", true, false, std::nullopt,
         [](const TRoom& r) { return double(r.source[0]->ElevRotation); }, -15.0},
        // The level in dB becomes the sound power that gives it.
        {"source level", RoomGrids::EditSource, 0, 5, " 100 ", true, false, std::nullopt,
         [](const TRoom& r) { return double(Power2SPL(r.source[0]->GetPower())); }, 100.0},
        {"source level", RoomGrids::EditSource, 0, 5, "loud", false, true, "100.00",
         [](const TRoom& r) { return double(Power2SPL(r.source[0]->GetPower())); }, 100.0},
        {"source z", RoomGrids::EditSource, 0, 2, "1,5", false, true, "1.50",
         [](const TRoom& r) { return r.source[0]->Position.z; }, 1.5},
        // Band gains typed in dB are stored as power factors.
        {"source type band", RoomGrids::EditSourceType, 0, 4, "3", true, false, std::nullopt,
         [](const TRoom& r) { return double(r.sourceLayer[0]->spectrum[2]); }, 1.99526},
        {"source type band", RoomGrids::EditSourceType, 1, 10, "-10", true, false, std::nullopt,
         [](const TRoom& r) { return double(r.sourceLayer[1]->spectrum[8]); }, 0.1},
        {"source type band", RoomGrids::EditSourceType, 0, 3, "inf", false, true, "3.00",
         [](const TRoom& r) { return double(r.sourceLayer[0]->spectrum[1]); }, 1.99526},
        {"source type band", RoomGrids::EditSourceType, 0, 2, "", false, true, "0.00",
         [](const TRoom& r) { return double(r.sourceLayer[0]->spectrum[0]); }, 1.0},
        {"receiver y", RoomGrids::EditReceiver, 1, 1, "+2.5", true, false, std::nullopt,
         [](const TRoom& r) { return r.receiver[1]->Position.y; }, 2.5},
        {"receiver azimuth", RoomGrids::EditReceiver, 0, 3, "45", true, false, std::nullopt,
         [](const TRoom& r) { return r.receiver[0]->AzimRotation; }, 45.0},
        {"receiver azimuth", RoomGrids::EditReceiver, 0, 3, "nan", false, true, "45.00",
         [](const TRoom& r) { return r.receiver[0]->AzimRotation; }, 45.0},
        // Coefficients are limited to 0..1, and the cell shows the limit.
        {"absorption", RoomGrids::EditMaterial, 0, 1, "0.125", true, false, std::nullopt,
         [](const TRoom& r) { return double(r.material[0]->abs[0]); }, 0.125},
        {"absorption", RoomGrids::EditMaterial, 0, 9, "1.5", true, false, "1.00",
         [](const TRoom& r) { return double(r.material[0]->abs[8]); }, 1.0},
        {"absorption", RoomGrids::EditMaterial, 0, 2, "-0.2", true, false, "0.00",
         [](const TRoom& r) { return double(r.material[0]->abs[1]); }, 0.0},
        {"absorption", RoomGrids::EditMaterial, 2, 3, "0,5", false, true, "0.25",
         [](const TRoom& r) { return double(r.material[2]->abs[2]); }, 0.25},
        // One scattering for every band; a value within 0..1 stays as typed.
        {"scattering", RoomGrids::EditMaterial, 1, 10, "0.3", true, false, std::nullopt,
         [](const TRoom& r) { return double(r.material[1]->dif.back()); }, 0.3},
        {"scattering", RoomGrids::EditMaterial, 1, 10, "x", false, true, "0.30",
         [](const TRoom& r) { return double(r.material[1]->dif[0]); }, 0.3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.what) + " \"" + c.text + "\"");
        const CellEdit e = Edit(c.edit, c.row, c.col, c.text);
        EXPECT_EQ(e.changed, c.changed);
        EXPECT_EQ(e.refusal.empty(), !c.refused) << e.refusal;
        if (c.refused) {
            EXPECT_EQ(e.refusal, "\"" + std::string(c.text) + "\" is not a number.");
        }
        EXPECT_EQ(e.cell, c.cell);
        EXPECT_NEAR(c.value(Room()), c.expected, near);
    }
    for (float d : Room().material[1]->dif) EXPECT_FLOAT_EQ(d, 0.3f);
}

TEST_F(RoomGridsTest, CellsOutsideTheGridsChangeNothing)
{
    struct Case {
        EditFn edit;
        int row, col;
    };
    const Case cases[] = {
        {RoomGrids::EditSource, 2, 0},     {RoomGrids::EditSource, -1, 0},      {RoomGrids::EditSource, 0, -1},
        {RoomGrids::EditSource, 0, 8},     {RoomGrids::EditReceiver, 0, -1},    {RoomGrids::EditReceiver, 0, 5},
        {RoomGrids::EditReceiver, 2, 0},   {RoomGrids::EditSourceType, 0, 11},  {RoomGrids::EditSourceType, 0, -1},
        {RoomGrids::EditSourceType, 2, 0}, {RoomGrids::EditReceiverType, 0, 2}, {RoomGrids::EditReceiverType, -1, 0},
        {RoomGrids::EditMaterial, 0, 11},  {RoomGrids::EditMaterial, 0, -1},    {RoomGrids::EditMaterial, 3, 1},
        {RoomGrids::EditPlaneLayer, 0, 2}, {RoomGrids::EditPlaneLayer, 3, 0},
    };
    auto everyRow = [&] {
        std::vector<Row> rows;
        for (unsigned i = 0; i < 2; ++i) {
            rows.push_back(RoomGrids::SourceTypeRow(Room(), i));
            rows.push_back(RoomGrids::SourceRow(Room(), i));
            rows.push_back(RoomGrids::ReceiverTypeRow(Room(), i));
            rows.push_back(RoomGrids::ReceiverRow(Room(), i));
        }
        for (unsigned i = 0; i < 3; ++i) {
            rows.push_back(RoomGrids::MaterialRow(Room(), i));
            rows.push_back(RoomGrids::PlaneLayerRow(Room(), i));
        }
        return rows;
    };
    const std::vector<Row> before = everyRow();
    for (const Case& c : cases) {
        const CellEdit e = Edit(c.edit, c.row, c.col, "1");
        EXPECT_FALSE(e.changed) << c.row << "," << c.col;
        EXPECT_EQ(e.refusal, "") << c.row << "," << c.col;
        EXPECT_EQ(e.cell, std::nullopt) << c.row << "," << c.col;
    }
    EXPECT_EQ(everyRow(), before);
}

// Sources and receivers alike: the grid's edits, its type column and the room's lists.
struct Side {
    const char* name;
    EditFn editType, editPoint;
    int typeColumn;
    std::function<const TDirectivity*(const TRoom&, int)> pointPattern;
    std::function<int(const TRoom&, int)> pointType;
    std::function<const TDirectivity*(const TRoom&, int)> typePattern;
};

const Side kSides[] = {
    {"sources", RoomGrids::EditSourceType, RoomGrids::EditSource, RoomGrids::kSourceTypeColumn,
     [](const TRoom& r, int i) -> const TDirectivity* { return r.source[i]->directivity; },
     [](const TRoom& r, int i) { return r.source[i]->LayerID; },
     [](const TRoom& r, int i) -> const TDirectivity* { return r.sourceLayer[i]->directivity; }},
    {"receivers", RoomGrids::EditReceiverType, RoomGrids::EditReceiver, RoomGrids::kReceiverTypeColumn,
     [](const TRoom& r, int i) -> const TDirectivity* { return r.receiver[i]->directivity; },
     [](const TRoom& r, int i) { return r.receiver[i]->LayerID; },
     [](const TRoom& r, int i) -> const TDirectivity* { return r.receiverLayer[i]->directivity; }},
};

TEST_F(RoomGridsTest, ATypesPatternReachesItsPointsOnly)
{
    for (const Side& side : kSides) {
        SCOPED_TRACE(side.name);
        // Type 0 (OMNI) becomes a cardioid: its point follows, the other type's point was one.
        const CellEdit e = Edit(side.editType, 0, RoomGrids::kPatternColumn, "CARDIOID");
        EXPECT_TRUE(e.changed);
        EXPECT_EQ(e.cell, "CARDIOID");
        EXPECT_EQ(Pattern(side.typePattern(Room(), 0)), "CARDIOID");
        EXPECT_EQ(Pattern(side.pointPattern(Room(), 0)), "CARDIOID");
        // Type 1 becomes OMNI through an unknown name ("Load ..."), and the cell says so; the
        // point of type 0 keeps its cardioid.
        const CellEdit unknown = Edit(side.editType, 1, RoomGrids::kPatternColumn, "Load ...");
        EXPECT_EQ(unknown.cell, "OMNI");
        EXPECT_EQ(Pattern(side.pointPattern(Room(), 1)), "OMNI");
        EXPECT_EQ(Pattern(side.pointPattern(Room(), 0)), "CARDIOID");
    }
}

TEST_F(RoomGridsTest, APointGivenAnotherTypeTakesItsPattern)
{
    const std::string typeNames[2][2] = {{"Speaker", "Horn"}, {"Listener", "Mic"}};
    for (int s = 0; s < 2; ++s) {
        const Side& side = kSides[s];
        SCOPED_TRACE(side.name);
        const CellEdit e = Edit(side.editPoint, 0, side.typeColumn, typeNames[s][1]);
        EXPECT_TRUE(e.changed);
        EXPECT_EQ(e.cell, std::nullopt);
        EXPECT_EQ(side.pointType(Room(), 0), 1);
        EXPECT_EQ(Pattern(side.pointPattern(Room(), 0)), "CARDIOID");
        // A name that is no type leaves the point, and the cell shows its type again.
        const CellEdit unknown = Edit(side.editPoint, 0, side.typeColumn, "Nobody");
        EXPECT_FALSE(unknown.changed);
        EXPECT_EQ(unknown.cell, typeNames[s][1]);
        EXPECT_EQ(side.pointType(Room(), 0), 1);
        // A later pattern of the new type reaches the point.
        Edit(side.editType, 1, RoomGrids::kPatternColumn, "OMNI");
        EXPECT_EQ(Pattern(side.pointPattern(Room(), 0)), "OMNI");
    }
}

TEST_F(RoomGridsTest, NamesAreCheckedAgainstTheirListAndBlanksBecomeUnderscores)
{
    struct Case {
        const char* what;
        EditFn edit;
        int row;
        const char* text;
        std::string cell;     // what the cell shows afterwards
        std::string refusal;  // empty: taken
    };
    const Case cases[] = {
        {"source type", RoomGrids::EditSourceType, 1, "Speaker", "Horn", "Duplicated source type: Speaker"},
        {"source type", RoomGrids::EditSourceType, 1, "Horn", "Horn", ""},  // its own name again
        {"source type", RoomGrids::EditSourceType, 1, "Big horn", "Big_horn", ""},
        {"receiver type", RoomGrids::EditReceiverType, 0, "Mic", "Listener", "Duplicated receiver type: Mic"},
        {"receiver type", RoomGrids::EditReceiverType, 0, "", "Listener", "The receiver type needs a name."},
        {"material", RoomGrids::EditMaterial, 2, "Wood", "Glass", "Duplicated material: Wood"},
        {"material", RoomGrids::EditMaterial, 2, "Raw glass", "Raw_glass", ""},
        {"plane layer", RoomGrids::EditPlaneLayer, 0, "Floor", "Walls", "Duplicated plane layer: Floor"},
        {"plane layer", RoomGrids::EditPlaneLayer, 0, "North\twall", "North_wall", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.what) + " \"" + c.text + "\"");
        const CellEdit e = Edit(c.edit, c.row, 0, c.text);
        EXPECT_EQ(e.refusal, c.refusal);
        EXPECT_EQ(e.changed, c.refusal.empty());
        EXPECT_EQ(e.cell, c.cell);
    }
    EXPECT_EQ(Room().sourceLayer[1]->layername, "Big_horn");
    EXPECT_EQ(Room().receiverLayer[0]->layername, "Listener");
    EXPECT_EQ(Room().material[2]->nome, "Raw_glass");
    EXPECT_EQ(Room().planeLayer[0].nome, "North_wall");
    // The renamed type is what the sources' type column shows.
    EXPECT_EQ(RoomGrids::SourceRow(Room(), 1)[RoomGrids::kSourceTypeColumn], "Big_horn");
}

TEST_F(RoomGridsTest, APlaneLayersMaterialIsChosenByName)
{
    const CellEdit e = Edit(RoomGrids::EditPlaneLayer, 2, RoomGrids::kMaterialColumn, "Glass");
    EXPECT_TRUE(e.changed);
    EXPECT_EQ(Room().planeLayer[2].MatID, 2);
    const CellEdit unknown = Edit(RoomGrids::EditPlaneLayer, 1, RoomGrids::kMaterialColumn, "Cork");
    EXPECT_FALSE(unknown.changed);
    EXPECT_EQ(unknown.cell, "Wood");
    EXPECT_EQ(Room().planeLayer[1].MatID, 1);
}

TEST_F(RoomGridsTest, SoundFilePathsWithBlanksOrMissingFilesAreRefused)
{
    const CellEdit blanks = Edit(RoomGrids::EditSource, 0, RoomGrids::kSoundFileColumn, "my speech.wav");
    EXPECT_FALSE(blanks.changed);
    EXPECT_EQ(blanks.refusal, "Sound file paths cannot contain blanks: my speech.wav");
    EXPECT_EQ(blanks.cell, "NONE");

    ErrorCapture errors;
    const CellEdit missing = Edit(RoomGrids::EditSource, 0, RoomGrids::kSoundFileColumn, "gone.wav");
    EXPECT_FALSE(missing.changed);
    EXPECT_EQ(missing.refusal, "");  // the source says why
    EXPECT_FALSE(errors.messages.empty());
    EXPECT_EQ(missing.cell, "NONE");
    EXPECT_EQ(Room().source[0]->SoundFile, "NONE");

    const CellEdit none = Edit(RoomGrids::EditSource, 0, RoomGrids::kSoundFileColumn, "");
    EXPECT_TRUE(none.changed);
    EXPECT_EQ(none.cell, "NONE");
}

TEST_F(RoomGridsTest, NewRowsAreNumberedAndTakeTheFirstTypeOrMaterial)
{
    RoomGrids::AddSourceType(Room());
    ASSERT_EQ(Room().NumSourceLayers, 3u);
    EXPECT_EQ(RoomGrids::SourceTypeRow(Room(), 2),
              (Row{"SrcType03", "OMNI", "0.00", "0.00", "0.00", "0.00", "0.00", "0.00", "0.00", "0.00", "0.00"}));
    RoomGrids::AddReceiverType(Room());
    EXPECT_EQ(RoomGrids::ReceiverTypeRow(Room(), 2), (Row{"RecType03", "OMNI"}));
    EXPECT_EQ(Room().NumDirectivities, 2u);  // the room's patterns are kept

    ASSERT_TRUE(RoomGrids::AddSource(Room()));
    const Row source = RoomGrids::SourceRow(Room(), 2);
    EXPECT_EQ(source[5], "94.00");
    EXPECT_EQ(source[RoomGrids::kSourceTypeColumn], "Speaker");
    EXPECT_EQ(source[RoomGrids::kSoundFileColumn], "NONE");
    EXPECT_EQ(Room().source[2]->directivity, Room().sourceLayer[0]->directivity);
    ASSERT_TRUE(RoomGrids::AddReceiver(Room()));
    EXPECT_EQ(Room().receiver[2]->LayerID, 0);
    EXPECT_EQ(Room().receiver[2]->directivity, Room().receiverLayer[0]->directivity);
    EXPECT_FLOAT_EQ(Room().receiver[2]->GetRadius(), 0.4f);

    RoomGrids::AddMaterial(Room());
    EXPECT_EQ(RoomGrids::MaterialRow(Room(), 3),
              (Row{"Material_04", "0.01", "0.01", "0.01", "0.01", "0.01", "0.01", "0.01", "0.01", "0.01", "0.05"}));
    for (float d : Room().material[3]->dif) EXPECT_FLOAT_EQ(d, 0.05f);
    ASSERT_TRUE(RoomGrids::AddPlaneLayer(Room()));
    EXPECT_EQ(RoomGrids::PlaneLayerRow(Room(), 3), (Row{"PlaneLayer04", "Concrete"}));
    EXPECT_EQ(RoomGrids::PlaneLayerColour(Room().planeLayer[3]), (std::array<unsigned char, 3>{255, 255, 255}));
}

TEST(RoomGrids, AnEmptyRoomGetsPatternsForItsFirstTypesAndNoPointsWithoutTypes)
{
    projtest::RoomHandleOf<TRoom> room = projtest::QuietRoomOf<TRoom>();
    EXPECT_FALSE(RoomGrids::AddSource(*room));
    EXPECT_FALSE(RoomGrids::AddReceiver(*room));
    EXPECT_FALSE(RoomGrids::AddPlaneLayer(*room));
    EXPECT_EQ(room->NumSources + room->NumReceivers + room->NumPlaneLayers, 0u);

    RoomGrids::AddSourceType(*room);
    EXPECT_EQ(RoomGrids::PatternChoices(*room, ""), (std::vector<std::string>{"OMNI", ""}));
    EXPECT_EQ(Pattern(room->sourceLayer[0]->directivity), "OMNI");

    projtest::RoomHandleOf<TRoom> other = projtest::QuietRoomOf<TRoom>();
    RoomGrids::AddReceiverType(*other);
    EXPECT_EQ(RoomGrids::PatternChoices(*other, ""),
              (std::vector<std::string>{"OMNI", "CARDIOID", "SUPERCARD", "HYPERCARD", "EIGHTFIG", ""}));
    EXPECT_EQ(RoomGrids::ReceiverTypeRow(*other, 0), (Row{"RecType01", "OMNI"}));
}

TEST_F(RoomGridsTest, TypesAndLayersInUseStay)
{
    ErrorCapture errors;
    EXPECT_EQ(RoomGrids::DeleteReceiverType(Room(), 0),
              "Layer Listener cannot be removed while being used in receiver(s)");
    EXPECT_EQ(RoomGrids::DeletePlaneLayer(Room(), 1), "Layer Floor cannot be removed while being used in plane(s)");
    EXPECT_EQ(Room().NumReceiverLayers, 2u);
    EXPECT_EQ(Room().NumPlaneLayers, 3u);

    EXPECT_EQ(RoomGrids::DeletePlaneLayer(Room(), 2), "");
    EXPECT_EQ(Room().NumPlaneLayers, 2u);
    Room().DelReceiver(1);
    EXPECT_EQ(RoomGrids::DeleteReceiverType(Room(), 1), "");
    EXPECT_EQ(RoomGrids::ReceiverTypeNames(Room()), (std::vector<std::string>{"Listener"}));
    EXPECT_EQ(RoomGrids::DeleteReceiverType(Room(), 5), "");  // no such row
}

}  // namespace
