#pragma once
// What the two halves of the span shading share: span_shader.cpp (every processor, SSE2) and
// span_shader_avx2.cpp (where the processor has AVX2: trilinear runs eight pixels at a time, and
// the untextured runs below in AVX encoding). Internal to the shading; the rasterizer sees only
// span_shader.h.
#include <emmintrin.h>

#include <algorithm>
#include <cstddef>
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

// A plane's value at the row's anchor column (ShadingSetup::anchorX) and its step along the row,
// in all four lanes.
struct RowPlane {
    __m128 start;
    __m128 step;
};

SOFTD3D_INLINE RowPlane AlongRow(const AttributePlane& p, float fx, float fy)
{
    return { _mm_set1_ps(p.atOrigin + p.dx * fx + p.dy * fy), _mm_set1_ps(p.dx) };
}

// The values k pixels from the anchor: the start plus k steps, worked out afresh for each pixel so
// that no rounding builds up along a long row.
SOFTD3D_INLINE __m128 At(const RowPlane& p, __m128 k)
{
    return _mm_add_ps(p.start, _mm_mul_ps(p.step, k));
}

// A channel times w, rounded; out-of-range values saturate in the packs that follow.
SOFTD3D_INLINE __m128i Scaled(const RowPlane& p, __m128 k, __m128 w)
{
    return _mm_cvtps_epi32(_mm_mul_ps(At(p, k), w));
}

// Colour planes times w, rounded and clamped to 0..255: a pixel's B, G, R bytes per lane. The
// saturating packs clamp; two interleaving steps turn the planar bytes into pixels.
SOFTD3D_INLINE __m128i PackColour(const RowPlane (&planes)[3], __m128 k, __m128 w)
{
    const __m128i planar = _mm_packus_epi16( // b0..b3 r0..r3 g0..g3 0 0 0 0
        _mm_packs_epi32(Scaled(planes[kBlue], k, w), Scaled(planes[kRed], k, w)),
        _mm_packs_epi32(Scaled(planes[kGreen], k, w), _mm_setzero_si128()));
    const __m128i pairs = _mm_unpacklo_epi8(planar, _mm_srli_si128(planar, 8)); // b g, then r 0
    return _mm_unpacklo_epi16(pairs, _mm_srli_si128(pairs, 8));
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

// AlongRow for the planes q, red, green and blue at once, the same sums lane by lane: an untextured
// run is a few pixels long, and working out its planes one by one cost about as much as its pixels.
struct ColourRow {
    RowPlane q;
    RowPlane colour[3];
};

static_assert(
    offsetof(ShadingSetup, attributes) == offsetof(ShadingSetup, q) + sizeof(AttributePlane)
    && sizeof(AttributePlane) == 3 * sizeof(float) && kRed == 0 && kBlue == 2);

SOFTD3D_INLINE ColourRow ColourAlongRow(const ShadingSetup& s, float fx, float fy)
{
    // Twelve floats: q, red, green, blue, each as atOrigin, dx, dy.
    const float* f = &s.q.atOrigin;
    const __m128 x0 = _mm_loadu_ps(f), x1 = _mm_loadu_ps(f + 4), x2 = _mm_loadu_ps(f + 8);
    const __m128 origin = _mm_shuffle_ps(
        x0, _mm_shuffle_ps(x1, x2, _MM_SHUFFLE(1, 1, 2, 2)), _MM_SHUFFLE(2, 0, 3, 0));
    const __m128 dx = _mm_shuffle_ps(_mm_shuffle_ps(x0, x1, _MM_SHUFFLE(0, 0, 1, 1)),
        _mm_shuffle_ps(x1, x2, _MM_SHUFFLE(2, 2, 3, 3)), _MM_SHUFFLE(2, 0, 2, 0));
    const __m128 dy = _mm_shuffle_ps(_mm_shuffle_ps(x0, x1, _MM_SHUFFLE(1, 1, 2, 2)),
        _mm_shuffle_ps(x2, x2, _MM_SHUFFLE(3, 3, 0, 0)), _MM_SHUFFLE(2, 0, 2, 0));
    const __m128 start = _mm_add_ps(
        _mm_add_ps(origin, _mm_mul_ps(dx, _mm_set1_ps(fx))), _mm_mul_ps(dy, _mm_set1_ps(fy)));
    return { { _mm_shuffle_ps(start, start, 0x00), _mm_shuffle_ps(dx, dx, 0x00) },
        { { _mm_shuffle_ps(start, start, 0x55), _mm_shuffle_ps(dx, dx, 0x55) },
            { _mm_shuffle_ps(start, start, 0xAA), _mm_shuffle_ps(dx, dx, 0xAA) },
            { _mm_shuffle_ps(start, start, 0xFF), _mm_shuffle_ps(dx, dx, 0xFF) } } };
}

// Up to four pixels from the lanes of `pixels`.
template <bool kQuantised>
SOFTD3D_INLINE void StoreQuad(__m128i pixels, int count, Quantisation qn, std::uint32_t* out)
{
    if constexpr (kQuantised) {
        alignas(16) std::uint32_t lanes[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes), pixels);
        for (int i = 0; i < std::min(count, 4); ++i)
            out[i] = StoredColour(qn, lanes[i]);
        return;
    }
    if (count >= 4) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), pixels);
        return;
    }
    if (count >= 2) {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out), pixels);
        if (count == 2)
            return;
        pixels = _mm_srli_si128(pixels, 8);
        out += 2;
    }
    *out = static_cast<std::uint32_t>(_mm_cvtsi128_si32(pixels));
}

