#pragma once
// Conversion of ASCII DXF drawings into project-file sections: 3D polylines, 3D faces,
// polyface meshes and lightweight polylines become planes on their layers, points on the
// sources and receivers layers become sources and receivers.

#include <cstdio>
#include <string>

class TPlane;
struct TLayer;

// Writes a whole project file (plane layers, planes, source and receiver layers, sources and
// receivers; no settings, no materials) from the drawing. Each flag switches one entity kind
// on (non-zero). Returns false when the drawing or the output cannot be opened (the box has
// been shown; the console then ends with status 1). A 3D polyline of fewer than 3 vertices
// shows "Existem polilinhas com 2 vertices\n" and ends the process with status 1.
bool ConvertDXF_RoomFile(const char* input, const char* output, int Poly2D, int Poly3D, int Face3D, int PolyFaceMesh);

// The per-layer converters take the drawing opened for reading and the output opened for
// writing or appending; they rewind the drawing, append complete plane lines for the entities
// whose layer equals `layername` exactly and leave both streams open. They return the number
// of lines written.
unsigned ConvertDXF_3DPOLY(FILE* fid, FILE* outfid, const char* layername);
unsigned ConvertDXF_3DFACE(FILE* fid, FILE* outfid, const char* layername);
unsigned ConvertDXF_POLYFACEMESH(FILE* fid, FILE* outfid, const char* layername);
unsigned ConvertDXF_Source(FILE* fid, FILE* outfid, const char* LayerName);
unsigned ConvertDXF_Receiver(FILE* fid, FILE* outfid, const char* LayerName);
void ConvertDXF_2DPOLY(FILE* fid, FILE* outfid, const char* layername);

// Plane layers (material NOT_DEFINED) and planes of the listed layers only.
void ConvertDXF_Planes(const char* input, const char* output, const TLayer* LayerList, int numLayers, int Poly2D,
                       int Poly3D, int Face3D, int PolyFaceMesh);
// A listing of every lightweight polyline (not a project section).
void ConvertDXF_LWPolyline(const char* input, const char* output);

unsigned GetDXFNumLayers(const char* inputfile);
// Fills the first NumLayers entries with the layer-table names, in table order, unaltered.
void GetDXFLayerNames(const char* inputfile, TLayer* Layer, unsigned NumLayers);

// Replaces every blank by '_' in place; returns how many were replaced.
int RemoveSpaces(char* String);
int RemoveSpaces(std::string& String);

// "%d " vertex count, "%lf %lf %lf " per vertex, "%s\n" layer.
void WritePlaneOnFile(FILE* fid, const TPlane& plane, const char* layer);

// Extrude a flat polygon into walls and a roof: new_plane holds one 4-vertex wall per base
// vertex and the roof after them, prepared by the caller.
void BuildingFromFlatPlane(const TPlane& pbase, double Height, TPlane* new_plane);
void BuildingFromFlatPlane(const TPlane& pbase, double Elevation, double Thickness, TPlane* new_plane);
