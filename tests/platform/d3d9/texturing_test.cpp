// Texture stage 0: the texture transform, addressing, filtering and MODULATE.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "platform/d3d9/span_shader.h"
#include "tests/platform/d3d9/test_device.h"

namespace softd3d::testing {
namespace {

using TexturingTest = DeviceTest;

// A strip of four 8x8 tiles, red, green, blue and white, like the sticker bitmap's tiles.
IDirect3DTexture9* TileStrip(IDirect3DDevice9* device)
{
    const std::uint32_t tiles[4] = { 0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu };
    TextureLevel level;
    level.width = 32;
    level.height = 8;
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 32; ++x)
            level.argb.push_back(tiles[x / 8]);
    }
    std::vector<TextureLevel> levels;
    levels.push_back(level);
    IDirect3DTexture9* texture = nullptr;
    EXPECT_EQ(
        CreateTextureFromLevels(device, std::move(levels), D3DFMT_A8R8G8B8, &texture), D3D_OK);
    return texture;
}

// A screen-filling quad whose texture coordinates run from (u0, v0) to (u1, v1).
void DrawTexturedScreen(TestDevice& d, float u0, float v0, float u1, float v1, float size)
{
    Vertices vertices
        = { ScreenVertex(d, 0, 0, 0.5f, u0, v0), ScreenVertex(d, size, 0, 0.5f, u1, v0),
              ScreenVertex(d, size, size, 0.5f, u1, v1), ScreenVertex(d, 0, size, 0.5f, u0, v1) };
    d.Draw(vertices, { 0, 1, 2, 0, 2, 3 });
}

void UseLinearFiltering(TestDevice& d)
{
    d->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    d->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    d->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
}

D3DMATRIX TextureShift(float du, float dv)
{
    D3DMATRIX m = Identity();
    m._31 = du;
    m._32 = dv;
    return m;
}

TEST_F(TexturingTest, texture_transform_translation_selects_the_tile)
{
    TestDevice d(16, 16);
    d.UseScreenSpace();
    IDirect3DTexture9* strip = TileStrip(d.device);
    d->SetTexture(0, strip);
    UseLinearFiltering(d);
    d->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
    const std::uint32_t expected[4] = { 0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu };
    for (int tile = 0; tile < 4; ++tile) {
        // Coordinates cover tile 0 (u 0 .. 0.25); the matrix's third row moves them by a tile each.
        D3DMATRIX shift = TextureShift(0.25f * static_cast<float>(tile), 0.0f);
        d->SetTransform(D3DTS_TEXTURE0, &shift);
        d.Clear();
        DrawTexturedScreen(d, 0.0f, 0.0f, 0.25f, 1.0f, 16);
        EXPECT_EQ(d.Pixel(8, 8), expected[tile]) << "tile " << tile;
    }
    // Without the flag the matrix is ignored.
    d->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    d.Clear();
    DrawTexturedScreen(d, 0.0f, 0.0f, 0.25f, 1.0f, 16);
    EXPECT_EQ(d.Pixel(8, 8), expected[0]);
    strip->Release();
}

TEST_F(TexturingTest, texture_matrix_rows_scale_and_swap_coordinates)
{
    TestDevice d(16, 16);
    d.UseScreenSpace();
    IDirect3DTexture9* strip = TileStrip(d.device);
    d->SetTexture(0, strip);
    d->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
    // u' = v * 0.5 + 0.5: the quad's v (0..1) picks tiles 2 and 3 from top to bottom.
    D3DMATRIX m {};
    m._21 = 0.5f;
    m._31 = 0.5f;
    m._12 = 1.0f;
    d->SetTransform(D3DTS_TEXTURE0, &m);
    DrawTexturedScreen(d, 0.0f, 0.0f, 1.0f, 1.0f, 16);
    EXPECT_EQ(d.Pixel(8, 2), 0xFF0000FFu);
    EXPECT_EQ(d.Pixel(8, 13), 0xFFFFFFFFu);
    strip->Release();
}

