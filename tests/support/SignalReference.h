#pragma once
// Reference signals for the filter tests: a seeded random signal and a direct convolution.

#include <cstddef>
#include <random>
#include <vector>

inline std::vector<float> RandomSignal(std::size_t n, unsigned int seed)
{
    std::mt19937 gen(seed);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    std::vector<float> x(n);
    for (float& v : x) v = u(gen);
    return x;
}

// Full convolution of a and b in double precision (a.size() + b.size() - 1 samples).
inline std::vector<double> DirectConv(const std::vector<float>& a, const std::vector<float>& b)
{
    std::vector<double> y(a.size() + b.size() - 1, 0.0);
    for (std::size_t i = 0; i < a.size(); i++) {
        if (a[i] == 0.0f) continue;
        for (std::size_t j = 0; j < b.size(); j++) y[i + j] += double(a[i]) * b[j];
    }
    return y;
}
