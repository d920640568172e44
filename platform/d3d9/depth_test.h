#pragma once
// The depth test of the rows of a triangle: the 16-bit depth of each centre from the plane of
// the triangle's depths, compared less-or-equal with the depth buffer, and the mark of each centre
// that passes, along the rows coverage.h walks. This is where most of the rasterizer's time goes.
#include <cstdint>

#include "platform/d3d9/coverage.h"
#include "platform/d3d9/frame_buffer.h"

namespace softd3d {

class BlockMask;

// Which pending triangle a pixel shows, 0 for none.
using TriangleId = std::uint16_t;

// The depth of a triangle along its rows: the plane evaluated in float at the row's anchor column
// (the box's left), in 16-bit units plus one half (so that truncation rounds), and stepped from
// there in 48.16 fixed point. A span's depths thus do not depend on where it begins: a span cut
// short by a redraw of part of the frame has the depths of the whole one.
struct RowDepth {
    float atOrigin, dx, dy; // the plane: its value at (originX, originY) and its slopes
    float originX, originY;
    int anchorX;
    double unitsStep; // per pixel along a row
    std::int64_t fixedStep;
    // Every depth of every span lies within 0..65535: a span needs none of the checks of the
    // general case if also its steps fit 32-bit lanes, as they do for up to `laneCount` centres.
    bool inRange;
    int laneCount;
};

// A triangle's depths: the plane's value at the first vertex and its slopes, and where the
// vertices are (the other two relative to the first), in pixels.
struct DepthPlane {
    float atOrigin, dx, dy;
    float originX, originY, x10, y10, x20, y20;
};

// The depths of a triangle whose box spans the pixels left..right, top..bottom.
RowDepth MakeRowDepth(const DepthPlane& p, int left, int top, int right, int bottom);

// How a span is tested and written.
struct SpanTarget {
    const RenderTarget* target;
    TriangleId* ids; // one mark per pixel, `target->pitch` a row
    bool depthTest, depthWrite;
};

// A triangle's box as its rows see it.
struct TriangleRows {
    int left, top; // the box's top-left pixel
    int last; // the box's last column, counted from `left`
    // The rows of 8x8 blocks (bit k for the k-th from the top, up to 64) at whose every pixel the
    // depth test would fail.
    std::uint64_t hiddenBlockRows;
    // When set, only the pixels in its marked blocks are tested and marked.
    const BlockMask* within = nullptr;
};

// The first and last rows that hold marked pixels; top > bottom: none.
struct MarkedRows {
    int top, bottom;
};

// Whether the wide loops here and in the rasterizer's Resolve run: where the processor has AVX2,
// unless a test asks for the SSE2 ones, which must draw the same.
bool WideVectors();
void UseWideLoops(bool wide);

// Depth-tests the covered centres of each row outside the hidden block rows and marks those that
// pass with `id`.
MarkedRows MarkRows(const SpanTarget& t, const RowDepth& d, const RowWalks& walks,
    const TriangleRows& rows, TriangleId id);

} // namespace softd3d
