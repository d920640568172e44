// A frame's worth of device calls allocates nothing once the device has drawn its first frame.
// Its own program: it counts every operator new of the process.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "platform/d3d9/display_hooks.h"
#include "tests/platform/d3d9/test_device.h"

namespace {
std::atomic<long> allocations { 0 };
}

void* operator new(std::size_t size)
{
    ++allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace softd3d::testing {
namespace {

TEST(SteadyStateAllocationTest, frames_after_the_first_allocate_nothing)
{
    DisplayHooks hooks;
    int presented = 0;
    hooks.present = [&presented](const PresentedFrame&) { ++presented; };
    SetDisplayHooks(hooks);
    TestDevice d(640, 480);
    IDirect3DTexture9* texture = FlatLevelsTexture(d.device, 64, 64, { 0xFF808080u, 0xFF404040u });
    Vertices vertices;
    Indices indices;
    for (int i = 0; i < 30; ++i) {
        CameraQuad(
            -3.0f + i * 0.2f, 0.5f, -2.9f + i * 0.2f, -0.5f, 30.0f + i * 0.1f, vertices, indices);
    }
    D3DMATRIX projection = PerspectiveLH(1.0471976f, 4.0f / 3.0f, 1.0f, 100.0f);
    D3DLIGHT9 light {};
    light.Type = D3DLIGHT_POINT;
    light.Diffuse = { 1, 1, 0.9f, 0 };
    light.Range = 20.0f;
    light.Attenuation0 = 1.0f;
    D3DMATERIAL9 material {};
    material.Diffuse = material.Ambient = { 0.8f, 0.2f, 0.2f, 1.0f };

    auto frame = [&] {
        d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
        d->BeginScene();
        d->SetLight(0, &light);
        d->LightEnable(0, TRUE);
        d->SetRenderState(D3DRS_LIGHTING, TRUE);
        d->SetRenderState(D3DRS_AMBIENT, 0xFFC8C0B8u);
        for (int piece = 0; piece < 27; ++piece) {
            D3DMATRIX world = Translation(0.0f, 0.0f, static_cast<float>(piece % 3));
            D3DMATRIX view = Identity();
            d->SetTransform(D3DTS_WORLD, &world);
            d->SetTransform(D3DTS_VIEW, &view);
            d->SetTransform(D3DTS_PROJECTION, &projection);
            for (int subset = 0; subset < 7; ++subset) {
                d->SetMaterial(&material);
                d->SetTexture(0, subset == 0 ? nullptr : texture);
                D3DMATRIX shift = Identity();
                shift._31 = 0.1f * subset;
                d->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
                d->SetTransform(D3DTS_TEXTURE0, &shift);
                d.Draw(vertices, indices);
            }
            d->SetTexture(0, nullptr);
        }
        d->EndScene();
        d->Present(nullptr, nullptr, nullptr, nullptr);
    };
    frame();
    const long before = allocations.load();
    frame();
    frame();
    EXPECT_EQ(allocations.load() - before, 0);
    EXPECT_EQ(presented, 3);
    texture->Release();
    SetDisplayHooks({});
}

} // namespace
} // namespace softd3d::testing
