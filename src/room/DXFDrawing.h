#pragma once
// An ASCII DXF drawing read as group-code/value pairs: the layer table and the entities.
// Entities and their groups are found by code, so optional groups and another writer's
// group order read the same.

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

struct DXFGroup {
    int code = 0;
    std::string value;  // the value line without its line end
};

struct DXFEntity {
    std::string type;              // value of the group 0 that starts it, blanks trimmed
    std::vector<DXFGroup> groups;  // the groups after it, in file order

    // The value of the first group with this code, or null.
    const std::string* Find(int code) const;
    // The first group's value as a number ("C" locale); `missing` when there is none and
    // also when the value is not a finite number.
    double Real(int code, double missing = 0.0) const;
    long long Integer(int code, long long missing = 0) const;
    bool HasSubclass(std::string_view marker) const;  // a group 100 with this value
    // Group 8; an entity without one (or with an empty one) is on the layer "0".
    std::string Layer() const;
};

// A POLYLINE entity with the VERTEX entities that follow it up to its SEQEND.
struct DXFPolyline {
    const DXFEntity* head = nullptr;
    std::vector<const DXFEntity*> vertices;

    bool IsPolyfaceMesh() const;
    bool Is3DPolyline() const;
};

class DXFDrawing {
public:
    // Reads the pairs from the text; a code line that is not an integer ends the reading
    // (what follows it cannot be told apart from values).
    static DXFDrawing FromText(std::string_view text);
    // Reads the stream from its current position to its end.
    static DXFDrawing FromStream(FILE* fid);

    std::vector<std::string> layers;  // names of the layer-table records, in table order
    std::vector<DXFEntity> entities;  // the ENTITIES section, in file order

    // The entities of one type, in file order.
    std::vector<const DXFEntity*> OfType(std::string_view type) const;
    // Every POLYLINE with its vertices, in file order.
    std::vector<DXFPolyline> Polylines() const;
};
