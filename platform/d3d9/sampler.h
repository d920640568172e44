#pragma once
// Texture sampling of stage 0: point, bilinear and trilinear filtering over a mip chain of
// power-of-two sides with wrap addressing. Inline: the shading calls it for every textured pixel.
//
// Texel centres sit at (i + 0.5) / size, as in Direct3D. Filter weights are 8-bit fractions; the
// channels are blended together in the 16-bit lanes of an SSE2 register (B, G, R, A in lanes
// 0..3), which is how the rasterizer takes the result.
#include <emmintrin.h>

#include <cstdint>

#include "platform/d3d9/texture.h"

namespace softd3d {

struct SamplerSettings {
    DWORD magFilter = D3DTEXF_POINT;
    DWORD minFilter = D3DTEXF_POINT;
    DWORD mipFilter = D3DTEXF_NONE;
};

// The sampler runs once or twice per textured pixel; a call per level would cost as much as the
// filtering itself.
#define SOFTD3D_INLINE inline __attribute__((always_inline))

namespace sampling {

inline __m128i Widen(std::uint32_t texel)
{
    return _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(texel)), _mm_setzero_si128());
}

// Weight f (0..256) in all eight 16-bit lanes, for each f: loading one is cheaper than building it.
struct WeightTable {
    alignas(16) std::uint16_t lanes[257][8];
    WeightTable()
    {
        for (int f = 0; f <= 256; ++f) {
            for (std::uint16_t& lane : lanes[f])
                lane = static_cast<std::uint16_t>(f);
        }
    }
};
inline const WeightTable weightTable;

SOFTD3D_INLINE __m128i Weight(std::uint32_t f)
{
    return _mm_load_si128(reinterpret_cast<const __m128i*>(weightTable.lanes[f]));
}

// a + (b - a) * f / 256 per lane, rounded. Products stay below 2^16: 255 * 256 = 65280.
SOFTD3D_INLINE __m128i Blend(__m128i a, __m128i b, std::uint32_t f)
{
    const __m128i keep = Weight(256 - f);
    const __m128i take = Weight(f);
    __m128i sum = _mm_add_epi16(_mm_mullo_epi16(a, keep), _mm_mullo_epi16(b, take));
    return _mm_srli_epi16(_mm_add_epi16(sum, _mm_set1_epi16(128)), 8);
}

// Texels (x0, y0), (x1, y0), (x0, y1), (x1, y1) blended by 8-bit weights wx, wy.
SOFTD3D_INLINE __m128i BilinearAt(
    const MipLevelView& level, int x0, int x1, int y0, int y1, std::uint32_t wx, std::uint32_t wy)
{
    const std::uint32_t* row0 = level.texels + y0 * level.pitch;
    const std::uint32_t* row1 = level.texels + y1 * level.pitch;
    __m128i top, bottom;
    if (x1 == x0 + 1) {
        top = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row0 + x0));
        bottom = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row1 + x0));
    } else {
        top = _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(row0[x0])),
            _mm_cvtsi32_si128(static_cast<int>(row0[x1])));
        bottom = _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(row1[x0])),
            _mm_cvtsi32_si128(static_cast<int>(row1[x1])));
    }
    const __m128i zero = _mm_setzero_si128();
    // Lanes 0..3 the left texel, 4..7 the right one; first down, then across.
    const __m128i vertical
        = Blend(_mm_unpacklo_epi8(top, zero), _mm_unpacklo_epi8(bottom, zero), wy);
    const __m128i weights = _mm_unpacklo_epi64(Weight(256 - wx), Weight(wx));
    const __m128i weighted = _mm_mullo_epi16(vertical, weights);
    const __m128i sum = _mm_add_epi16(weighted, _mm_srli_si128(weighted, 8));
    return _mm_srli_epi16(_mm_add_epi16(sum, _mm_set1_epi16(128)), 8);
}

// Brings a coordinate into a range where float-to-int conversions are defined; NaN becomes 0.
inline float Tame(float c)
{
    return (c >= -1.0e6f && c <= 1.0e6f) ? c : 0.0f;
}

// Wrapping on power-of-two sides: coordinates become 8.24 fixed point once per pixel, and each
// level finds its texels with shifts and masks.
struct WrapPowerOfTwoAddressing {
    struct Coordinates {
        std::int32_t u, v; // fraction of one period, 24 bits, may be negative
    };
    static Coordinates Prepare(float u, float v)
    {
        u = Tame(u);
        v = Tame(v);
        return {
            static_cast<std::int32_t>((u - static_cast<float>(static_cast<int>(u))) * 16777216.0f),
            static_cast<std::int32_t>((v - static_cast<float>(static_cast<int>(v))) * 16777216.0f)
        };
    }

    SOFTD3D_INLINE static __m128i Point(
        const MipLevelView& level, const SamplerSettings&, Coordinates c)
    {
        const int x = (c.u >> (level.fixedShiftU + 8)) & level.maskX;
        const int y = (c.v >> (level.fixedShiftV + 8)) & level.maskY;
        return Widen(level.texels[y * level.pitch + x]);
    }

    static __m128i Bilinear(const MipLevelView& level, const SamplerSettings&, Coordinates c)
    {
        const int fx = (c.u >> level.fixedShiftU) - 128;
        const int fy = (c.v >> level.fixedShiftV) - 128;
        const int x0 = (fx >> 8) & level.maskX;
        const int y0 = (fy >> 8) & level.maskY;
        return BilinearAt(level, x0, (x0 + 1) & level.maskX, y0, (y0 + 1) & level.maskY,
            static_cast<std::uint32_t>(fx) & 255u, static_cast<std::uint32_t>(fy) & 255u);
    }
};

SOFTD3D_INLINE __m128i Filter(DWORD filter, const MipLevelView& level, const SamplerSettings& s,
    WrapPowerOfTwoAddressing::Coordinates c)
{
    return filter == D3DTEXF_LINEAR ? WrapPowerOfTwoAddressing::Bilinear(level, s, c)
                                    : WrapPowerOfTwoAddressing::Point(level, s, c);
}

} // namespace sampling

// The texel at (u, v) for a level of detail `lod` (log2 of texels per pixel): channels B, G, R,
// A in 16-bit lanes 0..3.
SOFTD3D_INLINE __m128i SampleLanes(
    const MipChainView& chain, const SamplerSettings& s, float u, float v, float lod)
{
    using sampling::Filter;
    const auto c = sampling::WrapPowerOfTwoAddressing::Prepare(u, v);
    if (!(lod > 0.0f))
        return Filter(s.magFilter, chain.levels[0], s, c);

    const int last = chain.levelCount - 1;
    switch (s.mipFilter) {
    case D3DTEXF_POINT: {
        const int level = lod >= static_cast<float>(last) ? last : static_cast<int>(lod + 0.5f);
        return Filter(s.minFilter, chain.levels[level], s, c);
    }
    case D3DTEXF_LINEAR: {
        if (lod >= static_cast<float>(last))
            return Filter(s.minFilter, chain.levels[last], s, c);
        const int level = static_cast<int>(lod);
        const std::uint32_t weight
            = static_cast<std::uint32_t>((lod - static_cast<float>(level)) * 256.0f);
        const __m128i nearer = Filter(s.minFilter, chain.levels[level], s, c);
        if (weight == 0)
            return nearer;
        const __m128i farther = Filter(s.minFilter, chain.levels[level + 1], s, c);
        return sampling::Blend(nearer, farther, weight);
    }
    default: return Filter(s.minFilter, chain.levels[0], s, c);
    }
}

} // namespace softd3d
