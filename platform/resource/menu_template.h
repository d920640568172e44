#pragma once
// Parsing of menu templates (the menu resource) into a tree of items the window builds its menu
// bar from.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// Item flags of a menu template, as MF_* in Win32.
inline constexpr std::uint16_t kMenuFlagGrayed = 0x0001;
inline constexpr std::uint16_t kMenuFlagDisabled = 0x0002;
inline constexpr std::uint16_t kMenuFlagChecked = 0x0008;
inline constexpr std::uint16_t kMenuFlagPopup = 0x0010;
inline constexpr std::uint16_t kMenuFlagEnd
    = 0x0080; // last item of its level; never kept in MenuItem::flags
inline constexpr std::uint16_t kMenuFlagSeparator = 0x0800;

struct MenuItem {
    std::string text; // UTF-8
    std::uint16_t id = 0; // command id; 0 for pop-ups
    std::uint16_t flags = 0; // the template's flags without kMenuFlagEnd
    bool separator
        = false; // a separator line: kMenuFlagSeparator, or an item with no text and id 0
    std::vector<MenuItem> children;
    bool popup = false;
};

// A menu template (RT_MENU, the standard format: version 0) -> its top-level items.
// The extended format, a level without its end item, truncated text and nesting deeper
// than kMaxMenuDepth give nullopt.
inline constexpr int kMaxMenuDepth = 16;
std::optional<std::vector<MenuItem>> ParseMenuTemplate(const std::uint8_t* data, std::size_t size);

} // namespace platform
