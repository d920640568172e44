// The D3DX entry points that read the program's own resources. The module argument is ignored:
// the Linux build carries exactly one resource image, the program's.
#include <cstring>

#include "platform/d3d9/fault_injection.h"
#include "platform/d3dx9/d3dx9.h"
#include "platform/d3dx9/mesh_loading.h"
#include "platform/d3dx9/texture_loading.h"
#include "platform/resource/dib.h"
#include "platform/resource/resource_table.h"

namespace {

constexpr WORD kRtBitmap = 2;
constexpr WORD kRtRcData = 10;

// A bitmap is looked for as raw data (a whole .bmp file) first, then as a bitmap resource (a DIB
// without file header), the order D3DX searches in.
std::optional<platform::ArgbImage> FindImage(LPCSTR resource)
{
    if (const auto data = platform::FindEmbeddedResource(MAKEINTRESOURCEA(kRtRcData), resource)) {
        constexpr std::size_t kFileHeaderSize = 14;
        if (data->size > kFileHeaderSize && std::memcmp(data->data, "BM", 2) == 0)
            return platform::DecodeDib(data->data + kFileHeaderSize, data->size - kFileHeaderSize);
        return std::nullopt;
    }
    if (const auto data = platform::FindEmbeddedResource(MAKEINTRESOURCEA(kRtBitmap), resource))
        return platform::DecodeDib(data->data, data->size);
    return std::nullopt;
}

} // namespace

HRESULT WINAPI D3DXLoadMeshFromXResource(HMODULE, LPCSTR name, LPCSTR type, DWORD options,
    IDirect3DDevice9* device, ID3DXBuffer** adjacency, ID3DXBuffer** materials,
    ID3DXBuffer** effectInstances, DWORD* materialCount, ID3DXMesh** mesh)
{
    if (adjacency)
        *adjacency = nullptr;
    if (materials)
        *materials = nullptr;
    if (effectInstances)
        *effectInstances = nullptr;
    if (materialCount)
        *materialCount = 0;
    if (mesh)
        *mesh = nullptr;
    if (name == nullptr || type == nullptr || device == nullptr || mesh == nullptr)
        return D3DERR_INVALIDCALL;
    if (softd3d::faults::ShouldFail(softd3d::faults::Call::LoadMesh))
        return E_OUTOFMEMORY;
    const auto data = platform::FindEmbeddedResource(type, name);
    if (!data)
        return D3DXERR_INVALIDDATA;
    return platform::LoadMeshFromXText(data->data, data->size, options, device, adjacency,
        materials, effectInstances, materialCount, mesh);
}

HRESULT WINAPI D3DXCreateTextureFromResourceExA(IDirect3DDevice9* device, HMODULE, LPCSTR resource,
    UINT width, UINT height, UINT mipLevels, DWORD, D3DFORMAT format, D3DPOOL, DWORD filter,
    DWORD mipFilter, D3DCOLOR colourKey, D3DXIMAGE_INFO* sourceInfo, PALETTEENTRY*,
    IDirect3DTexture9** texture)
{
    if (texture)
        *texture = nullptr;
    // The program never asks for the source description, and nothing here could describe it.
    if (device == nullptr || resource == nullptr || texture == nullptr || sourceInfo != nullptr)
        return D3DERR_INVALIDCALL;
    if (softd3d::faults::ShouldFail(softd3d::faults::Call::CreateTexture))
        return D3DERR_OUTOFVIDEOMEMORY;
    const auto image = FindImage(resource);
    if (!image)
        return D3DXERR_INVALIDDATA;
    softd3d::TextureLevel level;
    level.width = image->width;
    level.height = image->height;
    level.argb = image->pixels;
    return platform::CreateTextureFromImage(
        device, level, width, height, mipLevels, format, filter, mipFilter, colourKey, texture);
}

HRESULT WINAPI D3DXCreateTextureFromResourceA(
    IDirect3DDevice9* device, HMODULE sourceModule, LPCSTR resource, IDirect3DTexture9** texture)
{
    return D3DXCreateTextureFromResourceExA(device, sourceModule, resource, D3DX_DEFAULT,
        D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT,
        0, nullptr, nullptr, texture);
}
