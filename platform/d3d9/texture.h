#pragma once
// Textures of the software device: a complete A8R8G8B8 (or X8R8G8B8) mip chain whose sides are
// powers of two, immutable once made.
#include <atomic>
#include <cstdint>
#include <vector>

#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/software_device.h"

namespace softd3d {

constexpr int kMaxTextureLevels = 16;
constexpr int kMaxTextureSide = 8192;

// What the sampler reads: one entry per level, with the masks of its sides precomputed.
struct MipLevelView {
    const std::uint32_t* texels = nullptr;
    int width = 0;
    int height = 0;
    int pitch = 0; // width + 1: see MipChainView::texels
    float widthF = 0.0f;
    float heightF = 0.0f;
    // The masks that wrap, and the shifts from 8.24 fixed-point coordinates to texels with 8 bits
    // of weight.
    int maskX = 0;
    int maskY = 0;
    int fixedShiftU = 0;
    int fixedShiftV = 0;
};

// The constants of MipLevelView for eight pixels at once: lane l holds those of level l ([0]) and
// of level l + 1 ([1]), the two levels a trilinear sample blends when l is the nearer.
struct LevelPairTable {
    static constexpr int kLevels = 8; // nearer levels 0..7
    // Where the level's texels start in MipChainView::texels, and its rows' pitch.
    alignas(32) std::int32_t firstTexel[2][kLevels] {};
    alignas(32) std::int32_t pitch[2][kLevels] {};
    alignas(32) std::int32_t fixedShiftU[2][kLevels] {};
    alignas(32) std::int32_t fixedShiftV[2][kLevels] {};
    alignas(32) std::int32_t maskX[2][kLevels] {};
    alignas(32) std::int32_t maskY[2][kLevels] {};
    alignas(32) std::int32_t widthShift[2][kLevels] {}; // log2 of the width
};

struct MipChainView {
    MipLevelView levels[kMaxTextureLevels];
    // Every level's texels, level 0 first, in one block: eight pixels' texels on any levels are
    // then one gather from one base. Each row ends in a copy of its first texel and each level in
    // a copy of its first row, so that the four texels a bilinear sample wraps to are two pairs
    // side by side in memory, at the same places as those it does not wrap.
    const std::uint32_t* texels = nullptr;
    int levelCount = 0;
    LevelPairTable pairs; // nearer levels 0..7 only
};

class Texture final : public IDirect3DTexture9 {
public:
    Texture(std::vector<TextureLevel> levels, D3DFORMAT format);

    ULONG AddRef() override;
    ULONG Release() override;
    DWORD GetLevelCount() override;

    const std::vector<TextureLevel>& Levels() const { return levels_; }
    const MipChainView& View() const { return view_; }
    D3DFORMAT Format() const { return format_; }

    // Null for a texture that is not one of ours.
    static Texture* From(IDirect3DBaseTexture9* texture);

    // Why a level list cannot make a texture, or null when it can.
    static const char* CheckLevels(const std::vector<TextureLevel>& levels);

private:
    ~Texture() override = default;

    std::atomic<ULONG> references_ { 1 };
    std::vector<TextureLevel> levels_;
    std::vector<std::uint32_t> texels_; // what the sampler reads: MipChainView::texels
    D3DFORMAT format_;
    MipChainView view_;
};

} // namespace softd3d
