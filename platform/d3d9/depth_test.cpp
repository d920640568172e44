#include "platform/d3d9/depth_test.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include <immintrin.h>

#include "platform/d3d9/block_mask.h"
#include "platform/d3d9/depth_bounds.h"
#include "platform/d3d9/processor.h"

namespace softd3d {

namespace {

bool wideVectors = ProcessorHasAvx2();

inline std::int64_t RoundToInteger(double value)
{
    return _mm_cvtsd_si64(_mm_set_sd(value)); // as llrint, without the call
}

// The common case of MarkSpan (less-or-equal, depths in range) eight centres at a time. The
// fixed-point depths are the scalar loop's, kept as offsets from the span's first whole unit so
// that they fit 32-bit lanes. A last group shorter than eight is masked, where the row has `room`
// for eight. Returns how many centres it did.
inline int MarkLessEqualByEights(std::uint16_t* depth, TriangleId* idRow, int count, int room,
    std::int64_t fixed, std::int64_t fixedStep, bool depthWrite, TriangleId id, bool& any)
{
    // The steps over count + 8 centres must stay below 2^30 (a step may be any 64-bit value).
    const std::uint64_t magnitude = fixedStep < 0 ? 0 - static_cast<std::uint64_t>(fixedStep)
                                                  : static_cast<std::uint64_t>(fixedStep);
    if (magnitude > ((std::uint64_t { 1 } << 30) - 1) / static_cast<std::uint64_t>(count + 8))
        return 0;
    const std::int32_t step = static_cast<std::int32_t>(fixedStep);
    const std::int32_t low = static_cast<std::int32_t>(fixed & 0xFFFF);
    __m128i offsets[2];
    offsets[0] = _mm_set_epi32(low + 3 * step, low + 2 * step, low + step, low);
    offsets[1] = _mm_add_epi32(offsets[0], _mm_set1_epi32(4 * step));
    const __m128i advance = _mm_set1_epi32(8 * step);
    // Depths less 32768, so that they compare as signed 16-bit lanes, as do the stored ones with
    // their top bit flipped.
    const __m128i base = _mm_set1_epi32(static_cast<std::int32_t>(fixed >> 16) - 32768);
    const __m128i flip = _mm_set1_epi16(static_cast<short>(0x8000));
    const __m128i ids = _mm_set1_epi16(static_cast<short>(id));
    const __m128i lanes = _mm_set_epi16(7, 6, 5, 4, 3, 2, 1, 0);
    int done = 0;
    for (; done < count && done + 8 <= room; done += 8) {
        const __m128i incoming
            = _mm_packs_epi32(_mm_add_epi32(base, _mm_srai_epi32(offsets[0], 16)),
                _mm_add_epi32(base, _mm_srai_epi32(offsets[1], 16)));
        offsets[0] = _mm_add_epi32(offsets[0], advance);
        offsets[1] = _mm_add_epi32(offsets[1], advance);
        auto* depths = reinterpret_cast<__m128i*>(depth + done);
        const __m128i stored = _mm_loadu_si128(depths);
        const __m128i beyond
            = _mm_cmpgt_epi16(lanes, _mm_set1_epi16(static_cast<short>(count - done - 1)));
        const __m128i fails
            = _mm_or_si128(beyond, _mm_cmpgt_epi16(incoming, _mm_xor_si128(stored, flip)));
        const int failing = _mm_movemask_epi8(fails);
        if (failing == 0xFFFF)
            continue;
        any = true;
        if (depthWrite) {
            _mm_storeu_si128(depths,
                _mm_or_si128(_mm_and_si128(fails, stored),
                    _mm_andnot_si128(fails, _mm_xor_si128(incoming, flip))));
        }
        auto* marks = reinterpret_cast<__m128i*>(idRow + done);
        // Where all eight pass, the old marks need not be read: often they are not in the cache.
        if (failing == 0) {
            _mm_storeu_si128(marks, ids);
        } else {
            _mm_storeu_si128(marks,
                _mm_or_si128(
                    _mm_and_si128(fails, _mm_loadu_si128(marks)), _mm_andnot_si128(fails, ids)));
        }
    }
    return std::min(done, count);
}

// What the spans of one triangle share in MarkWideSpan: sixteen centres a register, the same
// arithmetic in the same lanes as MarkLessEqualByEights.
struct WideSpans {
    __m256i ramp[2]; // the fixed-point steps to centres 0..7 and 8..15
    __m256i advance; // sixteen steps
    __m256i flip, ids, lanes, sixteen;
};

// The steps wrap where a triangle is too steep for any span to take the lanes.
SOFTD3D_AVX2 inline WideSpans MakeWideSpans(std::int64_t fixedStep, TriangleId id)
{
    const auto steps = [fixedStep](std::uint64_t n) {
        return static_cast<std::int32_t>(static_cast<std::uint64_t>(fixedStep) * n);
    };
    WideSpans w;
    w.ramp[0] = _mm256_mullo_epi32(
        _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7), _mm256_set1_epi32(steps(1)));
    w.ramp[1] = _mm256_add_epi32(w.ramp[0], _mm256_set1_epi32(steps(8)));
    w.advance = _mm256_set1_epi32(steps(16));
    w.flip = _mm256_set1_epi16(static_cast<short>(0x8000));
    w.ids = _mm256_set1_epi16(static_cast<short>(id));
    w.lanes = _mm256_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    w.sixteen = _mm256_set1_epi16(16);
    return w;
}

// Tests and marks `count` centres from `fixed` on, where the row has room for whole groups of
// sixteen and the triangle's depths fit the lanes. Returns whether any passed.
SOFTD3D_AVX2 inline bool MarkWideSpan(const WideSpans& w, std::uint16_t* depth, TriangleId* idRow,
    int count, std::int64_t fixed, bool depthWrite)
{
    const __m256i low = _mm256_set1_epi32(static_cast<std::int32_t>(fixed & 0xFFFF));
    __m256i offsets[2] = { _mm256_add_epi32(w.ramp[0], low), _mm256_add_epi32(w.ramp[1], low) };
    const __m256i base = _mm256_set1_epi32(static_cast<std::int32_t>(fixed >> 16) - 32768);
    __m256i lastLane = _mm256_set1_epi16(static_cast<short>(count - 1));
    bool any = false;
    for (int done = 0; done < count; done += 16) {
        // The pack interleaves the halves of each 128-bit lane; the permutation restores order.
        const __m256i incoming = _mm256_permute4x64_epi64(
            _mm256_packs_epi32(_mm256_add_epi32(base, _mm256_srai_epi32(offsets[0], 16)),
                _mm256_add_epi32(base, _mm256_srai_epi32(offsets[1], 16))),
            0xD8);
        offsets[0] = _mm256_add_epi32(offsets[0], w.advance);
        offsets[1] = _mm256_add_epi32(offsets[1], w.advance);
        auto* depths = reinterpret_cast<__m256i*>(depth + done);
        const __m256i stored = _mm256_loadu_si256(depths);
        const __m256i fails = _mm256_or_si256(_mm256_cmpgt_epi16(w.lanes, lastLane),
            _mm256_cmpgt_epi16(incoming, _mm256_xor_si256(stored, w.flip)));
        lastLane = _mm256_sub_epi16(lastLane, w.sixteen);
        const unsigned failing = static_cast<unsigned>(_mm256_movemask_epi8(fails));
        if (failing == 0xFFFFFFFFu)
            continue;
        any = true;
        if (depthWrite) {
            _mm256_storeu_si256(
                depths, _mm256_blendv_epi8(_mm256_xor_si256(incoming, w.flip), stored, fails));
        }
        auto* marks = reinterpret_cast<__m256i*>(idRow + done);
        if (failing == 0)
            _mm256_storeu_si256(marks, w.ids);
        else
            _mm256_storeu_si256(marks, _mm256_blendv_epi8(w.ids, _mm256_loadu_si256(marks), fails));
    }
    return any;
}

// A row's depth at its anchor column in units (plus one half): the plane in float.
inline double AnchorUnits(const RowDepth& d, int y)
{
    const float z = d.atOrigin + d.dx * (static_cast<float>(d.anchorX) - d.originX)
        + d.dy * (static_cast<float>(y) - d.originY);
    return static_cast<double>(z) * 65535.0 + 0.5;
}

// A span's first depth in 48.16 fixed point: whole steps from the anchor's. The sum wraps only
// for a sliver's plane far beyond any depth, which MarkSpan does not take from here.
inline std::int64_t FirstFixed(const RowDepth& d, int y, int xBegin)
{
    const auto steps = static_cast<std::uint64_t>(d.fixedStep)
        * static_cast<std::uint64_t>(static_cast<std::int64_t>(xBegin - d.anchorX));
    return static_cast<std::int64_t>(
        static_cast<std::uint64_t>(RoundToInteger(AnchorUnits(d, y) * 65536.0)) + steps);
}

inline double FirstUnits(const RowDepth& d, int y, int xBegin)
{
    return AnchorUnits(d, y) + d.unitsStep * (xBegin - d.anchorX);
}

} // namespace

