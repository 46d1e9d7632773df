#pragma once
// GLUT's bitmap fonts in any GL context of the program. GLUT is initialised once, on the first
// use, without a window of its own; it needs an X display, and without one no text is drawn.

// Starts GLUT for its fonts when no one has (a program that starts it itself keeps its own
// start); false when it cannot be started, for want of a display.
bool GlutTextReady();

// Draws text from the current raster position in the given GLUT bitmap font (for instance
// GLUT_BITMAP_TIMES_ROMAN_10), in the current colour. Returns false when no text can be drawn.
bool DrawBitmapString(void* font, const char* text);
