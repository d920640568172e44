#include "platform/glue/display_connection.h"

#include "platform/d3d9/display_hooks.h"
#include "platform/win32/window_display.h"

namespace platform {

void ConnectDeviceToWindows()
{
    softd3d::DisplayHooks hooks;
    hooks.present = [](const softd3d::PresentedFrame& frame) {
        ShowPresentedFrame(frame.window, frame.pixels, frame.width, frame.height, frame.pitch);
    };
    hooks.displayMode = [](HWND window, bool fullScreen) { SetWindowFullScreen(window, fullScreen); };
    softd3d::SetDisplayHooks(std::move(hooks));
}

} // namespace platform
