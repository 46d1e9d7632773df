#pragma once
// What the DXF import dialog does without its window: the drawing's layer scan and the
// project text it hands over.

#include <array>
#include <string>
#include <vector>

// The layer sorting and entity choice of one import.
struct DXFImportChoice {
    std::vector<std::string> receiverLayers;  // as the drawing names them (blanks kept)
    std::vector<std::string> sourceLayers;
    std::vector<std::string> planeLayers;
    bool poly3D = true;        // "3D Polyline"
    bool face3D = true;        // "3D Face"
    bool polyFaceMesh = true;  // "3D PolyFaceMesh"
};

// The names of the drawing's layer-table records, in table order and unaltered, read as the
// converters read them. False (layers untouched) when the drawing cannot be opened.
bool ScanDXFLayers(const std::string& drawing, std::vector<std::string>& layers);

// Colour (R, G, B) of plane layer n of count: from (100, 10, 100) towards (255, 255, 100).
std::array<int, 3> ImportLayerColour(unsigned n, unsigned count);

// Writes the project of one import to `handOver`: the default setup, the material
// DEFAULT_MAT, the layer sections and the elements the converters find on the sorted layers.
// Names are written with '_' for each blank. Returns an empty string on success; otherwise the
// message, and `handOver` is left as it was.
std::string WriteDXFImport(const std::string& drawing, const std::string& handOver, const DXFImportChoice& choice);
