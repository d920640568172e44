#pragma once
// Reading of icon groups and icon images from the embedded resources, for the window icon.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/resource/dib.h"

namespace platform {

// One entry of an icon group (RT_GROUP_ICON): the image's size and depth, and the id of
// the RT_ICON resource holding it. A width or height of 0 stands for 256.
struct IconGroupEntry {
    int width = 0, height = 0;
    std::uint8_t colorCount = 0;
    std::uint16_t planes = 0, bitCount = 0;
    std::uint32_t bytesInRes = 0;
    std::uint16_t iconId = 0;
};

// The group's entries; nullopt unless it is an icon group with at least one entry.
std::optional<std::vector<IconGroupEntry>> ParseIconGroup(
    const std::uint8_t* data, std::size_t size);

// The program's icon: group groupId -> its 32x32 entry (else its first) -> the RT_ICON image
// decoded with its mask. nullopt when a resource is missing or malformed.
std::optional<ArgbImage> LoadEmbeddedIcon(std::uint16_t groupId);

} // namespace platform