TEST_F(TexturingTest, wrap_addressing_repeats_the_texture_beyond_one)
{
    TestDevice d(16, 16);
    d.UseScreenSpace();
    IDirect3DTexture9* strip = TileStrip(d.device);
    d->SetTexture(0, strip);
    UseLinearFiltering(d);
    DrawTexturedScreen(d, 2.5f, -3.0f, 2.75f, -2.0f, 16); // tile 2, two wraps away
    EXPECT_EQ(d.Pixel(8, 8), 0xFF0000FFu);
    d.Clear();
    DrawTexturedScreen(d, -0.25f, 0.0f, 0.0f, 1.0f, 16); // just below zero is the last tile
    EXPECT_EQ(d.Pixel(8, 8), 0xFFFFFFFFu);
    strip->Release();
}

TEST_F(TexturingTest, bilinear_magnification_blends_neighbouring_texels)
{
    TestDevice d(32, 32);
    d.UseScreenSpace();
    TextureLevel level;
    level.width = 2;
    level.height = 1;
    level.argb = { 0xFF000000u, 0xFFFF0000u };
    std::vector<TextureLevel> levels = { level };
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(CreateTextureFromLevels(d.device, levels, D3DFMT_A8R8G8B8, &texture), D3D_OK);
    d->SetTexture(0, texture);
    d->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    d->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    // Pixel centre x maps to u = x / 32: the texel centres (u 0.25 and 0.75) fall on x 8 and 24.
    DrawTexturedScreen(d, 0.0f, 0.0f, 1.0f, 1.0f, 32);
    EXPECT_NEAR(Red(d.Pixel(8, 16)), 0, 1);
    EXPECT_NEAR(Red(d.Pixel(16, 16)), 128, 2);
    EXPECT_NEAR(Red(d.Pixel(24, 16)), 255, 1);

    d->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    d.Clear();
    DrawTexturedScreen(d, 0.0f, 0.0f, 1.0f, 1.0f, 32);
    EXPECT_EQ(Red(d.Pixel(15, 16)), 0);
    EXPECT_EQ(Red(d.Pixel(16, 16)), 255);
    texture->Release();
}

TEST_F(TexturingTest, trilinear_filtering_blends_the_two_nearest_mip_levels)
{
    TestDevice d(64, 64);
    d.UseScreenSpace();
    // Level 0 red, 1 green, 2 blue, 3 yellow: the colour shows which levels were read.
    IDirect3DTexture9* texture = FlatLevelsTexture(
        d.device, 64, 64, { 0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFF00u });
    d->SetTexture(0, texture);
    UseLinearFiltering(d);

    // 64 texels over 32 pixels: LOD exactly 1, level 1 alone.
    DrawTexturedScreen(d, 0.0f, 0.0f, 1.0f, 1.0f, 32);
    EXPECT_EQ(d.Pixel(16, 16), 0xFF00FF00u);

    // 64 texels over 64 / 2^1.5 pixels: LOD 1.5, half level 1 and half level 2.
    d.Clear();
    DrawTexturedScreen(d, 0.0f, 0.0f, 1.0f, 1.0f, 64.0f / std::pow(2.0f, 1.5f));
    std::uint32_t mixed = d.Pixel(8, 8);
    EXPECT_NEAR(Green(mixed), 128, 6);
    EXPECT_NEAR(Blue(mixed), 128, 6);
    EXPECT_EQ(Red(mixed), 0);

    // Point mip filtering takes the nearer level only; no mip filter stays on level 0.
    d->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_POINT);
    d.Clear();
    DrawTexturedScreen(d, 0.0f, 0.0f, 1.0f, 1.0f, 64.0f / std::pow(2.0f, 1.3f));
    EXPECT_EQ(d.Pixel(8, 8), 0xFF00FF00u);
    d->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
    d.Clear();
    DrawTexturedScreen(d, 0.0f, 0.0f, 1.0f, 1.0f, 16);
    EXPECT_EQ(d.Pixel(8, 8), 0xFFFF0000u);

    // Far below the smallest level the last one is used.
    d->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
    d.Clear();
    DrawTexturedScreen(d, 0.0f, 0.0f, 64.0f, 64.0f, 16);
    EXPECT_EQ(d.Pixel(8, 8), 0xFFFFFF00u);
    texture->Release();
}

