#pragma once
// Triangle rasterization into the back buffer: Direct3D 9 pixel centres (integer coordinates)
// and top-left fill rule on 8-bit sub-pixel vertex positions, 16-bit depth, perspective-correct
// Gouraud colour and texture coordinates, and the colour operation of texture stage 0.
#include <cstdint>

#include "platform/d3d9/sampler.h"
#include "platform/d3d9/vertex_stage.h"

namespace softd3d {

// How a stored 32-bit pixel is reduced to the back buffer's real format.
enum class Quantisation { None, R5G6B5, X1R5G5B5 };

struct RenderTarget {
    std::uint32_t* colour = nullptr;
    std::uint16_t* depth = nullptr; // null: the device has no depth buffer
    int width = 0;
    int height = 0;
    int pitch = 0; // in pixels, for colour and depth alike
    Quantisation quantisation = Quantisation::None;
};

// What stage 0 puts out as colour.
enum class PixelSource { Diffuse, Texture, Modulate };

struct RasterOptions {
    DWORD cullMode = D3DCULL_CCW;
    bool depthTest = true;
    bool depthWrite = true;
    DWORD depthFunc = D3DCMP_LESSEQUAL;
    PixelSource source = PixelSource::Diffuse;
    const MipChainView* texture = nullptr; // required unless source is Diffuse
    SamplerSettings sampler;
    bool addSpecular = false;
};

// A vertex after the perspective division and the viewport transform. The attributes are
// multiplied by q = 1/w, which makes them linear in screen space.
struct ScreenVertex {
    float x, y; // pixels; pixel (i, j) has its centre at (i, j)
    float z; // 0..1
    float q;
    float attributes[8]; // r, g, b, specular r, g, b, u, v, each times q
};

ScreenVertex ToScreen(const ClipVertex& v, int width, int height);

void DrawTriangle(const RasterOptions& options, const RenderTarget& target, const ScreenVertex& a,
    const ScreenVertex& b, const ScreenVertex& c);

// The colour Clear and the draws store for an 8-bit-per-channel colour on this target.
std::uint32_t StoredColour(Quantisation quantisation, std::uint32_t argb);

} // namespace softd3d
