#pragma once
// Triangle rasterization into the back buffer: Direct3D 9 pixel centres (integer coordinates)
// and top-left fill rule on 8-bit sub-pixel vertex positions, 16-bit depth, perspective-correct
// Gouraud colour and texture coordinates, and the colour operation of texture stage 0.
#include <cstdint>
#include <vector>

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

// The order of the attributes of ScreenVertex and ShadingSetup.
enum Attribute { kRed, kGreen, kBlue, kSpecularRed, kSpecularGreen, kSpecularBlue, kU, kV };

// A vertex after the perspective division and the viewport transform. The attributes are
// multiplied by q = 1/w, which makes them linear in screen space.
struct ScreenVertex {
    float x, y; // pixels; pixel (i, j) has its centre at (i, j)
    float z; // 0..1
    float q;
    float attributes[8]; // r, g, b, specular r, g, b, u, v, each times q
};

ScreenVertex ToScreen(const ClipVertex& v, int width, int height);

// The colour Clear and the draws store for an 8-bit-per-channel colour on this target.
std::uint32_t StoredColour(Quantisation quantisation, std::uint32_t argb);

// What shading a pixel of one triangle needs: its attribute planes (value at the first vertex and
// the steps per pixel) and the texture constants of its level-of-detail computation.
struct AttributePlane {
    float atOrigin = 0.0f;
    float dx = 0.0f;
    float dy = 0.0f;
};

// How a triangle's pixels are shaded, decided once when it is set up.
enum class ShadingPath : std::uint8_t {
    Diffuse, // no texture
    General, // any sampler settings and texture
    WrapPowerOfTwo, // wrap addressing on power-of-two sides, any filters
    TrilinearWrap, // the same with linear min, mag and mip filters over two or more levels
};

struct ShadingSetup {
    float originX = 0.0f, originY = 0.0f;
    AttributePlane q;
    AttributePlane attributes[8];
    float textureWidth = 0.0f, textureHeight = 0.0f;
    float uTexelsDx = 0.0f, uTexelsDy = 0.0f, vTexelsDx = 0.0f, vTexelsDy = 0.0f;
};

// Rasterizes with deferred shading. Depth is tested and written as each triangle is drawn, but a
// pixel only records which triangle it shows; Resolve then shades each such pixel once. Without
// blending a pixel ends up with the colour of the last fragment that passed, so this gives the
// same picture as shading every fragment, while fragments that are later drawn over cost only
// their depth test.
class DeferredRasterizer {
public:
    // `triangleIds` has one entry per pixel (same pitch as the target), all 0.
    void Attach(const RenderTarget& target, std::uint32_t* triangleIds);
    // Triangles drawn until the next call use these options. The texture must stay alive until
    // Resolve or Discard.
    void BeginDraw(const RasterOptions& options);
    void DrawTriangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c);
    // Shades every pending pixel into the target.
    void Resolve();
    // Forgets the pending pixels inside a rectangle (a Clear of the colour buffer covers them).
    void Discard(int left, int top, int right, int bottom);
    bool HasPending() const { return !triangles_.empty(); }

    struct Triangle {
        ShadingSetup shading;
        std::uint32_t draw = 0;
        PixelSource source = PixelSource::Diffuse;
        ShadingPath path = ShadingPath::Diffuse;
        bool specular = false;
    };

private:
    void Forget();

    RenderTarget target_;
    std::uint32_t* ids_ = nullptr;
    std::vector<RasterOptions> draws_;
    std::vector<Triangle> triangles_;
    // Rows and columns that hold pending pixels.
    int dirtyLeft_ = 0, dirtyTop_ = 0, dirtyRight_ = -1, dirtyBottom_ = -1;
};

} // namespace softd3d
