#pragma once
// Fixed-function vertex processing: camera-space lighting with the device's lights and material,
// the texture transform of stage 0, and the transform to clip space.
#include <cstdint>

#include "platform/d3d9/device_state.h"
#include "platform/d3d9/software_device.h"

namespace softd3d {

struct ClipVertex {
    float x, y, z, w; // clip space: inside when 0 <= z <= w and |x|, |y| <= w
    float r, g, b; // lit diffuse colour, 0..255
    float sr, sg, sb; // lit specular colour, 0..255
    float u, v; // stage-0 texture coordinates after the texture transform
};

struct CameraSpaceLight {
    DWORD type = D3DLIGHT_POINT;
    float position[3] {};
    float towardsLight[3] {}; // directional and spot: unit vector opposite to the light's direction
    D3DCOLORVALUE diffuse {}, specular {}, ambient {};
    float range = 0.0f;
    float attenuation0 = 0.0f, attenuation1 = 0.0f, attenuation2 = 0.0f;
    float falloff = 0.0f;
    float cosHalfTheta = 1.0f, cosHalfPhi = 1.0f;
};

struct VertexStage {
    std::uint32_t transformVersion = 0;
    float worldViewProjection[4][4] {};
    float worldView[4][4] {};
    float normalMatrix[3][3] {}; // inverse transpose of worldView's upper 3x3
    CameraSpaceLight lights[kLightCount];
    int lightCount = 0;

    bool lighting = true;
    bool specular = false;
    bool localViewer = true;
    bool normalizeNormals = false;
    D3DCOLORVALUE ambient {}; // global ambient, 0..1
    D3DMATERIAL9 material {};
    bool textureTransform = false;
    float texture[3][2] {}; // rows 1..3, columns 1..2 of the texture matrix
};

// Brings `stage` up to date with `state`; the matrix work is skipped when no transform or light
// changed since the last call.
void PrepareVertexStage(const DeviceState& state, VertexStage& stage);

void ProcessVertex(const VertexStage& stage, const MeshVertex& in, ClipVertex& out);

} // namespace softd3d
