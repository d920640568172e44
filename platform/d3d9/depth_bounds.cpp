#include "platform/d3d9/depth_bounds.h"

#include <algorithm>

#include <emmintrin.h>

namespace softd3d {

void DepthBounds::Reset(int width, int height)
{
    width_ = width;
    height_ = height;
    blocksX_ = (width + kBlockSide - 1) >> kBlockBits;
    blocksY_ = (height + kBlockSide - 1) >> kBlockBits;
    const std::size_t blocks = static_cast<std::size_t>(blocksX_) * blocksY_;
    bound_.assign(blocks, 0xFFFF);
    loose_.assign(blocks, 1);
}

void DepthBounds::Filled(int left, int top, int right, int bottom, std::uint16_t depth)
{
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, width_);
    bottom = std::min(bottom, height_);
    if (left >= right || top >= bottom)
        return;
    for (int by = top >> kBlockBits; by <= (bottom - 1) >> kBlockBits; ++by) {
        const int blockTop = by << kBlockBits;
        const bool rowsCovered
            = top <= blockTop && bottom >= std::min(blockTop + kBlockSide, height_);
        for (int bx = left >> kBlockBits; bx <= (right - 1) >> kBlockBits; ++bx) {
            const int blockLeft = bx << kBlockBits;
            const std::size_t block = static_cast<std::size_t>(by) * blocksX_ + bx;
            if (rowsCovered && left <= blockLeft
                && right >= std::min(blockLeft + kBlockSide, width_)) {
                bound_[block] = depth;
                loose_[block] = 0;
            } else {
                bound_[block] = std::max(bound_[block], depth);
                loose_[block] = 1;
            }
        }
    }
}

void DepthBounds::Lowered(int left, int top, int right, int bottom)
{
    for (int by = top >> kBlockBits; by <= bottom >> kBlockBits; ++by) {
        std::uint8_t* row = loose_.data() + static_cast<std::size_t>(by) * blocksX_;
        std::fill(row + (left >> kBlockBits), row + (right >> kBlockBits) + 1, std::uint8_t { 1 });
    }
}

void DepthBounds::Tighten(const std::uint16_t* depth, int pitch, std::size_t block, int bx, int by)
{
    const int left = bx << kBlockBits, top = by << kBlockBits;
    const int right = std::min(left + kBlockSide, width_);
    const int bottom = std::min(top + kBlockSide, height_);
    std::uint16_t highest = 0;
    if (right - left == kBlockSide) {
        // Unsigned maxima as signed ones of the values with their top bit flipped.
        const __m128i flip = _mm_set1_epi16(static_cast<short>(0x8000));
        __m128i most = _mm_set1_epi16(static_cast<short>(0x8000));
        for (int y = top; y < bottom; ++y) {
            const auto* row = reinterpret_cast<const __m128i*>(
                depth + static_cast<std::ptrdiff_t>(y) * pitch + left);
            most = _mm_max_epi16(most, _mm_xor_si128(_mm_loadu_si128(row), flip));
        }
        most = _mm_max_epi16(most, _mm_srli_si128(most, 8));
        most = _mm_max_epi16(most, _mm_srli_si128(most, 4));
        most = _mm_max_epi16(most, _mm_srli_si128(most, 2));
        highest = static_cast<std::uint16_t>(_mm_cvtsi128_si32(most) ^ 0x8000);
    } else {
        for (int y = top; y < bottom; ++y) {
            const std::uint16_t* row = depth + static_cast<std::ptrdiff_t>(y) * pitch;
            highest = std::max(highest, *std::max_element(row + left, row + right));
        }
    }
    bound_[block] = highest;
    loose_[block] = 0;
}

} // namespace softd3d
