// Room metrics: area, volume, mean absorption, room constant, Sabine/Eyring estimates,
// critical distance, bounding box and the console listings of areas per material and layer.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <new>
#include <string>
#include <vector>

#include "dsp/acoustics.h"
#include "geometry/ErrorHandler.h"
#include "geometry/TPlane.h"
#include "geometry/util.h"
#include "room/TMaterial.h"
#include "room/TReceiver.h"
#include "room/TRoomModel.h"
#include "room/TSource.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kBoxStart = 1.7976931348623158e307;

// The material of the plane's layer, or null when the plane is on no layer or its layer has no
// material.
const TMaterial* PlaneMaterial(const TRoomModel& room, const TPlane& pl)
{
    if (pl.LayerID < 0 || static_cast<std::size_t>(pl.LayerID) >= room.planeLayer.size()) return nullptr;
    const int m = room.planeLayer[static_cast<std::size_t>(pl.LayerID)].MatID;
    if (m < 0 || static_cast<std::size_t>(m) >= room.material.size()) return nullptr;
    return room.material[static_cast<std::size_t>(m)].get();
}

// Band b of a coefficient table; a missing material or band counts as 0.
float Coef(const TMaterial* mat, const std::vector<float> TMaterial::*table, unsigned b)
{
    if (!mat) return 0.0f;
    const std::vector<float>& t = mat->*table;
    return b < t.size() ? t[b] : 0.0f;
}

// Centre frequency label of band b: the integer ceiling of 62.5 * 2^b.
int BandLabel(unsigned b)
{
    return static_cast<int>(std::ceil(62.5 * std::ldexp(1.0, static_cast<int>(b))));
}

// The per-band tables with the room's band count, (re)allocated when missing.
void EnsureTables(TRoomModel& room)
{
    const unsigned nb = room.NumBands;
    bool ok = room.AverageAbsorptionCreated && room.AverageAbsorption.size() >= 4 && room.T60.size() >= 4 &&
              room.RoomConstant.size() >= nb;
    for (unsigned r = 0; ok && r < 4; ++r) ok = room.AverageAbsorption[r].size() >= nb && room.T60[r].size() >= nb;
    if (!ok) room.AllocateAbsorption();
}

struct Box {
    TPoint3D max{-kBoxStart, -kBoxStart, -kBoxStart};
    TPoint3D min{kBoxStart, kBoxStart, kBoxStart};
    bool empty = true;

    void Grow(TPoint3D p)
    {
        empty = false;
        if (p.x > max.x) max.x = p.x;
        if (p.y > max.y) max.y = p.y;
        if (p.z > max.z) max.z = p.z;
        if (p.x < min.x) min.x = p.x;
        if (p.y < min.y) min.y = p.y;
        if (p.z < min.z) min.z = p.z;
    }
};

// Stored plane areas (TPlane::area) summed per material; planes without material are left out.
std::vector<double> AreasByMaterial(const TRoomModel& room)
{
    std::vector<double> areas(room.material.size(), 0.0);
    for (const auto& pl : room.plane) {
        if (!pl || pl->LayerID < 0 || static_cast<std::size_t>(pl->LayerID) >= room.planeLayer.size()) continue;
        const int m = room.planeLayer[static_cast<std::size_t>(pl->LayerID)].MatID;
        if (m >= 0 && static_cast<std::size_t>(m) < areas.size()) areas[static_cast<std::size_t>(m)] += pl->area;
    }
    return areas;
}

Box RoomBox(const TRoomModel& room)
{
    Box box;
    for (const auto& pl : room.plane)
        if (pl)
            for (const TPoint3D& v : pl->vertice) box.Grow(v);
    for (const auto& r : room.receiver)
        if (r) box.Grow(r->Position);
    for (const auto& s : room.source)
        if (s) box.Grow(s->Position);
    return box;
}

}  // namespace

// ---- Area and volume -------------------------------------------------------------------------

double TRoomModel::CalculateArea()
{
    double total = 0.0;
    for (auto& pl : plane)
        if (pl) total += pl->PlaneArea();
    // Callers divide by the area: a room without surface keeps a tiny positive one.
    Area = total > 0.0 ? total : 1e-6;
    return Area;
}

