#pragma once
// A coarse view of the depth buffer: for each block of 8x8 pixels an upper bound of its depths.
// A triangle whose nearest depth lies beyond the bound of every block it reaches would fail the
// less-or-equal test at each of its pixels, so the rasterizer drops it before testing its rows.
// A bound is exact after a clear; draws only lower depths, so it stays an upper bound but grows
// loose, and a loose bound is made exact again from the depths when a triangle asks about it.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace softd3d {

class DepthBounds {
public:
    static constexpr int kBlockBits = 3;
    static constexpr int kBlockSide = 1 << kBlockBits;

    // Bounds of a depth buffer of this size whose contents are not known: all loose.
    void Reset(int width, int height);
    // The pixels x = left..right - 1, y = top..bottom - 1 were all set to `depth`.
    void Filled(int left, int top, int right, int bottom, std::uint16_t depth);
    // Draws may have changed the depths of the pixels x = left..right, y = top..bottom (inclusive)
    // towards the viewer.
    void Lowered(int left, int top, int right, int bottom);
    // Whether every depth in block (bx, by) of `depth` (`pitch` pixels a row) is below `nearest`.
    bool AllBelow(const std::uint16_t* depth, int pitch, int bx, int by, std::uint16_t nearest)
    {
        const std::size_t block = static_cast<std::size_t>(by) * blocksX_ + bx;
        if (bound_[block] < nearest)
            return true;
        if (!loose_[block])
            return false;
        Tighten(depth, pitch, block, bx, by);
        return bound_[block] < nearest;
    }

private:
    void Tighten(const std::uint16_t* depth, int pitch, std::size_t block, int bx, int by);

    int width_ = 0, height_ = 0;
    int blocksX_ = 0, blocksY_ = 0;
    std::vector<std::uint16_t> bound_;
    std::vector<std::uint8_t> loose_;
};

} // namespace softd3d
