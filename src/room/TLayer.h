#pragma once
// A layer name and colour as a DXF drawing's layer table gives them.

#include <string>

struct TLayer {
    std::string nome;
    int cor[3] = {-1, -1, -1};
};
