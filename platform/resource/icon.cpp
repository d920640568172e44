#include "platform/resource/icon.h"

#include "platform/resource/byte_reader.h"
#include "platform/resource/resource_table.h"

namespace platform {

std::optional<std::vector<IconGroupEntry>> ParseIconGroup(
    const std::uint8_t* data, std::size_t size)
{
    detail::ByteReader r(data, size);
    std::uint16_t reserved = 0, type = 0, count = 0;
    if (!r.U16(reserved) || !r.U16(type) || !r.U16(count))
        return std::nullopt;
    if (reserved != 0 || type != 1 || count == 0)
        return std::nullopt;
    std::vector<IconGroupEntry> entries;
    for (std::uint16_t i = 0; i < count; ++i) {
        IconGroupEntry e;
        std::uint8_t w = 0, h = 0, skip = 0;
        if (!r.U8(w) || !r.U8(h) || !r.U8(e.colorCount) || !r.U8(skip) || !r.U16(e.planes)
            || !r.U16(e.bitCount) || !r.U32(e.bytesInRes) || !r.U16(e.iconId))
            return std::nullopt;
        e.width = w == 0 ? 256 : w;
        e.height = h == 0 ? 256 : h;
        entries.push_back(e);
    }
    return entries;
}

std::optional<ArgbImage> LoadEmbeddedIcon(std::uint16_t groupId)
{
    const std::optional<ResourceBytes> group
        = FindEmbeddedResource(IntResource(kResourceTypeIconGroup), IntResource(groupId));
    if (!group)
        return std::nullopt;
    const std::optional<std::vector<IconGroupEntry>> entries
        = ParseIconGroup(group->data, group->size);
    if (!entries)
        return std::nullopt;
    const IconGroupEntry* chosen = &entries->front();
    for (const IconGroupEntry& e : *entries)
        if (e.width == 32 && e.height == 32) {
            chosen = &e;
            break;
        }
    const std::optional<ResourceBytes> image
        = FindEmbeddedResource(IntResource(kResourceTypeIcon), IntResource(chosen->iconId));
    if (!image)
        return std::nullopt;
    return DecodeIconImage(image->data, image->size);
}

} // namespace platform
