#pragma once
// The console program's closing line.

#include <string>

// "Processing Time: HH:MM:SS (H:M:S)\n" for a wall-clock duration in seconds: whole seconds,
// each field at least two digits (hours may take more).
std::string ProcessingTimeText(double elapsed_secs);
