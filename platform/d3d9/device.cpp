#include "platform/d3d9/device.h"

#include <algorithm>
#include <cmath>

#include "platform/d3d9/clipper.h"
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

Quantisation QuantisationOf(D3DFORMAT format)
{
    switch (format) {
    case D3DFMT_R5G6B5: return Quantisation::R5G6B5;
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5: return Quantisation::X1R5G5B5;
    default: return Quantisation::None;
    }
}

DWORD FilterOf(DWORD value)
{
    return value > D3DTEXF_LINEAR ? DWORD { D3DTEXF_LINEAR } : value;
}

DWORD AddressOf(DWORD value)
{
    return value == D3DTADDRESS_MIRROR || value == D3DTADDRESS_CLAMP ? value
                                                                     : DWORD { D3DTADDRESS_WRAP };
}

// A 1x1 white texture: what an argument D3DTA_TEXTURE reads on a stage without a texture.
const MipChainView& WhiteTexture()
{
    static const std::uint32_t white = 0xFFFFFFFFu;
    static const MipChainView chain = [] {
        MipChainView c;
        c.levelCount = 1;
        c.levels[0] = { &white, 1, 1, 1.0f, 1.0f };
        return c;
    }();
    return chain;
}

D3DLIGHT9 DefaultLight()
{
    // What Direct3D enables for a light index that was never set: white, directional, along +z.
    D3DLIGHT9 light {};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = { 1.0f, 1.0f, 1.0f, 0.0f };
    light.Direction = { 0.0f, 0.0f, 1.0f };
    return light;
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
    ReleasePendingTextures();
    for (DrawRecord& record : records_)
        ForgetTexture(record);
    for (Texture*& texture : textures_) {
        if (texture != nullptr)
            texture->Release();
        texture = nullptr;
    }
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
    const std::size_t pixels = static_cast<std::size_t>(setup_.width) * setup_.height;
    colour_.assign(pixels, StoredColour(QuantisationOf(setup_.format), 0xFF000000u));
    if (setup_.depthBuffer) {
        depth_.assign(pixels, 0xFFFF);
    } else {
        depth_.clear();
        depth_.shrink_to_fit();
    }
    triangleIds_.reset(static_cast<std::uint32_t*>(std::calloc(pixels, sizeof(std::uint32_t))));
    rasterizer_.Attach(Target(), triangleIds_.get());
    ReleasePendingTextures();
    // New buffers: nothing saved or deferred describes them.
    clearDeferred_ = false;
    depthFromSaved_ = false;
    ForgetRepeatedFrame();
}

void Device::ReleasePendingTextures()
{
    for (Texture* texture : pendingTextures_)
        texture->Release();
    pendingTextures_.clear();
}

void Device::ResolvePending()
{
    ResolveDrawing();
    KeepRecordedFrame();
}

void Device::ResolveDrawing()
{
    if (frame_ == RepeatableFrame::Matching && frameDraws_ == recordedDraws_ && savedValid_) {
        // The same frame as the last one: its pixels, not a second drawing of them. Its depth is
        // only needed if something draws before the next full clear.
        std::copy(savedColour_.begin(), savedColour_.end(), colour_.begin());
        clearDeferred_ = false;
        depthFromSaved_ = true;
        frame_ = RepeatableFrame::None;
    }
    if (frame_ == RepeatableFrame::Matching)
        DrawMatchedRecords(); // fewer draws than last time
    rasterizer_.Resolve();
    ReleasePendingTextures();
}

void Device::KeepRecordedFrame()
{
    if (frame_ != RepeatableFrame::None) {
        recordedDraws_ = frameDraws_;
        for (std::size_t i = recordedDraws_; i < records_.size(); ++i)
            ForgetTexture(records_[i]);
        savedClear_ = frameClear_;
        savedColour_ = colour_;
        savedDepth_ = depth_;
        savedValid_ = true;
        frame_ = RepeatableFrame::None;
    }
}

