// Per-vertex lighting of a point light in camera space: the colours a lit quad takes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "tests/platform/d3d9/test_device.h"

namespace softd3d::testing {
namespace {

using LightingTest = DeviceTest;

constexpr D3DCOLOR kAmbient = 0xFFC8C0B8; // red 200, green 192, blue 184

D3DLIGHT9 PointLight(float x, float y, float z, float range)
{
    D3DLIGHT9 light {};
    light.Type = D3DLIGHT_POINT;
    light.Diffuse = { 1.0f, 1.0f, 0.9f, 0.0f };
    light.Position = { x, y, z };
    light.Range = range;
    light.Attenuation0 = 1.0f;
    return light;
}

D3DMATERIAL9 Material(float r, float g, float b)
{
    D3DMATERIAL9 m {};
    m.Diffuse = { r, g, b, 1.0f };
    m.Ambient = m.Diffuse;
    return m;
}

// A camera-space quad at depth `z` through a perspective projection, lit by `light`.
class LitScene {
public:
    LitScene(TestDevice& d, const D3DLIGHT9& light, const D3DMATERIAL9& material)
        : d_(d)
    {
        d.UseCameraSpace();
        d->SetRenderState(D3DRS_AMBIENT, kAmbient);
        d->SetLight(0, &light);
        d->LightEnable(0, TRUE);
        d->SetMaterial(&material);
    }
    void DrawQuad(float z, float nz = -1.0f)
    {
        Vertices vertices;
        Indices indices;
        CameraQuad(-20, 20, 20, -20, z, vertices, indices, nz);
        d_.Draw(vertices, indices);
    }

private:
    TestDevice& d_;
};

int Expected(float value)
{
    return static_cast<int>(std::lround(std::clamp(value, 0.0f, 1.0f) * 255.0f));
}

void ExpectColour(std::uint32_t pixel, float r, float g, float b)
{
    EXPECT_NEAR(Red(pixel), Expected(r), 1);
    EXPECT_NEAR(Green(pixel), Expected(g), 1);
    EXPECT_NEAR(Blue(pixel), Expected(b), 1);
}

TEST_F(LightingTest, surface_beyond_the_light_range_is_lit_by_global_ambient_only)
{
    TestDevice d(32, 32);
    // Light at the eye with range 20, quad 25 away: the light gives nothing, not even ambient.
    D3DLIGHT9 light = PointLight(0, 0, 0, 20.0f);
    light.Ambient = { 0.5f, 0.5f, 0.5f, 0.0f };
    LitScene scene(d, light, Material(0.5f, 0.4f, 0.3f));
    scene.DrawQuad(25.0f);
    ExpectColour(d.Pixel(16, 16), 0.5f * 200 / 255, 0.4f * 192 / 255, 0.3f * 184 / 255);
}

TEST_F(LightingTest, surface_within_range_adds_diffuse_scaled_by_the_cosine_of_incidence)
{
    TestDevice d(32, 32);
    // A tiny quad on the axis at z = 6; the light at (3, 0, 2) is 5 away, N.L = 4/5.
    LitScene scene(d, PointLight(3.0f, 0.0f, 2.0f, 20.0f), Material(0.5f, 0.4f, 0.3f));
    Vertices vertices;
    Indices indices;
    CameraQuad(-0.01f, 0.01f, 0.01f, -0.01f, 6.0f, vertices, indices);
    d.Draw(vertices, indices);
    ExpectColour(d.Pixel(16, 16), 0.5f * 200 / 255 + 0.5f * 1.0f * 0.8f,
        0.4f * 192 / 255 + 0.4f * 1.0f * 0.8f, 0.3f * 184 / 255 + 0.3f * 0.9f * 0.8f);
}

TEST_F(LightingTest, unnormalised_normal_of_length_0_9_scales_diffuse_by_0_9)
{
    TestDevice d(32, 32);
    LitScene scene(d, PointLight(0, 0, 0, 20.0f), Material(0.6f, 0.6f, 0.6f));
    d->SetRenderState(D3DRS_AMBIENT, 0);
    Vertices full, shortened;
    Indices indices, unused;
    CameraQuad(-0.01f, 0.01f, 0.01f, -0.01f, 5.0f, full, indices, -1.0f);
    CameraQuad(-0.01f, 0.01f, 0.01f, -0.01f, 5.0f, shortened, unused, -0.9f);
    d.Draw(full, indices);
    std::uint32_t unit = d.Pixel(16, 16);
    d.Clear();
    d.Draw(shortened, indices);
    std::uint32_t scaled = d.Pixel(16, 16);
    ExpectColour(unit, 0.6f, 0.6f, 0.6f * 0.9f);
    ExpectColour(scaled, 0.6f * 0.9f, 0.6f * 0.9f, 0.6f * 0.9f * 0.9f);
    // With renormalisation switched on the shortened normal lights fully again.
    d->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
    d.Clear();
    d.Draw(shortened, indices);
    EXPECT_EQ(d.Pixel(16, 16), unit);
}

TEST_F(LightingTest, attenuation_divides_by_the_distance_polynomial)
{
    TestDevice d(32, 32);
    D3DLIGHT9 light = PointLight(0, 0, 0, 50.0f);
    light.Attenuation0 = 0.5f;
    light.Attenuation1 = 0.1f;
    light.Attenuation2 = 0.02f;
    LitScene scene(d, light, Material(1.0f, 1.0f, 1.0f));
    d->SetRenderState(D3DRS_AMBIENT, 0);
    Vertices vertices;
    Indices indices;
    CameraQuad(-0.01f, 0.01f, 0.01f, -0.01f, 4.0f, vertices, indices);
    d.Draw(vertices, indices);
    const float att = 1.0f / (0.5f + 0.1f * 4.0f + 0.02f * 16.0f);
    ExpectColour(d.Pixel(16, 16), att, att, 0.9f * att);
}

TEST_F(LightingTest, surface_facing_away_from_the_light_gets_no_diffuse)
{
    TestDevice d(32, 32);
    LitScene scene(d, PointLight(0, 0, 10, 20.0f), Material(0.5f, 0.5f, 0.5f));
    scene.DrawQuad(5.0f); // normal towards the eye, light behind the quad
    ExpectColour(d.Pixel(16, 16), 0.5f * 200 / 255, 0.5f * 192 / 255, 0.5f * 184 / 255);
}

TEST_F(LightingTest, vertices_of_a_culled_triangle_are_lit_for_a_later_one_that_shows)
{
    TestDevice d(32, 32);
    LitScene scene(d, PointLight(0, 0, 0, 20.0f), Material(0.5f, 0.4f, 0.3f));
    Vertices vertices;
    Indices indices;
    CameraQuad(-0.01f, 0.01f, 0.01f, -0.01f, 6.0f, vertices, indices);
    // The quad's first triangle wound the other way comes first: it faces away, so its
    // vertices are positioned but not lit before the quad's triangles use them.
    Indices backFirst = { indices[0], indices[2], indices[1] };
    backFirst.insert(backFirst.end(), indices.begin(), indices.end());
    d.Draw(vertices, backFirst);
    ExpectColour(d.Pixel(16, 16), 0.5f * 200 / 255 + 0.5f, 0.4f * 192 / 255 + 0.4f,
        0.3f * 184 / 255 + 0.3f * 0.9f);
}

TEST_F(LightingTest, specular_needs_a_light_specular_colour_and_the_render_state)
{
    TestDevice d(32, 32);
    D3DLIGHT9 light = PointLight(0, 0, 0, 20.0f);
    D3DMATERIAL9 material = Material(0.2f, 0.2f, 0.2f);
    material.Specular = { 1.0f, 1.0f, 1.0f, 1.0f };
    material.Power = 8.0f;
    LitScene scene(d, light, material);
    d->SetRenderState(D3DRS_AMBIENT, 0);
    d->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
    Vertices vertices;
    Indices indices;
    CameraQuad(-0.01f, 0.01f, 0.01f, -0.01f, 5.0f, vertices, indices);
    d.Draw(vertices, indices);
    // Zero light specular: nothing but the diffuse part, whatever the power.
    ExpectColour(d.Pixel(16, 16), 0.2f, 0.2f, 0.18f);

    light.Specular = { 0.5f, 0.5f, 0.5f, 0.0f };
    d->SetLight(0, &light);
    d.Clear();
    d.Draw(vertices, indices);
    // Head-on: N.H = 1, so the highlight adds the full light specular on top.
    ExpectColour(d.Pixel(16, 16), 0.7f, 0.7f, 0.68f);

    d->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
    d.Clear();
    d.Draw(vertices, indices);
    ExpectColour(d.Pixel(16, 16), 0.2f, 0.2f, 0.18f);
}

TEST_F(LightingTest, light_position_follows_the_view_transform)
{
    TestDevice d(32, 32);
    // World-space light 5 in front of a world-space quad; a view that moves everything by the
    // same offset must light the quad exactly as before.
    LitScene scene(d, PointLight(100, 0, 0, 20.0f), Material(1, 1, 1));
    d->SetRenderState(D3DRS_AMBIENT, 0);
    D3DMATRIX view = Translation(-100, 0, 0);
    d->SetTransform(D3DTS_VIEW, &view);
    Vertices vertices;
    Indices indices;
    CameraQuad(99.99f, 0.01f, 100.01f, -0.01f, 5.0f, vertices, indices);
    d.Draw(vertices, indices);
    ExpectColour(d.Pixel(16, 16), 1.0f, 1.0f, 0.9f);
}

TEST_F(LightingTest, lighting_off_draws_white_and_lit_colours_clamp_at_one)
{
    TestDevice d(32, 32);
    LitScene scene(d, PointLight(0, 0, 0, 20.0f), Material(1, 1, 1));
    d->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFF);
    Vertices vertices;
    Indices indices;
    CameraQuad(-0.01f, 0.01f, 0.01f, -0.01f, 5.0f, vertices, indices);
    d.Draw(vertices, indices);
    EXPECT_EQ(d.Pixel(16, 16), 0xFFFFFFFFu); // ambient 1 + diffuse 1 clamps to white

    D3DMATERIAL9 dark = Material(0.1f, 0.1f, 0.1f);
    d->SetMaterial(&dark);
    d->SetRenderState(D3DRS_LIGHTING, FALSE);
    d.Clear();
    d.Draw(vertices, indices);
    EXPECT_EQ(d.Pixel(16, 16), 0xFFFFFFFFu);
}

} // namespace
} // namespace softd3d::testing
