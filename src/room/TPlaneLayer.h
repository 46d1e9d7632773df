#pragma once
// A named group of planes sharing one material (index into the room's materials) and one
// display colour.

#include <string>

class TPlaneLayer {
public:
    TPlaneLayer() = default;
    explicit TPlaneLayer(const char* Lname);
    explicit TPlaneLayer(const std::string& Lname) : TPlaneLayer(Lname.c_str()) {}

    void Set(const char* LayerName, int matID, unsigned int NPlanes);
    void SetLayerName(const char* LayerName);
    void SetLayerName(const std::string& LayerName) { SetLayerName(LayerName.c_str()); }
    void SetMaterialID(int matID) { MatID = matID; }
    void SetColor(int R, int G, int B)
    {
        cor[0] = R;
        cor[1] = G;
        cor[2] = B;
    }
    void SetNumPlanes(unsigned int NPlanes) { NumPlanes = NPlanes; }
    bool IsAssociated() const { return MatID >= 0; }

    unsigned int NumBands = 0;
    std::string nome = "NoName";
    int cor[3] = {-1, -1, -1};  // RGB 0..255; all -1: no colour of its own
    int MatID = -1;             // -1: no material
    unsigned int NumPlanes = 0;
};
