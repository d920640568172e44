#include "platform/d3d9/rasterizer.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <utility>

#include <emmintrin.h>

#include "platform/d3d9/span_shader.h"

namespace softd3d {

namespace {

constexpr int kSubPixelBits = 8;
constexpr float kSubPixelScale = 1 << kSubPixelBits;

// Edge function in 1/65536 pixel^2 units, biased so that ">= 0" applies the top-left rule.
struct Edge {
    std::int64_t value = 0; // at the bounding box's top-left pixel centre
    std::int64_t stepX = 0; // per pixel to the right
    std::int64_t stepY = 0; // per row down
};

using Triangle = DeferredRasterizer::Triangle;

// D3DCMP_* - 1 is a mask of the outcomes that pass: bit 0 less, bit 1 equal, bit 2 greater.
inline bool DepthPasses(std::uint32_t passMask, std::uint32_t incoming, std::uint32_t stored)
{
    const std::uint32_t outcome = (incoming >= stored ? 1u : 0u) + (incoming > stored ? 1u : 0u);
    return ((passMask >> outcome) & 1u) != 0;
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

} // namespace

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

namespace {

// The common case of MarkSpan (less-or-equal, depths in range) eight centres at a time. The
// fixed-point depths are the scalar loop's, kept as offsets from the span's first whole unit so
// that they fit 32-bit lanes. A last group shorter than eight is masked, where the row has `room`
// for eight. Returns how many centres it did.
int MarkLessEqualByEights(std::uint16_t* depth, std::uint32_t* idRow, int count, int room,
    std::int64_t fixed, std::int64_t fixedStep, bool depthWrite, std::uint32_t id, bool& any)
{
    const std::int64_t reach = (fixedStep < 0 ? -fixedStep : fixedStep) * (count + 8);
    if (reach >= (std::int64_t { 1 } << 30))
        return 0;
    const std::int32_t step = static_cast<std::int32_t>(fixedStep);
    const std::int32_t low = static_cast<std::int32_t>(fixed & 0xFFFF);
    __m128i offsets[2];
    offsets[0] = _mm_set_epi32(low + 3 * step, low + 2 * step, low + step, low);
    offsets[1] = _mm_add_epi32(offsets[0], _mm_set1_epi32(4 * step));
    const __m128i advance = _mm_set1_epi32(8 * step);
    // Depths less 32768, so that they compare as signed 16-bit lanes, as do the stored ones with
    // their top bit flipped.
    const __m128i base = _mm_set1_epi32(static_cast<std::int32_t>(fixed >> 16) - 32768);
    const __m128i flip = _mm_set1_epi16(static_cast<short>(0x8000));
    const __m128i ids = _mm_set1_epi32(static_cast<int>(id));
    const __m128i lanes = _mm_set_epi16(7, 6, 5, 4, 3, 2, 1, 0);
    int done = 0;
    for (; done < count && done + 8 <= room; done += 8) {
        const __m128i incoming
            = _mm_packs_epi32(_mm_add_epi32(base, _mm_srai_epi32(offsets[0], 16)),
                _mm_add_epi32(base, _mm_srai_epi32(offsets[1], 16)));
        offsets[0] = _mm_add_epi32(offsets[0], advance);
        offsets[1] = _mm_add_epi32(offsets[1], advance);
        auto* depths = reinterpret_cast<__m128i*>(depth + done);
        const __m128i stored = _mm_loadu_si128(depths);
        const __m128i beyond
            = _mm_cmpgt_epi16(lanes, _mm_set1_epi16(static_cast<short>(count - done - 1)));
        const __m128i fails
            = _mm_or_si128(beyond, _mm_cmpgt_epi16(incoming, _mm_xor_si128(stored, flip)));
        if (_mm_movemask_epi8(fails) == 0xFFFF)
            continue;
        any = true;
        if (depthWrite) {
            _mm_storeu_si128(depths,
                _mm_or_si128(_mm_and_si128(fails, stored),
                    _mm_andnot_si128(fails, _mm_xor_si128(incoming, flip))));
        }
        auto* marks = reinterpret_cast<__m128i*>(idRow + done);
        const __m128i failsLow = _mm_unpacklo_epi16(fails, fails);
        const __m128i failsHigh = _mm_unpackhi_epi16(fails, fails);
        _mm_storeu_si128(marks,
            _mm_or_si128(
                _mm_and_si128(failsLow, _mm_loadu_si128(marks)), _mm_andnot_si128(failsLow, ids)));
        _mm_storeu_si128(marks + 1,
            _mm_or_si128(_mm_and_si128(failsHigh, _mm_loadu_si128(marks + 1)),
                _mm_andnot_si128(failsHigh, ids)));
    }
    return std::min(done, count);
}

// Depth-tests the centres x = xBegin..xEnd of row y and marks those that pass with `id`.
// Returns whether any passed.
bool MarkSpan(const RenderTarget& t, std::uint32_t* ids, const RasterOptions& o,
    const AttributePlane& z, float originX, float originY, int y, int xBegin, int xEnd,
    std::uint32_t id)
{
    std::uint32_t* idRow = ids + static_cast<std::ptrdiff_t>(y) * t.pitch;
    std::uint16_t* depth = t.depth ? t.depth + static_cast<std::ptrdiff_t>(y) * t.pitch : nullptr;
    if (depth == nullptr || !o.depthTest) {
        std::fill(idRow + xBegin, idRow + xEnd + 1, id);
        return true;
    }
    // Depth in 16-bit units as 48.16 fixed point, plus one half so that truncation rounds; the
    // integer steps keep every pixel of a long span within 1/65536 of a unit of its exact depth.
    // Inside the triangle depth stays within 0..1 but for rounding, so only a span whose ends
    // stray outside is clamped pixel by pixel.
    const float zStart = z.atOrigin + z.dx * (static_cast<float>(xBegin) - originX)
        + z.dy * (static_cast<float>(y) - originY);
    const double units = static_cast<double>(zStart) * 65535.0 + 0.5;
    const double unitsStep = static_cast<double>(z.dx) * 65535.0;
    const double unitsEnd = units + unitsStep * (xEnd - xBegin);
    std::int64_t fixed = std::llrint(units * 65536.0);
    const std::int64_t fixedStep = std::llrint(unitsStep * 65536.0);
    const bool inRange = units >= 0.0 && units < 65536.0 && unitsEnd >= 0.0 && unitsEnd < 65536.0;
    const std::uint32_t passMask = (o.depthFunc - 1u) & 7u;
    bool any = false;
    if (inRange && passMask == D3DCMP_LESSEQUAL - 1u) {
        const int done = MarkLessEqualByEights(depth + xBegin, idRow + xBegin, xEnd - xBegin + 1,
            t.pitch - xBegin, fixed, fixedStep, o.depthWrite, id, any);
        fixed += fixedStep * done;
        for (int x = xBegin + done; x <= xEnd; ++x, fixed += fixedStep) {
            const std::uint16_t z16 = static_cast<std::uint16_t>(fixed >> 16);
            if (z16 > depth[x])
                continue;
            if (o.depthWrite)
                depth[x] = z16;
            idRow[x] = id;
            any = true;
        }
        return any;
    }
    for (int x = xBegin; x <= xEnd; ++x, fixed += fixedStep) {
        std::int64_t whole = fixed >> 16;
        if (!inRange)
            whole = whole < 0 ? 0 : (whole > 65535 ? 65535 : whole);
        const std::uint32_t z16 = static_cast<std::uint32_t>(whole);
        if (!DepthPasses(passMask, z16, depth[x]))
            continue;
        if (o.depthWrite)
            depth[x] = static_cast<std::uint16_t>(z16);
        idRow[x] = id;
        any = true;
    }
    return any;
}

// The first x from `x` to `last` whose mark is not `id`, or last + 1: four marks at a time.
int RunStart(const std::uint32_t* row, int x, int last, std::uint32_t id)
{
    const __m128i same = _mm_set1_epi32(static_cast<int>(id));
    for (; x + 3 <= last; x += 4) {
        const __m128i marks = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
        const int equal = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(marks, same)));
        if (equal != 0xF)
            return x + std::countr_one(static_cast<unsigned>(equal));
    }
    while (x <= last && row[x] == id)
        ++x;
    return x;
}

// Pending triangles beyond this are shaded at once, so that a caller who draws without ever
// presenting or reading the picture does not grow the record without bound.
constexpr std::size_t kMaxPendingTriangles = 1 << 20;

} // namespace

