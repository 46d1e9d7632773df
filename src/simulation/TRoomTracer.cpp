// TRoom: the tracing phase of a run. Rays are traced by a pool of workers in chunks of
// consecutive rays, each chunk with its arrivals' ray-file and hit-file lines written; the
// calling thread commits each ray's run-wide outputs (lost-ray line, mean-free-path update,
// percentage and progress) strictly in ray order, and the pairs' outputs (those lines, the
// arrivals into the responses) are committed in ray order per pair, by threads of their own, so
// every file and every sum is the same for any number of threads.

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <exception>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <type_traits>
#include <vector>

#include <emmintrin.h>

#include "geometry/FileLayer.h"
#include "geometry/GeoMath.h"
#include "geometry/HeldOutput.h"
#include "geometry/RayDirections.h"
#include "geometry/TDirection.h"
#include "geometry/TPlane.h"
#include "geometry/util.h"
#include "room/TReceiver.h"
#include "room/TSource.h"
#include "room/TSourceLayer.h"
#include "simulation/LostRayFile.h"
#include "simulation/Raio_st.h"
#include "simulation/RunOpening.h"
#include "simulation/THitLine.h"
#include "simulation/TRay.h"
#include "simulation/TRayScene.h"
#include "simulation/TResult.h"
#include "simulation/TRoom.h"
#include "simulation/TextFields.h"
#include "simulation/ThreadStart.h"
#include "simulation/UsableCores.h"

