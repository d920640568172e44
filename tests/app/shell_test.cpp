// The shell as the user drives it: keys, menu commands, mouse and wheel through WindowProc, the
// display-mode switch and the frame loop, on the real window layer (Qt offscreen) and the
// software device.
#include <gtest/gtest.h>

#include <QTimer>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "app/frame_loop.h"
#include "app/shell_state.h"
#include "app/start_up.h"
#include "app/window_proc.h"
#include "cube/cubie.h"
#include "cube/layer_turn.h"
#include "geometry/camera.h"
#include "geometry/cursor.h"
#include "platform/d3d9/display_hooks.h"
#include "platform/d3d9/fault_injection.h"
#include "platform/glue/display_connection.h"
#include "platform/platform.h"
#include "platform/qt/qt_application.h"
#include "platform/win32/message_box_hook.h"
#include "render/device.h"
#include "render/frame.h"
#include "render/view_flags.h"
#include "resources/resource_ids.h"

namespace {

HWND window = nullptr;
std::vector<platform::MessageBoxCall> boxes;
CursorPos cursor = { 0, 0 };

CursorPos TestCursor()
{
    return cursor;
}

// Everything queued so far; the quit message, if any, ends the list.
std::vector<MSG> DrainQueue()
{
    std::vector<MSG> taken;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        taken.push_back(msg);
        if (msg.message == WM_QUIT) {
            break;
        }
        DispatchMessageA(&msg);
    }
    return taken;
}

bool QuitWasPosted(const std::vector<MSG>& taken, WPARAM code = 0)
{
    return !taken.empty() && taken.back().message == WM_QUIT && taken.back().wParam == code;
}

LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    return WindowProc(window, message, wParam, lParam);
}

void MoveTo(int x, int y, WPARAM buttons = 0)
{
    cursor = { x, y };
    Send(WM_MOUSEMOVE, buttons, MAKELPARAM(x, y));
}

bool SameVector(const Vec3& a, const Vec3& b)
{
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

bool CubeIsSolved()
{
    for (int i = 0; i < 27; ++i) {
        if (cubies[i].Cell() != i) {
            return false;
        }
    }
    return true;
}

class Shell : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // A login of its own, so a viewer running on this machine does not hold the guard.
        static std::string runtime = [] {
            char pattern[] = "/tmp/tessarine-shell-test-XXXXXX";
            return std::string(mkdtemp(pattern));
        }();
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        platform::EnsureQtApplication();
        platform::ConnectDeviceToWindows();
        platform::SetMessageBoxObserver([](const platform::MessageBoxCall& call) {
            boxes.push_back(call);
            return IDOK;
        });
        if (window == nullptr) {
            window = StartUp(nullptr, SW_SHOWNORMAL);
        }
        ASSERT_NE(window, nullptr);
    }

    void SetUp() override
    {
        softd3d::faults::ClearAll();
        if (DeviceIsGone()) {
            ASSERT_EQ(SetUpDevice(window), 1);
        }
        DrainQueue();
        SetCursorReader(TestCursor);
        boxes.clear();
        ResetCamera();
        ResetCube();
        overlayVisible = 0;
    }

    void TearDown() override
    {
        if (windowed == 0) {
            ToggleFullScreen(window);
        }
        softd3d::faults::ClearAll();
    }
};

TEST_F(Shell, escape_ends_the_program_with_code_zero)
{
    EXPECT_EQ(Send(WM_KEYDOWN, VK_ESCAPE), 0);
    EXPECT_TRUE(QuitWasPosted(DrainQueue(), 0));
}

TEST_F(Shell, f2_toggles_the_overlay_and_other_keys_do_nothing)
{
    Send(WM_KEYDOWN, VK_F2);
    EXPECT_NE(overlayVisible, 0);
    Send(WM_KEYDOWN, VK_F2);
    EXPECT_EQ(overlayVisible, 0);

    const CameraState before = camera;
    for (WPARAM key :
        { WPARAM(VK_LEFT), WPARAM(VK_UP), WPARAM(VK_SPACE), WPARAM('A'), WPARAM(VK_F4) }) {
        EXPECT_EQ(Send(WM_KEYDOWN, key), 0)
            << "key " << key << " must not reach default processing";
    }
    EXPECT_TRUE(DrainQueue().empty());
    EXPECT_EQ(overlayVisible, 0);
    EXPECT_TRUE(SameVector(camera.direction, before.direction));
    EXPECT_EQ(windowed, 1);
}