double TRoomModel::CalculateVolumeGeometry()
{
    if (ForceVolumeFlag) return Volume;
    GetCenter();
    double sum = 0.0;
    for (const auto& pl : plane) {
        if (!pl || !pl->IsExternal) continue;
        for (const TTriangle& t : pl->triangulo) {
            const TVector c = TVector((t.p0 + t.p1 + t.p2) / 3.0);
            const TVector e1(t.p1 - t.p0), e2(t.p2 - t.p0);
            sum += c * (e1 / e2);
        }
    }
    // The sign of each term follows the triangle's orientation; consistently oriented closed
    // surfaces give the same magnitude whichever way they face.
    Volume = std::fabs(sum / 6.0);
    return Volume;
}

// ---- Mean absorption and room constant -------------------------------------------------------

void TRoomModel::CalculateAbsorptionArea()
{
    EnsureTables(*this);
    Area = CalculateArea();
    const unsigned nb = NumBands;

    std::vector<float> sumSA(nb, 0.0f), sumLog(nb, 0.0f), sumScatt(nb, 0.0f);
    float sumS = 0.0f, sumInvS = 0.0f;
    bool anySurface = false;
    unsigned withoutMaterial = 0;
    std::vector<std::string> layersWithout;

    for (auto& pl : plane) {
        if (!pl) continue;
        const TMaterial* mat = PlaneMaterial(*this, *pl);
        if (!mat) {
            ++withoutMaterial;
            std::string name = pl->LayerID >= 0 && static_cast<std::size_t>(pl->LayerID) < planeLayer.size()
                                   ? planeLayer[static_cast<std::size_t>(pl->LayerID)].nome
                                   : std::string("(none)");
            if (std::find(layersWithout.begin(), layersWithout.end(), name) == layersWithout.end())
                layersWithout.push_back(name);
        }
        const double S = pl->PlaneArea();
        const float Sf = static_cast<float>(S);
        // Rules that divide by a plane's own area leave out planes without surface.
        const bool hasSurface = Sf > 0.0f;
        if (hasSurface) {
            anySurface = true;
            sumS += Sf;
            sumInvS += 1.0f / Sf;
        }
        for (unsigned b = 0; b < nb; ++b) {
            const float a = Coef(mat, &TMaterial::abs, b);
            const float s = Coef(mat, &TMaterial::dif, b);
            sumSA[b] = static_cast<float>(sumSA[b] + S * a);
            if (hasSurface) {
                sumLog[b] += -Sf * std::log(1.0f - a);
                sumScatt[b] += a * (1.0f - s) / Sf;
            }
        }
    }

    if (withoutMaterial > 0) {
        std::string names;
        for (const std::string& n : layersWithout) names += (names.empty() ? "" : ", ") + n;
        ErrorMessage("Warning: " + std::to_string(withoutMaterial) + " plane(s) without material (layers: " + names +
                     ") count as fully reflecting (absorption and scattering 0).");
    }

    for (unsigned b = 0; b < nb; ++b) {
        if (!anySurface) {
            for (unsigned r = 0; r < 4; ++r) AverageAbsorption[r][b] = 1.0f;
            continue;
        }
        const double mean = sumSA[b] / Area;
        AverageAbsorption[0][b] = static_cast<float>(mean);
        AverageAbsorption[1][b] = static_cast<float>(-std::log(1.0 - mean));
        AverageAbsorption[2][b] = sumLog[b] / sumS;
        AverageAbsorption[3][b] = sumScatt[b] / sumInvS;
    }

    CalcRoomConstant(RoomConstant.data());
    ShowRoomConstant();
    ShowAbsorptionCoefficients();
}

