#include "platform/resource/menu_template.h"

#include "platform/resource/byte_reader.h"

namespace platform {
namespace {

using detail::ByteReader;

bool ParseLevel(ByteReader& r, int depth, std::vector<MenuItem>& out)
{
    if (depth > kMaxMenuDepth)
        return false;
    for (;;) {
        MenuItem item;
        std::uint16_t flags = 0;
        if (!r.U16(flags))
            return false;
        item.popup = (flags & kMenuFlagPopup) != 0;
        if (!item.popup && !r.U16(item.id))
            return false;
        std::u16string text;
        if (!r.Utf16z(text))
            return false;
        item.text = detail::Utf16ToUtf8(text);
        item.flags = static_cast<std::uint16_t>(flags & ~kMenuFlagEnd);
        // The menu loader turns a plain item without text into a separator.
        item.separator
            = !item.popup && ((flags & kMenuFlagSeparator) != 0 || (text.empty() && item.id == 0));
        if (item.popup && !ParseLevel(r, depth + 1, item.children))
            return false;
        out.push_back(std::move(item));
        if (flags & kMenuFlagEnd)
            return true;
    }
}

} // namespace

std::optional<std::vector<MenuItem>> ParseMenuTemplate(const std::uint8_t* data, std::size_t size)
{
    ByteReader r(data, size);
    std::uint16_t version = 0, headerSize = 0;
    if (!r.U16(version) || !r.U16(headerSize))
        return std::nullopt;
    if (version != 0 || !r.Skip(headerSize))
        return std::nullopt;
    std::vector<MenuItem> items;
    if (!ParseLevel(r, 0, items))
        return std::nullopt;
    return items;
}

} // namespace platform
