// The device as the program's set-up, loss and teardown paths meet it: creation and its fault
// switches, presentation and loss, Clear, the back-buffer surface and reference counting.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "platform/d3d9/display_hooks.h"
#include "tests/platform/d3d9/test_device.h"

namespace softd3d::testing {
namespace {

using faults::Call;
using DeviceLifecycleTest = DeviceTest;

HRESULT Create(IDirect3D9* d3d, D3DDEVTYPE type, DWORD flags, D3DPRESENT_PARAMETERS params,
    IDirect3DDevice9** device)
{
    return d3d->CreateDevice(0, type, nullptr, flags, &params, device);
}

TEST_F(DeviceLifecycleTest, direct3d_object_needs_the_sdk_version_and_obeys_its_fault_switch)
{
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    d3d->Release();
    EXPECT_EQ(Direct3DCreate9(31), nullptr);
    faults::FailCall(Call::Direct3DCreate9, 1);
    EXPECT_EQ(Direct3DCreate9(D3D_SDK_VERSION), nullptr);
    d3d = Direct3DCreate9(D3D_SDK_VERSION); // one failure only
    ASSERT_NE(d3d, nullptr);
    d3d->Release();
}

TEST_F(DeviceLifecycleTest, display_mode_reports_the_desktop_format_and_can_fail)
{
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    D3DDISPLAYMODE mode {};
    ASSERT_EQ(d3d->GetAdapterDisplayMode(0, &mode), D3D_OK);
    EXPECT_EQ(mode.Format, D3DFMT_X8R8G8B8);
    EXPECT_GT(mode.Width, 0u);
    faults::SetDisplayFormat(D3DFMT_R5G6B5);
    ASSERT_EQ(d3d->GetAdapterDisplayMode(0, &mode), D3D_OK);
    EXPECT_EQ(mode.Format, D3DFMT_R5G6B5);
    EXPECT_EQ(d3d->GetAdapterDisplayMode(1, &mode), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->GetAdapterDisplayMode(0, nullptr), D3DERR_INVALIDCALL);
    faults::FailCall(Call::GetAdapterDisplayMode);
    EXPECT_LT(d3d->GetAdapterDisplayMode(0, &mode), 0);
    EXPECT_LT(d3d->GetAdapterDisplayMode(0, &mode), 0); // until cleared
    faults::ClearAll();
    EXPECT_EQ(d3d->GetAdapterDisplayMode(0, &mode), D3D_OK);
    d3d->Release();
}

TEST_F(DeviceLifecycleTest, each_device_creation_attempt_fails_on_its_own_switch)
{
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    const D3DPRESENT_PARAMETERS params = WindowedParameters(640, 480);
    struct Attempt {
        D3DDEVTYPE type;
        DWORD flags;
        Call call;
    };
    const std::array<Attempt, 3> attempts = { {
        { D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING, Call::CreateDeviceHalHardware },
        { D3DDEVTYPE_HAL, D3DCREATE_SOFTWARE_VERTEXPROCESSING, Call::CreateDeviceHalSoftware },
        { D3DDEVTYPE_REF, D3DCREATE_SOFTWARE_VERTEXPROCESSING, Call::CreateDeviceRef },
    } };
    for (const Attempt& failing : attempts) {
        faults::ClearAll();
        faults::FailCall(failing.call);
        for (const Attempt& attempt : attempts) {
            IDirect3DDevice9* device = reinterpret_cast<IDirect3DDevice9*>(0x1);
            HRESULT hr = Create(d3d, attempt.type, attempt.flags, params, &device);
            if (attempt.call == failing.call) {
                EXPECT_LT(hr, 0);
                EXPECT_EQ(device, nullptr);
            } else {
                ASSERT_EQ(hr, D3D_OK);
                device->Release();
            }
        }
    }
    // Skipping: the second call of an attempt fails, the first and third succeed.
    faults::ClearAll();
    faults::FailCall(Call::CreateDeviceRef, 1, 1);
    IDirect3DDevice9* device = nullptr;
    ASSERT_EQ(
        Create(d3d, D3DDEVTYPE_REF, D3DCREATE_SOFTWARE_VERTEXPROCESSING, params, &device), D3D_OK);
    device->Release();
    EXPECT_LT(Create(d3d, D3DDEVTYPE_REF, D3DCREATE_SOFTWARE_VERTEXPROCESSING, params, &device), 0);
    ASSERT_EQ(
        Create(d3d, D3DDEVTYPE_REF, D3DCREATE_SOFTWARE_VERTEXPROCESSING, params, &device), D3D_OK);
    device->Release();
    d3d->Release();
}

TEST_F(DeviceLifecycleTest, unusable_presentation_parameters_are_refused)
{
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    IDirect3DDevice9* device = nullptr;
    auto refused = [&](D3DPRESENT_PARAMETERS p) {
        return Create(d3d, D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING, p, &device)
            == D3DERR_INVALIDCALL
            && device == nullptr;
    };
    D3DPRESENT_PARAMETERS p = WindowedParameters(0, 480);
    EXPECT_TRUE(refused(p));
    p = WindowedParameters(640, 100000);
    EXPECT_TRUE(refused(p));
    p = WindowedParameters(640, 480);
    p.BackBufferFormat = D3DFMT_D16;
    EXPECT_TRUE(refused(p));
    p = WindowedParameters(640, 480);
    p.AutoDepthStencilFormat = D3DFMT_X8R8G8B8;
    EXPECT_TRUE(refused(p));
    p = WindowedParameters(640, 480);
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                  nullptr, &device),
        D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &p, &device), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->CreateDevice(
                  0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &p, nullptr),
        D3DERR_INVALIDCALL);
    d3d->Release();
}

