#ifndef TESSARINE_RESOURCES_GENERATOR_STICKER_BITMAP_H
#define TESSARINE_RESOURCES_GENERATOR_STICKER_BITMAP_H

#include <cstdint>
#include <vector>

namespace resgen {

// The sticker bitmap as a complete BMP file (file header + DIB), 300x30, 4 bits per pixel.
std::vector<std::uint8_t> MakeStickerBitmap();

}  // namespace resgen

#endif
