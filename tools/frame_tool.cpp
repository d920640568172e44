// tessarine-frame: draws one frame of a chosen scene with the viewer's own rendering, on the
// same platform calls as the viewer, and writes the back buffer as a PNG. On Windows the same
// source gives the reference picture of the real Direct3D 9.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cube/cubie.h"
#include "cube/frame_step.h"
#include "cube/layer_turn.h"
#include "cube/shuffle_random.h"
#include "geometry/camera.h"
#include "geometry/cursor.h"
#include "platform/platform.h"
#include "render/device.h"
#include "render/frame.h"
#include "render/overlay.h"
#include "render/view_flags.h"
#include "tools/png_writer.h"
#include "tools/scene_options.h"

namespace {

// Where the tool's "mouse" is: OrbitCamera and SetOrbitAnchor read it through ReadCursor.
CursorPos toolCursor = { 0, 0 };
CursorPos ReadToolCursor()
{
    return toolCursor;
}

LRESULT CALLBACK ToolWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateToolWindow()
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ToolWindowProc;
    windowClass.lpszClassName = "TessarineFrame";
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, "TessarineFrame", "tessarine-frame", WS_OVERLAPPED | WS_CAPTION, 0, 0,
        640, 480, nullptr, nullptr, nullptr, nullptr);
}

// Mirrors the shuffle generator (one LCG step per draw, three draws per shuffle turn) so the
// frame that is drawn twice below draws the same turn both times.
struct ShuffleMirror {
    std::uint32_t state;
    void BeforeFrame()
    {
        if (shuffling != 0 && turnState.remainingFrames == 0) {
            for (int draw = 0; draw < 3; ++draw) {
                state = state * 214013u + 2531011u;
            }
        }
    }
};

void ApplyCamera(const SceneOptions& options)
{
    for (const OrbitStep& step : options.orbits) {
        toolCursor = { 0, 0 };
        SetOrbitAnchor();
        toolCursor = { step.dx, step.dy };
        mousePos = toolCursor;
        OrbitCamera();
    }
    while (camera.distance < static_cast<float>(options.distance)) {
        ZoomCamera(WHEEL_DELTA);
    }
    while (camera.distance > static_cast<float>(options.distance)) {
        ZoomCamera(-WHEEL_DELTA);
    }
}

void CommitTurn(const LayerTurn& turn)
{
    StartUserTurn(turn.axisCode, turn.selectorCell);
    while (turnState.remainingFrames > 0) {
        StepModelFrame();
    }
}

struct ModelSnapshot {
    Cubie cubies[27];
    TurnState turn;
    std::int32_t shuffling;
    std::int32_t bannerTick;
    std::uint32_t shuffleState;
};