TEST_F(Shell, shuffle_twice_restores_and_clear_stops_everything)
{
    Send(WM_COMMAND, IDM_SHUFFLE);
    EXPECT_NE(shuffling, 0);
    Send(WM_COMMAND, IDM_SHUFFLE);
    EXPECT_EQ(shuffling, 0);

    // Mid-shuffle and mid-turn, after an orbit and a zoom: Clear brings back the start.
    Send(WM_COMMAND, IDM_SHUFFLE);
    for (int frame = 0; frame < 24; ++frame) {
        RenderFrame(window);
    }
    EXPECT_FALSE(CubeIsSolved());
    EXPECT_GT(turnState.remainingFrames, 0);
    Send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)));
    const CameraState start = [] {
        ResetCamera();
        return camera;
    }();
    Send(WM_COMMAND, IDM_SHUFFLE); // the reset above stopped it; on again
    Send(WM_COMMAND, IDM_CLEAR);
    EXPECT_EQ(shuffling, 0);
    EXPECT_EQ(turnState.remainingFrames, 0);
    EXPECT_EQ(turnState.selectorCell, -1);
    EXPECT_TRUE(CubeIsSolved());
    EXPECT_EQ(camera.distance, 12.0f);
    EXPECT_TRUE(SameVector(camera.direction, start.direction));
}

TEST_F(Shell, about_shows_the_version_owned_by_the_window_and_unknown_commands_do_nothing)
{
    Send(WM_COMMAND, IDM_ABOUT);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].textUtf8, "Tessarine Ver1.00\n\n");
    EXPECT_EQ(boxes[0].captionUtf8, "About");
    EXPECT_EQ(boxes[0].owner, window);
    EXPECT_EQ(boxes[0].type, MB_OK);

    EXPECT_EQ(Send(WM_COMMAND, 40099), 0);
    EXPECT_EQ(Send(WM_COMMAND, 0), 0);
    EXPECT_TRUE(DrainQueue().empty());
    EXPECT_EQ(shuffling, 0);

    Send(WM_COMMAND, IDM_EXIT);
    EXPECT_TRUE(QuitWasPosted(DrainQueue(), 0));
}

TEST_F(Shell, right_drag_orbits_and_plain_moves_only_track_the_mouse)
{
    MoveTo(100, 100);
    EXPECT_EQ(mousePos.x, 100);
    const CameraState start = camera;
    MoveTo(150, 100); // no button: nothing turns
    EXPECT_TRUE(SameVector(camera.direction, start.direction));
    EXPECT_EQ(mousePos.x, 150);

    Send(WM_RBUTTONDOWN, MK_RBUTTON);
    EXPECT_EQ(camera.orbitAnchor.x, 150);
    MoveTo(190, 100, MK_RBUTTON); // a drag to the right: yaw
    EXPECT_FALSE(SameVector(camera.direction, start.direction));
    EXPECT_TRUE(SameVector(camera.yawAxis, start.yawAxis));
    EXPECT_EQ(camera.orbitAnchor.x, 190);
    EXPECT_EQ(Send(WM_RBUTTONUP), 0);
    EXPECT_EQ(camera.orbitAnchor.x, 190);
}

TEST_F(Shell, cursor_positions_come_from_the_cursor_not_the_message)
{
    MoveTo(150, 100);
    cursor = { 170, 120 }; // moved on; its move message is still queued
    Send(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(150, 100));
    EXPECT_EQ(camera.orbitAnchor.x, 170);
    EXPECT_EQ(camera.orbitAnchor.y, 120);
    cursor = { 200, 120 };
    Send(WM_MOUSEMOVE, MK_RBUTTON, MAKELPARAM(180, 125));
    EXPECT_EQ(mousePos.x, 200);
    EXPECT_EQ(mousePos.y, 120);
    EXPECT_EQ(camera.orbitAnchor.x, 200);
}

TEST_F(Shell, wheel_steps_one_unit_and_clamps_at_seven_and_thirty)
{
    const auto wheel
        = [](int delta) { Send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(delta))); };
    wheel(-120);
    EXPECT_EQ(camera.distance, 11.0f);
    wheel(-1200); // one step whatever the size
    EXPECT_EQ(camera.distance, 10.0f);
    for (int i = 0; i < 40; ++i) {
        wheel(-120);
    }
    EXPECT_EQ(camera.distance, 7.0f);
    wheel(0); // zero counts as a step away
    EXPECT_EQ(camera.distance, 8.0f);
    for (int i = 0; i < 40; ++i) {
        wheel(120);
    }
    EXPECT_EQ(camera.distance, 30.0f);
}

// The pixel where a world point appears with the current camera.
CursorPos PixelOf(Vec3 world)
{
    Mat4 view, projection, both;
    BuildView(&view);
    BuildProjection(&projection);
    MatrixMultiply(&both, &view, &projection);
    Vec3 clip;
    Vec3TransformCoord(&clip, &world, &both);
    return CursorPos { static_cast<int>(320 + clip.x * 320), static_cast<int>(240 - clip.y * 240) };
}

