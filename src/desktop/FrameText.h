#pragma once
// What the main window shows and reads, without the toolkit: its title, the octave-band column
// labels and the numbers typed into fields and cells.

#include <string>

// "SORVI - " followed by "Untitled Project" (status 0), the project name (1) or the project
// name and " *modified" (2); a project without a name (designed or imported, not saved yet)
// reads "Untitled Project" there.
std::string ProjectTitle(int projectStatus, const std::string& projectName);

// The label of octave band `band` (0..8): "63", "125", "250", "500", "1k" ... "16k".
std::string BandLabel(int band);

// A number as typed: surrounding blanks allowed, a decimal point whatever the user's locale
// ("1,5" is not a number). False, and `value` unchanged, when the text is not one number.
bool ReadNumber(const std::string& text, double& value);
