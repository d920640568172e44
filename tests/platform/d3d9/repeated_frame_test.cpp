// A frame that repeats the last one is shown from the last one's pixels; these tests hold every
// such frame against the same frame drawn afresh on a device that has seen nothing before.
#include <gtest/gtest.h>

#include <vector>

#include <algorithm>
#include <iterator>

#include "platform/d3d9/device_state.h"
#include "platform/d3d9/display_hooks.h"
#include "platform/d3d9/software_device.h"
#include "tests/platform/d3d9/test_device.h"

namespace softd3d::testing {
namespace {

class RepeatedFrame : public DeviceTest { };

// Two overlapping triangles; `shift` moves the second, `tint` changes the material (a state
// change only: screen-space drawing is unlit).
void DrawScene(TestDevice& device, float shift, D3DCOLOR clear = 0xFF000000u, float tint = 1.0f)
{
    device.Clear(clear);
    device.UseScreenSpace();
    D3DMATERIAL9 material {};
    material.Diffuse = { tint, 1.0f, 1.0f, 1.0f };
    material.Ambient = material.Diffuse;
    device->SetMaterial(&material);
    device.DrawTriangle(4, 4, 60, 8, 10, 56, 0.5f);
    device.DrawTriangle(20 + shift, 10, 62, 50, 12 + shift, 60, 0.25f);
}

std::vector<std::uint32_t> Picture(TestDevice& device)
{
    const FrameView view = BackBufferPixels(device.device);
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < view.height; ++y)
        pixels.insert(
            pixels.end(), view.pixels + y * view.pitch, view.pixels + y * view.pitch + view.width);
    return pixels;
}

std::vector<std::uint32_t> DrawnAfresh(float shift, D3DCOLOR clear = 0xFF000000u, float tint = 1.0f)
{
    TestDevice fresh;
    DrawScene(fresh, shift, clear, tint);
    return Picture(fresh);
}

TEST_F(RepeatedFrame, same_frame_again_shows_the_same_pixels)
{
    TestDevice device;
    DrawScene(device, 0);
    const auto first = Picture(device);
    DrawScene(device, 0);
    EXPECT_EQ(Picture(device), first);
    EXPECT_EQ(Picture(device), DrawnAfresh(0));
}

TEST_F(RepeatedFrame, any_change_draws_the_frame_anew)
{
    TestDevice device;
    DrawScene(device, 0);
    Picture(device);
    DrawScene(device, 3); // the second draw moved
    EXPECT_EQ(Picture(device), DrawnAfresh(3));
    DrawScene(device, 3, 0xFF102030u); // only the clear colour differs
    EXPECT_EQ(Picture(device), DrawnAfresh(3, 0xFF102030u));
    DrawScene(device, 3, 0xFF102030u, 0.5f); // only the material of the first draw differs
    EXPECT_EQ(Picture(device), DrawnAfresh(3, 0xFF102030u, 0.5f));
    DrawScene(device, 3, 0xFF102030u, 0.5f);
    EXPECT_EQ(Picture(device), DrawnAfresh(3, 0xFF102030u, 0.5f));
}

// Draws from arrays that never change (a mesh's subsets) are matched by their key, not their
// bytes: another subset of the same size from the same arrays is still another draw, and what is
// kept of it is that subset's, for when a later frame turns out to differ after matching it.
TEST_F(RepeatedFrame, another_subset_of_unchanging_arrays_is_drawn)
{
    TestDevice device;
    const Vertices vertices { ScreenVertex(device, 4, 4, 0.5f), ScreenVertex(device, 60, 8, 0.5f),
        ScreenVertex(device, 10, 56, 0.5f), ScreenVertex(device, 62, 62, 0.5f) };
    const Indices indices { 0, 1, 2, 1, 3, 2 };
    const std::uint64_t key = NewGeometryKey();
    const auto drawSubset = [&](TestDevice& target, int subset, bool thenAnother = false) {
        target.Clear();
        target.UseScreenSpace();
        DrawIndexedTriangles(
            target.device, vertices.data(), vertices.size(), indices.data() + 3 * subset, 1, key);
        if (thenAnother)
            target.DrawTriangle(0, 0, 20, 0, 0, 20, 0.1f);
        return Picture(target);
    };
    drawSubset(device, 0);
    TestDevice fresh;
    EXPECT_EQ(drawSubset(device, 1), drawSubset(fresh, 1));
    EXPECT_EQ(drawSubset(device, 1), drawSubset(fresh, 1));
    EXPECT_EQ(drawSubset(device, 1, true), drawSubset(fresh, 1, true));
}

// A record may share an earlier record's copy of the vertices, which a changed draw earlier in the
// frame replaces. What a mesh's draw handed the rasterizer is then not to be handed on again for
// other vertices that happen to equal that copy.
TEST_F(RepeatedFrame, what_a_mesh_drew_is_not_drawn_again_for_other_vertices)
{
    TestDevice device;
    const Vertices mesh { ScreenVertex(device, 4, 4, 0.5f), ScreenVertex(device, 60, 8, 0.5f),
        ScreenVertex(device, 10, 56, 0.5f) };
    Vertices moved = mesh;
    for (MeshVertex& v : moved)
        v.y -= 0.5f;
    const Indices indices { 0, 1, 2 };
    const std::uint64_t key = NewGeometryKey();
    const auto drawTwice = [&](TestDevice& d, const Vertices& vertices, std::uint64_t k) {
        d.Clear();
        d.UseScreenSpace();
        for (int i = 0; i < 2; ++i)
            DrawIndexedTriangles(d.device, vertices.data(), vertices.size(), indices.data(), 1, k);
        return Picture(d);
    };
    drawTwice(device, mesh, key);
    TestDevice fresh;
    EXPECT_EQ(drawTwice(device, moved, 0), drawTwice(fresh, moved, 0));
}

// What draws share from frame to frame (view, lights, sampler and render states) is compared
// only after it was set to another value: each such change, and the change back, must still
// draw the frame anew.
TEST_F(RepeatedFrame, a_change_of_what_draws_share_draws_the_frame_anew)
{
    enum Variant { kBase, kMipFilter, kView, kLightMoved, kLightOff };
    struct LitScene {
        TestDevice device;
        IDirect3DTexture9* texture = FlatLevelsTexture(
            device.device, 64, 64, { 0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFF00u });
        ~LitScene() { texture->Release(); }

        std::vector<std::uint32_t> Draw(Variant variant)
        {
            TestDevice& d = device;
            d.Clear();
            d.UseCameraSpace();
            const D3DMATRIX view = Translation(variant == kView ? 0.3f : 0.0f, 0.0f, 0.0f);
            d->SetTransform(D3DTS_VIEW, &view);
            D3DLIGHT9 light {};
            light.Type = D3DLIGHT_POINT;
            light.Diffuse = { 1.0f, 1.0f, 1.0f, 0.0f };
            light.Position = { variant == kLightMoved ? 3.0f : 0.0f, 0.0f, 0.0f };
            light.Range = 50.0f;
            light.Attenuation0 = 1.0f;
            d->SetLight(0, &light);
            d->LightEnable(0, variant != kLightOff);
            D3DMATERIAL9 material {};
            material.Diffuse = { 1.0f, 1.0f, 1.0f, 1.0f };
            d->SetMaterial(&material);
            d->SetTexture(0, texture);
            d->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
            d->SetSamplerState(
                0, D3DSAMP_MIPFILTER, variant == kMipFilter ? D3DTEXF_NONE : D3DTEXF_LINEAR);
            Vertices vertices;
            Indices indices;
            CameraQuad(-1.0f, 1.0f, 1.0f, -1.0f, 4.0f, vertices, indices);
            d.Draw(vertices, indices);
            return Picture(d);
        }
    };
    LitScene scene;
    const auto base = scene.Draw(kBase);
    for (const Variant variant : { kMipFilter, kView, kLightMoved, kLightOff }) {
        LitScene fresh;
        const auto changed = fresh.Draw(variant);
        ASSERT_NE(changed, base) << variant;
        EXPECT_EQ(scene.Draw(variant), changed) << variant;
        EXPECT_EQ(scene.Draw(kBase), base) << variant;
    }
}

TEST_F(RepeatedFrame, fewer_or_more_draws_than_last_time_are_drawn)
{
    TestDevice device;
    DrawScene(device, 0);
    Picture(device);

    device.Clear();
    device.UseScreenSpace();
    device.DrawTriangle(4, 4, 60, 8, 10, 56, 0.5f); // the first draw only
    TestDevice fresh;
    fresh.Clear();
    fresh.UseScreenSpace();
    fresh.DrawTriangle(4, 4, 60, 8, 10, 56, 0.5f);
    EXPECT_EQ(Picture(device), Picture(fresh));

    DrawScene(device, 0);
    device.DrawTriangle(0, 0, 63, 0, 0, 63, 0.1f); // one more than the frame before
    fresh.Clear();
    DrawScene(fresh, 0);
    fresh.DrawTriangle(0, 0, 63, 0, 0, 63, 0.1f);
    EXPECT_EQ(Picture(device), Picture(fresh));
}

TEST_F(RepeatedFrame, depth_of_a_repeated_frame_holds_for_draws_after_it)
{
    // Between two equal frames a near triangle (0.05) is drawn without a clear. The second frame
    // stands for its own depth too: at (2, 1) it shows background at depth 1, so a triangle drawn
    // after it at 0.3 shows there.
    TestDevice device;
    DrawScene(device, 0);
    Picture(device);
    device.DrawTriangle(0, 0, 40, 0, 0, 40, 0.05f);
    ASSERT_NE(device.Pixel(2, 1), 0xFF000000u);
    DrawScene(device, 0);
    EXPECT_EQ(Picture(device), DrawnAfresh(0));
    ASSERT_EQ(device.Pixel(2, 1), 0xFF000000u);

    device.DrawTriangle(0, 0, 40, 0, 0, 40, 0.3f);
    EXPECT_NE(device.Pixel(2, 1), 0xFF000000u);
}

TEST_F(RepeatedFrame, text_drawn_on_a_frame_does_not_stay_in_the_next)
{
    TestDevice device;
    DrawScene(device, 0);
    IDirect3DSurface9* surface = nullptr;
    ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &surface), D3D_OK);
    HDC dc = nullptr;
    ASSERT_EQ(surface->GetDC(&dc), D3D_OK);
    SetTextColor(dc, 0x0000FF00);
    SetBkMode(dc, TRANSPARENT);
    TextOutA(dc, 0, 0, "MMMM", 4);
    surface->ReleaseDC(dc);
    surface->Release();
    ASSERT_NE(Picture(device), DrawnAfresh(0)) << "the text is there";
    DrawScene(device, 0);
    EXPECT_EQ(Picture(device), DrawnAfresh(0));
}

