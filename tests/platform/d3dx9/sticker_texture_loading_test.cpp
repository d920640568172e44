// Sticker textures made by D3DXCreateTextureFromResourceA / ExA from the embedded bitmap 103.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tests/platform/d3dx9/d3dx9_test_device.h"

namespace {

// Tile colours of the sticker bitmap (tile 6 is a picture, left out).
constexpr std::uint32_t kTileColours[10] = { 0xFFFFFF, 0xFFFF09, 0xFF6B24, 0x4DD917, 0xF92D1C,
    0x334DDD, 0, 0x171717, 0x008080, 0x008080 };

class StickerTexture : public D3dx9DeviceTest {
protected:
    void TearDown() override
    {
        if (texture_)
            texture_->Release();
        D3dx9DeviceTest::TearDown();
    }

    HRESULT CreateKeyed()
    {
        // The arguments device set-up passes for the colour-keyed sticker texture.
        return D3DXCreateTextureFromResourceExA(device_, nullptr, MAKEINTRESOURCEA(103),
            D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
            D3DX_FILTER_TRIANGLE | D3DX_FILTER_MIRROR, D3DX_FILTER_TRIANGLE | D3DX_FILTER_MIRROR,
            0xFF000000, nullptr, nullptr, &texture_);
    }

    const std::vector<softd3d::TextureLevel>& Levels()
    {
        const auto* levels = softd3d::TextureLevels(texture_);
        EXPECT_NE(levels, nullptr);
        static const std::vector<softd3d::TextureLevel> none;
        return levels ? *levels : none;
    }

