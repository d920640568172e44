#include "render/view_flags.h"

std::int32_t windowed = 1;
std::int32_t overlayVisible = 0;
std::int32_t framesPerSecond = 0;
