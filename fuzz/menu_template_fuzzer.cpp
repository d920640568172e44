// The menu template reader behind the window's menu bar.
#include "fuzz/fuzz_input.h"
#include "platform/resource/menu_template.h"

using fuzz::Require;

namespace {

void Walk(const std::vector<platform::MenuItem>& items, int depth)
{
    Require(items.empty() || depth <= platform::kMaxMenuDepth, "nesting within the limit");
    for (const auto& item : items) {
        Require((item.flags & platform::kMenuFlagEnd) == 0, "the end flag is not kept");
        Require(item.popup || item.children.empty(), "only pop-ups have children");
        Walk(item.children, depth + 1);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (const auto menu = platform::ParseMenuTemplate(data, size)) {
        Walk(*menu, 0); // the top level is depth 0
    }
    return 0;
}
