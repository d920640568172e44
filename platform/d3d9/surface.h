#pragma once
// The device's back buffer as a Direct3D surface: descriptions, locking and GDI device contexts.
// It belongs to the device; while anyone else holds a reference it keeps the device alive.
#include "platform/d3d9/d3d9.h"

namespace softd3d {

class Device;

class BackBufferSurface final : public IDirect3DSurface9 {
public:
    explicit BackBufferSurface(Device* device)
        : device_(device)
    {
    }
    ~BackBufferSurface() override;

    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetDesc(D3DSURFACE_DESC* desc) override;
    HRESULT LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
    HRESULT UnlockRect() override;
    HRESULT GetDC(HDC* dc) override;
    HRESULT ReleaseDC(HDC dc) override;

    // A reset may reallocate the pixels only while nobody is drawing into them.
    bool Busy() const { return locked_ || dc_ != nullptr; }

private:
    Device* device_;
    ULONG references_ = 0; // outside references only; the device holds none
    bool locked_ = false;
    HDC dc_ = nullptr;
};

} // namespace softd3d
