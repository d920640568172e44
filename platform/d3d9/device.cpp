#include "platform/d3d9/device.h"

#include <algorithm>
#include <cmath>

#include "platform/d3d9/display_hooks.h"
#include "platform/d3d9/platform_switches.h"
#include "platform/d3d9/surface.h"
#include "platform/d3d9/texture.h"

namespace softd3d {

namespace {

constexpr int kMaxBackBufferSide = 4096;

bool IsBackBufferFormat(D3DFORMAT format)
{
    return format == D3DFMT_X8R8G8B8 || format == D3DFMT_A8R8G8B8 || format == D3DFMT_R5G6B5
        || format == D3DFMT_X1R5G5B5 || format == D3DFMT_A1R5G5B5;
}

} // namespace

HRESULT CheckPresentParameters(D3DPRESENT_PARAMETERS& params, SwapChainSetup& setup)
{
    if (params.BackBufferWidth == 0 || params.BackBufferHeight == 0
        || params.BackBufferWidth > kMaxBackBufferSide
        || params.BackBufferHeight > kMaxBackBufferSide) {
        return D3DERR_INVALIDCALL;
    }
    if (params.BackBufferCount > 3)
        return D3DERR_INVALIDCALL;
    if (params.MultiSampleType != D3DMULTISAMPLE_NONE)
        return D3DERR_INVALIDCALL;
    if (params.SwapEffect < D3DSWAPEFFECT_DISCARD || params.SwapEffect > D3DSWAPEFFECT_COPY) {
        return D3DERR_INVALIDCALL;
    }
    D3DFORMAT format = params.BackBufferFormat;
    // A window may leave the format to the desktop's.
    if (format == D3DFMT_UNKNOWN && params.Windowed)
        format = faults::DisplayFormat();
    if (!IsBackBufferFormat(format))
        return D3DERR_INVALIDCALL;
    if (params.EnableAutoDepthStencil && params.AutoDepthStencilFormat != D3DFMT_D16) {
        return D3DERR_INVALIDCALL;
    }

    if (params.BackBufferCount == 0)
        params.BackBufferCount = 1;
    params.BackBufferFormat = format;
    setup.width = static_cast<int>(params.BackBufferWidth);
    setup.height = static_cast<int>(params.BackBufferHeight);
    setup.format = format;
    setup.windowed = params.Windowed != FALSE;
    setup.depthBuffer = params.EnableAutoDepthStencil != FALSE;
    return D3D_OK;
}

Device::Device(IDirect3D9* direct3d, HWND window, const SwapChainSetup& setup)
    : direct3d_(direct3d)
    , window_(window)
    , setup_(setup)
    , surface_(new BackBufferSurface(this))
{
    direct3d_->AddRef();
    MakeBuffers();
    SetDefaultState(state_, setup_.depthBuffer);
    if (!setup_.windowed)
        ReportDisplayMode(true);
}

Device::~Device()
{
    ReleaseTextures();
    delete surface_;
    if (!setup_.windowed)
        ReportDisplayMode(false);
    direct3d_->Release();
}

Device* Device::From(IDirect3DDevice9* device)
{
    return dynamic_cast<Device*>(device);
}

ULONG Device::AddRef()
{
    return ++references_;
}

ULONG Device::Release()
{
    ULONG left = --references_;
    if (left == 0)
        delete this;
    return left;
}

void Device::MakeBuffers()
{
    repeatedFrame_.Forget();
    frameBuffer_.Allocate(setup_.width, setup_.height, setup_.format, setup_.depthBuffer);
    rasterizer_.Attach();
    presented_ = false;
}

void Device::ReleaseTextures()
{
    if (texture_ != nullptr)
        texture_->Release();
    texture_ = nullptr;
}

FrameView Device::Frame()
{
    repeatedFrame_.Resolve();
    return { frameBuffer_.Colour(), setup_.width, setup_.height, setup_.width };
}

std::uint32_t* Device::PixelsForWriting(const PixelRect& writes)
{
    repeatedFrame_.Resolve();
    OutsideWrites(writes);
    return frameBuffer_.WritableColour();
}

void Device::OutsideWrites(const PixelRect& writes)
{
    repeatedFrame_.BeforeOutsideWrite(&writes);
    frameBuffer_.Written(writes);
}

HRESULT Device::TestCooperativeLevel()
{
    if (!lost_)
        return D3D_OK;
    if (lossScriptNext_ < lossScript_.size())
        return lossScript_[lossScriptNext_++];
    return D3D_OK;
}

HRESULT Device::Reset(D3DPRESENT_PARAMETERS* params)
{
    if (params == nullptr || inScene_)
        return D3DERR_INVALIDCALL;
    SwapChainSetup setup;
    if (CheckPresentParameters(*params, setup) != D3D_OK)
        return D3DERR_INVALIDCALL;
    if (surface_->Busy())
        return D3DERR_INVALIDCALL;

    const bool wasFullScreen = !setup_.windowed;
    setup_ = setup;
    MakeBuffers();
    ReleaseTextures();
    SetDefaultState(state_, setup_.depthBuffer);
    lost_ = false;
    lossScript_.clear();
    lossScriptNext_ = 0;
    if (wasFullScreen != !setup_.windowed)
        ReportDisplayMode(!setup_.windowed);
    return D3D_OK;
}

HRESULT Device::Present(const RECT*, const RECT*, HWND, const RGNDATA*)
{
    repeatedFrame_.Resolve();
    if (lost_)
        return D3DERR_DEVICELOST;
    if (faults::TakeDeviceLoss(lossScript_)) {
        lost_ = true;
        repeatedFrame_.Forget();
        lossScriptNext_ = 0;
        return D3DERR_DEVICELOST;
    }
    const DisplayHooks& hooks = CurrentDisplayHooks();
    if (hooks.present) {
        PresentedFrame frame;
        frame.window = window_;
        frame.pixels = frameBuffer_.Colour();
        frame.width = setup_.width;
        frame.height = setup_.height;
        frame.pitch = setup_.width;
        frame.fullScreen = !setup_.windowed;
        // A repeat of the last frame: the window may keep what it shows.
        frame.unchanged = presented_ && presentedVersion_ == frameBuffer_.Version();
        const PixelRegion changed = frameBuffer_.TakeChanged();
        frame.changedCount = presented_ ? changed.count : 1;
        for (int i = 0; i < changed.count; ++i) {
            const PixelRect& r = changed.rects[i];
            frame.changed[i] = RECT { r.left, r.top, r.right, r.bottom };
        }
        if (!presented_)
            frame.changed[0] = RECT { 0, 0, setup_.width, setup_.height };
        hooks.present(frame);
    }
    presented_ = true;
    presentedVersion_ = frameBuffer_.Version();
    return D3D_OK;
}

HRESULT Device::GetBackBuffer(
    UINT swapChain, UINT backBuffer, D3DBACKBUFFER_TYPE type, IDirect3DSurface9** surface)
{
    if (surface == nullptr)
        return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (swapChain != 0 || backBuffer != 0 || type != D3DBACKBUFFER_TYPE_MONO) {
        return D3DERR_INVALIDCALL;
    }
    surface_->AddRef();
    *surface = surface_;
    return D3D_OK;
}

HRESULT Device::BeginScene()
{
    if (inScene_)
        return D3DERR_INVALIDCALL;
    inScene_ = true;
    return D3D_OK;
}

HRESULT Device::EndScene()
{
    if (!inScene_)
        return D3DERR_INVALIDCALL;
    inScene_ = false;
    return D3D_OK;
}

HRESULT Device::Clear(
    DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR colour, float z, DWORD)
{
    if (count > 0 && rects == nullptr)
        return D3DERR_INVALIDCALL;
    if ((flags & D3DCLEAR_ZBUFFER) && !setup_.depthBuffer)
        return D3DERR_INVALIDCALL;
    if (flags & D3DCLEAR_STENCIL)
        return D3DERR_INVALIDCALL; // D16 has no stencil bits
    if (lost_)
        return D3D_OK;

    const std::uint32_t stored = frameBuffer_.Stored(colour);
    const float clamped = std::isnan(z) ? 1.0f : std::clamp(z, 0.0f, 1.0f);
    const std::uint16_t depth = static_cast<std::uint16_t>(clamped * 65535.0f + 0.5f);
    const DWORD whole = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER;
    if (count == 0 && (flags & whole) == whole) {
        repeatedFrame_.FullClear(ClearKey { stored, depth });
        return D3D_OK;
    }
    repeatedFrame_.Forget();
    if (count == 0)
        ClearRect({ 0, 0, setup_.width, setup_.height }, flags, stored, depth);
    for (DWORD i = 0; i < count; ++i) {
        const D3DRECT& r = rects[i];
        const PixelRect rect { std::clamp<LONG>(r.x1, 0, setup_.width),
            std::clamp<LONG>(r.y1, 0, setup_.height), std::clamp<LONG>(r.x2, 0, setup_.width),
            std::clamp<LONG>(r.y2, 0, setup_.height) };
        if (rect.left < rect.right && rect.top < rect.bottom)
            ClearRect(rect, flags, stored, depth);
    }
    return D3D_OK;
}

void Device::ClearRect(
    const PixelRect& rect, DWORD flags, std::uint32_t colour, std::uint16_t depth)
{
    if (flags & D3DCLEAR_TARGET) {
        rasterizer_.Discard(rect);
        frameBuffer_.FillColour(rect, colour);
    }
    if (flags & D3DCLEAR_ZBUFFER)
        frameBuffer_.FillDepth(rect, depth);
}

HRESULT Device::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix)
{
    if (matrix == nullptr)
        return D3DERR_INVALIDCALL;
    switch (state) {
    case D3DTS_WORLD: state_.world = *matrix; break;
    case D3DTS_VIEW: Settle(state_.view, *matrix); break;
    case D3DTS_PROJECTION: Settle(state_.projection, *matrix); break;
    case D3DTS_TEXTURE0: state_.texture0 = *matrix; return D3D_OK;
    default: return D3DERR_INVALIDCALL; // only stage 0 samples
    }
    ++state_.transformVersion;
    return D3D_OK;
}

