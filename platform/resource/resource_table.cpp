#include "platform/resource/resource_table.h"

#include "platform/resource/byte_reader.h"

namespace platform {
namespace {

using detail::ByteReader;

bool ReadName(ByteReader& r, ResourceName& out)
{
    std::uint16_t first = 0;
    ByteReader probe = r;
    if (!probe.U16(first))
        return false;
    if (first == 0xFFFF) {
        out.isId = true;
        if (!probe.U16(out.id))
            return false;
        r = probe;
        return true;
    }
    out.isId = false;
    return r.Utf16z(out.text);
}

// Fixed part of a record header after the type and name.
constexpr std::size_t kHeaderTail
    = 4 + 2 + 2 + 4 + 4; // DataVersion, MemoryFlags, LanguageId, Version, Characteristics

std::optional<ResourceEntry> ReadRecord(
    const std::uint8_t* data, std::size_t size, std::size_t start, std::size_t& next)
{
    ByteReader r(data + start, size - start);
    std::uint32_t dataSize = 0, headerSize = 0;
    if (!r.U32(dataSize) || !r.U32(headerSize))
        return std::nullopt;
    // The header must fit in the image, and the data after it.
    if (headerSize < 8 || headerSize > size - start || dataSize > size - start - headerSize)
        return std::nullopt;

    ByteReader h(data + start, headerSize);
    ResourceEntry e;
    std::uint32_t skip32 = 0;
    if (!h.Skip(8) || !ReadName(h, e.type) || !ReadName(h, e.name) || !h.AlignTo4())
        return std::nullopt;
    if (h.Remaining() < kHeaderTail)
        return std::nullopt;
    h.U32(skip32);
    h.U16(e.memoryFlags);
    h.U16(e.language);
    h.U32(skip32);
    h.U32(skip32);

    e.data = { data + start + headerSize, dataSize };
    const std::size_t end = start + headerSize + dataSize;
    next = end + (4 - end % 4) % 4;
    return e;
}

bool NameMatches(const ResourceName& stored, const char* wanted)
{
    if (IsIntResource(wanted))
        return stored.isId && stored.id == reinterpret_cast<std::uintptr_t>(wanted);
    if (wanted[0] == '#') {
        std::uint32_t id = 0;
        const char* p = wanted + 1;
        if (*p == '\0')
            return false;
        for (; *p; ++p) {
            if (*p < '0' || *p > '9')
                return false;
            id = id * 10 + static_cast<std::uint32_t>(*p - '0');
            if (id > 0xFFFF)
                return false;
        }
        return stored.isId && stored.id == id;
    }
    if (stored.isId)
        return false;
    auto upper = [](std::uint32_t c) { return c >= 'a' && c <= 'z' ? c - 32 : c; };
    std::size_t i = 0;
    for (; wanted[i] != '\0'; ++i) {
        const auto c = static_cast<unsigned char>(wanted[i]);
        if (c >= 0x80 || i >= stored.text.size() || upper(c) != upper(stored.text[i]))
            return false;
    }
    return i == stored.text.size();
}

} // namespace

std::optional<ResourceTable> ResourceTable::Parse(const std::uint8_t* data, std::size_t size)
{
    if (data == nullptr || size == 0)
        return std::nullopt;
    ResourceTable table;
    for (std::size_t pos = 0; pos < size;) {
        std::size_t next = 0;
        std::optional<ResourceEntry> e = ReadRecord(data, size, pos, next);
        if (!e)
            return std::nullopt;
        if (!(e->type.isId && e->type.id == 0))
            table.entries_.push_back(std::move(*e));
        pos = next;
    }
    return table;
}

std::optional<ResourceBytes> ResourceTable::Find(
    const char* type, const char* name, std::uint16_t language) const
{
    if (type == nullptr || name == nullptr)
        return std::nullopt;
    for (const ResourceEntry& e : entries_)
        if (e.language == language && NameMatches(e.type, type) && NameMatches(e.name, name))
            return e.data;
    return std::nullopt;
}

} // namespace platform
