#include "platform/d3d9/block_mask.h"

#include <algorithm>

namespace softd3d {

void BlockMask::Reset(int width, int height)
{
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    blocksX_ = (width_ + DepthBounds::kBlockSide - 1) >> kBits;
    blocksY_ = (height_ + DepthBounds::kBlockSide - 1) >> kBits;
    words_ = (blocksX_ + 63) >> 6;
    bits_.assign(static_cast<std::size_t>(words_) * blocksY_, 0);
    count_ = 0;
    bounds_ = {};
}

void BlockMask::Add(const PixelRect& rect)
{
    const PixelRect r = Within(rect, { 0, 0, width_, height_ });
    if (r.Empty())
        return;
    constexpr int kSide = DepthBounds::kBlockSide;
    const PixelRect blocks
        = Within({ r.left & ~(kSide - 1), r.top & ~(kSide - 1),
                     (r.right + kSide - 1) & ~(kSide - 1), (r.bottom + kSide - 1) & ~(kSide - 1) },
            { 0, 0, width_, height_ });
    if (bounds_.Empty())
        bounds_ = blocks;
    else
        bounds_.Add(blocks);
    for (int by = r.top >> kBits; by <= (r.bottom - 1) >> kBits; ++by) {
        std::uint64_t* row = bits_.data() + static_cast<std::size_t>(by) * words_;
        for (int bx = r.left >> kBits; bx <= (r.right - 1) >> kBits; ++bx) {
            const std::uint64_t bit = std::uint64_t { 1 } << (bx & 63);
            count_ += (row[bx >> 6] & bit) == 0;
            row[bx >> 6] |= bit;
        }
    }
}

bool BlockMask::Meets(const PixelRect& rect) const
{
    const PixelRect r = Within(rect, { 0, 0, width_, height_ });
    if (r.Empty() || !r.Meets(bounds_))
        return false;
    for (int by = r.top >> kBits; by <= (r.bottom - 1) >> kBits; ++by) {
        int from = r.left, partEnd = 0;
        if (NextPart(by, from, r.right - 1, partEnd))
            return true;
    }
    return false;
}

} // namespace softd3d
