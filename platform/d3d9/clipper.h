#pragma once
// The second stage of a draw: triangles in homogeneous clip space are clipped against
// Direct3D's view volume in depth (0 <= z <= w) and against a guard band in x and y, which keeps
// the rasterizer's fixed-point coordinates small without visible clipping at the viewport's
// sides; what is left goes through the perspective division and the viewport transform and on to
// the rasterizer.
#include <algorithm>
#include <cstdint>

#include "platform/d3d9/rasterizer.h"

namespace softd3d {

constexpr int kMaxClippedVertices = 16;

struct ClipVertex {
    float x, y, z, w; // clip space: inside when 0 <= z <= w and |x|, |y| <= w
    float r, g, b; // lit diffuse colour, 0..255
    float sr, sg, sb; // lit specular colour, 0..255
    float u, v; // stage-0 texture coordinates after the texture transform
};

// After the perspective division and the viewport transform onto a width x height target.
ScreenVertex ToScreen(const ClipVertex& v, int width, int height);

// A vertex as the vertex stage hands it on.
struct ProcessedVertex {
    ClipVertex clip;
    ScreenVertex screen; // valid when outCode is 0
    std::uint32_t outCode;
};

class Clipper {
public:
    Clipper(DeferredRasterizer& rasterizer, FrameBuffer& frameBuffer)
        : rasterizer_(rasterizer)
        , frameBuffer_(frameBuffer)
    {
    }
    void BeginDraw(const DrawCall& call);
    // Fills in the out code and, for a vertex inside, its screen position.
    void Classify(ProcessedVertex& v);
    // Whether triangle (a, b, c), its vertices classified, may put pixels on screen: not when
    // wholly outside one plane, nor when wholly inside and facing away. Only such triangles are
    // handed to Triangle, and only their vertices need lighting.
    bool MayShow(
        const ProcessedVertex& a, const ProcessedVertex& b, const ProcessedVertex& c) const;
    // Fills in, for a classified vertex inside whose colours and texture coordinates are now
    // known, its screen attributes.
    void Attributes(ProcessedVertex& v) const;
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

    DeferredRasterizer& rasterizer_;
    FrameBuffer& frameBuffer_;
    float minX_ = 0.0f, minY_ = 0.0f, maxX_ = 0.0f, maxY_ = 0.0f;
    float unbounded_ = 0.0f; // 0 while every position was finite
};

// Clips triangle (a, b, c) against the planes in `planes` (a union of out codes). Writes the
// resulting convex polygon to `out` and returns its vertex count (0 when nothing is left).
int ClipTriangle(const ClipVertex& a, const ClipVertex& b, const ClipVertex& c,
    std::uint32_t planes, ClipVertex out[kMaxClippedVertices]);

} // namespace softd3d
