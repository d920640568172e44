#pragma once
// Test-only switches that make the platform's fallible calls fail on demand, so that every error
// path of device set-up and loss can be exercised. The program never includes this header.
#include <vector>

#include "platform/d3d9/d3d9.h"

namespace softd3d::faults {

enum class Call {
    Direct3DCreate9, // returns null
    GetAdapterDisplayMode, // returns D3DERR_NOTAVAILABLE
    CreateDeviceHalHardware, // CreateDevice(HAL, HARDWARE_VERTEXPROCESSING)
    CreateDeviceHalSoftware, // CreateDevice(HAL, SOFTWARE_VERTEXPROCESSING)
    CreateDeviceRef, // CreateDevice(REF, ...)
    CreateTexture, // D3DXCreateTextureFromResourceA / ExA
    LoadMesh, // D3DXLoadMeshFromXResource
};

// The next `times` calls of `call` fail after `skip` successful ones; times < 0: until cleared.
void FailCall(Call call, int times = -1, int skip = 0);
// Consulted by the implementation: true when this call is to fail (consumes one failure).
bool ShouldFail(Call call);

// From the next Present on, Present fails with D3DERR_DEVICELOST and each TestCooperativeLevel
// returns the next scripted result; when the script is used up TestCooperativeLevel returns D3D_OK.
// The device is usable again once it has been Reset or released and re-created.
void ScriptDeviceLoss(std::vector<HRESULT> cooperativeLevels);

// The display format that GetAdapterDisplayMode reports (D3DFMT_X8R8G8B8 unless set).
void SetDisplayFormat(D3DFORMAT format);

// Back to a platform where nothing fails.
void ClearAll();

} // namespace softd3d::faults
