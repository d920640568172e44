#include "platform/d3d9/rasterizer.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <utility>

#include <emmintrin.h>

namespace softd3d {

namespace {

constexpr int kSubPixelBits = 8;
constexpr float kSubPixelScale = 1 << kSubPixelBits;

struct AttributePlane {
    float atOrigin = 0.0f; // value at the triangle's first vertex
    float dx = 0.0f;
    float dy = 0.0f;
};

// Edge function in 1/65536 pixel^2 units, biased so that ">= 0" applies the top-left rule.
struct Edge {
    std::int64_t value = 0; // at the bounding box's top-left pixel centre
    std::int64_t stepX = 0; // per pixel to the right
    std::int64_t stepY = 0; // per row down
};

struct TriangleSetup {
    int minX, maxX, minY, maxY;
    Edge edges[3];
    float originX, originY;
    AttributePlane z, q;
    AttributePlane attributes[8];
    float textureWidth = 0.0f, textureHeight = 0.0f;
    float uTexelsDx = 0.0f, uTexelsDy = 0.0f, vTexelsDx = 0.0f, vTexelsDy = 0.0f;
};

enum Attribute { kRed, kGreen, kBlue, kSpecularRed, kSpecularGreen, kSpecularBlue, kU, kV };

// log2 to about 0.001, exact at powers of two: plenty for choosing and blending mip levels.
inline float FastLog2(float x)
{
    const std::uint32_t bits = std::bit_cast<std::uint32_t>(x);
    const float exponent = static_cast<float>(static_cast<int>(bits >> 23) - 127);
    const float t = std::bit_cast<float>((bits & 0x007FFFFFu) | 0x3F800000u) - 1.0f;
    return exponent + t * (1.419f + t * (-0.569f + t * 0.15f));
}

// D3DCMP_* - 1 is a mask of the outcomes that pass: bit 0 less, bit 1 equal, bit 2 greater.
inline bool DepthPasses(std::uint32_t passMask, std::uint32_t incoming, std::uint32_t stored)
{
    const std::uint32_t outcome = (incoming >= stored ? 1u : 0u) + (incoming > stored ? 1u : 0u);
    return ((passMask >> outcome) & 1u) != 0;
}

inline std::uint32_t Store(
    Quantisation quantisation, std::uint32_t r, std::uint32_t g, std::uint32_t b)
{
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
    case Quantisation::None: break;
    }
    return 0xFF000000u | (r << 16) | (g << 8) | b;
}

// Channels B, G, R in float lanes 0..2 (lane 3 unused), the order of the pixel's bytes.
inline __m128 ColourLanes(const AttributePlane* planes, int first, float fx, float fy)
{
    auto at = [&](int i) {
        return planes[first + i].atOrigin + planes[first + i].dx * fx + planes[first + i].dy * fy;
    };
    return _mm_set_ps(0.0f, at(0), at(1), at(2));
}
inline __m128 ColourSteps(const AttributePlane* planes, int first)
{
    return _mm_set_ps(0.0f, planes[first].dx, planes[first + 1].dx, planes[first + 2].dx);
}

// Perspective-corrected colour lanes as 16-bit integers clamped to 0..255.
inline __m128i ColourToLanes(__m128 colourTimesQ, __m128 w)
{
    const __m128i whole = _mm_cvtps_epi32(_mm_mul_ps(colourTimesQ, w));
    const __m128i packed = _mm_packs_epi32(whole, whole);
    return _mm_min_epi16(_mm_max_epi16(packed, _mm_setzero_si128()), _mm_set1_epi16(255));
}

// a * b / 255 per lane, exactly rounded for 8-bit a and b.
inline __m128i Modulate(__m128i a, __m128i b)
{
    const __m128i product = _mm_add_epi16(_mm_mullo_epi16(a, b), _mm_set1_epi16(128));
    return _mm_srli_epi16(_mm_add_epi16(product, _mm_srli_epi16(product, 8)), 8);
}

template <PixelSource kSource, bool kSpecular, class Addressing>
void ShadeSpan(const TriangleSetup& s, const RasterOptions& o, const RenderTarget& t, int y,
    int xBegin, int xEnd)
{
    const float fx = static_cast<float>(xBegin) - s.originX;
    const float fy = static_cast<float>(y) - s.originY;
    auto start = [fx, fy](const AttributePlane& p) { return p.atOrigin + p.dx * fx + p.dy * fy; };

    const float zStart = start(s.z);
    const float zStep = s.z.dx;
    float q = start(s.q);
    __m128 colour = ColourLanes(s.attributes, kRed, fx, fy);
    const __m128 colourStep = ColourSteps(s.attributes, kRed);
    __m128 specular = _mm_setzero_ps(), specularStep = _mm_setzero_ps();
    if constexpr (kSpecular) {
        specular = ColourLanes(s.attributes, kSpecularRed, fx, fy);
        specularStep = ColourSteps(s.attributes, kSpecularRed);
    }
    constexpr bool kTextured = kSource != PixelSource::Diffuse;
    float uq = 0, vq = 0;
    if constexpr (kTextured) {
        uq = start(s.attributes[kU]);
        vq = start(s.attributes[kV]);
    }

    std::uint32_t* colourRow = t.colour + static_cast<std::ptrdiff_t>(y) * t.pitch;
    std::uint16_t* depth = t.depth ? t.depth + static_cast<std::ptrdiff_t>(y) * t.pitch : nullptr;
    const bool depthTest = depth != nullptr && o.depthTest;
    const bool depthWrite = depthTest && o.depthWrite;
    const std::uint32_t depthPassMask = (o.depthFunc - 1u) & 7u;
    // Depth in 16-bit units plus one half, so that truncation rounds. Inside the triangle it stays
    // within 0..1 but for rounding; only a span whose ends stray outside is clamped pixel by pixel.
    const float zUnits = zStart * 65535.0f + 0.5f;
    const float zUnitsStep = zStep * 65535.0f;
    const float zUnitsEnd = zUnits + zUnitsStep * static_cast<float>(xEnd - xBegin);
    const bool clampDepth
        = !(zUnits >= 0.5f && zUnits <= 65535.5f && zUnitsEnd >= 0.5f && zUnitsEnd <= 65535.5f);

    for (int x = xBegin; x <= xEnd; ++x) {
        if (depthTest) {
            float units = zUnits + zUnitsStep * static_cast<float>(x - xBegin);
            if (clampDepth)
                units = units < 0.0f ? 0.0f : (units > 65535.0f ? 65535.0f : units);
            const std::uint32_t z16 = static_cast<std::uint32_t>(units);
            if (!DepthPasses(depthPassMask, z16, depth[x]))
                goto next;
            if (depthWrite)
                depth[x] = static_cast<std::uint16_t>(z16);
        }
        {
            const float w = 1.0f / q;
            const __m128 wLanes = _mm_set1_ps(w);
            __m128i out;
            if constexpr (kTextured) {
                const float u = uq * w;
                const float v = vq * w;
                // Texel-space derivatives of u/q over q, per screen axis; the longer axis sets the
                // level.
                const float us = u * s.textureWidth;
                const float vs = v * s.textureHeight;
                const float dux = s.uTexelsDx - us * s.q.dx;
                const float dvx = s.vTexelsDx - vs * s.q.dx;
                const float duy = s.uTexelsDy - us * s.q.dy;
                const float dvy = s.vTexelsDy - vs * s.q.dy;
                const float lengthX = dux * dux + dvx * dvx;
                const float lengthY = duy * duy + dvy * dvy;
                const float lod = 0.5f * FastLog2(std::max(lengthX, lengthY) * (w * w));
                const __m128i texel = SampleLanes<Addressing>(*o.texture, o.sampler, u, v, lod);
                if constexpr (kSource == PixelSource::Modulate) {
                    out = Modulate(texel, ColourToLanes(colour, wLanes));
                } else {
                    out = texel;
                }
            } else {
                out = ColourToLanes(colour, wLanes);
            }
            if constexpr (kSpecular)
                out = _mm_adds_epu16(out, ColourToLanes(specular, wLanes));
            std::uint32_t pixel
                = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(out, out)))
                | 0xFF000000u;
            if (t.quantisation != Quantisation::None) {
                pixel = Store(
                    t.quantisation, (pixel >> 16) & 0xFFu, (pixel >> 8) & 0xFFu, pixel & 0xFFu);
            }
            colourRow[x] = pixel;
        }
    next:
        q += s.q.dx;
        colour = _mm_add_ps(colour, colourStep);
        if constexpr (kSpecular)
            specular = _mm_add_ps(specular, specularStep);
        if constexpr (kTextured) {
            uq += s.attributes[kU].dx;
            vq += s.attributes[kV].dx;
        }
    }
}

