#pragma once
// Shading one run of pixels of a row that show the same triangle: the per-pixel values
// (perspective-correct colours, texture coordinates, level of detail) four pixels at a time,
// then texture sampling, stage 0's colour operation and the store into the target.
#include "platform/d3d9/rasterizer.h"

namespace softd3d {

ShadingPath ChooseShadingPath(const RasterOptions& options, PixelSource source);

// Shades the centres x = xBegin..xEnd of row y.
void ShadeRun(const DeferredRasterizer::Triangle& triangle, const RasterOptions& options,
    const RenderTarget& target, int y, int xBegin, int xEnd);

// Whether trilinear samples use AVX2 where the processor has it (the default). Tests switch it
// off to check the SSE2 path gives the same pixels.
void UseWideVectors(bool use);

} // namespace softd3d
