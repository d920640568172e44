#pragma once
// The device's side of the test switches and display hooks: what Present, CreateDevice and
// GetAdapterDisplayMode consult. Internal to platform/d3d9.
#include <vector>

#include "platform/d3d9/display_hooks.h"
#include "platform/d3d9/fault_injection.h"

namespace softd3d {

namespace faults {
// True once after ScriptDeviceLoss: hands the script to the device whose Present comes next.
bool TakeDeviceLoss(std::vector<HRESULT>& script);
D3DFORMAT DisplayFormat();
} // namespace faults

const DisplayHooks& CurrentDisplayHooks();

} // namespace softd3d
