#pragma once
// The state a draw reads, as plain values: the COM front end (device.cpp) keeps it and checks
// every value against what the pipeline implements (the Is*Implemented functions below); the
// vertex stage and the rasterizer take it as they find it.
#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/software_device.h"

namespace softd3d {

constexpr int kRenderStateCount = 256;
constexpr int kSamplerCount = 16;
constexpr int kSamplerStateCount = 14;
constexpr int kTextureStageCount = 8;
constexpr int kTextureStageStateCount = 33;
constexpr int kLightCount = 8;

struct LightSlot {
    D3DLIGHT9 light {};
    bool defined = false; // set by SetLight; only a defined light can be enabled
    bool enabled = false;
};

struct DeviceState {
    // First what changes from draw to draw, which a repeated frame compares every time: together,
    // it is read in few cache lines.
    D3DMATRIX world {};
    D3DMATRIX texture0 {};
    D3DMATERIAL9 material {};
    // A new value from NewSettledSerial whenever one of the values from `render` to `lights`
    // changes: two states with the same serial hold the same such values, and a repeated frame
    // need not compare them.
    std::uint64_t settledSerial = 0;

    std::array<DWORD, kRenderStateCount> render {};
    // Only stage and sampler 0 are implemented; the device refuses any value for the others.
    std::array<std::array<DWORD, kSamplerStateCount>, 1> sampler {};
    std::array<std::array<DWORD, kTextureStageStateCount>, 1> stage {};
    D3DMATRIX view {};
    D3DMATRIX projection {};
    std::array<LightSlot, kLightCount> lights {};

    // Bumped whenever a transform or a light changes: the vertex stage rebuilds its combined
    // matrices and camera-space lights once per change rather than once per draw.
    std::uint32_t transformVersion = 1;
};

// Never the same twice in a process.
std::uint64_t NewSettledSerial();

// The values a freshly created (or reset) Direct3D 9 device starts with.
void SetDefaultState(DeviceState& state, bool hasDepthBuffer);

// Whether the pipeline implements a value; the device refuses the others.
bool IsRenderStateImplemented(D3DRENDERSTATETYPE state, DWORD value);
// The render states that accept any value at all: the others keep their defaults.
constexpr D3DRENDERSTATETYPE kImplementedRenderStates[] = { D3DRS_ZENABLE, D3DRS_FILLMODE,
    D3DRS_SHADEMODE, D3DRS_ZWRITEENABLE, D3DRS_SRCBLEND, D3DRS_DESTBLEND, D3DRS_CULLMODE,
    D3DRS_ZFUNC, D3DRS_ALPHABLENDENABLE, D3DRS_SPECULARENABLE, D3DRS_LIGHTING, D3DRS_AMBIENT,
    D3DRS_COLORVERTEX, D3DRS_LOCALVIEWER, D3DRS_NORMALIZENORMALS, D3DRS_DIFFUSEMATERIALSOURCE,
    D3DRS_SPECULARMATERIALSOURCE, D3DRS_AMBIENTMATERIALSOURCE, D3DRS_EMISSIVEMATERIALSOURCE };
bool IsTextureStageStateImplemented(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value);
bool IsSamplerStateImplemented(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value);
bool IsLightImplemented(const D3DLIGHT9& light);

class Texture;

// One draw as it leaves the device: the state it reads, stage 0's texture and its triangles.
struct DrawCall {
    const DeviceState* state = nullptr;
    Texture* texture = nullptr;
    const MeshVertex* vertices = nullptr;
    std::size_t vertexCount = 0;
    const std::uint32_t* indices = nullptr;
    std::size_t triangleCount = 0;
    std::uint64_t geometryKey = 0; // nonzero: the arrays never change (NewGeometryKey)
};

D3DMATRIX IdentityMatrix();

} // namespace softd3d
