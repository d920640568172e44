#include "platform/d3d9/surface.h"

#include "platform/d3d9/device.h"
#include "platform/gdi/surface_dc.h"

namespace softd3d {

BackBufferSurface::~BackBufferSurface()
{
    // The device is going: a device context left open must not outlive the pixels it draws on.
    platform::DestroySurfaceDC(dc_);
}

ULONG BackBufferSurface::AddRef()
{
    if (references_++ == 0)
        device_->AddRef();
    return references_;
}

ULONG BackBufferSurface::Release()
{
    if (references_ == 0)
        return 0;
    ULONG left = --references_;
    // The last outside reference gives back the device's; that may destroy the device and this
    // surface with it, so nothing of `this` is touched afterwards.
    if (left == 0)
        device_->Release();
    return left;
}

HRESULT BackBufferSurface::GetDesc(D3DSURFACE_DESC* desc)
{
    if (desc == nullptr)
        return D3DERR_INVALIDCALL;
    const SwapChainSetup& setup = device_->Setup();
    desc->Format = setup.format;
    desc->Width = static_cast<UINT>(setup.width);
    desc->Height = static_cast<UINT>(setup.height);
    return D3D_OK;
}

HRESULT BackBufferSurface::LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD)
{
    if (locked == nullptr || Busy())
        return D3DERR_INVALIDCALL;
    const SwapChainSetup& setup = device_->Setup();
    PixelRect writes { 0, 0, setup.width, setup.height };
    if (rect != nullptr) {
        if (rect->left < 0 || rect->top < 0 || rect->left >= rect->right
            || rect->top >= rect->bottom || rect->right > setup.width
            || rect->bottom > setup.height) {
            return D3DERR_INVALIDCALL;
        }
        writes = { rect->left, rect->top, rect->right, rect->bottom };
    }
    std::uint32_t* pixels = device_->PixelsForWriting(writes)
        + static_cast<std::ptrdiff_t>(writes.top) * setup.width + writes.left;
    locked->pBits = pixels;
    locked->Pitch = setup.width * 4;
    locked_ = true;
    return D3D_OK;
}

HRESULT BackBufferSurface::UnlockRect()
{
    if (!locked_)
        return D3DERR_INVALIDCALL;
    locked_ = false;
    return D3D_OK;
}

HRESULT BackBufferSurface::GetDC(HDC* dc)
{
    if (dc == nullptr || Busy())
        return D3DERR_INVALIDCALL;
    const SwapChainSetup& setup = device_->Setup();
    // Text goes where TextOutA puts it: each call reports its bounds before it writes.
    Device* device = device_;
    HDC made = platform::CreateSurfaceDC(device_->PixelsForWriting(PixelRect {}), setup.width,
        setup.height, setup.width * 4, [device](const RECT& bounds) {
            device->OutsideWrites({ bounds.left, bounds.top, bounds.right, bounds.bottom });
        });
    if (made == nullptr)
        return E_FAIL;
    dc_ = made;
    *dc = made;
    return D3D_OK;
}

HRESULT BackBufferSurface::ReleaseDC(HDC dc)
{
    if (dc == nullptr || dc != dc_)
        return D3DERR_INVALIDCALL;
    platform::DestroySurfaceDC(dc_);
    dc_ = nullptr;
    device_->RequantiseBackBuffer();
    return D3D_OK;
}

} // namespace softd3d
