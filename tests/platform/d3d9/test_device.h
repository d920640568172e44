#pragma once
// A small software device for image tests, and helpers to draw in screen or camera space.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/fault_injection.h"
#include "platform/d3d9/software_device.h"

namespace softd3d::testing {

using Vertices = std::vector<MeshVertex>;
using Indices = std::vector<std::uint32_t>;

D3DMATRIX Identity();
D3DMATRIX Translation(float x, float y, float z);
// D3DXMatrixPerspectiveFovLH's layout.
D3DMATRIX PerspectiveLH(float fovY, float aspect, float zn, float zf);

D3DPRESENT_PARAMETERS WindowedParameters(UINT width, UINT height);

// Owns a Direct3D object and a device; everything faults can switch off is on.
class TestDevice {
public:
    explicit TestDevice(UINT width = 64, UINT height = 64);
    explicit TestDevice(D3DPRESENT_PARAMETERS params);
    ~TestDevice();
    TestDevice(const TestDevice&) = delete;
    TestDevice& operator=(const TestDevice&) = delete;

    IDirect3DDevice9* operator->() const { return device; }

    // Screen-space drawing: identity transforms, lighting off (white), depth test kept. A vertex
    // (x, y) lands on pixel coordinates (x, y) with depth z; triangles must be clockwise on
    // screen, as the device culls the others.
    void UseScreenSpace();
    // Camera-space drawing: identity world and view, a square 60-degree perspective with near
    // plane 1 and far plane 100. The Unlit form also turns lighting off (white).
    void UseCameraSpace();
    void UseUnlitCameraSpace();
    void Draw(const Vertices& vertices, const Indices& indices);
    void DrawTriangle(float x0, float y0, float x1, float y1, float x2, float y2, float z = 0.5f);

    std::uint32_t Pixel(int x, int y) const;
    void Clear(D3DCOLOR colour = 0xFF000000u);
    // Pixels that differ from `background`.
    std::vector<bool> Covered(std::uint32_t background = 0xFF000000u) const;

    IDirect3D9* direct3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    int width = 0;
    int height = 0;
};

// A screen-space vertex as UseScreenSpace() expects it.
MeshVertex ScreenVertex(
    const TestDevice& device, float x, float y, float z, float u = 0.0f, float v = 0.0f);

// A quad in camera space facing the eye (normal towards -z), with texture coordinates 0..1,
// wound clockwise on screen.
void CameraQuad(float left, float top, float right, float bottom, float z, Vertices& vertices,
    Indices& indices, float nz = -1.0f);

// A texture whose levels are each one flat colour.
IDirect3DTexture9* FlatLevelsTexture(IDirect3DDevice9* device, int width, int height,
    const std::vector<std::uint32_t>& levelColours);

int Red(std::uint32_t c);
int Green(std::uint32_t c);
int Blue(std::uint32_t c);

// Resets every platform switch around each test.
class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

} // namespace softd3d::testing