ModelSnapshot TakeSnapshot(std::uint32_t shuffleState)
{
    ModelSnapshot snapshot;
    for (int i = 0; i < 27; ++i) {
        snapshot.cubies[i] = cubies[i];
    }
    snapshot.turn = turnState;
    snapshot.shuffling = shuffling;
    snapshot.bannerTick = bannerTick;
    snapshot.shuffleState = shuffleState;
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

std::uint8_t Expand(std::uint32_t value, int bits)
{
    const std::uint32_t maximum = (1u << bits) - 1u;
    return static_cast<std::uint8_t>((value * 255u + maximum / 2u) / maximum);
}

// The back buffer as RGB rows, read the way any Direct3D 9 program can read it.
bool ReadBackBuffer(std::vector<std::uint8_t>& rgb, int& width, int& height, std::string& error)
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
    width = static_cast<int>(desc.Width);
    height = static_cast<int>(desc.Height);
    rgb.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3, 0);
    bool known = true;
    for (int y = 0; y < height && known; ++y) {
        const auto* row = static_cast<const std::uint8_t*>(locked.pBits)
            + static_cast<std::ptrdiff_t>(y) * locked.Pitch;
        std::uint8_t* out = rgb.data() + static_cast<std::size_t>(y) * width * 3;
        for (int x = 0; x < width; ++x, out += 3) {
            if (desc.Format == D3DFMT_X8R8G8B8 || desc.Format == D3DFMT_A8R8G8B8) {
                std::uint32_t pixel;
                std::memcpy(&pixel, row + x * 4, 4);
                out[0] = static_cast<std::uint8_t>(pixel >> 16);
                out[1] = static_cast<std::uint8_t>(pixel >> 8);
                out[2] = static_cast<std::uint8_t>(pixel);
            } else if (desc.Format == D3DFMT_R5G6B5) {
                std::uint16_t pixel;
                std::memcpy(&pixel, row + x * 2, 2);
                out[0] = Expand(pixel >> 11, 5);
                out[1] = Expand((pixel >> 5) & 0x3Fu, 6);
                out[2] = Expand(pixel & 0x1Fu, 5);
            } else if (desc.Format == D3DFMT_X1R5G5B5 || desc.Format == D3DFMT_A1R5G5B5) {
                std::uint16_t pixel;
                std::memcpy(&pixel, row + x * 2, 2);
                out[0] = Expand((pixel >> 10) & 0x1Fu, 5);
                out[1] = Expand((pixel >> 5) & 0x1Fu, 5);
                out[2] = Expand(pixel & 0x1Fu, 5);
            } else {
                known = false;
                break;
            }
        }
    }
    surface->UnlockRect();
    surface->Release();
    if (!known) {
        error = "back buffer format " + std::to_string(static_cast<int>(desc.Format))
            + " is not one the tool reads";
    }
    return known;
}

} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(SceneOptionsUsage(), stdout);
            return 0;
        }
    }
    SceneOptions options;
    std::string error;
    if (!ParseSceneOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "tessarine-frame: %s\n", error.c_str());
        return 2;
    }

#if !defined(_WIN32)
    // The tool draws into the back buffer only and needs no screen: Qt runs offscreen unless the
    // caller chose a platform.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
#endif
    HWND window = CreateToolWindow();
    SetCursorReader(ReadToolCursor);
    if (SetUpDevice(window) == 0 || DeviceIsGone()) {
        ReleaseDevice();
        std::fprintf(stderr, "tessarine-frame: the device could not be set up\n");
        return 1;
    }
    ResetCamera();
    ResetCube();
    ShuffleMirror mirror = { options.seed };
    SeedShuffleRandom(options.seed);

    for (const LayerTurn& turn : options.turns) {
        CommitTurn(turn);
    }
    ApplyCamera(options);
    overlayVisible = options.overlay ? 1 : 0;
    if (options.overlay) {
        mousePos = { options.mouseX, options.mouseY };
        toolCursor = mousePos;
    }
    framesPerSecond = options.framesPerSecond;
    shuffling = options.shuffle ? ~0 : 0;
    bannerTick = options.bannerTick;

    for (int frame = 0; frame < options.framesBefore; ++frame) {
        mirror.BeforeFrame();
        RenderFrame(window);
    }
    if (options.midTurn) {
        StartUserTurn(options.midTurnLayer.axisCode, options.midTurnLayer.selectorCell);
        for (int frame = 1; frame < options.midTurnFrame; ++frame) {
            StepModelFrame();
        }
    }

    // Drawn twice from the same state: after a flipping Present the back buffer holds the frame
    // presented before, so only a repeat leaves this very frame in it on every platform.
    const ModelSnapshot before = TakeSnapshot(mirror.state);
    RenderFrame(window);
    RestoreSnapshot(before);
    RenderFrame(window);

    std::vector<std::uint8_t> rgb;
    int width = 0;
    int height = 0;
    const bool read = !DeviceIsGone() && ReadBackBuffer(rgb, width, height, error);
    ReleaseDevice();
    if (!read) {
        std::fprintf(stderr, "tessarine-frame: %s\n", error.empty() ? "no device" : error.c_str());
        return 1;
    }
    if (!WritePng(options.outPath.c_str(), width, height, rgb.data())) {
        std::fprintf(stderr, "tessarine-frame: cannot write %s\n", options.outPath.c_str());
        return 1;
    }
    return 0;
}
