#pragma once
// The frame buffer the pipeline ends in: the back buffer's colours (stored as X8R8G8B8 whatever
// its format, reduced to that format's precision) and its 16-bit depths. It counts its writes, so
// that whoever keeps or shows a copy of the pixels can tell whether they changed since.
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
    // Every writer announces itself through these, which count a write.
    RenderTarget Target();
    std::uint32_t* WritableColour();

    void FillColour(const PixelRect& rect, std::uint32_t stored);
    void FillDepth(const PixelRect& rect, std::uint16_t depth);
    // Text drawn through GetDC writes full 8-bit colours; reduce them to the real format.
    void Requantise();

    // Upper bounds of the depths by block; a writer of depths through Target() reports to it.
    DepthBounds& Bounds() { return depthBounds_; }

    // Changes whenever the pixels may have changed.
    std::uint64_t Version() const { return version_; }

    // The whole picture, for the repeated frame's copy of it.
    void SaveTo(std::vector<std::uint32_t>& colour, std::vector<std::uint16_t>& depth) const;
    void RestoreFrom(
        const std::vector<std::uint32_t>& colour, const std::vector<std::uint16_t>& depth);

private:
    int width_ = 0;
    int height_ = 0;
    D3DFORMAT format_ = D3DFMT_X8R8G8B8;
    Quantisation quantisation_ = Quantisation::None;
    std::vector<std::uint32_t> colour_;
    std::vector<std::uint16_t> depth_;
    DepthBounds depthBounds_;
    std::uint64_t version_ = 0;
};

} // namespace softd3d
