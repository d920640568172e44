// Random sequences of the messages the window procedure handles, with random parameters and
// cursor positions, between frame steps and display-mode switches, on the real window layer (Qt
// offscreen) and the software device. After every message the program's state must still be one
// the program can be in.
#include <cstdlib>
#include <string>

#include "app/shell_state.h"
#include "app/start_up.h"
#include "app/window_proc.h"
#include "cube/cubie.h"
#include "cube/frame_step.h"
#include "cube/layer_turn.h"
#include "cube/shuffle_random.h"
#include "fuzz/fuzz_input.h"
#include "geometry/camera.h"
#include "geometry/cursor.h"
#include "geometry/gesture.h"
#include "platform/d3d9/fault_injection.h"
#include "platform/platform.h"
#include "platform/qt/qt_application.h"
#include "platform/win32/message_box_hook.h"
#include "render/device.h"
#include "render/frame.h"
#include "render/view_flags.h"
#include "resources/resource_ids.h"

using fuzz::Require;

namespace {

HWND window = nullptr;
CursorPos cursor = { 0, 0 };

CursorPos FuzzCursor()
{
    return cursor;
}

// Device re-creations and drawn frames cost tenths of a second in an instrumented build, a
// thousand times what a message costs, so by default the sequences keep the device out: frames
// are model steps, and mode switches and device faults are skipped. TESSARINE_FUZZ_DEVICE=1
// lets them through (the seed replay of the test suite does so), a few per sequence.
bool deviceOps = false;
constexpr int kMaxModeSwitches = 2;
constexpr int kMaxRenderedFrames = 3;
constexpr std::size_t kMaxRecords = 512;
constexpr int kFullTurnSteps = 17;

void CheckState()
{
    bool seen[27] = {};
    for (const Cubie& c : cubies) {
        Require(c.Cell() >= 0 && c.Cell() < 27, "cells lie in 0..26");
        Require(!seen[c.Cell()], "cells are a permutation");
        seen[c.Cell()] = true;
    }
    const float d = camera.distance;
    Require(d >= 7.0f && d <= 30.0f && d == static_cast<float>(static_cast<int>(d)),
        "distance is a whole number in 7..30");
    Require(overlayVisible == 0 || overlayVisible == -1, "overlayVisible is 0 or all bits");
    Require(shuffling == 0 || shuffling == -1, "shuffling is 0 or all bits");
    Require(turnState.remainingFrames >= 0 && turnState.remainingFrames <= 16,
        "remainingFrames in 0..16");
}

// Dispatches what the window layer queued meanwhile; false once the quit message is taken, when
// the frame loop would have ended the program.
bool PumpQueue()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            Require(msg.wParam == 0, "the exit code is 0");
            return false;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        CheckState();
    }
    return true;
}

WPARAM KeyFor(const fuzz::MessageRecord& r)
{
    switch (r.extra % 4) {
    case 0: return VK_ESCAPE;
    case 1: return VK_F1;
    case 2: return VK_F2;
    default: return r.param;
    }
}

WPARAM CommandFor(const fuzz::MessageRecord& r)
{
    const int pick = r.extra % 7;
    return pick < 5 ? static_cast<WPARAM>(IDM_EXIT + pick) : MAKEWPARAM(r.param, r.extra);
}

// Messages the procedure leaves to default processing (closing the window is not among them: it
// would end the program).
constexpr UINT kOtherMessages[] = { WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK, WM_MBUTTONDOWN,
    WM_MBUTTONUP, WM_KEYUP, WM_CHAR, WM_PAINT, WM_SETFOCUS, WM_KILLFOCUS, WM_NULL };

bool SwitchesMode(UINT message, WPARAM wParam)
{
    return (message == WM_KEYDOWN && wParam == VK_F1)
        || (message == WM_COMMAND && LOWORD(wParam) == IDM_FULL_SCREEN);
}

void ArmFault(std::uint8_t which)
{
    using softd3d::faults::Call;
    static constexpr Call kCalls[] = { Call::Direct3DCreate9, Call::GetAdapterDisplayMode,
        Call::CreateDeviceHalHardware, Call::CreateTexture, Call::LoadMesh };
    if (which % 7 == 5) {
        // All three device kinds refused: the next set-up shows message (3).
        softd3d::faults::FailCall(Call::CreateDeviceHalHardware, 1);
        softd3d::faults::FailCall(Call::CreateDeviceHalSoftware, 1);
        softd3d::faults::FailCall(Call::CreateDeviceRef, 1);
    } else if (which % 7 == 6) {
        softd3d::faults::ScriptDeviceLoss({ D3DERR_DEVICELOST, D3DERR_DEVICENOTRESET });
    } else {
        softd3d::faults::FailCall(kCalls[which % 7], 1);
    }
}

