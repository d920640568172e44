#include "tests/platform/d3d9/test_device.h"

#include <cmath>

#include "platform/d3d9/display_hooks.h"
#include "platform/d3d9/span_shader.h"

namespace softd3d::testing {

D3DMATRIX Identity()
{
    D3DMATRIX m {};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

D3DMATRIX Translation(float x, float y, float z)
{
    D3DMATRIX m = Identity();
    m._41 = x;
    m._42 = y;
    m._43 = z;
    return m;
}

D3DMATRIX PerspectiveLH(float fovY, float aspect, float zn, float zf)
{
    D3DMATRIX m {};
    const float yScale = 1.0f / std::tan(fovY / 2.0f);
    m._11 = yScale / aspect;
    m._22 = yScale;
    m._33 = zf / (zf - zn);
    m._34 = 1.0f;
    m._43 = -zn * zf / (zf - zn);
    return m;
}

D3DPRESENT_PARAMETERS WindowedParameters(UINT width, UINT height)
{
    D3DPRESENT_PARAMETERS p {};
    p.BackBufferWidth = width;
    p.BackBufferHeight = height;
    p.BackBufferFormat = D3DFMT_X8R8G8B8;
    p.BackBufferCount = 1;
    p.SwapEffect = D3DSWAPEFFECT_FLIP;
    p.Windowed = TRUE;
    p.EnableAutoDepthStencil = TRUE;
    p.AutoDepthStencilFormat = D3DFMT_D16;
    p.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    return p;
}

TestDevice::TestDevice(UINT w, UINT h)
    : TestDevice(WindowedParameters(w, h))
{
}

TestDevice::TestDevice(D3DPRESENT_PARAMETERS params)
    : width(static_cast<int>(params.BackBufferWidth))
    , height(static_cast<int>(params.BackBufferHeight))
{
    direct3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (direct3d == nullptr) {
        ADD_FAILURE() << "Direct3DCreate9 failed";
        return;
    }
    HRESULT hr = direct3d->CreateDevice(
        0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &params, &device);
    if (FAILED(hr))
        ADD_FAILURE() << "CreateDevice failed: " << hr;
}

TestDevice::~TestDevice()
{
    if (device != nullptr)
        device->Release();
    if (direct3d != nullptr)
        direct3d->Release();
}

namespace {

void UseTransforms(IDirect3DDevice9* device, const D3DMATRIX& projection)
{
    D3DMATRIX identity = Identity();
    device->SetTransform(D3DTS_WORLD, &identity);
    device->SetTransform(D3DTS_VIEW, &identity);
    device->SetTransform(D3DTS_PROJECTION, &projection);
}

void UseUnlit(IDirect3DDevice9* device)
{
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
}

} // namespace

void TestDevice::UseScreenSpace()
{
    UseTransforms(device, Identity());
    UseUnlit(device);
}

void TestDevice::UseCameraSpace()
{
    UseTransforms(device, PerspectiveLH(1.0471976f, 1.0f, 1.0f, 100.0f));
}

void TestDevice::UseUnlitCameraSpace()
{
    UseCameraSpace();
    UseUnlit(device);
}

void TestDevice::Draw(const Vertices& vertices, const Indices& indices)
{
    softd3d::DrawIndexedTriangles(
        device, vertices.data(), vertices.size(), indices.data(), indices.size() / 3);
}

void TestDevice::DrawTriangle(float x0, float y0, float x1, float y1, float x2, float y2, float z)
{
    Draw({ ScreenVertex(*this, x0, y0, z), ScreenVertex(*this, x1, y1, z),
             ScreenVertex(*this, x2, y2, z) },
        { 0, 1, 2 });
}

std::uint32_t TestDevice::Pixel(int x, int y) const
{
    FrameView frame = BackBufferPixels(device);
    return frame.pixels[y * frame.pitch + x];
}

void TestDevice::Clear(D3DCOLOR colour)
{
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, colour, 1.0f, 0);
}

std::vector<bool> TestDevice::Covered(std::uint32_t background) const
{
    std::vector<bool> covered(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            covered[y * width + x] = Pixel(x, y) != background;
    }
    return covered;
}

MeshVertex ScreenVertex(const TestDevice& device, float x, float y, float z, float u, float v)
{
    return { x * 2.0f / static_cast<float>(device.width) - 1.0f,
        1.0f - y * 2.0f / static_cast<float>(device.height), z, 0.0f, 0.0f, -1.0f, u, v };
}

void CameraQuad(float left, float top, float right, float bottom, float z, Vertices& vertices,
    Indices& indices, float nz)
{
    const std::uint32_t base = static_cast<std::uint32_t>(vertices.size());
    vertices.push_back({ left, top, z, 0, 0, nz, 0, 0 });
    vertices.push_back({ right, top, z, 0, 0, nz, 1, 0 });
    vertices.push_back({ right, bottom, z, 0, 0, nz, 1, 1 });
    vertices.push_back({ left, bottom, z, 0, 0, nz, 0, 1 });
    for (std::uint32_t i : { 0u, 1u, 2u, 0u, 2u, 3u })
        indices.push_back(base + i);
}

IDirect3DTexture9* FlatLevelsTexture(
    IDirect3DDevice9* device, int width, int height, const std::vector<std::uint32_t>& levelColours)
{
    std::vector<TextureLevel> levels;
    for (std::uint32_t colour : levelColours) {
        TextureLevel level;
        level.width = width;
        level.height = height;
        level.argb.assign(static_cast<std::size_t>(width) * height, colour);
        levels.push_back(std::move(level));
        width = width > 1 ? width / 2 : 1;
        height = height > 1 ? height / 2 : 1;
    }
    IDirect3DTexture9* texture = nullptr;
    EXPECT_EQ(
        CreateTextureFromLevels(device, std::move(levels), D3DFMT_A8R8G8B8, &texture), D3D_OK);
    return texture;
}

int Red(std::uint32_t c)
{
    return static_cast<int>((c >> 16) & 0xFF);
}
int Green(std::uint32_t c)
{
    return static_cast<int>((c >> 8) & 0xFF);
}
int Blue(std::uint32_t c)
{
    return static_cast<int>(c & 0xFF);
}

void DeviceTest::SetUp()
{
    faults::ClearAll();
    SetDisplayHooks({});
}

void DeviceTest::TearDown()
{
    faults::ClearAll();
    SetDisplayHooks({});
    UseTrilinearPath(TrilinearPath::Wide);
    UseWideLoops(true);
}

} // namespace softd3d::testing
