#pragma once
// Decoding of device-independent bitmaps (a bitmap resource, or a .bmp without its file header)
// into 32-bit pixels.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace platform {

// Top-down pixels, each 0xAARRGGBB.
struct ArgbImage {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels; // width * height, row 0 at the top
};

// The fields of a BITMAPINFOHEADER that decoding uses.
struct DibHeader {
    std::uint32_t headerSize = 0; // biSize: 40, or a larger version of the header
    std::int32_t width = 0;
    std::int32_t height = 0; // as stored: negative for top-down rows
    std::uint16_t planes = 0;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = 0;
    std::uint32_t sizeImage = 0; // not trusted; the layout is computed
    std::uint32_t colorsUsed = 0; // biClrUsed; 0 means the full palette of the bit depth
};

// Larger images are refused before anything is allocated.
inline constexpr std::uint64_t kMaxDibPixels = 1u << 24;

std::optional<DibHeader> ReadDibHeader(const std::uint8_t* data, std::size_t size);

// A device-independent bitmap without file header (header + palette + pixels): uncompressed,
// 1, 4, 8, 24 or 32 bits per pixel, rows bottom-up or top-down -> opaque A8R8G8B8 pixels.
// Palette indices beyond the palette read as black. Anything else gives nullopt.
std::optional<ArgbImage> DecodeDib(const std::uint8_t* data, std::size_t size);

// An icon image (RT_ICON): a DIB whose header counts the colour rows and the AND mask rows
// together, followed by the 1-bit mask. Masked pixels become 0x00000000; a 32-bit image with
// an alpha channel keeps its alpha. PNG-compressed images are not supported (nullopt).
std::optional<ArgbImage> DecodeIconImage(const std::uint8_t* data, std::size_t size);

} // namespace platform
