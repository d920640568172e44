#pragma once
// The software Direct3D 9 device: the COM front end that checks calls and keeps state, and the
// draw loop that runs the vertex stage, the clipper and the rasterizer over it.
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/device_state.h"
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
        const std::uint32_t* indices, std::size_t triangleCount);
    // The finished picture: shades whatever is still pending first.
    FrameView Frame();
    // Shades the pending pixels; everything that reads or writes the pixels outside the draws
    // (Present, the surface's LockRect and GetDC) calls this first.
    void ResolvePending();

    // For the back-buffer surface.
    std::uint32_t* Pixels() { return colour_.data(); }
    const SwapChainSetup& Setup() const { return setup_; }
    // Text drawn through GetDC writes full 8-bit colours; reduce them to the real format.
    void RequantiseBackBuffer();

    static Device* From(IDirect3DDevice9* device);

private:
    ~Device() override;

    struct ProcessedVertex {
        ClipVertex clip;
        ScreenVertex screen; // valid when outCode is 0
        std::uint32_t outCode;
    };

    void MakeBuffers();
    RenderTarget Target();
    RasterOptions CurrentRasterOptions() const;
    const ProcessedVertex& Processed(const MeshVertex* vertices, std::uint32_t index);
    void DrawClipped(const ProcessedVertex& a, const ProcessedVertex& b, const ProcessedVertex& c);
    void ReleasePendingTextures();
    void ReportDisplayMode(bool fullScreen);
    void RasterizeDraw(const MeshVertex* vertices, std::size_t vertexCount,
        const std::uint32_t* indices, std::size_t triangleCount);

    // Repeated frames (repeated_frame.h).
    void BeginRepeatableFrame(const ClearKey& clear);
    void LeaveRepeatableFrame();
    // Draws the matched records for real: the frame has turned out to differ after all.
    void DrawMatchedRecords();
    void ReplayDraw(const DrawRecord& record);
    // ResolvePending in two steps: the pixels of the frame, then, for a frame being recorded,
    // the copy of them that a repeat of the frame will reuse.
    void ResolveDrawing();
    void KeepRecordedFrame();
    void ForgetRepeatedFrame();
    void FillWhole(const ClearKey& clear);
    // The depth of a repeated frame is copied back only when a draw or a clear needs it.
    void TakeSavedDepth();

    std::atomic<ULONG> references_ { 1 };
    IDirect3D9* direct3d_;
    HWND window_;
    SwapChainSetup setup_;
    std::vector<std::uint32_t> colour_;
    std::vector<std::uint16_t> depth_;
    BackBufferSurface* surface_; // owned; alive as long as the device

    DeviceState state_;
    Texture* textures_[kTextureStageCount] {}; // one reference each while bound
    bool inScene_ = false;
    bool lost_ = false;
    std::vector<HRESULT> lossScript_;
    std::size_t lossScriptNext_ = 0;

    DeferredRasterizer rasterizer_;
    // One mark per pixel for the rasterizer, all 0 between frames. Zeroed by calloc, whose fresh
    // pages stay untouched until a triangle covers them: most of the screen never is, and
    // touching memory for the first time is much of what a new device costs.
    struct FreeMemory {
        void operator()(void* memory) const { std::free(memory); }
    };
    std::unique_ptr<std::uint32_t[], FreeMemory> triangleIds_;
    // Textures that pending pixels will sample, one reference per draw that used them.
    std::vector<Texture*> pendingTextures_;

    // Scratch of the draw loop, kept across draws so that steady-state frames allocate nothing.
    VertexStage vertexStage_;
    std::vector<ProcessedVertex> processed_;
    std::vector<std::uint32_t> processedStamp_;
    std::uint32_t drawStamp_ = 0;

    // The last repeatable frame: its clear, its draws and the pixels they made (before any text
    // drawn through GetDC), and how far the frame being drawn has matched or re-recorded them.
    enum class RepeatableFrame { None, Matching, Recording };
    RepeatableFrame frame_ = RepeatableFrame::None;
    ClearKey frameClear_;
    std::size_t frameDraws_ = 0;
    std::vector<DrawRecord> records_;
    std::size_t recordedDraws_ = 0;
    bool savedValid_ = false;
    bool clearDeferred_ = false;
    bool depthFromSaved_ = false;
    ClearKey savedClear_;
    std::vector<std::uint32_t> savedColour_;
    std::vector<std::uint16_t> savedDepth_;
};

} // namespace softd3d
