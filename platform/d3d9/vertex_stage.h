#pragma once
// The first stage of a draw: fixed-function vertex processing (the transform to clip space, then
// camera-space lighting with the device's point lights and material and the texture transform of
// stage 0), once per vertex however many triangles share it, then the triangles in index order,
// handed on to the clipper. Only the vertices of triangles that may show are lit: most of a
// frame's triangles face away.
#include <cstdint>
#include <vector>

#include "platform/d3d9/clipper.h"
#include "platform/d3d9/device_state.h"
#include "platform/d3d9/software_device.h"

namespace softd3d {

struct CameraSpaceLight {
    float position[3] {};
    D3DCOLORVALUE diffuse {}, specular {}, ambient {};
    float range = 0.0f;
    float attenuation0 = 0.0f, attenuation1 = 0.0f, attenuation2 = 0.0f;
};

struct VertexTransform {
    std::uint32_t transformVersion = 0;
    float worldViewProjection[4][4] {};
    float worldView[4][4] {};
    // Inverse transpose of worldView's upper 3x3; rows padded to four, as LightVertex loads them.
    float normalMatrix[3][4] {};
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
void PrepareVertexTransform(const DeviceState& state, VertexTransform& stage);

class VertexStage {
public:
    explicit VertexStage(Clipper& clipper)
        : clipper_(clipper)
    {
    }
    // With `capture`, what the draw hands the rasterizer is kept there too.
    void Draw(const DrawCall& call, DrawnTriangles* capture = nullptr)
    {
        Process(call, capture, Clipper::Output::Rasterize);
    }
    // What the draw would hand the rasterizer, kept there, and nothing drawn.
    void Capture(const DrawCall& call, DrawnTriangles& capture)
    {
        Process(call, &capture, Clipper::Output::CaptureOnly);
    }
    // A draw captured before, with no vertex work: false, doing nothing, when it cannot be.
    bool Redraw(const DrawCall& call, const DrawnTriangles& drawn)
    {
        return clipper_.Replay(call, drawn);
    }

private:
    void Process(const DrawCall& call, DrawnTriangles* capture, Clipper::Output output);
    // Gives a vertex, once per draw, its clip position, out code and (inside the view) screen
    // position.
    void Position(const MeshVertex* vertices, std::uint32_t index);
    // Gives a positioned vertex, once per draw, its colours and texture coordinates.
    void Light(const MeshVertex* vertices, std::uint32_t index);
    // Makes room for a draw's vertices, none of them positioned or lit yet.
    void NextDraw(std::size_t vertexCount);

    Clipper& clipper_;
    VertexTransform transform_;
    // Scratch kept across draws so that steady-state frames allocate nothing. A vertex is
    // positioned (lit) in this draw when its stamp is the draw's.
    std::vector<ProcessedVertex> processed_;
    std::vector<std::uint32_t> positionedStamp_, litStamp_;
    std::uint32_t drawStamp_ = 0;
};

} // namespace softd3d
