#pragma once
// The sticker bitmap (ten 30x30 tiles: colours and one picture), written by the resource generator.

#include <cstdint>
#include <vector>

namespace resgen {

// The sticker bitmap as a complete BMP file (file header + DIB), 300x30, 4 bits per pixel.
std::vector<std::uint8_t> MakeStickerBitmap();

} // namespace resgen
