#pragma once
// Display flags the window shell writes and the rendering reads. They live here, not in the
// shell, so that rendering depends on nothing above it.

#include <cstdint>

// Nonzero = windowed display (1 at start); device set-up sizes the back buffer from it.
extern std::int32_t windowed;
// Nonzero = the text overlay is drawn (0 at start; F2 complements it).
extern std::int32_t overlayVisible;
// Ticks of the last completed one-second window, shown by the overlay (0 at start).
extern std::int32_t framesPerSecond;
