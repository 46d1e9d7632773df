#include "directivity/daff/DAFF.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>

#include "directivity/daff/DAFFHeader.h"
#include "directivity/daff/DAFFUtils.h"

namespace DAFF {

namespace {

template <bool Add>
void sint16ToFloat(float* dest, const short* src, std::size_t count, int input_stride, int output_stride, float gain)
{
    const float g = gain / 32767.0f;
    for (std::size_t i = 0; i < count; ++i) {
        const float v = float(src[std::size_t(input_stride) * i]) * g;
        float& d = dest[std::size_t(output_stride) * i];
        d = Add ? d + v : v;
    }
}

template <bool Add>
void sint24ToFloat(float* dest, const void* src, std::size_t count, int input_stride, int output_stride, float gain)
{
    const float g = gain / 8388607.0f;
    const auto* p = static_cast<const std::uint8_t*>(src);
    for (std::size_t i = 0; i < count; ++i) {
        const float v = float(readInt24LE(p + 3 * std::size_t(input_stride) * i)) * g;
        float& d = dest[std::size_t(output_stride) * i];
        d = Add ? d + v : v;
    }
}

void byteswap(void* src, std::size_t count, std::size_t width)
{
    auto* p = static_cast<std::uint8_t*>(src);
    for (std::size_t i = 0; i < count; ++i) std::reverse(p + i * width, p + (i + 1) * width);
}

}  // namespace

void stc_sint16_to_float(float* dest, const short* src, std::size_t count, int input_stride, int output_stride,
                         float gain)
{
    sint16ToFloat<false>(dest, src, count, input_stride, output_stride, gain);
}

void stc_sint16_to_float_add(float* dest, const short* src, std::size_t count, int input_stride, int output_stride,
                             float gain)
{
    sint16ToFloat<true>(dest, src, count, input_stride, output_stride, gain);
}

void stc_sint24_to_float(float* dest, const void* src, std::size_t count, int input_stride, int output_stride,
                         float gain)
{
    sint24ToFloat<false>(dest, src, count, input_stride, output_stride, gain);
}

void stc_sint24_to_float_add(float* dest, const void* src, std::size_t count, int input_stride, int output_stride,
                             float gain)
{
    sint24ToFloat<true>(dest, src, count, input_stride, output_stride, gain);
}

void byteswap_2byte(void* src, std::size_t count)
{
    byteswap(src, count, 2);
}

void byteswap_3byte(void* src, std::size_t count)
{
    byteswap(src, count, 3);
}

void byteswap_4byte(void* src, std::size_t count)
{
    byteswap(src, count, 4);
}

void byteswap_8byte(void* src, std::size_t count)
{
    byteswap(src, count, 8);
}

void noswap(void*, std::size_t) {}

void* malloc_aligned16(std::size_t bytes)
{
    if (bytes == 0 || bytes > SIZE_MAX - 15) return nullptr;
    // aligned_alloc wants a multiple of the alignment.
    return std::aligned_alloc(16, (bytes + 15) & ~std::size_t(15));
}

void free_aligned16(void* ptr)
{
    std::free(ptr);
}

float anglef_proj_0_2PI(float alpha)
{
    float r = std::fmod(alpha, TWO_PI_F);
    if (r < 0.0f) r += TWO_PI_F;
    return r;
}

float anglef_proj_0_360_DEG(float alpha)
{
    return DAFFUtils::rad2gradf(anglef_proj_0_2PI(DAFFUtils::grad2radf(alpha)));
}

float anglef_mindiff_0_2PI(float alpha, float beta)
{
    float d = anglef_proj_0_2PI(beta) - anglef_proj_0_2PI(alpha);
    if (d > PI_F) d -= TWO_PI_F;
    if (d < -PI_F) d += TWO_PI_F;
    return d;
}

float anglef_mindiff_abs_0_2PI(float alpha, float beta)
{
    return std::fabs(anglef_mindiff_0_2PI(alpha, beta));
}

float anglef_mindiff_0_360_DEG(float alpha, float beta)
{
    return DAFFUtils::rad2gradf(anglef_mindiff_0_2PI(DAFFUtils::grad2radf(alpha), DAFFUtils::grad2radf(beta)));
}

float anglef_mindiff_abs_0_360_DEG(float alpha, float beta)
{
    return std::fabs(anglef_mindiff_0_360_DEG(alpha, beta));
}

float cabs(float Re, float Im)
{
    return std::sqrt(Re * Re + Im * Im);
}

float carg(float Re, float Im)
{
    const float a = std::atan(Im / Re);
    return Re > 0.0f ? a : a + PI_F;
}

long long getFileSize(const std::string& sFilePath)
{
    if (sFilePath.empty()) return -1;
    std::error_code ec;
    const auto size = std::filesystem::file_size(sFilePath, ec);
    if (ec) return -1;
    return static_cast<long long>(size);
}

}  // namespace DAFF
