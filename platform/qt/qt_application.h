#pragma once
// Starting Qt for the stand-ins: the one application object of the process, which the window
// layer (win32) and GDI text (gdi) both need. A start that cannot reach a display ends the
// process here with a message, before the program has taken anything.
namespace platform {

// Creates the process's Qt application object if there is none yet (a QApplication, so that the
// window layer can use widgets). The platform is Qt's choice, or QT_QPA_PLATFORM when set (tools
// and tests that draw without a screen set it to "offscreen"). When no display is named, or the
// named one cannot be reached, prints one line on stderr saying so and how to get one, and exits
// with status 1.
void EnsureQtApplication(int* argc = nullptr, char** argv = nullptr);

} // namespace platform
