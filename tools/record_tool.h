#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"
#include "tools/record_script.h"

// tessarine-frame's recording: a scripted session played on the viewer's own code and written as
// an animated WebP. Only in builds that have libwebp.

struct RecordOptions {
    std::string outPath;
    std::string scriptPath; // --script
    std::string steps; // --do
    bool inlineSteps = false;
    std::int32_t every = 1;
    bool overlay = false;
    std::int32_t framesPerSecond = 62; // what the viewer shows at its steady 16 ms tick
    std::uint32_t seed = 1;
};

// Plays script from the start state on window's device and writes the animation at
// options.outPath; false with a one-line reason in error.
bool RecordToFile(
    HWND window, const RecordScript& script, const RecordOptions& options, std::string& error);

// Runs the recording the command line (which names --record) describes; the program's exit code:
// 2 for bad input (nothing written), 1 when the device or the file failed, 0 when written.
int RunRecording(int argc, char** argv);
