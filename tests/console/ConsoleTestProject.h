#pragma once
// Small projects for the console tests: a 4 x 3 x 2.5 m box of two layers (floor, walls) with
// one source and one receiver, written to a scratch folder.

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace console_test {

struct BoxOptions {
    int rays = 202;
    const char* maxTime = "0.30";
    int auralization = 0;
    int lateRays = 0;   // SAVE_LATE_RAYS: what rebuilding responses from ray files needs
    const char* wallsLayer = "Walls";  // the layer the side walls name
    bool colors = true;
};

inline std::string BoxProject(const BoxOptions& o = {})
{
    std::string s;
    s += "<ENVIRONMENT>\nTEMPERATURE = 20.0\nPRESSURE = 1.00\nHUMIDITY = 50.0\n</ENVIRONMENT>\n\n";
    s += "<SIMULATION>\nMAX_TIME = " + std::string(o.maxTime) +
         "\nSTOP_DECAY = -60\nSAMPLE_RATE = 44100\nMAX_RAYTRAC_REF = -1\nSAVE_LATE_RAYS = " +
         std::to_string(o.lateRays) + "\nDIFFUSE_PROCESSING = 0\nSAVE_DIFFUSE_RAYS = 0\nARTIFICIAL_TAIL = 0\nAURALIZATION = " +
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

// The text up to the first `before` (the whole text when it does not occur).
inline std::string Cut(const std::string& text, const std::string& before)
{
    return text.substr(0, text.find(before));
}

inline void WriteFile(const std::filesystem::path& path, const std::string& text)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

inline std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A fresh folder under the system's temporary folder, removed with the object.
class ScratchDir {
public:
    explicit ScratchDir(const std::string& name)
    {
        path_ = std::filesystem::temp_directory_path() /
                ("sorvi-console-" + name + "-" + std::to_string(::getpid()));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace console_test
