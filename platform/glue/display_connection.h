#pragma once
// Joins the software device to the window layer: each presented picture shows in its window, and
// a full-screen device switches its window's display. Neither side knows the other; this is the
// one place that knows both.
namespace platform {

void ConnectDeviceToWindows();

} // namespace platform