TEST_F(DeviceLifecycleTest, sixteen_bit_back_buffer_stores_colours_at_five_six_five)
{
    faults::SetDisplayFormat(D3DFMT_R5G6B5);
    D3DPRESENT_PARAMETERS p = WindowedParameters(8, 8);
    p.BackBufferFormat = D3DFMT_UNKNOWN; // windowed: the desktop's format
    TestDevice d(p);
    IDirect3DSurface9* surface = nullptr;
    ASSERT_EQ(d->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &surface), D3D_OK);
    D3DSURFACE_DESC desc {};
    surface->GetDesc(&desc);
    EXPECT_EQ(desc.Format, D3DFMT_R5G6B5);
    d.Clear(0xFF123456u);
    // 0x12 -> 5 bits 00010 -> 0x10; 0x34 -> 6 bits 001101 -> 0x34; 0x56 -> 01010 -> 0x52.
    EXPECT_EQ(d.Pixel(3, 3), 0xFF103452u);
    surface->Release();
}

TEST_F(DeviceLifecycleTest, clear_fills_colour_and_depth_in_rectangles_or_everywhere)
{
    TestDevice d(16, 16);
    d.UseScreenSpace();
    EXPECT_EQ(
        d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF204060u, 1.0f, 0), D3D_OK);
    EXPECT_EQ(d.Pixel(0, 0), 0xFF204060u);
    EXPECT_EQ(d.Pixel(15, 15), 0xFF204060u);
    D3DRECT rect = { 4, 4, 8, 8 };
    d->Clear(1, &rect, D3DCLEAR_TARGET, 0xFFFFFFFFu, 1.0f, 0);
    EXPECT_EQ(d.Pixel(4, 4), 0xFFFFFFFFu);
    EXPECT_EQ(d.Pixel(7, 7), 0xFFFFFFFFu);
    EXPECT_EQ(d.Pixel(8, 8), 0xFF204060u);
    D3DRECT outside = { -50, -50, 1000, 2 }; // clipped to the buffer
    d->Clear(1, &outside, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
    EXPECT_EQ(d.Pixel(15, 1), 0xFF000000u);
    EXPECT_EQ(d->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3DERR_INVALIDCALL);

    // Depth cleared to 0.25: a triangle at 0.5 fails the test, one at 0.2 passes.
    d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u, 0.25f, 0);
    d.DrawTriangle(0, 0, 16, 0, 0, 16, 0.5f);
    EXPECT_EQ(d.Pixel(2, 2), 0xFF000000u);
    d.DrawTriangle(0, 0, 16, 0, 0, 16, 0.2f);
    EXPECT_EQ(d.Pixel(2, 2), 0xFFFFFFFFu);
}

