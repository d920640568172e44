#pragma once
// The third stage of a draw: triangle rasterization into the frame buffer, with Direct3D 9 pixel
// centres (integer coordinates) and the top-left fill rule on 8-bit sub-pixel vertex positions,
// counter-clockwise triangles culled, and a 16-bit less-or-equal depth test. Shading is deferred:
// a pixel that passes only records which triangle it shows, and Resolve hands each run of pixels
// of one triangle to the shading (span_shader.h), which writes the colours. The rows a triangle
// covers come from coverage.h, their depth test from depth_test.h.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/d3d9/depth_test.h"
#include "platform/d3d9/device_state.h"
#include "platform/d3d9/frame_buffer.h"
#include "platform/d3d9/sampler.h"

namespace softd3d {

class Texture;

// What stage 0 puts out as colour: the diffuse colour alone (no texture bound) or modulated by
// the texture.
enum class PixelSource { Diffuse, Modulate };

struct RasterOptions {
    bool depthTest = true;
    bool depthWrite = true;
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

// A triangle's vertex positions in the rasterizer's fixed point, 1/256 pixel, and twice its area
// there: positive when it is clockwise on screen (y grows downwards).
struct SubPixelTriangle {
    std::int64_t x[3], y[3];
    std::int64_t area;
};
SubPixelTriangle ToSubPixels(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c);
// The pixels whose centres the triangle may cover: from the ceiling of its least coordinates to
// the floor of its greatest.
PixelRect CoveredBox(const SubPixelTriangle& t);

// Whether DrawTriangle culls the triangle as facing away (counter-clockwise or degenerate).
inline bool FacesAway(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c)
{
    return ToSubPixels(a, b, c).area <= 0;
}

// An attribute's value at the first vertex and its steps per pixel.
struct AttributePlane {
    float atOrigin = 0.0f;
    float dx = 0.0f;
    float dy = 0.0f;
};

// How a triangle's pixels are shaded, decided once when it is set up.
enum class ShadingPath : std::uint8_t {
    Diffuse, // no texture
    Sampled, // any filters
    Trilinear, // linear min, mag and mip filters over two or more levels
};

// What shading a pixel of one triangle needs: its attribute planes and the texture constants of
// its level-of-detail computation.
struct ShadingSetup {
    float originX = 0.0f, originY = 0.0f;
    // The column every row's values are worked out from, whatever pixel a run begins at: a pixel
    // then has the same colour whether its run was cut short (by a redraw of part of the frame)
    // or not.
    int anchorX = 0;
    // The other two vertices relative to the first, in pixels.
    float x10 = 0.0f, y10 = 0.0f, x20 = 0.0f, y20 = 0.0f;
    AttributePlane q;
    AttributePlane attributes[8];
    float textureWidth = 0.0f, textureHeight = 0.0f;
    float uTexelsDx = 0.0f, uTexelsDy = 0.0f, vTexelsDx = 0.0f, vTexelsDy = 0.0f;
};

class DeferredRasterizer {
public:
    explicit DeferredRasterizer(FrameBuffer& frameBuffer)
        : frameBuffer_(frameBuffer)
    {
    }
    ~DeferredRasterizer();

    // After the frame buffer was (re)allocated; forgets everything pending.
    void Attach();
    int Width() const { return frameBuffer_.Width(); }
    int Height() const { return frameBuffer_.Height(); }

    // Triangles drawn until the next call use this draw's states and texture, which is kept
    // alive until its pixels are shaded or discarded.
    void BeginDraw(const DrawCall& call);
    void DrawTriangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c);
    // Until SetScissor(nullptr), triangles mark only the pixels in the marked blocks, exactly as
    // they would mark them drawn whole: a redraw of part of the frame. The mask must outlive that.
    void SetScissor(const BlockMask* blocks) { scissor_ = blocks; }
    const BlockMask* Scissor() const { return scissor_; }
    // Shades every pending pixel into the frame buffer.
    void Resolve();
    // Forgets the pending pixels inside a rectangle (a Clear of the colour buffer covers them).
    void Discard(const PixelRect& rect);
    bool HasPending() const { return !triangles_.empty(); }

    struct Triangle {
        ShadingSetup shading;
        std::uint32_t draw = 0;
        PixelSource source = PixelSource::Diffuse;
        ShadingPath path = ShadingPath::Diffuse;
        bool specular = false;
    };

private:
    struct Bounds {
        int minX, minY, maxX, maxY;
    };
    // The shading of a triangle whose origin and vertex offsets are set.
    void SetUpShading(const ScreenVertex* const v[3], std::int64_t area, Triangle& tri) const;
    // The rows of 8x8 blocks of the box (bit k for the k-th from the top, up to 64) at whose every
    // pixel the depth test would fail, or which the scissor leaves out: each block of the row lies
    // in front of the plane's nearest depth there, or is not in the scissor.
    std::uint64_t HiddenBlockRows(
        const Bounds& box, const AttributePlane& z, const ShadingSetup& s);
    // Tests and marks the rows of the box outside the hidden block rows.
    bool MarkRows(const std::int64_t x[3], const std::int64_t y[3], const Bounds& box,
        const AttributePlane& z, const ShadingSetup& s, TriangleId id,
        std::uint64_t hiddenBlockRows);
    void AddDirty(int left, int top, int right, int bottom);
    void Forget();
    void ReleaseTextures();
    // Holds the current draw's texture until the pending pixels are shaded.
    void KeepTexture();

    FrameBuffer& frameBuffer_;
    RenderTarget target_;
    const BlockMask* scissor_ = nullptr;
    // One mark per pixel, all 0 between frames. Zeroed by calloc, whose fresh pages stay
    // untouched until a triangle covers them: most of the screen never is, and touching memory
    // for the first time is much of what a new device costs.
    struct FreeMemory {
        void operator()(void* memory) const { std::free(memory); }
    };
    std::unique_ptr<TriangleId[], FreeMemory> ids_;
    // HiddenBlockRows' least depths of a triangle's plane over each column of blocks of its box.
    std::vector<double> columnNearest_;
    std::vector<RasterOptions> draws_;
    std::vector<Triangle> triangles_;
    // Textures that pending pixels will sample, one reference per draw that used them.
    std::vector<Texture*> pendingTextures_;
    Texture* drawTexture_ = nullptr; // the current draw's, when it samples one
    // Rows and columns that hold pending pixels.
    int dirtyLeft_ = 0, dirtyTop_ = 0, dirtyRight_ = -1, dirtyBottom_ = -1;
};

} // namespace softd3d
