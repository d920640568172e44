#pragma once

#include <cstdint>
#include <vector>

namespace resgen {

// The sticker bitmap as a complete BMP file (file header + DIB), 300x30, 4 bits per pixel.
std::vector<std::uint8_t> MakeStickerBitmap();

} // namespace resgen