HRESULT Device::SetMaterial(const D3DMATERIAL9* material)
{
    if (material == nullptr)
        return D3DERR_INVALIDCALL;
    state_.material = *material;
    return D3D_OK;
}

HRESULT Device::SetLight(DWORD index, const D3DLIGHT9* light)
{
    if (light == nullptr || index >= static_cast<DWORD>(kLightCount))
        return D3DERR_INVALIDCALL;
    if (!IsLightImplemented(*light))
        return D3DERR_INVALIDCALL;
    LightSlot& slot = state_.lights[index];
    Settle(slot.light, *light);
    Settle(slot.defined, true);
    ++state_.transformVersion;
    return D3D_OK;
}

HRESULT Device::LightEnable(DWORD index, BOOL enable)
{
    // Direct3D would make a never-set light a default directional one, which is not implemented.
    if (index >= static_cast<DWORD>(kLightCount) || !state_.lights[index].defined)
        return D3DERR_INVALIDCALL;
    Settle(state_.lights[index].enabled, enable != FALSE);
    ++state_.transformVersion;
    return D3D_OK;
}

HRESULT Device::SetRenderState(D3DRENDERSTATETYPE state, DWORD value)
{
    if (static_cast<DWORD>(state) >= static_cast<DWORD>(kRenderStateCount)
        || !IsRenderStateImplemented(state, value)) {
        return D3DERR_INVALIDCALL;
    }
    Settle(state_.render[state], value);
    return D3D_OK;
}

