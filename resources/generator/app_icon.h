#pragma once
// The window icon, written by the resource generator.

#include <cstdint>
#include <vector>

namespace resgen {

// The window icon as a complete .ico file: one 32x32 image, 4 bits per pixel, with mask.
std::vector<std::uint8_t> MakeAppIcon();

} // namespace resgen