void DeferredRasterizer::Attach(const RenderTarget& target, std::uint32_t* triangleIds)
{
    Forget();
    target_ = target;
    ids_ = triangleIds;
}

void DeferredRasterizer::BeginDraw(const RasterOptions& options)
{
    if (draws_.size() >= kMaxPendingTriangles)
        Resolve();
    draws_.push_back(options);
}

void DeferredRasterizer::DrawTriangle(
    const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c)
{
    if (draws_.empty() || ids_ == nullptr)
        return;
    const RasterOptions& options = draws_.back();
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

    const std::int64_t minXs = std::min({ x[0], x[1], x[2] });
    const std::int64_t maxXs = std::max({ x[0], x[1], x[2] });
    const std::int64_t minYs = std::min({ y[0], y[1], y[2] });
    const std::int64_t maxYs = std::max({ y[0], y[1], y[2] });
    // Pixel centres from ceil(min) to floor(max), within the target.
    const int minX = static_cast<int>(std::max<std::int64_t>(0, -((-minXs) >> kSubPixelBits)));
    const int minY = static_cast<int>(std::max<std::int64_t>(0, -((-minYs) >> kSubPixelBits)));
    const int maxX
        = static_cast<int>(std::min<std::int64_t>(target_.width - 1, maxXs >> kSubPixelBits));
    const int maxY
        = static_cast<int>(std::min<std::int64_t>(target_.height - 1, maxYs >> kSubPixelBits));
    if (minX > maxX || minY > maxY)
        return;

    Edge edges[3];
    const std::int64_t px = static_cast<std::int64_t>(minX) << kSubPixelBits;
    const std::int64_t py = static_cast<std::int64_t>(minY) << kSubPixelBits;
    for (int i = 0; i < 3; ++i) {
        const int j = (i + 1) % 3;
        const std::int64_t stepPerUnitX = y[i] - y[j];
        const std::int64_t stepPerUnitY = x[j] - x[i];
        Edge& e = edges[i];
        e.value = stepPerUnitY * (py - y[i]) + stepPerUnitX * (px - x[i]);
        e.stepX = stepPerUnitX << kSubPixelBits;
        e.stepY = stepPerUnitY << kSubPixelBits;
        // Top-left rule: centres exactly on an edge belong to the triangle only for a top edge
        // (horizontal, interior below) or a left edge (going up in this clockwise order).
        const bool topLeft = stepPerUnitX > 0 || (stepPerUnitX == 0 && stepPerUnitY > 0);
        if (!topLeft)
            e.value -= 1;
    }

    Triangle tri;
    ShadingSetup& s = tri.shading;
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
    const AttributePlane z = plane(v[0]->z, v[1]->z, v[2]->z);
    s.q = plane(v[0]->q, v[1]->q, v[2]->q);
    const bool textured = options.source != PixelSource::Diffuse && options.texture != nullptr
        && options.texture->levelCount > 0;
    tri.source = textured ? options.source : PixelSource::Diffuse;
    tri.path = ChooseShadingPath(options, tri.source);
    const int attributeCount = textured ? 8 : 6;
    for (int i = 0; i < attributeCount; ++i)
        s.attributes[i] = plane(v[0]->attributes[i], v[1]->attributes[i], v[2]->attributes[i]);
    if (options.addSpecular) {
        for (int i = 0; i < 3; ++i) {
            tri.specular = tri.specular || v[i]->attributes[kSpecularRed] != 0.0f
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
    tri.draw = static_cast<std::uint32_t>(draws_.size() - 1);
    const std::uint32_t id = static_cast<std::uint32_t>(triangles_.size() + 1);

    std::int64_t rowValue[3] = { edges[0].value, edges[1].value, edges[2].value };
    const int last = maxX - minX;
    bool marked = false;
    int markedTop = maxY, markedBottom = minY;
    for (int row = minY; row <= maxY; ++row) {
        // The span of pixel centres inside all three edges, found exactly from the edge values
        // at the row's first centre.
        int kBegin = 0, kEnd = last;
        for (int i = 0; i < 3; ++i) {
            const std::int64_t e = rowValue[i];
            const std::int64_t step = edges[i].stepX;
            if (step > 0) {
                if (e < 0) {
                    const std::int64_t first = (-e + step - 1) / step;
                    kBegin = static_cast<int>(
                        std::max<std::int64_t>(kBegin, std::min<std::int64_t>(first, last + 1)));
                }
            } else if (step < 0) {
                kEnd = e < 0 ? -1 : static_cast<int>(std::min<std::int64_t>(kEnd, e / -step));
            } else if (e < 0) {
                kEnd = -1;
            }
            rowValue[i] += edges[i].stepY;
        }
        if (kBegin > kEnd)
            continue;
        if (MarkSpan(target_, ids_, options, z, s.originX, s.originY, row, minX + kBegin,
                minX + kEnd, id)) {
            marked = true;
            markedTop = std::min(markedTop, row);
            markedBottom = std::max(markedBottom, row);
        }
    }
    if (!marked)
        return;
    triangles_.push_back(tri);
    if (dirtyRight_ < dirtyLeft_) {
        dirtyLeft_ = minX;
        dirtyRight_ = maxX;
        dirtyTop_ = markedTop;
        dirtyBottom_ = markedBottom;
    } else {
        dirtyLeft_ = std::min(dirtyLeft_, minX);
        dirtyRight_ = std::max(dirtyRight_, maxX);
        dirtyTop_ = std::min(dirtyTop_, markedTop);
        dirtyBottom_ = std::max(dirtyBottom_, markedBottom);
    }
    if (triangles_.size() >= kMaxPendingTriangles) {
        const RasterOptions current = options;
        Resolve();
        draws_.push_back(current);
    }
}

void DeferredRasterizer::Resolve()
{
    if (triangles_.empty()) {
        draws_.clear();
        return;
    }
    for (int y = dirtyTop_; y <= dirtyBottom_; ++y) {
        std::uint32_t* row = ids_ + static_cast<std::ptrdiff_t>(y) * target_.pitch;
        for (int x = RunStart(row, dirtyLeft_, dirtyRight_, 0); x <= dirtyRight_;) {
            const std::uint32_t id = row[x];
            const int next = RunStart(row, x + 1, dirtyRight_, id);
            const Triangle& tri = triangles_[id - 1];
            ShadeRun(tri, draws_[tri.draw], target_, y, x, next - 1);
            x = RunStart(row, next, dirtyRight_, 0);
        }
        std::fill(row + dirtyLeft_, row + dirtyRight_ + 1, 0u);
    }
    Forget();
}

void DeferredRasterizer::Discard(int left, int top, int right, int bottom)
{
    if (triangles_.empty())
        return;
    if (left <= dirtyLeft_ && top <= dirtyTop_ && right > dirtyRight_ && bottom > dirtyBottom_) {
        for (int y = dirtyTop_; y <= dirtyBottom_; ++y) {
            std::uint32_t* row = ids_ + static_cast<std::ptrdiff_t>(y) * target_.pitch;
            std::fill(row + dirtyLeft_, row + dirtyRight_ + 1, 0u);
        }
        Forget();
        return;
    }
    for (int y = top; y < bottom; ++y) {
        std::uint32_t* row = ids_ + static_cast<std::ptrdiff_t>(y) * target_.pitch;
        std::fill(row + left, row + right, 0u);
    }
}

void DeferredRasterizer::Forget()
{
    triangles_.clear();
    draws_.clear();
    dirtyLeft_ = dirtyTop_ = 0;
    dirtyRight_ = dirtyBottom_ = -1;
}

} // namespace softd3d