namespace {

constexpr double kRadToDeg = 57.295779513082323;
constexpr unsigned kChunkRays = 16;

TDirection Degrees(TVector v)
{
    TDirection d = cart2sph(v);
    d.azim = static_cast<float>(d.azim * kRadToDeg);
    d.elev = static_cast<float>(d.elev * kRadToDeg);
    return d;
}

// Squared radius, widened far beyond the rounding of the squared distance of a centre from a
// line computed without the exact construction: beyond it a ray clearly misses the sphere.
inline double ReachSquared(double radius)
{
    const double reach = radius * (1.0 + 1e-6) + 1e-9;
    return reach * reach;
}

// Weight of a receiver sphere (centre c, radius) for the ray's forward line; vn is v
// normalised and P1 = p + vn, as the line-plane intersection computes them.
inline double Reception(TPoint3D p, TVector v, TVector vn, TPoint3D P1, TPoint3D c, double radius)
{
    const TVector toC(c.x - p.x, c.y - p.y, c.z - p.z);
    if (!(toC * v > 0)) return -1;
    // The squared distance of the centre from the line, without the rounding of the exact
    // construction below, decides the clear misses (far outside any rounding of it).
    const double along = toC * vn;
    const double cc = toC * toC;
    const double perp2 = cc - along * along;
    if (perp2 > ReachSquared(radius) + 1e-12 * cc) return std::numeric_limits<double>::quiet_NaN();
    // Foot of the perpendicular: IntersectionLineAndPlane(v, p, v, c).
    const double distPo = v * TVector(p - c);
    const double distP1 = v * TVector(P1 - c);
    const double D = distPo / (distPo - distP1);
    const TPoint3D F(p.x + vn.x * D, p.y + vn.y * D, p.z + vn.z * D);
    const TPoint3D FC(F.x - c.x, F.y - c.y, F.z - c.z);
    const float dist = static_cast<float>(std::sqrt(FC.x * FC.x + FC.y * FC.y + FC.z * FC.z));
    if (radius > dist) return 1.0 - static_cast<double>(dist) * dist / (radius * radius);
    return std::numeric_limits<double>::quiet_NaN();
}

// Whole reflections that fit into the response length: 0 when the mean free path is unknown.
int ReflectionsInResponse(float maxDistance, float meanFreePath)
{
    const float n = maxDistance / meanFreePath;
    if (!std::isfinite(n) || n <= 0.0f) return 0;
    if (n >= 2147483647.0f) return 2147483647;
    return static_cast<int>(n);
}

// One arrival found while tracing, applied to its pair result when its ray is committed.
struct Arrival {
    uint32_t receiver;
    uint32_t index;
    TDirection dir;
    uint32_t order;
    float fatordist;
    float attenuation;  // diffuse arrivals: the lobe weight applied to the scattered energy
    float acum;
    uint32_t energy;  // offset of the band energies in the chunk
    uint32_t hits;    // offset of the layer hit counters in the chunk
    bool diffuse;
};

struct RayOutcome {
    uint32_t firstArrival = 0, numArrivals = 0;
    TDirection startDir;
    bool lost = false;
    TPoint3D lostP;
    TVector lostV;
    unsigned lostReflections = 0;
    bool reflected = false;  // stopped after travelling and reflecting: feeds the mean free path
    double dist = 0.0;
    unsigned reflections = 0;
};

// Where an arrival of a paired receiver goes. Fixed before tracing: the pair's cluster order
// and the run's file flags.
struct Route {
    enum Record : uint8_t { kInsert, kDirect, kEarlyFile, kLateFile } record = kInsert;
    int8_t hit = -1;          // hit file of its line: 0 early, 1 late, -1 none
    bool diffuseHit = false;  // a second line, to the late hit file
};

// An arrival's file lines, written by the tracing thread: text[at, rayEnd) is its ray-file
// line, [rayEnd, hitEnd) its hit-file line, [hitEnd, end) its scattered-arrival hit line. A late
// arrival weighed there has its amplitudes from `amplitudes` on.
struct ArrivalLines {
    static constexpr uint32_t kNone = 0xFFFFFFFFu;
    uint32_t at, rayEnd, hitEnd, end;
    uint32_t amplitudes = kNone;
    uint32_t record = kNone;  // of an early line, in Chunk::early
    Route route;              // of an arrival of a paired receiver, as WriteLines found it
};

// Floats appended a few at a time (an arrival's bands, a late arrival's amplitudes), kept from
// chunk to chunk: an append within the room held is a short copy, without the library's
// general insertion or zero filling.
class FloatLog {
public:
    std::size_t size() const { return size_; }
    void clear() { size_ = 0; }
    void reserve(std::size_t n)
    {
        if (n > buf_.size()) buf_.resize(n);
    }
    const float& operator[](std::size_t i) const { return buf_[i]; }
    const float* begin() const { return buf_.data(); }
    const float* end() const { return buf_.data() + size_; }
    float* data() { return buf_.data(); }
    // n floats more, their values left to the caller; returns where they start.
    std::size_t grow(std::size_t n)
    {
        if (buf_.size() - size_ < n) buf_.resize(std::max(2 * buf_.size(), size_ + n));
        const std::size_t at = size_;
        size_ += n;
        return at;
    }
    void append(const float* from, std::size_t n)
    {
        const std::size_t at = grow(n);
        std::memcpy(buf_.data() + at, from, n * sizeof(float));
    }

private:
    std::vector<float> buf_;
    std::size_t size_ = 0;
};

// The outputs of consecutive rays, reused from chunk to chunk. Each on its own cache lines:
// workers append to neighbouring chunks at the same time.
struct alignas(64) Chunk {
    uint32_t first = 0, count = 0;
    std::vector<RayOutcome> rays;
    std::vector<Arrival> arrivals;
    FloatLog energies;
    std::vector<unsigned> hits;
    std::vector<uint32_t> planeReflections;  // reflections per plane in this chunk
    std::string text;
    std::vector<uint32_t> early;      // the early lines' records, as the clustering reads them
    std::vector<ArrivalLines> lines;  // per arrival
    FloatLog amplitudes;
};

// What every ray of one source shares.
struct alignas(64) SourceJob {  // on cache lines of its own: read by every worker
    const TRayScene* scene = nullptr;
    bool pairedRays = true;  // TracerPairedRays: small rooms traced two rays at a time
    unsigned s = 0;
    TPoint3D origin;
    std::vector<TVector> dirs;  // receiver-aimed directions first, then the grid
    unsigned numExtra = 0;
    std::vector<TDirection> extraSph;  // the receiver-aimed directions in radians
    float spectrum[MAX_NUMBANDS + 1] = {};
    // Run constants.
    unsigned numBands = 0;
    float VS = 0;
    float maxDistance = 0;
    unsigned maxLength = 0;
    double decay = 0;  // 10^(StopDecay / 10)
    int maxReflections = -1;
    bool artificialTail = false;
    bool diffuse = false;
    bool hitFiles = false;
    bool saveLateRays = false;
    bool saveDiffuseRays = false;
    unsigned numLayers = 0;
    unsigned recordBands = 0;  // bands of an arrival's record (TRay)
    // This source's pairs, per receiver (0: none), their cluster orders, and whether their late
    // arrivals are weighed by the tracing threads (TResult::LateAmplitudesApart).
    std::vector<const TResult*> pairs;
    std::vector<uint32_t> clusterOrder;
    std::vector<char> lateApart;
    std::vector<TPoint3D> recPos;
    std::vector<double> recRadius;
    std::vector<double> recReach2;  // ReachSquared of each radius
    // Receiver columns x, y, z, ReachSquared, each of recStride entries (an even count, zero
    // beyond the receivers) for the clear-miss test of two receivers at once.
    std::vector<double> recCols;
    unsigned recStride = 0;
};

// Whether a chunk's rays are traced two at a time (TraceRaysWide).
inline bool TracePaired(const SourceJob& job)
{
    return job.pairedRays && job.scene->WideSmall();
}

// Inlined: a Route returned through memory is written byte by byte and read back whole, which
// stalls.
__attribute__((always_inline)) inline Route RouteOf(const SourceJob& job, const Arrival& a)
{
    Route r{};
    const bool late = a.order > job.clusterOrder[a.receiver];
    if (late)
        r.record = job.saveLateRays ? Route::kLateFile : Route::kInsert;
    else if (a.order == 0 && !a.diffuse)
        r.record = Route::kDirect;
    else
        r.record = Route::kEarlyFile;
    if (job.hitFiles && r.record != Route::kDirect && !(late && a.diffuse)) r.hit = late ? 1 : 0;
    r.diffuseHit = job.hitFiles && a.diffuse && job.saveDiffuseRays;
    return r;
}

// The record of arrival a of ray i.
void MakeRecord(const Chunk& c, const Arrival& a, uint32_t i, const RayOutcome& ray, TRay& rec)
{
    const float* energy = &c.energies[a.energy];
    if (!a.diffuse) {
        rec.Set(a.index, energy, a.dir, a.order, a.fatordist, ray.startDir);
    } else {
        rec.Set(a.index, energy, a.dir, a.order, 1.0f, ray.startDir);
        rec.MultiplyBy(a.attenuation);
    }
    rec.SetId(static_cast<int>(i));
}

// Per-thread working state, sized once.
struct Scratch {
    explicit Scratch(const SourceJob& job, bool lead = true)
        : ray(job.numBands), hit(job.recPos.size()), distRec(job.recPos.size()), fatordist(job.recPos.size()),
          Hits(job.numLayers), planeCount(job.scene->NumPlanes() + 2 * kCountPad), record(job.recordBands)
    {
        if (lead && TracePaired(job)) {
            partner = std::make_unique<Scratch>(job, false);
            rayOut.resize(kChunkRays);
            for (Chunk& c : rayOut) {
                c.arrivals.reserve(64);
                c.energies.reserve(64 * static_cast<std::size_t>(job.numBands));
                if (job.hitFiles) c.hits.reserve(64 * static_cast<std::size_t>(job.numLayers));
            }
        }
    }
    // Reflections per plane while tracing a chunk, kept by the tracing thread (a count
    // written at every reflection shares no cache line with another thread's data) and
    // copied into the chunk when it is done: entry kCountPad + P.
    static constexpr unsigned kCountPad = 16;
    Raio_st ray;
    // The receivers the ray's line crosses at this step, in receiver order: index, distance
    // from the ray's position, weight.
    std::vector<uint32_t> hit;
    std::vector<double> distRec;
    std::vector<double> fatordist;
    std::vector<unsigned> Hits;
    float scatt[MAX_NUMBANDS + 1] = {};
    TRaySceneStack stack;
    std::vector<uint32_t> planeCount;
    TRay record;  // of the arrival whose lines are written
    std::vector<float> srcMag, recMag;
    // Small rooms: the second ray traced beside this one's, and the outputs of rays traced
    // while an earlier ray is still going, by place in the chunk.
    std::unique_ptr<Scratch> partner;
    std::vector<Chunk> rayOut;
};

void PushArrival(Chunk& out, const Scratch& w, const SourceJob& job, const float* energy, const Arrival& a)
{
    Arrival rec = a;
    rec.energy = static_cast<uint32_t>(out.energies.size());
    out.energies.append(energy, job.numBands);
    rec.hits = static_cast<uint32_t>(out.hits.size());
    if (job.hitFiles) out.hits.insert(out.hits.end(), w.Hits.begin(), w.Hits.end());
    out.arrivals.push_back(rec);
}

// The same for a receiver the ray's line crosses: out of the two-ray loop's way (it is rare
// there, and inlined it leaves the loop fewer registers).
__attribute__((noinline)) void PushSpecularArrival(Chunk& out, const Scratch& w, const SourceJob& job,
                                                   const float* energy, const Arrival& a)
{
    PushArrival(out, w, job, energy, a);
}

// A ray being traced: its outcome so far and the state carried from one reflection to the next.
struct RayState {
    RayOutcome res;
    unsigned i = 0;
    int k = 0;
    float acum = 1.0f;
    int last = -1;
    bool stop = false;
    double minEnergy = 0.0;
    // Between the two halves of a step: the receivers the line crosses and the plane met.
    unsigned nh = 0;
    TVector vn;
    TPoint3D P1;
    int P = -1;
    TPoint3D X;
    double planeDist = 0.0;
};

template <bool Value, class T> using ValueOrRef = std::conditional_t<Value, T, T&>;

// Starts ray i; its arrivals go to `out` from its current end on.
__attribute__((always_inline)) inline void BeginRay(const SourceJob& job, Scratch& w, unsigned i, const Chunk& out,
                                                    RayState& s)
{
    s = RayState{};
    s.i = i;
    s.res.firstArrival = static_cast<uint32_t>(out.arrivals.size());
    std::fill(w.Hits.begin(), w.Hits.end(), 0u);
    Raio_st& ray = w.ray;
    const TVector dir0 = job.dirs[i];
    ray.Set(job.origin, dir0, 0, 0.0f, job.spectrum);
    ray.SetId(static_cast<int>(i));
    s.res.startDir = Degrees(dir0);
    s.minEnergy = ray.GetEnergy() * job.decay;
    // A grid ray along a receiver-aimed ray is that ray again.
    if (i >= job.numExtra && job.numExtra) {
        const TDirection sd = cart2sph(dir0);
        for (const TDirection& e : job.extraSph)
            if (sd == e) s.stop = true;
    }
}

// What StepRay does of a step: all of it, or the part up to the nearest-plane search (which
// the caller then runs, for two rays at once) and the part after it.
enum class StepPart { Whole, BeforeSearch, AfterSearch };

// One step of a ray: its arrivals up to the next plane and the reflection there. Wide: the
// small-room search inlined, for callers compiled for 256-bit registers.
// ReflectRayAt without diffuse processing: the same position, direction, products and sum,
// the bands walked without a counter of their own.
__attribute__((always_inline)) inline double ReflectSpecular(Raio_st& ray, const TPoint3D& p, double dist,
                                                             const TVector& n, const float* __restrict keep,
                                                             unsigned nbands)
{
    ray.dist += dist;
    ray.p = p;
    ray.v = ray.v - n * (2 * (ray.v * n));
    ray.reflections += 1;
    float* __restrict e = ray.e;
    float* const end4 = e + (nbands & ~3u);
    // Four bands per step; their energies join the sum one by one, in band order.
    __m128d acc = _mm_setzero_pd();
    for (; e != end4; e += 4, keep += 4) {
        const __m128 v = _mm_mul_ps(_mm_loadu_ps(e), _mm_loadu_ps(keep));
        _mm_storeu_ps(e, v);
        const __m128d lo = _mm_cvtps_pd(v), hi = _mm_cvtps_pd(_mm_movehl_ps(v, v));
        acc = _mm_add_sd(acc, lo);
        acc = _mm_add_sd(acc, _mm_unpackhi_pd(lo, lo));
        acc = _mm_add_sd(acc, hi);
        acc = _mm_add_sd(acc, _mm_unpackhi_pd(hi, hi));
    }
    double sum = _mm_cvtsd_f64(acc);
    switch (nbands & 3u) {
    case 3:
        e[0] = e[0] * keep[0];
        e[1] = e[1] * keep[1];
        e[2] = e[2] * keep[2];
        sum += e[0];
        sum += e[1];
        sum += e[2];
        break;
    case 2:
        e[0] = e[0] * keep[0];
        e[1] = e[1] * keep[1];
        sum += e[0];
        sum += e[1];
        break;
    case 1:
        e[0] = e[0] * keep[0];
        sum += e[0];
        break;
    default:
        break;
    }
    return sum;
}

// A receiver the clear-miss test keeps: Reception decides, as for every receiver; the ray's
// direction normalised and P1 are the step's (in s).
__attribute__((always_inline)) inline void ConsiderReceiver(const SourceJob& job, Scratch& w, RayState& s, unsigned r)
{
    const Raio_st& ray = w.ray;
    const double f = Reception(ray.p, ray.v, s.vn, s.P1, job.recPos[r], job.recRadius[r]);
    if (f >= 0) {
        const TPoint3D d(job.recPos[r].x - ray.p.x, job.recPos[r].y - ray.p.y, job.recPos[r].z - ray.p.z);
        w.hit[s.nh] = r;
        w.fatordist[s.nh] = f;
        w.distRec[s.nh] = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
        ++s.nh;
    }
}

// The clear-miss test of StepRay for two rays at once (lane l: ray l), receiver by receiver,
// each lane's arithmetic that of StepRay's: the receivers each ray keeps go to Reception in
// receiver order. For the two-ray loop, after both rays' first halves (Scan false).
__attribute__((always_inline)) inline void ScanReceiversPaired(const SourceJob& job, Scratch& wa, RayState& a,
                                                               Scratch& wb, RayState& b)
{
    const unsigned nrec = static_cast<unsigned>(job.recPos.size());
    const double* const cx = job.recCols.data();
    const double* const cy = cx + job.recStride;
    const double* const cz = cy + job.recStride;
    const double* const reach2 = cz + job.recStride;
    const Raio_st& ra = wa.ray;
    const Raio_st& rb = wb.ray;
    const __m128d px = _mm_set_pd(rb.p.x, ra.p.x), py = _mm_set_pd(rb.p.y, ra.p.y), pz = _mm_set_pd(rb.p.z, ra.p.z);
    const __m128d vx = _mm_set_pd(rb.v.x, ra.v.x), vy = _mm_set_pd(rb.v.y, ra.v.y), vz = _mm_set_pd(rb.v.z, ra.v.z);
    const __m128d ux = _mm_set_pd(b.vn.x, a.vn.x), uy = _mm_set_pd(b.vn.y, a.vn.y), uz = _mm_set_pd(b.vn.z, a.vn.z);
    const __m128d slack = _mm_set1_pd(1e-12), zero = _mm_setzero_pd();
    for (unsigned r = 0; r < nrec; ++r) {
        const __m128d tx = _mm_sub_pd(_mm_load1_pd(cx + r), px), ty = _mm_sub_pd(_mm_load1_pd(cy + r), py),
                      tz = _mm_sub_pd(_mm_load1_pd(cz + r), pz);
        const __m128d dv = _mm_add_pd(_mm_add_pd(_mm_mul_pd(tx, vx), _mm_mul_pd(ty, vy)), _mm_mul_pd(tz, vz));
        const __m128d along = _mm_add_pd(_mm_add_pd(_mm_mul_pd(tx, ux), _mm_mul_pd(ty, uy)), _mm_mul_pd(tz, uz));
        const __m128d cc = _mm_add_pd(_mm_add_pd(_mm_mul_pd(tx, tx), _mm_mul_pd(ty, ty)), _mm_mul_pd(tz, tz));
        const __m128d perp2 = _mm_sub_pd(cc, _mm_mul_pd(along, along));
        const __m128d ok = _mm_and_pd(_mm_cmpgt_pd(dv, zero),
                                      _mm_cmple_pd(perp2, _mm_add_pd(_mm_load1_pd(reach2 + r), _mm_mul_pd(slack, cc))));
        const int m = _mm_movemask_pd(ok);
        if (m & 1) ConsiderReceiver(job, wa, a, r);
        if (m & 2) ConsiderReceiver(job, wb, b, r);
    }
}

template <bool Wide, StepPart Part = StepPart::Whole, bool Scan = true>
__attribute__((always_inline)) inline void StepRay(const SourceJob& job, Scratch& w, uint32_t* planeCount, RayState& s,
                                                   Chunk& out)
{
    const TRayScene& scene = *job.scene;
    const unsigned nrec = static_cast<unsigned>(job.recPos.size());
    RayOutcome& res = s.res;
    Raio_st& ray = w.ray;
    const unsigned i = s.i;
    int& k = s.k;
    float& acum = s.acum;
    int& last = s.last;
    bool& stop = s.stop;
    const double minEnergy = s.minEnergy;
    uint32_t* const hit = w.hit.data();
    double* const distRec = w.distRec.data();
    double* const fatordist = w.fatordist.data();
    // A whole step keeps these in locals (the search, when not inlined, then writes no memory
    // the rest reads); the halves pass them on in the state.
    ValueOrRef<Part == StepPart::Whole, unsigned> nh = s.nh;
    ValueOrRef<Part == StepPart::Whole, TPoint3D> X = s.X;
    ValueOrRef<Part == StepPart::Whole, double> planeDist = s.planeDist;
    ValueOrRef<Part == StepPart::Whole, int> P = s.P;
    if constexpr (Part != StepPart::AfterSearch) {
        const TVector vn = UnitLike(ray.v);
        const TPoint3D P1(ray.p.x + vn.x, ray.p.y + vn.y, ray.p.z + vn.z);
        s.vn = vn;
        s.P1 = P1;
        nh = 0;
        // A receiver the clear-miss test keeps: Reception decides, as for every receiver.
        auto consider = [&](unsigned r) {
            const double f = Reception(ray.p, ray.v, vn, P1, job.recPos[r], job.recRadius[r]);
            if (f >= 0) {
                const TPoint3D d(job.recPos[r].x - ray.p.x, job.recPos[r].y - ray.p.y, job.recPos[r].z - ray.p.z);
                hit[nh] = r;
                fatordist[nh] = f;
                distRec[nh] = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
                ++nh;
            }
        };
        // Receivers behind the ray or clearly beside its line are skipped (Reception decides
        // them the same way and then constructs the rest).
        if constexpr (Scan) {
            const double* const cx = job.recCols.data();
            const double* const cy = cx + job.recStride;
            const double* const cz = cy + job.recStride;
            const double* const reach2 = cz + job.recStride;
            const __m128d px = _mm_set1_pd(ray.p.x), py = _mm_set1_pd(ray.p.y), pz = _mm_set1_pd(ray.p.z);
            const __m128d vx = _mm_set1_pd(ray.v.x), vy = _mm_set1_pd(ray.v.y), vz = _mm_set1_pd(ray.v.z);
            const __m128d ux = _mm_set1_pd(vn.x), uy = _mm_set1_pd(vn.y), uz = _mm_set1_pd(vn.z);
            const __m128d slack = _mm_set1_pd(1e-12), zero = _mm_setzero_pd();
            for (unsigned r = 0; r < nrec; r += 2) {
                const __m128d tx = _mm_sub_pd(_mm_loadu_pd(cx + r), px), ty = _mm_sub_pd(_mm_loadu_pd(cy + r), py),
                              tz = _mm_sub_pd(_mm_loadu_pd(cz + r), pz);
                const __m128d dv = _mm_add_pd(_mm_add_pd(_mm_mul_pd(tx, vx), _mm_mul_pd(ty, vy)), _mm_mul_pd(tz, vz));
                const __m128d along =
                    _mm_add_pd(_mm_add_pd(_mm_mul_pd(tx, ux), _mm_mul_pd(ty, uy)), _mm_mul_pd(tz, uz));
                const __m128d cc = _mm_add_pd(_mm_add_pd(_mm_mul_pd(tx, tx), _mm_mul_pd(ty, ty)), _mm_mul_pd(tz, tz));
                const __m128d perp2 = _mm_sub_pd(cc, _mm_mul_pd(along, along));
                const __m128d ok =
                    _mm_and_pd(_mm_cmpgt_pd(dv, zero),
                               _mm_cmple_pd(perp2, _mm_add_pd(_mm_loadu_pd(reach2 + r), _mm_mul_pd(slack, cc))));
                const int m = _mm_movemask_pd(ok);
                if (m & 1) consider(r);
                if ((m & 2) && r + 1 < nrec) consider(r + 1);
            }
        }

        planeDist = 0.0;
        if constexpr (Part == StepPart::Whole) {
            if constexpr (Wide)
                P = scene.NearestWide(ray.p, ray.v, vn, P1, last, X, planeDist);
            else
                P = scene.Nearest(ray.p, ray.v, vn, P1, last, X, planeDist, w.stack);
        }
    }
    if constexpr (Part != StepPart::BeforeSearch) {
        double energy = 0.0;
        // Specular arrivals: receivers nearer than the plane the ray meets.
        for (unsigned h = 0; h < nh; ++h) {
            if (P >= 0 && distRec[h] > planeDist) continue;
            const double idx = std::round((distRec[h] + ray.dist) * job.VS);
            if (!(idx < static_cast<double>(job.maxLength))) continue;
            Arrival a{};
            a.receiver = hit[h];
            a.index = static_cast<uint32_t>(idx);
            a.dir = Degrees(TVector(-ray.v.x, -ray.v.y, -ray.v.z));
            a.order = static_cast<uint32_t>(k);
            a.fatordist = static_cast<float>(fatordist[h]);
            a.attenuation = 1.0f;
            a.acum = acum;
            a.diffuse = false;
            PushSpecularArrival(out, w, job, ray.e, a);
        }

        if (P >= 0) {
            const TRayScene::Plane& pl = scene.plane(static_cast<unsigned>(P));
            if (job.hitFiles && pl.layer >= 0 && static_cast<unsigned>(pl.layer) < job.numLayers) ++w.Hits[pl.layer];
            // |X - p| as the search measured it; without diffuse processing nothing reads the
            // scattered energy.
            if (job.diffuse)
                energy = ReflectRayAt(ray, X, planeDist, pl.normal, pl.abs, pl.dif, pl.keep, job.numBands,
                                      static_cast<float>(job.numBands), true, w.scatt);
            else
                energy = ReflectSpecular(ray, X, planeDist, pl.normal, pl.keep, job.numBands);
            acum = static_cast<float>(acum * 1.0);
            ++planeCount[Scratch::kCountPad + static_cast<unsigned>(P)];
            if (job.diffuse) {
                const TVector specularDir = ray.v / Module(ray.v);
                // The reflected ray leaves on the side it came from: only receivers on that side
                // of the plane hear the scattered part (a centre on the plane hears none).
                const double leaving = ray.v * pl.normal;
                for (unsigned r = 0; r < nrec; ++r) {
                    const TVector toRec(job.recPos[r] - X);
                    if (!((toRec * pl.normal) * leaving > 0.0)) continue;
                    const float scattDist = static_cast<float>(Module(toRec));
                    if (!(scattDist > 0.0f)) continue;
                    if (!scene.Visible(X, job.recPos[r], P, w.stack)) continue;
                    const TVector diffuseDir = toRec / scattDist;
                    const float costheta = static_cast<float>(std::fabs(diffuseDir * specularDir));
                    const float theta = std::acos(costheta) / 3.14159265358979323846f;
                    const float sigma = 0.15f;
                    const float attenuation = std::exp(-0.5f * theta * theta / (sigma * sigma));
                    const float fidx = std::round((scattDist + static_cast<float>(ray.dist)) * job.VS);
                    Arrival a{};
                    a.receiver = r;
                    a.index = fidx >= 0.0f && fidx < 4294967040.0f ? static_cast<uint32_t>(fidx) : 0xFFFFFFFFu;
                    a.dir = Degrees(TVector(-diffuseDir.x, -diffuseDir.y, -diffuseDir.z));
                    a.order = static_cast<uint32_t>(k + 1);
                    a.fatordist = 1.0f;
                    a.attenuation = attenuation;
                    a.acum = acum;
                    a.diffuse = true;
                    PushArrival(out, w, job, w.scatt, a);
                }
            }
            ++k;
            last = P;
        }

        if (job.maxReflections >= 0 && k > job.maxReflections) stop = true;
        if (job.artificialTail && i % 10 == 0) stop = false;
        if (ray.dist > job.maxDistance) stop = true;
        // Without a reflection the ray is lost and stops anyway.
        if (P >= 0 && energy < minEnergy) stop = true;
        if (P < 0) {
            stop = true;
            res.lost = true;
            res.lostP = ray.p;
            res.lostV = ray.v;
            res.lostReflections = ray.reflections;
        }
        if (stop && ray.dist > 0 && k != 0) {
            res.reflected = true;
            res.dist = ray.dist;
            res.reflections = static_cast<unsigned>(k);
        }
    }
}

__attribute__((always_inline)) inline void EndRay(RayState& s, const Chunk& out)
{
    s.res.numArrivals = static_cast<uint32_t>(out.arrivals.size()) - s.res.firstArrival;
}

void TraceRay(const SourceJob& job, Scratch& w, unsigned i, Chunk& out)
{
    RayState s;
    BeginRay(job, w, i, out, s);
    while (!s.stop) StepRay<false>(job, w, w.planeCount.data(), s, out);
    EndRay(s, out);
    out.rays.push_back(s.res);
}

// The rays of a room of at most eight planes, the whole loop compiled for 256-bit registers
// (no fused operations: every value rounds as in TraceRay).
__attribute__((target("avx"), flatten)) void TraceRaysWide(const SourceJob& job, Scratch& w, uint32_t first,
                                                           uint32_t count, Chunk& out)
{
    // Two rays at a time, their steps alternating: the chains of one reflection after another
    // of two independent rays overlap. The oldest unfinished ray writes into `out`, a later one
    // into its own buffer, appended when every earlier ray is done: `out` gets the rays in order.
    Scratch* const ws[2] = {&w, w.partner.get()};
    uint32_t* const counts = w.planeCount.data();
    RayState st[2];
    Chunk* sink[2] = {&out, &out};
    bool busy[2] = {false, false};
    bool finished[kChunkRays] = {}, buffered[kChunkRays] = {};
    RayOutcome done[kChunkRays];
    const uint32_t end = first + count;
    uint32_t next = first, flushed = first;  // the rays before `flushed` are in `out`
    auto append = [&](Chunk& buf, RayOutcome& res) {
        const uint32_t a0 = static_cast<uint32_t>(out.arrivals.size());
        const uint32_t e0 = static_cast<uint32_t>(out.energies.size()), h0 = static_cast<uint32_t>(out.hits.size());
        for (Arrival a : buf.arrivals) {
            a.energy += e0;
            a.hits += h0;
            out.arrivals.push_back(a);
        }
        out.energies.append(buf.energies.begin(), buf.energies.size());
        out.hits.insert(out.hits.end(), buf.hits.begin(), buf.hits.end());
        res.firstArrival += a0;
        buf.arrivals.clear();
        buf.energies.clear();
        buf.hits.clear();
    };
    auto start = [&](unsigned l) {
        busy[l] = false;
        if (next >= end) return;
        const uint32_t i = next++;
        Chunk& buf = w.rayOut[i - first];
        buf.arrivals.clear();
        buf.energies.clear();
        buf.hits.clear();
        sink[l] = i == flushed ? &out : &buf;
        BeginRay(job, *ws[l], i, *sink[l], st[l]);
        busy[l] = true;
    };
    auto advance = [&] {
        while (flushed < end) {
            const unsigned r = flushed - first;
            if (!finished[r]) {
                for (unsigned l = 0; l < 2; ++l)
                    if (busy[l] && st[l].i == flushed && sink[l] != &out) {
                        append(*sink[l], st[l].res);
                        sink[l] = &out;
                    }
                return;
            }
            if (buffered[r]) append(w.rayOut[r], done[r]);
            out.rays.push_back(done[r]);
            ++flushed;
        }
    };
    auto finish = [&](unsigned l) {
        EndRay(st[l], *sink[l]);
        const unsigned r = st[l].i - first;
        done[r] = st[l].res;
        finished[r] = true;
        buffered[r] = sink[l] != &out;
        busy[l] = false;
        advance();
        start(l);
    };
    start(0);
    start(1);
    for (;;) {
        for (unsigned l = 0; l < 2; ++l)
            while (busy[l] && st[l].stop) finish(l);
        if (busy[0] && busy[1]) {
            // Both rays' states in locals of their own while the two go on.
            RayState a = st[0], b = st[1];
            Scratch& wa = *ws[0];
            Scratch& wb = *ws[1];
            Chunk& oa = *sink[0];
            Chunk& ob = *sink[1];
            do {
                StepRay<true, StepPart::BeforeSearch, false>(job, wa, counts, a, oa);
                StepRay<true, StepPart::BeforeSearch, false>(job, wb, counts, b, ob);
                ScanReceiversPaired(job, wa, a, wb, b);
                job.scene->NearestWide2({wa.ray.p, wa.ray.v, a.vn, a.P1, a.last},
                                        {wb.ray.p, wb.ray.v, b.vn, b.P1, b.last}, a.P, a.X, a.planeDist, b.P, b.X,
                                        b.planeDist);
                StepRay<true, StepPart::AfterSearch>(job, wa, counts, a, oa);
                StepRay<true, StepPart::AfterSearch>(job, wb, counts, b, ob);
            } while (!a.stop && !b.stop);
            st[0] = a;
            st[1] = b;
        } else if (busy[0]) {
            StepRay<true>(job, *ws[0], counts, st[0], *sink[0]);
        } else if (busy[1]) {
            StepRay<true>(job, *ws[1], counts, st[1], *sink[1]);
        } else {
            break;
        }
    }
}

// The file lines of a traced chunk's arrivals: the commit appends them as they are.
void WriteLines(const SourceJob& job, Scratch& w, Chunk& c)
{
    c.text.clear();
    c.early.clear();
    c.lines.clear();
    c.amplitudes.clear();
    const int numLayers = static_cast<int>(job.numLayers);
    for (uint32_t j = 0; j < c.count; ++j) {
        const RayOutcome& ray = c.rays[j];
        for (uint32_t n = ray.firstArrival; n < ray.firstArrival + ray.numArrivals; ++n) {
            const Arrival& a = c.arrivals[n];
            ArrivalLines l{};
            l.at = static_cast<uint32_t>(c.text.size());
            l.rayEnd = l.hitEnd = l.at;
            if (job.pairs[a.receiver]) {
                const Route route = RouteOf(job, a);
                l.route = route;
                MakeRecord(c, a, c.first + j, ray, w.record);
                if (route.record == Route::kLateFile) w.record.AppendLine(c.text);
                if (route.record == Route::kEarlyFile) {
                    // The record from the values written; the line read back only where they
                    // do not decide it.
                    l.record = static_cast<uint32_t>(c.early.size());
                    c.early.resize(c.early.size() + EarlyArrivalStore::Words(job.numBands));
                    if (!EarlyArrivalStore::AppendLine(w.record, job.numBands, c.text, &c.early[l.record]) &&
                        !EarlyArrivalStore::FromLine(std::string_view(c.text).substr(l.at), job.numBands,
                                                     &c.early[l.record])) {
                        c.early.resize(l.record);
                        l.record = ArrivalLines::kNone;
                    }
                }
                l.rayEnd = static_cast<uint32_t>(c.text.size());
                const unsigned* hits = job.hitFiles ? &c.hits[a.hits] : nullptr;
                if (route.hit >= 0) AppendHitLine(c.text, w.record, hits, numLayers, 1, a.acum);
                l.hitEnd = static_cast<uint32_t>(c.text.size());
                if (route.diffuseHit) AppendHitLine(c.text, w.record, hits, numLayers, 1, a.acum);
                if (route.record == Route::kInsert && job.lateApart[a.receiver]) {
                    const TResult& pair = *job.pairs[a.receiver];
                    // LateAmplitudes writes every channel's bands.
                    l.amplitudes =
                        static_cast<uint32_t>(c.amplitudes.grow(std::size_t{pair.NumChannels} * pair.NumBands));
                    pair.LateAmplitudes(w.record, c.amplitudes.data() + l.amplitudes, w.srcMag, w.recMag);
                }
            }
            l.end = static_cast<uint32_t>(c.text.size());
            c.lines.push_back(l);
        }
    }
}

void TraceChunk(const SourceJob& job, Scratch& w, Chunk& out, uint32_t first, uint32_t count)
{
    out.first = first;
    out.count = count;
    out.rays.clear();
    out.arrivals.clear();
    out.energies.clear();
    out.hits.clear();
    std::fill(w.planeCount.begin(), w.planeCount.end(), 0u);
    if (TracePaired(job))
        TraceRaysWide(job, w, first, count, out);
    else
        for (uint32_t i = first; i < first + count; ++i) TraceRay(job, w, i, out);
    out.planeReflections.assign(w.planeCount.begin() + Scratch::kCountPad, w.planeCount.end() - Scratch::kCountPad);
    WriteLines(job, w, out);
}

void PrepareChunk(Chunk& c, const SourceJob& job)
{
    c.rays.reserve(kChunkRays);
    c.arrivals.reserve(256);
    c.energies.reserve(256 * static_cast<std::size_t>(job.numBands));
    if (job.hitFiles) c.hits.reserve(256 * static_cast<std::size_t>(job.numLayers));
    c.planeReflections.reserve(job.scene->NumPlanes());
    c.lines.reserve(256);
    c.text.reserve(256 * 128);
    c.early.reserve(256 * std::size_t{EarlyArrivalStore::Words(job.numBands)});
    c.amplitudes.reserve(256 * static_cast<std::size_t>(job.numBands));
}

}  // namespace

