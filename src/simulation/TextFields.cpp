#include "simulation/TextFields.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdio.h>
#include <system_error>
#include <type_traits>

namespace {

// Enough for any double in fixed notation with a few decimals (the largest has 309 digits).
constexpr std::size_t kNumberBuffer = 400;

template <typename T> bool ParseWhole(std::string_view field, T& value)
{
    if (!field.empty() && field.front() == '+') field.remove_prefix(1);
    if (field.empty()) return false;
    T parsed{};
    const char* first = field.data();
    const char* last = first + field.size();
    std::from_chars_result r;
    if constexpr (std::is_floating_point_v<T>)
        r = std::from_chars(first, last, parsed, std::chars_format::general);
    else
        r = std::from_chars(first, last, parsed);
    if (r.ec != std::errc() || r.ptr != last) return false;
    value = parsed;
    return true;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

}  // namespace

void AppendFixed(std::string& out, double value, int decimals)
{
    char buf[kNumberBuffer];
    auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    if (r.ec != std::errc()) {
        // Only a precision far beyond what the files use can get here.
        int n = std::snprintf(buf, sizeof buf, "%.*e", decimals, value);
        out.append(buf, n > 0 ? static_cast<std::size_t>(n) : 0);
        return;
    }
    out.append(buf, r.ptr);
}

void AppendGeneral(std::string& out, double value)
{
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 6);
    out.append(buf, r.ec == std::errc() ? r.ptr : buf);
}

namespace {

constexpr uint64_t kPow10[20] = {1ull,
                                 10ull,
                                 100ull,
                                 1000ull,
                                 10000ull,
                                 100000ull,
                                 1000000ull,
                                 10000000ull,
                                 100000000ull,
                                 1000000000ull,
                                 10000000000ull,
                                 100000000000ull,
                                 1000000000000ull,
                                 10000000000000ull,
                                 100000000000000ull,
                                 1000000000000000ull,
                                 10000000000000000ull,
                                 100000000000000000ull,
                                 1000000000000000000ull,
                                 10000000000000000000ull};

using u128 = unsigned __int128;

constexpr int kMaxPow10 = 38;

struct Pow10Table {
    u128 v[kMaxPow10 + 1];
    constexpr Pow10Table() : v()
    {
        v[0] = 1;
        for (int i = 1; i <= kMaxPow10; ++i) v[i] = v[i - 1] * 10;
    }
};
constexpr Pow10Table kPow10Wide;

// "00", "01", ..., "99".
struct DigitPairs {
    char c[200];
    constexpr DigitPairs() : c()
    {
        for (int i = 0; i < 100; ++i) {
            c[2 * i] = static_cast<char>('0' + i / 10);
            c[2 * i + 1] = static_cast<char>('0' + i % 10);
        }
    }
};
constexpr DigitPairs kDigitPairs;

// Writes the decimal digits of v (at least minDigits, zero padded) at p; returns the end.
// Two digits per step, from the last, in place.
char* PutDigits(char* p, uint64_t v, int minDigits)
{
    // Digits from the bit length (1233 / 4096 ~ log10 2), corrected by one comparison.
    const int t = ((64 - __builtin_clzll(v | 1)) * 1233) >> 12;
    int n = t + (t < 20 && v >= kPow10[t]);
    if (n == 0) n = 1;
    if (n < minDigits) n = minDigits;
    char* q = p + n;
    for (; v >= 100; v /= 100) {
        q -= 2;
        std::memcpy(q, kDigitPairs.c + 2 * (v % 100), 2);
    }
    if (v >= 10) {
        q -= 2;
        std::memcpy(q, kDigitPairs.c + 2 * v, 2);
    } else {
        *--q = static_cast<char>('0' + v);
    }
    while (q > p) *--q = '0';
    return p + n;
}

// num / 2^s rounded to the nearest integer, ties to even (printf rounds the exact value so).
u128 RoundShift(u128 num, int s)
{
    if (s == 0) return num;
    const u128 q = num >> s;
    const u128 rem = num & ((static_cast<u128>(1) << s) - 1);
    const u128 half = static_cast<u128>(1) << (s - 1);
    return (rem > half || (rem == half && (q & 1))) ? q + 1 : q;
}

// num / den rounded the same way; den < 2^127.
u128 RoundQuotient(u128 num, u128 den)
{
    const u128 q = num / den;
    const u128 twice = (num % den) * 2;
    return (twice > den || (twice == den && (q & 1))) ? q + 1 : q;
}

// |value| = m * 2^e with m < 2^24; false for zero, infinities and NaN.
bool Decompose(float value, uint32_t& m, int& e)
{
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    const int biased = static_cast<int>((bits >> 23) & 0xFF);
    const uint32_t frac = bits & 0x7FFFFF;
    if (biased == 0xFF || (biased == 0 && frac == 0)) return false;
    if (biased == 0) {  // subnormal
        m = frac;
        e = -149;
    } else {
        m = frac | 0x800000;
        e = biased - 150;
    }
    return true;
}

// round(|value| * 10^k) of the float m * 2^e, exactly; false when it does not fit 128 bits.
bool ScaledRounded(uint32_t m, int e, int k, u128& q)
{
    if (k >= 0) {
        if (k > 30) return false;
        const u128 num = static_cast<u128>(m) * kPow10Wide.v[k];  // < 2^24 * 10^30 < 2^124
        if (e >= 0) {
            if (e > 20 || (num >> (127 - e)) != 0) return false;
            q = num << e;
        } else if (-e >= 126) {
            q = 0;  // num < 2^124 is below half of 2^126
        } else {
            q = RoundShift(num, -e);
        }
        return true;
    }
    const int j = -k;
    if (j > kMaxPow10) return false;
    u128 den = kPow10Wide.v[j];
    u128 num = m;
    if (e >= 0) {
        if (e > 103) return false;  // m * 2^e < 2^127
        num <<= e;
    } else {
        if (-e > 20 || den > (static_cast<u128>(1) << 100)) return false;
        den <<= -e;
    }
    q = RoundQuotient(num, den);
    return true;
}

}  // namespace