// A repeated frame compares only the render states that can change; one the device accepts but
// the comparison leaves out would let a changed frame pass for the last one.
TEST_F(RepeatedFrame, every_render_state_the_device_accepts_is_compared)
{
    for (DWORD state = 0; state < 256; ++state) {
        const auto type = static_cast<D3DRENDERSTATETYPE>(state);
        for (const DWORD value : { 0u, 1u, 2u, 3u, 4u, 0xFFC8C0B8u }) {
            if (IsRenderStateImplemented(type, value)) {
                EXPECT_NE(std::find(std::begin(kImplementedRenderStates),
                              std::end(kImplementedRenderStates), type),
                    std::end(kImplementedRenderStates))
                    << state;
            }
        }
    }
}

// The window keeps what it shows for a frame presented as unchanged, so only a frame whose
// pixels are those of the last presented one may say so.
TEST_F(RepeatedFrame, only_a_repeat_of_the_presented_pixels_is_presented_as_unchanged)
{
    std::vector<bool> unchanged;
    DisplayHooks hooks;
    hooks.present = [&](const PresentedFrame& f) { unchanged.push_back(f.unchanged); };
    SetDisplayHooks(hooks);
    TestDevice device;
    auto present = [&] { device->Present(nullptr, nullptr, nullptr, nullptr); };
    DrawScene(device, 0);
    present();
    DrawScene(device, 0);
    present();
    DrawScene(device, 3);
    present();
    DrawScene(device, 3);
    IDirect3DSurface9* surface = nullptr;
    ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &surface), D3D_OK);
    D3DLOCKED_RECT locked {};
    ASSERT_EQ(surface->LockRect(&locked, nullptr, 0), D3D_OK);
    static_cast<std::uint32_t*>(locked.pBits)[0] = 0xFFFFFFFFu;
    surface->UnlockRect();
    surface->Release();
    present();
    DrawScene(device, 3);
    present();
    DrawScene(device, 3);
    present();
    EXPECT_EQ(unchanged, (std::vector<bool> { false, true, false, false, false, true }));
}

