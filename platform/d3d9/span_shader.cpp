#include "platform/d3d9/span_shader.h"

#include <algorithm>

#include <emmintrin.h>
#include <immintrin.h>

namespace softd3d {

namespace {

// kQuantised is whether the target's format is not X8R8G8B8: a choice made once per run rather
// than once per pixel.
template <bool kQuantised>
inline std::uint32_t Quantise(Quantisation quantisation, std::uint32_t pixel)
{
    return kQuantised ? StoredColour(quantisation, pixel) : pixel;
}

// The per-pixel values of a run are computed for this many pixels at a time, four per SSE
// register, before any of them is sampled and stored.
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
    // Trilinear with AVX2: for the nearer level [0] and the farther [1], the offsets of the top
    // and bottom left texels and the step to the right ones (1, or back across the wrap), and
    // both levels' 8-bit weights of the right column and the lower row (farther in the high half).
    alignas(32) std::int32_t top[2][kChunk];
    alignas(32) std::int32_t bottom[2][kChunk];
    alignas(32) std::int32_t right[2][kChunk];
    alignas(32) std::int32_t weightsX[kChunk];
    alignas(32) std::int32_t weightsY[kChunk];
};

// A plane's value at the run's first centre and its step along the row, in all four lanes.
struct RowPlane {
    __m128 start;
    __m128 step;
};

RowPlane AlongRow(const AttributePlane& p, float fx, float fy)
{
    return { _mm_set1_ps(p.atOrigin + p.dx * fx + p.dy * fy), _mm_set1_ps(p.dx) };
}

// The values k pixels into the run: the start plus k steps, worked out afresh for each pixel so
// that no rounding builds up along a long row.
inline __m128 At(const RowPlane& p, __m128 k)
{
    return _mm_add_ps(p.start, _mm_mul_ps(p.step, k));
}

struct RunPlanes {
    RowPlane q;
    RowPlane colour[3];
    RowPlane specular[3];
    RowPlane u, v;
};

inline __m128i ClampedChannels(__m128 a, __m128 b, __m128 w)
{
    const __m128i packed
        = _mm_packs_epi32(_mm_cvtps_epi32(_mm_mul_ps(a, w)), _mm_cvtps_epi32(_mm_mul_ps(b, w)));
    return _mm_min_epi16(_mm_max_epi16(packed, _mm_setzero_si128()), _mm_set1_epi16(255));
}

// Colour planes times w, rounded and clamped to 0..255: a pixel's B, G, R bytes per lane.
inline __m128i PackColour(const RowPlane (&planes)[3], __m128 k, __m128 w)
{
    const __m128 blue = At(planes[kBlue], k);
    const __m128i redGreen = ClampedChannels(At(planes[kRed], k), At(planes[kGreen], k), w);
    const __m128i blueBlue = ClampedChannels(blue, blue, w);
    const __m128i zero = _mm_setzero_si128();
    const __m128i red = _mm_unpacklo_epi16(redGreen, zero);
    const __m128i green = _mm_unpackhi_epi16(redGreen, zero);
    return _mm_or_si128(_mm_unpacklo_epi16(blueBlue, zero),
        _mm_or_si128(_mm_slli_epi32(green, 8), _mm_slli_epi32(red, 16)));
}

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
        if constexpr (kPath != ShadingPath::Diffuse) {
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
}

// a * b / 255 per lane, exactly rounded for 8-bit a and b.
inline __m128i Modulate(__m128i a, __m128i b)
{
    const __m128i product = _mm_add_epi16(_mm_mullo_epi16(a, b), _mm_set1_epi16(128));
    return _mm_srli_epi16(_mm_add_epi16(product, _mm_srli_epi16(product, 8)), 8);
}

// Stage 0's colour for a texel (B, G, R, A in 16-bit lanes), plus specular when enabled.
template <PixelSource kSource, bool kSpecular>
inline std::uint32_t Combine(__m128i texel, const ChunkValues& c, int i)
{
    __m128i out;
    if constexpr (kSource == PixelSource::Modulate)
        out = Modulate(texel, sampling::Widen(c.diffuse[i]));
    else
        out = texel;
    if constexpr (kSpecular)
        out = _mm_adds_epu16(out, sampling::Widen(c.specular[i]));
    return static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(out, out))) | 0xFF000000u;
}

