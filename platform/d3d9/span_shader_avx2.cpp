// Trilinear runs eight pixels at a time, for processors with AVX2: per-pixel values, both levels'
// texel addresses, gathers and filtering stay in registers from the planes to the store. The
// operations and their rounding are those of the SSE2 path (span_shader.cpp), lane for lane, so
// the pixels are the same; the functions carry the AVX2 target themselves, and run only where
// the processor was found to have it. Untextured runs are compiled here too, for the shorter
// three-operand forms of their four-lane code.
#include <immintrin.h>

#include <algorithm>

#include "platform/d3d9/processor.h"
#include "platform/d3d9/span_shader_shared.h"

namespace softd3d::shading {

namespace {

// A plane's value at the row's anchor column and its step along the row, in all eight lanes.
struct WidePlane {
    __m256 start, step;
};

SOFTD3D_AVX2_INLINE WidePlane AlongRow(const AttributePlane& p, float fx, float fy)
{
    return { _mm256_set1_ps(p.atOrigin + p.dx * fx + p.dy * fy), _mm256_set1_ps(p.dx) };
}

// The value k pixels from the anchor, worked out afresh for each pixel.
SOFTD3D_AVX2_INLINE __m256 At(const WidePlane& p, __m256 k)
{
    return _mm256_add_ps(p.start, _mm256_mul_ps(p.step, k));
}

struct WidePlanes {
    WidePlane q, u, v;
    WidePlane colour[3];
    WidePlane specular[3];
    __m256 lastLevel, lastNearer; // the chain's last level, and the last that can be the nearer
};

// A channel times w, rounded; out-of-range values saturate in the packs that follow.
SOFTD3D_AVX2_INLINE __m256i Scaled(const WidePlane& p, __m256 k, __m256 w)
{
    return _mm256_cvtps_epi32(_mm256_mul_ps(At(p, k), w));
}

// Colour planes times w, rounded and clamped to 0..255 by saturating packs: in each 128-bit half,
// the bytes of four pixels' blue, red and green channels, then four zeros.
SOFTD3D_AVX2_INLINE __m256i PlanarColour(const WidePlane (&planes)[3], __m256 k, __m256 w)
{
    return _mm256_packus_epi16(
        _mm256_packs_epi32(Scaled(planes[kBlue], k, w), Scaled(planes[kRed], k, w)),
        _mm256_packs_epi32(Scaled(planes[kGreen], k, w), _mm256_setzero_si256()));
}

// PlanarColour as pixels: B, G, R bytes per 32-bit lane.
SOFTD3D_AVX2_INLINE __m256i PixelBytes(__m256i planar)
{
    const __m256i order = _mm256_setr_epi8(0, 8, 4, -1, 1, 9, 5, -1, 2, 10, 6, -1, 3, 11, 7, -1, 0,
        8, 4, -1, 1, 9, 5, -1, 2, 10, 6, -1, 3, 11, 7, -1);
    return _mm256_shuffle_epi8(planar, order);
}

// log2 to about 0.001, exact at powers of two.
SOFTD3D_AVX2_INLINE __m256 FastLog2(__m256 x)
{
    const __m256i bits = _mm256_castps_si256(x);
    const __m256 exponent
        = _mm256_cvtepi32_ps(_mm256_sub_epi32(_mm256_srli_epi32(bits, 23), _mm256_set1_epi32(127)));
    const __m256i mantissa = _mm256_or_si256(
        _mm256_and_si256(bits, _mm256_set1_epi32(0x007FFFFF)), _mm256_set1_epi32(0x3F800000));
    const __m256 t = _mm256_sub_ps(_mm256_castsi256_ps(mantissa), _mm256_set1_ps(1.0f));
    __m256 poly = _mm256_add_ps(_mm256_set1_ps(-0.569f), _mm256_mul_ps(t, _mm256_set1_ps(0.15f)));
    poly = _mm256_add_ps(_mm256_set1_ps(1.419f), _mm256_mul_ps(t, poly));
    return _mm256_add_ps(exponent, _mm256_mul_ps(t, poly));
}

// Texel-space derivatives of u/q over q per screen axis; the longer axis sets the level.
SOFTD3D_AVX2_INLINE __m256 LevelOfDetail(const ShadingSetup& s, __m256 u, __m256 v, __m256 w)
{
    const __m256 us = _mm256_mul_ps(u, _mm256_set1_ps(s.textureWidth));
    const __m256 vs = _mm256_mul_ps(v, _mm256_set1_ps(s.textureHeight));
    const __m256 qdx = _mm256_set1_ps(s.q.dx);
    const __m256 qdy = _mm256_set1_ps(s.q.dy);
    const __m256 dux = _mm256_sub_ps(_mm256_set1_ps(s.uTexelsDx), _mm256_mul_ps(us, qdx));
    const __m256 dvx = _mm256_sub_ps(_mm256_set1_ps(s.vTexelsDx), _mm256_mul_ps(vs, qdx));
    const __m256 duy = _mm256_sub_ps(_mm256_set1_ps(s.uTexelsDy), _mm256_mul_ps(us, qdy));
    const __m256 dvy = _mm256_sub_ps(_mm256_set1_ps(s.vTexelsDy), _mm256_mul_ps(vs, qdy));
    const __m256 lengthX = _mm256_add_ps(_mm256_mul_ps(dux, dux), _mm256_mul_ps(dvx, dvx));
    const __m256 lengthY = _mm256_add_ps(_mm256_mul_ps(duy, duy), _mm256_mul_ps(dvy, dvy));
    const __m256 longer = _mm256_mul_ps(_mm256_max_ps(lengthY, lengthX), _mm256_mul_ps(w, w));
    return _mm256_mul_ps(_mm256_set1_ps(0.5f), FastLog2(longer));
}

// A coordinate as a wrapped 8.24 fixed-point fraction of one period; far or NaN becomes 0.
SOFTD3D_AVX2_INLINE __m256i WrapFixed(__m256 c)
{
    // |c| <= 1e6 is false for NaN too; below 2^24 truncation as a float equals the integer one.
    const __m256 magnitude = _mm256_andnot_ps(_mm256_set1_ps(-0.0f), c);
    const __m256 tame
        = _mm256_and_ps(c, _mm256_cmp_ps(magnitude, _mm256_set1_ps(1.0e6f), _CMP_LE_OQ));
    const __m256 fraction
        = _mm256_sub_ps(tame, _mm256_round_ps(tame, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC));
    return _mm256_cvttps_epi32(_mm256_mul_ps(fraction, _mm256_set1_ps(16777216.0f)));
}

// Eight pixels' values before sampling.
struct Pixels {
    __m256i diffuse; // PlanarColour
    __m256i specular; // B, G, R bytes
    __m256i u, v; // 8.24 fixed point, wrapped
    // The nearer of the two levels blended (0..last - 1) and the farther one's weight (0..256). A
    // magnified pixel (lod <= 0, or NaN) takes level 0 alone and one beyond the chain the last
    // level alone, each as weight 0 or 256 of the pair, which blends to exactly that level.
    __m256i level, weight;
};

SOFTD3D_AVX2_INLINE void ChooseLevels(__m256 lod, const WidePlanes& p, Pixels& out)
{
    const __m256 clamped = _mm256_min_ps(
        _mm256_and_ps(_mm256_cmp_ps(lod, _mm256_setzero_ps(), _CMP_GT_OQ), lod), p.lastLevel);
    const __m256 level
        = _mm256_min_ps(_mm256_cvtepi32_ps(_mm256_cvttps_epi32(clamped)), p.lastNearer);
    out.level = _mm256_cvttps_epi32(level);
    out.weight
        = _mm256_cvttps_epi32(_mm256_mul_ps(_mm256_sub_ps(clamped, level), _mm256_set1_ps(256.0f)));
}

// The pixels at k (centres from the anchor).
template <bool kSpecular>
SOFTD3D_AVX2_INLINE Pixels ComputePixels(const ShadingSetup& s, const WidePlanes& p, __m256 k)
{
    Pixels out;
    const __m256 w = _mm256_div_ps(_mm256_set1_ps(1.0f), At(p.q, k));
    out.diffuse = PlanarColour(p.colour, k, w);
    if constexpr (kSpecular)
        out.specular = PixelBytes(PlanarColour(p.specular, k, w));
    const __m256 u = _mm256_mul_ps(At(p.u, k), w);
    const __m256 v = _mm256_mul_ps(At(p.v, k), w);
    out.u = WrapFixed(u);
    out.v = WrapFixed(v);
    ChooseLevels(LevelOfDetail(s, u, v, w), p, out);
    return out;
}

// Where eight pixels fall on one level of each one's pair: the indices of their top-left and
// bottom-left texels in the chain's block (each with its right neighbour after it), and the
// coordinates whose low byte is the weight of the right column (fx) and of the lower row (fy).
struct Footprint {
    __m256i top, bottom;
    __m256i fx, fy;
};

// A per-level constant of each pixel's level, from the pair table's row.
SOFTD3D_AVX2_INLINE __m256i OfLevel(
    const std::int32_t (&row)[LevelPairTable::kLevels], __m256i level)
{
    return _mm256_permutevar8x32_epi32(
        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row)), level);
}

