// The .res image reader and its look-ups by id, by name and by "#id".
#include "fuzz/fuzz_input.h"
#include "platform/resource/resource_table.h"

using fuzz::Require;
using platform::IntResource;

namespace {

bool Inside(const platform::ResourceBytes& bytes, const std::uint8_t* data, std::size_t size)
{
    return bytes.size == 0
        || (bytes.data >= data && bytes.size <= size
            && static_cast<std::size_t>(bytes.data - data) <= size - bytes.size);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto table = platform::ResourceTable::Parse(data, size);
    if (!table) {
        return 0;
    }
    for (const auto& entry : table->Entries()) {
        Require(Inside(entry.data, data, size), "an entry's data lies inside the image");
    }
    const char* const types[]
        = { IntResource(platform::kResourceTypeBitmap), IntResource(platform::kResourceTypeMenu),
              IntResource(platform::kResourceTypeIconGroup), "X", "x", "#2", "#", "#99999", "" };
    const char* const names[] = { IntResource(101), IntResource(103), IntResource(106),
        IntResource(117), "#117", "#0", "#1x", "PANEL", "" };
    for (const char* type : types) {
        for (const char* name : names) {
            if (const auto found = table->Find(type, name)) {
                Require(Inside(*found, data, size), "a found resource lies inside the image");
            }
        }
    }
    return 0;
}