template <PixelSource kSource, bool kSpecular, bool kQuantised>
void StoreTrilinear(
    const RasterOptions& o, const ChunkValues& c, int count, Quantisation qn, std::uint32_t* out)
{
    using Wrap = sampling::WrapPowerOfTwoAddressing;
    for (int i = 0; i < count; ++i) {
        const Wrap::Coordinates at { c.fixedU[i], c.fixedV[i] };
        const MipLevelView* nearer = &o.texture->levels[c.level[i]];
        const __m128i texel = sampling::Blend(Wrap::Bilinear(nearer[0], o.sampler, at),
            Wrap::Bilinear(nearer[1], o.sampler, at), static_cast<std::uint32_t>(c.weight[i]));
        out[i] = Quantise<kQuantised>(qn, Combine<kSource, kSpecular>(texel, c, i));
    }
}

// Where the processor has AVX2, both levels of a trilinear sample are filtered in one register:
// the same arithmetic in the same 16-bit lanes as the SSE2 path, twice as wide.
#define SOFTD3D_AVX2 __attribute__((target("avx2")))

bool ProcessorHasAvx2()
{
    __builtin_cpu_init(); // this may run among the static initializers, before the library's own
    return __builtin_cpu_supports("avx2");
}

bool wideVectors = ProcessorHasAvx2();

// ComputeChunk's trilinear values eight pixels at a time: the same operations on the same lanes,
// so the same values.
struct WidePlane {
    __m256 start, step;
};

SOFTD3D_AVX2 inline WidePlane Widened(const RowPlane& p)
{
    return { _mm256_broadcastss_ps(p.start), _mm256_broadcastss_ps(p.step) };
}

SOFTD3D_AVX2 inline __m256 At(const WidePlane& p, __m256 k)
{
    return _mm256_add_ps(p.start, _mm256_mul_ps(p.step, k));
}

// A channel times w, rounded and clamped to 0..255 (as PackColour's saturating pack and clamp).
SOFTD3D_AVX2 inline __m256i Channel(const WidePlane& p, __m256 k, __m256 w)
{
    const __m256i value = _mm256_cvtps_epi32(_mm256_mul_ps(At(p, k), w));
    return _mm256_min_epi32(
        _mm256_max_epi32(value, _mm256_setzero_si256()), _mm256_set1_epi32(255));
}

SOFTD3D_AVX2 inline __m256i PackColour(const WidePlane (&planes)[3], __m256 k, __m256 w)
{
    return _mm256_or_si256(Channel(planes[kBlue], k, w),
        _mm256_or_si256(_mm256_slli_epi32(Channel(planes[kGreen], k, w), 8),
            _mm256_slli_epi32(Channel(planes[kRed], k, w), 16)));
}

SOFTD3D_AVX2 inline __m256 FastLog2(__m256 x)
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

SOFTD3D_AVX2 inline __m256 LevelOfDetail(const ShadingSetup& s, __m256 u, __m256 v, __m256 w)
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

SOFTD3D_AVX2 inline __m256i WrapFixed(__m256 c)
{
    const __m256 tame = _mm256_and_ps(c,
        _mm256_and_ps(_mm256_cmp_ps(c, _mm256_set1_ps(-1.0e6f), _CMP_GE_OQ),
            _mm256_cmp_ps(c, _mm256_set1_ps(1.0e6f), _CMP_LE_OQ)));
    const __m256 fraction = _mm256_sub_ps(tame, _mm256_cvtepi32_ps(_mm256_cvttps_epi32(tame)));
    return _mm256_cvttps_epi32(_mm256_mul_ps(fraction, _mm256_set1_ps(16777216.0f)));
}

SOFTD3D_AVX2 inline void ChooseLevels(__m256 lod, int levelCount, ChunkValues& out, int i)
{
    const __m256 clamped
        = _mm256_min_ps(_mm256_and_ps(_mm256_cmp_ps(lod, _mm256_setzero_ps(), _CMP_GT_OQ), lod),
            _mm256_set1_ps(static_cast<float>(levelCount - 1)));
    const __m256 level = _mm256_min_ps(_mm256_cvtepi32_ps(_mm256_cvttps_epi32(clamped)),
        _mm256_set1_ps(static_cast<float>(levelCount - 2)));
    const __m256 weight = _mm256_mul_ps(_mm256_sub_ps(clamped, level), _mm256_set1_ps(256.0f));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out.level + i), _mm256_cvttps_epi32(level));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out.weight + i), _mm256_cvttps_epi32(weight));
}

