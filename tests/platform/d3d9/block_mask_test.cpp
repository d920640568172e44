// The blocks a patched frame is drawn again in, as the rasterizer's scissor walks them: runs
// that cross the 64-block words of a row, and blocks cut off by the frame's edge.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "platform/d3d9/block_mask.h"

namespace softd3d {
namespace {

using Parts = std::vector<std::pair<int, int>>;

Parts PartsOf(const BlockMask& mask, int blockRow, int begin, int end)
{
    Parts parts;
    mask.ForEachPart(blockRow, begin, end, [&](int b, int e) { parts.emplace_back(b, e); });
    return parts;
}

TEST(BlockMask, a_row_is_cut_to_its_marked_blocks_across_words_and_at_the_frame_edge)
{
    BlockMask mask;
    mask.Reset(1030, 20); // 129 blocks a row, in three words; the last block is cut short
    mask.Add({ 500, 3, 530, 5 }); // blocks 62..66 of block row 0, across the first word's end
    mask.Add({ 1020, 10, 1100, 12 }); // blocks 127..128 of block row 1, past the frame's edge
    EXPECT_EQ(PartsOf(mask, 0, 0, 1029), (Parts { { 496, 535 } }));
    EXPECT_EQ(PartsOf(mask, 0, 510, 520), (Parts { { 510, 520 } }));
    EXPECT_EQ(PartsOf(mask, 0, 0, 495), Parts {});
    EXPECT_EQ(PartsOf(mask, 1, 0, 1029), (Parts { { 1016, 1029 } }));
    EXPECT_EQ(PartsOf(mask, 2, 0, 1029), Parts {});
    EXPECT_TRUE(mask.Meets({ 530, 0, 540, 8 }));
    EXPECT_FALSE(mask.Meets({ 536, 0, 600, 8 }));
    EXPECT_EQ(mask.Count(), 7);
    const PixelRect box = mask.Bounds(); // whole blocks: the window takes every pixel of them
    EXPECT_EQ(std::vector<int>({ box.left, box.top, box.right, box.bottom }),
        std::vector<int>({ 496, 0, 1030, 16 }));
}

} // namespace
} // namespace softd3d
