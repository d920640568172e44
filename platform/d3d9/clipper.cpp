#include "platform/d3d9/clipper.h"

#include <cmath>
#include <limits>
#include <utility>

namespace softd3d {

namespace {

float Distance(std::uint32_t plane, const ClipVertex& v)
{
    switch (plane) {
    case kNear: return v.z;
    case kFar: return v.w - v.z;
    case kEye: return v.w - kMinimumW;
    case kLeft: return v.x + kGuardBand * v.w;
    case kRight: return kGuardBand * v.w - v.x;
    case kBottom: return v.y + kGuardBand * v.w;
    default: return kGuardBand * v.w - v.y;
    }
}

ClipVertex Lerp(const ClipVertex& a, const ClipVertex& b, float t)
{
    auto mix = [t](float p, float q) { return p + (q - p) * t; };
    return { mix(a.x, b.x), mix(a.y, b.y), mix(a.z, b.z), mix(a.w, b.w), mix(a.r, b.r),
        mix(a.g, b.g), mix(a.b, b.b), mix(a.sr, b.sr), mix(a.sg, b.sg), mix(a.sb, b.sb),
        mix(a.u, b.u), mix(a.v, b.v) };
}

} // namespace

ScreenVertex ToScreen(const ClipVertex& v, int width, int height)
{
    ScreenVertex s;
    ScreenPosition(v, width, height, s);
    ScreenAttributes(v, s);
    return s;
}

int ClipTriangle(const ClipVertex& a, const ClipVertex& b, const ClipVertex& c,
    std::uint32_t planes, ClipVertex out[kMaxClippedVertices])
{
    ClipVertex scratch[kMaxClippedVertices];
    ClipVertex* current = out;
    ClipVertex* next = scratch;
    current[0] = a;
    current[1] = b;
    current[2] = c;
    int count = 3;

    for (int i = 0; i < kPlaneCount && count > 0; ++i) {
        std::uint32_t plane = 1u << i;
        if ((planes & plane) == 0)
            continue;
        int written = 0;
        for (int k = 0; k < count; ++k) {
            const ClipVertex& p = current[k];
            const ClipVertex& q = current[(k + 1) % count];
            float dp = Distance(plane, p);
            float dq = Distance(plane, q);
            bool pInside = dp >= 0.0f;
            bool qInside = dq >= 0.0f;
            if (pInside)
                next[written++] = p;
            // NaN distances count as outside on both ends, so no intersection is made from them.
            if (pInside != qInside && (pInside || dp < 0.0f) && (qInside || dq < 0.0f)) {
                next[written++] = Lerp(p, q, dp / (dp - dq));
            }
        }
        count = written;
        std::swap(current, next);
    }

    if (current != out) {
        for (int k = 0; k < count; ++k)
            out[k] = current[k];
    }
    return count;
}

void Clipper::BeginDraw(const DrawCall& call, DrawnTriangles* capture, Output output)
{
    output_ = capture != nullptr ? output : Output::Rasterize;
    if (output_ == Output::Rasterize)
        rasterizer_.BeginDraw(call);
    capture_ = capture;
    if (capture_ != nullptr) {
        // Room for every triangle unclipped at once, so that the next frames' captures of this
        // draw, which may keep more of its triangles, need not allocate.
        capture_->corners.clear();
        capture_->corners.reserve(3 * call.triangleCount);
        capture_->wrote = false;
        capture_->width = rasterizer_.Width();
        capture_->height = rasterizer_.Height();
    }
    minX_ = minY_ = std::numeric_limits<float>::max();
    maxX_ = maxY_ = -std::numeric_limits<float>::max();
    unbounded_ = 0.0f;
}

void Clipper::EndDraw()
{
    if (unbounded_ != 0.0f) {
        ReportWritten({ 0, 0, frameBuffer_.Width(), frameBuffer_.Height() });
    } else if (minX_ <= maxX_) {
        // A pixel is covered only when its centre (integer coordinates) lies in the triangle;
        // the rasterizer rounds positions to 1/256 pixel, well within the extra pixel on each
        // side. The guard band keeps the values far inside int's range. (No vertex inside: every
        // triangle was clipped away or is still unseen, and nothing was written.)
        ReportWritten(
            { static_cast<int>(std::floor(minX_)) - 1, static_cast<int>(std::floor(minY_)) - 1,
                static_cast<int>(std::ceil(maxX_)) + 2, static_cast<int>(std::ceil(maxY_)) + 2 });
    }
    capture_ = nullptr;
}

void Clipper::ReportWritten(const PixelRect& written)
{
    if (output_ == Output::Rasterize)
        TellFrameBuffer(written);
    if (capture_ != nullptr) {
        capture_->written = written;
        capture_->wrote = true;
    }
}

void Clipper::TellFrameBuffer(const PixelRect& written)
{
    // Under a scissor every write lands in its marked blocks, which were cleared, and so told
    // to the frame buffer, before the draws were replayed over them. Telling it the draw's box
    // as well would make the area the window copies far larger than the patch.
    if (rasterizer_.Scissor() == nullptr)
        frameBuffer_.Written(written);
}

bool Clipper::Replay(const DrawCall& call, const DrawnTriangles& drawn)
{
    if (drawn.width != rasterizer_.Width() || drawn.height != rasterizer_.Height())
        return false;
    rasterizer_.BeginDraw(call);
    for (std::size_t i = 0; i + 2 < drawn.corners.size(); i += 3)
        rasterizer_.DrawTriangle(drawn.corners[i], drawn.corners[i + 1], drawn.corners[i + 2]);
    if (drawn.wrote)
        TellFrameBuffer(drawn.written);
    return true;
}

bool Clipper::MayShow(
    const ProcessedVertex& a, const ProcessedVertex& b, const ProcessedVertex& c) const
{
    if ((a.outCode & b.outCode & c.outCode) != 0)
        return false;
    // Which way a triangle to be clipped faces is known only from the clipped polygon.
    if ((a.outCode | b.outCode | c.outCode) != 0)
        return true;
    return !FacesAway(a.screen, b.screen, c.screen);
}

void Clipper::Triangle(const ProcessedVertex& a, const ProcessedVertex& b, const ProcessedVertex& c)
{
    if ((a.outCode & b.outCode & c.outCode) != 0)
        return;
    if ((a.outCode | b.outCode | c.outCode) == 0) {
        Rasterize(a.screen, b.screen, c.screen);
        return;
    }
    ClipVertex polygon[kMaxClippedVertices];
    const int count
        = ClipTriangle(a.clip, b.clip, c.clip, a.outCode | b.outCode | c.outCode, polygon);
    if (count < 3)
        return;
    ScreenVertex screen[kMaxClippedVertices];
    for (int i = 0; i < count; ++i) {
        screen[i] = ToScreen(polygon[i], rasterizer_.Width(), rasterizer_.Height());
        Reach(screen[i]);
    }
    for (int i = 1; i + 1 < count; ++i)
        Rasterize(screen[0], screen[i], screen[i + 1]);
}

} // namespace softd3d
