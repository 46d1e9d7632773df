#pragma once
// The console model viewer's window: GLUT callbacks that draw a ConsoleViewer's state.
//
// With the environment variable SORVI_VIEWER_SNAPSHOT set to a file name, the first frame is
// also written to that file as a binary PPM image, and the window positions of the sources and
// receivers (pixel column and row from the top left) to the same name with ".txt" appended,
// one "S01 x y" or "R01 x y" line each.

class ConsoleViewer;

// Creates the window, registers the callbacks, sets the GL state and the viewer's colour
// table. Call after glutInit and before glutMainLoop. The main loop returns after the quit
// key, after a fatal error of a room operation (see ViewerExitStatus) or when the window is
// closed.
void OpenGlInitialization(ConsoleViewer& viewer);

// Callbacks.
void display();
void resize(int width, int height);
void key(unsigned char k, int x, int y);
void idle();

// Draws the text with the Times Roman 24 bitmap font from the raster position (x, y, z).
void drawBitmapText(const char* texto, float x, float y, float z);

// The status to end the process with once the main loop has returned: 0 after the quit key,
// the status of a fatal error raised by a key, -1 when the window was closed.
int ViewerExitStatus();
