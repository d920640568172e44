// Mip chains made from decoded images: stretching, colour key, edge handling and halving.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/d3dx9/texture_filtering.h"

namespace {

using platform::TextureRequest;
using softd3d::TextureLevel;

TextureLevel Image(int width, int height, std::vector<std::uint32_t> argb)
{
    TextureLevel image;
    image.width = width;
    image.height = height;
    image.argb = std::move(argb);
    return image;
}

// Ten solid 30x30 tiles side by side, like the sticker bitmap.
TextureLevel Tiles(const std::vector<std::uint32_t>& colours)
{
    TextureLevel image;
    image.width = 30 * static_cast<int>(colours.size());
    image.height = 30;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < image.width; ++x)
            image.argb.push_back(colours[x / 30]);
    return image;
}

int Channel(std::uint32_t argb, int shift)
{
    return static_cast<int>((argb >> shift) & 0xFF);
}

TEST(TextureFiltering, stretched_tiles_keep_their_colour_at_their_centres)
{
    const std::vector<std::uint32_t> colours { 0xFFFFFFFF, 0xFFFFFF09, 0xFFFF6B24, 0xFF4DD917,
        0xFFF92D1C, 0xFF334DDD, 0xFF000000, 0xFF171717, 0xFF008080, 0xFF008080 };
    for (DWORD filter : { D3DX_FILTER_TRIANGLE | D3DX_FILTER_MIRROR, D3DX_FILTER_TRIANGLE,
             D3DX_FILTER_LINEAR, D3DX_FILTER_BOX, D3DX_FILTER_POINT }) {
        const TextureLevel level = platform::Resample(Tiles(colours), 512, 32, filter);
        for (int c = 0; c < 10; ++c) {
            const int x = (30 * c + 15) * 512 / 300;
            EXPECT_EQ(level.argb[16 * 512 + x], colours[c]) << "tile " << c << " filter " << filter;
        }
    }
}

TEST(TextureFiltering, enlarging_with_triangle_interpolates_linearly)
{
    // 2 -> 4 pixels: destination centres at source 0.25 * ... -0.25, 0.25, 0.75, 1.25.
    const TextureLevel level = platform::Resample(
        Image(2, 1, { 0xFF000000, 0xFFC8C8C8 }), 4, 1, D3DX_FILTER_TRIANGLE | D3DX_FILTER_MIRROR);
    ASSERT_EQ(level.argb.size(), 4u);
    EXPECT_EQ(Channel(level.argb[0], 0), 0); // mirrored edge: the first pixel again
    EXPECT_EQ(Channel(level.argb[1], 0), 50); // 0.25 of the way
    EXPECT_EQ(Channel(level.argb[2], 0), 150);
    EXPECT_EQ(Channel(level.argb[3], 0), 200);
}

TEST(TextureFiltering, edges_wrap_unless_mirrored)
{
    // Shrinking 4 -> 2 with the triangle filter reaches one pixel past each edge.
    const TextureLevel image = Image(4, 1, { 0xFF000000, 0xFF000000, 0xFF000000, 0xFFFFFFFF });
    const TextureLevel wrapped = platform::Resample(image, 2, 1, D3DX_FILTER_TRIANGLE);
    const TextureLevel mirrored
        = platform::Resample(image, 2, 1, D3DX_FILTER_TRIANGLE | D3DX_FILTER_MIRROR);
    EXPECT_GT(Channel(wrapped.argb[0], 0), 0); // the white right edge wraps onto the left
    EXPECT_EQ(Channel(mirrored.argb[0], 0), 0);
}

TEST(TextureFiltering, box_halving_averages_two_by_two)
{
    const TextureLevel level = platform::Resample(
        Image(2, 2, { 0xFF000000, 0xFF0000FF, 0x00000000, 0xFF0000FF }), 1, 1, D3DX_FILTER_BOX);
    EXPECT_EQ(level.argb[0], 0xBF000080u);
}

TEST(TextureFiltering, colour_key_clears_matching_pixels_before_resampling)
{
    TextureRequest request;
    request.width = 4;
    request.height = 1;
    request.mipLevels = 1;
    request.filter = D3DX_FILTER_LINEAR;
    request.colourKey = 0xFF000000;
    // Exact size: level 0 is the keyed image itself.
    const auto exact = platform::BuildMipChain(
        Image(4, 1, { 0xFF000000, 0xFF010000, 0xFFFFFFFF, 0xFF000000 }), request);
    const std::vector<std::uint32_t> expected { 0x00000000, 0xFF010000, 0xFFFFFFFF, 0x00000000 };
    EXPECT_EQ(exact[0].argb, expected);

    // Stretched: a keyed pixel blends in as transparent black.
    request.width = 8;
    const auto stretched = platform::BuildMipChain(
        Image(4, 1, { 0xFFFFFFFF, 0xFFFFFFFF, 0xFF000000, 0xFF000000 }), request);
    EXPECT_EQ(stretched[0].argb[6], 0x00000000u);
    EXPECT_EQ(Channel(stretched[0].argb[4], 24), Channel(stretched[0].argb[4], 16));
}

TEST(TextureFiltering, no_filter_copies_without_scaling)
{
    const TextureLevel level
        = platform::Resample(Image(2, 1, { 0xFF112233, 0xFF445566 }), 3, 2, D3DX_FILTER_NONE);
    const std::vector<std::uint32_t> expected { 0xFF112233, 0xFF445566, 0, 0, 0, 0 };
    EXPECT_EQ(level.argb, expected);
}

} // namespace
