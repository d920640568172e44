#pragma once

#include <cstdint>

// The shuffle's own generator, kept apart from the C library's so the
// sequence is the same on every platform: state := state * 214013 + 2531011
// (mod 2^32), each draw yielding (state >> 16) & 0x7FFF.
void SeedShuffleRandom(std::uint32_t seed);
// The next draw, 0..32767.
std::int32_t NextShuffleRandom();
