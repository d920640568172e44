#pragma once
// Recognising a frame that repeats the previous one. A viewer at rest draws the same frame 62
// times a second: the same clear, the same 189 draws with the same states and vertices. When a
// frame's draws since its full clear match, call for call and byte for byte, those of the last
// frame that began so, the pixels they make are the pixels that frame made, and the device copies
// them instead of drawing again. The comparison is exact, so the picture cannot differ.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/d3d9/device_state.h"
#include "platform/d3d9/software_device.h"

namespace softd3d {

class Texture;

// A full clear of colour and depth: what a repeatable frame begins with.
struct ClearKey {
    std::uint32_t colour = 0;
    std::uint16_t depth = 0;

    bool operator==(const ClearKey&) const = default;
};

// One draw as it reached the device: everything its pixels depend on.
struct DrawRecord {
    DeviceState state;
    Texture* texture = nullptr; // holds one reference while recorded
    std::vector<MeshVertex> vertices;
    std::vector<std::uint32_t> indices;
};

// Whether a draw with this state, stage-0 texture, vertices and indices is the recorded one.
bool SameDraw(const DrawRecord& recorded, const DeviceState& state, const Texture* texture,
    const MeshVertex* vertices, std::size_t vertexCount, const std::uint32_t* indices,
    std::size_t indexCount);

// Overwrites a record with a draw, keeping the record's storage.
void Record(DrawRecord& record, const DeviceState& state, Texture* texture,
    const MeshVertex* vertices, std::size_t vertexCount, const std::uint32_t* indices,
    std::size_t indexCount);

void ForgetTexture(DrawRecord& record);

} // namespace softd3d
