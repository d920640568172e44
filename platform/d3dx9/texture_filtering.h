#pragma once
// Building a texture's mip chain from a decoded image the way D3DX does it: colour key first,
// then the image stretched to the texture's size with the load filter, then each smaller level
// made from the one before with the mip filter.
#include <vector>

#include "platform/d3d9/software_device.h"
#include "platform/d3dx9/d3dx9.h"

namespace platform {

struct TextureRequest {
    int width = 0; // level 0 size; both >= 1
    int height = 0;
    int mipLevels = 0; // >= 1, at most FullMipCount(width, height)
    DWORD filter = D3DX_FILTER_TRIANGLE | D3DX_FILTER_DITHER;
    DWORD mipFilter = D3DX_FILTER_BOX;
    D3DCOLOR colourKey = 0; // 0: no colour key
    bool opaque = false; // the format has no alpha: every texel gets alpha 0xFF
};

// Levels of a full chain down to 1x1.
int FullMipCount(int width, int height);

// True when the low byte of `filter` names a filter (NONE, POINT, LINEAR, TRIANGLE or BOX).
bool IsValidFilter(DWORD filter);

// One image resampled to width x height with `filter` (its MIRROR bits choose mirrored instead
// of wrapped edges). NONE copies without scaling and leaves the rest transparent black.
softd3d::TextureLevel Resample(
    const softd3d::TextureLevel& source, int width, int height, DWORD filter);

// The whole chain, level 0 first. The request must be valid (see the field comments).
std::vector<softd3d::TextureLevel> BuildMipChain(
    softd3d::TextureLevel image, const TextureRequest& request);

} // namespace platform
