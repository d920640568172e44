// The whole program's answer to a failing graphics platform: start-up, the frame loop and the
// window procedure as the viewer runs them, with the platform's fault switches. Each case runs
// in a process of its own (start-up takes the single-instance guard, and a failed start leaves
// the program ending), which reports back what the user would have seen.
#include <gtest/gtest.h>

#include <QTimer>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "app/frame_loop.h"
#include "app/start_up.h"
#include "app/window_proc.h"
#include "cube/cubie.h"
#include "geometry/camera.h"
#include "platform/d3d9/display_hooks.h"
#include "platform/d3d9/fault_injection.h"
#include "platform/platform.h"
#include "platform/qt/qt_application.h"
#include "platform/win32/message_box_hook.h"
#include "render/device.h"

namespace {

using softd3d::faults::Call;
using softd3d::faults::FailCall;

// What one run of the program showed, as the child process reports it.
struct Outcome {
    std::vector<std::string> boxes; // "caption|text|owner null|type" of every message box
    int exitCode = -1; // RunFrameLoop's result; -1: no window was made
    int presents = 0; // frames shown in the whole run
    int presentsAfterFault = 0; // frames shown after the fault was armed
    long lossMs = 0; // from the first failed Present to the first shown frame after it
    bool modelKept = true; // the cube and the camera after the run equal those before
};

std::string Encode(const Outcome& o)
{
    std::ostringstream out;
    out << o.exitCode << ' ' << o.presents << ' ' << o.presentsAfterFault << ' ' << o.lossMs << ' '
        << o.modelKept << ' ' << o.boxes.size() << '\n';
    for (const std::string& box : o.boxes) {
        out << box << '\n';
    }
    return out.str();
}

Outcome Decode(const std::string& text)
{
    std::istringstream in(text);
    Outcome o;
    std::size_t boxes = 0;
    in >> o.exitCode >> o.presents >> o.presentsAfterFault >> o.lossMs >> o.modelKept >> boxes;
    std::string line;
    std::getline(in, line);
    for (std::size_t i = 0; i < boxes && std::getline(in, line); ++i) {
        o.boxes.push_back(line);
    }
    return o;
}

// Per-process state of the program run in the child.
Outcome outcome;
bool faultArmed = false;
std::chrono::steady_clock::time_point lossStart;

std::string ErrorBox(const char8_t* text)
{
    return std::string("Error|") + reinterpret_cast<const char*>(text) + "|1|"
        + std::to_string(MB_ICONERROR);
}

struct ModelSnapshot {
    int cells[27];
    Vec3 direction, axisY;
    float distance;
    bool operator==(const ModelSnapshot& o) const
    {
        for (int i = 0; i < 27; ++i) {
            if (cells[i] != o.cells[i]) {
                return false;
            }
        }
        return direction.x == o.direction.x && direction.y == o.direction.y
            && direction.z == o.direction.z && axisY.x == o.axisY.x && axisY.y == o.axisY.y
            && axisY.z == o.axisY.z && distance == o.distance;
    }
};

ModelSnapshot Snapshot()
{
    ModelSnapshot s;
    for (int i = 0; i < 27; ++i) {
        s.cells[i] = cubies[i].Cell();
    }
    s.direction = camera.direction;
    s.axisY = camera.axisY;
    s.distance = camera.distance;
    return s;
}

// Runs the program in a child process: `beforeStart` arms faults before StartUp, `whileRunning`
// (if any) is called from a timer 300 ms into the frame loop, and a second timer ends the run
// after `runMs` with the quit message, as Escape would.
Outcome RunProgram(const std::function<void()>& beforeStart,
    const std::function<void(HWND)>& whileRunning, int runMs)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        ADD_FAILURE() << "no pipe";
        return {};
    }
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        char pattern[] = "/tmp/tessarine-faults-XXXXXX";
        setenv("XDG_RUNTIME_DIR", mkdtemp(pattern), 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        platform::EnsureQtApplication();
        platform::SetMessageBoxObserver([](const platform::MessageBoxCall& call) {
            outcome.boxes.push_back(call.captionUtf8 + "|" + call.textUtf8 + "|"
                + std::to_string(call.owner == nullptr) + "|" + std::to_string(call.type));
            return IDOK;
        });
        softd3d::SetDisplayHooks(
            { [](const softd3d::PresentedFrame&) {
                 ++outcome.presents;
                 if (faultArmed) {
                     ++outcome.presentsAfterFault;
                     if (outcome.lossMs < 0) {
                         outcome.lossMs = static_cast<long>(
                             std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - lossStart)
                                 .count());
                     }
                 }
             },
                {} });
        if (beforeStart) {
            beforeStart();
        }
        HWND window = StartUp(nullptr, SW_SHOWNORMAL);
        if (window != nullptr) {
            const ModelSnapshot before = Snapshot();
            if (whileRunning) {
                QTimer::singleShot(300, [&] {
                    faultArmed = true;
                    lossStart = std::chrono::steady_clock::now();
                    outcome.lossMs = -1;
                    whileRunning(window);
                });
            }
            QTimer::singleShot(runMs, [] { PostQuitMessage(0); });
            outcome.exitCode = RunFrameLoop(window);
            outcome.modelKept = Snapshot() == before;
        }
        const std::string report = Encode(outcome);
        const ssize_t written = write(pipeEnds[1], report.data(), report.size());
        _exit(written == static_cast<ssize_t>(report.size()) ? 0 : 3);
    }
    close(pipeEnds[1]);
    std::string report;
    char buffer[4096];
    ssize_t got;
    while ((got = read(pipeEnds[0], buffer, sizeof buffer)) > 0) {
        report.append(buffer, static_cast<std::size_t>(got));
    }
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the program's process crashed";
    return Decode(report);
}