template <PixelSource kSource, bool kSpecular, class Addressing>
void Rasterize(const TriangleSetup& s, const RasterOptions& o, const RenderTarget& t)
{
    std::int64_t rowValue[3] = { s.edges[0].value, s.edges[1].value, s.edges[2].value };
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
                    kBegin = static_cast<int>(
                        std::max<std::int64_t>(kBegin, std::min<std::int64_t>(first, last + 1)));
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
        if (kBegin <= kEnd)
            ShadeSpan<kSource, kSpecular, Addressing>(s, o, t, y, s.minX + kBegin, s.minX + kEnd);
    }
}

AttributePlane MakePlane(
    float f0, float f1, float f2, float x10, float y10, float x20, float y20, float inverseArea)
{
    AttributePlane p;
    p.atOrigin = f0;
    p.dx = ((f1 - f0) * y20 - (f2 - f0) * y10) * inverseArea;
    p.dy = ((f2 - f0) * x10 - (f1 - f0) * x20) * inverseArea;
    return p;
}

template <class Addressing>
void Dispatch(PixelSource source, bool specular, const TriangleSetup& s, const RasterOptions& o,
    const RenderTarget& t)
{
    if (source == PixelSource::Texture) {
        specular ? Rasterize<PixelSource::Texture, true, Addressing>(s, o, t)
                 : Rasterize<PixelSource::Texture, false, Addressing>(s, o, t);
    } else {
        specular ? Rasterize<PixelSource::Modulate, true, Addressing>(s, o, t)
                 : Rasterize<PixelSource::Modulate, false, Addressing>(s, o, t);
    }
}

} // namespace

