#pragma once

#include <cstdint>
#include <functional>

#include "platform/platform.h"
#include "tools/record_script.h"

// Plays a recorded session's steps on the viewer's own window procedure, as the viewer receives
// them: mouse moves, button presses, wheel notches and menu commands, with the cursor read
// through the cursor seam. Between the messages it runs the 16 ms ticks the steps take; the
// caller draws each one.

// Called once per tick with its number (1..script.frames); must draw exactly one frame. False
// stops the playing.
using TickDrawer = std::function<bool(std::int64_t tick)>;

// Starts from the solved cube, the start camera, no overlay or banner and the mouse at 0, 0;
// with overlay, F2 is pressed first. False when a tick failed.
bool PlayScript(HWND window, const RecordScript& script, bool overlay, const TickDrawer& drawTick);
