#include "platform/d3dx9/texture_filtering.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace platform {
namespace {

struct Tap {
    int index;
    float weight;
};

int EdgeIndex(int s, int n, bool mirror)
{
    if (mirror) {
        const int period = 2 * n;
        const int m = ((s % period) + period) % period;
        return m < n ? m : period - 1 - m;
    }
    return ((s % n) + n) % n;
}

// The source pixels (with weights summing to 1) that make each destination pixel along one axis.
std::vector<std::vector<Tap>> AxisTaps(int sourceSize, int size, DWORD filterType, bool mirror)
{
    std::vector<std::vector<Tap>> taps(size);
    const double scale = static_cast<double>(sourceSize) / size;
    for (int i = 0; i < size; ++i) {
        std::vector<Tap>& out = taps[i];
        const double centre = (i + 0.5) * scale - 0.5; // in source pixel coordinates
        switch (filterType) {
        case D3DX_FILTER_NONE:
            if (i < sourceSize)
                out.push_back({ i, 1.0f });
            break;
        case D3DX_FILTER_POINT:
            out.push_back({ std::min(sourceSize - 1, static_cast<int>((i + 0.5) * scale)), 1.0f });
            break;
        case D3DX_FILTER_LINEAR: {
            const double first = std::floor(centre);
            const auto f = static_cast<float>(centre - first);
            const int s = static_cast<int>(first);
            out.push_back({ EdgeIndex(s, sourceSize, mirror), 1.0f - f });
            out.push_back({ EdgeIndex(s + 1, sourceSize, mirror), f });
            break;
        }
        case D3DX_FILTER_TRIANGLE: {
            // A tent as wide as a destination pixel (at least one source pixel): enlarging becomes
            // linear interpolation, shrinking lets every covered source pixel contribute.
            const double radius = std::max(scale, 1.0);
            const int first = static_cast<int>(std::ceil(centre - radius));
            const int last = static_cast<int>(std::floor(centre + radius));
            for (int s = first; s <= last; ++s) {
                const double w = 1.0 - std::abs(s - centre) / radius;
                if (w > 0.0)
                    out.push_back({ EdgeIndex(s, sourceSize, mirror), static_cast<float>(w) });
            }
            break;
        }
        default: { // BOX: each source pixel weighted by how much of the destination pixel it covers
            const double begin = i * scale;
            const double end = (i + 1) * scale;
            for (int s = static_cast<int>(std::floor(begin)); s < end; ++s) {
                const double w = std::min<double>(end, s + 1) - std::max<double>(begin, s);
                if (w > 0.0)
                    out.push_back({ EdgeIndex(s, sourceSize, mirror), static_cast<float>(w) });
            }
            break;
        }
        }
        float total = 0.0f;
        for (const Tap& t : out)
            total += t.weight;
        if (total > 0.0f) {
            for (Tap& t : out)
                t.weight /= total;
        }
    }
    return taps;
}

using Rgba = std::array<float, 4>;

Rgba Unpack(std::uint32_t argb)
{
    return { static_cast<float>((argb >> 16) & 0xFF), static_cast<float>((argb >> 8) & 0xFF),
        static_cast<float>(argb & 0xFF), static_cast<float>(argb >> 24) };
}

std::uint32_t Pack(const Rgba& c)
{
    auto channel
        = [](float v) { return static_cast<std::uint32_t>(std::clamp(std::lround(v), 0L, 255L)); };
    return (channel(c[3]) << 24) | (channel(c[0]) << 16) | (channel(c[1]) << 8) | channel(c[2]);
}

} // namespace

int FullMipCount(int width, int height)
{
    int levels = 1;
    for (int size = std::max(width, height); size > 1; size /= 2)
        ++levels;
    return levels;
}

bool IsValidFilter(DWORD filter)
{
    const DWORD type = filter & 0xFF;
    return type >= D3DX_FILTER_NONE && type <= D3DX_FILTER_BOX;
}

softd3d::TextureLevel Resample(
    const softd3d::TextureLevel& source, int width, int height, DWORD filter)
{
    softd3d::TextureLevel out;
    out.width = width;
    out.height = height;
    const DWORD type = filter & 0xFF;
    const auto columns = AxisTaps(source.width, width, type, (filter & D3DX_FILTER_MIRROR_U) != 0);
    const auto rows = AxisTaps(source.height, height, type, (filter & D3DX_FILTER_MIRROR_V) != 0);

    // Horizontal pass into floats, then vertical pass into texels.
    std::vector<Rgba> wide(static_cast<std::size_t>(width) * source.height, Rgba {});
    for (int y = 0; y < source.height; ++y) {
        const std::uint32_t* row = source.argb.data() + static_cast<std::size_t>(y) * source.width;
        for (int x = 0; x < width; ++x) {
            Rgba sum {};
            for (const Tap& t : columns[x]) {
                const Rgba c = Unpack(row[t.index]);
                for (int k = 0; k < 4; ++k)
                    sum[k] += c[k] * t.weight;
            }
            wide[static_cast<std::size_t>(y) * width + x] = sum;
        }
    }
    out.argb.assign(static_cast<std::size_t>(width) * height, 0u);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            Rgba sum {};
            for (const Tap& t : rows[y]) {
                const Rgba& c = wide[static_cast<std::size_t>(t.index) * width + x];
                for (int k = 0; k < 4; ++k)
                    sum[k] += c[k] * t.weight;
            }
            out.argb[static_cast<std::size_t>(y) * width + x] = Pack(sum);
        }
    }
    return out;
}

std::vector<softd3d::TextureLevel> BuildMipChain(
    softd3d::TextureLevel image, const TextureRequest& request)
{
    if (request.colourKey != 0) {
        for (std::uint32_t& texel : image.argb) {
            if (texel == request.colourKey)
                texel = 0;
        }
    }
    std::vector<softd3d::TextureLevel> levels;
    levels.reserve(request.mipLevels);
    if (image.width == request.width && image.height == request.height) {
        levels.push_back(std::move(image));
    } else {
        levels.push_back(Resample(image, request.width, request.height, request.filter));
    }
    // Halving with NONE would keep only a corner of the level: point sampling is the nearest
    // meaningful choice.
    DWORD mipFilter = request.mipFilter;
    if ((mipFilter & 0xFF) == D3DX_FILTER_NONE)
        mipFilter = (mipFilter & ~0xFFu) | D3DX_FILTER_POINT;
    while (static_cast<int>(levels.size()) < request.mipLevels) {
        const softd3d::TextureLevel& previous = levels.back();
        levels.push_back(Resample(previous, std::max(1, previous.width / 2),
            std::max(1, previous.height / 2), mipFilter));
    }
    if (request.opaque) {
        for (softd3d::TextureLevel& level : levels) {
            for (std::uint32_t& texel : level.argb)
                texel |= 0xFF000000u;
        }
    }
    return levels;
}

} // namespace platform