RowDepth MakeRowDepth(const DepthPlane& p, int left, int top, int right, int bottom)
{
    const double unitsStep = static_cast<double>(p.dx) * 65535.0;
    RowDepth d { p.atOrigin, p.dx, p.dy, p.originX, p.originY, left, unitsStep,
        RoundToInteger(unitsStep * 65536.0), false, 0 };
    // Over the triangle the plane's extremes are at its vertices. A span's first depth strays
    // from the plane by a few float roundings of its magnitudes, less than `slack`; the
    // fixed-point steps by half a step's rounding per pixel.
    const double reachX = std::max(std::abs(left - p.originX), std::abs(right - p.originX));
    const double reachY = std::max(std::abs(top - p.originY), std::abs(bottom - p.originY));
    const double dx = p.dx, dy = p.dy;
    const double slack
        = (std::abs(p.atOrigin) + std::abs(dx) * reachX + std::abs(dy) * reachY) / (1 << 20);
    const double first = p.atOrigin;
    const double second = first + dx * p.x10 + dy * p.y10;
    const double third = first + dx * p.x20 + dy * p.y20;
    const double least = std::min({ first, second, third }) - slack;
    const double most = std::max({ first, second, third }) + slack;
    const double drift = 1.0 / 32 + (right - left + 1) / 65536.0;
    d.inRange = least * 65535.0 + 0.5 - drift >= 0.0 && most * 65535.0 + 0.5 + drift < 65536.0;
    // The lanes reach sixteen steps beyond a span's centres, which they count in 16 bits.
    const std::uint64_t step = d.fixedStep < 0 ? 0 - static_cast<std::uint64_t>(d.fixedStep)
                                               : static_cast<std::uint64_t>(d.fixedStep);
    const std::uint64_t lanes
        = ((std::uint64_t { 1 } << 30) - 1) / std::max<std::uint64_t>(step, 1);
    d.laneCount = static_cast<int>(std::min<std::uint64_t>(lanes, 0x7FFF)) - 16;
    return d;
}

