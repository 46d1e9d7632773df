#include "dsp/Transform.h"

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <mutex>
#include <new>
#include <numbers>
#include <utility>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

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
    throw SorviExit(1, text);  // printed, not shown
}

// ---- Butterflies ------------------------------------------------------------------------
// A complex value [re, im] in one register where SSE2 is there. The product w * d has the
// three-multiplication form of ComplexMult, operation for operation, so the results are the
// same to the last bit on either path:
//   tmp = (wr - wi) di,  re = (dr - di) wr + tmp,  im = tmp + (dr + di) wi.
#if defined(__SSE2__)
using CVal = __m128d;
inline CVal Load(const TComplex* p)
{
    return _mm_loadu_pd(&p->re);
}
inline void Store(TComplex* p, CVal v)
{
    _mm_storeu_pd(&p->re, v);
}
inline CVal Add(CVal a, CVal b)
{
    return _mm_add_pd(a, b);
}
inline CVal Sub(CVal a, CVal b)
{
    return _mm_sub_pd(a, b);
}
inline CVal Mul(CVal w, CVal d)
{
    const CVal negLow = _mm_set_pd(0.0, -0.0);
    const CVal dr = _mm_unpacklo_pd(d, d);
    const CVal di = _mm_unpackhi_pd(d, d);
    const CVal sums = _mm_add_pd(dr, _mm_xor_pd(di, negLow));  // [dr - di, dr + di]
    const CVal amb = _mm_sub_pd(_mm_unpacklo_pd(w, w), _mm_unpackhi_pd(w, w));
    const CVal tmp = _mm_mul_pd(amb, di);
    return _mm_add_pd(_mm_mul_pd(sums, w), tmp);
}
#else
using CVal = TComplex;
inline CVal Load(const TComplex* p)
{
    return *p;
}
inline void Store(TComplex* p, CVal v)
{
    *p = v;
}
inline CVal Add(CVal a, CVal b)
{
    return TComplex(a.re + b.re, a.im + b.im);
}
inline CVal Sub(CVal a, CVal b)
{
    return TComplex(a.re - b.re, a.im - b.im);
}
inline CVal Mul(CVal w, CVal d)
{
    const double tmp = (w.re - w.im) * d.im;
    return TComplex((d.re - d.im) * w.re + tmp, tmp + (d.re + d.im) * w.im);
}
#endif

// Factors of the stage with half span h in a transform of n points.
inline const TComplex* StageFactors(const twiddle_st& e, bool inverse, std::size_t n, std::size_t h)
{
    if (h == n / 2) return inverse ? e.twi.data() : e.tw.data();
    return (inverse ? e.stagedInv.data() : e.staged.data()) + (h - 1);
}

// Two stages at once over a block of 4q samples: the stage of half span 2q (factors w1),
// then the two stages of half span q (factors w2) on its halves. Each butterfly is the one
// the stage-by-stage order computes; the four values just stay in registers between them.
// Butterfly 0 of a stage has no factor.
inline void TwoStagesFirst(TComplex* x, std::size_t q, const TComplex* w1)
{
    const CVal a0 = Load(x), a1 = Load(x + q), a2 = Load(x + 2 * q), a3 = Load(x + 3 * q);
    const CVal b0 = Add(a0, a2), b2 = Sub(a0, a2);
    const CVal b1 = Add(a1, a3), b3 = Mul(Load(w1 + q), Sub(a1, a3));
    Store(x, Add(b0, b1));
    Store(x + q, Sub(b0, b1));
    Store(x + 2 * q, Add(b2, b3));
    Store(x + 3 * q, Sub(b2, b3));
}

inline void TwoStagesAt(TComplex* x, std::size_t q, const TComplex* w1, const TComplex* w2, std::size_t j)
{
    TComplex* x1 = x + q;
    TComplex* x2 = x + 2 * q;
    TComplex* x3 = x + 3 * q;
    const CVal a0 = Load(x + j), a1 = Load(x1 + j), a2 = Load(x2 + j), a3 = Load(x3 + j);
    const CVal b0 = Add(a0, a2), b2 = Mul(Load(w1 + j), Sub(a0, a2));
    const CVal b1 = Add(a1, a3), b3 = Mul(Load(w1 + j + q), Sub(a1, a3));
    const CVal f = Load(w2 + j);
    Store(x + j, Add(b0, b1));
    Store(x1 + j, Mul(f, Sub(b0, b1)));
    Store(x2 + j, Add(b2, b3));
    Store(x3 + j, Mul(f, Sub(b2, b3)));
}

void TwoStages(TComplex* x, std::size_t q, const TComplex* w1, const TComplex* w2)
{
    TwoStagesFirst(x, q, w1);
    for (std::size_t j = 1; j < q; ++j) TwoStagesAt(x, q, w1, w2, j);
}

