#include "platform/d3d9/texture.h"

#include <bit>

namespace softd3d {

namespace {

// A level's rows, each followed by its first texel, then the first row again the same way.
void AppendWrapped(const TextureLevel& level, std::vector<std::uint32_t>& block)
{
    for (int y = 0; y <= level.height; ++y) {
        const auto row = level.argb.begin() + (y % level.height) * level.width;
        block.insert(block.end(), row, row + level.width);
        block.push_back(*row);
    }
}

} // namespace

Texture::Texture(std::vector<TextureLevel> levels, D3DFORMAT format)
    : levels_(std::move(levels))
    , format_(format)
{
    if (format_ == D3DFMT_X8R8G8B8) {
        // No alpha in the format: what the sampler returns is opaque, as the hardware reads it.
        for (TextureLevel& level : levels_) {
            for (std::uint32_t& texel : level.argb)
                texel |= 0xFF000000u;
        }
    }
    for (const TextureLevel& level : levels_)
        AppendWrapped(level, texels_);
    view_.texels = texels_.data();
    view_.levelCount = static_cast<int>(levels_.size());
    std::size_t first = 0;
    for (int i = 0; i < view_.levelCount; ++i) {
        MipLevelView& level = view_.levels[i];
        level.texels = texels_.data() + first;
        level.width = levels_[i].width;
        level.height = levels_[i].height;
        level.pitch = level.width + 1;
        level.widthF = static_cast<float>(level.width);
        level.heightF = static_cast<float>(level.height);
        const int widthShift = std::countr_zero(static_cast<unsigned>(level.width));
        const int heightShift = std::countr_zero(static_cast<unsigned>(level.height));
        level.maskX = level.width - 1;
        level.maskY = level.height - 1;
        level.fixedShiftU = 16 - widthShift;
        level.fixedShiftV = 16 - heightShift;
        for (int pair = 0; pair < 2; ++pair) {
            const int lane = i - pair;
            if (lane < 0 || lane >= LevelPairTable::kLevels)
                continue;
            LevelPairTable& t = view_.pairs;
            t.firstTexel[pair][lane] = static_cast<std::int32_t>(first);
            t.pitch[pair][lane] = level.pitch;
            t.fixedShiftU[pair][lane] = level.fixedShiftU;
            t.fixedShiftV[pair][lane] = level.fixedShiftV;
            t.maskX[pair][lane] = level.maskX;
            t.maskY[pair][lane] = level.maskY;
            t.widthShift[pair][lane] = widthShift;
        }
        first += static_cast<std::size_t>(level.pitch) * (level.height + 1);
    }
}

ULONG Texture::AddRef()
{
    return ++references_;
}

ULONG Texture::Release()
{
    ULONG left = --references_;
    if (left == 0)
        delete this;
    return left;
}

DWORD Texture::GetLevelCount()
{
    return static_cast<DWORD>(levels_.size());
}

Texture* Texture::From(IDirect3DBaseTexture9* texture)
{
    return dynamic_cast<Texture*>(texture);
}

const char* Texture::CheckLevels(const std::vector<TextureLevel>& levels)
{
    if (levels.empty())
        return "no levels";
    if (levels.size() > static_cast<std::size_t>(kMaxTextureLevels))
        return "too many levels";
    for (const TextureLevel& level : levels) {
        if (level.width <= 0 || level.height <= 0)
            return "a level without texels";
        if (level.width > kMaxTextureSide || level.height > kMaxTextureSide)
            return "a level too large";
        // The sampler wraps with masks.
        if (!std::has_single_bit(static_cast<unsigned>(level.width))
            || !std::has_single_bit(static_cast<unsigned>(level.height)))
            return "a side that is not a power of two";
        if (level.argb.size() != static_cast<std::size_t>(level.width) * level.height) {
            return "a level whose texel count does not match its size";
        }
    }
    return nullptr;
}

} // namespace softd3d