namespace {

// Depth-tests the centres x = xBegin..xEnd of row y and marks those that pass with `id`.
// Returns whether any passed.
bool MarkSpan(const SpanTarget& t, const RowDepth& d, int y, int xBegin, int xEnd, TriangleId id)
{
    const RenderTarget& target = *t.target;
    TriangleId* idRow = t.ids + static_cast<std::ptrdiff_t>(y) * target.pitch;
    if (target.depth == nullptr || !t.depthTest) {
        std::fill(idRow + xBegin, idRow + xEnd + 1, id);
        return true;
    }
    std::uint16_t* depth = target.depth + static_cast<std::ptrdiff_t>(y) * target.pitch;
    // The integer steps keep every pixel of a long span within 1/65536 of a unit of its exact
    // depth. Inside the triangle depth stays within 0..1 but for rounding, so only a span whose
    // ends stray outside is clamped pixel by pixel.
    const double units = FirstUnits(d, y, xBegin);
    std::int64_t fixed
        = std::abs(units) < 0x1p40 ? FirstFixed(d, y, xBegin) : RoundToInteger(units * 65536.0);
    const std::int64_t fixedStep = d.fixedStep;
    const double unitsEnd = units + d.unitsStep * (xEnd - xBegin);
    bool any = false;
    int x = xBegin;
    if (units >= 0.0 && units < 65536.0 && unitsEnd >= 0.0 && unitsEnd < 65536.0) {
        const int done = MarkLessEqualByEights(depth + xBegin, idRow + xBegin, xEnd - xBegin + 1,
            target.pitch - xBegin, fixed, fixedStep, t.depthWrite, id, any);
        fixed += fixedStep * done;
        x += done;
    }
    for (; x <= xEnd; ++x, fixed += fixedStep) {
        const std::int64_t whole = std::clamp<std::int64_t>(fixed >> 16, 0, 65535);
        const std::uint16_t z16 = static_cast<std::uint16_t>(whole);
        if (z16 > depth[x])
            continue;
        if (t.depthWrite)
            depth[x] = z16;
        idRow[x] = id;
        any = true;
    }
    return any;
}

// The centres of row `row` (counted from the box's top) inside all three edges, counted from the
// box's left. Empty: begin > end.
struct Span {
    int begin, end;
};

inline Span SpanOf(const RowWalks& walks, int last)
{
    const std::int64_t begin
        = std::max({ std::int64_t { 0 }, walks.left[0].bound, walks.left[1].bound });
    const std::int64_t end
        = std::min({ std::int64_t { last }, walks.right[0].bound, walks.right[1].bound });
    return begin > end ? Span { 1, 0 } : Span { static_cast<int>(begin), static_cast<int>(end) };
}

inline bool Hidden(const TriangleRows& rows, int row)
{
    const int blockRow = (row >> DepthBounds::kBlockBits) - (rows.top >> DepthBounds::kBlockBits);
    return blockRow < 64 && ((rows.hiddenBlockRows >> blockRow) & 1) != 0;
}

MarkedRows MarkRowsNarrow(
    const SpanTarget& t, const RowDepth& d, RowWalks walks, const TriangleRows& rows, TriangleId id)
{
    MarkedRows marked { rows.top + walks.lastRow + 1, rows.top + walks.firstRow - 1 };
    for (int row = rows.top + walks.firstRow; row <= rows.top + walks.lastRow;
         ++row, walks.NextRow()) {
        const Span span = Hidden(rows, row) ? Span { 1, 0 } : SpanOf(walks, rows.last);
        if (span.begin > span.end)
            continue;
        const int end = rows.left + span.end;
        bool any = false;
        if (rows.within == nullptr) {
            any = MarkSpan(t, d, row, rows.left + span.begin, end, id);
        } else {
            int partEnd = 0;
            const int blockRow = row >> DepthBounds::kBlockBits;
            for (int x = rows.left + span.begin;
                 x <= end && rows.within->NextPart(blockRow, x, end, partEnd); x = partEnd + 1)
                any = MarkSpan(t, d, row, x, partEnd, id) || any;
        }
        if (any) {
            marked.top = std::min(marked.top, row);
            marked.bottom = row;
        }
    }
    return marked;
}

// The four edge walks of RowWalks in the lanes of one register: the left ones, then the right
// ones with their bounds negated, so that a row's bounds on both sides are maxima of pairs and
// every lane steps alike.
struct WideWalks {
    __m256i bound, rest, sizeLess1, size, boundStep, restStep;