TEST_F(Shell, left_drag_across_the_top_face_starts_a_sixteen_frame_turn)
{
    // The top face's front row, from the middle of cell 0's sticker to cell 2's, at the start
    // camera; the e2e probe finds the same pixels for the real window.
    const CursorPos from = PixelOf({ -2, 3, 2 });
    const CursorPos to = PixelOf({ 2, 3, 2 });
    MoveTo(from.x, from.y);
    Send(WM_LBUTTONDOWN, MK_LBUTTON);
    MoveTo(to.x, to.y, MK_LBUTTON);
    Send(WM_LBUTTONUP);
    EXPECT_EQ(turnState.remainingFrames, 16);
    EXPECT_EQ(turnState.axisCode, 3);
    EXPECT_EQ(turnState.selectorCell, 0);
}

TEST_F(Shell, press_let_go_outside_the_window_turns_nothing_at_the_next_release)
{
    const CursorPos from = PixelOf({ -2, 3, 2 });
    const CursorPos to = PixelOf({ 2, 3, 2 });
    MoveTo(from.x, from.y);
    Send(WM_LBUTTONDOWN, MK_LBUTTON);
    MoveTo(to.x, to.y, MK_LBUTTON);
    // Out of the window the button goes up unseen; the cursor comes back without it, then a
    // press outside the window is released over the cube.
    MoveTo(to.x, to.y);
    Send(WM_LBUTTONUP);
    EXPECT_EQ(turnState.remainingFrames, 0);
}

TEST_F(Shell, full_screen_and_back_keep_the_model_and_restore_the_window)
{
    turnState = TurnState { 9, 16, 2, 4 };
    RECT before;
    GetWindowRect(window, &before);

    ASSERT_EQ(ToggleFullScreen(window), 1);
    EXPECT_EQ(windowed, 0);
    EXPECT_EQ(presentParams.Windowed, 0);
    EXPECT_EQ(presentParams.BackBufferFormat, D3DFMT_X8R8G8B8);
    RECT full;
    GetWindowRect(window, &full);
    EXPECT_EQ(full.right - full.left, 640);
    EXPECT_EQ(full.bottom - full.top, 480);
    RECT display;
    GetWindowRect(GetDesktopWindow(), &display);
    EXPECT_EQ(display.right, 640) << "the display shows the 640x480 mode";
    EXPECT_EQ(display.bottom, 480);

    ASSERT_EQ(ToggleFullScreen(window), 1);
    EXPECT_EQ(windowed, 1);
    EXPECT_EQ(presentParams.Windowed, 1);
    RECT after;
    GetWindowRect(window, &after);
    EXPECT_EQ(after.right - after.left, windowOuterSize.width);
    EXPECT_EQ(after.bottom - after.top, windowOuterSize.height);
    GetWindowRect(GetDesktopWindow(), &display);
    // Centred by the full-screen window's size, as the switch back computes it.
    EXPECT_EQ(after.left, (display.right - 640) / 2);
    EXPECT_EQ(after.top, (display.bottom - 480) / 2);
    EXPECT_EQ(turnState.remainingFrames, 9);
    EXPECT_EQ(turnState.selectorCell, 4);
}

TEST_F(Shell, f1_held_down_switches_at_the_repeat_rate_and_leaves_everything_sound)
{
    // Two seconds of keyboard auto-repeat: 60 key-downs, each a full device re-creation.
    turnState = TurnState { 5, 16, -3, 20 };
    for (int i = 0; i < 60; ++i) {
        Send(WM_KEYDOWN, VK_F1, i == 0 ? 1 : (1 | (1 << 30)));
        RenderFrame(window);
    }
    EXPECT_EQ(windowed, 1) << "an even number of switches";
    EXPECT_FALSE(DeviceIsGone());
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(DrainQueue().empty()) << "no switch failed, so nothing ends the program";
    RECT frame;
    GetWindowRect(window, &frame);
    EXPECT_EQ(frame.right - frame.left, windowOuterSize.width);
    EXPECT_EQ(frame.bottom - frame.top, windowOuterSize.height);
    EXPECT_EQ(turnState.axisCode, -3) << "the turn ran on through the switches";
}

TEST_F(Shell, cursor_is_in_client_space_windowed_and_display_space_in_full_screen)
{
    SetCursorReader(ReadPlatformCursor);
    POINT screen;
    GetCursorPos(&screen);
    POINT client = screen;
    ScreenToClient(window, &client);
    CursorPos read = ReadCursor();
    EXPECT_EQ(read.x, client.x);
    EXPECT_EQ(read.y, client.y);

    ASSERT_EQ(ToggleFullScreen(window), 1);
    GetCursorPos(&screen);
    read = ReadCursor();
    EXPECT_EQ(read.x, screen.x);
    EXPECT_EQ(read.y, screen.y);
    EXPECT_GE(read.x, 0);
    EXPECT_LT(read.x, 640);
    EXPECT_GE(read.y, 0);
    EXPECT_LT(read.y, 480);
}

