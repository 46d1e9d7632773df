// The per-reflection and per-arrival work of the tracer must not allocate: reflecting a ray,
// filling an arrival record and formatting its file lines into buffers that have capacity.

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
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return CountedAlloc(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return CountedAlloc(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

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

}  // namespace
