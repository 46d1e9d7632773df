#pragma once
// What a typed grid cell becomes in the room, without the toolkit: numbers read in the "C"
// locale, coefficients limited to 0..1, names checked against their list, the texts of new
// rows, and the refusal messages the editing pages show.

#include <optional>
#include <string>
#include <vector>

namespace GridEdit {

// The whole text as one finite number (blanks around it allowed); nothing otherwise.
std::optional<double> ParseNumber(const std::string& text);
// Limited to 0..1.
double Clamp01(double value);
// "%1.2f" in the "C" locale.
std::string Fixed2(double value);
// printf-style name of a new row, e.g. NewName("Material_%.2d", 3) == "Material_03".
std::string NewName(const char* format, unsigned number);

// A name cell: blanks become '_' (the project file separates fields by blanks).
std::string NameFromCell(const std::string& text);
// Empty when `name` may be given to row `row` of `names`; otherwise the message to show.
// `kind` names the list in the message ("material", "plane layer", "source type", ...).
std::string CheckName(const std::string& name, const std::vector<std::string>& names, int row, const std::string& kind);
// Empty when the text of a numeric cell is acceptable; otherwise the message to show.
std::string NumberRefusal(const std::string& text);
// Empty when a typed sound-file path may be handed to the source; a path with blanks would be
// saved as a file that does not exist.
std::string SoundFileRefusal(const std::string& text);

// Pixels a column keeps beside the widest text it shows (label or cell).
inline constexpr int kColumnPadding = 12;
// A column's width once it shows texts up to `widestText` pixels wide: as set, or wider where
// a text and its padding need it; never narrower.
int FittedColumnWidth(int width, int widestText);

}  // namespace GridEdit