    IDirect3DTexture9* texture_ = nullptr;
};

void ExpectStretchedChain(const std::vector<softd3d::TextureLevel>& levels)
{
    ASSERT_EQ(levels.size(), 10u);
    EXPECT_EQ(levels[0].width, 512);
    EXPECT_EQ(levels[0].height, 32);
    EXPECT_EQ(levels[9].width, 1);
    EXPECT_EQ(levels[9].height, 1);
    for (int c = 0; c < 10; ++c) {
        if (c == 6)
            continue;
        const int x = (30 * c + 15) * 512 / 300;
        EXPECT_EQ(levels[0].argb[16 * 512 + x] & 0xFFFFFFu, kTileColours[c]) << "tile " << c;
    }
    // Stretched, not padded: the columns near the right edge are still the teal of tile 9.
    EXPECT_EQ(levels[0].argb[16 * 512 + 505] & 0xFFFFFFu, 0x008080u);
}

// The smallest alpha inside and outside tile 6's columns (with a margin for blending).
std::pair<int, int> AlphaRange(const softd3d::TextureLevel& level)
{
    int insidePicture = 255, elsewhere = 255;
    for (int y = 0; y < level.height; ++y) {
        for (int x = 0; x < level.width; ++x) {
            const int alpha = static_cast<int>(level.argb[y * level.width + x] >> 24);
            const bool picture = x * 300 >= 178 * 512 && x * 300 < 212 * 512;
            int& slot = picture ? insidePicture : elsewhere;
            slot = std::min(slot, alpha);
        }
    }
    return { insidePicture, elsewhere };
}

TEST_F(StickerTexture, keyed_texture_is_a_full_512x32_chain_with_the_tile_colours)
{
    ASSERT_EQ(CreateKeyed(), D3D_OK);
    ASSERT_NE(texture_, nullptr);
    EXPECT_EQ(texture_->GetLevelCount(), 10u);
    ExpectStretchedChain(Levels());
}

TEST_F(StickerTexture, colour_key_makes_the_pictures_black_outline_transparent_only_when_asked)
{
    IDirect3DTexture9* plain = nullptr;
    ASSERT_EQ(
        D3DXCreateTextureFromResourceA(device_, nullptr, MAKEINTRESOURCEA(103), &plain), D3D_OK);
    const softd3d::TextureLevel opaque = softd3d::TextureLevels(plain)->at(0);
    plain->Release();
    ASSERT_EQ(CreateKeyed(), D3D_OK);
    const softd3d::TextureLevel& keyed = Levels().at(0);

    // The darkest texel of the picture: the outline, opaque without the key, clear with it.
    std::size_t darkest = 0;
    int darkness = 256 * 3;
    for (std::size_t i = 0; i < opaque.argb.size(); ++i) {
        const std::uint32_t t = opaque.argb[i];
        const int sum = static_cast<int>(((t >> 16) & 0xFF) + ((t >> 8) & 0xFF) + (t & 0xFF));
        if (sum < darkness) {
            darkness = sum;
            darkest = i;
        }
    }
    const int x = static_cast<int>(darkest % 512);
    EXPECT_GE(x * 300, 180 * 512);
    EXPECT_LT(x * 300, 210 * 512);
    EXPECT_LT(darkness, 3 * 0x40);
    EXPECT_EQ(opaque.argb[darkest] >> 24, 0xFFu);
    EXPECT_LT(keyed.argb[darkest] >> 24, 0x80u);

    const auto [picture, elsewhere] = AlphaRange(keyed);
    EXPECT_LT(picture, 0x80);
    EXPECT_EQ(elsewhere, 0xFF);
}

TEST_F(StickerTexture, default_texture_is_opaque_everywhere)
{
    ASSERT_EQ(
        D3DXCreateTextureFromResourceA(device_, nullptr, MAKEINTRESOURCEA(103), &texture_), D3D_OK);
    EXPECT_EQ(texture_->GetLevelCount(), 10u);
    ExpectStretchedChain(Levels());
    for (const softd3d::TextureLevel& level : Levels()) {
        for (std::uint32_t texel : level.argb)
            ASSERT_EQ(texel >> 24, 0xFFu);
    }
}

TEST_F(StickerTexture, explicit_size_and_level_count_are_kept)
{
    ASSERT_EQ(D3DXCreateTextureFromResourceExA(device_, nullptr, MAKEINTRESOURCEA(103), 64, 8, 1, 0,
                  D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, D3DX_FILTER_BOX, D3DX_DEFAULT, 0, nullptr,
                  nullptr, &texture_),
        D3D_OK);
    ASSERT_EQ(Levels().size(), 1u);
    EXPECT_EQ(Levels()[0].width, 64);
    EXPECT_EQ(Levels()[0].height, 8);
}

// The program makes one texture per material from the same bitmap; each must be a texture of its
// own whatever was made before it, and the same request must give the same texels every time.
TEST_F(StickerTexture, textures_made_again_are_equal_and_independent_whatever_came_between)
{
    auto plain = [&] {
        IDirect3DTexture9* texture = nullptr;
        EXPECT_EQ(D3DXCreateTextureFromResourceA(device_, nullptr, MAKEINTRESOURCEA(103), &texture),
            D3D_OK);
        return texture;
    };
    IDirect3DTexture9* first = plain();
    ASSERT_NE(first, nullptr);
    const std::vector<softd3d::TextureLevel> firstLevels = *softd3d::TextureLevels(first);
    ASSERT_EQ(CreateKeyed(), D3D_OK); // a different request in between
    EXPECT_LT(AlphaRange(Levels().at(0)).first, 0x80);
    IDirect3DTexture9* second = plain();
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    first->Release();
    const std::vector<softd3d::TextureLevel>& secondLevels = *softd3d::TextureLevels(second);
    ASSERT_EQ(secondLevels.size(), firstLevels.size());
    for (std::size_t i = 0; i < firstLevels.size(); ++i) {
        EXPECT_EQ(secondLevels[i].width, firstLevels[i].width);
        EXPECT_EQ(secondLevels[i].argb, firstLevels[i].argb) << "level " << i;
    }
    EXPECT_EQ(AlphaRange(secondLevels[0]).first, 0xFF);
    second->Release();
}

TEST_F(StickerTexture, fault_switch_missing_resource_and_bad_arguments_fail_without_a_texture)
{
    texture_ = reinterpret_cast<IDirect3DTexture9*>(this);
    softd3d::faults::FailCall(softd3d::faults::Call::CreateTexture, 1);
    EXPECT_TRUE(
        FAILED(D3DXCreateTextureFromResourceA(device_, nullptr, MAKEINTRESOURCEA(103), &texture_)));
    EXPECT_EQ(texture_, nullptr);
    softd3d::faults::FailCall(softd3d::faults::Call::CreateTexture, 1);
    EXPECT_TRUE(FAILED(CreateKeyed()));
    EXPECT_EQ(texture_, nullptr);

    EXPECT_EQ(D3DXCreateTextureFromResourceA(device_, nullptr, MAKEINTRESOURCEA(999), &texture_),
        D3DXERR_INVALIDDATA);
    // The mesh resource is no bitmap.
    EXPECT_EQ(D3DXCreateTextureFromResourceA(device_, nullptr, MAKEINTRESOURCEA(117), &texture_),
        D3DXERR_INVALIDDATA);
    EXPECT_EQ(D3DXCreateTextureFromResourceA(nullptr, nullptr, MAKEINTRESOURCEA(103), &texture_),
        D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateTextureFromResourceA(device_, nullptr, MAKEINTRESOURCEA(103), nullptr),
        D3DERR_INVALIDCALL);
    const auto withFilterAndFormat = [&](DWORD filter, D3DFORMAT format) {
        return D3DXCreateTextureFromResourceExA(device_, nullptr, MAKEINTRESOURCEA(103),
            D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0, format, D3DPOOL_MANAGED, filter,
            D3DX_DEFAULT, 0, nullptr, nullptr, &texture_);
    };
    EXPECT_EQ(withFilterAndFormat(0, D3DFMT_A8R8G8B8), D3DERR_INVALIDCALL);
    EXPECT_EQ(withFilterAndFormat(6, D3DFMT_A8R8G8B8), D3DERR_INVALIDCALL);
    EXPECT_EQ(withFilterAndFormat(D3DX_DEFAULT, D3DFMT_D16), D3DERR_INVALIDCALL);
    EXPECT_EQ(texture_, nullptr);

    // Each switch was for one call only.
    EXPECT_EQ(
        D3DXCreateTextureFromResourceA(device_, nullptr, MAKEINTRESOURCEA(103), &texture_), D3D_OK);
}

} // namespace
