#pragma once

#include <cstdint>

// The shuffle's own generator, kept apart from the C library's so the
// sequence is the same on every platform: state := state * 214013 + 2531011
// (mod 2^32), each draw yielding (state >> 16) & 0x7FFF.
void SeedShuffleRandom(std::uint32_t seed);
// The next draw, 0..32767.
std::int32_t NextShuffleRandom();
// The state the next draw starts from, without drawing. Seeding with it later
// replays the same draws: a caller that draws one frame twice keeps the
// shuffle's turns as if it had been drawn once.
std::uint32_t ShuffleRandomState();
