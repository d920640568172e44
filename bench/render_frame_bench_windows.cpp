// Time of one RenderFrame on the real Direct3D 9 (under Wine: wined3d), to set beside the Linux
// build's BM_RenderFrame_SolvedStartCamera: the solved cube at the start camera, no overlay,
// presented to a window. Prints the median of batches in ms per frame.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "cube/cubie.h"
#include "geometry/camera.h"
#include "platform/platform.h"
#include "render/device.h"
#include "render/frame.h"
#include "render/view_flags.h"

namespace {

LRESULT CALLBACK BenchWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

double Seconds()
{
    LARGE_INTEGER now;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

} // namespace

int main(int argc, char** argv)
{
    const int framesPerBatch = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    const int batches = 5;

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = BenchWindowProc;
    windowClass.lpszClassName = "TessarineBench";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, "TessarineBench", "render_frame_bench",
        WS_OVERLAPPED | WS_CAPTION, 0, 0, 640, 480, nullptr, nullptr, nullptr, nullptr);
    if (SetUpDevice(window) == 0 || DeviceIsGone()) {
        std::fprintf(stderr, "render_frame_bench: the device could not be set up\n");
        ReleaseDevice();
        return 1;
    }
    ResetCamera();
    ResetCube();
    overlayVisible = 0;

    for (int i = 0; i < 30; ++i) {
        RenderFrame(window);
    }
    std::vector<double> msPerFrame;
    for (int batch = 0; batch < batches; ++batch) {
        const double start = Seconds();
        for (int i = 0; i < framesPerBatch; ++i) {
            RenderFrame(window);
        }
        msPerFrame.push_back(1000.0 * (Seconds() - start) / framesPerBatch);
    }
    ReleaseDevice();
    std::sort(msPerFrame.begin(), msPerFrame.end());
    std::printf(
        "RenderFrame, solved cube, start camera: median %.2f ms per frame (%d batches of %d; "
        "fastest %.2f, slowest %.2f)\n",
        msPerFrame[batches / 2], batches, framesPerBatch, msPerFrame.front(), msPerFrame.back());
    return 0;
}
