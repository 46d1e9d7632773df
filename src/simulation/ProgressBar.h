#pragma once
// A text progress bar on standard output.

// Prints "\r" and then cols x floor(pos / total) '=' characters: none before the end, cols of
// them once pos reaches total (past the end too). A total that is not positive prints "\r" only.
void ProgressBar(float pos, float total, int cols);
