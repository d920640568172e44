// The Direct3D object: display mode and device creation.
#include <QGuiApplication>
#include <QScreen>

#include <atomic>

#include "platform/d3d9/device.h"
#include "platform/d3d9/platform_switches.h"

namespace softd3d {

namespace {

class Direct3D final : public IDirect3D9 {
public:
    ULONG AddRef() override { return ++references_; }

    ULONG Release() override
    {
        ULONG left = --references_;
        if (left == 0)
            delete this;
        return left;
    }

    HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) override
    {
        if (adapter != D3DADAPTER_DEFAULT || mode == nullptr)
            return D3DERR_INVALIDCALL;
        if (faults::ShouldFail(faults::Call::GetAdapterDisplayMode))
            return D3DERR_NOTAVAILABLE;
        mode->Width = 640;
        mode->Height = 480;
        mode->RefreshRate = 60;
        if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
            if (QScreen* screen = QGuiApplication::primaryScreen()) {
                const QSize size = screen->size();
                mode->Width = static_cast<UINT>(size.width());
                mode->Height = static_cast<UINT>(size.height());
                mode->RefreshRate = static_cast<UINT>(screen->refreshRate() + 0.5);
            }
        }
        mode->Format = faults::DisplayFormat();
        return D3D_OK;
    }

    HRESULT CreateDevice(UINT adapter, D3DDEVTYPE deviceType, HWND focusWindow, DWORD behaviorFlags,
        D3DPRESENT_PARAMETERS* params, IDirect3DDevice9** returned) override
    {
        if (returned == nullptr)
            return D3DERR_INVALIDCALL;
        *returned = nullptr;
        if (adapter != D3DADAPTER_DEFAULT || params == nullptr)
            return D3DERR_INVALIDCALL;
        if (deviceType != D3DDEVTYPE_HAL && deviceType != D3DDEVTYPE_REF)
            return D3DERR_INVALIDCALL;
        const DWORD processing = behaviorFlags
            & (D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING
                | D3DCREATE_MIXED_VERTEXPROCESSING);
        if (processing != D3DCREATE_SOFTWARE_VERTEXPROCESSING
            && processing != D3DCREATE_HARDWARE_VERTEXPROCESSING
            && processing != D3DCREATE_MIXED_VERTEXPROCESSING) {
            return D3DERR_INVALIDCALL;
        }

        // Each of the program's three attempts can be made to fail on its own.
        faults::Call attempt = faults::Call::CreateDeviceRef;
        if (deviceType == D3DDEVTYPE_HAL) {
            attempt = processing == D3DCREATE_HARDWARE_VERTEXPROCESSING
                ? faults::Call::CreateDeviceHalHardware
                : faults::Call::CreateDeviceHalSoftware;
        }
        if (faults::ShouldFail(attempt))
            return D3DERR_NOTAVAILABLE;

        SwapChainSetup setup;
        if (CheckPresentParameters(*params, setup) != D3D_OK)
            return D3DERR_INVALIDCALL;
        HWND window = params->hDeviceWindow != nullptr ? params->hDeviceWindow : focusWindow;
        *returned = new Device(this, window, setup);
        return D3D_OK;
    }

private:
    ~Direct3D() override = default;

    std::atomic<ULONG> references_ { 1 };
};

} // namespace

} // namespace softd3d

IDirect3D9* WINAPI Direct3DCreate9(UINT sdkVersion)
{
    if (softd3d::faults::ShouldFail(softd3d::faults::Call::Direct3DCreate9))
        return nullptr;
    // The debug-runtime bit may accompany the version, as with the real runtime.
    if ((sdkVersion & 0x7FFFFFFFu) != D3D_SDK_VERSION)
        return nullptr;
    return new softd3d::Direct3D();
}