// What the committing threads keep through a run.
struct alignas(64) TRoomTraceCommit {  // written by the committing threads only
    TRoom& room;
    SourceJob& job;
    TRay record;  // of the arrival inserted by the calling thread
    std::FILE* lostFile = nullptr;
    std::string lostText;
    unsigned lostCount = 0;
    float totalDistance = 0.0f;
    unsigned totalReflections = 0;
    float MFP_estimate = 0.0f;
    unsigned progressStep = 1;
    bool stopped = false;
    // The pairs' arrivals may be applied by `groups` threads of their own, thread groupOf[r]
    // (1 .. groups) taking receiver r's pair, 0 the calling thread: each walks the chunks in ray
    // order, so every pair sees its arrivals in order.
    unsigned groups = 0;
    std::vector<uint8_t> groupOf;

    TRoomTraceCommit(TRoom& r, SourceJob& j) : room(r), job(j), record(r.NumBands) {}

    void FlushLost()
    {
        if (lostFile && !lostText.empty()) WriteText(lostFile, lostText);
        lostText.clear();
    }

    // Splits the job's pairs among at most maxGroups threads. Pairs read through a pattern's
    // data file stay on the calling thread (the source's pattern is read by every pair).
    void GroupPairs(unsigned maxGroups)
    {
        groupOf.assign(job.pairs.size(), 0);
        unsigned paired = 0;
        bool apart = true;
        for (std::size_t r = 0; r < job.pairs.size(); ++r)
            if (job.pairs[r]) {
                ++paired;
                apart = apart && job.lateApart[r];
            }
        groups = apart ? std::min(paired, maxGroups) : 0u;
        unsigned k = 0;
        for (std::size_t r = 0; r < job.pairs.size(); ++r)
            if (job.pairs[r] && groups > 0) groupOf[r] = static_cast<uint8_t>(1 + k++ % groups);
    }

