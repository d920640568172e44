// Coverage, culling, clipping and depth: which pixels a triangle writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "platform/d3d9/depth_test.h"
#include "tests/platform/d3d9/test_device.h"

namespace softd3d::testing {
namespace {

using RasterizationTest = DeviceTest;

int CountCovered(const std::vector<bool>& covered)
{
    int count = 0;
    for (bool c : covered)
        count += c ? 1 : 0;
    return count;
}

TEST_F(RasterizationTest, pixel_centres_sit_at_integer_coordinates)
{
    TestDevice d(16, 16);
    d.UseScreenSpace();
    // A square from (0.5, 0.5) to (2.5, 2.5) holds exactly the centres of pixels 1 and 2.
    d.DrawTriangle(0.5f, 0.5f, 2.5f, 0.5f, 2.5f, 2.5f);
    d.DrawTriangle(0.5f, 0.5f, 2.5f, 2.5f, 0.5f, 2.5f);
    std::vector<bool> covered = d.Covered();
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            bool inside = x >= 1 && x <= 2 && y >= 1 && y <= 2;
            EXPECT_EQ(covered[y * 16 + x], inside) << x << "," << y;
        }
    }
}

TEST_F(RasterizationTest, full_viewport_quad_covers_every_pixel_once_edges_included_top_left_only)
{
    TestDevice d(16, 8);
    d.UseScreenSpace();
    // Edges exactly on pixel centres: the left and top edges take them, right and bottom do not.
    d.DrawTriangle(0, 0, 16, 0, 16, 8);
    d.DrawTriangle(0, 0, 16, 8, 0, 8);
    EXPECT_EQ(CountCovered(d.Covered()), 16 * 8);

    d.Clear();
    d.DrawTriangle(2, 2, 5, 2, 5, 5);
    d.DrawTriangle(2, 2, 5, 5, 2, 5);
    std::vector<bool> covered = d.Covered();
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 16; ++x) {
            EXPECT_EQ(covered[y * 16 + x], x >= 2 && x < 5 && y >= 2 && y < 5) << x << "," << y;
        }
    }
}

// Draws each triangle of a jittered grid mesh alone and counts how often each pixel is written:
// inside the mesh's outline every pixel must be written exactly once.
TEST_F(RasterizationTest, triangles_sharing_edges_cover_each_pixel_exactly_once)
{
    TestDevice d(64, 64);
    d.UseScreenSpace();
    constexpr int kGrid = 5;
    std::mt19937 random(1234);
    std::uniform_real_distribution<float> jitter(-4.3f, 4.3f);
    float px[kGrid + 1][kGrid + 1], py[kGrid + 1][kGrid + 1];
    for (int j = 0; j <= kGrid; ++j) {
        for (int i = 0; i <= kGrid; ++i) {
            bool border = i == 0 || j == 0 || i == kGrid || j == kGrid;
            px[j][i] = 4.5f + 11.0f * i + (border ? 0.0f : jitter(random));
            py[j][i] = 4.5f + 11.0f * j + (border ? 0.0f : jitter(random));
        }
    }
    std::vector<int> writes(64 * 64, 0);
    auto drawAlone = [&](int ax, int ay, int bx, int by, int cx, int cy) {
        d.Clear();
        d.DrawTriangle(px[ay][ax], py[ay][ax], px[by][bx], py[by][bx], px[cy][cx], py[cy][cx]);
        std::vector<bool> covered = d.Covered();
        for (std::size_t k = 0; k < covered.size(); ++k)
            writes[k] += covered[k] ? 1 : 0;
    };
    for (int j = 0; j < kGrid; ++j) {
        for (int i = 0; i < kGrid; ++i) {
            // Alternate the diagonal so that edges of every slope appear.
            if ((i + j) % 2 == 0) {
                drawAlone(i, j, i + 1, j, i + 1, j + 1);
                drawAlone(i, j, i + 1, j + 1, i, j + 1);
            } else {
                drawAlone(i, j, i + 1, j, i, j + 1);
                drawAlone(i + 1, j, i + 1, j + 1, i, j + 1);
            }
        }
    }
    // The outline is the square 4.5 .. 59.5: pixel centres 5..59.
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            int expected = x >= 5 && x <= 59 && y >= 5 && y <= 59 ? 1 : 0;
            ASSERT_EQ(writes[y * 64 + x], expected) << "pixel " << x << "," << y;
        }
    }
}

TEST_F(RasterizationTest, counter_clockwise_triangles_are_culled_and_clockwise_ones_kept)
{
    TestDevice d(32, 32);
    d.UseScreenSpace();
    d.DrawTriangle(2, 2, 30, 2, 2, 30); // clockwise on screen (y grows downwards)
    EXPECT_NE(d.Pixel(8, 8), 0xFF000000u);
    d.Clear();
    d.DrawTriangle(2, 2, 2, 30, 30, 2); // counter-clockwise
    EXPECT_EQ(CountCovered(d.Covered()), 0);
}

