// The icon readers: the group directory and the image with its mask. The same bytes go to both;
// the decoder also sees them as a plain DIB, which an icon image nearly is.
#include "fuzz/fuzz_input.h"
#include "platform/resource/dib.h"
#include "platform/resource/icon.h"

using fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (const auto group = platform::ParseIconGroup(data, size)) {
        Require(!group->empty(), "a parsed group has an entry");
        for (const auto& entry : *group) {
            Require(
                entry.width >= 1 && entry.width <= 256 && entry.height >= 1 && entry.height <= 256,
                "entry sizes are 1..256");
        }
    }
    if (const auto image = platform::DecodeIconImage(data, size)) {
        Require(image->width > 0 && image->height > 0, "a decoded icon is not empty");
        Require(image->pixels.size() == static_cast<std::size_t>(image->width) * image->height,
            "one pixel per position");
    }
    return 0;
}
