#pragma once
// The frame buffer the pipeline ends in: the back buffer's colours (stored as X8R8G8B8 whatever
// its format, reduced to that format's precision) and its 16-bit depths. It counts its writes, so
// that whoever keeps or shows a copy of the pixels can tell whether they changed since, and keeps
// a rectangle around them: a frame begins with a clear of the whole buffer to the same colour and
// depth as the last, which then needs to rewrite only the pixels written since, and the window
// needs to take only the pixels changed since it was last shown the picture.
#include <cstdint>
#include <vector>

#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/depth_bounds.h"

namespace softd3d {

// How a stored 32-bit pixel is reduced to the back buffer's real format.
enum class Quantisation { None, R5G6B5, X1R5G5B5 };

// The colour Clear and the draws store for an 8-bit-per-channel colour on this target. Inline:
// the shading stores every pixel through it.
inline std::uint32_t StoredColour(Quantisation quantisation, std::uint32_t argb)
{
    std::uint32_t r = (argb >> 16) & 0xFFu, g = (argb >> 8) & 0xFFu, b = argb & 0xFFu;
    // Lower-precision formats drop low bits and read back with the top bits repeated, as a
    // 16-bit desktop shows them.
    switch (quantisation) {
    case Quantisation::R5G6B5:
        r = (r & 0xF8u) | (r >> 5);
        g = (g & 0xFCu) | (g >> 6);
        b = (b & 0xF8u) | (b >> 5);
        break;
    case Quantisation::X1R5G5B5:
        r = (r & 0xF8u) | (r >> 5);
        g = (g & 0xF8u) | (g >> 5);
        b = (b & 0xF8u) | (b >> 5);
        break;
    case Quantisation::None: break;
    }
    return 0xFF000000u | (r << 16) | (g << 8) | b;
}

// The raw view the rasterizer and the shading write through.
struct RenderTarget {
    std::uint32_t* colour = nullptr;
    std::uint16_t* depth = nullptr; // null: the device has no depth buffer
    int width = 0;
    int height = 0;
    int pitch = 0; // in pixels, for colour and depth alike
    Quantisation quantisation = Quantisation::None;
};

// A rectangle of whole pixels, right and bottom exclusive.
struct PixelRect {
    int left = 0, top = 0, right = 0, bottom = 0;

    bool Empty() const { return left >= right || top >= bottom; }
    bool Meets(const PixelRect& other) const
    {
        return left < other.right && other.left < right && top < other.bottom && other.top < bottom;
    }
    // The smallest rectangle holding both.
    void Add(const PixelRect& other);
};

// The pixels of `a` inside `b` (empty when none).
inline PixelRect Within(const PixelRect& a, const PixelRect& b)
{
    return { a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
        a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom };
}

// A few rectangles holding some pixels: a turning cube and a line of text far from it stay
// apart, a draw's box over the cube's joins the cube's.
struct PixelRegion {
    static constexpr int kMaxRects = 4;
    PixelRect rects[kMaxRects];
    int count = 0;

    void Add(const PixelRect& rect);
};

// Pixels kept aside before something overwrote them: rectangles of colours, in the order they
// were saved, and the depths when a writer could not tell where it writes.
struct SavedPicture {
    std::vector<PixelRect> rects;
    std::vector<std::uint32_t> colours; // each rectangle's rows, one after the other
    std::vector<std::uint16_t> depths; // the whole buffer's, or none

    void Clear();
};

class FrameBuffer {
public:
    // New buffers: colour opaque black, depth 1.
    void Allocate(int width, int height, D3DFORMAT format, bool depth);

    int Width() const { return width_; }
    int Height() const { return height_; }
    D3DFORMAT Format() const { return format_; }
    bool HasDepth() const { return !depth_.empty(); }
    Quantisation Quantise() const { return quantisation_; }
    std::uint32_t Stored(D3DCOLOR colour) const { return StoredColour(quantisation_, colour); }

    const std::uint32_t* Colour() const { return colour_.data(); }
    // Every writer announces itself through these, which count a write, and reports the pixels
    // it writes through Written. The rasterizer writes only pixels its triangles cover; the
    // clipper, which hands it every triangle, reports their bounds.
    RenderTarget Target();
    std::uint32_t* WritableColour();
    // Colours or depths inside `rect` (clipped to the buffer) may be written from now on.
    void Written(const PixelRect& rect);

    // A fill of the whole buffer with the colour (or depth) of its last whole fill rewrites only
    // the pixels written since.
    void FillColour(const PixelRect& rect, std::uint32_t stored);
    void FillDepth(const PixelRect& rect, std::uint16_t depth);
    // Text drawn through GetDC writes full 8-bit colours; reduce them to the real format.
    void Requantise();

    // Upper bounds of the depths by block; a writer of depths through Target() reports to it.
    DepthBounds& Bounds() { return depthBounds_; }

    // Changes whenever the pixels may have changed.
    std::uint64_t Version() const { return version_; }
    // The pixels that may have changed since the last call (the whole buffer at first).
    PixelRegion TakeChanged();

    // For the repeated frame's copy of its picture: adds the colours inside `rect` to `saved`,
    // or all colours and (unless saved before) depths.
    void SaveColours(SavedPicture& saved, const PixelRect& rect) const;
    void SaveAll(SavedPicture& saved) const;
    // Puts back what was saved, the latest first, so that each pixel gets its oldest copy.
    void RestoreFrom(const SavedPicture& saved);

private:
    PixelRect Whole() const { return { 0, 0, width_, height_ }; }
    bool IsWhole(const PixelRect& rect) const;

    int width_ = 0;
    int height_ = 0;
    D3DFORMAT format_ = D3DFMT_X8R8G8B8;
    Quantisation quantisation_ = Quantisation::None;
    std::vector<std::uint32_t> colour_;
    std::vector<std::uint16_t> depth_;
    DepthBounds depthBounds_;
    std::uint64_t version_ = 0;
    // Outside colourWritten_ every colour is cleanColour_ (when colourClean_), and likewise for
    // the depths: what the last whole fill left there.
    bool colourClean_ = false, depthClean_ = false;
    std::uint32_t cleanColour_ = 0;
    std::uint16_t cleanDepth_ = 0;
    PixelRegion colourWritten_, depthWritten_;
    PixelRegion changed_;
};

} // namespace softd3d
