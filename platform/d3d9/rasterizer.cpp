#include "platform/d3d9/rasterizer.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <utility>

#include <immintrin.h>

#include "platform/d3d9/block_mask.h"
#include "platform/d3d9/coverage.h"
#include "platform/d3d9/depth_test.h"
#include "platform/d3d9/processor.h"
#include "platform/d3d9/span_shader.h"
#include "platform/d3d9/texture.h"

namespace softd3d {

namespace {

constexpr float kSubPixelScale = 1 << kSubPixelBits;

using Triangle = DeferredRasterizer::Triangle;

// The plane through the values at the three vertices of a clockwise triangle of twice the
// given area (in 1/256 pixel units squared).
AttributePlane MakePlane(float f0, float f1, float f2, const ShadingSetup& s, std::int64_t area)
{
    const float inverseArea
        = 1.0f / static_cast<float>(static_cast<double>(area) / (kSubPixelScale * kSubPixelScale));
    AttributePlane p;
    p.atOrigin = f0;
    p.dx = ((f1 - f0) * s.y20 - (f2 - f0) * s.y10) * inverseArea;
    p.dy = ((f2 - f0) * s.x10 - (f1 - f0) * s.x20) * inverseArea;
    return p;
}

} // namespace

namespace {

// A white 1x1 texture would leave the diffuse colour unchanged: without a texture, stage 0's
// modulation is the diffuse colour alone.
RasterOptions OptionsFor(const DrawCall& call, bool hasDepth)
{
    const DeviceState& state = *call.state;
    const auto& rs = state.render;
    RasterOptions o;
    o.depthTest = hasDepth && rs[D3DRS_ZENABLE] != D3DZB_FALSE;
    o.depthWrite = rs[D3DRS_ZWRITEENABLE] != FALSE;
    o.addSpecular = rs[D3DRS_SPECULARENABLE] != FALSE;
    if (call.texture != nullptr && call.texture->View().levelCount > 0) {
        o.texture = &call.texture->View();
        o.source = PixelSource::Modulate;
    }
    const auto& sampler = state.sampler[0];
    o.sampler.magFilter = sampler[D3DSAMP_MAGFILTER];
    o.sampler.minFilter = sampler[D3DSAMP_MINFILTER];
    o.sampler.mipFilter = sampler[D3DSAMP_MIPFILTER];
    return o;
}

// The first x from `x` to `last` whose mark is not `id`, or last + 1: eight marks at a time.
inline int RunStart(const TriangleId* row, int x, int last, TriangleId id)
{
    const __m128i same = _mm_set1_epi16(static_cast<short>(id));
    for (; x + 7 <= last; x += 8) {
        const __m128i marks = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
        const int equal = _mm_movemask_epi8(_mm_cmpeq_epi16(marks, same));
        if (equal != 0xFFFF)
            return x + std::countr_one(static_cast<unsigned>(equal)) / 2;
    }
    while (x <= last && row[x] == id)
        ++x;
    return x;
}

// RunStart sixteen marks at a time, where the processor has AVX2.
SOFTD3D_AVX2 inline int RunStartWide(const TriangleId* row, int x, int last, TriangleId id)
{
    const __m256i same = _mm256_set1_epi16(static_cast<short>(id));
    for (; x + 15 <= last; x += 16) {
        const __m256i marks = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + x));
        const unsigned equal
            = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi16(marks, same)));
        if (equal != 0xFFFFFFFFu)
            return x + std::countr_one(equal) / 2;
    }
    return RunStart(row, x, last, id);
}

// What Resolve hands each run of marks to.
struct Runs {
    TriangleId* ids;
    const RenderTarget& target;
    const std::vector<Triangle>& triangles;
    const std::vector<RasterOptions>& draws;
};

// Shades each run of marks of rows top..bottom, columns left..right, and clears the marks.
template <bool kWide>
inline void ShadeRuns(const Runs& runs, int left, int top, int right, int bottom)
{
    const auto start = [](const TriangleId* row, int x, int last, TriangleId id) {
        if constexpr (kWide)
            return RunStartWide(row, x, last, id);
        else
            return RunStart(row, x, last, id);
    };
    for (int y = top; y <= bottom; ++y) {
        TriangleId* row = runs.ids + static_cast<std::ptrdiff_t>(y) * runs.target.pitch;
        for (int x = start(row, left, right, 0); x <= right;) {
            const TriangleId id = row[x];
            const int next = start(row, x + 1, right, id);
            const Triangle& tri = runs.triangles[id - 1];
            ShadeRun(tri, runs.draws[tri.draw], runs.target, y, x, next - 1);
            // Triangles that share an edge leave no gap between their runs.
            x = next <= right && row[next] != 0 ? next : start(row, next, right, 0);
        }
        std::fill(row + left, row + right + 1, TriangleId { 0 });
    }
}