    // Applies a chunk's outputs in ray order with the arrivals of the pairs left to the calling
    // thread; returns the rays committed (up to the one where `stopped` was set).
    uint32_t Commit(const Chunk& c)
    {
        const unsigned s = job.s;
        const unsigned perSource = room.NumRays + room.NumReceivers;
        uint32_t j = 0;
        while (j < c.count) {
            const uint32_t i = c.first + j;
            const RayOutcome& ray = c.rays[j++];
            for (uint32_t n = ray.firstArrival; n < ray.firstArrival + ray.numArrivals; ++n)
                if (groups == 0 || groupOf[c.arrivals[n].receiver] == 0) Apply(c, n, i, ray, record);
            if (ray.lost) {
                ++lostCount;
                if (lostFile) {
                    Raio_st rec;
                    rec.p = ray.lostP;
                    rec.v = ray.lostV;
                    rec.reflections = ray.lostReflections;
                    AppendLostRayLine(lostText, rec, static_cast<int>(s));
                    if (lostText.size() >= 64 * 1024) FlushLost();
                }
            }
            if (ray.reflected) {
                totalDistance += ray.dist;
                totalReflections += ray.reflections;
                room.MeanFreePath =
                    static_cast<float>(0.8 * room.MeanFreePath + 0.2 * totalDistance / totalReflections);
            }
            if (!room.IsRunning.load() || room.run.StopRequested()) stopped = true;
            const float pct =
                static_cast<float>(perSource * s + i + 1) / static_cast<float>(perSource * room.NumSources) * 50.0f;
            room.PercentageStatus.store(pct);
            if (i % progressStep == 0)
                std::printf(
                    "\r%1.2f %% - SOURCE %.2d/%.2d - RAY = %d - LOST = %d - MFP = %1.2f (Estim=%1.2f) - N = %d    ",
                    2.0 * pct, static_cast<int>(s + 1), static_cast<int>(room.NumSources), static_cast<int>(i),
                    static_cast<int>(lostCount), room.MeanFreePath, MFP_estimate,
                    ReflectionsInResponse(job.maxDistance, room.MeanFreePath));
            if (stopped) break;
        }
        // Reflections per plane: what the plane report reads, the same for any thread count.
        for (unsigned P = 0; P < c.planeReflections.size(); ++P) room.plane[P]->hits += c.planeReflections[P];
        return j;
    }

