// Costs of the core's per-frame work: the overlay picks under the mouse once
// per drawn frame, and every drawn frame steps the model.
#include <benchmark/benchmark.h>

#include "cube/cubie.h"
#include "cube/frame_step.h"
#include "cube/layer_turn.h"
#include "geometry/camera.h"
#include "geometry/picking.h"

namespace {

void ResetScene()
{
    ResetCamera();
    ResetCube();
}

// The view's centre always lies on the line of sight through the cube.
void BM_PickAtViewCentre(benchmark::State& state)
{
    ResetScene();
    PickHit hit {};
    for (auto _ : state) {
        benchmark::DoNotOptimize(Pick(&hit, { 320, 240 }));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PickAtViewCentre);

// A pixel beside the cube: nothing is hit.
void BM_PickOffCube(benchmark::State& state)
{
    ResetScene();
    PickHit hit {};
    for (auto _ : state) {
        benchmark::DoNotOptimize(Pick(&hit, { 20, 20 }));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PickOffCube);

void BM_StepModelFrameIdle(benchmark::State& state)
{
    ResetScene();
    for (auto _ : state) {
        StepModelFrame();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_StepModelFrameIdle);

// Always a layer in motion: a new 16-frame turn starts whenever one has rested.
void BM_StepModelFrameTurning(benchmark::State& state)
{
    ResetScene();
    for (auto _ : state) {
        if (turnState.remainingFrames == 0) {
            StartUserTurn(1, 4);
        }
        StepModelFrame();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_StepModelFrameTurning);

} // namespace