TEST_F(RasterizationTest, nearer_surface_wins_in_either_drawing_order_and_ties_go_to_the_later)
{
    TestDevice d(16, 16);
    d.UseScreenSpace();
    d->SetRenderState(D3DRS_LIGHTING, TRUE); // colours from the material's emissive part
    auto quad = [&](float z, float red, float blue) {
        D3DMATERIAL9 material {};
        material.Emissive = { red, 0.0f, blue, 1.0f };
        d->SetMaterial(&material);
        d.DrawTriangle(0, 0, 16, 0, 16, 16, z);
        d.DrawTriangle(0, 0, 16, 16, 0, 16, z);
    };
    quad(0.3f, 1.0f, 0.0f);
    quad(0.6f, 0.0f, 1.0f);
    EXPECT_EQ(d.Pixel(8, 8), 0xFFFF0000u);

    d.Clear();
    quad(0.6f, 0.0f, 1.0f);
    quad(0.3f, 1.0f, 0.0f);
    EXPECT_EQ(d.Pixel(8, 8), 0xFFFF0000u);

    quad(0.3f, 0.0f, 1.0f); // same depth: less-or-equal lets it through
    EXPECT_EQ(d.Pixel(8, 8), 0xFF0000FFu);

    d->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    quad(0.9f, 1.0f, 0.0f);
    EXPECT_EQ(d.Pixel(8, 8), 0xFFFF0000u);
}

// Hidden triangles are dropped by block (8x8) before their pixels are tested: a block only part
// of which holds nearer depths must still let the rest through.
TEST_F(RasterizationTest, triangle_behind_part_of_a_block_shows_in_the_rest)
{
    TestDevice d(16, 16);
    d.UseScreenSpace();
    D3DRECT left = { 0, 0, 5, 16 };
    d->Clear(1, &left, D3DCLEAR_ZBUFFER, 0, 0.25f, 0);
    d.DrawTriangle(0, 0, 7, 0, 0, 7, 0.5f); // within the first block
    EXPECT_EQ(d.Pixel(2, 2), 0xFF000000u);
    EXPECT_EQ(d.Pixel(5, 1), 0xFFFFFFFFu);

    d.Clear();
    d.DrawTriangle(0, 0, 4, 0, 0, 7, 0.6f);
    EXPECT_EQ(d.Pixel(5, 1), 0xFF000000u);
    d.DrawTriangle(0, 0, 7, 0, 0, 7, 0.7f);
    EXPECT_EQ(d.Pixel(5, 1), 0xFFFFFFFFu);
}

// The AVX2 loops of the depth test and of the scan of the marks draw exactly what the SSE2 ones
// do: ties on shared planes, steep triangles whose depth steps outgrow the lanes, spans longer
// than a register and spans that end at a row's last pixel.
TEST_F(RasterizationTest, wide_and_narrow_loops_draw_the_same_pixels)
{
    TestDevice d(203, 131);
    d.UseScreenSpace();
    std::mt19937 random(77);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::vector<TextureLevel> levels(1);
    levels[0].width = levels[0].height = 32;
    for (int i = 0; i < 32 * 32; ++i)
        levels[0].argb.push_back(0xFF000000u | (random() & 0xFFFFFFu));
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(
        CreateTextureFromLevels(d.device, std::move(levels), D3DFMT_A8R8G8B8, &texture), D3D_OK);
    d->SetTexture(0, texture);
    // First a wall whose depth runs from the near plane to the far one across the target: its
    // steps outgrow the lanes within a row, and what it hides depends on each of its depths.
    const float right = static_cast<float>(d.width), bottom = static_cast<float>(d.height);
    Vertices vertices = { ScreenVertex(d, 0, 0, 0), ScreenVertex(d, right, 0, 1),
        ScreenVertex(d, right, bottom, 1), ScreenVertex(d, 0, bottom, 0) };
    Indices indices = { 0, 1, 2, 0, 2, 3 };
    for (int t = 0; t < 400; ++t) {
        const float size = t % 4 == 0 ? 300.0f : 40.0f;
        const float cx = unit(random) * d.width, cy = unit(random) * d.height;
        for (int k = 0; k < 3; ++k) {
            const float x = cx + (unit(random) - 0.5f) * size;
            const float y = cy + (unit(random) - 0.5f) * size;
            const float z = t % 3 == 0 ? 0.3f + 0.001f * x + 0.002f * y
                : t % 3 == 1           ? 0.6f - 0.0015f * x
                                       : unit(random);
            vertices.push_back(ScreenVertex(d, x, y, z, 4 * unit(random), 4 * unit(random)));
            indices.push_back(static_cast<std::uint32_t>(vertices.size() - 1));
        }
    }
    auto picture = [&](bool wide) {
        UseWideLoops(wide);
        d.Clear();
        // Not a full clear: the repeated-frame shortcut would keep the last loops' picture.
        d->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        d.Draw(vertices, indices);
        std::vector<std::uint32_t> pixels;
        for (int y = 0; y < d.height; ++y) {
            for (int x = 0; x < d.width; ++x)
                pixels.push_back(d.Pixel(x, y));
        }
        return pixels;
    };
    const std::vector<std::uint32_t> narrow = picture(false);
    const std::vector<std::uint32_t> wide = picture(true);
    std::vector<std::uint32_t> colours = narrow;
    std::sort(colours.begin(), colours.end());
    EXPECT_GT(std::unique(colours.begin(), colours.end()) - colours.begin(), 1000);
    for (std::size_t i = 0; i < wide.size(); ++i)
        ASSERT_EQ(wide[i], narrow[i]) << "pixel " << i % d.width << ", " << i / d.width;
    texture->Release();
}

