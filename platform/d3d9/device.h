#pragma once
// The software Direct3D 9 device: the COM front end that checks each call and keeps the state,
// and hands each draw on to the pipeline (README.md in this folder follows one draw through it).
//
// It implements only what the program and its loaders use; any other value fails its call with
// D3DERR_INVALIDCALL rather than being clamped or ignored:
// - back buffers X8R8G8B8, A8R8G8B8, R5G6B5, X1R5G5B5 and A1R5G5B5 (a window may take the
//   desktop's format), one of them, up to 4096 pixels a side, no multisampling; depth D16;
//   textures A8R8G8B8 or X8R8G8B8 with power-of-two sides (CreateTextureFromLevels);
// - up to 8 point lights with range and attenuation, a material, global ambient, specular with
//   a local or infinite viewer; indexed triangle lists of position, normal and one texture
//   coordinate (MeshVertex);
// - counter-clockwise culling only; solid Gouraud fill; depth test less-or-equal, on or off,
//   written or not; blending off (the blend factors are accepted and have no effect);
// - texture stage 0 only: colour = texture x diffuse (MODULATE of TEXTURE and DIFFUSE/CURRENT;
//   without a texture the diffuse colour), alpha operations accepted without effect, texture
//   coordinates 0 with an optional two-component texture transform;
// - sampler 0 only: wrap addressing; point or linear magnification and minification; none, point
//   or linear mip filter.
#include <atomic>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/d3d9/clipper.h"
#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/device_state.h"
#include "platform/d3d9/frame_buffer.h"
#include "platform/d3d9/rasterizer.h"
#include "platform/d3d9/repeated_frame.h"
#include "platform/d3d9/software_device.h"
#include "platform/d3d9/vertex_stage.h"

namespace softd3d {

class BackBufferSurface;
class Texture;

// The presentation parameters a device runs with, after checking and defaulting.
struct SwapChainSetup {
    int width = 0;
    int height = 0;
    D3DFORMAT format = D3DFMT_X8R8G8B8;
    bool windowed = true;
    bool depthBuffer = false;
};

// D3D_OK with `setup` filled, or D3DERR_INVALIDCALL for parameters no device can run with.
// Writes the resolved values back into `params`, as Direct3D does.
HRESULT CheckPresentParameters(D3DPRESENT_PARAMETERS& params, SwapChainSetup& setup);

class Device final : public IDirect3DDevice9 {
public:
    Device(IDirect3D9* direct3d, HWND window, const SwapChainSetup& setup);

    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT TestCooperativeLevel() override;
    HRESULT Reset(D3DPRESENT_PARAMETERS* params) override;
    HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride,
        const RGNDATA* dirtyRegion) override;
    HRESULT GetBackBuffer(UINT swapChain, UINT backBuffer, D3DBACKBUFFER_TYPE type,
        IDirect3DSurface9** surface) override;
    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR colour, float z,
        DWORD stencil) override;
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
    HRESULT SetMaterial(const D3DMATERIAL9* material) override;
    HRESULT SetLight(DWORD index, const D3DLIGHT9* light) override;
    HRESULT LightEnable(DWORD index, BOOL enable) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
    HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) override;
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
    HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override;

    void DrawIndexedTriangles(const MeshVertex* vertices, std::size_t vertexCount,
        const std::uint32_t* indices, std::size_t triangleCount, std::uint64_t geometryKey);
    // The finished picture: shades whatever is still pending first.
    FrameView Frame();

    // For the back-buffer surface: the finished picture, to be written outside the draws inside
    // `writes`; a writer that learns later where it writes reports that through OutsideWrites.
    std::uint32_t* PixelsForWriting(const PixelRect& writes);
    void OutsideWrites(const PixelRect& writes);
    const SwapChainSetup& Setup() const { return setup_; }
    // Text drawn through GetDC writes full 8-bit colours; reduce them to the real format.
    void RequantiseBackBuffer() { frameBuffer_.Requantise(); }

    static Device* From(IDirect3DDevice9* device);

private:
    ~Device() override;

    void MakeBuffers();
    void ClearRect(const PixelRect& rect, DWORD flags, std::uint32_t colour, std::uint16_t depth);
    void ReportDisplayMode(bool fullScreen);
    void ReleaseTextures();
    // Sets one of the values draws share from frame to frame (see settledSerial); a change, bit
    // for bit, gives the state a new serial.
    template <typename T> void Settle(T& field, const T& value)
    {
        if (std::memcmp(&field, &value, sizeof(T)) != 0) {
            field = value;
            state_.settledSerial = NewSettledSerial();
        }
    }

    std::atomic<ULONG> references_ { 1 };
    IDirect3D9* direct3d_;
    HWND window_;
    SwapChainSetup setup_;
    BackBufferSurface* surface_; // owned; alive as long as the device

    DeviceState state_;
    Texture* texture_ = nullptr; // stage 0's, one reference while bound
    bool inScene_ = false;
    bool lost_ = false;
    std::vector<HRESULT> lossScript_;
    std::size_t lossScriptNext_ = 0;
    // The frame buffer's version when it was last shown, to tell the window of a repeat.
    bool presented_ = false;
    std::uint64_t presentedVersion_ = 0;

    // The pipeline, in the order a draw flows through it; each stage knows the next.
    FrameBuffer frameBuffer_;
    DeferredRasterizer rasterizer_ { frameBuffer_ };
    Clipper clipper_ { rasterizer_, frameBuffer_ };
    VertexStage vertexStage_ { clipper_ };
    RepeatedFrame repeatedFrame_ { frameBuffer_, vertexStage_, rasterizer_ };
};

} // namespace softd3d