SOFTD3D_AVX2 __attribute__((flatten)) void ShadeRunsWide(
    const Runs& runs, int left, int top, int right, int bottom)
{
    ShadeRuns<true>(runs, left, top, right, bottom);
}

// Pending triangles beyond this are shaded at once: their marks are 16 bits (half the memory
// traffic of the depth test), and a caller who draws without ever presenting or reading the
// picture does not grow the record without bound.
constexpr std::size_t kMaxPendingTriangles = 0xFFFF;

} // namespace

SubPixelTriangle ToSubPixels(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c)
{
    const ScreenVertex* v[3] = { &a, &b, &c };
    SubPixelTriangle t;
    // As lrint, without the call.
    for (int i = 0; i < 3; ++i) {
        t.x[i] = _mm_cvtss_si64(_mm_set_ss(v[i]->x * kSubPixelScale));
        t.y[i] = _mm_cvtss_si64(_mm_set_ss(v[i]->y * kSubPixelScale));
    }
    t.area = (t.x[1] - t.x[0]) * (t.y[2] - t.y[0]) - (t.x[2] - t.x[0]) * (t.y[1] - t.y[0]);
    return t;
}

PixelRect CoveredBox(const SubPixelTriangle& t)
{
    // Within int, far beyond any target: the clipper's guard band keeps real triangles near it.
    const auto pixel = [](std::int64_t v) {
        return static_cast<int>(std::clamp<std::int64_t>(v, -(1 << 30), 1 << 30));
    };
    return { pixel(-((-std::min({ t.x[0], t.x[1], t.x[2] })) >> kSubPixelBits)),
        pixel(-((-std::min({ t.y[0], t.y[1], t.y[2] })) >> kSubPixelBits)),
        pixel((std::max({ t.x[0], t.x[1], t.x[2] }) >> kSubPixelBits) + 1),
        pixel((std::max({ t.y[0], t.y[1], t.y[2] }) >> kSubPixelBits) + 1) };
}

DeferredRasterizer::~DeferredRasterizer()
{
    ReleaseTextures();
}

void DeferredRasterizer::Attach()
{
    Forget();
    target_ = frameBuffer_.Target();
    const std::size_t pixels = static_cast<std::size_t>(target_.width) * target_.height;
    ids_.reset(static_cast<TriangleId*>(std::calloc(pixels, sizeof(TriangleId))));
    columnNearest_.assign((target_.width >> DepthBounds::kBlockBits) + 1, 0.0);
}

void DeferredRasterizer::BeginDraw(const DrawCall& call)
{
    if (draws_.size() >= kMaxPendingTriangles)
        Resolve();
    // Depths are written from here on.
    target_ = frameBuffer_.Target();
    draws_.push_back(OptionsFor(call, target_.depth != nullptr));
    drawTexture_ = draws_.back().texture != nullptr ? call.texture : nullptr;
    KeepTexture();
}

void DeferredRasterizer::KeepTexture()
{
    if (drawTexture_ != nullptr) {
        drawTexture_->AddRef();
        pendingTextures_.push_back(drawTexture_);
    }
}

