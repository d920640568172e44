#include "platform/resource/resource_table.h"

// Defined by tess_resources_embedded around the .res image compiled from resources/tessarine.rc.
extern "C" const std::uint8_t tessarine_resources_begin[];
extern "C" const std::uint8_t tessarine_resources_end[];

namespace platform {

ResourceBytes EmbeddedResourceImage()
{
    const auto begin = reinterpret_cast<std::uintptr_t>(tessarine_resources_begin);
    const auto end = reinterpret_cast<std::uintptr_t>(tessarine_resources_end);
    return { tessarine_resources_begin, static_cast<std::size_t>(end - begin) };
}

std::optional<ResourceBytes> FindEmbeddedResource(const char* type, const char* name)
{
    static const std::optional<ResourceTable> table = [] {
        const ResourceBytes image = EmbeddedResourceImage();
        return ResourceTable::Parse(image.data, image.size);
    }();
    if (!table)
        return std::nullopt;
    return table->Find(type, name, kLanguageJapanese);
}

} // namespace platform
