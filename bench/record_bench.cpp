// tessarine-frame --record: 200 frames played, drawn, read back and encoded into an animated
// WebP, as the tool does them (encoding on its own thread). Shuffling is the dearest case: every
// frame changes most of the cube; at rest only the turning layer changes.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "render/device.h"
#include "tools/frame_capture.h"
#include "tools/record_tool.h"

namespace {

const int offscreen = setenv("QT_QPA_PLATFORM", "offscreen", 0);

void RecordTwoHundredFrames(benchmark::State& state, const char* steps)
{
    (void)offscreen;
    std::string error;
    RecordScript script;
    if (!ParseRecordScript(steps, "--do", script, error) || script.frames != 200) {
        state.SkipWithError("the script is not 200 frames");
        return;
    }
    static HWND window = OpenToolWindowWithDevice(error);
    if (window == nullptr) {
        state.SkipWithError("the device could not be set up");
        return;
    }
    RecordOptions options;
    options.outPath = "bench_record.webp";
    for (auto _ : state) {
        if (!RecordToFile(window, script, options, error)) {
            state.SkipWithError(error.c_str());
            break;
        }
    }
    std::remove(options.outPath.c_str());
}

void BM_Record200Frames_DragOrbitWheelThenShuffle(benchmark::State& state)
{
    RecordTwoHundredFrames(
        state, "drag 320,280 380,300; wait 20; orbit 40,0; wheel -3; shuffle; wait 164");
}
BENCHMARK(BM_Record200Frames_DragOrbitWheelThenShuffle)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_Record200Frames_TurnsAndOrbits(benchmark::State& state)
{
    RecordTwoHundredFrames(
        state, "wait 10; turn 3,0; wait 20; orbit 100,0; wait 60; orbit 0,-60; wait 89");
}
BENCHMARK(BM_Record200Frames_TurnsAndOrbits)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
