#pragma once
// What the grids of the Sources, Receivers and Materials pages show of the room, and what a
// typed cell, an added row or a deleted type does to it, without the toolkit. The handlers read
// the cell, call one function here and write back what it answers.
//
// Sources and receivers are points of a type (a source or receiver layer): a type's pattern
// reaches every point of the type, and a point given another type takes that type's pattern.
// Levels are shown in dB: a source's sound power as its level at 1 m, a source type's band
// gains (power factors) as 10 log10.

#include <array>
#include <optional>
#include <string>
#include <vector>

class TPlaneLayer;
class TRoom;

namespace RoomGrids {

// The texts of a grid row, column by column ("" where the room holds no value).
using Row = std::vector<std::string>;

// Columns typed as plain numbers, first..last.
struct NumberColumns {
    int first, last;
};

// Source types: name, pattern, 9 band gains in dB.
inline constexpr NumberColumns kSourceTypeNumbers{2, 10};
// Sources: x, y, z (metres), azimuth, elevation (degrees), level (dB), type, sound file.
inline constexpr NumberColumns kSourceNumbers{0, 5};
inline constexpr int kSourceTypeColumn = 6;
inline constexpr int kSoundFileColumn = 7;
// Receiver types: name, pattern. Receivers: x, y, z (metres), azimuth (degrees), type.
inline constexpr NumberColumns kReceiverNumbers{0, 3};
inline constexpr int kReceiverTypeColumn = 4;
// Both type grids: the pattern column. Plane layers: name, material, colour.
inline constexpr int kPatternColumn = 1;
inline constexpr int kMaterialColumn = 1;
inline constexpr int kColourColumn = 2;
// Materials: name, 9 band absorptions, scattering (one value for every band).
inline constexpr NumberColumns kMaterialNumbers{1, 10};

// ---- what the grids show ----
Row SourceTypeRow(const TRoom& room, unsigned type);
Row SourceRow(const TRoom& room, unsigned source);
Row ReceiverTypeRow(const TRoom& room, unsigned type);
Row ReceiverRow(const TRoom& room, unsigned receiver);
Row MaterialRow(const TRoom& room, unsigned material);
// Name and material ("" when the layer has none).
Row PlaneLayerRow(const TRoom& room, unsigned layer);
// The layer's colour cell; a channel without a colour of its own is white.
std::array<unsigned char, 3> PlaneLayerColour(const TPlaneLayer& layer);

// The choices of the drop-down cells.
std::vector<std::string> PatternChoices(const TRoom& room, const std::string& last);
std::vector<std::string> SourceTypeNames(const TRoom& room);
std::vector<std::string> ReceiverTypeNames(const TRoom& room);
std::vector<std::string> MaterialNames(const TRoom& room);

// ---- typed cells ----
struct CellEdit {
    bool changed = false;             // the room took the text: the project is modified
    std::string refusal;              // the message to show; empty: none
    std::optional<std::string> cell;  // what the cell shows now, when not the typed text
};

// `text` typed into cell (row, col); a row or column outside the grid changes nothing.
CellEdit EditSourceType(TRoom& room, int row, int col, const std::string& text);
CellEdit EditSource(TRoom& room, int row, int col, const std::string& text);
CellEdit EditReceiverType(TRoom& room, int row, int col, const std::string& text);
CellEdit EditReceiver(TRoom& room, int row, int col, const std::string& text);
CellEdit EditMaterial(TRoom& room, int row, int col, const std::string& text);
CellEdit EditPlaneLayer(TRoom& room, int row, int col, const std::string& text);

// ---- rows added and deleted ----
// "SrcTypeNN" with every gain 1 and the room's first pattern (OMNI added to a room without).
void AddSourceType(TRoom& room);
// "RecTypeNN" with the room's first pattern (the five standard ones added to a room without).
void AddReceiverType(TRoom& room);
// A source of type 1 at the room's centre, 94 dB, no sound file; false without a source type.
bool AddSource(TRoom& room);
// A receiver of type 1 at the room's centre, radius 0.4 m; false without a receiver type.
bool AddReceiver(TRoom& room);
// "Material_NN", absorption 0.01 and scattering 0.05 in every band.
void AddMaterial(TRoom& room);
// "PlaneLayerNN" of material 1, white; false without a material.
bool AddPlaneLayer(TRoom& room);
// Empty when the type or layer went (or `row` names none); otherwise the message to show.
std::string DeleteReceiverType(TRoom& room, int row);
std::string DeletePlaneLayer(TRoom& room, int row);

}  // namespace RoomGrids
