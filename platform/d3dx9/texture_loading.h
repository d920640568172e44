#pragma once
// Making a texture from a decoded image with the parameters of D3DXCreateTextureFromResourceExA,
// as that call does once it has found and decoded the resource.
#include "platform/d3d9/software_device.h"
#include "platform/d3dx9/d3dx9.h"

namespace platform {

// `image` is top-down A8R8G8B8. width / height: 0 or D3DX_DEFAULT take the image's size rounded
// up to a power of two (the image is stretched to it); mipLevels 0 or D3DX_DEFAULT: the full
// chain. format: A8R8G8B8, X8R8G8B8, or D3DFMT_UNKNOWN (A8R8G8B8 with a colour key, X8R8G8B8
// without). filter / mipFilter: D3DX_FILTER_* or D3DX_DEFAULT (TRIANGLE | DITHER and BOX).
HRESULT CreateTextureFromImage(IDirect3DDevice9* device, const softd3d::TextureLevel& image,
    UINT width, UINT height, UINT mipLevels, D3DFORMAT format, DWORD filter, DWORD mipFilter,
    D3DCOLOR colourKey, IDirect3DTexture9** texture);

// The largest texture side accepted.
inline constexpr UINT kMaxTextureSize = 4096;

} // namespace platform