    // The arrivals of group g's pairs in a chunk's first `rays` rays, on a committing thread of
    // their own (rec: its record).
    void ApplyGroup(const Chunk& c, uint32_t rays, unsigned g, TRay& rec) const
    {
        for (uint32_t j = 0; j < rays; ++j) {
            const RayOutcome& ray = c.rays[j];
            for (uint32_t n = ray.firstArrival; n < ray.firstArrival + ray.numArrivals; ++n)
                if (groupOf[c.arrivals[n].receiver] == g) Apply(c, n, c.first + j, ray, rec);
        }
    }

    // Arrival n of the chunk, of ray i: into its pair's response or its prepared lines into
    // the pair's files.
    void Apply(const Chunk& c, uint32_t n, uint32_t i, const RayOutcome& ray, TRay& rec) const
    {
        const Arrival& a = c.arrivals[n];
        if (!job.pairs[a.receiver]) return;
        TResult* pair = room.spcresult[a.receiver][job.s].get();
        const ArrivalLines& l = c.lines[n];
        const Route route = l.route;
        const std::string_view text(c.text);
        switch (route.record) {
        case Route::kInsert:
            if (l.amplitudes != ArrivalLines::kNone) {
                pair->InsertLate(a.index, a.order, &c.amplitudes[l.amplitudes]);
                break;
            }
            MakeRecord(c, a, i, ray, rec);
            pair->InsertRay(&rec);
            break;
        case Route::kDirect:
            MakeRecord(c, a, i, ray, rec);
            pair->AcumulateDirectSound(&rec);
            break;
        case Route::kEarlyFile:
        case Route::kLateFile:
            pair->SaveRayLine(text.substr(l.at, l.rayEnd - l.at), route.record == Route::kLateFile ? 1 : 0,
                              l.record != ArrivalLines::kNone && pair->NumBands == job.numBands ? &c.early[l.record]
                                                                                                : nullptr);
            break;
        }
        if (route.hit >= 0) pair->InsertHitLine(text.substr(l.rayEnd, l.hitEnd - l.rayEnd), route.hit);
        if (route.diffuseHit) pair->InsertHitLine(text.substr(l.hitEnd, l.end - l.hitEnd), 1);
    }
};