void Device::BeginRepeatableFrame(const ClearKey& clear)
{
    // Draws matched so far are covered by this clear and need no drawing; a frame being recorded
    // and cleared again before it was seen is incomplete.
    if (frame_ == RepeatableFrame::Recording)
        savedValid_ = false;
    frameClear_ = clear;
    frameDraws_ = 0;
    if (savedValid_ && clear == savedClear_) {
        frame_ = RepeatableFrame::Matching;
    } else {
        frame_ = RepeatableFrame::Recording;
        savedValid_ = false;
    }
}

void Device::LeaveRepeatableFrame()
{
    if (frame_ == RepeatableFrame::Matching)
        DrawMatchedRecords();
    if (frame_ == RepeatableFrame::Recording)
        savedValid_ = false;
    frame_ = RepeatableFrame::None;
}

void Device::FillWhole(const ClearKey& clear)
{
    std::fill(colour_.begin(), colour_.end(), clear.colour);
    std::fill(depth_.begin(), depth_.end(), clear.depth);
    clearDeferred_ = false;
    depthFromSaved_ = false;
}

void Device::TakeSavedDepth()
{
    if (depthFromSaved_)
        std::copy(savedDepth_.begin(), savedDepth_.end(), depth_.begin());
    depthFromSaved_ = false;
}

void Device::DrawMatchedRecords()
{
    if (clearDeferred_)
        FillWhole(frameClear_);
    for (std::size_t i = 0; i < frameDraws_; ++i)
        ReplayDraw(records_[i]);
    // From here on the frame differs: what it draws replaces the records after the match.
    frame_ = RepeatableFrame::Recording;
    savedValid_ = false;
}

void Device::ReplayDraw(const DrawRecord& record)
{
    const DeviceState live = state_;
    Texture* const liveTexture = textures_[0];
    state_ = record.state;
    // A version the vertex stage has not seen, so that it rebuilds from the recorded transforms.
    state_.transformVersion = vertexStage_.transformVersion + 1;
    textures_[0] = record.texture;
    RasterizeDraw(record.vertices.data(), record.vertices.size(), record.indices.data(),
        record.indices.size() / 3);
    textures_[0] = liveTexture;
    state_ = live;
    state_.transformVersion = vertexStage_.transformVersion + 1;
}

void Device::ForgetRepeatedFrame()
{
    if (clearDeferred_)
        FillWhole(frameClear_);
    TakeSavedDepth();
    frame_ = RepeatableFrame::None;
    savedValid_ = false;
    recordedDraws_ = 0;
    for (DrawRecord& record : records_)
        ForgetTexture(record);
}

void Device::ReportDisplayMode(bool fullScreen)
{
    const DisplayHooks& hooks = CurrentDisplayHooks();
    if (hooks.displayMode)
        hooks.displayMode(window_, fullScreen);
}

RenderTarget Device::Target()
{
    RenderTarget target;
    target.colour = colour_.data();
    target.depth = setup_.depthBuffer ? depth_.data() : nullptr;
    target.width = setup_.width;
    target.height = setup_.height;
    target.pitch = setup_.width;
    target.quantisation = QuantisationOf(setup_.format);
    return target;
}

void Device::RequantiseBackBuffer()
{
    const Quantisation quantisation = QuantisationOf(setup_.format);
    if (quantisation == Quantisation::None)
        return;
    for (std::uint32_t& pixel : colour_)
        pixel = StoredColour(quantisation, pixel);
}

