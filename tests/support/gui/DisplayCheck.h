#pragma once
// Whether the X display named by DISPLAY accepts a connection. Many test programs start at once
// on one display; a connection refused for a moment must not end a program (freeglut exits when
// it cannot open the display), so this tries again for up to five seconds. The connection that
// succeeded stays open until the process ends: a server started without -noreset resets when
// its last client leaves, and refuses connections while it does, so the toolkit's and GLUT's own
// connections must never find it without a client.
bool DisplayReachable();