namespace {

// Traces chunks [0, numChunks) of the job on `threads` workers and commits them in order: the
// calling thread commits each ray's run-wide outputs (and the arrivals of the pairs no group
// thread takes), a thread per group of pairs follows it with their arrivals of the same rays. A
// slot takes its next chunk once every group has applied the one it holds. Returns false when
// the commit asked to stop; every pair has then taken the rays up to the one it stopped at, as
// with one thread.
bool RunChunks(const SourceJob& job, unsigned total, unsigned threads, std::vector<Chunk>& slots,
               TRoomTraceCommit& commit)
{
    const uint32_t numChunks = (total + kChunkRays - 1) / kChunkRays;
    auto chunkRange = [&](uint32_t c, uint32_t& first, uint32_t& count) {
        first = c * kChunkRays;
        count = std::min<uint32_t>(kChunkRays, total - first);
    };
    if (threads <= 1 || numChunks <= 1) {
        commit.GroupPairs(0);
        Scratch w(job);
        Chunk& slot = slots[0];
        for (uint32_t c = 0; c < numChunks; ++c) {
            uint32_t first = 0, count = 0;
            chunkRange(c, first, count);
            TraceChunk(job, w, slot, first, count);
            commit.Commit(slot);
            if (commit.stopped) return false;
        }
        return true;
    }

    const uint32_t K = static_cast<uint32_t>(slots.size());
    std::mutex m;
    std::condition_variable cvDone;  // the calling thread waits for its next chunk
    // Per slot: the workers holding a later chunk of the slot wait for it to be committed
    // (waking every worker after each commit costs the commit more than the commit itself).
    std::vector<std::condition_variable> cvFree(K);
    std::condition_variable cvRays;      // the group threads wait for the calling thread's next chunk
    std::vector<uint32_t> traced(K, 0);  // per slot: 1 + the chunk traced into it
    std::vector<uint32_t> rays(K, 0);    // per slot: its chunk's rays committed by the calling thread
    uint32_t ahead = 0;                  // chunks the calling thread has committed
    uint32_t end = numChunks;            // chunks to commit: fewer after a stop
    std::vector<uint32_t> applied;       // chunks applied per group, 0: the calling thread
    uint32_t committed = 0;              // chunks every group has applied
    bool abort = false;                  // the workers end
    std::atomic<uint32_t> next{0};

    std::exception_ptr error;  // the first a worker or a group thread threw (out of memory), under m
    auto fail = [&] {
        {
            std::lock_guard<std::mutex> lock(m);
            if (!error) error = std::current_exception();
            abort = true;
        }
        cvDone.notify_all();
        cvRays.notify_all();
        for (std::condition_variable& cv : cvFree) cv.notify_all();
    };
    // Group g has applied chunk c (under m): frees the slots every group is done with.
    auto appliedChunk = [&](unsigned g, uint32_t c) {
        applied[g] = c + 1;
        const uint32_t low = *std::min_element(applied.begin(), applied.end());
        const uint32_t from = committed;
        committed = low;
        return std::pair<uint32_t, uint32_t>(from, low);
    };
    auto release = [&](std::pair<uint32_t, uint32_t> freed) {
        if (freed.first == freed.second) return;
        for (uint32_t c = freed.first; c < freed.second && c < freed.first + K; ++c) cvFree[c % K].notify_all();
        cvDone.notify_one();  // the calling thread may trace into a freed slot
    };

    auto work = [&] {
        Scratch w(job);
        for (;;) {
            const uint32_t c = next.fetch_add(1);
            if (c >= numChunks) return;
            {
                std::unique_lock<std::mutex> lock(m);
                cvFree[c % K].wait(lock, [&] { return abort || c < committed + K; });
                if (abort) return;
            }
            uint32_t first = 0, count = 0;
            chunkRange(c, first, count);
            TraceChunk(job, w, slots[c % K], first, count);
            {
                std::lock_guard<std::mutex> lock(m);
                traced[c % K] = c + 1;
            }
            cvDone.notify_one();
        }
    };
    auto worker = [&] {
        try {
            work();
        } catch (...) {
            fail();
        }
    };
    // Group g's thread: applies its pairs' arrivals of every chunk the calling thread committed.
    // What it reports goes where the calling thread's reports go.
    HeldOutput* const hold = ThreadOutputHold();
    auto group = [&](unsigned g) {
        try {
            std::optional<ScopedOutputHold> held;
            if (hold) held.emplace(*hold);
            TRay rec(commit.room.NumBands);
            std::optional<Scratch> own;  // traces a free chunk while its pairs have nothing to apply
            for (uint32_t c = 0;; ++c) {
                uint32_t n = 0;
                for (;;) {
                    uint32_t free = 0;
                    {
                        std::unique_lock<std::mutex> lock(m);
                        auto ready = [&] { return error || c < ahead || c >= end; };
                        if (!ready()) {
                            const uint32_t take = next.load();
                            if (abort || take >= numChunks || take >= committed + K) cvRays.wait(lock, ready);
                        }
                        if (error || c >= end) return;
                        if (c < ahead) {
                            n = rays[c % K];
                            break;
                        }
                        free = committed + K;
                    }
                    uint32_t take = next.load();
                    if (take < numChunks && take < free && next.compare_exchange_strong(take, take + 1)) {
                        if (!own) own.emplace(job);
                        uint32_t first = 0, count = 0;
                        chunkRange(take, first, count);
                        TraceChunk(job, *own, slots[take % K], first, count);
                        {
                            std::lock_guard<std::mutex> lock(m);
                            traced[take % K] = take + 1;
                        }
                        cvDone.notify_one();
                    }
                }
                commit.ApplyGroup(slots[c % K], n, g, rec);
                std::pair<uint32_t, uint32_t> freed;
                {
                    std::lock_guard<std::mutex> lock(m);
                    freed = appliedChunk(g, c);
                }
                release(freed);
            }
        } catch (...) {
            fail();
        }
    };

    // The group threads first: the pairs of a group whose thread the system refuses go to the
    // calling thread, before any chunk is committed.
    const unsigned maxGroups = std::max(1u, std::min(threads / 2, 8u));
    commit.GroupPairs(maxGroups);
    applied.assign(commit.groups + 1, 0);
    std::vector<std::thread> groupPool;
    groupPool.reserve(commit.groups);
    for (unsigned g = 1; g <= commit.groups; ++g) {
        try {
            groupPool.push_back(StartThread([&group, g] { group(g); }));
        } catch (const std::system_error&) {
            break;
        }
    }
    const unsigned started = static_cast<unsigned>(groupPool.size());
    if (started < commit.groups) {
        {
            std::lock_guard<std::mutex> lock(m);  // the started ones read groupOf once woken
            for (uint8_t& g : commit.groupOf)
                if (g > started) g = 0;
            applied.resize(started + 1);
            commit.groups = started;
        }
    }

    // The calling thread is one of the `threads`: it commits in order and traces whenever the
    // next chunk to commit is not ready yet and a chunk is free to take. The group threads are
    // among them too and trace while they have nothing to apply: with a worker besides each, the
    // threads outnumbered the cores, and the commit waited for a core while the workers filled
    // every slot.
    const unsigned groupThreads = std::min(commit.groups, threads - 2);
    const unsigned nworkers = std::min<unsigned>(threads - 1 - groupThreads, numChunks);
    std::vector<std::thread> pool;
    StartPool(pool, nworkers, worker, false);  // fewer when the system refuses some
    // A commit that throws (out of memory, a stop by a signal) lets the other threads go first.
    struct Release {
        std::function<void()> release;
        ~Release() { release(); }
    } joinAll{[&] {
        {
            std::lock_guard<std::mutex> lock(m);
            abort = true;
            end = std::min(end, ahead);
        }
        cvRays.notify_all();
        for (std::condition_variable& cv : cvFree) cv.notify_all();
        for (std::thread& t : pool)
            if (t.joinable()) t.join();
        for (std::thread& t : groupPool)
            if (t.joinable()) t.join();
    }};

    bool ok = true;
    Scratch own(job);
    for (uint32_t c = 0; c < numChunks;) {
        const uint32_t slot = c % K;
        bool ready = false, failed = false;
        uint32_t free = 0;
        {
            std::lock_guard<std::mutex> lock(m);
            ready = traced[slot] == c + 1;
            failed = error != nullptr;
            free = committed + K;
        }
        if (failed) break;
        if (!ready) {
            uint32_t take = next.load();
            if (take < numChunks && take < free && next.compare_exchange_strong(take, take + 1)) {
                uint32_t first = 0, count = 0;
                chunkRange(take, first, count);
                TraceChunk(job, own, slots[take % K], first, count);
                {
                    std::lock_guard<std::mutex> lock(m);
                    traced[take % K] = take + 1;
                }
                continue;
            }
            std::unique_lock<std::mutex> lock(m);
            cvDone.wait(lock, [&] { return traced[slot] == c + 1 || error || committed + K != free; });
            if (error) break;
            if (traced[slot] != c + 1) continue;
        }
        const uint32_t n = commit.Commit(slots[slot]);
        ok = !commit.stopped;
        std::pair<uint32_t, uint32_t> freed;
        {
            std::lock_guard<std::mutex> lock(m);
            rays[slot] = n;
            ahead = c + 1;
            if (!ok) {
                end = c + 1;
                abort = true;
            }
            freed = appliedChunk(0, c);
        }
        cvRays.notify_all();
        if (ok)
            release(freed);
        else
            for (std::condition_variable& cv : cvFree) cv.notify_all();
        if (!ok) break;
        ++c;
    }
    // The groups apply what the calling thread committed before the workers are let go.
    for (std::thread& t : groupPool) t.join();
    for (std::thread& t : pool) t.join();
    if (error) std::rethrow_exception(error);
    return ok;
}

}  // namespace