void TRoomModel::CalcRoomConstant(float* RoomConstant)
{
    if (!RoomConstant) return;
    unsigned count = 0;
    float S = 0.0f;
    std::vector<float> sumAlpha(NumBands, 0.0f);
    for (auto& pl : plane) {
        if (!pl) continue;
        ++count;
        S += static_cast<float>(pl->PlaneArea());
        const TMaterial* mat = PlaneMaterial(*this, *pl);
        for (unsigned b = 0; b < NumBands; ++b) sumAlpha[b] += Coef(mat, &TMaterial::abs, b);
    }
    for (unsigned b = 0; b < NumBands; ++b) {
        if (count == 0) {
            RoomConstant[b] = 0.0f;
            continue;
        }
        // The plain mean over the planes, not weighted by their areas.
        const float a = sumAlpha[b] / static_cast<float>(count);
        RoomConstant[b] = a * S / (1.0f - a);
    }
}

void TRoomModel::ShowRoomConstant()
{
    std::printf("ROOM CONST.: ");
    for (unsigned b = 0; b < NumBands && b < RoomConstant.size(); ++b) std::printf("%1.3f ", RoomConstant[b]);
    std::printf("\n");
}

void TRoomModel::ShowAbsorptionCoefficients()
{
    EnsureTables(*this);
    std::printf("Averaged absorption coefficients:\n");
    std::printf("F.(Hz): ");
    for (unsigned b = 0; b < NumBands; ++b) std::printf("%.5d ", BandLabel(b));
    std::printf("\n");
    std::printf("SABINE: ");
    for (unsigned b = 0; b < NumBands; ++b) std::printf("%1.3f ", AverageAbsorption[0][b]);
    std::printf("\n");
    std::printf("EYRING: ");
    for (unsigned b = 0; b < NumBands; ++b) std::printf("%1.3f ", AverageAbsorption[1][b]);
    std::printf("\n");
}

void TRoomModel::CalcCriticalDist()
{
    EnsureTables(*this);
    if (NumPlanes == 0 || NumBands == 0) {
        CriticalDistance = 0.0f;
        return;
    }
    // Band 4 is the 1 kHz octave.
    const unsigned b = NumBands > 4 ? 4 : NumBands - 1;
    CriticalDistance = static_cast<float>(0.25 * std::sqrt(Area * AverageAbsorption[3][b] / kPi));
}

// ---- Statistical estimate --------------------------------------------------------------------

void TRoomModel::AcousticParameters()
{
    EnsureTables(*this);
    const double c = 331.4 + 0.6 * Temperature;
    std::vector<double> m(NumBands, 0.0);
    CalculateAirAbsCoefs(static_cast<float>(Temperature + 273.15), static_cast<float>(Pressure),
                         static_cast<float>(Humidity), NumBands, m.data());
    CalculateAbsorptionArea();
    Volume = CalculateVolumeGeometry();
    Area = CalculateArea();
    for (unsigned r = 0; r < 2; ++r) {
        for (unsigned b = 0; b < NumBands; ++b) {
            const double num = 24.0 * std::log(10.0) * Volume * (1.0 / c);
            // m is a pressure (amplitude) coefficient in Np/m; the energy decays with 2m.
            const double den = 4.0 * (2.0 * m[b]) * Volume + Area * AverageAbsorption[r][b];
            double t;
            if (den > 0.0)
                t = num / den;
            else
                t = num > 0.0 ? std::numeric_limits<double>::infinity() : 0.0;
            T60[r][b] = static_cast<float>(t);
        }
    }
}

void TRoomModel::ShowAcousticParameters()
{
    EnsureTables(*this);
    std::printf("Estimated T60 (WITH AIR ABSORPTION):\n");
    std::printf("F.(Hz): ");
    for (unsigned b = 0; b < NumBands; ++b) std::printf("%.4d ", BandLabel(b));
    std::printf("\n");
    std::printf("Sabine: ");
    for (unsigned b = 0; b < NumBands; ++b) std::printf("%1.2f ", T60[0][b]);
    std::printf("\n");
    std::printf("Eyring: ");
    for (unsigned b = 0; b < NumBands; ++b) std::printf("%1.2f ", T60[1][b]);
    std::printf("\n");
}

double TRoomModel::EstimateVolume()
{
    std::printf("Estimating Volume from ray-tracing. Please wait ... ");
    CalculateArea();
    Volume = MeanFreePath * Area / 4.0;
    std::printf("Done!");
    return Volume;
}

