#include "dsp/Transform.h"

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <mutex>
#include <numbers>
#include <new>
#include <utility>

#include "geometry/ErrorHandler.h"
#include "geometry/util.h"

std::atomic<twiddle_st*> twiddle[TRANSFORM_MAX_POWER + 1];
std::atomic<int> Used_Twiddles[TRANSFORM_MAX_POWER + 1];

namespace {

std::mutex twiddleMutex;

void FillStaged(const std::vector<TComplex>& full, std::vector<TComplex>& staged)
{
    const std::size_t n = full.size();
    staged.assign(n >= 4 ? n / 2 - 1 : 0, TComplex(0.0, 0.0));
    for (std::size_t h = 1; h < n / 2; h *= 2) {
        const std::size_t m = n / (2 * h);
        for (std::size_t j = 0; j < h; ++j) staged[h - 1 + j] = full[j * m];
    }
}

[[noreturn]] void OutOfMemory(const char* text)
{
    std::fputs(text, stdout);
    std::fflush(stdout);
    SorviExitProcess(1, text);
}

// The product w * d in the three-multiplication form of ComplexMult (same rounding).
inline TComplex Mult3(double a, double amb, double b, TComplex d)
{
    const double tmp = amb * d.im;
    return TComplex((d.re - d.im) * a + tmp, tmp + (d.re + d.im) * b);
}

// One decimation-in-frequency stage over a block of 2h samples; w[j] is the factor of
// butterfly j (w[0] is not used: that butterfly has no factor).
inline void Stage(TComplex* x, std::size_t h, const TComplex* w)
{
    TComplex* y = x + h;
    {
        const TComplex a = x[0], b = y[0];
        x[0] = TComplex(a.re + b.re, a.im + b.im);
        y[0] = TComplex(a.re - b.re, a.im - b.im);
    }
    for (std::size_t j = 1; j < h; ++j) {
        const TComplex a = x[j], b = y[j];
        const double wr = w[j].re, wi = w[j].im;
        x[j] = TComplex(a.re + b.re, a.im + b.im);
        y[j] = Mult3(wr, wr - wi, wi, TComplex(a.re - b.re, a.im - b.im));
    }
}

// Factors of the stage with half span h in a transform of n points.
inline const TComplex* StageFactors(const twiddle_st& e, bool inverse, std::size_t n, std::size_t h)
{
    if (h == n / 2) return inverse ? e.twi.data() : e.tw.data();
    return (inverse ? e.stagedInv.data() : e.staged.data()) + (h - 1);
}

// Blocks up to this many samples (256 KiB) run all their remaining stages while in cache.
constexpr std::size_t kCacheBlock = std::size_t(1) << 14;

// All stages from span `block` down to 2 over x[0 ... block-1], breadth first.
void StagesInBlock(TComplex* x, std::size_t block, const twiddle_st& e, bool inverse, std::size_t n)
{
    for (std::size_t span = block; span > 2; span /= 2) {
        const std::size_t h = span / 2;
        const TComplex* w = StageFactors(e, inverse, n, h);
        for (std::size_t base = 0; base < block; base += span) Stage(x + base, h, w);
    }
    for (std::size_t i = 0; i < block; i += 2) {
        const TComplex a = x[i], b = x[i + 1];
        x[i] = TComplex(a.re + b.re, a.im + b.im);
        x[i + 1] = TComplex(a.re - b.re, a.im - b.im);
    }
}

// Depth first: once a block fits the cache, it is finished before the next one is touched.
// Every butterfly computes exactly what the stage-by-stage order computes.
void StagesRecursive(TComplex* x, std::size_t l, const twiddle_st& e, bool inverse, std::size_t n)
{
    if (l <= kCacheBlock) {
        StagesInBlock(x, l, e, inverse, n);
        return;
    }
    const std::size_t h = l / 2;
    Stage(x, h, StageFactors(e, inverse, n, h));
    StagesRecursive(x, h, e, inverse, n);
    StagesRecursive(x + h, h, e, inverse, n);
}

// Reverses the order of the low `bits` bits of i.
inline std::size_t ReverseBits(std::size_t i, int bits)
{
    std::size_t r = 0;
    for (int b = 0; b < bits; ++b) {
        r = (r << 1) | (i & 1);
        i >>= 1;
    }
    return r;
}

// Swaps x[i] and x[rev(i)] for every pair. Small sizes use the classic running counter;
// large ones split the index into high, middle and low bits and work through the middle
// part so that the swaps of one pass stay within two sets of neighbouring cache lines.
void BitReverse(TComplex* x, std::size_t n, int p)
{
    if (p <= 12) {
        std::size_t j = 0;
        for (std::size_t i = 0; i < n - 1; ++i) {
            if (i < j) std::swap(x[i], x[j]);
            std::size_t k = n / 2;
            while (k <= j) {
                j -= k;
                k /= 2;
            }
            j += k;
        }
        return;
    }
    // i = (hi, mid, lo) with q bits each for hi and lo: rev(i) = (rev lo, rev mid, rev hi).
    const int q = 3;
    const int midBits = p - 2 * q;
    const std::size_t outer = std::size_t(1) << q;
    std::size_t revOuter[1 << q];
    for (std::size_t a = 0; a < outer; ++a) revOuter[a] = ReverseBits(a, q);
    const std::size_t midCount = std::size_t(1) << midBits;
    for (std::size_t mid = 0; mid < midCount; ++mid) {
        const std::size_t rmid = ReverseBits(mid, midBits);
        // A pair of different middle parts is swapped from the smaller one only.
        if (rmid < mid) continue;
        for (std::size_t hi = 0; hi < outer; ++hi) {
            for (std::size_t lo = 0; lo < outer; ++lo) {
                const std::size_t i = (hi << (p - q)) | (mid << q) | lo;
                const std::size_t r = (revOuter[lo] << (p - q)) | (rmid << q) | revOuter[hi];
                if (rmid != mid || i < r) std::swap(x[i], x[r]);
            }
        }
    }
}

void Scale(TComplex* x, std::size_t n, double s)
{
    if (s == 1.0) return;
    for (std::size_t i = 0; i < n; ++i) {
        x[i].re *= s;
        x[i].im *= s;
    }
}

// Exponent of a power of two from 1 to 2^TRANSFORM_MAX_POWER, or -1.
int PowerOfTwo(long long n)
{
    if (n < 1 || n > (1LL << TRANSFORM_MAX_POWER) || (n & (n - 1)) != 0) return -1;
    return std::countr_zero(static_cast<unsigned long long>(n));
}

const twiddle_st& TablesOf(int p)
{
    twiddle_st* t = twiddle[p].load(std::memory_order_acquire);
    if (t == nullptr) {
        TransformTwiddleCreate(p);
        t = twiddle[p].load(std::memory_order_acquire);
    }
    return *t;
}

}  // namespace