unsigned TRoom::TracerThreadCount() const
{
    if (run.TracerThreads) return run.TracerThreads;
    return UsableCores();
}

double TRoom::RayTracingReception(const Raio_st& y, int /*S*/, int R)
{
    TVector vn = y.v;
    vn.Normalize();
    const TReceiver& rec = *receiver[static_cast<std::size_t>(R)];
    return Reception(y.p, y.v, vn, y.p + VectorToPoint(vn), rec.Position, rec.Radius);
}

int TRoom::CheckVisibility(TPoint3D p, TPoint3D recpos)
{
    return CheckVisibility(p, recpos, -1);
}

int TRoom::CheckVisibility(TPoint3D p, TPoint3D recpos, int skipPlane)
{
    TRayScene scene;
    scene.Build(*this, false);
    TRaySceneStack stack;
    return scene.Visible(p, recpos, skipPlane, stack);
}

void TRoom::PrepareRun()
{
    if (!ResultsCreated || NumReceivers == 0 || NumSources == 0) return;  // TraceRays refuses it
    if (ArtificialTailFlag && MaxRayTracReflections == -1) {
        MaxRayTracReflections = 6;
        TailLimitNotice = true;
    }
    // The list drawn by the views belongs to the previous run.
    DeleteLostRays();
    NumLostRays = 0;
    for (unsigned s = 0; s < NumSources; ++s) source[s]->NumberOfRays = RayGridCount(source[s]->NumberOfRays);
}

void TRoom::Simulate()
{
    PrepareRun();
    TraceRays();
}

void TRoom::TraceRays()
{
    const float VS = FSample / VSound;
    const float MaxDistance = static_cast<float>(MaxLength) / FSample * VSound;
    const float MFP_estimate = MeanFreePath;
    if (!OpenRun(*this, "NEW SIMULATION", true)) return;
    if (TailLimitNotice) {
        TailLimitNotice = false;
        const char* line = "========================================================\n";
        std::printf("%s", line);
        std::printf("ATENTION: ARTIFICIAL_TAIL flag in ON and MAX_RAYTRAC_REF is -1\n");
        std::printf("There is no need to proceed with long propagation time since tail is artificial.\n");
        std::printf("Setting MAX_RAYTRAC_REF = %d.\n", MaxRayTracReflections);
        std::printf("%s", line);
    }
    ShowCriticalDistance(*this);
    if (DiffuseProcessing)
        std::printf("Starting Ray-tracing (Specular + Diffusion):\n");
    else
        std::printf("Starting Ray-tracing (Only Specular):\n");

    SourceJob job;
    TRoomTraceCommit commit(*this, job);
    commit.MFP_estimate = MFP_estimate;
    CheckedFile lostOut;  // its failures are reported, or kept by the result set
    if (SaveLostRays) {
        LostFileName = ResultFile("LostRays.txt");
        commit.lostFile = lostOut.Open(LostFileName, "wt") ? lostOut.Stream() : nullptr;
    }
    IsRunning.store(true);

    TRayScene scene;
    scene.AllowWideSearch(run.TracerWideSearch);
    scene.Build(*this, run.TracerAcceleration);
    job.scene = &scene;
    job.pairedRays = run.TracerPairedRays;
    job.numBands = std::min(NumBands, MAX_NUMBANDS);
    job.VS = VS;
    job.maxDistance = MaxDistance;
    job.maxLength = MaxLength;
    job.decay = std::pow(10.0, static_cast<double>(StopDecay) / 10.0);
    job.maxReflections = MaxRayTracReflections;
    job.artificialTail = ArtificialTailFlag;
    job.diffuse = DiffuseProcessing != 0;
    job.hitFiles = HitFilesFlag != 0;
    job.saveLateRays = SaveLateRaysFlag != 0;
    job.saveDiffuseRays = SaveDiffuseRaysFlag != 0;
    job.recordBands = NumBands;
    job.numLayers = NumPlaneLayers;
    for (unsigned r = 0; r < NumReceivers; ++r) {
        job.recPos.push_back(receiver[r]->Position);
        job.recRadius.push_back(receiver[r]->Radius);
        job.recReach2.push_back(ReachSquared(receiver[r]->Radius));
    }
    job.recStride = (NumReceivers + 1) & ~1u;
    job.recCols.assign(4 * static_cast<std::size_t>(job.recStride), 0.0);
    for (unsigned r = 0; r < NumReceivers; ++r) {
        job.recCols[r] = job.recPos[r].x;
        job.recCols[job.recStride + r] = job.recPos[r].y;
        job.recCols[2 * job.recStride + r] = job.recPos[r].z;
        job.recCols[3 * job.recStride + r] = job.recReach2[r];
    }

    const unsigned threads = TracerThreadCount();
    // Chunks in flight: a worker the system holds back for a while stalls the commit only after
    // the others have filled every slot.
    std::vector<Chunk> slots(threads <= 1 ? 1 : 16 * threads);
    for (Chunk& c : slots) PrepareChunk(c, job);

    for (unsigned s = 0; s < NumSources && !commit.stopped; ++s) {
        TSource& src = *source[s];
        commit.totalDistance = 0.0f;
        commit.totalReflections = 0;
        NumRays = src.NumberOfRays;  // a grid count since PrepareRun
        std::printf("NumRays = %d\n", NumRays + NumReceivers);

        // Receiver-aimed directions; a receiver at the source itself gets none.
        std::vector<TVector> toRec;
        for (unsigned r = 0; r < NumReceivers; ++r) {
            const TVector d(receiver[r]->Position - src.Position);
            if (Module(d) > 0.0) toRec.push_back(d);
        }
        const unsigned numExtra =
            toRec.empty() ? 0u : RemoveRepeatedRays(toRec.data(), static_cast<unsigned>(toRec.size()));
        job.s = s;
        job.origin = src.Position;
        job.pairs.assign(NumReceivers, nullptr);
        job.clusterOrder.assign(NumReceivers, 0);
        job.lateApart.assign(NumReceivers, 0);
        for (unsigned r = 0; r < NumReceivers; ++r) {
            const TResult* pair = r < spcresult.size() && s < spcresult[r].size() ? spcresult[r][s].get() : nullptr;
            job.pairs[r] = pair;
            if (pair) {
                job.clusterOrder[r] = pair->ClusterOrder;
                job.lateApart[r] = pair->LateAmplitudesApart();
            }
        }
        job.numExtra = numExtra;
        job.extraSph.clear();
        job.dirs.assign(toRec.begin(), toRec.begin() + numExtra);
        for (unsigned e = 0; e < numExtra; ++e) job.extraSph.push_back(cart2sph(toRec[e]));
        job.dirs.resize(numExtra + RayDirectionCount(NumRays));
        CreateRaysDirections(NumRays, job.dirs.data() + numExtra);
        job.dirs.resize(numExtra + NumRays);

        float gain[MAX_NUMBANDS + 1];
        const TSourceLayer* layer = src.LayerID >= 0 && static_cast<unsigned>(src.LayerID) < sourceLayer.size()
                                        ? sourceLayer[static_cast<std::size_t>(src.LayerID)].get()
                                        : nullptr;
        for (unsigned b = 0; b < job.numBands; ++b)
            gain[b] = layer && b < layer->spectrum.size() ? layer->spectrum[b] : 1.0f;
        const unsigned total = NumRays + numExtra;
        for (unsigned b = 0; b < job.numBands; ++b)
            job.spectrum[b] = src.GetPower() * gain[b] / static_cast<float>(total);

        commit.progressStep = std::max(1u, (NumRays + NumReceivers + 1) / 10);
        RunChunks(job, total, threads, slots, commit);
        std::printf("\r%1.2f %% - SOURCE %.2d/%.2d - RAY = %d - LOST = %d - MFP = %1.2f (Estim=%1.2f) - N = %d     \n",
                    100.0, static_cast<int>(s + 1), static_cast<int>(NumSources),
                    static_cast<int>(NumRays + NumReceivers), static_cast<int>(commit.lostCount), MeanFreePath,
                    MFP_estimate, ReflectionsInResponse(MaxDistance, MeanFreePath));
    }

    commit.FlushLost();
    lostOut.Close();
    std::printf("\n");
}