void FailAllDeviceKinds()
{
    FailCall(Call::CreateDeviceHalHardware);
    FailCall(Call::CreateDeviceHalSoftware);
    FailCall(Call::CreateDeviceRef);
}

TEST(ProgramFaults, each_failed_start_shows_its_box_once_and_ends_with_code_zero_before_any_frame)
{
    struct Case {
        const char* name;
        std::function<void()> arm;
        const char8_t* text;
    };
    const Case cases[] = {
        { "Direct3DCreate9", [] { FailCall(Call::Direct3DCreate9); },
            u8"DirectXの初期化に失敗しました。(1)" },
        { "GetAdapterDisplayMode", [] { FailCall(Call::GetAdapterDisplayMode); },
            u8"DirectXの初期化に失敗しました。(2)" },
        { "CreateDevice", FailAllDeviceKinds, u8"DirectXの初期化に失敗しました。(3)" },
        { "CreateTexture", [] { FailCall(Call::CreateTexture); },
            u8"テクスチャの読み込みに失敗した。" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome o = RunProgram(c.arm, {}, 3000);
        ASSERT_EQ(o.boxes.size(), 1u);
        EXPECT_EQ(o.boxes[0], ErrorBox(c.text));
        EXPECT_EQ(o.exitCode, 0);
        EXPECT_EQ(o.presents, 0) << "the quit message is taken before the first tick";
    }
}

TEST(ProgramFaults, failed_display_mode_switch_shows_one_box_and_ends_with_code_zero)
{
    const Outcome o = RunProgram(
        {},
        [](HWND window) {
            FailAllDeviceKinds();
            // F1 twice, the second still queued behind the failure, then the menu command.
            WindowProc(window, WM_KEYDOWN, VK_F1, 0);
            WindowProc(window, WM_KEYDOWN, VK_F1, 0);
            WindowProc(window, WM_COMMAND, 40004, 0);
        },
        5000);
    ASSERT_EQ(o.boxes.size(), 1u);
    EXPECT_EQ(o.boxes[0], ErrorBox(u8"DirectXの初期化に失敗しました。(3)"));
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_GT(o.presents, 0);
    EXPECT_EQ(o.presentsAfterFault, 0);
}

TEST(ProgramFaults, failed_re_creation_after_a_loss_shows_one_box_and_ends_with_code_zero)
{
    const Outcome o = RunProgram(
        {},
        [](HWND) {
            softd3d::faults::ScriptDeviceLoss({ D3DERR_DEVICENOTRESET });
            FailAllDeviceKinds();
        },
        5000);
    ASSERT_EQ(o.boxes.size(), 1u);
    EXPECT_EQ(o.boxes[0], ErrorBox(u8"DirectXの初期化に失敗しました。(3)"));
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_GT(o.presents, 0);
    EXPECT_EQ(o.presentsAfterFault, 0);
}

TEST(ProgramFaults, long_loss_costs_ten_ms_a_frame_and_recovers_with_the_model_unchanged)
{
    constexpr int kLostFrames = 40;
    const Outcome o = RunProgram(
        {},
        [](HWND) {
            std::vector<HRESULT> script(kLostFrames - 1, D3DERR_DEVICELOST);
            script.push_back(D3DERR_DEVICENOTRESET);
            softd3d::faults::ScriptDeviceLoss(script);
        },
        3000);
    std::printf("[ figure   ] a loss of %d frames kept the picture away for %ld ms\n", kLostFrames,
        o.lossMs);
    EXPECT_TRUE(o.boxes.empty());
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_GT(o.presentsAfterFault, 10) << "frames are shown again after the re-creation";
    EXPECT_GE(o.lossMs, kLostFrames * 10) << "each lost frame sleeps 10 ms";
    EXPECT_TRUE(o.modelKept);
}

} // namespace