TEST_F(DeviceLifecycleTest, device_without_depth_buffer_refuses_depth_clears_and_draws_untested)
{
    D3DPRESENT_PARAMETERS p = WindowedParameters(8, 8);
    p.EnableAutoDepthStencil = FALSE;
    TestDevice d(p);
    d.UseScreenSpace();
    EXPECT_EQ(d->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3DERR_INVALIDCALL);
    d.DrawTriangle(0, 0, 8, 0, 0, 8, 0.9f);
    d.DrawTriangle(0, 0, 8, 0, 0, 8, 0.1f);
    EXPECT_EQ(d.Pixel(1, 1), 0xFFFFFFFFu);
}

TEST_F(DeviceLifecycleTest, present_hands_the_back_buffer_to_the_hook_and_keeps_its_pixels)
{
    std::vector<PresentedFrame> frames;
    DisplayHooks hooks;
    hooks.present = [&](const PresentedFrame& f) { frames.push_back(f); };
    SetDisplayHooks(hooks);
    TestDevice d(32, 16);
    d.Clear(0xFF336699u);
    ASSERT_EQ(d->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].width, 32);
    EXPECT_EQ(frames[0].height, 16);
    EXPECT_FALSE(frames[0].fullScreen);
    EXPECT_EQ(frames[0].pixels[5 * frames[0].pitch + 7], 0xFF336699u);
    EXPECT_EQ(d.Pixel(7, 5), 0xFF336699u);
}

TEST_F(DeviceLifecycleTest, full_screen_device_switches_the_display_while_it_lives)
{
    std::vector<std::pair<HWND, bool>> modes;
    DisplayHooks hooks;
    hooks.displayMode = [&](HWND w, bool full) { modes.emplace_back(w, full); };
    SetDisplayHooks(hooks);
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS p = WindowedParameters(640, 480);
    p.Windowed = FALSE;
    HWND window = reinterpret_cast<HWND>(0x1234);
    IDirect3DDevice9* device = nullptr;
    ASSERT_EQ(d3d->CreateDevice(
                  0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &p, &device),
        D3D_OK);
    ASSERT_EQ(modes.size(), 1u);
    EXPECT_EQ(modes[0], std::make_pair(window, true));
    device->Release();
    ASSERT_EQ(modes.size(), 2u);
    EXPECT_EQ(modes[1], std::make_pair(window, false));

    // A windowed device leaves the display alone.
    p.Windowed = TRUE;
    ASSERT_EQ(d3d->CreateDevice(
                  0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &p, &device),
        D3D_OK);
    device->Release();
    EXPECT_EQ(modes.size(), 2u);
    d3d->Release();
}

