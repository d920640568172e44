// One drawn frame of the viewer on the software device, single thread: the solved cube at the
// start camera (at rest, when each frame repeats the last, and drawn afresh), with the overlay,
// while a layer turns, and while shuffling, back to back and at the viewer's pace.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "cube/cubie.h"
#include "cube/layer_turn.h"
#include "geometry/camera.h"
#include "geometry/cursor.h"
#include "render/device.h"
#include "render/frame.h"
#include "render/view_flags.h"

namespace {

// The GDI text of the overlay needs Qt; without a display it runs offscreen.
const int offscreen = setenv("QT_QPA_PLATFORM", "offscreen", 0);

bool StartScene(benchmark::State& state)
{
    (void)offscreen;
    if (DeviceIsGone() && SetUpDevice(nullptr) == 0) {
        state.SkipWithError("the device could not be set up");
        return false;
    }
    ResetCamera();
    ResetCube();
    overlayVisible = 0;
    mousePos = { 0, 0 };
    return true;
}

void BM_RenderFrame_SolvedStartCamera(benchmark::State& state)
{
    if (!StartScene(state)) {
        return;
    }
    for (auto _ : state) {
        RenderFrame(nullptr);
    }
}
BENCHMARK(BM_RenderFrame_SolvedStartCamera)->Unit(benchmark::kMillisecond);

// The same scene, but every frame drawn: the distance alternates between 12 and 13, so no frame
// repeats the one before and the device cannot show the last frame's pixels again.
void BM_RenderFrame_SolvedStartCameraDrawnAfresh(benchmark::State& state)
{
    if (!StartScene(state)) {
        return;
    }
    for (auto _ : state) {
        camera.distance = camera.distance == 12.0f ? 13.0f : 12.0f;
        RenderFrame(nullptr);
    }
}
BENCHMARK(BM_RenderFrame_SolvedStartCameraDrawnAfresh)->Unit(benchmark::kMillisecond);

void BM_RenderFrame_OverlayOverCube(benchmark::State& state)
{
    if (!StartScene(state)) {
        return;
    }
    overlayVisible = 1;
    mousePos = { 320, 240 };
    for (auto _ : state) {
        RenderFrame(nullptr);
    }
    overlayVisible = 0;
}
BENCHMARK(BM_RenderFrame_OverlayOverCube)->Unit(benchmark::kMillisecond);

// A new 16-frame turn of the middle Y layer whenever the last has rested: 14 of every 16
// frames draw the layer part-way round.
void BM_RenderFrame_MidTurn(benchmark::State& state)
{
    if (!StartScene(state)) {
        return;
    }
    for (auto _ : state) {
        if (turnState.remainingFrames == 0) {
            StartUserTurn(+2, 13);
        }
        RenderFrame(nullptr);
    }
}
BENCHMARK(BM_RenderFrame_MidTurn)->Unit(benchmark::kMillisecond);

// Shuffling as the viewer shows it: one random turn after another, the banner over them.
void BM_RenderFrame_Shuffling(benchmark::State& state)
{
    if (!StartScene(state)) {
        return;
    }
    shuffling = ~0;
    for (auto _ : state) {
        RenderFrame(nullptr);
    }
    StopTurn();
}
BENCHMARK(BM_RenderFrame_Shuffling)->Unit(benchmark::kMillisecond);

// Shuffling as the viewer paces it: its loop sleeps some 14 ms of every 16 ms tick, and in the
// meantime other programs have the processor and its caches. A frame then costs far more than
// one drawn straight after the last (1.5 to 2 times as much on a shared 2-core machine): this,
// not the figure above, is what the viewer's CPU use while shuffling follows. Only the frames
// are timed.
void BM_RenderFrame_ShufflingAtViewerPace(benchmark::State& state)
{
    if (!StartScene(state)) {
        return;
    }
    shuffling = ~0;
    for (auto _ : state) {
        state.PauseTiming();
        std::this_thread::sleep_for(std::chrono::milliseconds(14));
        state.ResumeTiming();
        RenderFrame(nullptr);
    }
    StopTurn();
}
// 200 frames or so, 3 s a run.
BENCHMARK(BM_RenderFrame_ShufflingAtViewerPace)->Unit(benchmark::kMillisecond)->MinTime(0.2);

} // namespace