// pair 0: the nearer level, 1: the farther. Wrap::Bilinear's addressing, eight pixels at once;
// the block's copied column and row stand for the right column and lower row that wrap.
SOFTD3D_AVX2_INLINE Footprint Address(
    const LevelPairTable& t, int pair, __m256i level, __m256i u, __m256i v)
{
    const __m256i half = _mm256_set1_epi32(128);
    Footprint f;
    f.fx = _mm256_sub_epi32(_mm256_srav_epi32(u, OfLevel(t.fixedShiftU[pair], level)), half);
    f.fy = _mm256_sub_epi32(_mm256_srav_epi32(v, OfLevel(t.fixedShiftV[pair], level)), half);
    const __m256i x0 = _mm256_and_si256(_mm256_srai_epi32(f.fx, 8), OfLevel(t.maskX[pair], level));
    const __m256i y0 = _mm256_and_si256(_mm256_srai_epi32(f.fy, 8), OfLevel(t.maskY[pair], level));
    // y0 times the pitch, width + 1.
    const __m256i row
        = _mm256_add_epi32(_mm256_sllv_epi32(y0, OfLevel(t.widthShift[pair], level)), y0);
    f.top = _mm256_add_epi32(_mm256_add_epi32(row, x0), OfLevel(t.firstTexel[pair], level));
    f.bottom = _mm256_add_epi32(f.top, OfLevel(t.pitch[pair], level));
    return f;
}