template <bool kSpecular>
SOFTD3D_AVX2 void ComputeTrilinearChunkWide(const ShadingSetup& s, const RunPlanes& p,
    int levelCount, int first, int count, ChunkValues& out)
{
    const WidePlane q = Widened(p.q), u = Widened(p.u), v = Widened(p.v);
    const WidePlane colour[3]
        = { Widened(p.colour[0]), Widened(p.colour[1]), Widened(p.colour[2]) };
    const __m256 one = _mm256_set1_ps(1.0f);
    for (int i = 0; i < count; i += 8) {
        const __m256 k = _mm256_add_ps(_mm256_set1_ps(static_cast<float>(first + i)),
            _mm256_setr_ps(0.0f, 1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 6.0f, 7.0f));
        const __m256 w = _mm256_div_ps(one, At(q, k));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out.diffuse + i), PackColour(colour, k, w));
        if constexpr (kSpecular) {
            const WidePlane specular[3]
                = { Widened(p.specular[0]), Widened(p.specular[1]), Widened(p.specular[2]) };
            _mm256_storeu_si256(
                reinterpret_cast<__m256i*>(out.specular + i), PackColour(specular, k, w));
        }
        const __m256 uw = _mm256_mul_ps(At(u, k), w);
        const __m256 vw = _mm256_mul_ps(At(v, k), w);
        const __m256 lod = LevelOfDetail(s, uw, vw, w);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out.fixedU + i), WrapFixed(uw));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out.fixedV + i), WrapFixed(vw));
        ChooseLevels(lod, levelCount, out, i);
    }
}
bool referenceTrilinear = false;

// Where a wrapped coordinate falls on one level: its two texel rows (two neighbouring texels
// each, in the low 64 bits) and the 8-bit weights of the right column and the lower row.
struct Footprint {
    __m128i top, bottom;
    std::uint32_t wx, wy;
};

SOFTD3D_INLINE __m128i TexelPair(const std::uint32_t* row, int x0, int x1)
{
    if (x1 == x0 + 1)
        return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + x0));
    return _mm_unpacklo_epi32(
        _mm_cvtsi32_si128(static_cast<int>(row[x0])), _mm_cvtsi32_si128(static_cast<int>(row[x1])));
}

SOFTD3D_INLINE Footprint FootprintOn(const MipLevelView& level, std::int32_t u, std::int32_t v)
{
    const int fx = (u >> level.fixedShiftU) - 128;
    const int fy = (v >> level.fixedShiftV) - 128;
    const int x0 = (fx >> 8) & level.maskX;
    const int y0 = (fy >> 8) & level.maskY;
    const int x1 = (x0 + 1) & level.maskX;
    const int y1 = (y0 + 1) & level.maskY;
    return { TexelPair(level.texels + y0 * level.width, x0, x1),
        TexelPair(level.texels + y1 * level.width, x0, x1), static_cast<std::uint32_t>(fx) & 255u,
        static_cast<std::uint32_t>(fy) & 255u };
}

// Weights f (nearer level) and g (farther level) as eight 16-bit lanes each, in the two halves.
SOFTD3D_AVX2 inline __m256i PerLevel(std::uint32_t f, std::uint32_t g)
{
    const __m256i spread = _mm256_setr_epi8(0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 2, 3, 2,
        3, 2, 3, 2, 3, 2, 3, 2, 3, 2, 3, 2, 3);
    return _mm256_shuffle_epi8(_mm256_set1_epi32(static_cast<int>(f | (g << 16))), spread);
}

// (a (256 - f) + b f + 128) / 256 per 16-bit lane, as (256 a + (b - a) f + 128) / 256: the same
// value (the wrapped 16-bit arithmetic ends in range), one multiplication fewer.
SOFTD3D_AVX2 inline __m256i Lerp16(__m256i a, __m256i b, __m256i f)
{
    const __m256i sum
        = _mm256_add_epi16(_mm256_slli_epi16(a, 8), _mm256_mullo_epi16(_mm256_sub_epi16(b, a), f));
    return _mm256_srli_epi16(_mm256_add_epi16(sum, _mm256_set1_epi16(128)), 8);
}