// Noise on every level of a full chain, so that any texel, level or weight taken wrongly shows.
IDirect3DTexture9* NoiseChain(IDirect3DDevice9* device, int topSide)
{
    std::vector<TextureLevel> levels;
    std::uint32_t noise = 12345u;
    for (int side = topSide; side >= 1; side /= 2) {
        TextureLevel level;
        level.width = side;
        level.height = side;
        for (int i = 0; i < side * side; ++i) {
            noise = noise * 1664525u + 1013904223u;
            level.argb.push_back(0xFF000000u | (noise >> 8));
        }
        levels.push_back(std::move(level));
    }
    IDirect3DTexture9* texture = nullptr;
    EXPECT_EQ(
        CreateTextureFromLevels(device, std::move(levels), D3DFMT_A8R8G8B8, &texture), D3D_OK);
    return texture;
}

// A dim material with a white highlight under a point light above the floor.
void LightWithSpecular(TestDevice& d)
{
    D3DLIGHT9 light {};
    light.Type = D3DLIGHT_POINT;
    light.Diffuse = { 1.0f, 0.9f, 0.8f, 0.0f };
    light.Specular = { 0.6f, 0.6f, 0.6f, 0.0f };
    light.Position = { 0.0f, 2.0f, 6.0f };
    light.Range = 100.0f;
    light.Attenuation0 = 1.0f;
    D3DMATERIAL9 material {};
    material.Diffuse = { 0.7f, 0.5f, 0.9f, 1.0f };
    material.Specular = { 1.0f, 1.0f, 1.0f, 1.0f };
    material.Power = 4.0f;
    d.UseCameraSpace();
    d->SetLight(0, &light);
    d->LightEnable(0, TRUE);
    d->SetMaterial(&material);
    d->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
}

// Linear filters at every level have a path of their own (AVX2 and SSE2 forms); it must pick
// the same texels, levels and weights as the sampler that serves every filter setting, and
// modulate, add the highlight and store in a 16-bit back buffer's precision as it does.
TEST_F(TexturingTest, trilinear_shading_matches_the_reference_sampler)
{
    enum Scene { kUnlit, kLit, kSixteenBit };
    // A chain of 11 levels also takes the AVX2 form's per-pixel addressing of far levels.
    for (const int topSide : { 64, 1024 }) {
        for (const Scene scene : { kUnlit, kLit, kSixteenBit }) {
            D3DPRESENT_PARAMETERS params = WindowedParameters(128, 128);
            if (scene == kSixteenBit)
                params.BackBufferFormat = D3DFMT_R5G6B5;
            TestDevice d(params);
            scene == kLit ? LightWithSpecular(d) : d.UseUnlitCameraSpace();
            UseLinearFiltering(d);
            IDirect3DTexture9* texture = NoiseChain(d.device, topSide);
            d->SetTexture(0, texture);
            // A floor from just before the eye to far away, turned a little about the view axis
            // and wrapping several times: the level of detail runs from magnified to beyond the
            // last level (of the smaller chain).
            const float w = topSide == 64 ? 3.0f : 40.0f; // wraps
            const Vertices floor = { { -3, -1, 1.2f, 0, 1, 0, 0, 0 }, { -1, -1, 60, 0, 1, 0, w, 0 },
                { 4, -1, 50, 0, 1, 0, w, w }, { 2, -1, 1.5f, 0, 1, 0, 0, w } };
            auto picture = [&](TrilinearPath path) {
                UseTrilinearPath(path);
                d.Clear();
                // Not a full clear: the repeated-frame shortcut would keep the last path's picture.
                d->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
                d.Draw(floor, { 0, 1, 2, 0, 2, 3 });
                std::vector<std::uint32_t> pixels;
                for (int y = 0; y < d.height; ++y) {
                    for (int x = 0; x < d.width; ++x)
                        pixels.push_back(d.Pixel(x, y));
                }
                return pixels;
            };
            const std::vector<std::uint32_t> reference = picture(TrilinearPath::Reference);
            const auto covered = std::count_if(reference.begin(), reference.end(),
                [](std::uint32_t p) { return p != 0xFF000000u; });
            EXPECT_GT(covered, 128 * 40);
            for (const TrilinearPath path : { TrilinearPath::Wide, TrilinearPath::Narrow }) {
                const std::vector<std::uint32_t> fast = picture(path);
                for (std::size_t i = 0; i < fast.size(); ++i) {
                    ASSERT_EQ(fast[i], reference[i])
                        << "pixel " << i % 128 << ", " << i / 128
                        << (path == TrilinearPath::Wide ? " (AVX2)" : " (SSE2)") << ", side "
                        << topSide << ", scene " << scene;
                }
            }
            texture->Release();
        }
    }
}