// The filtering works on the channels of four pixels per register in 16-bit lanes: what
// unpacklo_epi8 takes of eight pixels' bytes (pixels 0, 1, 4, 5: "low") or unpackhi_epi8 (2, 3,
// 6, 7: "high"). A per-pixel weight spreads over its pixel's four lanes with one byte shuffle.
struct Spread {
    __m256i low, high;
};

// PlanarColour's channels in the lanes of the texels they modulate: B, G, R, then 0.
SOFTD3D_AVX2_INLINE Spread SpreadPlanar(__m256i planar)
{
    const __m256i low = _mm256_setr_epi8(0, -1, 8, -1, 4, -1, -1, -1, 1, -1, 9, -1, 5, -1, -1, -1,
        0, -1, 8, -1, 4, -1, -1, -1, 1, -1, 9, -1, 5, -1, -1, -1);
    const __m256i high = _mm256_setr_epi8(2, -1, 10, -1, 6, -1, -1, -1, 3, -1, 11, -1, 7, -1, -1,
        -1, 2, -1, 10, -1, 6, -1, -1, -1, 3, -1, 11, -1, 7, -1, -1, -1);
    return { _mm256_shuffle_epi8(planar, low), _mm256_shuffle_epi8(planar, high) };
}

// Weights 0..255 from the low byte of each 32-bit lane.
SOFTD3D_AVX2_INLINE Spread SpreadByte(__m256i w)
{
    const __m256i low = _mm256_setr_epi8(0, -1, 0, -1, 0, -1, 0, -1, 4, -1, 4, -1, 4, -1, 4, -1, 0,
        -1, 0, -1, 0, -1, 0, -1, 4, -1, 4, -1, 4, -1, 4, -1);
    const __m256i high = _mm256_setr_epi8(8, -1, 8, -1, 8, -1, 8, -1, 12, -1, 12, -1, 12, -1, 12,
        -1, 8, -1, 8, -1, 8, -1, 8, -1, 12, -1, 12, -1, 12, -1, 12, -1);
    return { _mm256_shuffle_epi8(w, low), _mm256_shuffle_epi8(w, high) };
}

