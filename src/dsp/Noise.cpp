#include "dsp/Noise.h"

#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <numbers>
#include <random>

#include "geometry/util.h"

namespace {

std::atomic<bool> seedFixed{false};
std::atomic<unsigned int> fixedSeed{0};

// Each thread has its own sequence, so the simulation thread and the interface thread never
// disturb each other's draws.
std::mt19937& Generator()
{
    thread_local std::mt19937 gen(static_cast<unsigned int>(std::time(nullptr)));
    return gen;
}

void Reseed()
{
    const unsigned int seed = seedFixed.load() ? fixedSeed.load() : static_cast<unsigned int>(std::time(nullptr));
    Generator().seed(seed);
}

// One draw of 0 ... 32767.
unsigned int Draw()
{
    return Generator()() >> 17;
}

// u in [0, 32766/32767]: the draw 32767 maps to 0.
float Uniform()
{
    return static_cast<float>(Draw() % 32767u) / 32767.0f;
}

float Sign()
{
    return static_cast<float>(2 * static_cast<int>(Draw() % 2u) - 1);
}

}  // namespace

void NoiseSetSeed(unsigned int seed)
{
    fixedSeed.store(seed);
    seedFixed.store(true);
}

void NoiseUseClockSeed()
{
    seedFixed.store(false);
}

void ThickNoise(float* y, float thr, unsigned int Length)
{
    Reseed();
    for (unsigned int n = 0; n < Length; ++n) {
        const float u = Uniform();
        y[n] = 1.0f - u * (1.0f - thr);
        y[n] = Sign() * y[n];
    }
}

void NoiseDecay(float* y, float alpha, float FSample, float VSound, unsigned int Length)
{
    const float c = (VSound / FSample) / (2.0f * std::numbers::pi_v<float>);
    for (unsigned int n = 0; n < Length; ++n) y[n] = std::exp(-alpha * static_cast<float>(n) * c) * (Uniform() - 0.5f);
}

float SignNoise(float* y, unsigned int Length)
{
    Reseed();
    float sum = 0.0f;
    for (unsigned int n = 0; n < Length; ++n) {
        y[n] = Sign();
        sum += y[n] * y[n];
    }
    return Length == 0 ? 0.0f : std::sqrt(sum) / static_cast<float>(Length);
}

float WhiteNoise(float* y, unsigned int Length)
{
    Reseed();
    float sum = 0.0f;
    for (unsigned int n = 0; n < Length; ++n) {
        y[n] = 2.0f * (Uniform() - 0.5f);
        sum += y[n] * y[n];
    }
    return Length == 0 ? 0.0f : std::sqrt(sum) / static_cast<float>(Length);
}

void WhiteNoise(float* y, unsigned int Length, float THR_dB)
{
    Reseed();
    const float offset = std::pow(10.0f, THR_dB / 10.0f);
    for (unsigned int n = 0; n < Length; ++n) y[n] = 2.0f * (Uniform() - 0.5f) + offset;
}

void VelvetNoise(float* x, unsigned int Length, int td)
{
    for (unsigned int n = 0; n < Length; ++n) x[n] = 0.0f;
    if (td < 1) return;
    Reseed();
    const unsigned long long block = static_cast<unsigned long long>(td);
    const unsigned long long blocks = (Length + block - 1) / block;
    // Blocks 0 ... blocks - 2 each lie wholly inside the array.
    for (unsigned long long B = 0; B + 1 < blocks; ++B) {
        const unsigned long long at = block * B + Draw() % block;
        const float s = Sign();
        x[at] = s;
    }
}

void GaussianNoise(float* x, unsigned int Length, float stddev, float mean)
{
    Reseed();
    for (unsigned int n = 0; n < Length; ++n) {
        double P, Q, S;
        do {
            P = 2.0 * static_cast<double>(Draw() % 32767u) / 32767.0 - 1.0;
            Q = 2.0 * static_cast<double>(Draw() % 32767u) / 32767.0 - 1.0;
            S = P * P + Q * Q;
        } while (!(S > 0.0 && S <= 1.0));
        x[n] = static_cast<float>(std::sqrt(-2.0 * std::log(S) / S) * (Q * stddev) + mean);
    }
}

float RootMeanSquare(const float* x, unsigned int N)
{
    if (N == 0) return 0.0f;
    float sum = 0.0f;
    for (unsigned int n = 0; n < N; ++n) sum += x[n] * x[n];
    return std::sqrt(sum / static_cast<float>(N));
}

void ShiftFloat(float* data, unsigned int Length, int Delay)
{
    if (Delay == 0 || Length == 0) return;
    const unsigned long long D =
        Delay > 0 ? static_cast<unsigned long long>(Delay) : static_cast<unsigned long long>(-(long long)Delay);
    if (D >= Length) {
        for (unsigned int n = 0; n < Length; ++n) data[n] = 0.0f;
        return;
    }
    const unsigned int d = static_cast<unsigned int>(D);
    if (Delay > 0) {
        for (unsigned int n = Length - 1; n >= d; --n) data[n] = data[n - d];
        for (unsigned int n = 0; n < d; ++n) data[n] = 0.0f;
    } else {
        for (unsigned int n = 0; n + d < Length; ++n) data[n] = data[n + d];
        for (unsigned int n = Length - d; n < Length; ++n) data[n] = 0.0f;
    }
}

void decimal_to_binary(int N, int* Binary, unsigned int Bits)
{
    const long long v = N;  // bits above 31 repeat the sign, as for a wider integer
    for (unsigned long long i = 0; i <= Bits; ++i) {
        const unsigned long long b = Bits - i;
        Binary[i] = static_cast<int>((v >> (b > 63 ? 63 : b)) & 1);
    }
}

namespace {

template <typename T, typename Format> bool SaveLines(const char* filename, const T* x, unsigned int N, Format format)
{
    FILE* f = utilOpenFile(filename, "wt");
    if (f == nullptr) return false;
    bool ok = true;
    char text[64];
    for (unsigned int n = 0; n < N && ok; ++n) {
        const std::to_chars_result r = format(text, text + sizeof text - 1, x[n]);
        *r.ptr = '\n';
        ok = std::fwrite(text, 1, static_cast<std::size_t>(r.ptr + 1 - text), f) ==
             static_cast<std::size_t>(r.ptr + 1 - text);
    }
    ok = std::fclose(f) == 0 && ok;
    return ok;
}

}  // namespace

bool utilSaveFloat(const char* filename, const float* x, unsigned int N)
{
    // "%g" in the C locale.
    return SaveLines(filename, x, N, [](char* b, char* e, float v) {
        return std::to_chars(b, e, static_cast<double>(v), std::chars_format::general, 6);
    });
}

bool utilSaveFloat(const std::string& filename, const float* x, unsigned int N)
{
    return utilSaveFloat(filename.c_str(), x, N);
}

bool utilSaveInt(const char* filename, const int* x, unsigned int N)
{
    return SaveLines(filename, x, N, [](char* b, char* e, int v) { return std::to_chars(b, e, v); });
}

bool utilSaveInt(const std::string& filename, const int* x, unsigned int N)
{
    return utilSaveInt(filename.c_str(), x, N);
}
