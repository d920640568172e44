#pragma once
// The text drawn over the picture: the F2 overlay and the shuffle banner, and their formatting.

#include <cstdint>

// The text drawn over the picture with GDI: the F2 overlay and the banner shown while
// shuffling. Both take and give back their own device context of the back buffer.

// Banner frames drawn so far; never reset, so the dots go on where they stopped.
extern std::int32_t bannerTick;
// The banner's suffixes, each shown for 20 banner frames in turn.
extern const char* const shuffleDots[4];

// Room for any value FormatOneDecimal writes, with its terminating zero.
constexpr int oneDecimalBufferSize = 16;

// Writes value as "%d.%d" with the tenth truncated, never rounded, and a leading "-" for any
// value below zero (so -0.5 gives "-0.5"). Magnitudes beyond the 32-bit range, and NaN, are
// written as the largest 32-bit integer part. Returns buffer (oneDecimalBufferSize chars).
char* FormatOneDecimal(char* buffer, float value);

// "NOW SHUFFLING " followed by the dots for the current bannerTick; returns its length.
int FormatBannerLine(char* line);

// Lines at y 0, 20, 40, 60 (frame rate, mouse, eye, up vector) and, when the pixel under the
// mouse shows the cube, at 80, 100, 120 (the point, distance and cell under it).
void DrawOverlay();
// "NOW SHUFFLING ..." at y 460; counts one banner frame.
void DrawShuffleBanner();