void TransformCalcTwiddle(TComplex* w, int n, int mode)
{
    if (n <= 0) return;
    const double angle = 2.0 * std::numbers::pi / n;
    TComplex c(std::cos(angle), -std::sin(angle));
    if (mode != 0) c.im = -c.im;
    TComplex running(1.0, 0.0);
    for (int k = 0; k < n; ++k) {
        w[k] = running;
        running = ComplexMult(running, c);
    }
}

int TransformTwiddleCreate(int power_of_two)
{
    if (power_of_two < 0 || power_of_two > TRANSFORM_MAX_POWER) {
        ErrorMessage("TransformTwiddleCreate : exponent %d out of range (0 to %d)\n", power_of_two,
                     TRANSFORM_MAX_POWER);
        return 0;
    }
    std::lock_guard<std::mutex> lock(twiddleMutex);
    if (twiddle[power_of_two].load(std::memory_order_acquire) != nullptr) return 0;

    const std::size_t size = std::size_t(1) << power_of_two;
    twiddle_st* e = new (std::nothrow) twiddle_st;
    if (e == nullptr) {
        char text[96];
        std::snprintf(text, sizeof text, "TransformTwiddleCreate :  Cannot alocate memory for twiddle[%d]\n",
                      power_of_two);
        OutOfMemory(text);
    }
    try {
        e->tw.resize(size);
        e->twi.resize(size);
        TransformCalcTwiddle(e->tw.data(), static_cast<int>(size), 0);
        TransformCalcTwiddle(e->twi.data(), static_cast<int>(size), 1);
        FillStaged(e->tw, e->staged);
        FillStaged(e->twi, e->stagedInv);
    } catch (const std::bad_alloc&) {
        delete e;
        OutOfMemory("TransformTwiddleCreate :  Cannot alocate memory for twiddle\n");
    }
    // Publish the filled tables first, then the flag.
    twiddle[power_of_two].store(e, std::memory_order_release);
    Used_Twiddles[power_of_two].store(1, std::memory_order_release);
    return 1;
}

void TransformTwiddleDestroy(int power_of_two)
{
    if (power_of_two < 0 || power_of_two > TRANSFORM_MAX_POWER) return;
    std::lock_guard<std::mutex> lock(twiddleMutex);
    Used_Twiddles[power_of_two].store(0, std::memory_order_release);
    twiddle_st* t = twiddle[power_of_two].exchange(nullptr, std::memory_order_acq_rel);
    delete t;
}

void TransformDestroyAllTwiddles()
{
    for (int p = 0; p <= TRANSFORM_MAX_POWER; ++p)
        if (Used_Twiddles[p].load(std::memory_order_acquire) != 0) TransformTwiddleDestroy(p);
}

void TransformFFT(int n, int mode, double fs, TComplex* x)
{
    const int p = PowerOfTwo(n);
    if (p < 0) {
        ErrorMessage("TransformFFT : size %d is not a power of two from 1 to 2^%d; nothing transformed\n", n,
                     TRANSFORM_MAX_POWER);
        return;
    }
    const bool inverse = mode != 0;
    const std::size_t size = static_cast<std::size_t>(n);
    if (size > 1) {
        const twiddle_st& e = TablesOf(p);
        StagesRecursive(x, size, e, inverse, size);
        BitReverse(x, size, p);
    }
    Scale(x, size, inverse ? fs / n : 1.0 / fs);
}

void TransformDFT(int n, int mode, double fs, TComplex* x, const TComplex* w)
{
    if (n < 1) return;
    std::vector<TComplex> work;
    try {
        work.resize(static_cast<std::size_t>(n));
    } catch (const std::bad_alloc&) {
        OutOfMemory("TransformFFT : Cannot alocate memory\n");
    }
    const unsigned long long un = static_cast<unsigned long long>(n);
    for (unsigned long long k = 0; k < un; ++k) {
        double re = 0.0, im = 0.0;
        for (unsigned long long t = 0; t < un; ++t) {
            const TComplex f = ComplexMult(x[t], w[(k * t) % un]);
            re += f.re;
            im += f.im;
        }
        work[k] = TComplex(re, im);
    }
    const double s = mode != 0 ? fs / n : 1.0 / fs;
    for (int k = 0; k < n; ++k) x[k] = TComplex(work[k].re * s, work[k].im * s);
}
