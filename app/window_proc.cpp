#include "app/window_proc.h"

#include "app/shell_state.h"
#include "cube/cubie.h"
#include "cube/layer_turn.h"
#include "geometry/camera.h"
#include "geometry/cursor.h"
#include "geometry/gesture.h"
#include "render/device.h"
#include "render/view_flags.h"
#include "resources/resource_ids.h"

namespace {

constexpr DWORD windowedStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX; // 0x00CA0000
constexpr DWORD fullScreenStyle = WS_POPUP; // 0x80000000

// Where a window of the given outer size stands centred on the desktop. Only the desktop's right
// and bottom edges enter, as the window is always placed on the primary display.
POINT CentredPosition(LONG width, LONG height)
{
    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    return POINT { (desktop.right - width) / 2, (desktop.bottom - height) / 2 };
}

void CentreWindow(HWND window)
{
    RECT frame;
    GetWindowRect(window, &frame);
    const LONG width = frame.right - frame.left;
    const LONG height = frame.bottom - frame.top;
    const POINT at = CentredPosition(width, height);
    SetWindowPos(window, nullptr, at.x, at.y, width, height, SWP_SHOWWINDOW);
}

void EndProgram()
{
    PostQuitMessage(0);
}

void RunCommand(HWND window, WORD id)
{
    switch (id) {
    case IDM_EXIT: EndProgram(); break;
    case IDM_SHUFFLE: shuffling = ~shuffling; break;
    case IDM_CLEAR:
        ResetCamera();
        ResetCube();
        break;
    case IDM_FULL_SCREEN:
        if (ToggleFullScreen(window) == 0) {
            EndProgram();
        }
        break;
    case IDM_ABOUT: MessageBoxA(window, "Tessarine Ver1.00\n\n", "About", MB_OK); break;
    default: break;
    }
}

void HandleKey(HWND window, WPARAM virtualKey)
{
    switch (virtualKey) {
    case VK_ESCAPE: EndProgram(); break;
    case VK_F1:
        if (ToggleFullScreen(window) == 0) {
            EndProgram();
        }
        break;
    case VK_F2: overlayVisible = ~overlayVisible; break;
    default: break;
    }
}

} // namespace

int ToggleFullScreen(HWND window)
{
    // After a failed re-creation there is no device and the program is ending: a mode switch still
    // waiting in the queue must neither touch the missing device nor show a second error box.
    if (DeviceIsGone()) {
        return 0;
    }
    windowed = windowed == 0 ? 1 : 0;
    ResetDeviceForModeChange();
    ReleaseDevice();
    if (SetUpDevice(window) == 0) {
        return 0;
    }
    DWORD style;
    if (windowed != 0) {
        // Centred by the size the window has before it shrinks back from the full screen.
        RECT frame;
        GetWindowRect(window, &frame);
        const POINT at = CentredPosition(frame.right - frame.left, frame.bottom - frame.top);
        SetWindowPos(window, nullptr, at.x, at.y, windowOuterSize.width, windowOuterSize.height,
            SWP_SHOWWINDOW);
        style = windowedStyle;
    } else {
        SetWindowPos(window, nullptr, 0, 0, 640, 480, SWP_NOMOVE);
        style = fullScreenStyle;
    }
    SetWindowLongA(window, GWL_STYLE, static_cast<LONG>(style));
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    return 1;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        mainWindow = window;
        CentreWindow(window);
        return 0;
    case WM_DESTROY: EndProgram(); return 0;
    case WM_KEYDOWN: HandleKey(window, wParam); return 0;
    case WM_COMMAND: RunCommand(window, LOWORD(wParam)); return 0;
    case WM_MOUSEMOVE:
        mousePos = ReadCursor();
        // The window does not capture the mouse: a left button let go outside it sends no
        // release, and the first move back in shows it up.
        if ((wParam & MK_LBUTTON) == 0) {
            DisarmGesture();
        }
        if ((wParam & MK_RBUTTON) != 0) {
            OrbitCamera();
        }
        return 0;
    case WM_LBUTTONDOWN: BeginGesture(); return 0;
    case WM_LBUTTONUP: EndGesture(); return 0;
    case WM_RBUTTONDOWN: SetOrbitAnchor(); return 0;
    case WM_RBUTTONUP: return 0;
    case WM_MOUSEWHEEL: ZoomCamera(static_cast<std::int16_t>(HIWORD(wParam))); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}
