// The per-reflection and per-arrival work of the tracer must not allocate: reflecting a ray,
// filling an arrival record and formatting its file lines into buffers that have capacity,
// and the tracer's own loop once its buffers have grown. Built as a program of its own: the
// replaced operator new below would hide new/delete mismatches from the sanitizers elsewhere.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "simulation/LostRayFile.h"
#include "simulation/Raio_st.h"
#include "simulation/THitLine.h"
#include "simulation/TRay.h"
#include "simulation/TracerRooms.h"

namespace {
std::atomic<long> allocations{0};
}

// Counting replacements of every unaligned form, all on malloc/free so that each pair matches
// (the aligned forms keep the library's own pair).
static void* CountedAlloc(std::size_t size) noexcept
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size ? size : 1);
}
void* operator new(std::size_t size)
{
    if (void* p = CountedAlloc(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size)
{
    if (void* p = CountedAlloc(size)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return CountedAlloc(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return CountedAlloc(size);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}

namespace {

TEST(HotPath, ReflectingAndFormattingArrivalsDoNotAllocate)
{
    const float alpha[9] = {0.1f, 0.1f, 0.1f, 0.1f, 0.1f, 0.1f, 0.1f, 0.1f, 0.1f};
    const float scatter[9] = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
    const float start[9] = {1, 1, 1, 1, 1, 1, 1, 1, 1};
    const unsigned hits[4] = {1, 0, 3, 2};
    Raio_st ray(9);
    TRay arrival(9);
    TDirection dir, launch;
    launch.Set(12.5f, -3.25f, 1);
    float scatt[9];
    std::string rayLines, hitLines, lostLines;
    rayLines.reserve(1 << 20);
    hitLines.reserve(1 << 20);
    lostLines.reserve(1 << 20);

    const long probe = allocations.load();
    void* volatile block = ::operator new(16);
    ::operator delete(block);
    ASSERT_EQ(allocations.load() - probe, 1) << "the counting operator new is not in use";

    const long before = allocations.load();
    ray.Set(TPoint3D(1, 2, 3), TVector(0.6, 0, -0.8), 0, 0, start);
    for (int k = 0; k < 2000; ++k) {
        TVector n = (k % 2) ? TVector(0, 0, 1) : TVector(0, 0, -1);
        ReflectRay(ray, TPoint3D(1, 2, k % 2 ? 0 : 3), n, alpha, scatter, 9, 9.0f, true, scatt);
        dir.Set(static_cast<float>(k) - 400.0f, 10.0f, 1);
        arrival.Set(static_cast<unsigned>(ray.dist * 128.57), ray.e, dir, ray.reflections, 0.75f, launch);
        arrival.SetId(k);
        arrival.AppendLine(rayLines);
        AppendHitLine(hitLines, arrival, hits, 4, 1, 1.0f);
        AppendLostRayLine(lostLines, ray, 0);
    }
    EXPECT_EQ(allocations.load() - before, 0);
    EXPECT_EQ(ray.reflections, 2000u);
    EXPECT_GT(rayLines.size(), 2000u * 60);
}

// Allocations of one traced run of the box's source with `rays` rays.
long TracedRunAllocations(tracertest::TracerRoom& box, unsigned rays)
{
    TRoom& room = *box.room;
    room.source[0]->NumberOfRays = rays;
    testing::internal::CaptureStdout();
    const long before = allocations.load();
    room.Simulate();
    const long used = allocations.load() - before;
    testing::internal::GetCapturedStdout();
    return used;
}

TEST(HotPath, TracerLoopDoesNotAllocatePerRayOnceWarm)
{
    // A closed box (no lost rays, whose list the views draw grows by one record per ray) with
    // scattering, hit files and two receivers: every kind of arrival and file line.
    for (const unsigned threads : {1u, 4u}) {
        SCOPED_TRACE(threads);
        tracertest::TracerRoom box(tracertest::ShoeboxQuads(10, 8, 6), 0.1f, 0.3f);
        box.AddSource({2, 2, 1.5}, 1000);
        box.AddReceiver({6, 5, 1.2}, 0.5);
        box.AddReceiver({3, 6, 2.0}, 0.8);
        TRoom& room = *box.room;
        room.DiffuseProcessing = 1;
        room.HitFilesFlag = 1;
        room.SaveDiffuseRaysFlag = 1;
        room.run.TracerThreads = threads;
        room.MaxLength = 44100 / 8;
        testing::internal::CaptureStdout();
        room.AcousticParameters();
        room.CreateResults();
        testing::internal::GetCapturedStdout();

        // Warm: the pair results, file buffers and chunk buffers have grown to their size.
        TracedRunAllocations(box, 10000);
        const long small = TracedRunAllocations(box, 1000);
        const long large = TracedRunAllocations(box, 10000);
        // A run's setup allocates the same whatever its ray count (on several threads its chunk
        // buffers grow where the rays happen to land: a few hundred at most); nine thousand
        // more rays, with tens of reflections each, add nothing of their own.
        EXPECT_LT(large - small, 300) << "small run " << small << ", large run " << large;
        EXPECT_LT(small, 3000);
    }
}

}  // namespace