// Untextured runs are mostly a few pixels long: their colours go from the registers to the row.
template <bool kSpecular, bool kQuantised>
SOFTD3D_INLINE void ShadeDiffuseSpan(
    const ShadingSetup& s, const RenderTarget& t, int y, int xBegin, int xEnd)
{
    const float fx = static_cast<float>(s.anchorX) - s.originX;
    const float fy = static_cast<float>(y) - s.originY;
    const int offset = xBegin - s.anchorX;
    const ColourRow planes = ColourAlongRow(s, fx, fy);
    const RowPlane& q = planes.q;
    const RowPlane(&colour)[3] = planes.colour;
    RowPlane specular[3];
    for (int i = 0; i < 3 && kSpecular; ++i)
        specular[i] = AlongRow(s.attributes[kSpecularRed + i], fx, fy);
    std::uint32_t* row = t.colour + static_cast<std::ptrdiff_t>(y) * t.pitch + xBegin;
    const int length = xEnd - xBegin + 1;
    for (int i = 0; i < length; i += 4) {
        const __m128 k = _mm_add_ps(
            _mm_set1_ps(static_cast<float>(offset + i)), _mm_set_ps(3.0f, 2.0f, 1.0f, 0.0f));
        const __m128 w = _mm_div_ps(_mm_set1_ps(1.0f), At(q, k));
        __m128i pixels = PackColour(colour, k, w);
        if constexpr (kSpecular)
            pixels = _mm_adds_epu8(pixels, PackColour(specular, k, w));
        pixels = _mm_or_si128(pixels, _mm_set1_epi32(static_cast<int>(0xFF000000u)));
        StoreQuad<kQuantised>(pixels, length - i, t.quantisation, row + i);
    }
}

SOFTD3D_INLINE void ShadeDiffuse(
    const DeferredRasterizer::Triangle& tri, const RenderTarget& t, int y, int xBegin, int xEnd)
{
    const bool quantised = t.quantisation != Quantisation::None;
    if (tri.specular) {
        quantised ? ShadeDiffuseSpan<true, true>(tri.shading, t, y, xBegin, xEnd)
                  : ShadeDiffuseSpan<true, false>(tri.shading, t, y, xBegin, xEnd);
    } else {
        quantised ? ShadeDiffuseSpan<false, true>(tri.shading, t, y, xBegin, xEnd)
                  : ShadeDiffuseSpan<false, false>(tri.shading, t, y, xBegin, xEnd);
    }
}

// ShadeDiffuse compiled for processors with AVX2 (span_shader_avx2.cpp): the same operations, in
// the shorter three-operand forms.
void ShadeDiffuseAvx2(const DeferredRasterizer::Triangle& triangle, const RenderTarget& target,
    int y, int xBegin, int xEnd);

// The trilinear runs of processors with AVX2 (span_shader_avx2.cpp): the same values as the
// SSE2 path, eight pixels at a time.
void ShadeTrilinearWide(const DeferredRasterizer::Triangle& triangle, const RasterOptions& options,
    const RenderTarget& target, int y, int xBegin, int xEnd);

} // namespace softd3d::shading