namespace {

// The P = 6 significant digits %g writes of a non-zero finite float: digits without trailing
// zeros (nd of them) and the decimal exponent X of the first; false when the exact
// arithmetic does not reach (the double conversion writes those).
bool GeneralDigits(uint32_t m, int e, uint64_t& digits, int& nd, int& X)
{
    constexpr int P = 6;
    // Decimal exponent after rounding to P digits. Estimated from the binary exponent
    // (30103 / 100000 ~ log10 2), then corrected.
    const int log2v = e + (31 - __builtin_clz(m));
    X = (log2v * 30103) / 100000;
    if (log2v < 0) --X;
    u128 q = 0;
    for (int attempt = 0;; ++attempt) {
        if (attempt > 4 || !ScaledRounded(m, e, P - 1 - X, q)) return false;
        if (q < kPow10[P - 1]) {
            --X;
            continue;
        }
        if (q > kPow10[P]) {
            ++X;
            continue;
        }
        if (q == kPow10[P]) {  // rounded up into the next decade
            ++X;
            q = kPow10[P - 1];
        }
        break;
    }
    digits = static_cast<uint64_t>(q);  // P digits
    nd = P;
    while (nd > 1 && digits % 10 == 0) {  // %g drops trailing zeros
        digits /= 10;
        --nd;
    }
    return true;
}

// Exact powers of ten as doubles.
constexpr double kPow10d[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

int BitLength(u128 v)
{
    const uint64_t hi = static_cast<uint64_t>(v >> 64), lo = static_cast<uint64_t>(v);
    return hi ? 128 - __builtin_clzll(hi) : lo ? 64 - __builtin_clzll(lo) : 0;
}

struct Pow5Table {
    u128 v[44];
    int bits[44];
    constexpr Pow5Table() : v(), bits()
    {
        v[0] = 1;
        for (int i = 1; i < 44; ++i) v[i] = v[i - 1] * 5;
        for (int i = 0; i < 44; ++i) {
            int n = 0;
            for (u128 x = v[i]; x; x >>= 1) ++n;
            bits[i] = n;
        }
    }
};
constexpr Pow5Table kPow5;

// The float nearest to mant * 10^k (ties to even), as a correctly rounded reading of the
// decimal gives it, by exact integer arithmetic; false outside the normal floats' range and
// where the arithmetic does not reach.
bool DecimalToFloat(uint64_t mant, int k, bool negative, float& read)
{
    if (mant == 0) {
        read = negative ? -0.0f : 0.0f;
        return true;
    }
    if (mant < (uint64_t{1} << 53) && k >= -22 && k <= 22) {
        // Both operands exact: d is the double nearest to the decimal, and its float is the
        // float nearest to the decimal unless d lies exactly half way between two floats.
        const double d = k >= 0 ? static_cast<double>(mant) * kPow10d[k] : static_cast<double>(mant) / kPow10d[-k];
        uint64_t bits = 0;
        std::memcpy(&bits, &d, sizeof bits);
        const int biased = static_cast<int>(bits >> 52);  // d > 0
        if ((bits & ((uint64_t{1} << 29) - 1)) != (uint64_t{1} << 28) && biased > 1023 - 126 && biased < 1023 + 128) {
            const float f = static_cast<float>(d);
            if (f <= std::numeric_limits<float>::max()) {
                read = negative ? -f : f;
                return true;
            }
        }
    }
    // value = (n / d) * 2^shift with n / d held as the quotient q, rem and sticky below.
    u128 q = 0;
    bool sticky = false;
    int exp2 = 0;
    if (k >= 0) {
        if (k >= 44 || BitLength(mant) + kPow5.bits[k] > 127) return false;
        q = static_cast<u128>(mant) * kPow5.v[k];  // exact
        exp2 = k;
    } else {
        const int j = -k;
        if (j >= 44) return false;
        // At least 26 bits of quotient: 24 kept, a rounding bit, one to spare.
        const int s = std::max(0, kPow5.bits[j] + 26 - BitLength(mant));
        if (BitLength(mant) + s > 127) return false;
        const u128 num = static_cast<u128>(mant) << s;
        q = num / kPow5.v[j];
        sticky = num % kPow5.v[j] != 0;
        exp2 = -j - s;
    }
    int len = BitLength(q);
    if (len > 24) {
        const int shift = len - 24;
        const u128 rem = q & ((static_cast<u128>(1) << shift) - 1), half = static_cast<u128>(1) << (shift - 1);
        q >>= shift;
        exp2 += shift;
        if (rem > half || (rem == half && (sticky || (q & 1)))) ++q;
        if (q >> 24) {
            q >>= 1;
            ++exp2;
        }
    } else {
        // sticky is never set here: the quotient had 26 bits at least.
        q <<= 24 - len;
        exp2 -= 24 - len;
    }
    // q in [2^23, 2^24): the value is q * 2^exp2.
    const int biased = exp2 + 23 + 127;
    if (biased < 1 || biased > 254) return false;
    const uint32_t bits =
        (negative ? 0x80000000u : 0u) | static_cast<uint32_t>(biased) << 23 | (static_cast<uint32_t>(q) & 0x7FFFFFu);
    std::memcpy(&read, &bits, sizeof read);
    return true;
}

}  // namespace

namespace {

// round(|value| * 10^decimals) of the float m * 2^e (e < 0, decimals <= 9) in 64 bits.
uint64_t FixedRounded(uint32_t m, int e, int decimals)
{
    const uint64_t num = uint64_t{m} * kPow10[decimals];  // < 2^24 * 10^9 < 2^54
    const int s = -e;
    if (s >= 64) return 0;  // num is below half of 2^s
    const uint64_t q = num >> s;
    const uint64_t rem = num & ((uint64_t{1} << s) - 1);
    const uint64_t half = uint64_t{1} << (s - 1);
    return (rem > half || (rem == half && (q & 1))) ? q + 1 : q;
}

// The six significant digits (100000 to 999999) and decimal exponent X of the first that %g
// writes of the float m * 2^e, from one exact product: false where it does not reach (the
// general path writes those).
bool SixDigits(uint32_t m, int e, uint64_t& digits, int& X)
{
    // floor(log10 of the value's power of two): the value lies in [10^Xe, 10^(Xe + 2)).
    // floor(log2v * 78913 / 2^18) is floor(log2v * 0.30103) for every |log2v| < 400.
    const int log2v = e + (31 - __builtin_clz(m));
    const int Xe = (log2v * 78913) >> 18;
    const int k = 6 - Xe;  // T = floor(value * 10^k) has 7 or 8 digits
    if (k < 0 || k > 27) return false;
    const u128 num = static_cast<u128>(m) * kPow10Wide.v[k];  // < 2^24 * 10^27 < 2^114
    uint64_t T = 0;
    bool sticky = false;
    if (e >= 0) {
        T = static_cast<uint64_t>(num << e);  // below 10^8
    } else {
        T = static_cast<uint64_t>(num >> -e);  // -e < 114: T is at least 10^6
        sticky = (num & ((static_cast<u128>(1) << -e) - 1)) != 0;
    }
    const bool eight = T >= 10000000u;
    uint64_t q = 0, r = 0, half = 0;
    if (eight) {
        q = T / 100;
        r = T % 100;
        half = 50;
    } else {
        q = T / 10;
        r = T % 10;
        half = 5;
    }
    if (r > half || (r == half && (sticky || (q & 1)))) ++q;
    X = Xe + (eight ? 1 : 0);
    if (q == 1000000u) {  // rounded up into the next decade
        q = 100000u;
        ++X;
    }
    digits = q;
    return true;
}

// The Put functions write at most kFieldChars characters at p and return the end.
char* PutFixedRead(char* p, float value, int decimals, float& read, bool& decided)
{
    uint32_t m = 0;
    int e = 0;
    if (decimals >= 0 && decimals <= 9 && Decompose(value, m, e) && e < 0) {
        const uint64_t v = FixedRounded(m, e, decimals);
        if (std::signbit(value)) *p++ = '-';
        // The decimals the files use with a constant divisor.
        const uint64_t scale = kPow10[decimals];
        const uint64_t whole = decimals == 3 ? v / 1000 : decimals == 6 ? v / 1000000 : v / scale;
        p = PutDigits(p, whole, 1);
        if (decimals > 0) {
            *p++ = '.';
            const uint64_t frac = v - whole * scale;  // below scale
            if (decimals == 3) {
                *p = static_cast<char>('0' + frac / 100);
                std::memcpy(p + 1, kDigitPairs.c + 2 * (frac % 100), 2);
                p += 3;
            } else if (decimals == 6) {
                std::memcpy(p, kDigitPairs.c + 2 * (frac / 10000), 2);
                std::memcpy(p + 2, kDigitPairs.c + 2 * (frac / 100 % 100), 2);
                std::memcpy(p + 4, kDigitPairs.c + 2 * (frac % 100), 2);
                p += 6;
            } else {
                p = PutDigits(p, frac, decimals);
            }
        }
        decided = DecimalToFloat(v, -decimals, std::signbit(value), read);
        return p;
    }
    thread_local std::string other;
    other.clear();
    decided = AppendFixedRead(other, value, decimals, read);
    std::memcpy(p, other.data(), other.size());
    return p + other.size();
}

char* PutGeneralRead(char* p, float value, float& read, bool& decided)
{
    uint32_t m = 0;
    int e = 0;
    uint64_t q = 0;
    int X = 0;
    if (!Decompose(value, m, e) || !SixDigits(m, e, q, X)) {
        thread_local std::string other;
        other.clear();
        decided = AppendGeneralRead(other, value, read);
        std::memcpy(p, other.data(), other.size());
        return p + other.size();
    }
    // The six digit characters in one register, the first in the lowest byte, and stores of
    // eight bytes: a field has room to spare (kFieldChars), and what runs past its end is
    // written over by the next characters. (Built in memory two by two and read back whole,
    // they would wait for the stores.)
    uint16_t pair[3];
    std::memcpy(&pair[0], kDigitPairs.c + 2 * (q / 10000), 2);
    std::memcpy(&pair[1], kDigitPairs.c + 2 * (q / 100 % 100), 2);
    std::memcpy(&pair[2], kDigitPairs.c + 2 * (q % 100), 2);
    const uint64_t d = uint64_t{pair[0]} | uint64_t{pair[1]} << 16 | uint64_t{pair[2]} << 32;
    auto digitsFrom = [d](int i) { return d >> (8 * i); };  // digits i.. (i < 6)
    auto put8 = [](char* at, uint64_t bytes) { std::memcpy(at, &bytes, 8); };
    int nd = 6;
    uint64_t mant = q;  // the digits without trailing zeros
    while (nd > 1 && static_cast<char>(digitsFrom(nd - 1)) == '0') {
        --nd;
        mant /= 10;
    }
    const bool negative = std::signbit(value);
    if (negative) *p++ = '-';
    if (X >= -4 && X < 6) {
        if (X >= 0) {
            const int intDigits = X + 1;
            put8(p, d);
            p += intDigits;
            if (nd > intDigits) {
                *p++ = '.';
                put8(p, digitsFrom(intDigits));
                p += nd - intDigits;
            }
        } else {
            std::memcpy(p, "0.000000", 8);
            p += 1 - X;
            put8(p, d);
            p += nd;
        }
    } else {
        *p++ = static_cast<char>(d);
        if (nd > 1) {
            *p++ = '.';
            put8(p, digitsFrom(1));
            p += nd - 1;
        }
        p[0] = 'e';
        p[1] = X < 0 ? '-' : '+';
        std::memcpy(p + 2, kDigitPairs.c + 2 * (X < 0 ? -X : X), 2);  // |X| <= 45
        p += 4;
    }
    decided = DecimalToFloat(mant, X - (nd - 1), negative, read);
    return p;
}

}  // namespace

void FieldWriter::Flush()
{
    out_.append(buf_, p_);
    p_ = buf_;
}

void FieldWriter::Int(long long value)
{
    Room();
    p_ = std::to_chars(p_, p_ + kFieldChars, value).ptr;
}

bool FieldWriter::FixedRead(float value, int decimals, float& read)
{
    if (decimals < 0 || decimals > 9) {  // longer than a field's room
        Flush();
        return AppendFixedRead(out_, value, decimals, read);
    }
    Room();
    bool decided = false;
    p_ = PutFixedRead(p_, value, decimals, read, decided);
    return decided;
}

bool FieldWriter::GeneralRead(float value, float& read)
{
    Room();
    bool decided = false;
    p_ = PutGeneralRead(p_, value, read, decided);
    return decided;
}

void FieldWriter::Fixed(float value, int decimals)
{
    float read;
    FixedRead(value, decimals, read);
}

void FieldWriter::General(float value)
{
    float read;
    GeneralRead(value, read);
}

bool AppendFixedRead(std::string& out, float value, int decimals, float& read)
{
    uint32_t m = 0;
    int e = 0;
    u128 q = 0;
    if (decimals < 0 || decimals > 9) {
        AppendFixed(out, static_cast<double>(value), decimals);
        return false;
    }
    if (!Decompose(value, m, e)) {
        if (!std::isfinite(value)) {
            AppendFixed(out, static_cast<double>(value), decimals);
            return false;
        }
        q = 0;  // zero, with its sign
    } else if (!ScaledRounded(m, e, decimals, q) || q >= static_cast<u128>(kPow10[19])) {
        AppendFixed(out, static_cast<double>(value), decimals);
        return false;
    }
    char buf[48];
    char* p = buf;
    const uint64_t v = static_cast<uint64_t>(q);
    if (std::signbit(value)) *p++ = '-';
    p = PutDigits(p, v / kPow10[decimals], 1);
    if (decimals > 0) {
        *p++ = '.';
        p = PutDigits(p, v % kPow10[decimals], decimals);
    }
    out.append(buf, p);
    return DecimalToFloat(v, -decimals, std::signbit(value), read);
}

void AppendFixed(std::string& out, float value, int decimals)
{
    float read;
    if (decimals < 0 || decimals > 9) {
        AppendFixedRead(out, value, decimals, read);
        return;
    }
    char buf[FieldWriter::kFieldChars];
    bool decided = false;
    out.append(buf, PutFixedRead(buf, value, decimals, read, decided));
}

void AppendGeneral(std::string& out, float value)
{
    char buf[FieldWriter::kFieldChars];
    float read;
    bool decided = false;
    out.append(buf, PutGeneralRead(buf, value, read, decided));
}

bool AppendGeneralRead(std::string& out, float value, float& read)
{
    constexpr int P = 6;
    uint32_t m = 0;
    int e = 0;
    if (!Decompose(value, m, e)) {
        if (!std::isfinite(value)) {
            AppendGeneral(out, static_cast<double>(value));
            return false;
        }
        out += std::signbit(value) ? "-0" : "0";
        read = value;
        return true;
    }
    uint64_t digits = 0;
    int nd = 0, X = 0;
    if (!GeneralDigits(m, e, digits, nd, X)) {
        AppendGeneral(out, static_cast<double>(value));
        return false;
    }
    char buf[32];
    char* p = buf;
    if (std::signbit(value)) *p++ = '-';
    if (X >= -4 && X < P) {
        if (X >= 0) {
            const int intDigits = X + 1;
            if (nd <= intDigits) {
                p = PutDigits(p, digits * kPow10[intDigits - nd], 1);
            } else {
                p = PutDigits(p, digits / kPow10[nd - intDigits], 1);
                *p++ = '.';
                p = PutDigits(p, digits % kPow10[nd - intDigits], nd - intDigits);
            }
        } else {
            *p++ = '0';
            *p++ = '.';
            for (int z = 0; z < -X - 1; ++z) *p++ = '0';
            p = PutDigits(p, digits, nd);
        }
    } else {
        p = PutDigits(p, digits / kPow10[nd - 1], 1);
        if (nd > 1) {
            *p++ = '.';
            p = PutDigits(p, digits % kPow10[nd - 1], nd - 1);
        }
        *p++ = 'e';
        *p++ = X < 0 ? '-' : '+';
        p = PutDigits(p, static_cast<uint64_t>(X < 0 ? -X : X), 2);
    }
    out.append(buf, p);
    return DecimalToFloat(digits, X - (nd - 1), std::signbit(value), read);  // the text: digits * 10^(X - nd + 1)
}

void AppendInt(std::string& out, long long value)
{
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, r.ptr);
}

