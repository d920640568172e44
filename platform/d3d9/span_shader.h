#pragma once
// The fourth stage of a draw, run by the rasterizer's Resolve: shading one run of pixels of a
// row that show the same triangle. The per-pixel values (perspective-correct colours, texture
// coordinates, level of detail) four or eight pixels at a time, then texture sampling, stage 0's
// modulation, the specular sum and the store into the frame buffer.
#include "platform/d3d9/rasterizer.h"

namespace softd3d {

ShadingPath ChooseShadingPath(const RasterOptions& options);

// Shades the centres x = xBegin..xEnd of row y.
void ShadeRun(const DeferredRasterizer::Triangle& triangle, const RasterOptions& options,
    const RenderTarget& target, int y, int xBegin, int xEnd);

// How trilinear samples are taken: AVX2 where the processor has it (the default), SSE2, or the
// sampler that serves every filter setting. Tests check the first two against the last.
enum class TrilinearPath { Wide, Narrow, Reference };
void UseTrilinearPath(TrilinearPath path);

} // namespace softd3d
