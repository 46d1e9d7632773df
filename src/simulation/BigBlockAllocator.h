#pragma once
// An allocator for the large arrays of the response phase: elements are left uninitialised
// until written (the threads that fill them touch their pages first), and blocks of 4 MB or
// more are 2 MB aligned and marked for huge pages, since the first touches of fresh memory
// (one page fault per 4 kB) cost more than the work on it.

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>
#include <utility>

#include <sys/mman.h>

template <class T> struct BigBlockAllocator {
    using value_type = T;
    BigBlockAllocator() = default;
    template <class U> BigBlockAllocator(const BigBlockAllocator<U>&) noexcept {}
    static constexpr std::size_t kHuge = std::size_t{2} << 20;
    T* allocate(std::size_t n)
    {
        const std::size_t bytes = n * sizeof(T);
        if (bytes < 2 * kHuge) return std::allocator<T>().allocate(n);
        const std::size_t rounded = (bytes + kHuge - 1) / kHuge * kHuge;
        void* p = std::aligned_alloc(kHuge, rounded);
        if (!p) throw std::bad_alloc();
        ::madvise(p, rounded, MADV_HUGEPAGE);
        return static_cast<T*>(p);
    }
    void deallocate(T* p, std::size_t n)
    {
        if (n * sizeof(T) < 2 * kHuge)
            std::allocator<T>().deallocate(p, n);
        else
            std::free(p);
    }
    template <class U> void construct(U* p) noexcept { ::new (static_cast<void*>(p)) U; }
    template <class U, class... Args> void construct(U* p, Args&&... args)
    {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
    bool operator==(const BigBlockAllocator&) const noexcept { return true; }
};