// A frame's clear rewrites only what was written since the last, and the window copies only the
// rectangles a present names: across moving draws (one past the edge), text, a locked pixel and a
// partial clear, every frame must still equal the same frame drawn afresh, and a copy of the
// picture kept up to date only inside those rectangles must equal the picture.
TEST_F(RepeatedFrame, clears_and_presents_reach_every_pixel_written_since)
{
    std::vector<std::uint32_t> shown(64 * 64, 0u);
    DisplayHooks hooks;
    hooks.present = [&](const PresentedFrame& f) {
        for (int i = 0; i < f.changedCount; ++i) {
            const RECT& r = f.changed[i];
            for (int y = r.top; y < r.bottom; ++y) {
                for (int x = r.left; x < r.right; ++x)
                    shown[y * 64 + x] = f.pixels[y * f.pitch + x];
            }
        }
    };
    SetDisplayHooks(hooks);
    TestDevice device;
    IDirect3DSurface9* surface = nullptr;
    ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &surface), D3D_OK);
    const float shifts[] = { 0, 0, 6, 6, -5, 30, 30, 0 };
    for (int frame = 0; frame < 8; ++frame) {
        const float shift = shifts[frame];
        DrawScene(device, shift);
        EXPECT_EQ(Picture(device), DrawnAfresh(shift)) << frame;
        if (frame % 2 == 0) {
            HDC dc = nullptr;
            ASSERT_EQ(surface->GetDC(&dc), D3D_OK);
            SetTextColor(dc, 0x0000FF00);
            TextOutA(dc, frame * 6, 40 - frame * 4, "Mg", 2);
            surface->ReleaseDC(dc);
        }
        if (frame == 3 || frame == 6) {
            D3DLOCKED_RECT locked {};
            const RECT pixel { 61, 2, 62, 3 };
            ASSERT_EQ(surface->LockRect(&locked, &pixel, 0), D3D_OK);
            *static_cast<std::uint32_t*>(locked.pBits) = 0xFF123456u;
            surface->UnlockRect();
        }
        if (frame == 4) {
            const D3DRECT band { 0, 30, 64, 34 };
            device->Clear(1, &band, D3DCLEAR_TARGET, 0xFF808080u, 1.0f, 0);
        }
        device->Present(nullptr, nullptr, nullptr, nullptr);
        EXPECT_EQ(shown, Picture(device)) << frame;
    }
    surface->Release();
    SetDisplayHooks({});
}

} // namespace
} // namespace softd3d::testing
