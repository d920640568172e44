#include "cube/shuffle_random.h"

namespace {
std::uint32_t shuffleState = 1;
}

void SeedShuffleRandom(std::uint32_t seed)
{
    shuffleState = seed;
}

std::int32_t NextShuffleRandom()
{
    shuffleState = shuffleState * 214013u + 2531011u;
    return static_cast<std::int32_t>((shuffleState >> 16) & 0x7FFFu);
}

std::uint32_t ShuffleRandomState()
{
    return shuffleState;
}
