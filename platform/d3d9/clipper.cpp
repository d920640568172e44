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

void Clipper::BeginDraw(const DrawCall& call)
{
    rasterizer_.BeginDraw(call);
    minX_ = minY_ = std::numeric_limits<float>::max();
    maxX_ = maxY_ = -std::numeric_limits<float>::max();
    unbounded_ = 0.0f;
}

void Clipper::EndDraw()
{
    if (unbounded_ != 0.0f) {
        frameBuffer_.Written({ 0, 0, frameBuffer_.Width(), frameBuffer_.Height() });
        return;
    }
    if (minX_ > maxX_)
        return; // no vertex inside: every triangle was clipped away or is still unseen
    // A pixel is covered only when its centre (integer coordinates) lies in the triangle; the
    // rasterizer rounds positions to 1/256 pixel, well within the extra pixel on each side. The
    // guard band keeps the values far inside int's range.
    frameBuffer_.Written(
        { static_cast<int>(std::floor(minX_)) - 1, static_cast<int>(std::floor(minY_)) - 1,
            static_cast<int>(std::ceil(maxX_)) + 2, static_cast<int>(std::ceil(maxY_)) + 2 });
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
        rasterizer_.DrawTriangle(a.screen, b.screen, c.screen);
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
        rasterizer_.DrawTriangle(screen[0], screen[i], screen[i + 1]);
}

} // namespace softd3d
