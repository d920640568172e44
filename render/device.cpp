#include "render/device.h"

#include "render/piece_mesh.h"
#include "render/view_flags.h"
#include "resources/resource_ids.h"

IDirect3D9* direct3D = nullptr;
IDirect3DDevice9* d3dDevice = nullptr;
IDirect3DSurface9* backBufferSurface = nullptr;
IDirect3DTexture9* stickerKeyTexture = nullptr;
D3DPRESENT_PARAMETERS presentParams = {};

namespace {

// Set by a SetUpDevice that ran to the end, cleared by ReleaseDevice.
bool deviceReady = false;

// Shown once each, in code page 932 (the build stores these literals so), through MessageBoxA.
const char* const noDirect3DText = "DirectXの初期化に失敗しました。(1)";
const char* const noDisplayModeText = "DirectXの初期化に失敗しました。(2)";
const char* const noDeviceText = "DirectXの初期化に失敗しました。(3)";
const char* const noStickerTextureText = "テクスチャの読み込みに失敗した。";

int ReportSetUpFailure(const char* text)
{
    MessageBoxA(nullptr, text, "Error", MB_ICONERROR);
    return 0;
}

void FillPresentParams(D3DFORMAT displayFormat)
{
    presentParams = {};
    presentParams.BackBufferWidth = 640;
    presentParams.BackBufferHeight = 480;
    presentParams.BackBufferFormat = windowed ? displayFormat : D3DFMT_X8R8G8B8;
    presentParams.BackBufferCount = 1;
    presentParams.MultiSampleType = D3DMULTISAMPLE_NONE;
    presentParams.MultiSampleQuality = 0;
    presentParams.SwapEffect = D3DSWAPEFFECT_FLIP;
    presentParams.hDeviceWindow = nullptr;
    presentParams.Windowed = windowed ? 1 : 0;
    presentParams.EnableAutoDepthStencil = 1;
    presentParams.AutoDepthStencilFormat = D3DFMT_D16;
    presentParams.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    presentParams.FullScreen_RefreshRateInHz = 0;
    presentParams.PresentationInterval = D3DPRESENT_INTERVAL_DEFAULT;
}

// Hardware vertex processing first; a machine without it, or without a hardware device at all,
// still gets a picture, silently.
bool CreateDeviceWithFallbacks(HWND window)
{
    struct Attempt {
        D3DDEVTYPE type;
        DWORD vertexProcessing;
    };
    const Attempt attempts[] = {
        { D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING },
        { D3DDEVTYPE_HAL, D3DCREATE_SOFTWARE_VERTEXPROCESSING },
        { D3DDEVTYPE_REF, D3DCREATE_SOFTWARE_VERTEXPROCESSING },
    };
    for (const Attempt& attempt : attempts) {
        if (SUCCEEDED(direct3D->CreateDevice(D3DADAPTER_DEFAULT, attempt.type, window,
                attempt.vertexProcessing, &presentParams, &d3dDevice))) {
            return true;
        }
        d3dDevice = nullptr;
    }
    return false;
}

// States that hold for the device's whole life; the frame and the piece draw add theirs.
void SetFixedStates()
{
    d3dDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    d3dDevice->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    d3dDevice->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
    d3dDevice->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
    d3dDevice->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    d3dDevice->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    d3dDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    d3dDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    d3dDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    d3dDevice->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    d3dDevice->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    d3dDevice->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    d3dDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    d3dDevice->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    d3dDevice->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
}

template <typename Handle> void ReleaseHandle(Handle*& handle)
{
    if (handle != nullptr) {
        handle->Release();
        handle = nullptr;
    }
}

} // namespace

int SetUpDevice(HWND window)
{
    direct3D = Direct3DCreate9(D3D_SDK_VERSION);
    if (direct3D == nullptr) {
        return ReportSetUpFailure(noDirect3DText);
    }

    // Needed in full screen too, where only a windowed back buffer would use its format.
    D3DDISPLAYMODE displayMode = {};
    if (FAILED(direct3D->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &displayMode))) {
        return ReportSetUpFailure(noDisplayModeText);
    }

    FillPresentParams(displayMode.Format);

    if (!CreateDeviceWithFallbacks(window)) {
        return ReportSetUpFailure(noDeviceText);
    }

    d3dDevice->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBufferSurface);

    SetFixedStates();

    if (FAILED(D3DXCreateTextureFromResourceExA(d3dDevice, nullptr, MAKEINTRESOURCEA(IDB_STICKERS),
            D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
            D3DX_FILTER_TRIANGLE | D3DX_FILTER_MIRROR, D3DX_FILTER_TRIANGLE | D3DX_FILTER_MIRROR,
            0xFF000000, nullptr, nullptr, &stickerKeyTexture))) {
        stickerKeyTexture = nullptr;
        return ReportSetUpFailure(noStickerTextureText);
    }

    // A mesh that cannot be loaded leaves pieces undrawn, not the program stopped.
    LoadPieceMesh(d3dDevice);
    deviceReady = true;
    return 1;
}

void ReleaseDevice()
{
    deviceReady = false;
    ReleasePieceMesh();
    ReleaseHandle(stickerKeyTexture);
    ReleaseHandle(backBufferSurface);
    ReleaseHandle(d3dDevice);
    ReleaseHandle(direct3D);
}

bool DeviceIsGone()
{
    return !deviceReady || d3dDevice == nullptr;
}

void ResetDeviceForModeChange()
{
    if (d3dDevice != nullptr) {
        d3dDevice->Reset(&presentParams);
    }
}

void RecoverLostDevice(HWND window)
{
    if (DeviceIsGone()) {
        return;
    }
    if (d3dDevice->TestCooperativeLevel() != D3DERR_DEVICENOTRESET) {
        // Still lost (or lost again): drop this frame and give the system time.
        Sleep(10);
        return;
    }
    d3dDevice->Reset(&presentParams);
    ReleaseDevice();
    if (SetUpDevice(window) == 0) {
        // The program is ending. Whatever the failed set-up made goes now, so that until the
        // quit message is taken there is plainly no device for a frame or an input to use.
        ReleaseDevice();
        PostQuitMessage(0);
    }
}
