#pragma once
// What the software device offers the rest of the platform layer beyond the Direct3D 9 interface:
// the D3DX loaders draw and make textures through it, tests and tools read the pictures it makes.
// The program never includes this header.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/d3d9/d3d9.h"

namespace softd3d {

// One vertex of format D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1 (0x112), 32 bytes.
struct MeshVertex {
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};
static_assert(sizeof(MeshVertex) == 32, "FVF 0x112 vertex");

// A key for vertex and index arrays that never change nor move while they exist (a mesh's), never
// handed out twice. A draw that passes one lets the device recognise a repeat of it without
// comparing the bytes.
std::uint64_t NewGeometryKey();

// Draws an indexed triangle list with the device's current transforms, light, material, texture,
// render, sampler and texture-stage states. Does nothing while the device is lost. geometryKey:
// the arrays' key from NewGeometryKey, or 0 for arrays that may change.
void DrawIndexedTriangles(IDirect3DDevice9* device, const MeshVertex* vertices,
    std::size_t vertexCount, const std::uint32_t* indices, std::size_t triangleCount,
    std::uint64_t geometryKey = 0);

// One level of a texture's mip chain: width x height A8R8G8B8 texels, rows top to bottom.
struct TextureLevel {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> argb;
};

// Makes a texture from a complete mip chain, level 0 first. The texture holds one reference.
HRESULT CreateTextureFromLevels(IDirect3DDevice9* device, std::vector<TextureLevel> levels,
    D3DFORMAT format, IDirect3DTexture9** texture);

// The mip chain of a texture made above; null for anything else.
const std::vector<TextureLevel>* TextureLevels(IDirect3DBaseTexture9* texture);

// A read-only view of a device's current back buffer (X8R8G8B8, pitch in pixels). The pixels are
// stored as X8R8G8B8 whatever the back buffer's format, also for LockRect; with a 16-bit format
// (D3DFMT_R5G6B5, X1R5G5B5) every colour written is reduced to that format's precision.
struct FrameView {
    const std::uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int pitch = 0;
};
FrameView BackBufferPixels(IDirect3DDevice9* device);

} // namespace softd3d