FrameView Device::Frame()
{
    ResolvePending();
    return { colour_.data(), setup_.width, setup_.height, setup_.width };
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
    for (Texture*& texture : textures_) {
        if (texture != nullptr)
            texture->Release();
        texture = nullptr;
    }
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
    // The copy kept for a repeat of this frame is made once the picture is on its way to the
    // screen: at start-up it is the first touch of two megabytes, which the first picture need
    // not wait for.
    ResolveDrawing();
    if (lost_) {
        KeepRecordedFrame();
        return D3DERR_DEVICELOST;
    }
    if (faults::TakeDeviceLoss(lossScript_)) {
        lost_ = true;
        ForgetRepeatedFrame();
        lossScriptNext_ = 0;
        return D3DERR_DEVICELOST;
    }
    const DisplayHooks& hooks = CurrentDisplayHooks();
    if (hooks.present) {
        PresentedFrame frame;
        frame.window = window_;
        frame.pixels = colour_.data();
        frame.width = setup_.width;
        frame.height = setup_.height;
        frame.pitch = setup_.width;
        frame.fullScreen = !setup_.windowed;
        hooks.present(frame);
    }
    KeepRecordedFrame();
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

    const std::uint32_t stored = StoredColour(QuantisationOf(setup_.format), colour);
    const float clamped = std::isnan(z) ? 1.0f : std::clamp(z, 0.0f, 1.0f);
    const std::uint16_t depth = static_cast<std::uint16_t>(clamped * 65535.0f + 0.5f);
    auto fill = [&](int left, int top, int right, int bottom) {
        for (int y = top; y < bottom; ++y) {
            const std::size_t row = static_cast<std::size_t>(y) * setup_.width;
            if (flags & D3DCLEAR_TARGET)
                std::fill_n(colour_.data() + row + left, right - left, stored);
            if (flags & D3DCLEAR_ZBUFFER)
                std::fill_n(depth_.data() + row + left, right - left, depth);
        }
    };
    const DWORD whole = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER;
    if (count == 0 && (flags & whole) == whole) {
        BeginRepeatableFrame(ClearKey { stored, depth });
        rasterizer_.Discard(0, 0, setup_.width, setup_.height);
        // While the frame repeats the last one, its saved pixels will stand in for the clear too.
        clearDeferred_ = frame_ == RepeatableFrame::Matching;
        if (!clearDeferred_)
            FillWhole(frameClear_);
        if (!rasterizer_.HasPending())
            ReleasePendingTextures();
        return D3D_OK;
    }
    LeaveRepeatableFrame();
    TakeSavedDepth();
    if (count == 0) {
        if (flags & D3DCLEAR_TARGET)
            rasterizer_.Discard(0, 0, setup_.width, setup_.height);
        fill(0, 0, setup_.width, setup_.height);
        if (!rasterizer_.HasPending())
            ReleasePendingTextures();
        return D3D_OK;
    }
    for (DWORD i = 0; i < count; ++i) {
        const D3DRECT& r = rects[i];
        const int left = std::clamp<LONG>(r.x1, 0, setup_.width);
        const int right = std::clamp<LONG>(r.x2, 0, setup_.width);
        const int top = std::clamp<LONG>(r.y1, 0, setup_.height);
        const int bottom = std::clamp<LONG>(r.y2, 0, setup_.height);
        if (left < right && top < bottom) {
            if (flags & D3DCLEAR_TARGET)
                rasterizer_.Discard(left, top, right, bottom);
            fill(left, top, right, bottom);
        }
    }
    if (!rasterizer_.HasPending())
        ReleasePendingTextures();
    return D3D_OK;
}

HRESULT Device::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix)
{
    if (matrix == nullptr)
        return D3DERR_INVALIDCALL;
    switch (state) {
    case D3DTS_WORLD: state_.world = *matrix; break;
    case D3DTS_VIEW: state_.view = *matrix; break;
    case D3DTS_PROJECTION: state_.projection = *matrix; break;
    case D3DTS_TEXTURE0: state_.texture0 = *matrix; return D3D_OK;
    default:
        // The other stages' texture matrices have no effect here: only stage 0 samples.
        if (state > D3DTS_TEXTURE0 && state < D3DTS_TEXTURE0 + kTextureStageCount)
            return D3D_OK;
        return D3DERR_INVALIDCALL;
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
    if (light->Type != D3DLIGHT_POINT && light->Type != D3DLIGHT_SPOT
        && light->Type != D3DLIGHT_DIRECTIONAL) {
        return D3DERR_INVALIDCALL;
    }
    if (light->Type != D3DLIGHT_DIRECTIONAL && !(light->Range >= 0.0f))
        return D3DERR_INVALIDCALL;
    LightSlot& slot = state_.lights[index];
    slot.light = *light;
    slot.defined = true;
    ++state_.transformVersion;
    return D3D_OK;
}

HRESULT Device::LightEnable(DWORD index, BOOL enable)
{
    if (index >= static_cast<DWORD>(kLightCount))
        return D3DERR_INVALIDCALL;
    LightSlot& slot = state_.lights[index];
    if (!slot.defined) {
        slot.light = DefaultLight();
        slot.defined = true;
    }
    slot.enabled = enable != FALSE;
    ++state_.transformVersion;
    return D3D_OK;
}

HRESULT Device::SetRenderState(D3DRENDERSTATETYPE state, DWORD value)
{
    if (static_cast<DWORD>(state) >= static_cast<DWORD>(kRenderStateCount)) {
        return D3DERR_INVALIDCALL;
    }
    state_.render[state] = value;
    return D3D_OK;
}

HRESULT Device::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture)
{
    if (stage >= static_cast<DWORD>(kTextureStageCount))
        return D3DERR_INVALIDCALL;
    Texture* ours = nullptr;
    if (texture != nullptr) {
        ours = Texture::From(texture);
        if (ours == nullptr)
            return D3DERR_INVALIDCALL;
        ours->AddRef();
    }
    if (textures_[stage] != nullptr)
        textures_[stage]->Release();
    textures_[stage] = ours;
    return D3D_OK;
}

