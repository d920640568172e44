#include "tools/frame_capture.h"

#include <cstddef>
#include <cstring>

#include "cube/cubie.h"
#include "cube/layer_turn.h"
#include "cube/shuffle_random.h"
#include "render/device.h"
#include "render/frame.h"
#include "render/overlay.h"

namespace {

// Everything a drawn frame moves on.
struct ModelSnapshot {
    Cubie cubies[27];
    TurnState turn;
    std::int32_t shuffling;
    std::int32_t bannerTick;
    std::uint32_t shuffleState;
};

ModelSnapshot TakeSnapshot()
{
    ModelSnapshot snapshot;
    for (int i = 0; i < 27; ++i) {
        snapshot.cubies[i] = cubies[i];
    }
    snapshot.turn = turnState;
    snapshot.shuffling = shuffling;
    snapshot.bannerTick = bannerTick;
    snapshot.shuffleState = ShuffleRandomState();
    return snapshot;
}

void RestoreSnapshot(const ModelSnapshot& snapshot)
{
    for (int i = 0; i < 27; ++i) {
        cubies[i] = snapshot.cubies[i];
    }
    turnState = snapshot.turn;
    shuffling = snapshot.shuffling;
    bannerTick = snapshot.bannerTick;
    SeedShuffleRandom(snapshot.shuffleState);
}

std::uint32_t Expand(std::uint32_t value, int bits)
{
    const std::uint32_t maximum = (1u << bits) - 1u;
    return (value * 255u + maximum / 2u) / maximum;
}

std::uint32_t Argb(std::uint32_t red, std::uint32_t green, std::uint32_t blue)
{
    return 0xFF000000u | red << 16 | green << 8 | blue;
}

// One back-buffer row as 0xAARRGGBB pixels; false for a format the tool does not read.
bool ConvertRow(D3DFORMAT format, const std::uint8_t* row, int width, std::uint32_t* out)
{
    if (format == D3DFMT_X8R8G8B8 || format == D3DFMT_A8R8G8B8) {
        std::memcpy(out, row, static_cast<std::size_t>(width) * 4);
        for (int x = 0; x < width; ++x) {
            out[x] |= 0xFF000000u;
        }
        return true;
    }
    if (format != D3DFMT_R5G6B5 && format != D3DFMT_X1R5G5B5 && format != D3DFMT_A1R5G5B5) {
        return false;
    }
    const bool sixBitGreen = format == D3DFMT_R5G6B5;
    for (int x = 0; x < width; ++x) {
        std::uint16_t pixel;
        std::memcpy(&pixel, row + x * 2, 2);
        out[x] = sixBitGreen ? Argb(Expand(pixel >> 11, 5), Expand((pixel >> 5) & 0x3Fu, 6),
                     Expand(pixel & 0x1Fu, 5))
                             : Argb(Expand((pixel >> 10) & 0x1Fu, 5),
                                 Expand((pixel >> 5) & 0x1Fu, 5), Expand(pixel & 0x1Fu, 5));
    }
    return true;
}

// The back buffer as 0xAARRGGBB rows, read the way any Direct3D 9 program can read it.
bool ReadBackBuffer(CapturedFrame& frame, std::string& error)
{
    IDirect3DSurface9* surface = nullptr;
    if (FAILED(d3dDevice->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &surface))
        || surface == nullptr) {
        error = "GetBackBuffer failed";
        return false;
    }
    D3DSURFACE_DESC desc = {};
    surface->GetDesc(&desc);
    D3DLOCKED_RECT locked = {};
    if (FAILED(surface->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
        surface->Release();
        error = "LockRect on the back buffer failed";
        return false;
    }
    frame.width = static_cast<int>(desc.Width);
    frame.height = static_cast<int>(desc.Height);
    frame.argb.resize(static_cast<std::size_t>(frame.width) * frame.height);
    bool known = true;
    for (int y = 0; y < frame.height && known; ++y) {
        const auto* row = static_cast<const std::uint8_t*>(locked.pBits)
            + static_cast<std::ptrdiff_t>(y) * locked.Pitch;
        known = ConvertRow(desc.Format, row, frame.width,
            frame.argb.data() + static_cast<std::size_t>(y) * frame.width);
    }
    surface->UnlockRect();
    surface->Release();
    if (!known) {
        error = "back buffer format " + std::to_string(static_cast<int>(desc.Format))
            + " is not one the tool reads";
    }
    return known;
}

LRESULT CALLBACK ToolWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

std::vector<std::uint8_t> CapturedFrame::Rgb() const
{
    std::vector<std::uint8_t> rgb(argb.size() * 3);
    for (std::size_t i = 0; i < argb.size(); ++i) {
        rgb[i * 3] = static_cast<std::uint8_t>(argb[i] >> 16);
        rgb[i * 3 + 1] = static_cast<std::uint8_t>(argb[i] >> 8);
        rgb[i * 3 + 2] = static_cast<std::uint8_t>(argb[i]);
    }
    return rgb;
}

HWND OpenToolWindowWithDevice(std::string& error)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ToolWindowProc;
    windowClass.lpszClassName = "TessarineFrame";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, "TessarineFrame", "tessarine-frame",
        WS_OVERLAPPED | WS_CAPTION, 0, 0, 640, 480, nullptr, nullptr, nullptr, nullptr);
    if (SetUpDevice(window) == 0 || DeviceIsGone()) {
        ReleaseDevice();
        error = "the device could not be set up";
        return nullptr;
    }
    return window;
}

bool DrawAndCaptureFrame(HWND window, CapturedFrame& frame, std::string& error)
{
    const ModelSnapshot before = TakeSnapshot();
    RenderFrame(window);
    RestoreSnapshot(before);
    RenderFrame(window);
    if (DeviceIsGone()) {
        error = "the device was lost";
        return false;
    }
    return ReadBackBuffer(frame, error);
}
