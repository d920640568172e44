#include "platform/d3d9/span_shader.h"

#include <emmintrin.h>

#include <algorithm>

#include "platform/d3d9/processor.h"
#include "platform/d3d9/span_shader_shared.h"

namespace softd3d {

namespace {

using shading::AlongRow;
using shading::At;
using shading::Combine;
using shading::PackColour;
using shading::Quantise;
using shading::RowPlane;

// The per-pixel values of a textured run are computed for this many pixels at a time, four per
// SSE register, before any of them is sampled and stored.
constexpr int kChunk = 16;

struct ChunkValues {
    alignas(16) std::uint32_t diffuse[kChunk]; // B, G, R bytes, perspective-corrected, clamped
    alignas(16) std::uint32_t specular[kChunk];
    alignas(16) float u[kChunk];
    alignas(16) float v[kChunk];
    alignas(16) float lod[kChunk]; // log2 of texels per pixel along the longer screen axis
    // Trilinear only: 8.24 fixed-point coordinates, the nearer of the two levels blended
    // (0..last - 1) and the farther one's weight (0..256).
    alignas(16) std::int32_t fixedU[kChunk];
    alignas(16) std::int32_t fixedV[kChunk];
    alignas(16) std::int32_t level[kChunk];
    alignas(16) std::int32_t weight[kChunk];
};

struct RunPlanes {
    RowPlane q;
    RowPlane colour[3];
    RowPlane specular[3];
    RowPlane u, v;
};

// log2 to about 0.001, exact at powers of two: plenty for choosing and blending mip levels.
inline __m128 FastLog2(__m128 x)
{
    const __m128i bits = _mm_castps_si128(x);
    const __m128 exponent
        = _mm_cvtepi32_ps(_mm_sub_epi32(_mm_srli_epi32(bits, 23), _mm_set1_epi32(127)));
    const __m128i mantissa
        = _mm_or_si128(_mm_and_si128(bits, _mm_set1_epi32(0x007FFFFF)), _mm_set1_epi32(0x3F800000));
    const __m128 t = _mm_sub_ps(_mm_castsi128_ps(mantissa), _mm_set1_ps(1.0f));
    __m128 poly = _mm_add_ps(_mm_set1_ps(-0.569f), _mm_mul_ps(t, _mm_set1_ps(0.15f)));
    poly = _mm_add_ps(_mm_set1_ps(1.419f), _mm_mul_ps(t, poly));
    return _mm_add_ps(exponent, _mm_mul_ps(t, poly));
}

// Texel-space derivatives of u/q over q per screen axis; the longer axis sets the level.
inline __m128 LevelOfDetail(const ShadingSetup& s, __m128 u, __m128 v, __m128 w)
{
    const __m128 us = _mm_mul_ps(u, _mm_set1_ps(s.textureWidth));
    const __m128 vs = _mm_mul_ps(v, _mm_set1_ps(s.textureHeight));
    const __m128 qdx = _mm_set1_ps(s.q.dx);
    const __m128 qdy = _mm_set1_ps(s.q.dy);
    const __m128 dux = _mm_sub_ps(_mm_set1_ps(s.uTexelsDx), _mm_mul_ps(us, qdx));
    const __m128 dvx = _mm_sub_ps(_mm_set1_ps(s.vTexelsDx), _mm_mul_ps(vs, qdx));
    const __m128 duy = _mm_sub_ps(_mm_set1_ps(s.uTexelsDy), _mm_mul_ps(us, qdy));
    const __m128 dvy = _mm_sub_ps(_mm_set1_ps(s.vTexelsDy), _mm_mul_ps(vs, qdy));
    const __m128 lengthX = _mm_add_ps(_mm_mul_ps(dux, dux), _mm_mul_ps(dvx, dvx));
    const __m128 lengthY = _mm_add_ps(_mm_mul_ps(duy, duy), _mm_mul_ps(dvy, dvy));
    const __m128 longer = _mm_mul_ps(_mm_max_ps(lengthY, lengthX), _mm_mul_ps(w, w));
    return _mm_mul_ps(_mm_set1_ps(0.5f), FastLog2(longer));
}

// What sampling::WrapPowerOfTwoAddressing::Prepare does to one coordinate.
inline __m128i WrapFixed(__m128 c)
{
    const __m128 tame = _mm_and_ps(
        c, _mm_and_ps(_mm_cmpge_ps(c, _mm_set1_ps(-1.0e6f)), _mm_cmple_ps(c, _mm_set1_ps(1.0e6f))));
    const __m128 fraction = _mm_sub_ps(tame, _mm_cvtepi32_ps(_mm_cvttps_epi32(tame)));
    return _mm_cvttps_epi32(_mm_mul_ps(fraction, _mm_set1_ps(16777216.0f)));
}

// The two levels a trilinear sample blends and the farther one's weight. A magnified pixel
// (lod <= 0, or NaN) takes level 0 alone and one beyond the chain the last level alone, each as
// weight 0 or 256 of the pair, which blends to exactly that level.
inline void ChooseLevels(__m128 lod, int levelCount, ChunkValues& out, int i)
{
    const __m128 clamped = _mm_min_ps(_mm_and_ps(_mm_cmpgt_ps(lod, _mm_setzero_ps()), lod),
        _mm_set1_ps(static_cast<float>(levelCount - 1)));
    const __m128 level = _mm_min_ps(_mm_cvtepi32_ps(_mm_cvttps_epi32(clamped)),
        _mm_set1_ps(static_cast<float>(levelCount - 2)));
    const __m128 weight = _mm_mul_ps(_mm_sub_ps(clamped, level), _mm_set1_ps(256.0f));
    _mm_store_si128(reinterpret_cast<__m128i*>(out.level + i), _mm_cvttps_epi32(level));
    _mm_store_si128(reinterpret_cast<__m128i*>(out.weight + i), _mm_cvttps_epi32(weight));
}

// `first`: the chunk's first centre, counted from the anchor.
template <ShadingPath kPath, bool kSpecular>
void ComputeChunk(const ShadingSetup& s, const RunPlanes& p, int levelCount, int first, int count,
    ChunkValues& out)
{
    const __m128 one = _mm_set1_ps(1.0f);
    for (int i = 0; i < count; i += 4) {
        const __m128 k = _mm_add_ps(
            _mm_set1_ps(static_cast<float>(first + i)), _mm_set_ps(3.0f, 2.0f, 1.0f, 0.0f));
        const __m128 w = _mm_div_ps(one, At(p.q, k));
        _mm_store_si128(reinterpret_cast<__m128i*>(out.diffuse + i), PackColour(p.colour, k, w));
        if constexpr (kSpecular) {
            _mm_store_si128(
                reinterpret_cast<__m128i*>(out.specular + i), PackColour(p.specular, k, w));
        }
        const __m128 u = _mm_mul_ps(At(p.u, k), w);
        const __m128 v = _mm_mul_ps(At(p.v, k), w);
        const __m128 lod = LevelOfDetail(s, u, v, w);
        if constexpr (kPath == ShadingPath::Trilinear) {
            _mm_store_si128(reinterpret_cast<__m128i*>(out.fixedU + i), WrapFixed(u));
            _mm_store_si128(reinterpret_cast<__m128i*>(out.fixedV + i), WrapFixed(v));
            ChooseLevels(lod, levelCount, out, i);
        } else {
            _mm_store_ps(out.u + i, u);
            _mm_store_ps(out.v + i, v);
            _mm_store_ps(out.lod + i, lod);
        }
    }
}

template <bool kSpecular, bool kQuantised>
void StoreTrilinear(
    const RasterOptions& o, const ChunkValues& c, int count, Quantisation qn, std::uint32_t* out)
{
    for (int i = 0; i < count; ++i) {
        const __m128i texel = shading::TrilinearTexel(
            o, c.fixedU[i], c.fixedV[i], c.level[i], static_cast<std::uint32_t>(c.weight[i]));
        out[i] = Quantise<kQuantised>(
            qn, Combine<kSpecular>(texel, c.diffuse[i], kSpecular ? c.specular[i] : 0u));
    }
}

template <bool kSpecular, bool kQuantised>
void StoreSampled(
    const RasterOptions& o, const ChunkValues& c, int count, Quantisation qn, std::uint32_t* out)
{
    for (int i = 0; i < count; ++i) {
        const __m128i texel = SampleLanes(*o.texture, o.sampler, c.u[i], c.v[i], c.lod[i]);
        out[i] = Quantise<kQuantised>(
            qn, Combine<kSpecular>(texel, c.diffuse[i], kSpecular ? c.specular[i] : 0u));
    }
}

// Textured colours for a chunk's pixels, stored at `out`.
template <ShadingPath kPath, bool kSpecular, bool kQuantised>
void StoreChunk(
    const RasterOptions& o, ChunkValues& c, int count, Quantisation qn, std::uint32_t* out)
{
    if constexpr (kPath == ShadingPath::Trilinear)
        StoreTrilinear<kSpecular, kQuantised>(o, c, count, qn, out);
    else
        StoreSampled<kSpecular, kQuantised>(o, c, count, qn, out);
}

template <ShadingPath kPath, bool kSpecular>
void ShadeTexturedSpan(const ShadingSetup& s, const RasterOptions& o, const RenderTarget& t, int y,
    int xBegin, int xEnd)
{
    const float fx = static_cast<float>(s.anchorX) - s.originX;
    const float fy = static_cast<float>(y) - s.originY;
    const int offset = xBegin - s.anchorX;
    RunPlanes p {};
    p.q = AlongRow(s.q, fx, fy);
    for (int i = 0; i < 3; ++i) {
        p.colour[i] = AlongRow(s.attributes[kRed + i], fx, fy);
        if constexpr (kSpecular)
            p.specular[i] = AlongRow(s.attributes[kSpecularRed + i], fx, fy);
    }
    p.u = AlongRow(s.attributes[kU], fx, fy);
    p.v = AlongRow(s.attributes[kV], fx, fy);

    std::uint32_t* row = t.colour + static_cast<std::ptrdiff_t>(y) * t.pitch + xBegin;
    const int length = xEnd - xBegin + 1;
    ChunkValues c;
    for (int first = 0; first < length; first += kChunk) {
        const int count = std::min(kChunk, length - first);
        ComputeChunk<kPath, kSpecular>(s, p, o.texture->levelCount, offset + first, count, c);
        if (t.quantisation == Quantisation::None)
            StoreChunk<kPath, kSpecular, false>(o, c, count, t.quantisation, row + first);
        else
            StoreChunk<kPath, kSpecular, true>(o, c, count, t.quantisation, row + first);
    }
}

template <ShadingPath kPath>
void ShadeTextured(const DeferredRasterizer::Triangle& tri, const RasterOptions& o,
    const RenderTarget& t, int y, int xBegin, int xEnd)
{
    const ShadingSetup& s = tri.shading;
    tri.specular ? ShadeTexturedSpan<kPath, true>(s, o, t, y, xBegin, xEnd)
                 : ShadeTexturedSpan<kPath, false>(s, o, t, y, xBegin, xEnd);
}

// Out of line, as the AVX2 form is: inlined, it made every run save and restore the registers
// of its loop.
__attribute__((noinline)) void ShadeUntextured(
    const DeferredRasterizer::Triangle& tri, const RenderTarget& t, int y, int xBegin, int xEnd)
{
    shading::ShadeDiffuse(tri, t, y, xBegin, xEnd);
}

bool wideVectors = ProcessorHasAvx2();
bool referenceTrilinear = false;

} // namespace

ShadingPath ChooseShadingPath(const RasterOptions& o)
{
    if (o.source == PixelSource::Diffuse)
        return ShadingPath::Diffuse;
    const bool trilinear = o.sampler.minFilter == D3DTEXF_LINEAR
        && o.sampler.magFilter == D3DTEXF_LINEAR && o.sampler.mipFilter == D3DTEXF_LINEAR
        && o.texture->levelCount >= 2 && !referenceTrilinear;
    return trilinear ? ShadingPath::Trilinear : ShadingPath::Sampled;
}

void UseTrilinearPath(TrilinearPath path)
{
    wideVectors = path == TrilinearPath::Wide && ProcessorHasAvx2();
    referenceTrilinear = path == TrilinearPath::Reference;
}

void ShadeRun(const DeferredRasterizer::Triangle& tri, const RasterOptions& o,
    const RenderTarget& t, int y, int xBegin, int xEnd)
{
    switch (tri.path) {
    case ShadingPath::Diffuse:
        if (wideVectors)
            shading::ShadeDiffuseAvx2(tri, t, y, xBegin, xEnd);
        else
            ShadeUntextured(tri, t, y, xBegin, xEnd);
        break;
    case ShadingPath::Sampled:
        ShadeTextured<ShadingPath::Sampled>(tri, o, t, y, xBegin, xEnd);
        break;
    case ShadingPath::Trilinear:
        if (wideVectors)
            shading::ShadeTrilinearWide(tri, o, t, y, xBegin, xEnd);
        else
            ShadeTextured<ShadingPath::Trilinear>(tri, o, t, y, xBegin, xEnd);
        break;
    }
}

} // namespace softd3d