// The next sequence starts from a freshly started program's state, with a working device.
void Restart()
{
    softd3d::faults::ClearAll();
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) { }
    if (DeviceIsGone()) {
        windowed = 1;
        ReleaseDevice();
        Require(SetUpDevice(window) == 1, "the device can be set up again");
    } else if (windowed == 0) {
        Require(ToggleFullScreen(window) == 1, "the window returns from full screen");
    }
    cursor = { 0, 0 };
    EndGesture(); // disarms a press left over from the last sequence
    ResetCamera();
    ResetCube();
    camera.orbitAnchor = { 0, 0 };
    mousePos = { 0, 0 };
    overlayVisible = 0;
    SeedShuffleRandom(1);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // A login of its own per process, so parallel fuzzing jobs do not meet at the guard.
    char pattern[] = "/tmp/tessarine-fuzz-XXXXXX";
    const char* runtime = mkdtemp(pattern);
    Require(runtime != nullptr, "a private runtime folder");
    setenv("XDG_RUNTIME_DIR", runtime, 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    platform::EnsureQtApplication();
    platform::SetMessageBoxObserver([](const platform::MessageBoxCall&) { return IDOK; });
    window = StartUp(nullptr, SW_SHOWNORMAL);
    Require(window != nullptr, "start-up makes the window");
    SetCursorReader(FuzzCursor);
    const char* device = std::getenv("TESSARINE_FUZZ_DEVICE");
    deviceOps = device != nullptr && device[0] == '1';
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Restart();
    int modeSwitches = 0;
    int renderedFrames = 0;
    const std::size_t records = std::min(size / fuzz::kMessageRecordSize, kMaxRecords);
    for (std::size_t i = 0; i < records; ++i) {
        const fuzz::MessageRecord r = fuzz::ReadMessageRecord(data + i * fuzz::kMessageRecordSize);
        cursor = { r.cursorX, r.cursorY };
        const LPARAM lParam = MAKELPARAM(r.cursorX, r.cursorY);
        UINT message = WM_NULL;
        WPARAM wParam = r.param;
        switch (r.op % 16) {
        case 0: message = WM_MOUSEMOVE; break;
        case 1:
            message = WM_MOUSEMOVE;
            wParam = MK_RBUTTON | (r.param & ~WPARAM { MK_RBUTTON });
            break;
        case 2: message = WM_LBUTTONDOWN; break;
        case 3: message = WM_LBUTTONUP; break;
        case 4: message = WM_RBUTTONDOWN; break;
        case 5: message = WM_RBUTTONUP; break;
        case 6:
            message = WM_MOUSEWHEEL;
            wParam = MAKEWPARAM(r.extra, r.param);
            break;
        case 7:
            message = WM_KEYDOWN;
            wParam = KeyFor(r);
            break;
        case 8:
            message = WM_COMMAND;
            wParam = CommandFor(r);
            break;
        case 9: message = kOtherMessages[r.extra % std::size(kOtherMessages)]; break;
        case 10: message = WM_CREATE; break;
        case 11: message = WM_DESTROY; break;
        case 12:
        case 13:
            // Up to the 17 steps that take any turn from its start through its commit.
            for (int frame = 0; frame <= r.extra % kFullTurnSteps; ++frame) {
                StepModelFrame();
            }
            CheckState();
            break;
        case 14:
            if (!deviceOps) {
                StepModelFrame();
                CheckState();
            } else if (renderedFrames < kMaxRenderedFrames) {
                ++renderedFrames;
                RenderFrame(window);
                CheckState();
            }
            break;
        case 15:
            if (deviceOps) {
                ArmFault(r.extra);
            }
            break;
        }
        if (message == WM_NULL && r.op % 16 != 9) {
            if (!PumpQueue()) {
                return 0;
            }
            continue;
        }
        if (SwitchesMode(message, wParam) && (!deviceOps || ++modeSwitches > kMaxModeSwitches)) {
            continue;
        }
        const LRESULT result = WindowProc(window, message, wParam, lParam);
        if (r.op % 16 != 9) {
            Require(result == 0, "handled messages return 0");
        }
        CheckState();
        if (!PumpQueue()) {
            return 0;
        }
    }
    return 0;
}
