#include "platform/d3d9/clipper.h"

#include <cmath>
#include <limits>
#include <utility>

namespace softd3d {

namespace {

// Screen coordinates stay within this many half-viewports of the centre.
constexpr float kGuardBand = 4.0f;
// Vertices this close to the eye are cut off even by projections without a near plane.
constexpr float kMinimumW = 1e-5f;

enum Plane : std::uint32_t {
    kNear = 1u << 0, // z >= 0
    kFar = 1u << 1, // z <= w
    kEye = 1u << 2, // w >= kMinimumW
    kLeft = 1u << 3, // x >= -g w
    kRight = 1u << 4, // x <= g w
    kBottom = 1u << 5, // y >= -g w
    kTop = 1u << 6, // y <= g w
};
constexpr int kPlaneCount = 7;

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

// ToScreen in two steps: the position (x, y, z and q), then the attributes, times q.
void ScreenPosition(const ClipVertex& v, int width, int height, ScreenVertex& s)
{
    const float q = 1.0f / v.w;
    s.x = (v.x * q + 1.0f) * 0.5f * static_cast<float>(width);
    s.y = (1.0f - v.y * q) * 0.5f * static_cast<float>(height);
    s.z = v.z * q;
    s.q = q;
}

void ScreenAttributes(const ClipVertex& v, ScreenVertex& s)
{
    const float values[8] = { v.r, v.g, v.b, v.sr, v.sg, v.sb, v.u, v.v };
    for (int i = 0; i < 8; ++i)
        s.attributes[i] = values[i] * s.q;
}

// Bit set of the clip planes a vertex lies outside of; 0 = inside all.
std::uint32_t OutCode(const ClipVertex& v)
{
    std::uint32_t code = 0;
    if (!(v.z >= 0.0f))
        code |= kNear;
    if (!(v.z <= v.w))
        code |= kFar;
    if (!(v.w >= kMinimumW))
        code |= kEye;
    float band = kGuardBand * v.w;
    if (!(v.x >= -band))
        code |= kLeft;
    if (!(v.x <= band))
        code |= kRight;
    if (!(v.y >= -band))
        code |= kBottom;
    if (!(v.y <= band))
        code |= kTop;
    return code;
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

void Clipper::Classify(ProcessedVertex& v)
{
    v.outCode = OutCode(v.clip);
    if (v.outCode == 0) {
        ScreenPosition(v.clip, rasterizer_.Width(), rasterizer_.Height(), v.screen);
        Reach(v.screen);
    }
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

void Clipper::Attributes(ProcessedVertex& v) const
{
    if (v.outCode == 0)
        ScreenAttributes(v.clip, v.screen);
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
