#include "platform/d3d9/rasterizer.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <utility>

namespace softd3d {

namespace {

constexpr int kSubPixelBits = 8;
constexpr float kSubPixelScale = 1 << kSubPixelBits;

struct AttributePlane {
  float atOrigin = 0.0f;  // value at the triangle's first vertex
  float dx = 0.0f;
  float dy = 0.0f;
};

// Edge function in 1/65536 pixel^2 units, biased so that ">= 0" applies the top-left rule.
struct Edge {
  std::int64_t value = 0;  // at the bounding box's top-left pixel centre
  std::int64_t stepX = 0;  // per pixel to the right
  std::int64_t stepY = 0;  // per row down
};

struct TriangleSetup {
  int minX, maxX, minY, maxY;
  Edge edges[3];
  float originX, originY;
  AttributePlane z, q;
  AttributePlane attributes[8];
  float textureWidth = 0.0f, textureHeight = 0.0f;
};

enum Attribute { kRed, kGreen, kBlue, kSpecularRed, kSpecularGreen, kSpecularBlue, kU, kV };

// log2 to about 0.001, exact at powers of two: plenty for choosing and blending mip levels.
inline float FastLog2(float x) {
  const std::uint32_t bits = std::bit_cast<std::uint32_t>(x);
  const float exponent = static_cast<float>(static_cast<int>(bits >> 23) - 127);
  const float t = std::bit_cast<float>((bits & 0x007FFFFFu) | 0x3F800000u) - 1.0f;
  return exponent + t * (1.419f + t * (-0.569f + t * 0.15f));
}

inline bool DepthPasses(DWORD func, std::uint32_t incoming, std::uint32_t stored) {
  switch (func) {
    case D3DCMP_LESSEQUAL: return incoming <= stored;
    case D3DCMP_LESS: return incoming < stored;
    case D3DCMP_NEVER: return false;
    case D3DCMP_EQUAL: return incoming == stored;
    case 5: return incoming > stored;   // D3DCMP_GREATER
    case 6: return incoming != stored;  // D3DCMP_NOTEQUAL
    case 7: return incoming >= stored;  // D3DCMP_GREATEREQUAL
    default: return true;               // D3DCMP_ALWAYS
  }
}

inline std::uint32_t ToChannel(float c) {
  c = c < 0.0f ? 0.0f : (c > 255.0f ? 255.0f : c);
  return static_cast<std::uint32_t>(c + 0.5f);
}

inline std::uint32_t Store(Quantisation quantisation, std::uint32_t r, std::uint32_t g,
                           std::uint32_t b) {
  // Lower-precision formats drop low bits and read back with the top bits repeated, as a
  // 16-bit desktop shows them.
  switch (quantisation) {
    case Quantisation::R5G6B5:
      r = (r & 0xF8u) | (r >> 5);
      g = (g & 0xFCu) | (g >> 6);
      b = (b & 0xF8u) | (b >> 5);
      break;
    case Quantisation::X1R5G5B5:
      r = (r & 0xF8u) | (r >> 5);
      g = (g & 0xF8u) | (g >> 5);
      b = (b & 0xF8u) | (b >> 5);
      break;
    case Quantisation::None:
      break;
  }
  return 0xFF000000u | (r << 16) | (g << 8) | b;
}

template <PixelSource kSource, bool kSpecular>
void ShadeSpan(const TriangleSetup& s, const RasterOptions& o, const RenderTarget& t, int y,
               int xBegin, int xEnd) {
  const float fx = static_cast<float>(xBegin) - s.originX;
  const float fy = static_cast<float>(y) - s.originY;
  auto start = [fx, fy](const AttributePlane& p) { return p.atOrigin + p.dx * fx + p.dy * fy; };

  const float zStart = start(s.z);
  const float zStep = s.z.dx;
  float q = start(s.q);
  float r = start(s.attributes[kRed]);
  float g = start(s.attributes[kGreen]);
  float b = start(s.attributes[kBlue]);
  float sr = 0, sg = 0, sb = 0, uq = 0, vq = 0;
  if constexpr (kSpecular) {
    sr = start(s.attributes[kSpecularRed]);
    sg = start(s.attributes[kSpecularGreen]);
    sb = start(s.attributes[kSpecularBlue]);
  }
  constexpr bool kTextured = kSource != PixelSource::Diffuse;
  if constexpr (kTextured) {
    uq = start(s.attributes[kU]);
    vq = start(s.attributes[kV]);
  }

  std::uint32_t* colour = t.colour + static_cast<std::ptrdiff_t>(y) * t.pitch;
  std::uint16_t* depth = t.depth ? t.depth + static_cast<std::ptrdiff_t>(y) * t.pitch : nullptr;
  const bool depthTest = depth != nullptr && o.depthTest;
  const bool depthWrite = depthTest && o.depthWrite;

  for (int x = xBegin; x <= xEnd; ++x) {
    const float z = zStart + zStep * static_cast<float>(x - xBegin);
    if (depthTest) {
      const float clamped = z < 0.0f ? 0.0f : (z > 1.0f ? 1.0f : z);
      const std::uint32_t z16 = static_cast<std::uint32_t>(clamped * 65535.0f + 0.5f);
      if (!DepthPasses(o.depthFunc, z16, depth[x])) goto next;
      if (depthWrite) depth[x] = static_cast<std::uint16_t>(z16);
    }
    {
      const float w = 1.0f / q;
      std::uint32_t outR, outG, outB;
      if constexpr (kTextured) {
        const float u = uq * w;
        const float v = vq * w;
        // Texel-space derivatives of u/q over q, per screen axis; the longer axis sets the level.
        const float us = u * s.textureWidth;
        const float vs = v * s.textureHeight;
        const float dux = s.attributes[kU].dx * s.textureWidth - us * s.q.dx;
        const float dvx = s.attributes[kV].dx * s.textureHeight - vs * s.q.dx;
        const float duy = s.attributes[kU].dy * s.textureWidth - us * s.q.dy;
        const float dvy = s.attributes[kV].dy * s.textureHeight - vs * s.q.dy;
        const float lengthX = dux * dux + dvx * dvx;
        const float lengthY = duy * duy + dvy * dvy;
        const float lod = 0.5f * FastLog2(std::max(lengthX, lengthY) * (w * w));
        const std::uint64_t texel = SampleSpread(*o.texture, o.sampler, u, v, lod);
        const std::uint32_t tb = static_cast<std::uint32_t>(texel) & 0xFFu;
        const std::uint32_t tr = static_cast<std::uint32_t>(texel >> 16) & 0xFFu;
        const std::uint32_t tg = static_cast<std::uint32_t>(texel >> 32) & 0xFFu;
        if constexpr (kSource == PixelSource::Modulate) {
          constexpr float kScale = 1.0f / 255.0f;
          outR = ToChannel(static_cast<float>(tr) * (r * w) * kScale);
          outG = ToChannel(static_cast<float>(tg) * (g * w) * kScale);
          outB = ToChannel(static_cast<float>(tb) * (b * w) * kScale);
        } else {
          outR = tr;
          outG = tg;
          outB = tb;
        }
      } else {
        outR = ToChannel(r * w);
        outG = ToChannel(g * w);
        outB = ToChannel(b * w);
      }
      if constexpr (kSpecular) {
        outR = std::min(255u, outR + ToChannel(sr * w));
        outG = std::min(255u, outG + ToChannel(sg * w));
        outB = std::min(255u, outB + ToChannel(sb * w));
      }
      colour[x] = Store(t.quantisation, outR, outG, outB);
    }
  next:
    q += s.q.dx;
    r += s.attributes[kRed].dx;
    g += s.attributes[kGreen].dx;
    b += s.attributes[kBlue].dx;
    if constexpr (kSpecular) {
      sr += s.attributes[kSpecularRed].dx;
      sg += s.attributes[kSpecularGreen].dx;
      sb += s.attributes[kSpecularBlue].dx;
    }
    if constexpr (kTextured) {
      uq += s.attributes[kU].dx;
      vq += s.attributes[kV].dx;
    }
  }
}

template <PixelSource kSource, bool kSpecular>
void Rasterize(const TriangleSetup& s, const RasterOptions& o, const RenderTarget& t) {
  std::int64_t rowValue[3] = {s.edges[0].value, s.edges[1].value, s.edges[2].value};
  const int last = s.maxX - s.minX;
  for (int y = s.minY; y <= s.maxY; ++y) {
    // The span of pixel centres inside all three edges, found exactly from the edge values
    // at the row's first centre.
    int kBegin = 0, kEnd = last;
    for (int i = 0; i < 3; ++i) {
      const std::int64_t e = rowValue[i];
      const std::int64_t step = s.edges[i].stepX;
      if (step > 0) {
        if (e < 0) {
          const std::int64_t first = (-e + step - 1) / step;
          kBegin = static_cast<int>(std::max<std::int64_t>(kBegin, std::min<std::int64_t>(first, last + 1)));
        }
      } else if (step < 0) {
        if (e < 0) {
          kEnd = -1;
        } else {
          kEnd = static_cast<int>(std::min<std::int64_t>(kEnd, e / -step));
        }
      } else if (e < 0) {
        kEnd = -1;
      }
      rowValue[i] += s.edges[i].stepY;
    }
    if (kBegin <= kEnd) ShadeSpan<kSource, kSpecular>(s, o, t, y, s.minX + kBegin, s.minX + kEnd);
  }
}

AttributePlane MakePlane(float f0, float f1, float f2, float x10, float y10, float x20, float y20,
                         float inverseArea) {
  AttributePlane p;
  p.atOrigin = f0;
  p.dx = ((f1 - f0) * y20 - (f2 - f0) * y10) * inverseArea;
  p.dy = ((f2 - f0) * x10 - (f1 - f0) * x20) * inverseArea;
  return p;
}

}  // namespace

std::uint32_t StoredColour(Quantisation quantisation, std::uint32_t argb) {
  return Store(quantisation, (argb >> 16) & 0xFFu, (argb >> 8) & 0xFFu, argb & 0xFFu);
}

ScreenVertex ToScreen(const ClipVertex& v, int width, int height) {
  ScreenVertex s;
  const float q = 1.0f / v.w;
  s.x = (v.x * q + 1.0f) * 0.5f * static_cast<float>(width);
  s.y = (1.0f - v.y * q) * 0.5f * static_cast<float>(height);
  s.z = v.z * q;
  s.q = q;
  const float values[8] = {v.r, v.g, v.b, v.sr, v.sg, v.sb, v.u, v.v};
  for (int i = 0; i < 8; ++i) s.attributes[i] = values[i] * q;
  return s;
}

void DrawTriangle(const RasterOptions& options, const RenderTarget& target, const ScreenVertex& a,
                  const ScreenVertex& b, const ScreenVertex& c) {
  const ScreenVertex* v[3] = {&a, &b, &c};
  std::int64_t x[3], y[3];
  for (int i = 0; i < 3; ++i) {
    x[i] = std::lrint(v[i]->x * kSubPixelScale);
    y[i] = std::lrint(v[i]->y * kSubPixelScale);
  }
  std::int64_t area = (x[1] - x[0]) * (y[2] - y[0]) - (x[2] - x[0]) * (y[1] - y[0]);
  if (area == 0) return;
  // With y growing downwards a positive area is clockwise on screen.
  const bool clockwise = area > 0;
  if (options.cullMode == D3DCULL_CCW && !clockwise) return;
  if (options.cullMode == D3DCULL_CW && clockwise) return;
  if (!clockwise) {
    std::swap(v[1], v[2]);
    std::swap(x[1], x[2]);
    std::swap(y[1], y[2]);
    area = -area;
  }

  TriangleSetup s;
  const std::int64_t minXs = std::min({x[0], x[1], x[2]});
  const std::int64_t maxXs = std::max({x[0], x[1], x[2]});
  const std::int64_t minYs = std::min({y[0], y[1], y[2]});
  const std::int64_t maxYs = std::max({y[0], y[1], y[2]});
  // Pixel centres from ceil(min) to floor(max), within the target.
  s.minX = static_cast<int>(std::max<std::int64_t>(0, -((-minXs) >> kSubPixelBits)));
  s.minY = static_cast<int>(std::max<std::int64_t>(0, -((-minYs) >> kSubPixelBits)));
  s.maxX = static_cast<int>(std::min<std::int64_t>(target.width - 1, maxXs >> kSubPixelBits));
  s.maxY = static_cast<int>(std::min<std::int64_t>(target.height - 1, maxYs >> kSubPixelBits));
  if (s.minX > s.maxX || s.minY > s.maxY) return;

  const std::int64_t px = static_cast<std::int64_t>(s.minX) << kSubPixelBits;
  const std::int64_t py = static_cast<std::int64_t>(s.minY) << kSubPixelBits;
  for (int i = 0; i < 3; ++i) {
    const int j = (i + 1) % 3;
    const std::int64_t stepPerUnitX = y[i] - y[j];
    const std::int64_t stepPerUnitY = x[j] - x[i];
    Edge& e = s.edges[i];
    e.value = stepPerUnitY * (py - y[i]) + stepPerUnitX * (px - x[i]);
    e.stepX = stepPerUnitX << kSubPixelBits;
    e.stepY = stepPerUnitY << kSubPixelBits;
    // Top-left rule: centres exactly on an edge belong to the triangle only for a top edge
    // (horizontal, interior below) or a left edge (going up in this clockwise order).
    const bool topLeft = stepPerUnitX > 0 || (stepPerUnitX == 0 && stepPerUnitY > 0);
    if (!topLeft) e.value -= 1;
  }

  s.originX = static_cast<float>(x[0]) / kSubPixelScale;
  s.originY = static_cast<float>(y[0]) / kSubPixelScale;
  const float x10 = static_cast<float>(x[1] - x[0]) / kSubPixelScale;
  const float y10 = static_cast<float>(y[1] - y[0]) / kSubPixelScale;
  const float x20 = static_cast<float>(x[2] - x[0]) / kSubPixelScale;
  const float y20 = static_cast<float>(y[2] - y[0]) / kSubPixelScale;
  const float inverseArea =
      1.0f / static_cast<float>(static_cast<double>(area) / (kSubPixelScale * kSubPixelScale));
  auto plane = [&](float f0, float f1, float f2) {
    return MakePlane(f0, f1, f2, x10, y10, x20, y20, inverseArea);
  };
  s.z = plane(v[0]->z, v[1]->z, v[2]->z);
  s.q = plane(v[0]->q, v[1]->q, v[2]->q);
  const bool textured = options.source != PixelSource::Diffuse && options.texture != nullptr &&
                        options.texture->levelCount > 0;
  const PixelSource source = textured ? options.source : PixelSource::Diffuse;
  const int attributeCount = textured ? 8 : 6;
  for (int i = 0; i < attributeCount; ++i) {
    s.attributes[i] = plane(v[0]->attributes[i], v[1]->attributes[i], v[2]->attributes[i]);
  }
  bool specular = false;
  if (options.addSpecular) {
    for (int i = 0; i < 3; ++i) {
      specular = specular || v[i]->attributes[kSpecularRed] != 0.0f ||
                 v[i]->attributes[kSpecularGreen] != 0.0f ||
                 v[i]->attributes[kSpecularBlue] != 0.0f;
    }
  }
  if (textured) {
    s.textureWidth = options.texture->levels[0].widthF;
    s.textureHeight = options.texture->levels[0].heightF;
  }

  switch (source) {
    case PixelSource::Diffuse:
      specular ? Rasterize<PixelSource::Diffuse, true>(s, options, target)
               : Rasterize<PixelSource::Diffuse, false>(s, options, target);
      break;
    case PixelSource::Texture:
      specular ? Rasterize<PixelSource::Texture, true>(s, options, target)
               : Rasterize<PixelSource::Texture, false>(s, options, target);
      break;
    case PixelSource::Modulate:
      specular ? Rasterize<PixelSource::Modulate, true>(s, options, target)
               : Rasterize<PixelSource::Modulate, false>(s, options, target);
      break;
  }
}

}  // namespace softd3d
