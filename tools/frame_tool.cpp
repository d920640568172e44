// tessarine-frame: draws one frame of a chosen scene with the viewer's own rendering, on the
// same platform calls as the viewer, and writes the back buffer as a PNG; or, with --record,
// plays a scripted session and records it as an animated WebP. On Windows the same source gives
// the reference picture of the real Direct3D 9.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

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
#include "tools/frame_capture.h"
#include "tools/png_writer.h"
#include "tools/scene_options.h"
#if TESSARINE_RECORDING
#include "tools/record_tool.h"
#endif

namespace {

// Where the tool's "mouse" is: OrbitCamera and SetOrbitAnchor read it through ReadCursor.
CursorPos toolCursor = { 0, 0 };
CursorPos ReadToolCursor()
{
    return toolCursor;
}

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

bool HasOption(int argc, char** argv, const char* name)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0) {
            return true;
        }
    }
    return false;
}

int Record(int argc, char** argv)
{
#if TESSARINE_RECORDING
    return RunRecording(argc, argv);
#else
    (void)argc, (void)argv;
    std::fputs("tessarine-frame: this build cannot record: libwebp was not found when it was "
               "built\n",
        stderr);
    return 1;
#endif
}

} // namespace

int main(int argc, char** argv)
{
#if !defined(_WIN32)
    // The tool draws into the back buffer only and needs no screen: Qt runs offscreen unless the
    // caller chose a platform.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
#endif
    if (HasOption(argc, argv, "--help") || HasOption(argc, argv, "-h")) {
        std::fputs(SceneOptionsUsage(), stdout);
        return 0;
    }
    if (HasOption(argc, argv, "--record")) {
        return Record(argc, argv);
    }
    SceneOptions options;
    std::string error;
    if (!ParseSceneOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "tessarine-frame: %s\n", error.c_str());
        return 2;
    }

    HWND window = OpenToolWindowWithDevice(error);
    if (window == nullptr) {
        std::fprintf(stderr, "tessarine-frame: %s\n", error.c_str());
        return 1;
    }
    SetCursorReader(ReadToolCursor);
    ResetCamera();
    ResetCube();
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
        RenderFrame(window);
    }
    if (options.midTurn) {
        StartUserTurn(options.midTurnLayer.axisCode, options.midTurnLayer.selectorCell);
        for (int frame = 1; frame < options.midTurnFrame; ++frame) {
            StepModelFrame();
        }
    }

    CapturedFrame frame;
    const bool read = DrawAndCaptureFrame(window, frame, error);
    ReleaseDevice();
    if (!read) {
        std::fprintf(stderr, "tessarine-frame: %s\n", error.c_str());
        return 1;
    }
    if (!WritePng(options.outPath.c_str(), frame.width, frame.height, frame.Rgb().data())) {
        std::fprintf(stderr, "tessarine-frame: cannot write %s\n", options.outPath.c_str());
        return 1;
    }
    return 0;
}