// Weights 0..256 from the low 16 bits of each 32-bit lane.
SOFTD3D_AVX2_INLINE Spread SpreadWord(__m256i w)
{
    const __m256i low = _mm256_setr_epi8(0, 1, 0, 1, 0, 1, 0, 1, 4, 5, 4, 5, 4, 5, 4, 5, 0, 1, 0, 1,
        0, 1, 0, 1, 4, 5, 4, 5, 4, 5, 4, 5);
    const __m256i high = _mm256_setr_epi8(8, 9, 8, 9, 8, 9, 8, 9, 12, 13, 12, 13, 12, 13, 12, 13, 8,
        9, 8, 9, 8, 9, 8, 9, 12, 13, 12, 13, 12, 13, 12, 13);
    return { _mm256_shuffle_epi8(w, low), _mm256_shuffle_epi8(w, high) };
}

// Each blend is the sampler's (a (256 - f) + b f + 128) / 256 per 16-bit lane, as the sum
// 256 a + (b - a) f + 128, whose high byte is the blended value: the wrapped 16-bit arithmetic
// ends in range (the true sum is at most 255 * 256 + 128), and the next blend takes its
// 256 a + 128 from the sum in one byte blend.

// A blend's sum straight from texel bytes: `pairs` interleaves a's bytes with b's and `raised`
// holds 256 a + 128; one multiply-add of the pairs by (-1, 1) gives b - a.
SOFTD3D_AVX2_INLINE __m256i SumOfBytes(__m256i pairs, __m256i raised, __m256i f)
{
    const __m256i difference = _mm256_maddubs_epi16(pairs, _mm256_set1_epi16(0x01FF));
    return _mm256_add_epi16(raised, _mm256_mullo_epi16(difference, f));
}

// The sum of blending the values of two sums.
SOFTD3D_AVX2_INLINE __m256i SumOfSums(__m256i a, __m256i b, __m256i f)
{
    const __m256i lowBytes = _mm256_set1_epi16(0x00FF);
    const __m256i raised = _mm256_blendv_epi8(a, _mm256_set1_epi16(0x0080), lowBytes);
    const __m256i difference = _mm256_sub_epi16(_mm256_srli_epi16(b, 8), _mm256_srli_epi16(a, 8));
    return _mm256_add_epi16(raised, _mm256_mullo_epi16(difference, f));
}

// A column of texels blended down: top towards bottom by the lower row's weight.
SOFTD3D_AVX2_INLINE Spread Down(__m256i top, __m256i bottom, const Spread& wy)
{
    const __m256i raise = _mm256_set1_epi8(static_cast<char>(0x80));
    return { SumOfBytes(
                 _mm256_unpacklo_epi8(top, bottom), _mm256_unpacklo_epi8(raise, top), wy.low),
        SumOfBytes(_mm256_unpackhi_epi8(top, bottom), _mm256_unpackhi_epi8(raise, top), wy.high) };
}

// Eight pixels' texels at `at` and their right neighbours, each pair in one 64-bit load: half
// the loads of gathering texel by texel. Pixels 0, 1, 4, 5 go in one gather and 2, 3, 6, 7 in
// the other, so that parting the pairs within each 128-bit half leaves the pixels in order.
SOFTD3D_AVX2_INLINE void GatherPairs(
    const std::uint32_t* texels, __m256i at, __m256i& left, __m256i& right)
{
    const auto* base = reinterpret_cast<const long long*>(texels);
    const __m256i ordered
        = _mm256_permutevar8x32_epi32(at, _mm256_setr_epi32(0, 1, 4, 5, 2, 3, 6, 7));
    const __m256 a
        = _mm256_castsi256_ps(_mm256_i32gather_epi64(base, _mm256_castsi256_si128(ordered), 4));
    const __m256 b = _mm256_castsi256_ps(
        _mm256_i32gather_epi64(base, _mm256_extracti128_si256(ordered, 1), 4));
    left = _mm256_castps_si256(_mm256_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)));
    right = _mm256_castps_si256(_mm256_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)));
}

