#pragma once
// The fixed-step frame loop: messages first, then one 16 ms tick that draws unless the loop is
// late, and the frame-rate count the overlay shows.

#include <cstdint>

#include "platform/platform.h"

constexpr DWORD tickMs = 16; // one tick of the fixed-step loop
constexpr std::int32_t maxSkippedTicks = 5; // late ticks in a row that may skip drawing
constexpr DWORD frameRateWindowMs = 1000;

// Handles every pending message, then runs one 16 ms tick, until the quit message arrives.
// Ends with the timer resolution restored and the device released; returns the quit code.
int RunFrameLoop(HWND window);

// Counts ticks into one-second windows; the last completed window's count is framesPerSecond.
void CountFrameRate();
