#include "support/TestRooms.h"

#include <memory>

#include "geometry/TPlane.h"
#include "room/TMaterial.h"
#include "room/TRoomModel.h"

namespace testsupport {

std::vector<Quad> ShoeboxQuads(double Lx, double Ly, double H)
{
    const TPoint3D c[8] = {{0, 0, 0}, {Lx, 0, 0}, {Lx, Ly, 0}, {0, Ly, 0},
                           {0, 0, H}, {Lx, 0, H}, {Lx, Ly, H}, {0, Ly, H}};
    const int f[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4}, {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}};
    std::vector<Quad> q;
    for (const auto& face : f) q.push_back({c[face[0]], c[face[1]], c[face[2]], c[face[3]]});
    return q;
}

std::vector<Quad> StripFloorQuads(double Lx, double Ly, double H)
{
    std::vector<Quad> q = ShoeboxQuads(Lx, Ly, H);
    q.erase(q.begin());
    for (int k = 0; k < 6; ++k) {
        const double x0 = Lx * k / 6, x1 = Lx * (k + 1) / 6;
        q.push_back({{x0, 0, 0}, {x0, Ly, 0}, {x1, Ly, 0}, {x1, 0, 0}});
    }
    return q;
}

std::vector<Quad> CofferedHallQuads(double Lx, double Ly, double H, unsigned nx, unsigned ny, double b, double d)
{
    std::vector<Quad> q = ShoeboxQuads(Lx, Ly, H);
    q.erase(q.begin() + 1);  // the flat ceiling
    for (unsigned i = 0; i < nx; ++i)
        for (unsigned j = 0; j < ny; ++j) {
            const double x0 = Lx * i / nx, x1 = Lx * (i + 1) / nx, y0 = Ly * j / ny, y1 = Ly * (j + 1) / ny;
            const double a0 = x0 + b, a1 = x1 - b, b0 = y0 + b, b1 = y1 - b, top = H + d;
            q.push_back({{x0, y0, H}, {x1, y0, H}, {x1, b0, H}, {x0, b0, H}});
            q.push_back({{x0, b1, H}, {x1, b1, H}, {x1, y1, H}, {x0, y1, H}});
            q.push_back({{x0, b0, H}, {a0, b0, H}, {a0, b1, H}, {x0, b1, H}});
            q.push_back({{a1, b0, H}, {x1, b0, H}, {x1, b1, H}, {a1, b1, H}});
            q.push_back({{a0, b0, H}, {a1, b0, H}, {a1, b0, top}, {a0, b0, top}});
            q.push_back({{a1, b0, H}, {a1, b1, H}, {a1, b1, top}, {a1, b0, top}});
            q.push_back({{a1, b1, H}, {a0, b1, H}, {a0, b1, top}, {a1, b1, top}});
            q.push_back({{a0, b1, H}, {a0, b0, H}, {a0, b0, top}, {a0, b1, top}});
            q.push_back({{a0, b0, top}, {a1, b0, top}, {a1, b1, top}, {a0, b1, top}});
        }
    return q;
}

void BuildOneMaterialRoom(TRoomModel& room, const std::vector<Quad>& quads, float alpha, float dif)
{
    room.material.push_back(std::make_unique<TMaterial>("wall", room.NumBands, alpha, dif));
    room.NumMaterials = 1;
    TPlaneLayer walls("walls");
    walls.MatID = 0;
    room.planeLayer = {walls};
    room.NumPlaneLayers = 1;
    for (const Quad& q : quads) {
        room.plane.push_back(std::make_unique<TPlane>(static_cast<int>(q.size()), q.data()));
        room.plane.back()->LayerID = 0;
    }
    room.NumPlanes = static_cast<unsigned>(quads.size());
    room.AddSourceLayer("S");
}

}  // namespace testsupport
