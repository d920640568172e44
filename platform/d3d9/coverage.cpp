#include "platform/d3d9/coverage.h"

#include <algorithm>

namespace softd3d {

namespace {

// Edge function in 1/65536 pixel^2 units, biased so that ">= 0" applies the top-left rule.
struct Edge {
    std::int64_t value = 0; // at the bounding box's top-left pixel centre
    std::int64_t stepX = 0; // per pixel to the right
    std::int64_t stepY = 0; // per row down
};

// The edge functions of a clockwise triangle at the centre of pixel (minX, minY).
void MakeEdges(const std::int64_t x[3], const std::int64_t y[3], int minX, int minY, Edge edges[3])
{
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
}

// The floor of a / b, for b > 0.
inline std::int64_t FloorDivide(std::int64_t a, std::int64_t b)
{
    const std::int64_t quotient = a / b;
    return quotient - ((a % b != 0 && a < 0) ? 1 : 0);
}

// The walk of an edge with e as its value at the first row's left centre; left: stepX > 0.
EdgeWalk MakeWalk(const Edge& edge, std::int64_t e)
{
    const bool left = edge.stepX > 0;
    const std::int64_t size = left ? edge.stepX : -edge.stepX;
    const std::int64_t whole = FloorDivide(e, size);
    const std::int64_t rowWhole = FloorDivide(edge.stepY, size);
    return { left ? -whole : whole, e - whole * size, size, left ? -rowWhole : rowWhole,
        edge.stepY - rowWhole * size, left ? -1 : 1 };
}

// A horizontal edge keeps the rows on its inner side; the slanted ones start at the first of them.
} // namespace

RowWalks MakeRowWalks(const std::int64_t x[3], const std::int64_t y[3], int left, int top, int rows)
{
    Edge edges[3];
    MakeEdges(x, y, left, top, edges);
    RowWalks walks;
    walks.lastRow = rows - 1;
    for (int i = 0; i < 3; ++i) {
        const Edge& e = edges[i];
        if (e.stepX != 0)
            continue;
        if (e.stepY > 0 && e.value < 0)
            walks.firstRow = static_cast<int>(std::max<std::int64_t>(
                walks.firstRow, std::min<std::int64_t>(-FloorDivide(e.value, e.stepY), rows)));
        else if (e.stepY < 0)
            walks.lastRow = static_cast<int>(std::min<std::int64_t>(
                walks.lastRow, std::max<std::int64_t>(FloorDivide(e.value, -e.stepY), -1)));
        else if (e.value < 0)
            walks.lastRow = -1;
    }
    int lefts = 0, rights = 0;
    for (int i = 0; i < 3; ++i) {
        const Edge& e = edges[i];
        if (e.stepX == 0)
            continue;
        const EdgeWalk walk = MakeWalk(e, e.value + e.stepY * walks.firstRow);
        if (e.stepX > 0)
            walks.left[lefts++ & 1] = walk;
        else
            walks.right[rights++ & 1] = walk;
    }
    return walks;
}
} // namespace softd3d
