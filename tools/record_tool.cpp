#include "tools/record_tool.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "cube/shuffle_random.h"
#include "render/device.h"
#include "render/frame.h"
#include "render/view_flags.h"
#include "tools/frame_capture.h"
#include "tools/recorder.h"
#include "tools/scene_options.h"
#include "tools/webp_animation.h"

namespace {

constexpr int msPerFrame = 16;

bool ParseRecordOptions(int argc, char** argv, RecordOptions& options, std::string& error)
{
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--overlay") {
            options.overlay = true;
            continue;
        }
        if (i + 1 >= argc) {
            error = option + " needs a value (see --help)";
            return false;
        }
        const char* value = argv[++i];
        bool good = *value != '\0';
        std::int32_t number = 0;
        if (option == "--record") {
            options.outPath = value;
        } else if (option == "--script" || option == "--do") {
            if (!options.scriptPath.empty() || options.inlineSteps) {
                error = "give the steps once, with --script or --do";
                return false;
            }
            options.inlineSteps = option == "--do";
            (options.inlineSteps ? options.steps : options.scriptPath) = value;
        } else if (option == "--every") {
            good = ParseWholeNumber(value, 1, 1000, options.every);
        } else if (option == "--fps") {
            good = ParseWholeNumber(value, 0, 1000000, options.framesPerSecond);
        } else if (option == "--seed") {
            good = ParseWholeNumber(value, 0, 2147483647, number);
            options.seed = static_cast<std::uint32_t>(number);
        } else {
            error = "unknown option " + option + " for a recording (see --help)";
            return false;
        }
        if (!good) {
            error = "bad value for " + option + ": \"" + value + "\" (see --help)";
            return false;
        }
    }
    if (options.scriptPath.empty() && !options.inlineSteps) {
        error = "a recording needs its steps: --script FILE or --do STEPS (see --help)";
        return false;
    }
    return true;
}

bool ReadScript(const RecordOptions& options, RecordScript& script, std::string& error)
{
    if (options.inlineSteps) {
        return ParseRecordScript(options.steps, "--do", script, error);
    }
    std::ifstream file(options.scriptPath, std::ios::binary);
    std::ostringstream text;
    if (!file || !(text << file.rdbuf())) {
        error = "cannot read the script " + options.scriptPath;
        return false;
    }
    return ParseRecordScript(text.str(), options.scriptPath, script, error);
}

// libwebp allocates and frees buffers of some hundred kilobytes for every frame it encodes. Above
// glibc's threshold each one is mapped fresh from the kernel and zeroed page by page, which cost
// a fifth of a recording's time; kept in the heap they are reused.
void KeepLargeBuffersInTheHeap()
{
#if defined(__GLIBC__)
    constexpr int heapLimit = 256 << 20;
    mallopt(M_MMAP_THRESHOLD, heapLimit);
    mallopt(M_TRIM_THRESHOLD, heapLimit);
#endif
}

// The first kept tick; the animation's clock starts there.
std::int64_t FirstKeptTick(const RecordScript& script, const RecordOptions& options)
{
    return options.every < script.frames ? options.every : script.frames;
}

// Draws the script's ticks and keeps every Nth frame (and the last): a kept frame is shown from
// its time until the next kept one, the last for N ticks, so the animation lasts as long as the
// session did.
bool RecordFrames(HWND window, const RecordScript& script, const RecordOptions& options,
    WebpAnimationWriter& writer, std::string& error)
{
    const std::int64_t every = options.every;
    const std::int64_t firstKept = FirstKeptTick(script, options);
    CapturedFrame frame;
    return PlayScript(window, script, options.overlay, [&](std::int64_t tick) {
        if (tick % every != 0 && tick != script.frames) {
            RenderFrame(window);
            return !DeviceIsGone();
        }
        const int timestamp = static_cast<int>((tick - firstKept) * msPerFrame);
        return DrawAndCaptureFrame(window, frame, error) && writer.Add(frame, timestamp, error);
    });
}

} // namespace

bool RecordToFile(
    HWND window, const RecordScript& script, const RecordOptions& options, std::string& error)
{
    KeepLargeBuffersInTheHeap();
    SeedShuffleRandom(options.seed);
    framesPerSecond = options.framesPerSecond;
    WebpAnimationWriter writer;
    const std::int64_t lastShownFrom = script.frames - FirstKeptTick(script, options);
    const int endMs = static_cast<int>((lastShownFrom + options.every) * msPerFrame);
    return RecordFrames(window, script, options, writer, error)
        && writer.Write(endMs, options.outPath, error);
}

int RunRecording(int argc, char** argv)
{
    RecordOptions options;
    RecordScript script;
    std::string error;
    if (!ParseRecordOptions(argc, argv, options, error) || !ReadScript(options, script, error)) {
        std::fprintf(stderr, "tessarine-frame: %s\n", error.c_str());
        return 2;
    }
    HWND window = OpenToolWindowWithDevice(error);
    if (window == nullptr) {
        std::fprintf(stderr, "tessarine-frame: %s\n", error.c_str());
        return 1;
    }
    const bool written = RecordToFile(window, script, options, error);
    ReleaseDevice();
    if (!written) {
        std::fprintf(stderr, "tessarine-frame: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