SOFTD3D_AVX2 inline __m128i Lerp16(__m128i a, __m128i b, __m128i f)
{
    const __m128i sum
        = _mm_add_epi16(_mm_slli_epi16(a, 8), _mm_mullo_epi16(_mm_sub_epi16(b, a), f));
    return _mm_srli_epi16(_mm_add_epi16(sum, _mm_set1_epi16(128)), 8);
}

SOFTD3D_AVX2 inline __m256i LoadLanes(const std::int32_t* p)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

SOFTD3D_AVX2 inline void StoreLanes(std::int32_t* p, __m256i value)
{
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), value);
}

// FootprintOn for eight pixels at once on each of their two levels, into the chunk's offsets.
// Whether every nearer level of the chunk is in the table, as AddressLevelPairs needs.
SOFTD3D_AVX2 bool LevelsInTable(const ChunkValues& c, int count)
{
    const __m256i last = _mm256_set1_epi32(LevelPairTable::kLevels - 1);
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    for (int i = 0; i < count; i += 8) {
        const __m256i used = _mm256_cmpgt_epi32(_mm256_set1_epi32(count - i), lanes);
        const __m256i beyond = _mm256_cmpgt_epi32(LoadLanes(c.level + i), last);
        if (!_mm256_testz_si256(used, beyond))
            return false;
    }
    return true;
}

SOFTD3D_AVX2 void AddressLevelPairs(const LevelPairTable& t, ChunkValues& c, int count)
{
    const __m256i one = _mm256_set1_epi32(1);
    const __m256i half = _mm256_set1_epi32(128);
    const __m256i low = _mm256_set1_epi32(255);
    for (int i = 0; i < count; i += 8) {
        const __m256i level = LoadLanes(c.level + i);
        const __m256i u = LoadLanes(c.fixedU + i);
        const __m256i v = LoadLanes(c.fixedV + i);
        __m256i wx[2], wy[2];
        for (int k = 0; k < 2; ++k) {
            const __m256i fx = _mm256_sub_epi32(
                _mm256_srav_epi32(
                    u, _mm256_permutevar8x32_epi32(LoadLanes(t.fixedShiftU[k]), level)),
                half);
            const __m256i fy = _mm256_sub_epi32(
                _mm256_srav_epi32(
                    v, _mm256_permutevar8x32_epi32(LoadLanes(t.fixedShiftV[k]), level)),
                half);
            const __m256i maskX = _mm256_permutevar8x32_epi32(LoadLanes(t.maskX[k]), level);
            const __m256i maskY = _mm256_permutevar8x32_epi32(LoadLanes(t.maskY[k]), level);
            const __m256i shift = _mm256_permutevar8x32_epi32(LoadLanes(t.widthShift[k]), level);
            const __m256i x0 = _mm256_and_si256(_mm256_srai_epi32(fx, 8), maskX);
            const __m256i y0 = _mm256_and_si256(_mm256_srai_epi32(fy, 8), maskY);
            const __m256i x1 = _mm256_and_si256(_mm256_add_epi32(x0, one), maskX);
            const __m256i y1 = _mm256_and_si256(_mm256_add_epi32(y0, one), maskY);
            StoreLanes(c.top[k] + i, _mm256_add_epi32(_mm256_sllv_epi32(y0, shift), x0));
            StoreLanes(c.bottom[k] + i, _mm256_add_epi32(_mm256_sllv_epi32(y1, shift), x0));
            StoreLanes(c.right[k] + i, _mm256_sub_epi32(x1, x0));
            wx[k] = _mm256_and_si256(fx, low);
            wy[k] = _mm256_and_si256(fy, low);
        }
        StoreLanes(c.weightsX + i, _mm256_or_si256(wx[0], _mm256_slli_epi32(wx[1], 16)));
        StoreLanes(c.weightsY + i, _mm256_or_si256(wy[0], _mm256_slli_epi32(wy[1], 16)));
    }
}

// Two neighbouring texels from `left`, the right one `right` texels on.
SOFTD3D_INLINE __m128i TexelPairAt(const std::uint32_t* left, int right)
{
    if (right == 1)
        return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(left));
    return _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(left[0])),
        _mm_cvtsi32_si128(static_cast<int>(left[right])));
}

