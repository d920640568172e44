#include "platform/d3d9/block_mask.h"

#include <algorithm>
#include <bit>

namespace softd3d {

void BlockMask::Reset(int width, int height)
{
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    blocksX_ = (width_ + DepthBounds::kBlockSide - 1) >> kBits;
    blocksY_ = (height_ + DepthBounds::kBlockSide - 1) >> kBits;
    words_ = (blocksX_ + 63) >> 6;
    bits_.assign(static_cast<std::size_t>(words_) * blocksY_, 0);
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
    // A word of columns at a time: a patch marks the box of every triangle that changed.
    const int firstColumn = r.left >> kBits, lastColumn = (r.right - 1) >> kBits;
    for (int by = r.top >> kBits; by <= (r.bottom - 1) >> kBits; ++by) {
        std::uint64_t* row = bits_.data() + static_cast<std::size_t>(by) * words_;
        for (int word = firstColumn >> 6; word <= lastColumn >> 6; ++word) {
            const int from = std::max(firstColumn - (word << 6), 0);
            const int to = std::min(lastColumn - (word << 6), 63);
            const std::uint64_t upTo
                = to == 63 ? ~std::uint64_t { 0 } : (std::uint64_t { 2 } << to) - 1;
            const std::uint64_t columns = upTo & (~std::uint64_t { 0 } << from);
            row[word] |= columns;
        }
    }
}

int BlockMask::Count() const
{
    // Counted when asked, once a frame, rather than in every Add.
    int count = 0;
    for (const std::uint64_t word : bits_)
        count += std::popcount(word);
    return count;
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