void DeferredRasterizer::DrawTriangle(
    const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c)
{
    if (draws_.empty() || ids_ == nullptr)
        return;
    const ScreenVertex* v[3] = { &a, &b, &c };
    // Counter-clockwise triangles face away and are culled.
    const SubPixelTriangle fixed = ToSubPixels(a, b, c);
    const std::int64_t* x = fixed.x;
    const std::int64_t* y = fixed.y;
    const std::int64_t area = fixed.area;
    if (area <= 0)
        return;

    const PixelRect covered = Within(CoveredBox(fixed), { 0, 0, target_.width, target_.height });
    if (covered.Empty() || (scissor_ != nullptr && !scissor_->Meets(covered)))
        return;
    const Bounds box { covered.left, covered.top, covered.right - 1, covered.bottom - 1 };

    // The shading waits until the triangle shows: many are hidden.
    Triangle tri;
    ShadingSetup& s = tri.shading;
    s.originX = static_cast<float>(x[0]) / kSubPixelScale;
    s.originY = static_cast<float>(y[0]) / kSubPixelScale;
    s.anchorX = box.minX;
    s.x10 = static_cast<float>(x[1] - x[0]) / kSubPixelScale;
    s.y10 = static_cast<float>(y[1] - y[0]) / kSubPixelScale;
    s.x20 = static_cast<float>(x[2] - x[0]) / kSubPixelScale;
    s.y20 = static_cast<float>(y[2] - y[0]) / kSubPixelScale;
    const AttributePlane z = MakePlane(v[0]->z, v[1]->z, v[2]->z, tri.shading, area);
    const std::uint64_t hidden = HiddenBlockRows(box, z, tri.shading);
    const int blockRows
        = (box.maxY >> DepthBounds::kBlockBits) - (box.minY >> DepthBounds::kBlockBits) + 1;
    if (blockRows < 64 && hidden == (std::uint64_t { 1 } << blockRows) - 1)
        return;
    const TriangleId id = static_cast<TriangleId>(triangles_.size() + 1);
    if (!MarkRows(x, y, box, z, tri.shading, id, hidden))
        return;
    SetUpShading(v, area, tri);
    tri.draw = static_cast<std::uint32_t>(draws_.size() - 1);
    triangles_.push_back(tri);
    if (triangles_.size() >= kMaxPendingTriangles) {
        // The draw goes on: its options and texture stay pending.
        const RasterOptions current = draws_.back();
        Resolve();
        draws_.push_back(current);
        KeepTexture();
    }
}

void DeferredRasterizer::SetUpShading(
    const ScreenVertex* const v[3], std::int64_t area, Triangle& tri) const
{
    const RasterOptions& options = draws_.back();
    ShadingSetup& s = tri.shading;
    s.q = MakePlane(v[0]->q, v[1]->q, v[2]->q, s, area);
    const bool textured = options.source != PixelSource::Diffuse;
    tri.source = options.source;
    tri.path = ChooseShadingPath(options);
    const int attributeCount = textured ? 8 : 6;
    for (int i = 0; i < attributeCount; ++i) {
        s.attributes[i]
            = MakePlane(v[0]->attributes[i], v[1]->attributes[i], v[2]->attributes[i], s, area);
    }
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
}

bool DeferredRasterizer::MarkRows(const std::int64_t x[3], const std::int64_t y[3],
    const Bounds& box, const AttributePlane& z, const ShadingSetup& s, TriangleId id,
    std::uint64_t hiddenBlockRows)
{
    const RasterOptions& options = draws_.back();
    const RowDepth depth
        = MakeRowDepth({ z.atOrigin, z.dx, z.dy, s.originX, s.originY, s.x10, s.y10, s.x20, s.y20 },
            box.minX, box.minY, box.maxX, box.maxY);
    const SpanTarget target { &target_, ids_.get(), options.depthTest, options.depthWrite };
    const MarkedRows marked = softd3d::MarkRows(target, depth,
        MakeRowWalks(x, y, box.minX, box.minY, box.maxY - box.minY + 1),
        { box.minX, box.minY, box.maxX - box.minX, hiddenBlockRows, scissor_ }, id);
    if (marked.top > marked.bottom)
        return false;
    if (target_.depth != nullptr && options.depthTest && options.depthWrite)
        frameBuffer_.Bounds().Lowered(box.minX, marked.top, box.maxX, marked.bottom);
    AddDirty(box.minX, marked.top, box.maxX, marked.bottom);
    return true;
}

