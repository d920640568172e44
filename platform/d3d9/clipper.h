#pragma once
// The second stage of a draw: triangles in homogeneous clip space are clipped against
// Direct3D's view volume in depth (0 <= z <= w) and against a guard band in x and y, which keeps
// the rasterizer's fixed-point coordinates small without visible clipping at the viewport's
// sides; what is left goes through the perspective division and the viewport transform and on to
// the rasterizer.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/d3d9/rasterizer.h"

namespace softd3d {

constexpr int kMaxClippedVertices = 16;

struct ClipVertex {
    float x, y, z, w; // clip space: inside when 0 <= z <= w and |x|, |y| <= w
    float r, g, b; // lit diffuse colour, 0..255
    float sr, sg, sb; // lit specular colour, 0..255
    float u, v; // stage-0 texture coordinates after the texture transform
};

// Screen coordinates stay within this many half-viewports of the centre.
constexpr float kGuardBand = 4.0f;
// Vertices this close to the eye are cut off even by projections without a near plane.
constexpr float kMinimumW = 1e-5f;

// The planes of the view volume and the guard band, as bits of an out code.
enum ClipPlane : std::uint32_t {
    kNear = 1u << 0, // z >= 0
    kFar = 1u << 1, // z <= w
    kEye = 1u << 2, // w >= kMinimumW
    kLeft = 1u << 3, // x >= -g w
    kRight = 1u << 4, // x <= g w
    kBottom = 1u << 5, // y >= -g w
    kTop = 1u << 6, // y <= g w
};
constexpr int kPlaneCount = 7;

// After the perspective division and the viewport transform onto a width x height target.
ScreenVertex ToScreen(const ClipVertex& v, int width, int height);

// ToScreen in two steps: the position (x, y, z and q), then the attributes, times q.
inline void ScreenPosition(const ClipVertex& v, int width, int height, ScreenVertex& s)
{
    const float q = 1.0f / v.w;
    s.x = (v.x * q + 1.0f) * 0.5f * static_cast<float>(width);
    s.y = (1.0f - v.y * q) * 0.5f * static_cast<float>(height);
    s.z = v.z * q;
    s.q = q;
}

inline void ScreenAttributes(const ClipVertex& v, ScreenVertex& s)
{
    const float values[8] = { v.r, v.g, v.b, v.sr, v.sg, v.sb, v.u, v.v };
    for (int i = 0; i < 8; ++i)
        s.attributes[i] = values[i] * s.q;
}

// Bit set of the clip planes a vertex lies outside of; 0 = inside all.
inline std::uint32_t OutCode(const ClipVertex& v)
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

// A vertex as the vertex stage hands it on.
struct ProcessedVertex {
    ClipVertex clip;
    ScreenVertex screen; // valid when outCode is 0
    std::uint32_t outCode;
};

// What one draw handed the rasterizer. For a later draw of the same state, texture and vertices
// on a target of the same size, the same triangles make the same pixels: handed on again, they
// spare the draw its vertex work.
struct DrawnTriangles {
    std::vector<ScreenVertex> corners; // three per triangle, in the order drawn
    PixelRect written; // what the draw reported as written, when `wrote`
    bool wrote = false;
    int width = 0, height = 0; // the target's
};

class Clipper {
public:
    Clipper(DeferredRasterizer& rasterizer, FrameBuffer& frameBuffer)
        : rasterizer_(rasterizer)
        , frameBuffer_(frameBuffer)
    {
    }
    enum class Output { Rasterize, CaptureOnly };
    // Starts a draw; with `capture`, what it hands the rasterizer is kept there too (or only).
    void BeginDraw(
        const DrawCall& call, DrawnTriangles* capture = nullptr, Output output = Output::Rasterize);
    // The whole of a draw whose triangles were captured before: false, doing nothing, when the
    // target's size has changed since.
    bool Replay(const DrawCall& call, const DrawnTriangles& drawn);
    // Fills in the out code and, for a vertex inside, its screen position. Inline, as Attributes:
    // the vertex stage calls them for each vertex, straight after its transform and lighting.
    void Classify(ProcessedVertex& v)
    {
        v.outCode = OutCode(v.clip);
        if (v.outCode == 0) {
            ScreenPosition(v.clip, rasterizer_.Width(), rasterizer_.Height(), v.screen);
            Reach(v.screen);
        }
    }
    // Whether triangle (a, b, c), its vertices classified, may put pixels on screen: not when
    // wholly outside one plane, nor when wholly inside and facing away. Only such triangles are
    // handed to Triangle, and only their vertices need lighting.
    bool MayShow(
        const ProcessedVertex& a, const ProcessedVertex& b, const ProcessedVertex& c) const;
    // Fills in, for a classified vertex inside whose colours and texture coordinates are now
    // known, its screen attributes.
    void Attributes(ProcessedVertex& v) const
    {
        if (v.outCode == 0)
            ScreenAttributes(v.clip, v.screen);
    }
    void Triangle(const ProcessedVertex& a, const ProcessedVertex& b, const ProcessedVertex& c);
    // Tells the frame buffer which pixels the draw's triangles may have written: a box around
    // every screen position handed to the rasterizer, whose triangles cover no pixel outside it.
    void EndDraw();

private:
    void Reach(const ScreenVertex& s)
    {
        minX_ = std::min(minX_, s.x);
        maxX_ = std::max(maxX_, s.x);
        minY_ = std::min(minY_, s.y);
        maxY_ = std::max(maxY_, s.y);
        // The comparisons above drop NaN; such a position (or an infinite one) bounds nothing,
        // and makes this NaN for good.
        unbounded_ += (s.x - s.x) + (s.y - s.y);
    }

    void Rasterize(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c)
    {
        if (output_ == Output::Rasterize)
            rasterizer_.DrawTriangle(a, b, c);
        if (capture_ != nullptr)
            capture_->corners.insert(capture_->corners.end(), { a, b, c });
    }
    void ReportWritten(const PixelRect& written);
    // Tells the frame buffer `written`, unless the rasterizer's scissor already bounds it.
    void TellFrameBuffer(const PixelRect& written);

    DeferredRasterizer& rasterizer_;
    FrameBuffer& frameBuffer_;
    DrawnTriangles* capture_ = nullptr;
    Output output_ = Output::Rasterize;
    float minX_ = 0.0f, minY_ = 0.0f, maxX_ = 0.0f, maxY_ = 0.0f;
    float unbounded_ = 0.0f; // 0 while every position was finite
};

// Clips triangle (a, b, c) against the planes in `planes` (a union of out codes). Writes the
// resulting convex polygon to `out` and returns its vertex count (0 when nothing is left).
int ClipTriangle(const ClipVertex& a, const ClipVertex& b, const ClipVertex& c,
    std::uint32_t planes, ClipVertex out[kMaxClippedVertices]);

} // namespace softd3d
