#pragma once
// Clipping of triangles in homogeneous clip space against Direct3D's view volume in depth
// (0 <= z <= w) and against a guard band in x and y, which keeps the rasterizer's fixed-point
// coordinates small without visible clipping at the viewport's sides.
#include <cstdint>

#include "platform/d3d9/vertex_stage.h"

namespace softd3d {

constexpr int kMaxClippedVertices = 16;

// Bit set of the clip planes a vertex lies outside of; 0 = inside all.
std::uint32_t OutCode(const ClipVertex& v);

// Clips triangle (a, b, c) against the planes in `planes` (a union of out codes). Writes the
// resulting convex polygon to `out` and returns its vertex count (0 when nothing is left).
int ClipTriangle(const ClipVertex& a, const ClipVertex& b, const ClipVertex& c,
    std::uint32_t planes, ClipVertex out[kMaxClippedVertices]);

} // namespace softd3d
