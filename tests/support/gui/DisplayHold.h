#pragma once
// A connection to the X display named by DISPLAY, held while the test program runs.
//
// An X server resets when its last client leaves and refuses the connections that arrive
// meanwhile; with many short test programs on one display that happens often (freeglut then
// exits, the toolkit does not start). Holding one connection from before the toolkit and GLUT
// connect keeps the server from resetting under them, and the first connection is tried again
// for up to five seconds.
class DisplayHold {
public:
    DisplayHold();
    ~DisplayHold();
    DisplayHold(const DisplayHold&) = delete;
    DisplayHold& operator=(const DisplayHold&) = delete;

    bool Connected() const { return display_ != nullptr; }

private:
    void* display_ = nullptr;  // Display*, kept out of the header (Xlib's macros)
};