HRESULT Device::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture)
{
    if (stage >= static_cast<DWORD>(kTextureStageCount))
        return D3DERR_INVALIDCALL;
    if (stage != 0)
        return texture == nullptr ? D3D_OK : D3DERR_INVALIDCALL; // only stage 0 samples
    Texture* ours = nullptr;
    if (texture != nullptr) {
        ours = Texture::From(texture);
        if (ours == nullptr)
            return D3DERR_INVALIDCALL;
        ours->AddRef();
    }
    ReleaseTextures();
    texture_ = ours;
    return D3D_OK;
}

HRESULT Device::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value)
{
    if (stage >= static_cast<DWORD>(kTextureStageCount)
        || static_cast<DWORD>(type) >= static_cast<DWORD>(kTextureStageStateCount)
        || !IsTextureStageStateImplemented(stage, type, value)) {
        return D3DERR_INVALIDCALL;
    }
    Settle(state_.stage[0][type], value); // only stage 0 is implemented
    return D3D_OK;
}

HRESULT Device::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value)
{
    if (sampler >= static_cast<DWORD>(kSamplerCount)
        || static_cast<DWORD>(type) >= static_cast<DWORD>(kSamplerStateCount)
        || !IsSamplerStateImplemented(sampler, type, value)) {
        return D3DERR_INVALIDCALL;
    }
    Settle(state_.sampler[0][type], value); // only sampler 0 is implemented
    return D3D_OK;
}

void Device::DrawIndexedTriangles(const MeshVertex* vertices, std::size_t vertexCount,
    const std::uint32_t* indices, std::size_t triangleCount, std::uint64_t geometryKey)
{
    if (lost_ || vertices == nullptr || indices == nullptr || vertexCount == 0)
        return;
    repeatedFrame_.Draw(
        DrawCall { &state_, texture_, vertices, vertexCount, indices, triangleCount, geometryKey });
}

void Device::ReportDisplayMode(bool fullScreen)
{
    const DisplayHooks& hooks = CurrentDisplayHooks();
    if (hooks.displayMode)
        hooks.displayMode(window_, fullScreen);
}

} // namespace softd3d
