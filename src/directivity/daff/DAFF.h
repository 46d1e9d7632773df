#pragma once
// Sample conversion, byte order, aligned allocation and angle helpers of the DAFF reader.

#include <cstddef>
#include <string>

namespace DAFF {

// Single-precision pi, as the angle helpers use it.
constexpr float PI_F = 3.1415927f;
constexpr float TWO_PI_F = 6.2831855f;

// dest[output_stride*i] = src[input_stride*i] * (gain / 32767), i < count.
void stc_sint16_to_float(float* dest, const short* src, std::size_t count, int input_stride = 1, int output_stride = 1,
                         float gain = 1.0f);
void stc_sint16_to_float_add(float* dest, const short* src, std::size_t count, int input_stride = 1,
                             int output_stride = 1, float gain = 1.0f);
// Three-byte little-endian two's-complement samples * (gain / 8388607); the source advances
// 3 * input_stride bytes per sample.
void stc_sint24_to_float(float* dest, const void* src, std::size_t count, int input_stride = 1, int output_stride = 1,
                         float gain = 1.0f);
void stc_sint24_to_float_add(float* dest, const void* src, std::size_t count, int input_stride = 1,
                             int output_stride = 1, float gain = 1.0f);

// Reverse the bytes of each of `count` consecutive values in place.
void byteswap_2byte(void* src, std::size_t count);
void byteswap_3byte(void* src, std::size_t count);
void byteswap_4byte(void* src, std::size_t count);
void byteswap_8byte(void* src, std::size_t count);
void noswap(void* src, std::size_t count);

// 16-byte aligned block (null on failure or for 0 bytes); release with free_aligned16.
void* malloc_aligned16(std::size_t bytes);
void free_aligned16(void* ptr);

// Angle into [0, 2pi) / [0, 360).
float anglef_proj_0_2PI(float alpha);
float anglef_proj_0_360_DEG(float alpha);
// Signed shortest turn from alpha to beta, and its absolute value.
float anglef_mindiff_0_2PI(float alpha, float beta);
float anglef_mindiff_abs_0_2PI(float alpha, float beta);
float anglef_mindiff_0_360_DEG(float alpha, float beta);
float anglef_mindiff_abs_0_360_DEG(float alpha, float beta);

// Modulus and argument of (Re, Im); the argument is atan(Im/Re), plus pi unless Re > 0.
float cabs(float Re, float Im);
float carg(float Re, float Im);

// Size of a file in bytes, or -1 for an empty name or a file that cannot be examined.
long long getFileSize(const std::string& sFilePath);

}  // namespace DAFF