TEST_F(TexturingTest, magnified_texture_uses_level_zero_with_the_mag_filter)
{
    TestDevice d(64, 64);
    d.UseScreenSpace();
    IDirect3DTexture9* texture = FlatLevelsTexture(d.device, 8, 8, { 0xFFFF0000u, 0xFF00FF00u });
    d->SetTexture(0, texture);
    UseLinearFiltering(d);
    DrawTexturedScreen(d, 0.0f, 0.0f, 1.0f, 1.0f, 64);
    EXPECT_EQ(d.Pixel(32, 32), 0xFFFF0000u);
    texture->Release();
}

TEST_F(TexturingTest, modulate_multiplies_texture_and_diffuse_and_no_texture_leaves_diffuse)
{
    TestDevice d(16, 16);
    d.UseScreenSpace();
    d->SetRenderState(D3DRS_LIGHTING, TRUE);
    D3DMATERIAL9 material {};
    material.Emissive = { 0.5f, 1.0f, 0.25f, 1.0f }; // the diffuse colour, with no light at all
    d->SetMaterial(&material);
    IDirect3DTexture9* texture = FlatLevelsTexture(d.device, 4, 4, { 0xFFC86432u }); // 200,100,50
    d->SetTexture(0, texture);
    DrawTexturedScreen(d, 0.0f, 0.0f, 1.0f, 1.0f, 16);
    std::uint32_t modulated = d.Pixel(8, 8);
    EXPECT_NEAR(Red(modulated), 100, 1);
    EXPECT_NEAR(Green(modulated), 100, 1);
    EXPECT_NEAR(Blue(modulated), 13, 1);

    d->SetTexture(0, nullptr);
    d.Clear();
    DrawTexturedScreen(d, 0.0f, 0.0f, 1.0f, 1.0f, 16);
    EXPECT_EQ(d.Pixel(8, 8), 0xFF80FF40u);
    texture->Release();
}

TEST_F(TexturingTest, texture_coordinates_are_perspective_correct)
{
    TestDevice d(64, 64);
    d.UseUnlitCameraSpace();
    // Left half black, right half red.
    TextureLevel level;
    level.width = 2;
    level.height = 1;
    level.argb = { 0xFF000000u, 0xFFFF0000u };
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(CreateTextureFromLevels(d.device, { level }, D3DFMT_A8R8G8B8, &texture), D3D_OK);
    d->SetTexture(0, texture);
    // A floor receding from z = 2 (u = 0) to z = 10 (u = 1); u = 0.5 lies at z = 6.
    Vertices vertices = { { -1, -1, 2, 0, 1, 0, 0, 0 }, { -1, -1, 10, 0, 1, 0, 1, 0 },
        { 1, -1, 10, 0, 1, 0, 1, 1 }, { 1, -1, 2, 0, 1, 0, 0, 1 } };
    d.Draw(vertices, { 0, 1, 2, 0, 2, 3 });
    // Screen row of z = 6: y_ndc = -1/6 * cot(30 deg).
    const float yScale = 1.0f / std::tan(1.0471976f / 2.0f);
    auto row = [&](float z) { return (1.0f + yScale / z) * 32.0f; };
    const int boundary = static_cast<int>(std::lround(row(6.0f)));
    EXPECT_EQ(Red(d.Pixel(32, boundary - 2)), 255); // farther than z = 6
    EXPECT_EQ(Red(d.Pixel(32, boundary + 2)), 0); // nearer
    // Affine interpolation would put the boundary halfway between the rows of z = 2 and z = 10.
    const int affine = static_cast<int>(std::lround((row(2.0f) + row(10.0f)) / 2.0f));
    ASSERT_GT(affine - boundary, 4);
    EXPECT_EQ(Red(d.Pixel(32, affine)), 0);
    texture->Release();
}