HRESULT Device::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value)
{
    if (stage >= static_cast<DWORD>(kTextureStageCount)
        || static_cast<DWORD>(type) >= static_cast<DWORD>(kTextureStageStateCount)) {
        return D3DERR_INVALIDCALL;
    }
    state_.stage[stage][type] = value;
    return D3D_OK;
}

HRESULT Device::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value)
{
    if (sampler >= static_cast<DWORD>(kSamplerCount)
        || static_cast<DWORD>(type) >= static_cast<DWORD>(kSamplerStateCount)) {
        return D3DERR_INVALIDCALL;
    }
    state_.sampler[sampler][type] = value;
    return D3D_OK;
}

RasterOptions Device::CurrentRasterOptions() const
{
    const auto& rs = state_.render;
    RasterOptions o;
    o.cullMode = rs[D3DRS_CULLMODE] == D3DCULL_NONE || rs[D3DRS_CULLMODE] == D3DCULL_CW
        ? rs[D3DRS_CULLMODE]
        : DWORD { D3DCULL_CCW };
    o.depthTest = setup_.depthBuffer && rs[D3DRS_ZENABLE] != D3DZB_FALSE;
    o.depthWrite = rs[D3DRS_ZWRITEENABLE] != FALSE;
    o.depthFunc = rs[D3DRS_ZFUNC];
    // The back buffer keeps no alpha and blending is never on, so only stage 0's colour matters.
    o.addSpecular = rs[D3DRS_SPECULARENABLE] != FALSE;

    const auto& stage = state_.stage[0];
    const DWORD op = stage[D3DTSS_COLOROP];
    const bool arg1Texture = (stage[D3DTSS_COLORARG1] & 0xF) == D3DTA_TEXTURE;
    const bool arg2Texture = (stage[D3DTSS_COLORARG2] & 0xF) == D3DTA_TEXTURE;
    bool usesTexture = false;
    bool usesDiffuse = false;
    switch (op) {
    case D3DTOP_DISABLE: usesDiffuse = true; break;
    case D3DTOP_SELECTARG1: (arg1Texture ? usesTexture : usesDiffuse) = true; break;
    case D3DTOP_SELECTARG2: (arg2Texture ? usesTexture : usesDiffuse) = true; break;
    default:
        // MODULATE; on stage 0 CURRENT is the diffuse colour.
        usesTexture = arg1Texture || arg2Texture;
        usesDiffuse = !arg1Texture || !arg2Texture;
        break;
    }
    const Texture* bound = textures_[0];
    if (usesTexture && bound == nullptr) {
        // A missing texture reads as white: modulating with it leaves the diffuse colour.
        if (usesDiffuse) {
            usesTexture = false;
        } else {
            o.texture = &WhiteTexture();
        }
    } else if (usesTexture) {
        o.texture = &bound->View();
    }
    o.source = !usesTexture ? PixelSource::Diffuse
                            : (usesDiffuse ? PixelSource::Modulate : PixelSource::Texture);

    const auto& sampler = state_.sampler[0];
    o.sampler.magFilter = FilterOf(sampler[D3DSAMP_MAGFILTER]);
    o.sampler.minFilter = FilterOf(sampler[D3DSAMP_MINFILTER]);
    o.sampler.mipFilter = FilterOf(sampler[D3DSAMP_MIPFILTER]);
    o.sampler.addressU = AddressOf(sampler[D3DSAMP_ADDRESSU]);
    o.sampler.addressV = AddressOf(sampler[D3DSAMP_ADDRESSV]);
    return o;
}

