#pragma once
// The desktop program's sink for the shared code's error texts: a message box titled "Error"
// (through the prompter) on the interface thread. From any other thread the box is posted to
// the interface thread and the call returns at once: a thread that waited for it could deadlock
// with an interface thread that is waiting for that thread (a run being stopped).

#include "geometry/ErrorHandler.h"

ErrorHandler DesktopErrorSink();
