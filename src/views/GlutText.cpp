#include "views/GlutText.h"

#include <GL/freeglut.h>

#include <cstdlib>

bool GlutTextReady()
{
    static const bool ready = [] {
        if (glutGet(GLUT_INIT_STATE)) return true;
        // GLUT ends the process when it cannot open the display: try only with one named.
        const char* display = std::getenv("DISPLAY");
        if (display == nullptr || *display == '\0') return false;
        static char name[] = "Sorvi";
        static char* argv[] = {name, nullptr};
        int argc = 1;
        glutInit(&argc, argv);
        return true;
    }();
    return ready;
}

bool DrawBitmapString(void* font, const char* text)
{
    if (!GlutTextReady()) return false;
    for (const char* c = text; *c != '\0'; ++c) glutBitmapCharacter(font, static_cast<unsigned char>(*c));
    return true;
}