// Eight pixels bilinearly filtered on one level of their pairs, as sums: B, G, R, A in 16-bit
// lanes.
SOFTD3D_AVX2_INLINE Spread Bilinear(const std::uint32_t* texels, const Footprint& f)
{
    __m256i topLeft, topRight, bottomLeft, bottomRight;
    GatherPairs(texels, f.top, topLeft, topRight);
    GatherPairs(texels, f.bottom, bottomLeft, bottomRight);
    const Spread wy = SpreadByte(f.fy);
    const Spread left = Down(topLeft, bottomLeft, wy);
    const Spread right = Down(topRight, bottomRight, wy);
    const Spread wx = SpreadByte(f.fx);
    return { SumOfSums(left.low, right.low, wx.low), SumOfSums(left.high, right.high, wx.high) };
}

// a * b / 255 per 16-bit lane, exactly rounded: with p = a b + 128, (p + p / 256) / 256 is
// p * 257 / 65536 for every p below 65536.
SOFTD3D_AVX2_INLINE __m256i Modulate(__m256i a, __m256i b)
{
    const __m256i product = _mm256_add_epi16(_mm256_mullo_epi16(a, b), _mm256_set1_epi16(128));
    return _mm256_mulhi_epu16(product, _mm256_set1_epi16(257));
}

// Stage 0's colours of eight pixels whose levels are all in the pair table, alpha not yet set.
// Where no pixel takes any of its farther level (all magnified, most often), that level is not
// read: blending by weight 0 gives the nearer exactly.
SOFTD3D_AVX2_INLINE __m256i Textured(const MipChainView& chain, const Pixels& p, bool nearerOnly)
{
    Spread sum = Bilinear(chain.texels, Address(chain.pairs, 0, p.level, p.u, p.v));
    if (!nearerOnly) {
        const Spread farther = Bilinear(chain.texels, Address(chain.pairs, 1, p.level, p.u, p.v));
        const Spread weight = SpreadWord(p.weight);
        sum = { SumOfSums(sum.low, farther.low, weight.low),
            SumOfSums(sum.high, farther.high, weight.high) };
    }
    const Spread diffuse = SpreadPlanar(p.diffuse);
    return _mm256_packus_epi16(Modulate(_mm256_srli_epi16(sum.low, 8), diffuse.low),
        Modulate(_mm256_srli_epi16(sum.high, 8), diffuse.high));
}

// Pixels of levels beyond the pair table (a texture over 256 texels a side, seen from far away)
// are addressed one at a time, as on processors without AVX2.
template <bool kSpecular, bool kQuantised>
SOFTD3D_AVX2 void StoreOneByOne(
    const RasterOptions& o, const Pixels& p, int count, Quantisation qn, std::uint32_t* out)
{
    alignas(32) std::uint32_t diffuse[8], specular[8], level[8], weight[8];
    alignas(32) std::int32_t u[8], v[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(diffuse), PixelBytes(p.diffuse));
    if constexpr (kSpecular)
        _mm256_store_si256(reinterpret_cast<__m256i*>(specular), p.specular);
    _mm256_store_si256(reinterpret_cast<__m256i*>(u), p.u);
    _mm256_store_si256(reinterpret_cast<__m256i*>(v), p.v);
    _mm256_store_si256(reinterpret_cast<__m256i*>(level), p.level);
    _mm256_store_si256(reinterpret_cast<__m256i*>(weight), p.weight);
    for (int i = 0; i < count; ++i) {
        const __m128i texel = TrilinearTexel(o, u[i], v[i], static_cast<int>(level[i]), weight[i]);
        out[i] = Quantise<kQuantised>(
            qn, Combine<kSpecular>(texel, diffuse[i], kSpecular ? specular[i] : 0u));
    }
}

template <bool kQuantised>
SOFTD3D_AVX2_INLINE void Store(
    __m256i pixels, __m256i used, int count, Quantisation qn, std::uint32_t* out)
{
    if constexpr (kQuantised) {
        alignas(32) std::uint32_t lanes[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), pixels);
        for (int i = 0; i < count; ++i)
            out[i] = StoredColour(qn, lanes[i]);
    } else if (count == 8) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), pixels);
    } else {
        _mm256_maskstore_epi32(reinterpret_cast<int*>(out), used, pixels);
    }
}