std::uint32_t StoredColour(Quantisation quantisation, std::uint32_t argb)
{
    return Store(quantisation, (argb >> 16) & 0xFFu, (argb >> 8) & 0xFFu, argb & 0xFFu);
}

ScreenVertex ToScreen(const ClipVertex& v, int width, int height)
{
    ScreenVertex s;
    const float q = 1.0f / v.w;
    s.x = (v.x * q + 1.0f) * 0.5f * static_cast<float>(width);
    s.y = (1.0f - v.y * q) * 0.5f * static_cast<float>(height);
    s.z = v.z * q;
    s.q = q;
    const float values[8] = { v.r, v.g, v.b, v.sr, v.sg, v.sb, v.u, v.v };
    for (int i = 0; i < 8; ++i)
        s.attributes[i] = values[i] * q;
    return s;
}

void DrawTriangle(const RasterOptions& options, const RenderTarget& target, const ScreenVertex& a,
    const ScreenVertex& b, const ScreenVertex& c)
{
    const ScreenVertex* v[3] = { &a, &b, &c };
    std::int64_t x[3], y[3];
    for (int i = 0; i < 3; ++i) {
        x[i] = std::lrint(v[i]->x * kSubPixelScale);
        y[i] = std::lrint(v[i]->y * kSubPixelScale);
    }
    std::int64_t area = (x[1] - x[0]) * (y[2] - y[0]) - (x[2] - x[0]) * (y[1] - y[0]);
    if (area == 0)
        return;
    // With y growing downwards a positive area is clockwise on screen.
    const bool clockwise = area > 0;
    if (options.cullMode == D3DCULL_CCW && !clockwise)
        return;
    if (options.cullMode == D3DCULL_CW && clockwise)
        return;
    if (!clockwise) {
        std::swap(v[1], v[2]);
        std::swap(x[1], x[2]);
        std::swap(y[1], y[2]);
        area = -area;
    }

    TriangleSetup s;
    const std::int64_t minXs = std::min({ x[0], x[1], x[2] });
    const std::int64_t maxXs = std::max({ x[0], x[1], x[2] });
    const std::int64_t minYs = std::min({ y[0], y[1], y[2] });
    const std::int64_t maxYs = std::max({ y[0], y[1], y[2] });
    // Pixel centres from ceil(min) to floor(max), within the target.
    s.minX = static_cast<int>(std::max<std::int64_t>(0, -((-minXs) >> kSubPixelBits)));
    s.minY = static_cast<int>(std::max<std::int64_t>(0, -((-minYs) >> kSubPixelBits)));
    s.maxX = static_cast<int>(std::min<std::int64_t>(target.width - 1, maxXs >> kSubPixelBits));
    s.maxY = static_cast<int>(std::min<std::int64_t>(target.height - 1, maxYs >> kSubPixelBits));
    if (s.minX > s.maxX || s.minY > s.maxY)
        return;

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
        if (!topLeft)
            e.value -= 1;
    }

    s.originX = static_cast<float>(x[0]) / kSubPixelScale;
    s.originY = static_cast<float>(y[0]) / kSubPixelScale;
    const float x10 = static_cast<float>(x[1] - x[0]) / kSubPixelScale;
    const float y10 = static_cast<float>(y[1] - y[0]) / kSubPixelScale;
    const float x20 = static_cast<float>(x[2] - x[0]) / kSubPixelScale;
    const float y20 = static_cast<float>(y[2] - y[0]) / kSubPixelScale;
    const float inverseArea
        = 1.0f / static_cast<float>(static_cast<double>(area) / (kSubPixelScale * kSubPixelScale));
    auto plane = [&](float f0, float f1, float f2) {
        return MakePlane(f0, f1, f2, x10, y10, x20, y20, inverseArea);
    };
    s.z = plane(v[0]->z, v[1]->z, v[2]->z);
    s.q = plane(v[0]->q, v[1]->q, v[2]->q);
    const bool textured = options.source != PixelSource::Diffuse && options.texture != nullptr
        && options.texture->levelCount > 0;
    const PixelSource source = textured ? options.source : PixelSource::Diffuse;
    const int attributeCount = textured ? 8 : 6;
    for (int i = 0; i < attributeCount; ++i) {
        s.attributes[i] = plane(v[0]->attributes[i], v[1]->attributes[i], v[2]->attributes[i]);
    }
    bool specular = false;
    if (options.addSpecular) {
        for (int i = 0; i < 3; ++i) {
            specular = specular || v[i]->attributes[kSpecularRed] != 0.0f
                || v[i]->attributes[kSpecularGreen] != 0.0f
                || v[i]->attributes[kSpecularBlue] != 0.0f;
        }
    }
    if (textured) {
        s.textureWidth = options.texture->levels[0].widthF;
        s.textureHeight = options.texture->levels[0].heightF;
        s.uTexelsDx = s.attributes[kU].dx * s.textureWidth;
        s.uTexelsDy = s.attributes[kU].dy * s.textureWidth;
        s.vTexelsDx = s.attributes[kV].dx * s.textureHeight;
        s.vTexelsDy = s.attributes[kV].dy * s.textureHeight;
    }

    const bool fastWrap = textured && options.texture->powerOfTwo
        && options.sampler.addressU == D3DTADDRESS_WRAP
        && options.sampler.addressV == D3DTADDRESS_WRAP;
    if (source == PixelSource::Diffuse) {
        specular
            ? Rasterize<PixelSource::Diffuse, true, sampling::GeneralAddressing>(s, options, target)
            : Rasterize<PixelSource::Diffuse, false, sampling::GeneralAddressing>(
                s, options, target);
    } else if (fastWrap) {
        Dispatch<sampling::WrapPowerOfTwoAddressing>(source, specular, s, options, target);
    } else {
        Dispatch<sampling::GeneralAddressing>(source, specular, s, options, target);
    }
}

} // namespace softd3d
