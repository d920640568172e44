#include "platform/d3d9/frame_buffer.h"

#include <algorithm>
#include <utility>

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

std::size_t Area(const PixelRect& r)
{
    return r.Empty() ? 0 : static_cast<std::size_t>(r.right - r.left) * (r.bottom - r.top);
}

PixelRect Union(PixelRect a, const PixelRect& b)
{
    a.Add(b);
    return a;
}

template <typename Pixel> void Fill(Pixel* pixels, int pitch, const PixelRect& rect, Pixel value)
{
    for (int y = rect.top; y < rect.bottom; ++y) {
        std::fill_n(pixels + static_cast<std::size_t>(y) * pitch + rect.left,
            rect.right - rect.left, value);
    }
}

template <typename Pixel>
void Fill(Pixel* pixels, int pitch, const PixelRegion& region, Pixel value)
{
    for (int i = 0; i < region.count; ++i)
        Fill(pixels, pitch, region.rects[i], value);
}

} // namespace

void PixelRect::Add(const PixelRect& other)
{
    if (other.Empty())
        return;
    if (Empty()) {
        *this = other;
        return;
    }
    left = std::min(left, other.left);
    top = std::min(top, other.top);
    right = std::max(right, other.right);
    bottom = std::max(bottom, other.bottom);
}

void PixelRegion::Add(const PixelRect& rect)
{
    if (rect.Empty())
        return;
    for (int i = 0; i < count; ++i) {
        const PixelRect& r = rects[i];
        if (r.left <= rect.left && r.top <= rect.top && r.right >= rect.right
            && r.bottom >= rect.bottom)
            return; // most draws of a frame land inside the box of those before them
    }
    // Kept apart while there is room, unless joining costs few pixels; then the two that waste
    // the fewest pixels together are joined.
    PixelRect all[kMaxRects + 1];
    std::copy_n(rects, count, all);
    all[count] = rect;
    int first = -1, second = -1;
    std::size_t leastWaste = 0;
    for (int i = 0; i <= count; ++i) {
        for (int j = i + 1; j <= count; ++j) {
            const std::size_t joined = Area(Union(all[i], all[j]));
            const std::size_t apart = Area(all[i]) + Area(all[j]);
            const std::size_t waste = joined > apart ? joined - apart : 0;
            if (first < 0 || waste < leastWaste) {
                first = i;
                second = j;
                leastWaste = waste;
            }
        }
    }
    if (first >= 0 && (count == kMaxRects || leastWaste <= Area(rect) / 4)) {
        all[first].Add(all[second]);
        all[second] = all[count];
    } else {
        ++count;
    }
    std::copy_n(all, count, rects);
}

void FrameBuffer::Allocate(int width, int height, D3DFORMAT format, bool depth)
{
    width_ = width;
    height_ = height;
    format_ = format;
    quantisation_ = QuantisationOf(format);
    const std::size_t pixels = static_cast<std::size_t>(width) * height;
    colour_.assign(pixels, StoredColour(quantisation_, 0xFF000000u));
    colourClean_ = true;
    cleanColour_ = StoredColour(quantisation_, 0xFF000000u);
    colourWritten_ = {};
    depthWritten_ = {};
    if (depth) {
        depth_.assign(pixels, 0xFFFF);
        depthBounds_.Reset(width, height);
        depthBounds_.Filled(0, 0, width, height, 0xFFFF);
        depthClean_ = true;
        cleanDepth_ = 0xFFFF;
    } else {
        depth_.clear();
        depth_.shrink_to_fit();
        depthClean_ = false;
    }
    changed_ = {};
    changed_.Add(Whole());
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

void FrameBuffer::Written(const PixelRect& rect)
{
    const PixelRect clipped { std::max(rect.left, 0), std::max(rect.top, 0),
        std::min(rect.right, width_), std::min(rect.bottom, height_) };
    colourWritten_.Add(clipped);
    depthWritten_.Add(clipped);
    changed_.Add(clipped);
}

bool FrameBuffer::IsWhole(const PixelRect& rect) const
{
    return rect.left <= 0 && rect.top <= 0 && rect.right >= width_ && rect.bottom >= height_;
}

void FrameBuffer::FillColour(const PixelRect& rect, std::uint32_t stored)
{
    ++version_;
    if (!IsWhole(rect)) {
        Fill(colour_.data(), width_, rect, stored);
        colourWritten_.Add(rect);
        changed_.Add(rect);
        return;
    }
    if (colourClean_ && stored == cleanColour_) {
        Fill(colour_.data(), width_, colourWritten_, stored);
        for (int i = 0; i < colourWritten_.count; ++i)
            changed_.Add(colourWritten_.rects[i]);
    } else {
        Fill(colour_.data(), width_, rect, stored);
        changed_.Add(rect);
    }
    colourClean_ = true;
    cleanColour_ = stored;
    colourWritten_ = {};
}

void FrameBuffer::FillDepth(const PixelRect& rect, std::uint16_t depth)
{
    ++version_;
    if (!IsWhole(rect)) {
        Fill(depth_.data(), width_, rect, depth);
        depthWritten_.Add(rect);
    } else {
        if (depthClean_ && depth == cleanDepth_)
            Fill(depth_.data(), width_, depthWritten_, depth);
        else
            Fill(depth_.data(), width_, rect, depth);
        depthClean_ = true;
        cleanDepth_ = depth;
        depthWritten_ = {};
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
    Written(Whole());
}

PixelRegion FrameBuffer::TakeChanged()
{
    return std::exchange(changed_, PixelRegion {});
}

void SavedPicture::Clear()
{
    rects.clear();
    colours.clear();
    depths.clear();
}

void FrameBuffer::SaveColours(SavedPicture& saved, const PixelRect& rect) const
{
    const PixelRect r { std::max(rect.left, 0), std::max(rect.top, 0), std::min(rect.right, width_),
        std::min(rect.bottom, height_) };
    if (r.Empty())
        return;
    saved.rects.push_back(r);
    for (int y = r.top; y < r.bottom; ++y) {
        const std::uint32_t* row = colour_.data() + static_cast<std::size_t>(y) * width_;
        saved.colours.insert(saved.colours.end(), row + r.left, row + r.right);
    }
}

void FrameBuffer::SaveAll(SavedPicture& saved) const
{
    SaveColours(saved, Whole());
    if (saved.depths.empty())
        saved.depths = depth_;
}

void FrameBuffer::RestoreFrom(const SavedPicture& saved)
{
    ++version_;
    std::size_t end = saved.colours.size();
    for (auto r = saved.rects.rbegin(); r != saved.rects.rend(); ++r) {
        const int width = r->right - r->left;
        end -= Area(*r);
        const std::uint32_t* from = saved.colours.data() + end;
        for (int y = r->top; y < r->bottom; ++y, from += width)
            std::copy_n(
                from, width, colour_.data() + static_cast<std::size_t>(y) * width_ + r->left);
        Written(*r);
    }
    if (!saved.depths.empty() && saved.depths.size() == depth_.size()) {
        depth_ = saved.depths;
        depthClean_ = false;
        depthBounds_.Reset(width_, height_);
    }
}

} // namespace softd3d