#if defined(__x86_64__) && defined(__SSE2__) && (defined(__GNUC__) || defined(__clang__))
#define SORVI_FFT_AVX 1
// The same butterflies on two neighbouring j at once, for processors with AVX (checked at
// run time). Same operations in the same order, no fused multiply-add: same results.
__attribute__((target("avx"))) void TwoStagesAvx(TComplex* x, std::size_t q, const TComplex* w1, const TComplex* w2)
{
    TwoStagesFirst(x, q, w1);
    TwoStagesAt(x, q, w1, w2, 1);
    const __m256d negLow = _mm256_set_pd(0.0, -0.0, 0.0, -0.0);
    auto mul = [negLow](__m256d w, __m256d d) __attribute__((target("avx")))
    {
        const __m256d dr = _mm256_unpacklo_pd(d, d);
        const __m256d di = _mm256_unpackhi_pd(d, d);
        const __m256d sums = _mm256_add_pd(dr, _mm256_xor_pd(di, negLow));
        const __m256d amb = _mm256_sub_pd(_mm256_unpacklo_pd(w, w), _mm256_unpackhi_pd(w, w));
        return _mm256_add_pd(_mm256_mul_pd(sums, w), _mm256_mul_pd(amb, di));
    };
    double* p0 = &x[0].re;
    double* p1 = &x[q].re;
    double* p2 = &x[2 * q].re;
    double* p3 = &x[3 * q].re;
    const double* f1 = &w1[0].re;
    const double* f1q = &w1[q].re;
    const double* f2 = &w2[0].re;
    for (std::size_t j = 2; j < q; j += 2) {
        const std::size_t o = 2 * j;
        const __m256d a0 = _mm256_loadu_pd(p0 + o), a1 = _mm256_loadu_pd(p1 + o);
        const __m256d a2 = _mm256_loadu_pd(p2 + o), a3 = _mm256_loadu_pd(p3 + o);
        const __m256d b0 = _mm256_add_pd(a0, a2), b2 = mul(_mm256_loadu_pd(f1 + o), _mm256_sub_pd(a0, a2));
        const __m256d b1 = _mm256_add_pd(a1, a3), b3 = mul(_mm256_loadu_pd(f1q + o), _mm256_sub_pd(a1, a3));
        const __m256d f = _mm256_loadu_pd(f2 + o);
        _mm256_storeu_pd(p0 + o, _mm256_add_pd(b0, b1));
        _mm256_storeu_pd(p1 + o, mul(f, _mm256_sub_pd(b0, b1)));
        _mm256_storeu_pd(p2 + o, _mm256_add_pd(b2, b3));
        _mm256_storeu_pd(p3 + o, mul(f, _mm256_sub_pd(b2, b3)));
    }
}

const bool haveAvx = __builtin_cpu_supports("avx");
#endif

// Picks the widest kernel for a block of 4q samples.
inline void TwoStagesBest(TComplex* x, std::size_t q, const TComplex* w1, const TComplex* w2)
{
#ifdef SORVI_FFT_AVX
    if (q >= 4 && haveAvx) {
        TwoStagesAvx(x, q, w1, w2);
        return;
    }
#endif
    TwoStages(x, q, w1, w2);
}

// Blocks up to this many samples (256 KiB) run all their remaining stages while in cache.
constexpr std::size_t kCacheBlock = std::size_t(1) << 14;

// All stages from span `block` down to 2 over x[0 ... block-1], two at a time.
void StagesInBlock(TComplex* x, std::size_t block, const twiddle_st& e, bool inverse, std::size_t n)
{
    std::size_t span = block;
    for (; span >= 4; span /= 4) {
        const std::size_t q = span / 4;
        const TComplex* w1 = StageFactors(e, inverse, n, 2 * q);
        const TComplex* w2 = StageFactors(e, inverse, n, q);
        for (std::size_t base = 0; base < block; base += span) TwoStagesBest(x + base, q, w1, w2);
    }
    if (span == 2) {
        for (std::size_t i = 0; i < block; i += 2) {
            const CVal a = Load(x + i), b = Load(x + i + 1);
            Store(x + i, Add(a, b));
            Store(x + i + 1, Sub(a, b));
        }
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
    const std::size_t q = l / 4;
    TwoStagesBest(x, q, StageFactors(e, inverse, n, 2 * q), StageFactors(e, inverse, n, q));
    for (int part = 0; part < 4; ++part) StagesRecursive(x + part * q, q, e, inverse, n);
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

// Swaps x[i] and x[rev(i)] for every pair. Tiny sizes use the classic running counter;
// larger ones split the index into high, middle and low bits and work through the middle
// part, so that the swaps of one pass stay within two sets of neighbouring cache lines.
void BitReverse(TComplex* x, std::size_t n, int p)
{
    if (p < 6) {
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
    const twiddle_st& e = TablesOf(p);
    if (size > 1) {
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