// StoreTrilinearWide's filtering from the addresses AddressLevelPairs found.
template <PixelSource kSource, bool kSpecular, bool kQuantised>
SOFTD3D_AVX2 void StoreAddressedTrilinear(
    const RasterOptions& o, ChunkValues& c, int count, Quantisation qn, std::uint32_t* out)
{
    AddressLevelPairs(o.texture->pairs, c, count);
    const __m256i spread = _mm256_setr_epi8(0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 2, 3, 2,
        3, 2, 3, 2, 3, 2, 3, 2, 3, 2, 3, 2, 3);
    for (int i = 0; i < count; ++i) {
        const MipLevelView* nearer = &o.texture->levels[c.level[i]];
        const std::uint32_t* a = nearer[0].texels;
        const std::uint32_t* b = nearer[1].texels;
        const __m256i top
            = _mm256_cvtepu8_epi16(_mm_unpacklo_epi64(TexelPairAt(a + c.top[0][i], c.right[0][i]),
                TexelPairAt(b + c.top[1][i], c.right[1][i])));
        const __m256i bottom = _mm256_cvtepu8_epi16(
            _mm_unpacklo_epi64(TexelPairAt(a + c.bottom[0][i], c.right[0][i]),
                TexelPairAt(b + c.bottom[1][i], c.right[1][i])));
        const __m256i vertical
            = Lerp16(top, bottom, _mm256_shuffle_epi8(_mm256_set1_epi32(c.weightsY[i]), spread));
        const __m256i filtered = Lerp16(vertical, _mm256_srli_si256(vertical, 8),
            _mm256_shuffle_epi8(_mm256_set1_epi32(c.weightsX[i]), spread));
        const __m128i texel
            = Lerp16(_mm256_castsi256_si128(filtered), _mm256_extracti128_si256(filtered, 1),
                sampling::Weight(static_cast<std::uint32_t>(c.weight[i])));
        out[i] = Quantise<kQuantised>(qn, Combine<kSource, kSpecular>(texel, c, i));
    }
}

template <PixelSource kSource, bool kSpecular, bool kQuantised>
SOFTD3D_AVX2 void StoreTrilinearWide(
    const RasterOptions& o, const ChunkValues& c, int count, Quantisation qn, std::uint32_t* out)
{
    for (int i = 0; i < count; ++i) {
        const MipLevelView* nearer = &o.texture->levels[c.level[i]];
        const Footprint a = FootprintOn(nearer[0], c.fixedU[i], c.fixedV[i]);
        const Footprint b = FootprintOn(nearer[1], c.fixedU[i], c.fixedV[i]);
        // Lanes: the nearer level's left and right texel, then the farther level's.
        const __m256i top = _mm256_cvtepu8_epi16(_mm_unpacklo_epi64(a.top, b.top));
        const __m256i bottom = _mm256_cvtepu8_epi16(_mm_unpacklo_epi64(a.bottom, b.bottom));
        const __m256i vertical = Lerp16(top, bottom, PerLevel(a.wy, b.wy));
        // The right texels under the left ones: the low four lanes of each half are filtered.
        const __m256i filtered
            = Lerp16(vertical, _mm256_srli_si256(vertical, 8), PerLevel(a.wx, b.wx));
        const __m128i texel
            = Lerp16(_mm256_castsi256_si128(filtered), _mm256_extracti128_si256(filtered, 1),
                sampling::Weight(static_cast<std::uint32_t>(c.weight[i])));
        out[i] = Quantise<kQuantised>(qn, Combine<kSource, kSpecular>(texel, c, i));
    }
}

template <PixelSource kSource, bool kSpecular, bool kQuantised>
void StoreSampled(
    const RasterOptions& o, const ChunkValues& c, int count, Quantisation qn, std::uint32_t* out)
{
    for (int i = 0; i < count; ++i) {
        const __m128i texel = SampleLanes(*o.texture, o.sampler, c.u[i], c.v[i], c.lod[i]);
        out[i] = Quantise<kQuantised>(qn, Combine<kSource, kSpecular>(texel, c, i));
    }
}

template <bool kSpecular, bool kQuantised>
void StoreDiffuse(const ChunkValues& c, int count, Quantisation qn, std::uint32_t* out)
{
    for (int i = 0; i < count; ++i) {
        std::uint32_t pixel = c.diffuse[i];
        if constexpr (kSpecular) {
            const __m128i sum = _mm_adds_epu8(_mm_cvtsi32_si128(static_cast<int>(pixel)),
                _mm_cvtsi32_si128(static_cast<int>(c.specular[i])));
            pixel = static_cast<std::uint32_t>(_mm_cvtsi128_si32(sum));
        }
        out[i] = Quantise<kQuantised>(qn, pixel | 0xFF000000u);
    }
}