    SOFTD3D_AVX2 void NextRow()
    {
        rest = _mm256_add_epi64(rest, restStep);
        const __m256i over = _mm256_cmpgt_epi64(rest, sizeLess1); // all ones: -1
        rest = _mm256_sub_epi64(rest, _mm256_and_si256(over, size));
        bound = _mm256_add_epi64(_mm256_add_epi64(bound, boundStep), over);
    }

    SOFTD3D_AVX2 Span SpanOf(int last) const
    {
        const __m256i swapped = _mm256_permute4x64_epi64(bound, 0xB1);
        const __m256i most = _mm256_blendv_epi8(swapped, bound, _mm256_cmpgt_epi64(bound, swapped));
        const std::int64_t begin = std::max<std::int64_t>(0, _mm256_extract_epi64(most, 0));
        const std::int64_t end = std::min<std::int64_t>(last, -_mm256_extract_epi64(most, 2));
        return begin > end ? Span { 1, 0 }
                           : Span { static_cast<int>(begin), static_cast<int>(end) };
    }
};

SOFTD3D_AVX2 inline WideWalks Widened(const RowWalks& w)
{
    const EdgeWalk* walks[4] = { &w.left[0], &w.left[1], &w.right[0], &w.right[1] };
    alignas(32) std::int64_t fields[5][4];
    for (int i = 0; i < 4; ++i) {
        const EdgeWalk& e = *walks[i];
        const std::int64_t sign = i < 2 ? 1 : -1;
        fields[0][i] = sign * e.bound;
        fields[1][i] = e.rest;
        fields[2][i] = e.size;
        fields[3][i] = sign * e.boundStep;
        fields[4][i] = e.restStep;
    }
    __m256i lanes[5];
    for (int k = 0; k < 5; ++k)
        lanes[k] = _mm256_load_si256(reinterpret_cast<const __m256i*>(fields[k]));
    return { lanes[0], lanes[1], _mm256_sub_epi64(lanes[2], _mm256_set1_epi64x(1)), lanes[2],
        lanes[3], lanes[4] };
}

// What MarkRowsWide writes through, copied where the vector stores cannot be taken to change it,
// so that it stays in registers.
struct WideTarget {
    std::uint16_t* depths;
    TriangleId* ids;
    int pitch;
    bool depthWrite;
};

// Tests and marks the centres x..end of one row of MarkRowsWide: sixteen at a time where they fit
// the lanes and the row. Returns whether any passed.
SOFTD3D_AVX2 inline bool MarkWidePart(const WideSpans& wide, const WideTarget& w,
    const SpanTarget& t, const RowDepth& d, int row, int x, int end, TriangleId id)
{
    const int count = end - x + 1;
    const std::ptrdiff_t at = static_cast<std::ptrdiff_t>(row) * w.pitch + x;
    return count <= d.laneCount && w.pitch - x >= ((count + 15) & ~15)
        ? MarkWideSpan(wide, w.depths + at, w.ids + at, count, FirstFixed(d, row, x), w.depthWrite)
        : MarkSpan(t, d, row, x, end, id);
}

// The marks of a block row of the patch, read once for its eight pixel rows: bit i is block
// column `first` + i.
struct PatchRow {
    std::uint64_t marks;
    int first;
};

// MarkWidePart for each part of x..end in marked blocks of `patch`, which holds every column of
// the row's span. Returns whether any centre passed.
SOFTD3D_AVX2 inline bool MarkPatchedParts(const WideSpans& wide, const WideTarget& w,
    const SpanTarget& t, const RowDepth& d, int row, int x, int end, TriangleId id,
    const PatchRow& patch)
{
    constexpr int kBits = DepthBounds::kBlockBits;
    int column = (x >> kBits) - patch.first;
    const int lastColumn = (end >> kBits) - patch.first;
    std::uint64_t marks = patch.marks >> column;
    if (lastColumn - column < 63)
        marks &= (std::uint64_t { 2 } << (lastColumn - column)) - 1;
    bool any = false;
    while (marks != 0) {
        const int skipped = std::countr_zero(marks);
        column += skipped;
        marks >>= skipped;
        const int run = std::countr_one(marks);
        const int from = std::max(x, (patch.first + column) << kBits);
        const int to = std::min(end, ((patch.first + column + run) << kBits) - 1);
        any = MarkWidePart(wide, w, t, d, row, from, to, id) || any;
        if (run >= 64)
            break;
        column += run;
        marks >>= run;
    }
    return any;
}

// MarkRowsNarrow for a triangle whose depths stay in range, on a processor with AVX2. The rows
// go by rows of blocks, so that a hidden one is passed over whole.
SOFTD3D_AVX2 MarkedRows MarkRowsWide(const SpanTarget& t, const RowDepth& d,
    const RowWalks& rowWalks, const TriangleRows& rows, TriangleId id)
{
    const WideSpans wide = MakeWideSpans(d.fixedStep, id);
    WideWalks walks = Widened(rowWalks);
    // Copies the vector stores cannot be taken to change, so that they stay in registers.
    const RowDepth depth = d;
    const WideTarget target { t.target->depth, t.ids, t.target->pitch, t.depthWrite };
    const int left = rows.left, last = rows.last;
    const BlockMask* const within = rows.within;
    MarkedRows marked { rows.top + rowWalks.lastRow + 1, rows.top + rowWalks.firstRow - 1 };
    const int lastRow = rows.top + rowWalks.lastRow;
    // A box up to 64 blocks wide reads each block row of the patch once.
    constexpr int kBits = DepthBounds::kBlockBits;
    PatchRow patch { 0, left >> kBits };
    const bool patchInWord = within != nullptr && ((left + last) >> kBits) - patch.first < 64;
    for (int row = rows.top + rowWalks.firstRow; row <= lastRow;) {
        const int blockEnd = std::min(lastRow, row | (DepthBounds::kBlockSide - 1));
        if (patchInWord)
            patch.marks = within->RowFrom(row >> kBits, patch.first);
        if (Hidden(rows, row) || (patchInWord && patch.marks == 0)) {
            for (; row <= blockEnd; ++row)
                walks.NextRow();
            continue;
        }
        for (; row <= blockEnd; ++row, walks.NextRow()) {
            const Span span = walks.SpanOf(last);
            if (span.begin > span.end)
                continue;
            const int end = left + span.end;
            bool any = false;
            if (within == nullptr) {
                any = MarkWidePart(wide, target, t, depth, row, left + span.begin, end, id);
            } else if (patchInWord) {
                any = MarkPatchedParts(
                    wide, target, t, depth, row, left + span.begin, end, id, patch);
            } else {
                // As MarkRowsNarrow; no lambda: it would not be compiled for AVX2.
                int partEnd = 0;
                const int blockRow = row >> DepthBounds::kBlockBits;
                for (int x = left + span.begin;
                     x <= end && within->NextPart(blockRow, x, end, partEnd); x = partEnd + 1)
                    any = MarkWidePart(wide, target, t, depth, row, x, partEnd, id) || any;
            }
            if (any) {
                marked.top = std::min(marked.top, row);
                marked.bottom = row;
            }
        }
    }
    return marked;
}

} // namespace

bool WideVectors()
{
    return wideVectors;
}

void UseWideLoops(bool wide)
{
    wideVectors = wide && ProcessorHasAvx2();
}

MarkedRows MarkRows(const SpanTarget& t, const RowDepth& d, const RowWalks& walks,
    const TriangleRows& rows, TriangleId id)
{
    const bool wide = wideVectors && d.inRange && t.target->depth != nullptr && t.depthTest;
    return wide ? MarkRowsWide(t, d, walks, rows, id) : MarkRowsNarrow(t, d, walks, rows, id);
}

} // namespace softd3d
