#pragma once
// A receiver type: a named directivity pattern.

#include <cstdio>
#include <string>

class TDirectivity;

class TReceiverLayer {
public:
    TReceiverLayer() = default;
    // Copy of a room entry: same name and the same pattern (shared).
    explicit TReceiverLayer(const TReceiverLayer* recl);
    TReceiverLayer(const char* name, TDirectivity* pattern);

    // The layer's line of the receiver-layer section: name and pattern.
    void WriteOnFile(FILE* fid) const;
    const char* GetDirPatternName() const;
    const char* GetLayerName() const { return layername.c_str(); }
    void SetLayerName(const char* LayerName);
    void SetLayerName(const std::string& LayerName) { SetLayerName(LayerName.c_str()); }
    void SetDirPattern(TDirectivity* DirPattern) { directivity = DirPattern; }

    std::string layername;
    TDirectivity* directivity = nullptr;  // one of the room's patterns, never owned
};
