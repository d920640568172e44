#pragma once
// Which pixel centres a triangle covers, row by row: the edge functions on 8-bit sub-pixel vertex
// positions with the top-left fill rule, pixel centres at integer coordinates. Each row's first
// and last covered centre follow from the last row's in whole-integer steps, exactly.
#include <cstdint>

namespace softd3d {

constexpr int kSubPixelBits = 8;

// The bound one slanted edge puts on the centres of each row (counted from the box's left): the
// first inside a left edge, the last inside a right one. It is found once by division and then
// stepped from row to row in whole integers, as a line is drawn, so that each row's bound is
// exactly the edge function's without a division per row. `rest` is the edge function at the
// bound, in 0..size - 1.
struct EdgeWalk {
    std::int64_t bound, rest, size, boundStep, restStep, carry;

    void NextRow()
    {
        rest += restStep;
        const bool over = rest >= size;
        rest -= over ? size : 0;
        bound += boundStep + (over ? carry : 0);
    }
};

// A walk that never binds: the box's own side bounds the row.
constexpr EdgeWalk kLoose[2] = {
    { -(std::int64_t { 1 } << 40), 0, 1, 0, 0, 0 },
    { std::int64_t { 1 } << 40, 0, 1, 0, 0, 0 },
};

// The rows of a triangle's box (0 for its top row) and the walks of its slanted edges: at most
// two on either side, as the edges' x steps sum to zero.
struct RowWalks {
    int firstRow = 0, lastRow = -1;
    EdgeWalk left[2] = { kLoose[0], kLoose[0] };
    EdgeWalk right[2] = { kLoose[1], kLoose[1] };

    void NextRow()
    {
        left[0].NextRow();
        left[1].NextRow();
        right[0].NextRow();
        right[1].NextRow();
    }
};

// The walks of a clockwise triangle (vertices in 1/256 pixels) over the `rows` rows of its box,
// whose top-left centre is pixel (left, top).
RowWalks MakeRowWalks(
    const std::int64_t x[3], const std::int64_t y[3], int left, int top, int rows);

} // namespace softd3d
