#pragma once
// Whether the X display named by DISPLAY accepts a connection. Many test programs start at once
// on one display; a connection refused for a moment must not end a program (freeglut exits when
// it cannot open the display), so this tries again for up to five seconds.
bool DisplayReachable();
