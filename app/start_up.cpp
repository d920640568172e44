#include "app/start_up.h"

#include <ctime>

#include "app/shell_state.h"
#include "app/window_proc.h"
#include "cube/cubie.h"
#include "cube/shuffle_random.h"
#include "geometry/camera.h"
#include "geometry/cursor.h"
#include "render/device.h"
#include "resources/resource_ids.h"

HWND StartUp(HINSTANCE instance, int showCommand)
{
    // The handle stays open for the life of the process; only its existence matters.
    CreateMutexA(nullptr, FALSE, "Tessarine二重起動の防止");
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        return nullptr;
    }

    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP_ICON));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    windowClass.lpszMenuName = MAKEINTRESOURCEA(IDR_MAIN_MENU);
    windowClass.lpszClassName = "Windows";
    if (RegisterClassA(&windowClass) == 0) {
        return nullptr;
    }

    windowOuterSize.width = 640 + 2 * GetSystemMetrics(SM_CXDLGFRAME);
    windowOuterSize.height = 480 + 2 * GetSystemMetrics(SM_CYDLGFRAME) + GetSystemMetrics(SM_CYMENU)
        + GetSystemMetrics(SM_CYCAPTION);

    SetCursorReader(ReadPlatformCursor);
    // WindowProc centres and shows the window while it is being created.
    HWND window = CreateWindowExA(0, "Windows", "Tessarine", WS_SYSMENU | WS_MINIMIZEBOX,
        CW_USEDEFAULT, CW_USEDEFAULT, windowOuterSize.width, windowOuterSize.height, nullptr,
        nullptr, instance, nullptr);
    if (window == nullptr) {
        return nullptr;
    }
    mainWindow = window;

    SeedShuffleRandom(static_cast<std::uint32_t>(std::time(nullptr)));

    if (SetUpDevice(window) == 0) {
        // The error box was the report; the loop takes the quit message before any tick.
        PostQuitMessage(0);
    }
    ShowWindow(window, showCommand);
    UpdateWindow(window);

    ResetCamera();
    ResetCube();
    return window;
}
