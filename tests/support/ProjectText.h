#pragma once
// Project file texts for the tests: the shoebox example and a small box project with options.

#include <fstream>
#include <sstream>
#include <string>

#include "support/FileText.h"

namespace testsupport {

// examples/shoebox.txt as it stands (SORVI_SOURCE_DIR is defined for every test program).
inline std::string ShoeboxProjectText()
{
    return ReadFile(SORVI_SOURCE_DIR "/examples/shoebox.txt");
}

// A 4 x 3 x 2.5 m box of two layers (floor, walls) with one source and one receiver.
struct BoxOptions {
    int rays = 202;
    const char* maxTime = "0.30";
    int auralization = 0;
    int lateRays = 0;                  // SAVE_LATE_RAYS: what rebuilding responses from ray files needs
    const char* wallsLayer = "Walls";  // the layer the side walls name
    bool colors = true;
};

inline std::string BoxProject(const BoxOptions& o = {})
{
    std::string s;
    s += "<ENVIRONMENT>\nTEMPERATURE = 20.0\nPRESSURE = 1.00\nHUMIDITY = 50.0\n</ENVIRONMENT>\n\n";
    s += "<SIMULATION>\nMAX_TIME = " + std::string(o.maxTime) +
         "\nSTOP_DECAY = -60\nSAMPLE_RATE = 44100\nMAX_RAYTRAC_REF = -1\nSAVE_LATE_RAYS = " +
         std::to_string(o.lateRays) +
         "\nDIFFUSE_PROCESSING = 0\nSAVE_DIFFUSE_RAYS = 0\nARTIFICIAL_TAIL = 0\nAURALIZATION = " +
         std::to_string(o.auralization) + "\n</SIMULATION>\n\n";
    s += "<LAYERS::SOURCE>\nSpeaker OMNI 0 0 0 0 0 0 0 0 0\n</LAYERS::SOURCE>\n\n";
    s += "<SOURCES>\n1.00 1.50 1.20 " + std::to_string(o.rays) + " 0.0 0.0 94.0 Speaker NONE\n</SOURCES>\n\n";
    s += "<LAYERS::RECEIVER>\nListener OMNI\n</LAYERS::RECEIVER>\n\n";
    s += "<RECEIVERS>\n3.00 1.50 1.20 0.5 0.0 Listener\n</RECEIVERS>\n\n";
    s += "<MATERIALS>\nCarpet 0.10 0.10 0.20 0.30 0.40 0.50 0.50 0.50 0.50 0.10\n"
         "Plaster 0.05 0.05 0.05 0.05 0.05 0.05 0.05 0.05 0.05 0.05\n</MATERIALS>\n\n";
    s += "<LAYERS::PLANE>\nFloor Carpet\nWalls Plaster\n</LAYERS::PLANE>\n\n";
    if (o.colors) s += "<LAYERS::COLOR>\nFloor 255 0 51\nWalls 200 200 200\n</LAYERS::COLOR>\n\n";
    const std::string w = o.wallsLayer;
    s += "<PLANES>\n";
    s += "4 0.00 0.00 0.00 4.00 0.00 0.00 4.00 3.00 0.00 0.00 3.00 0.00 Floor\n";
    s += "4 0.00 0.00 2.50 0.00 3.00 2.50 4.00 3.00 2.50 4.00 0.00 2.50 " + w + "\n";
    s += "4 0.00 0.00 0.00 0.00 0.00 2.50 4.00 0.00 2.50 4.00 0.00 0.00 " + w + "\n";
    s += "4 0.00 3.00 0.00 4.00 3.00 0.00 4.00 3.00 2.50 0.00 3.00 2.50 " + w + "\n";
    s += "4 0.00 0.00 0.00 0.00 3.00 0.00 0.00 3.00 2.50 0.00 0.00 2.50 " + w + "\n";
    s += "4 4.00 0.00 0.00 4.00 0.00 2.50 4.00 3.00 2.50 4.00 3.00 0.00 " + w + "\n";
    s += "</PLANES>\n";
    return s;
}

}  // namespace testsupport