std::size_t SplitFields(std::string_view line, std::string_view* fields, std::size_t maxFields)
{
    std::size_t count = 0;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        if (i == line.size()) break;
        std::size_t start = i;
        while (i < line.size() && !IsBlank(line[i])) ++i;
        if (count < maxFields) fields[count] = line.substr(start, i - start);
        ++count;
    }
    return count;
}

bool ParseFloat(std::string_view field, float& value)
{
    return ParseWhole(field, value);
}
bool ParseDouble(std::string_view field, double& value)
{
    return ParseWhole(field, value);
}
bool ParseInt(std::string_view field, int32_t& value)
{
    return ParseWhole(field, value);
}
bool ParseUnsigned(std::string_view field, uint32_t& value)
{
    return ParseWhole(field, value);
}

bool ParseInt32Bits(std::string_view field, uint32_t& value)
{
    int64_t wide = 0;
    if (!ParseWhole(field, wide)) return false;
    if (wide < INT32_MIN || wide > static_cast<int64_t>(UINT32_MAX)) return false;
    value = static_cast<uint32_t>(wide);
    return true;
}

bool ReadTextLine(std::FILE* f, std::string& line)
{
    line.clear();
    int c = 0;
    bool any = false;
    // One lock for the whole line: result files are read a line at a time.
    flockfile(f);
    while ((c = getc_unlocked(f)) != EOF) {
        any = true;
        if (c == '\n') break;
        line.push_back(static_cast<char>(c));
    }
    funlockfile(f);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return any;
}

void SkipWhiteSpace(std::FILE* f)
{
    int c = 0;
    flockfile(f);
    while ((c = getc_unlocked(f)) != EOF) {
        if (!IsBlank(static_cast<char>(c))) {
            std::ungetc(c, f);
            break;
        }
    }
    funlockfile(f);
}

bool WriteText(std::FILE* f, std::string_view text)
{
    return std::fwrite(text.data(), 1, text.size(), f) == text.size();
}