TEST_F(DeviceLifecycleTest, scripted_loss_fails_present_until_reset)
{
    int presented = 0;
    DisplayHooks hooks;
    hooks.present = [&](const PresentedFrame&) { ++presented; };
    SetDisplayHooks(hooks);
    TestDevice d(16, 16);
    d.UseScreenSpace();
    EXPECT_EQ(d->TestCooperativeLevel(), D3D_OK);
    faults::ScriptDeviceLoss({ D3DERR_DEVICELOST, D3DERR_DEVICENOTRESET });
    EXPECT_EQ(d->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    EXPECT_EQ(presented, 0);
    EXPECT_EQ(d->TestCooperativeLevel(), D3DERR_DEVICELOST);

    // While lost, clears and draws change nothing.
    d.Clear(0xFFFFFFFFu);
    d.DrawTriangle(0, 0, 16, 0, 0, 16);
    EXPECT_EQ(d.Pixel(1, 1), 0xFF000000u);
    EXPECT_EQ(d->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);

    EXPECT_EQ(d->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(d->TestCooperativeLevel(), D3D_OK); // script used up
    EXPECT_EQ(d->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);

    D3DPRESENT_PARAMETERS p = WindowedParameters(16, 16);
    ASSERT_EQ(d->Reset(&p), D3D_OK);
    EXPECT_EQ(d->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(presented, 1);
    EXPECT_EQ(d->TestCooperativeLevel(), D3D_OK);
}

TEST_F(DeviceLifecycleTest, a_new_device_after_a_loss_is_not_lost)
{
    {
        TestDevice lost(8, 8);
        faults::ScriptDeviceLoss({ D3DERR_DEVICENOTRESET });
        EXPECT_EQ(lost->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
        EXPECT_EQ(lost->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    }
    TestDevice fresh(8, 8);
    EXPECT_EQ(fresh->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
}

TEST_F(DeviceLifecycleTest, reset_restores_default_states_and_may_change_the_size)
{
    TestDevice d(16, 16);
    d->SetRenderState(D3DRS_LIGHTING, FALSE);
    D3DPRESENT_PARAMETERS p = WindowedParameters(32, 8);
    ASSERT_EQ(d->Reset(&p), D3D_OK);
    EXPECT_EQ(BackBufferPixels(d.device).width, 32);
    EXPECT_EQ(BackBufferPixels(d.device).height, 8);
    d.width = 32;
    d.height = 8;
    // Lighting is on again: with no light and a black material the triangle is black, not white.
    D3DMATRIX identity = Identity();
    d->SetTransform(D3DTS_PROJECTION, &identity);
    d.Clear(0xFF0000FFu);
    d.DrawTriangle(0, 0, 32, 0, 0, 8);
    EXPECT_EQ(d.Pixel(2, 2), 0xFF000000u);
    p.BackBufferWidth = 0;
    EXPECT_EQ(d->Reset(&p), D3DERR_INVALIDCALL);
}

TEST_F(DeviceLifecycleTest, scene_brackets_are_checked)
{
    TestDevice d(8, 8);
    EXPECT_EQ(d->EndScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->BeginScene(), D3D_OK);
    EXPECT_EQ(d->BeginScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->EndScene(), D3D_OK);
}

TEST_F(DeviceLifecycleTest, state_calls_refuse_what_the_device_does_not_implement)
{
    TestDevice d(8, 8);
    D3DMATRIX m = Identity();
    D3DLIGHT9 light {};
    light.Type = D3DLIGHT_POINT;
    light.Range = 1.0f;
    EXPECT_EQ(d->SetTransform(D3DTS_TEXTURE0, &m), D3D_OK);
    EXPECT_EQ(d->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(1), &m), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->SetTransform(D3DTS_WORLD, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->SetLight(0, &light), D3D_OK);
    EXPECT_EQ(d->SetLight(1000, &light), D3DERR_INVALIDCALL);
    light.Type = static_cast<D3DLIGHTTYPE>(9);
    EXPECT_EQ(d->SetLight(0, &light), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->LightEnable(0, TRUE), D3D_OK);
    EXPECT_EQ(d->LightEnable(5, TRUE), D3DERR_INVALIDCALL); // never set
    for (const D3DLIGHTTYPE type : { D3DLIGHT_SPOT, D3DLIGHT_DIRECTIONAL }) {
        light.Type = type;
        EXPECT_EQ(d->SetLight(0, &light), D3DERR_INVALIDCALL);
    }
    EXPECT_EQ(d->SetMaterial(nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->SetRenderState(static_cast<D3DRENDERSTATETYPE>(100000), 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->SetSamplerState(99, D3DSAMP_MAGFILTER, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->SetTextureStageState(99, D3DTSS_COLOROP, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->SetTexture(99, nullptr), D3DERR_INVALIDCALL);

    // Values outside what the device implements fail, and the state keeps its value.
    EXPECT_EQ(d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW), D3D_OK);
    EXPECT_EQ(d->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->SetRenderState(D3DRS_FILLMODE, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_MIRROR), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->SetSamplerState(0, D3DSAMP_MINFILTER, 3), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->SetSamplerState(1, D3DSAMP_MINFILTER, D3DTEXF_LINEAR), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(D3DTS_TEXTURE0 + 1), &m),
        D3DERR_INVALIDCALL);

    d.UseScreenSpace();
    d.DrawTriangle(2, 2, 2, 6, 6, 2); // counter-clockwise: still culled
    EXPECT_EQ(d.Pixel(3, 3), 0xFF000000u);
}

TEST_F(DeviceLifecycleTest, back_buffer_surface_locks_onto_the_presented_pixels)
{
    TestDevice d(16, 8);
    IDirect3DSurface9* surface = nullptr;
    ASSERT_EQ(d->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &surface), D3D_OK);
    EXPECT_EQ(d->GetBackBuffer(0, 1, D3DBACKBUFFER_TYPE_MONO, &surface), D3DERR_INVALIDCALL);
    EXPECT_EQ(surface, nullptr);
    ASSERT_EQ(d->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &surface), D3D_OK);
    D3DSURFACE_DESC desc {};
    ASSERT_EQ(surface->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Width, 16u);
    EXPECT_EQ(desc.Height, 8u);
    EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);

    D3DLOCKED_RECT locked {};
    ASSERT_EQ(surface->LockRect(&locked, nullptr, 0), D3D_OK);
    EXPECT_EQ(locked.Pitch, 64);
    static_cast<std::uint32_t*>(locked.pBits)[3 * 16 + 5] = 0xFFABCDEFu;
    EXPECT_EQ(surface->LockRect(&locked, nullptr, 0), D3DERR_INVALIDCALL);
    HDC dc = nullptr;
    EXPECT_EQ(surface->GetDC(&dc), D3DERR_INVALIDCALL); // not while locked
    ASSERT_EQ(surface->UnlockRect(), D3D_OK);
    EXPECT_EQ(surface->UnlockRect(), D3DERR_INVALIDCALL);
    EXPECT_EQ(d.Pixel(5, 3), 0xFFABCDEFu);

    RECT part = { 4, 2, 8, 6 };
    ASSERT_EQ(surface->LockRect(&locked, &part, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(static_cast<std::uint32_t*>(locked.pBits)[1 * 16 + 1], 0xFFABCDEFu);
    surface->UnlockRect();
    RECT outside = { 10, 2, 20, 6 };
    EXPECT_EQ(surface->LockRect(&locked, &outside, 0), D3DERR_INVALIDCALL);
    surface->Release();
    surface->Release();
}

// Every order of releasing the objects the program holds must end cleanly; the sanitizer build
// checks that nothing is used after it is freed and nothing leaks.
TEST_F(DeviceLifecycleTest, objects_may_be_released_in_any_order)
{
    enum Object { kDirect3D, kDevice, kSurface, kTexture };
    std::array<int, 4> order = { kDirect3D, kDevice, kSurface, kTexture };
    int permutations = 0;
    do {
        IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
        D3DPRESENT_PARAMETERS p = WindowedParameters(8, 8);
        IDirect3DDevice9* device = nullptr;
        ASSERT_EQ(
            Create(d3d, D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING, p, &device), D3D_OK);
        IDirect3DSurface9* surface = nullptr;
        device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &surface);
        IDirect3DTexture9* texture = FlatLevelsTexture(device, 4, 4, { 0xFFFFFFFFu, 0xFF000000u });
        device->SetTexture(0, texture); // bound: the device holds a reference too
        for (int object : order) {
            switch (object) {
            case kDirect3D: d3d->Release(); break;
            case kDevice: device->Release(); break;
            case kSurface: surface->Release(); break;
            case kTexture: texture->Release(); break;
            }
        }
        ++permutations;
    } while (std::next_permutation(order.begin(), order.end()));
    EXPECT_EQ(permutations, 24);
}

TEST_F(DeviceLifecycleTest, references_keep_what_they_need_alive)
{
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS p = WindowedParameters(8, 8);
    IDirect3DDevice9* device = nullptr;
    ASSERT_EQ(Create(d3d, D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING, p, &device), D3D_OK);
    EXPECT_EQ(d3d->Release(), 1u); // the device keeps the Direct3D object
    IDirect3DSurface9* surface = nullptr;
    device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &surface);
    EXPECT_EQ(device->Release(), 1u); // the surface keeps the device
    D3DSURFACE_DESC desc {};
    EXPECT_EQ(surface->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Width, 8u);
    EXPECT_EQ(surface->Release(), 0u);

    d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_EQ(Create(d3d, D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING, p, &device), D3D_OK);
    IDirect3DTexture9* texture = FlatLevelsTexture(device, 2, 2, { 0xFFFFFFFFu });
    device->SetTexture(0, texture);
    EXPECT_EQ(texture->Release(), 1u); // bound: still alive
    device->SetTexture(0, nullptr); // now freed
    device->Release();
    d3d->Release();
}

} // namespace
} // namespace softd3d::testing
