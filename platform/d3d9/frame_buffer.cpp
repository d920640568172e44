#include "platform/d3d9/frame_buffer.h"

#include <algorithm>

namespace softd3d {

namespace {

Quantisation QuantisationOf(D3DFORMAT format)
{
    switch (format) {
    case D3DFMT_R5G6B5: return Quantisation::R5G6B5;
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5: return Quantisation::X1R5G5B5;
    default: return Quantisation::None;
    }
}

} // namespace

void FrameBuffer::Allocate(int width, int height, D3DFORMAT format, bool depth)
{
    width_ = width;
    height_ = height;
    format_ = format;
    quantisation_ = QuantisationOf(format);
    const std::size_t pixels = static_cast<std::size_t>(width) * height;
    colour_.assign(pixels, StoredColour(quantisation_, 0xFF000000u));
    if (depth) {
        depth_.assign(pixels, 0xFFFF);
        depthBounds_.Reset(width, height);
        depthBounds_.Filled(0, 0, width, height, 0xFFFF);
    } else {
        depth_.clear();
        depth_.shrink_to_fit();
    }
    ++version_;
}

RenderTarget FrameBuffer::Target()
{
    ++version_;
    RenderTarget target;
    target.colour = colour_.data();
    target.depth = depth_.empty() ? nullptr : depth_.data();
    target.width = width_;
    target.height = height_;
    target.pitch = width_;
    target.quantisation = quantisation_;
    return target;
}

std::uint32_t* FrameBuffer::WritableColour()
{
    ++version_;
    return colour_.data();
}

void FrameBuffer::FillColour(const PixelRect& rect, std::uint32_t stored)
{
    ++version_;
    for (int y = rect.top; y < rect.bottom; ++y) {
        std::fill_n(colour_.data() + static_cast<std::size_t>(y) * width_ + rect.left,
            rect.right - rect.left, stored);
    }
}

void FrameBuffer::FillDepth(const PixelRect& rect, std::uint16_t depth)
{
    ++version_;
    for (int y = rect.top; y < rect.bottom; ++y) {
        std::fill_n(depth_.data() + static_cast<std::size_t>(y) * width_ + rect.left,
            rect.right - rect.left, depth);
    }
    depthBounds_.Filled(rect.left, rect.top, rect.right, rect.bottom, depth);
}

void FrameBuffer::Requantise()
{
    if (quantisation_ == Quantisation::None)
        return;
    ++version_;
    for (std::uint32_t& pixel : colour_)
        pixel = StoredColour(quantisation_, pixel);
}

void FrameBuffer::SaveTo(
    std::vector<std::uint32_t>& colour, std::vector<std::uint16_t>& depth) const
{
    colour = colour_;
    depth = depth_;
}

void FrameBuffer::RestoreFrom(
    const std::vector<std::uint32_t>& colour, const std::vector<std::uint16_t>& depth)
{
    ++version_;
    std::copy(colour.begin(), colour.end(), colour_.begin());
    std::copy(depth.begin(), depth.end(), depth_.begin());
    depthBounds_.Reset(width_, height_);
}

} // namespace softd3d