// Colours for a chunk's pixels, stored at `out`.
template <ShadingPath kPath, PixelSource kSource, bool kSpecular, bool kQuantised>
void StoreChunk(
    const RasterOptions& o, ChunkValues& c, int count, Quantisation qn, std::uint32_t* out)
{
    if constexpr (kPath == ShadingPath::Diffuse) {
        StoreDiffuse<kSpecular, kQuantised>(c, count, qn, out);
    } else if constexpr (kPath == ShadingPath::Trilinear) {
        if (wideVectors && LevelsInTable(c, count))
            StoreAddressedTrilinear<kSource, kSpecular, kQuantised>(o, c, count, qn, out);
        else if (wideVectors)
            StoreTrilinearWide<kSource, kSpecular, kQuantised>(o, c, count, qn, out);
        else
            StoreTrilinear<kSource, kSpecular, kQuantised>(o, c, count, qn, out);
    } else {
        StoreSampled<kSource, kSpecular, kQuantised>(o, c, count, qn, out);
    }
}

template <ShadingPath kPath, PixelSource kSource, bool kSpecular>
void ShadeSpan(const ShadingSetup& s, const RasterOptions& o, const RenderTarget& t, int y,
    int xBegin, int xEnd)
{
    const float fx = static_cast<float>(xBegin) - s.originX;
    const float fy = static_cast<float>(y) - s.originY;
    RunPlanes p {};
    p.q = AlongRow(s.q, fx, fy);
    for (int i = 0; i < 3; ++i) {
        p.colour[i] = AlongRow(s.attributes[kRed + i], fx, fy);
        if constexpr (kSpecular)
            p.specular[i] = AlongRow(s.attributes[kSpecularRed + i], fx, fy);
    }
    if constexpr (kPath != ShadingPath::Diffuse) {
        p.u = AlongRow(s.attributes[kU], fx, fy);
        p.v = AlongRow(s.attributes[kV], fx, fy);
    }
    const int levelCount = o.texture != nullptr ? o.texture->levelCount : 0;

    std::uint32_t* row = t.colour + static_cast<std::ptrdiff_t>(y) * t.pitch + xBegin;
    const int length = xEnd - xBegin + 1;
    ChunkValues c;
    for (int first = 0; first < length; first += kChunk) {
        const int count = std::min(kChunk, length - first);
        if (kPath == ShadingPath::Trilinear && wideVectors)
            ComputeTrilinearChunkWide<kSpecular>(s, p, levelCount, first, count, c);
        else
            ComputeChunk<kPath, kSpecular>(s, p, levelCount, first, count, c);
        if (t.quantisation == Quantisation::None)
            StoreChunk<kPath, kSource, kSpecular, false>(o, c, count, t.quantisation, row + first);
        else
            StoreChunk<kPath, kSource, kSpecular, true>(o, c, count, t.quantisation, row + first);
    }
}

template <ShadingPath kPath>
void ShadeTextured(const DeferredRasterizer::Triangle& tri, const RasterOptions& o,
    const RenderTarget& t, int y, int xBegin, int xEnd)
{
    const ShadingSetup& s = tri.shading;
    tri.specular ? ShadeSpan<kPath, PixelSource::Modulate, true>(s, o, t, y, xBegin, xEnd)
                 : ShadeSpan<kPath, PixelSource::Modulate, false>(s, o, t, y, xBegin, xEnd);
}

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
        tri.specular ? ShadeSpan<ShadingPath::Diffuse, PixelSource::Diffuse, true>(
            tri.shading, o, t, y, xBegin, xEnd)
                     : ShadeSpan<ShadingPath::Diffuse, PixelSource::Diffuse, false>(
                         tri.shading, o, t, y, xBegin, xEnd);
        break;
    case ShadingPath::Sampled:
        ShadeTextured<ShadingPath::Sampled>(tri, o, t, y, xBegin, xEnd);
        break;
    case ShadingPath::Trilinear:
        ShadeTextured<ShadingPath::Trilinear>(tri, o, t, y, xBegin, xEnd);
        break;
    }
}

} // namespace softd3d
