#pragma once
// Finding a resource by type, id and language in the compiled resource file linked into the
// binary.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// A resource's bytes, pointing into the image it was found in (no copy is made).
struct ResourceBytes {
    const std::uint8_t* data;
    std::size_t size;
};

// Resource type ids of the records the program carries.
inline constexpr std::uint16_t kResourceTypeBitmap = 2;
inline constexpr std::uint16_t kResourceTypeIcon = 3;
inline constexpr std::uint16_t kResourceTypeMenu = 4;
inline constexpr std::uint16_t kResourceTypeIconGroup = 14;

inline constexpr std::uint16_t kLanguageJapanese = 1041;

// The Win32 MAKEINTRESOURCE convention: an id travels as a pointer value below 0x10000.
inline const char* IntResource(std::uint16_t id)
{
    return reinterpret_cast<const char*>(static_cast<std::uintptr_t>(id));
}
inline bool IsIntResource(const char* name)
{
    return reinterpret_cast<std::uintptr_t>(name) < 0x10000;
}

// A resource type or name as a .res record holds it: a 16-bit id, or a UTF-16 string.
struct ResourceName {
    bool isId = true;
    std::uint16_t id = 0;
    std::u16string text;
};

struct ResourceEntry {
    ResourceName type;
    ResourceName name;
    std::uint16_t language = 0;
    std::uint16_t memoryFlags = 0;
    ResourceBytes data { nullptr, 0 };
};

// A parsed .res image (what windres -O res writes): a sequence of DWORD-aligned records,
// each a header (sizes, type, name, language, ...) followed by its data. The table points
// into the image, which must outlive it.
class ResourceTable {
public:
    // Malformed images (truncated records, sizes that reach past the end, names without a
    // terminator) give nullopt; an image must hold at least one record.
    static std::optional<ResourceTable> Parse(const std::uint8_t* data, std::size_t size);

    // type and name follow the Win32 convention: a MAKEINTRESOURCE id, a string such as "X"
    // (compared without regard to ASCII case), or "#117" for id 117. The language must match.
    std::optional<ResourceBytes> Find(
        const char* type, const char* name, std::uint16_t language = kLanguageJapanese) const;

    // Every record with data, in file order (the empty leading record is left out).
    const std::vector<ResourceEntry>& Entries() const { return entries_; }

private:
    std::vector<ResourceEntry> entries_;
};

// The program's own .res image, embedded at build time.
ResourceBytes EmbeddedResourceImage();

// The program's own resources (parsed once, on first use); language 1041.
std::optional<ResourceBytes> FindEmbeddedResource(const char* type, const char* name);

} // namespace platform