// Stage 0's colours of the first `count` of eight pixels, stored at `out`.
template <bool kSpecular, bool kQuantised>
SOFTD3D_AVX2_INLINE void StorePixels(
    const RasterOptions& o, const Pixels& pixels, int count, Quantisation qn, std::uint32_t* out)
{
    const __m256i used
        = _mm256_cmpgt_epi32(_mm256_set1_epi32(count), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    const __m256i lastInTable = _mm256_set1_epi32(LevelPairTable::kLevels - 1);
    if (!_mm256_testz_si256(used, _mm256_cmpgt_epi32(pixels.level, lastInTable))) {
        StoreOneByOne<kSpecular, kQuantised>(o, pixels, count, qn, out);
        return;
    }
    const bool nearerOnly = _mm256_testz_si256(used, pixels.weight);
    __m256i colours = Textured(*o.texture, pixels, nearerOnly);
    if constexpr (kSpecular)
        colours = _mm256_adds_epu8(colours, pixels.specular);
    colours = _mm256_or_si256(colours, _mm256_set1_epi32(static_cast<int>(0xFF000000u)));
    Store<kQuantised>(colours, used, count, qn, out);
}

template <bool kSpecular, bool kQuantised>
SOFTD3D_AVX2 void ShadeTrilinearRun(const ShadingSetup& s, const RasterOptions& o,
    const RenderTarget& t, int y, int xBegin, int xEnd)
{
    const float fx = static_cast<float>(s.anchorX) - s.originX;
    const float fy = static_cast<float>(y) - s.originY;
    WidePlanes p;
    p.q = AlongRow(s.q, fx, fy);
    p.u = AlongRow(s.attributes[kU], fx, fy);
    p.v = AlongRow(s.attributes[kV], fx, fy);
    for (int i = 0; i < 3; ++i) {
        p.colour[i] = AlongRow(s.attributes[kRed + i], fx, fy);
        if constexpr (kSpecular)
            p.specular[i] = AlongRow(s.attributes[kSpecularRed + i], fx, fy);
    }
    p.lastLevel = _mm256_set1_ps(static_cast<float>(o.texture->levelCount - 1));
    p.lastNearer = _mm256_set1_ps(static_cast<float>(o.texture->levelCount - 2));
    std::uint32_t* row = t.colour + static_cast<std::ptrdiff_t>(y) * t.pitch + xBegin;
    const int length = xEnd - xBegin + 1;
    // A batch's values are all worked out before any is sampled: a group's gathers then need not
    // wait for the long chain of arithmetic that finds their addresses.
    constexpr int kBatch = 4;
    // Centres from the anchor; whole numbers below 2^24, so the sums are exact.
    __m256 k = _mm256_add_ps(_mm256_setr_ps(0.0f, 1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 6.0f, 7.0f),
        _mm256_set1_ps(static_cast<float>(xBegin - s.anchorX)));
    for (int first = 0; first < length; first += 8 * kBatch) {
        Pixels batch[kBatch];
        const int groups = std::min(kBatch, (length - first + 7) / 8);
        for (int g = 0; g < groups; ++g) {
            batch[g] = ComputePixels<kSpecular>(s, p, k);
            k = _mm256_add_ps(k, _mm256_set1_ps(8.0f));
        }
        for (int g = 0; g < groups; ++g) {
            const int at = first + 8 * g;
            StorePixels<kSpecular, kQuantised>(
                o, batch[g], std::min(8, length - at), t.quantisation, row + at);
        }
    }
}

} // namespace

SOFTD3D_AVX2 void ShadeDiffuseAvx2(
    const DeferredRasterizer::Triangle& tri, const RenderTarget& t, int y, int xBegin, int xEnd)
{
    ShadeDiffuse(tri, t, y, xBegin, xEnd);
}

void ShadeTrilinearWide(const DeferredRasterizer::Triangle& tri, const RasterOptions& o,
    const RenderTarget& t, int y, int xBegin, int xEnd)
{
    const bool quantised = t.quantisation != Quantisation::None;
    if (tri.specular) {
        quantised ? ShadeTrilinearRun<true, true>(tri.shading, o, t, y, xBegin, xEnd)
                  : ShadeTrilinearRun<true, false>(tri.shading, o, t, y, xBegin, xEnd);
    } else {
        quantised ? ShadeTrilinearRun<false, true>(tri.shading, o, t, y, xBegin, xEnd)
                  : ShadeTrilinearRun<false, false>(tri.shading, o, t, y, xBegin, xEnd);
    }
}

} // namespace softd3d::shading
