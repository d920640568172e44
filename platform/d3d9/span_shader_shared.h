#pragma once
// What the two halves of the span shading share: span_shader.cpp (every processor, SSE2) and
// span_shader_avx2.cpp (trilinear runs eight pixels at a time where the processor has AVX2).
// Internal to the shading; the rasterizer sees only span_shader.h.
#include <emmintrin.h>

#include <cstdint>

#include "platform/d3d9/span_shader.h"

namespace softd3d::shading {

// kQuantised is whether the target's format is not X8R8G8B8: a choice made once per run rather
// than once per pixel.
template <bool kQuantised>
inline std::uint32_t Quantise(Quantisation quantisation, std::uint32_t pixel)
{
    return kQuantised ? StoredColour(quantisation, pixel) : pixel;
}

// a * b / 255 per lane, exactly rounded for 8-bit a and b.
inline __m128i Modulate(__m128i a, __m128i b)
{
    const __m128i product = _mm_add_epi16(_mm_mullo_epi16(a, b), _mm_set1_epi16(128));
    return _mm_srli_epi16(_mm_add_epi16(product, _mm_srli_epi16(product, 8)), 8);
}

// Stage 0's colour for a texel (B, G, R, A in 16-bit lanes) modulated by the diffuse colour (B,
// G, R bytes), plus the specular one when enabled.
template <bool kSpecular>
SOFTD3D_INLINE std::uint32_t Combine(__m128i texel, std::uint32_t diffuse, std::uint32_t specular)
{
    __m128i out = Modulate(texel, sampling::Widen(diffuse));
    if constexpr (kSpecular)
        out = _mm_adds_epu16(out, sampling::Widen(specular));
    return static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(out, out))) | 0xFF000000u;
}

// A trilinear sample one pixel at a time: 8.24 fixed-point wrapped coordinates, the nearer of the
// two levels blended and the farther one's weight (0..256).
SOFTD3D_INLINE __m128i TrilinearTexel(
    const RasterOptions& o, std::int32_t u, std::int32_t v, int level, std::uint32_t weight)
{
    using Wrap = sampling::WrapPowerOfTwoAddressing;
    const Wrap::Coordinates at { u, v };
    const MipLevelView* nearer = &o.texture->levels[level];
    return sampling::Blend(
        Wrap::Bilinear(nearer[0], o.sampler, at), Wrap::Bilinear(nearer[1], o.sampler, at), weight);
}

// The trilinear runs of processors with AVX2 (span_shader_avx2.cpp): the same values as the
// SSE2 path, eight pixels at a time.
void ShadeTrilinearWide(const DeferredRasterizer::Triangle& triangle, const RasterOptions& options,
    const RenderTarget& target, int y, int xBegin, int xEnd);

} // namespace softd3d::shading