// ---- Bounding box ----------------------------------------------------------------------------

TPoint3D TRoomModel::GetCenter()
{
    const Box box = RoomBox(*this);
    Center = (box.max + box.min) * 0.5;
    return Center;
}

float TRoomModel::GetMaxRoomLength()
{
    const Box box = RoomBox(*this);
    if (box.empty) return 0.0f;
    return static_cast<float>(Module(box.max - box.min));
}

// ---- Triangle counts and areas by material and layer -----------------------------------------

unsigned int TRoomModel::GetNumElements()
{
    unsigned int n = 0;
    for (const auto& pl : plane)
        if (pl) n += pl->NumTriang;
    return n;
}

unsigned int TRoomModel::GetMaxTriangles()
{
    unsigned int n = 0;
    for (const auto& pl : plane)
        if (pl && pl->NumTriang > n) n = pl->NumTriang;
    return n;
}

unsigned int TRoomModel::MaterialAreas(float* materialArea)
{
    if (!materialArea) return NumPlanes;
    const std::vector<double> areas = AreasByMaterial(*this);
    for (unsigned i = 0; i < NumMaterials; ++i)
        materialArea[i] = i < areas.size() ? static_cast<float>(areas[i]) : 0.0f;
    return NumPlanes;
}

void TRoomModel::ShowMaterialAreas()
{
    const std::vector<double> areas = AreasByMaterial(*this);
    std::printf("=======================================\n");
    std::printf("Area by materials:\n");
    for (std::size_t i = 0; i < material.size(); ++i)
        std::printf("Material %s - %1.2f m2\n", material[i] ? material[i]->nome.c_str() : "", areas[i]);
}

void TRoomModel::ShowLayerAreas()
{
    std::vector<double> areas(planeLayer.size(), 0.0);
    for (const auto& pl : plane)
        if (pl && pl->LayerID >= 0 && static_cast<std::size_t>(pl->LayerID) < areas.size())
            areas[static_cast<std::size_t>(pl->LayerID)] += pl->area;
    std::printf("=======================================\n");
    std::printf("Area by layers:\n");
    for (std::size_t i = 0; i < planeLayer.size(); ++i) {
        const int m = planeLayer[i].MatID;
        const bool hasMaterial = m >= 0 && static_cast<std::size_t>(m) < material.size() && material[m];
        std::printf("Layer %s (%s)- %1.2f m2\n", planeLayer[i].nome.c_str(),
                    hasMaterial ? material[m]->nome.c_str() : "No Material associated", areas[i]);
    }
}

void TRoomModel::ShowPlanes()
{
    std::printf("Number of Planes = %d\n", NumPlanes);
    for (std::size_t i = 0; i < plane.size(); ++i) {
        std::printf("\n======================= plane [%.2d]: ======================\n", static_cast<int>(i + 1));
        if (plane[i]) plane[i]->PrintPlane();
    }
}

// ---- Image sources ---------------------------------------------------------------------------

unsigned long TRoomModel::CreateImageList(unsigned int RecIndex, TPoint3D* ImageList)
{
    if (RecIndex >= receiver.size() || !receiver[RecIndex]) return 0;
    const unsigned n = static_cast<unsigned>(plane.size());
    std::vector<TPoint3D> images;
    try {
        if (n > MaxImagePlanes) throw std::bad_alloc();
        images.resize(1ul << n);
    } catch (const std::bad_alloc&) {
        ShowErrorAndThrowExit(1, "Erro de Aloca\xE7\xE3o para ImageList\n");
    }
    std::vector<unsigned int> digits(n, 0);
    const TPoint3D rec = receiver[RecIndex]->Position;
    for (unsigned long i = 0; i < images.size(); ++i) {
        utilInt2Binary(static_cast<unsigned int>(i), n, digits.data());
        TPoint3D p = rec;
        for (unsigned j = 0; j < n; ++j)
            if (digits[j] && plane[j]) p = plane[j]->CalcImage(p);
        images[i] = p;
    }
    if (ImageList)
        for (std::size_t i = 0; i < images.size(); ++i) ImageList[i] = images[i];
    return static_cast<unsigned long>(images.size());
}
