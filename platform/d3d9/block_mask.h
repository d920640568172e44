#pragma once
// A set of the frame's 8x8 blocks (the blocks of DepthBounds), a bit each: where a frame patched
// over the last one is drawn again. A patch's blocks are those of the triangles that changed,
// so it follows a turning layer's outline rather than the box around it.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <vector>

#include "platform/d3d9/depth_bounds.h"
#include "platform/d3d9/frame_buffer.h"

namespace softd3d {

class BlockMask {
public:
    static constexpr int kBits = DepthBounds::kBlockBits;

    // For a frame of this size, no block marked. Allocates only when the size changes.
    void Reset(int width, int height);
    // Marks the blocks holding any pixel of `rect` (clipped to the frame).
    void Add(const PixelRect& rect);
    // Whether any block holding a pixel of `rect` is marked.
    bool Meets(const PixelRect& rect) const;
    int Count() const;
    int Blocks() const { return blocksX_ * blocksY_; }
    // The box around every marked block (whole blocks, within the frame).
    const PixelRect& Bounds() const { return bounds_; }

    // The marks of block row `by` from block column `first` on (bit i: column first + i).
    std::uint64_t RowFrom(int by, int first) const
    {
        const std::uint64_t* row = bits_.data() + static_cast<std::size_t>(by) * words_;
        const int word = first >> 6, shift = first & 63;
        if (word >= words_)
            return 0;
        const std::uint64_t low = row[word] >> shift;
        return shift == 0 || word + 1 >= words_ ? low : low | (row[word + 1] << (64 - shift));
    }

    // The first part of the pixels from..end (inclusive) of a row in block row `by` that lies in
    // marked blocks: moves `from` to its first pixel and sets `partEnd` to its last, or returns
    // false when there is none.
    bool NextPart(int by, int& from, int end, int& partEnd) const
    {
        const int last = end >> kBits;
        for (int column = from >> kBits; column <= last; column += 64) {
            std::uint64_t bits = RowFrom(by, column);
            if (last - column < 63)
                bits &= (std::uint64_t { 2 } << (last - column)) - 1;
            if (bits == 0)
                continue;
            column += std::countr_zero(bits);
            from = std::max(from, column << kBits);
            const int run = std::countr_one(RowFrom(by, column));
            partEnd = std::min(end, ((column + run) << kBits) - 1);
            return true;
        }
        return false;
    }

    // Calls f(begin, end) for each part of the pixels begin..end of a row in block row `by` that
    // lies in marked blocks.
    template <typename F> void ForEachPart(int by, int begin, int end, F&& f) const
    {
        int partEnd = 0;
        for (int x = begin; x <= end && NextPart(by, x, end, partEnd); x = partEnd + 1)
            f(x, partEnd);
    }

    // Calls f(rect) for each run of marked blocks along a block row, clipped to the frame.
    template <typename F> void ForEachRun(F&& f) const
    {
        for (int by = 0; by < blocksY_; ++by) {
            const int top = by << kBits, bottom = std::min(height_, (by + 1) << kBits);
            ForEachPart(by, 0, width_ - 1, [&](int left, int right) {
                f(PixelRect { left, top, right + 1, bottom });
            });
        }
    }

private:
    int width_ = 0, height_ = 0;
    int blocksX_ = 0, blocksY_ = 0, words_ = 0;
    std::vector<std::uint64_t> bits_;
    PixelRect bounds_;
};

} // namespace softd3d
