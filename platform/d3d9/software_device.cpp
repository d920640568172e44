#include "platform/d3d9/software_device.h"

#include <atomic>
#include <utility>

#include "platform/d3d9/device.h"
#include "platform/d3d9/texture.h"

namespace softd3d {

std::uint64_t NewGeometryKey()
{
    static std::atomic<std::uint64_t> last { 0 };
    return ++last;
}

void DrawIndexedTriangles(IDirect3DDevice9* device, const MeshVertex* vertices,
    std::size_t vertexCount, const std::uint32_t* indices, std::size_t triangleCount,
    std::uint64_t geometryKey)
{
    if (Device* ours = Device::From(device)) {
        ours->DrawIndexedTriangles(vertices, vertexCount, indices, triangleCount, geometryKey);
    }
}

HRESULT CreateTextureFromLevels(IDirect3DDevice9* device, std::vector<TextureLevel> levels,
    D3DFORMAT format, IDirect3DTexture9** texture)
{
    if (texture == nullptr)
        return D3DERR_INVALIDCALL;
    *texture = nullptr;
    if (Device::From(device) == nullptr)
        return D3DERR_INVALIDCALL;
    if (format != D3DFMT_A8R8G8B8 && format != D3DFMT_X8R8G8B8)
        return D3DERR_INVALIDCALL;
    if (Texture::CheckLevels(levels) != nullptr)
        return D3DERR_INVALIDCALL;
    *texture = new Texture(std::move(levels), format);
    return D3D_OK;
}

const std::vector<TextureLevel>* TextureLevels(IDirect3DBaseTexture9* texture)
{
    const Texture* ours = Texture::From(texture);
    return ours != nullptr ? &ours->Levels() : nullptr;
}

FrameView BackBufferPixels(IDirect3DDevice9* device)
{
    Device* ours = Device::From(device);
    return ours != nullptr ? ours->Frame() : FrameView {};
}

} // namespace softd3d
