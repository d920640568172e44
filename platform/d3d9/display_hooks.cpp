#include <utility>

#include "platform/d3d9/platform_switches.h"

namespace softd3d {

namespace {

DisplayHooks& Hooks()
{
    static DisplayHooks hooks;
    return hooks;
}

} // namespace

void SetDisplayHooks(DisplayHooks hooks)
{
    Hooks() = std::move(hooks);
}

const DisplayHooks& CurrentDisplayHooks()
{
    return Hooks();
}

} // namespace softd3d
