// The bitmap decoder behind D3DXCreateTextureFromResourceExA: a DIB without file header.
#include "fuzz/fuzz_input.h"
#include "platform/resource/dib.h"

using fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto header = platform::ReadDibHeader(data, size);
    const auto image = platform::DecodeDib(data, size);
    if (!image) {
        return 0;
    }
    Require(header.has_value(), "a decodable DIB has a readable header");
    Require(image->width > 0 && image->height > 0, "a decoded image is not empty");
    Require(static_cast<std::uint64_t>(image->width) * static_cast<std::uint64_t>(image->height)
            <= platform::kMaxDibPixels,
        "the pixel limit holds");
    Require(image->pixels.size() == static_cast<std::size_t>(image->width) * image->height,
        "one pixel per position");
    for (std::uint32_t pixel : image->pixels) {
        Require((pixel >> 24) == 0xFF, "bitmap pixels are opaque");
    }
    return 0;
}
