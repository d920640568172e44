#include "platform/d3dx9/texture_loading.h"

#include <algorithm>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/d3dx9/texture_filtering.h"

namespace platform {
namespace {

UINT NextPowerOfTwo(UINT size)
{
    UINT p = 1;
    while (p < size)
        p *= 2;
    return p;
}

UINT ResolveSize(UINT requested, int imageSize)
{
    if (requested == 0 || requested == D3DX_DEFAULT)
        return NextPowerOfTwo(static_cast<UINT>(imageSize));
    return requested;
}

bool SameRequest(const TextureRequest& a, const TextureRequest& b)
{
    return a.width == b.width && a.height == b.height && a.mipLevels == b.mipLevels
        && a.filter == b.filter && a.mipFilter == b.mipFilter && a.colourKey == b.colourKey
        && a.opaque == b.opaque;
}

// The mip chain last built and what it was built from. The program makes one texture from the
// same bitmap for each of the piece's materials, at start-up and after every device change;
// filtering it to a power-of-two size and halving it down to 1x1 is most of the cost of each.
std::vector<softd3d::TextureLevel> MipChainFor(
    const softd3d::TextureLevel& image, const TextureRequest& request)
{
    struct Built {
        softd3d::TextureLevel image;
        TextureRequest request;
        std::vector<softd3d::TextureLevel> levels;
    };
    static std::mutex mutex;
    static Built last;
    std::lock_guard lock(mutex);
    if (!last.levels.empty() && SameRequest(last.request, request)
        && last.image.width == image.width && last.image.height == image.height
        && last.image.argb == image.argb) {
        return last.levels;
    }
    last.levels = BuildMipChain(image, request);
    last.image = image;
    last.request = request;
    return last.levels;
}

} // namespace

HRESULT CreateTextureFromImage(IDirect3DDevice9* device, const softd3d::TextureLevel& image,
    UINT width, UINT height, UINT mipLevels, D3DFORMAT format, DWORD filter, DWORD mipFilter,
    D3DCOLOR colourKey, IDirect3DTexture9** texture)
{
    if (texture == nullptr)
        return D3DERR_INVALIDCALL;
    *texture = nullptr;
    if (device == nullptr)
        return D3DERR_INVALIDCALL;
    if (image.width <= 0 || image.height <= 0 || image.width > static_cast<int>(kMaxTextureSize)
        || image.height > static_cast<int>(kMaxTextureSize)
        || image.argb.size() != static_cast<std::size_t>(image.width) * image.height) {
        return D3DXERR_INVALIDDATA;
    }

    TextureRequest request;
    const UINT w = ResolveSize(width, image.width);
    const UINT h = ResolveSize(height, image.height);
    if (w > kMaxTextureSize || h > kMaxTextureSize)
        return D3DERR_INVALIDCALL;
    request.width = static_cast<int>(w);
    request.height = static_cast<int>(h);
    const int full = FullMipCount(request.width, request.height);
    request.mipLevels = (mipLevels == 0 || mipLevels == D3DX_DEFAULT)
        ? full
        : static_cast<int>(std::min<UINT>(mipLevels, static_cast<UINT>(full)));

    if (filter == D3DX_DEFAULT)
        filter = D3DX_FILTER_TRIANGLE | D3DX_FILTER_DITHER;
    if (mipFilter == D3DX_DEFAULT)
        mipFilter = D3DX_FILTER_BOX;
    if (!IsValidFilter(filter) || !IsValidFilter(mipFilter))
        return D3DERR_INVALIDCALL;
    request.filter = filter;
    request.mipFilter = mipFilter;
    request.colourKey = colourKey;

    if (format == D3DFMT_UNKNOWN)
        format = colourKey != 0 ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    if (format != D3DFMT_A8R8G8B8 && format != D3DFMT_X8R8G8B8)
        return D3DERR_INVALIDCALL;
    request.opaque = format == D3DFMT_X8R8G8B8;

    return softd3d::CreateTextureFromLevels(device, MipChainFor(image, request), format, texture);
}

} // namespace platform
