// The program's entry point: one copy per logon, one fixed-size window, then the frame loop.
#include "app/frame_loop.h"
#include "app/start_up.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    HWND window = StartUp(instance, showCommand);
    if (window == nullptr) {
        return 0;
    }
    return RunFrameLoop(window);
}
