#pragma once
// Composition of one drawn frame, from the shuffle's next turn to Present.

#include "platform/platform.h"

// One drawn frame: starts a due shuffle turn, steps the turn in progress, draws the 27 pieces,
// the overlay and the banner, and presents; a failed Present starts the device recovery, which
// is the only use of the window. With no device (the program is ending after a failed
// re-creation) it returns at once and the cube does not move either: a turn never advances
// without being drawn.
void RenderFrame(HWND window);
