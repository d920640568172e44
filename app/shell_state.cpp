#include "app/shell_state.h"

#include "render/view_flags.h"

WindowSize windowOuterSize = { 0, 0 };
HWND mainWindow = nullptr;

CursorPos ReadPlatformCursor()
{
    POINT point = { 0, 0 };
    GetCursorPos(&point);
    if (windowed != 0) {
        ScreenToClient(mainWindow, &point);
    }
    return CursorPos { point.x, point.y };
}