// Pixels are shaded after their draw; a draw with more triangles than can be pending is shaded
// in parts, and its texture must stay alive for the later part even once nothing binds it.
TEST_F(TexturingTest, a_draw_longer_than_the_pending_record_keeps_its_texture)
{
    TestDevice d(16, 16);
    d.UseScreenSpace();
    IDirect3DTexture9* texture = FlatLevelsTexture(d.device, 4, 4, { 0xFF2080C0u });
    d->SetTexture(0, texture);
    const Vertices vertices
        = { ScreenVertex(d, 0, 0, 0.5f), ScreenVertex(d, 8, 0, 0.5f), ScreenVertex(d, 0, 8, 0.5f) };
    Indices indices;
    for (int i = 0; i < 70000; ++i) // ties go to the later triangle: each one is pending
        indices.insert(indices.end(), { 0, 1, 2 });
    d.Draw(vertices, indices);
    d->SetTexture(0, nullptr);
    texture->Release();
    EXPECT_EQ(d.Pixel(2, 2), 0xFF2080C0u);
}

TEST_F(TexturingTest, bad_level_lists_make_no_texture)
{
    TestDevice d(16, 16);
    IDirect3DTexture9* texture = reinterpret_cast<IDirect3DTexture9*>(0x1);
    EXPECT_EQ(CreateTextureFromLevels(d.device, {}, D3DFMT_A8R8G8B8, &texture), D3DERR_INVALIDCALL);
    EXPECT_EQ(texture, nullptr);
    TextureLevel wrongSize;
    wrongSize.width = 4;
    wrongSize.height = 4;
    wrongSize.argb.resize(15);
    EXPECT_EQ(CreateTextureFromLevels(d.device, { wrongSize }, D3DFMT_A8R8G8B8, &texture),
        D3DERR_INVALIDCALL);
    wrongSize.argb.resize(16);
    EXPECT_EQ(CreateTextureFromLevels(d.device, { wrongSize }, D3DFMT_R5G6B5, &texture),
        D3DERR_INVALIDCALL);
    TextureLevel notPowerOfTwo;
    notPowerOfTwo.width = 6;
    notPowerOfTwo.height = 4;
    notPowerOfTwo.argb.resize(24);
    EXPECT_EQ(CreateTextureFromLevels(d.device, { notPowerOfTwo }, D3DFMT_A8R8G8B8, &texture),
        D3DERR_INVALIDCALL);
    EXPECT_EQ(CreateTextureFromLevels(nullptr, { wrongSize }, D3DFMT_A8R8G8B8, &texture),
        D3DERR_INVALIDCALL);
    ASSERT_EQ(CreateTextureFromLevels(d.device, { wrongSize }, D3DFMT_X8R8G8B8, &texture), D3D_OK);
    EXPECT_EQ(texture->GetLevelCount(), 1u);
    ASSERT_NE(TextureLevels(texture), nullptr);
    EXPECT_EQ(TextureLevels(texture)->at(0).width, 4);
    texture->Release();
}

} // namespace
} // namespace softd3d::testing
