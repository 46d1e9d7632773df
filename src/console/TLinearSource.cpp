#include "console/TLinearSource.h"

#include <cmath>

#include "geometry/ErrorHandler.h"
#include "geometry/util.h"

namespace {

constexpr const char* kRepeatedVertex = "Linear source with repeated vertexes!\n";

// Shows why a request is refused; the count Create then returns.
int Refuse(const char* message)
{
    ErrorMessage("%s", message);
    return 0;
}

bool ValidVertices(int NumVert, const TPoint3D* lista)
{
    if (NumVert >= 1 && lista) return true;
    Refuse("Linear source without vertexes!\n");
    return false;
}

}  // namespace

TLinearSource::TLinearSource(int N) : NumPointSources(N > 0 ? N : 0), src(static_cast<size_t>(NumPointSources)) {}

void TLinearSource::Destroy()
{
    src.clear();
    src.shrink_to_fit();
    NumPointSources = 0;
}

std::vector<double> TLinearSource::SegmentLengths(int NumVert, const TPoint3D* lista)
{
    std::vector<double> length(static_cast<size_t>(NumVert - 1));
    for (int s = 0; s + 1 < NumVert; s++) {
        length[s] = Module(lista[s + 1] - lista[s]);
        if (length[s] == 0.0) {
            ShowErrorAndThrowExit(1, kRepeatedVertex);
        }
    }
    return length;
}

void TLinearSource::Place(int NumVert, const TPoint3D* lista, const std::vector<double>& length, int N)
{
    std::vector<TSource> placed(static_cast<size_t>(N));
    if (N > 1) {
        double total = 0.0;
        for (double l : length) total += l;
        const double step = total / (N - 1);
        for (int k = 0; k + 1 < N; k++) {
            const double dist = k * step;
            // The segment on which the running length first reaches dist.
            size_t s = 0;
            double before = 0.0;
            while (s + 1 < length.size() && before + length[s] < dist) before += length[s++];
            const TPoint3D unit = (lista[s + 1] - lista[s]) / length[s];
            placed[k].Position = lista[s] + unit * (dist - before);
        }
    }
    placed[N - 1].Position = lista[NumVert - 1];
    src = std::move(placed);
    NumPointSources = N;
}

int TLinearSource::Create(int NumVert, const TPoint3D* lista, int NumNewSources)
{
    if (!ValidVertices(NumVert, lista)) return 0;
    if (NumNewSources < 1) return Refuse("Linear source needs at least one point source!\n");
    if (NumNewSources > kMaxLinearPointSources) return Refuse("Linear source with too many point sources!\n");
    if (NumVert == 1) {
        // Keeps the first point source when there is one.
        src.resize(1);
        src[0].Position = lista[0];
        NumPointSources = 1;
        return 1;
    }
    const std::vector<double> length = SegmentLengths(NumVert, lista);
    double total = 0.0;
    for (double l : length) total += l;
    if (!std::isfinite(total)) return Refuse("Linear source with invalid vertexes!\n");
    Place(NumVert, lista, length, NumNewSources);
    return NumPointSources;
}

int TLinearSource::Create(int NumVert, const TPoint3D* lista, float DistEntreFontes)
{
    if (!ValidVertices(NumVert, lista)) return 0;
    if (!(DistEntreFontes > 0.0f)) return Refuse("Linear source spacing must be positive!\n");
    const std::vector<double> length = SegmentLengths(NumVert, lista);
    double total = 0.0;
    for (double l : length) total += l;
    if (!std::isfinite(total)) return Refuse("Linear source with invalid vertexes!\n");
    const double intervals = std::floor(total / DistEntreFontes);
    if (intervals >= kMaxLinearPointSources) return Refuse("Linear source with too many point sources!\n");
    Place(NumVert, lista, length, static_cast<int>(intervals) + 1);
    return NumPointSources;
}