TEST_F(Shell, failed_mode_switch_shows_one_box_and_ends_the_program)
{
    using softd3d::faults::Call;
    softd3d::faults::FailCall(Call::CreateDeviceHalHardware);
    softd3d::faults::FailCall(Call::CreateDeviceHalSoftware);
    softd3d::faults::FailCall(Call::CreateDeviceRef);
    Send(WM_KEYDOWN, VK_F1);
    Send(WM_KEYDOWN, VK_F1); // still queued behind the failure: must not try again
    Send(WM_COMMAND, IDM_FULL_SCREEN);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].textUtf8, "DirectXの初期化に失敗しました。(3)");
    EXPECT_EQ(boxes[0].captionUtf8, "Error");
    EXPECT_EQ(boxes[0].owner, nullptr);
    EXPECT_EQ(boxes[0].type, MB_ICONERROR);
    EXPECT_TRUE(QuitWasPosted(DrainQueue(), 0));
    softd3d::faults::ClearAll();
    windowed = 1; // the failed switch left the flag flipped; the next test starts windowed
}

TEST_F(Shell, frame_loop_ticks_every_sixteen_milliseconds_until_the_quit_message)
{
    // 2.5 s of the real loop, ended by a quit request that a timer queues: the loop must take it
    // between ticks, release the device and return its code. Ticks are counted through Present.
    // Long enough that a slow machine (or a sanitizer build) still completes a counting window.
    int presents = 0;
    softd3d::SetDisplayHooks({ [&](const softd3d::PresentedFrame&) { ++presents; }, {} });
    QTimer::singleShot(2500, [] { PostQuitMessage(7); });
    const DWORD start = timeGetTime();
    EXPECT_EQ(RunFrameLoop(window), 7);
    const DWORD elapsed = timeGetTime() - start;
    platform::ConnectDeviceToWindows();
    EXPECT_TRUE(DeviceIsGone()) << "the loop's end releases the device";
    // One tick per 16 ms at most; a loaded machine skips draws but never more than five in a row.
    EXPECT_GT(presents, 25);
    EXPECT_LE(presents, static_cast<int>(elapsed / 16 + 2));
    // 62 or 63 when every tick is on time; a loaded machine's catch-up may run a few more.
    EXPECT_GT(framesPerSecond, 30) << "one completed second of ticks, skipped ones included";
}

TEST_F(Shell, flood_of_random_input_keeps_the_state_sound)
{
    std::mt19937 random(20261208);
    const UINT messages[] = { WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN,
        WM_RBUTTONUP, WM_MOUSEWHEEL, WM_KEYDOWN, WM_COMMAND, WM_LBUTTONDBLCLK, WM_MBUTTONDOWN };
    const WPARAM keys[] = { VK_F2, VK_LEFT, 'Q', VK_SPACE };
    const WORD commands[] = { IDM_SHUFFLE, IDM_CLEAR, 40099 };
    for (int i = 0; i < 100000; ++i) {
        cursor = { static_cast<int>(random() % 700) - 30, static_cast<int>(random() % 540) - 30 };
        const UINT message = messages[random() % std::size(messages)];
        WPARAM wParam = random() & 0xFFFF;
        if (message == WM_KEYDOWN) {
            wParam = keys[random() % std::size(keys)];
        } else if (message == WM_COMMAND) {
            wParam = commands[random() % std::size(commands)];
        } else if (message == WM_MOUSEWHEEL) {
            wParam = MAKEWPARAM(0, static_cast<WORD>(random()));
        }
        Send(message, wParam, MAKELPARAM(cursor.x, cursor.y));
        if (i % 50 == 0) {
            RenderFrame(window);
        }
    }
    std::vector<bool> seen(27, false);
    for (const Cubie& c : cubies) {
        ASSERT_GE(c.Cell(), 0);
        ASSERT_LT(c.Cell(), 27);
        EXPECT_FALSE(seen[c.Cell()]);
        seen[c.Cell()] = true;
    }
    EXPECT_GE(camera.distance, 7.0f);
    EXPECT_LE(camera.distance, 30.0f);
    EXPECT_EQ(camera.distance, static_cast<float>(static_cast<int>(camera.distance)));
    EXPECT_TRUE(overlayVisible == 0 || overlayVisible == -1);
    EXPECT_TRUE(shuffling == 0 || shuffling == -1);
    EXPECT_GE(turnState.remainingFrames, 0);
    EXPECT_LE(turnState.remainingFrames, 16);
    EXPECT_TRUE(DrainQueue().empty()) << "no command of the flood ends the program";
}

} // namespace