const Device::ProcessedVertex& Device::Processed(const MeshVertex* vertices, std::uint32_t index)
{
    ProcessedVertex& p = processed_[index];
    if (processedStamp_[index] != drawStamp_) {
        processedStamp_[index] = drawStamp_;
        ProcessVertex(vertexStage_, vertices[index], p.clip);
        p.outCode = OutCode(p.clip);
        if (p.outCode == 0)
            p.screen = ToScreen(p.clip, setup_.width, setup_.height);
    }
    return p;
}

void Device::DrawClipped(
    const ProcessedVertex& a, const ProcessedVertex& b, const ProcessedVertex& c)
{
    ClipVertex polygon[kMaxClippedVertices];
    const int count
        = ClipTriangle(a.clip, b.clip, c.clip, a.outCode | b.outCode | c.outCode, polygon);
    if (count < 3)
        return;
    ScreenVertex screen[kMaxClippedVertices];
    for (int i = 0; i < count; ++i)
        screen[i] = ToScreen(polygon[i], setup_.width, setup_.height);
    for (int i = 1; i + 1 < count; ++i)
        rasterizer_.DrawTriangle(screen[0], screen[i], screen[i + 1]);
}

void Device::DrawIndexedTriangles(const MeshVertex* vertices, std::size_t vertexCount,
    const std::uint32_t* indices, std::size_t triangleCount)
{
    if (lost_ || vertices == nullptr || indices == nullptr || vertexCount == 0)
        return;
    const std::size_t indexCount = 3 * triangleCount;
    if (frame_ == RepeatableFrame::Matching) {
        if (frameDraws_ < recordedDraws_
            && SameDraw(records_[frameDraws_], state_, textures_[0], vertices, vertexCount, indices,
                indexCount)) {
            ++frameDraws_;
            return;
        }
        DrawMatchedRecords();
    }
    if (frame_ == RepeatableFrame::Recording) {
        if (records_.size() <= frameDraws_)
            records_.emplace_back();
        Record(records_[frameDraws_++], state_, textures_[0], vertices, vertexCount, indices,
            indexCount);
    }
    RasterizeDraw(vertices, vertexCount, indices, triangleCount);
}

void Device::RasterizeDraw(const MeshVertex* vertices, std::size_t vertexCount,
    const std::uint32_t* indices, std::size_t triangleCount)
{
    TakeSavedDepth();
    PrepareVertexStage(state_, vertexStage_);
    const RasterOptions options = CurrentRasterOptions();
    // The pixels are shaded later: the texture they sample must outlive its binding.
    if (options.texture != nullptr && textures_[0] != nullptr
        && options.texture == &textures_[0]->View()) {
        textures_[0]->AddRef();
        pendingTextures_.push_back(textures_[0]);
    }
    rasterizer_.BeginDraw(options);

    if (processed_.size() < vertexCount) {
        processed_.resize(vertexCount);
        processedStamp_.resize(vertexCount, drawStamp_);
    }
    if (++drawStamp_ == 0) {
        std::fill(processedStamp_.begin(), processedStamp_.end(), 0u);
        drawStamp_ = 1;
    }

    for (std::size_t t = 0; t < triangleCount; ++t) {
        const std::uint32_t i0 = indices[3 * t], i1 = indices[3 * t + 1], i2 = indices[3 * t + 2];
        if (i0 >= vertexCount || i1 >= vertexCount || i2 >= vertexCount)
            continue;
        const ProcessedVertex& a = Processed(vertices, i0);
        const ProcessedVertex& b = Processed(vertices, i1);
        const ProcessedVertex& c = Processed(vertices, i2);
        if ((a.outCode & b.outCode & c.outCode) != 0)
            continue;
        if ((a.outCode | b.outCode | c.outCode) == 0) {
            rasterizer_.DrawTriangle(a.screen, b.screen, c.screen);
        } else {
            DrawClipped(a, b, c);
        }
    }
}

} // namespace softd3d
