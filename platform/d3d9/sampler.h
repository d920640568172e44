#pragma once
// Texture sampling of stage 0: point, bilinear and trilinear filtering over a mip chain with
// wrap, mirror or clamp addressing. Inline: the rasterizer calls it for every textured pixel.
//
// Texel centres sit at (i + 0.5) / size, as in Direct3D. Filter weights are 8-bit fractions and
// the four channels are blended at once in 16-bit lanes of one 64-bit word.
#include <cstdint>

#include "platform/d3d9/texture.h"

namespace softd3d {

struct SamplerSettings {
  DWORD magFilter = D3DTEXF_POINT;
  DWORD minFilter = D3DTEXF_POINT;
  DWORD mipFilter = D3DTEXF_NONE;
  DWORD addressU = D3DTADDRESS_WRAP;
  DWORD addressV = D3DTADDRESS_WRAP;
};

namespace sampling {

// 0xAARRGGBB -> 0x00AA00GG00RR00BB in 16-bit lanes (B lowest, then R, G, A).
inline std::uint64_t Spread(std::uint32_t t) {
  return (t & 0x00FF00FFu) | (static_cast<std::uint64_t>(t & 0xFF00FF00u) << 24);
}
inline std::uint32_t Gather(std::uint64_t x) {
  return static_cast<std::uint32_t>(x & 0x00FF00FFu) |
         (static_cast<std::uint32_t>(x >> 24) & 0xFF00FF00u);
}
// a + (b - a) * f / 256 per lane, rounded; lanes never carry into each other (255 * 256 < 2^16).
inline std::uint64_t Blend(std::uint64_t a, std::uint64_t b, std::uint32_t f) {
  return ((a * (256 - f) + b * f + 0x0080008000800080ull) >> 8) & 0x00FF00FF00FF00FFull;
}

// Brings a coordinate into a range where float-to-int conversions are defined; NaN becomes 0.
inline float Tame(float c) { return (c >= -1.0e6f && c <= 1.0e6f) ? c : 0.0f; }

// Index of texel coordinate `i` (any integer) under an address mode.
inline int Address(DWORD mode, int i, int size) {
  switch (mode) {
    case D3DTADDRESS_CLAMP:
      return i < 0 ? 0 : (i >= size ? size - 1 : i);
    case D3DTADDRESS_MIRROR: {
      int period = 2 * size;
      int m = i % period;
      if (m < 0) m += period;
      return m < size ? m : period - 1 - m;
    }
    default: {
      int m = i % size;
      return m < 0 ? m + size : m;
    }
  }
}

// Floor of c * size * 256 for a tamed coordinate: the integer part is the texel, the low 8 bits
// the weight of the next one. Each mode first brings c into a short range of the same result so
// that the fixed-point value stays far from overflow. Modes are WRAP, MIRROR or CLAMP only.
inline int FixedTexel(DWORD mode, float c, float size) {
  if (mode == D3DTADDRESS_WRAP) {
    c -= static_cast<float>(static_cast<int>(c));
  } else if (mode == D3DTADDRESS_MIRROR) {
    c -= 2.0f * static_cast<float>(static_cast<int>(c * 0.5f));
  } else {
    c = c < -1.0f ? -1.0f : (c > 2.0f ? 2.0f : c);
  }
  float s = c * size * 256.0f;
  int truncated = static_cast<int>(s);
  return truncated - (static_cast<float>(truncated) > s ? 1 : 0);
}

inline std::uint64_t Point(const MipLevelView& level, const SamplerSettings& s, float u, float v) {
  int x = Address(s.addressU, FixedTexel(s.addressU, u, level.widthF) >> 8, level.width);
  int y = Address(s.addressV, FixedTexel(s.addressV, v, level.heightF) >> 8, level.height);
  return Spread(level.texels[y * level.width + x]);
}

inline std::uint64_t Bilinear(const MipLevelView& level, const SamplerSettings& s, float u,
                              float v) {
  int fx = FixedTexel(s.addressU, u, level.widthF) - 128;
  int fy = FixedTexel(s.addressV, v, level.heightF) - 128;
  int x0 = Address(s.addressU, fx >> 8, level.width);
  int x1 = Address(s.addressU, (fx >> 8) + 1, level.width);
  const std::uint32_t* row0 =
      level.texels + Address(s.addressV, fy >> 8, level.height) * level.width;
  const std::uint32_t* row1 =
      level.texels + Address(s.addressV, (fy >> 8) + 1, level.height) * level.width;
  std::uint32_t wx = static_cast<std::uint32_t>(fx) & 255u;
  std::uint32_t wy = static_cast<std::uint32_t>(fy) & 255u;
  std::uint64_t top = Blend(Spread(row0[x0]), Spread(row0[x1]), wx);
  std::uint64_t bottom = Blend(Spread(row1[x0]), Spread(row1[x1]), wx);
  return Blend(top, bottom, wy);
}

inline std::uint64_t Filter(DWORD filter, const MipLevelView& level, const SamplerSettings& s,
                            float u, float v) {
  return filter == D3DTEXF_POINT || filter == D3DTEXF_NONE ? Point(level, s, u, v)
                                                           : Bilinear(level, s, u, v);
}

}  // namespace sampling

// The texel at (u, v) for a level of detail `lod` (log2 of texels per pixel), as spread lanes.
inline std::uint64_t SampleSpread(const MipChainView& chain, const SamplerSettings& s, float u,
                                  float v, float lod) {
  u = sampling::Tame(u);
  v = sampling::Tame(v);
  if (!(lod > 0.0f)) return sampling::Filter(s.magFilter, chain.levels[0], s, u, v);

  const int last = chain.levelCount - 1;
  switch (s.mipFilter) {
    case D3DTEXF_POINT: {
      int level = lod >= static_cast<float>(last) ? last : static_cast<int>(lod + 0.5f);
      return sampling::Filter(s.minFilter, chain.levels[level], s, u, v);
    }
    case D3DTEXF_LINEAR: {
      if (lod >= static_cast<float>(last)) {
        return sampling::Filter(s.minFilter, chain.levels[last], s, u, v);
      }
      int level = static_cast<int>(lod);
      std::uint32_t weight = static_cast<std::uint32_t>((lod - static_cast<float>(level)) * 256.0f);
      std::uint64_t nearer = sampling::Filter(s.minFilter, chain.levels[level], s, u, v);
      if (weight == 0) return nearer;
      std::uint64_t farther = sampling::Filter(s.minFilter, chain.levels[level + 1], s, u, v);
      return sampling::Blend(nearer, farther, weight);
    }
    default:
      return sampling::Filter(s.minFilter, chain.levels[0], s, u, v);
  }
}

inline std::uint32_t Sample(const MipChainView& chain, const SamplerSettings& s, float u, float v,
                            float lod) {
  return sampling::Gather(SampleSpread(chain, s, u, v, lod));
}

}  // namespace softd3d
