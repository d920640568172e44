// GDI text through the back buffer's device context lands in the device's own pixels.
#include <gtest/gtest.h>

#include "tests/platform/d3d9/test_device.h"

namespace softd3d::testing {
namespace {

using SurfaceTextTest = DeviceTest;

int PixelsOfColour(const TestDevice& d, std::uint32_t colour, int top, int bottom)
{
    int count = 0;
    for (int y = top; y < bottom; ++y) {
        for (int x = 0; x < d.width; ++x)
            count += d.Pixel(x, y) == colour ? 1 : 0;
    }
    return count;
}

TEST_F(SurfaceTextTest, back_buffer_device_context_draws_text_into_the_picture)
{
    TestDevice d(160, 60);
    d.Clear(0xFF000000u);
    IDirect3DSurface9* surface = nullptr;
    ASSERT_EQ(d->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &surface), D3D_OK);
    HDC dc = nullptr;
    ASSERT_EQ(surface->GetDC(&dc), D3D_OK);
    HDC second = nullptr;
    EXPECT_EQ(surface->GetDC(&second), D3DERR_INVALIDCALL); // one context at a time
    D3DLOCKED_RECT locked {};
    EXPECT_EQ(surface->LockRect(&locked, nullptr, 0), D3DERR_INVALIDCALL);
    SetTextColor(dc, 0x00F6FFFF);
    SetBkMode(dc, TRANSPARENT);
    ASSERT_TRUE(TextOutA(dc, 0, 20, "60 FPS", 6));
    EXPECT_EQ(surface->ReleaseDC(dc), D3D_OK);
    EXPECT_EQ(surface->ReleaseDC(dc), D3DERR_INVALIDCALL);
    EXPECT_GT(PixelsOfColour(d, 0xFFFFFFF6u, 20, 40), 20);
    EXPECT_EQ(PixelsOfColour(d, 0xFFFFFFF6u, 0, 20), 0);
    EXPECT_EQ(PixelsOfColour(d, 0xFFFFFFF6u, 40, 60), 0);
    surface->Release();
}

TEST_F(SurfaceTextTest, text_on_a_sixteen_bit_back_buffer_is_reduced_to_its_format)
{
    D3DPRESENT_PARAMETERS p = WindowedParameters(80, 20);
    p.BackBufferFormat = D3DFMT_R5G6B5;
    TestDevice d(p);
    IDirect3DSurface9* surface = nullptr;
    d->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &surface);
    HDC dc = nullptr;
    ASSERT_EQ(surface->GetDC(&dc), D3D_OK);
    SetTextColor(dc, 0x00F6FFFF);
    SetBkMode(dc, TRANSPARENT);
    TextOutA(dc, 0, 0, "MOUSE", 5);
    surface->ReleaseDC(dc);
    // Blue 246 has no 5-bit value; it reads back as 0xF7 (11110 repeated).
    EXPECT_EQ(PixelsOfColour(d, 0xFFFFFFF6u, 0, 20), 0);
    EXPECT_GT(PixelsOfColour(d, 0xFFFFFFF7u, 0, 20), 10);
    surface->Release();
}

} // namespace
} // namespace softd3d::testing
