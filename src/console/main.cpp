// Sorvi, the console program: runs a project from loading to saved results, converts DXF
// drawings, rebuilds responses from stored ray files, auralizes stored responses again, and
// shows a project's model in a viewer window.

#include <GL/freeglut.h>

#include <memory>

#include "console/ConsoleModes.h"
#include "console/ConsoleViewer.h"
#include "console/ConsoleViewerGL.h"
#include "simulation/TRoom.h"

int main(int argc, char** argv)
{
    return RunConsole(argc, argv, [](std::unique_ptr<TRoom>& room, int& ac, char** av) {
        ConsoleViewer viewer(room);
        viewer.SetCamera();
        glutInit(&ac, av);
        OpenGlInitialization(viewer);
        glutMainLoop();
        return ViewerExitStatus();
    });
}
