// The process entry point of the Linux build. Windows starts a GUI program at WinMain; here main
// sets up what Windows would already have: the application object and the path by which the
// device's pictures reach the screen.
#include <cstdint>
#include <string>

#include "platform/glue/display_connection.h"
#include "platform/qt/qt_application.h"
#include "platform/win32/windows.h"

namespace {

// The address Windows loads an executable at; the program only passes it back to user32.
const HINSTANCE kInstance = reinterpret_cast<HINSTANCE>(std::uintptr_t { 0x00400000 });

} // namespace

int main(int argc, char** argv)
{
    platform::EnsureQtApplication(&argc, argv);

    platform::ConnectDeviceToWindows();

    // WinMain's command line is what follows the program's name.
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (!commandLine.empty())
            commandLine += ' ';
        commandLine += argv[i];
    }
    return WinMain(kInstance, nullptr, commandLine.data(), SW_SHOWDEFAULT);
}
