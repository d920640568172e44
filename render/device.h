#pragma once
// Device set-up, loss and teardown: the Direct3D 9 device on the window and everything made with
// it.

#include "platform/platform.h"

// The one Direct3D 9 device on the program's window and everything made with it. Every handle
// is null when absent (at start, after ReleaseDevice, and after a set-up step failed); anything
// that touches the device outside a frame (the display-mode switch) must test it first.
extern IDirect3D9* direct3D;
extern IDirect3DDevice9* d3dDevice;
extern IDirect3DSurface9* backBufferSurface;
// Made with the sticker bitmap's colour key at every set-up; nothing draws with it.
extern IDirect3DTexture9* stickerKeyTexture;

// Rebuilt by every SetUpDevice, passed unchanged to both Reset calls.
extern D3DPRESENT_PARAMETERS presentParams;

// Creates the device for the current `windowed` mode with its fixed states, the sticker-key
// texture and the piece mesh. Returns 1, or 0 after showing one error box; whatever was made
// before the failing step stays until the next ReleaseDevice.
int SetUpDevice(HWND window);
// Releases the piece mesh, the textures, the back-buffer surface, the device and the Direct3D
// object, each only if present. Safe any number of times.
void ReleaseDevice();
// True while there is no device that a complete SetUpDevice made: before the first set-up, after
// ReleaseDevice, and after a failed set-up or re-creation, when the program is ending. Frames
// and input that would use the device do nothing then.
bool DeviceIsGone();
// The display-mode switch's Reset of the device it is about to release, with presentParams
// still describing the mode being left. Does nothing without a device.
void ResetDeviceForModeChange();
// After a failed Present: re-creates everything once the device can be reset, otherwise waits
// 10 ms. A failed re-creation posts the quit message and leaves no device.
void RecoverLostDevice(HWND window);