std::uint64_t DeferredRasterizer::HiddenBlockRows(
    const Bounds& box, const AttributePlane& z, const ShadingSetup& s)
{
    if (target_.depth == nullptr || !draws_.back().depthTest)
        return 0;
    // MarkSpan's depths are the plane evaluated in float at a row's anchor column, then stepped in
    // fixed point: within a few float roundings of the plane's magnitudes, plus 1/64 unit.
    const double dx = z.dx, dy = z.dy;
    const double reachX = std::max(std::abs(box.minX - s.originX), std::abs(box.maxX - s.originX));
    const double reachY = std::max(std::abs(box.minY - s.originY), std::abs(box.maxY - s.originY));
    const double slack
        = (std::abs(z.atOrigin) + std::abs(dx) * reachX + std::abs(dy) * reachY) / (1 << 20);
    constexpr int kBits = DepthBounds::kBlockBits;
    DepthBounds& bounds = frameBuffer_.Bounds();
    const int firstRow = box.minY >> kBits;
    const int lastRow = std::min(box.maxY >> kBits, firstRow + 63);
    // The plane's least value over the part of the box in a block is at a corner: the least over
    // the block's rows plus the least over its columns, each found once, in depth units less the
    // margins (1/32 unit for the fixed-point steps, `slack` for the float).
    const int firstColumn = box.minX >> kBits, lastColumn = box.maxX >> kBits;
    for (int bx = firstColumn; bx <= lastColumn; ++bx) {
        const int left = std::max(box.minX, bx << kBits);
        const int right = std::min(box.maxX, (bx << kBits) + DepthBounds::kBlockSide - 1);
        columnNearest_[bx - firstColumn]
            = (dx * (left - s.originX) + std::min(dx * (right - left), 0.0)) * 65535.0;
    }
    const double offset = 0.5 - 1.0 / 32 - slack * 65535.0;
    std::uint64_t hidden = 0;
    for (int by = firstRow; by <= lastRow; ++by) {
        const int top = std::max(box.minY, by << kBits);
        const int bottom = std::min(box.maxY, (by << kBits) + DepthBounds::kBlockSide - 1);
        const double rowNearest
            = (z.atOrigin + dy * (top - s.originY) + std::min(dy * (bottom - top), 0.0)) * 65535.0
            + offset;
        // Blocks the scissor leaves out are passed over as if hidden (a box over 64 blocks wide
        // is taken as all in).
        const std::uint64_t inScissor = scissor_ == nullptr || lastColumn - firstColumn >= 64
            ? ~std::uint64_t { 0 }
            : scissor_->RowFrom(by, firstColumn);
        bool behind = true;
        for (int bx = firstColumn; behind && bx <= lastColumn; ++bx) {
            if (((inScissor >> ((bx - firstColumn) & 63)) & 1) == 0)
                continue;
            const double units = rowNearest + columnNearest_[bx - firstColumn];
            behind = units >= 1.0
                && bounds.AllBelow(target_.depth, target_.pitch, bx, by,
                    static_cast<std::uint16_t>(std::min(units, 65535.0)));
        }
        if (behind)
            hidden |= std::uint64_t { 1 } << (by - firstRow);
    }
    return hidden;
}

void DeferredRasterizer::AddDirty(int left, int top, int right, int bottom)
{
    if (dirtyRight_ < dirtyLeft_) {
        dirtyLeft_ = left;
        dirtyRight_ = right;
        dirtyTop_ = top;
        dirtyBottom_ = bottom;
        return;
    }
    dirtyLeft_ = std::min(dirtyLeft_, left);
    dirtyRight_ = std::max(dirtyRight_, right);
    dirtyTop_ = std::min(dirtyTop_, top);
    dirtyBottom_ = std::max(dirtyBottom_, bottom);
}

void DeferredRasterizer::Resolve()
{
    if (triangles_.empty()) {
        Forget();
        return;
    }
    target_ = frameBuffer_.Target();
    const Runs runs { ids_.get(), target_, triangles_, draws_ };
    if (WideVectors())
        ShadeRunsWide(runs, dirtyLeft_, dirtyTop_, dirtyRight_, dirtyBottom_);
    else
        ShadeRuns<false>(runs, dirtyLeft_, dirtyTop_, dirtyRight_, dirtyBottom_);
    Forget();
}

void DeferredRasterizer::Discard(const PixelRect& r)
{
    if (triangles_.empty())
        return;
    if (r.left <= dirtyLeft_ && r.top <= dirtyTop_ && r.right > dirtyRight_
        && r.bottom > dirtyBottom_) {
        for (int y = dirtyTop_; y <= dirtyBottom_; ++y) {
            TriangleId* row = ids_.get() + static_cast<std::ptrdiff_t>(y) * target_.pitch;
            std::fill(row + dirtyLeft_, row + dirtyRight_ + 1, TriangleId { 0 });
        }
        Forget();
        return;
    }
    for (int y = r.top; y < r.bottom; ++y) {
        TriangleId* row = ids_.get() + static_cast<std::ptrdiff_t>(y) * target_.pitch;
        std::fill(row + r.left, row + r.right, TriangleId { 0 });
    }
}

void DeferredRasterizer::Forget()
{
    triangles_.clear();
    draws_.clear();
    ReleaseTextures();
    dirtyLeft_ = dirtyTop_ = 0;
    dirtyRight_ = dirtyBottom_ = -1;
}

void DeferredRasterizer::ReleaseTextures()
{
    for (Texture* texture : pendingTextures_)
        texture->Release();
    pendingTextures_.clear();
}

} // namespace softd3d