TEST_F(RasterizationTest, depth_beyond_the_far_plane_is_clipped)
{
    TestDevice d(16, 16);
    d.UseScreenSpace();
    d.DrawTriangle(0, 0, 16, 0, 16, 16, 1.2f);
    EXPECT_EQ(CountCovered(d.Covered()), 0);
}

// Camera-space geometry through a perspective projection with near plane 1.
class PerspectiveScene {
public:
    explicit PerspectiveScene(TestDevice& d)
        : d_(d)
    {
        d.UseUnlitCameraSpace();
    }
    void Draw(const Vertices& vertices)
    {
        Indices indices;
        for (std::uint32_t i = 1; i + 1 < vertices.size(); ++i) {
            indices.insert(indices.end(), { 0, i, i + 1 });
        }
        d_.Draw(vertices, indices);
    }

private:
    TestDevice& d_;
};

MeshVertex At(float x, float y, float z)
{
    return { x, y, z, 0, 0, -1, 0, 0 };
}

// Where the segment p-q crosses the plane z = 1 (the near plane).
MeshVertex CutAtNear(const MeshVertex& p, const MeshVertex& q)
{
    float t = (1.0f - p.z) / (q.z - p.z);
    return At(p.x + (q.x - p.x) * t, p.y + (q.y - p.y) * t, 1.0f);
}

TEST_F(RasterizationTest, triangle_crossing_the_near_plane_draws_only_its_visible_part)
{
    TestDevice d(64, 64);
    PerspectiveScene scene(d);
    // A floor-like triangle with one corner behind the eye (z < 0) and one between eye and near.
    MeshVertex behind = At(0.0f, -1.0f, -3.0f);
    MeshVertex farLeft = At(-6.0f, -1.0f, 12.0f);
    MeshVertex farRight = At(6.0f, -1.0f, 12.0f);
    scene.Draw({ behind, farLeft, farRight });
    std::vector<bool> clipped = d.Covered();

    // The same triangle cut at the near plane by hand.
    d.Clear();
    scene.Draw({ CutAtNear(behind, farLeft), farLeft, farRight, CutAtNear(behind, farRight) });
    std::vector<bool> expected = d.Covered();

    int differences = 0;
    for (std::size_t i = 0; i < expected.size(); ++i)
        differences += clipped[i] != expected[i];
    EXPECT_GT(CountCovered(expected), 300);
    // Only rounding along the cut may differ.
    EXPECT_LE(differences, 4);
    // Nothing from behind the eye folds over into the upper half of the picture.
    for (int y = 0; y < 28; ++y) {
        for (int x = 0; x < 64; ++x)
            EXPECT_FALSE(clipped[y * 64 + x]) << x << "," << y;
    }
}

TEST_F(RasterizationTest, triangle_entirely_behind_the_eye_draws_nothing)
{
    TestDevice d(32, 32);
    PerspectiveScene scene(d);
    scene.Draw({ At(-1, -1, -2), At(1, -1, -2), At(0, 1, -2) });
    EXPECT_EQ(CountCovered(d.Covered()), 0);
}

TEST_F(RasterizationTest, huge_triangles_are_cut_to_the_guard_band_without_garbage)
{
    TestDevice d(32, 32);
    PerspectiveScene scene(d);
    // Corners far outside the view on every side: the whole view is covered, nothing else breaks.
    scene.Draw({ At(-1e5f, 1e5f, 5), At(1e5f, 1e5f, 5), At(1e5f, -1e5f, 5), At(-1e5f, -1e5f, 5) });
    EXPECT_EQ(CountCovered(d.Covered()), 32 * 32);
}

TEST_F(RasterizationTest, out_of_range_indices_and_nan_positions_are_skipped)
{
    TestDevice d(16, 16);
    d.UseScreenSpace();
    Vertices vertices = { ScreenVertex(d, 0, 0, 0.5f), ScreenVertex(d, 16, 0, 0.5f),
        ScreenVertex(d, 16, 16, 0.5f), { NAN, 0, 0.5f, 0, 0, -1, 0, 0 } };
    d.Draw(vertices, { 0, 1, 7, 0, 1, 3 });
    EXPECT_EQ(CountCovered(d.Covered()), 0);
    d.Draw(vertices, { 0, 1, 2 });
    EXPECT_GT(CountCovered(d.Covered()), 0);
}

} // namespace
} // namespace softd3d::testing