void TRoom::ConvertRays(const Raio_st& in, TRay& out)
{
    out.index = static_cast<uint32_t>(in.dist / VSound * FSample);
    TDirection d = cart2sph(TVector(-in.v.x, -in.v.y, -in.v.z));
    d.raio = 1.0f;
    out.dir = d;
    out.SetSpectrum(in.e);
}

void TRoom::SimulateModes()
{
    if (!ModalFlag) return;
    const float VS = FSample / VSound;
    const float MaxDistance = static_cast<float>(MaxLength) / FSample * VSound;
    if (!OpenRun(*this, nullptr, true)) return;
    std::printf("Start Modal Processing ...\n");
    // The lost rays are counted for the progress line only: NumLostRays stays the length of
    // the (empty) list the views draw.
    DeleteLostRays();
    unsigned lost = 0;
    IsRunning.store(true);

    const unsigned nbands = std::min(NumBands, MAX_NUMBANDS);
    const float mask[9] = {1, 1, 1, 0.5f, 0.01f, 0.01f, 0.01f, 0.01f, 0.01f};
    TRayScene scene;
    scene.AllowWideSearch(run.TracerWideSearch);
    scene.Build(*this, run.TracerAcceleration);
    TRaySceneStack stack;
    Raio_st ray(nbands);
    float scatt[MAX_NUMBANDS + 1] = {};
    float energy[MAX_NUMBANDS + 1] = {};
    TRay arrival(NumBands);
    const double decay = std::pow(10.0, static_cast<double>(StopDecay) / 10.0);
    bool stopped = false;

    for (unsigned s = 0; s < NumSources && !stopped; ++s) {
        const TSource src(source[s].get());
        NumRays = NumPlanes;
        const TSourceLayer* layer = src.LayerID >= 0 && static_cast<unsigned>(src.LayerID) < sourceLayer.size()
                                        ? sourceLayer[static_cast<std::size_t>(src.LayerID)].get()
                                        : nullptr;
        for (unsigned b = 0; b < nbands; ++b) {
            const float gain = layer && b < layer->spectrum.size() ? layer->spectrum[b] : 1.0f;
            const float rc = b < RoomConstant.size() ? RoomConstant[b] : 0.0f;
            energy[b] =
                gain * rc * (b < 9 ? mask[b] : 0.0f) * src.GetPower() / (static_cast<float>(NumBands) * VSound * Rho);
        }
        for (unsigned r = 0; r < NumReceivers && !stopped; ++r) {
            TResult* pair = r < spcresult.size() && s < spcresult[r].size() ? spcresult[r][s].get() : nullptr;
            const TPoint3D recPos = receiver[r]->Position;
            for (unsigned i = 0; i < NumPlanes && !stopped; ++i) {
                const TVector n = plane[i]->normal;
                ray.Set(src.Position, TVector(-n.x, -n.y, -n.z), 0, 0.0f, energy);
                ray.SetId(static_cast<int>(i));
                const double minEnergy = ray.GetEnergy() * decay;
                int last = -1;
                for (;;) {
                    const TVector vn = UnitLike(ray.v);
                    const TPoint3D P1(ray.p.x + vn.x, ray.p.y + vn.y, ray.p.z + vn.z);
                    const double w = Reception(ray.p, ray.v, vn, P1, recPos, receiver[r]->Radius);
                    double distRec = -1;
                    if (w >= 0) distRec = Module(recPos - ray.p);
                    TPoint3D X;
                    double planeDist = 0.0;
                    const int P = scene.Nearest(ray.p, ray.v, vn, P1, last, X, planeDist, stack);
                    const bool hit = w >= 0 && (P < 0 || distRec <= planeDist);
                    if (hit && pair && ray.reflections > pair->ClusterOrder) {
                        const double idx = std::round((distRec + ray.dist) * VS);
                        if (idx < static_cast<double>(MaxLength)) {
                            TDirection none;
                            arrival.Set(static_cast<uint32_t>(idx), ray.e,
                                        Degrees(TVector(-ray.v.x, -ray.v.y, -ray.v.z)), ray.reflections,
                                        static_cast<float>(w), none);
                            arrival.SetId(static_cast<int>(i));
                            pair->InsertRay(&arrival);
                        }
                    }
                    if (P < 0) {
                        ++lost;
                        break;
                    }
                    const TRayScene::Plane& pl = scene.plane(static_cast<unsigned>(P));
                    ReflectRay(ray, X, pl.normal, pl.abs, pl.dif, nbands, static_cast<float>(NumBands), false, scatt);
                    if (ray.reflections == 1) ray.p = plane[static_cast<unsigned>(P)]->CalcProjection(recPos);
                    last = P;
                    if (ray.dist > MaxDistance || ray.GetEnergy() < minEnergy) break;
                }
                const float pct = static_cast<float>(NumRays * NumReceivers * s + NumRays * r + i + 1) /
                                  static_cast<float>(NumRays * NumReceivers * NumSources) * 50.0f;
                PercentageStatus.store(pct);
                std::printf("\r%1.2f %% - SOURCE %.2d/%.2d - RAY = %d - LOST = %d - MFP = %1.2f - N = %d    ",
                            2.0 * pct, static_cast<int>(s + 1), static_cast<int>(NumSources), static_cast<int>(i),
                            static_cast<int>(lost), MeanFreePath, ReflectionsInResponse(MaxDistance, MeanFreePath));
                if (!IsRunning.load()) stopped = true;
            }
        }
        std::printf("\r%1.2f %% - SOURCE %.2d/%.2d - RAY = %d - LOST = %d - MPF = %1.2f - N = %d     \n", 100.0,
                    static_cast<int>(s + 1), static_cast<int>(NumSources), static_cast<int>(NumRays),
                    static_cast<int>(lost), MeanFreePath, ReflectionsInResponse(MaxDistance, MeanFreePath));
    }
}
