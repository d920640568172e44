#include "platform/d3d9/repeated_frame.h"

#include <cstring>

#include "platform/d3d9/texture.h"

namespace softd3d {

namespace {

// Field by field: the state has padding (the light slots' flags), whose bytes mean nothing.
// Transform versions only say when the vertex stage must rebuild; they are not state.
bool SameState(const DeviceState& a, const DeviceState& b)
{
    if (a.render != b.render || a.sampler != b.sampler || a.stage != b.stage)
        return false;
    if (std::memcmp(&a.world, &b.world, sizeof(D3DMATRIX)) != 0
        || std::memcmp(&a.view, &b.view, sizeof(D3DMATRIX)) != 0
        || std::memcmp(&a.projection, &b.projection, sizeof(D3DMATRIX)) != 0
        || std::memcmp(&a.texture0, &b.texture0, sizeof(D3DMATRIX)) != 0
        || std::memcmp(&a.material, &b.material, sizeof(D3DMATERIAL9)) != 0)
        return false;
    for (std::size_t i = 0; i < a.lights.size(); ++i) {
        const LightSlot& x = a.lights[i];
        const LightSlot& y = b.lights[i];
        if (x.defined != y.defined || x.enabled != y.enabled
            || std::memcmp(&x.light, &y.light, sizeof(D3DLIGHT9)) != 0)
            return false;
    }
    return true;
}

} // namespace

bool SameDraw(const DrawRecord& recorded, const DeviceState& state, const Texture* texture,
    const MeshVertex* vertices, std::size_t vertexCount, const std::uint32_t* indices,
    std::size_t indexCount)
{
    return recorded.texture == texture && recorded.vertices.size() == vertexCount
        && recorded.indices.size() == indexCount
        && std::memcmp(recorded.vertices.data(), vertices, vertexCount * sizeof(MeshVertex)) == 0
        && std::memcmp(recorded.indices.data(), indices, indexCount * sizeof(std::uint32_t)) == 0
        && SameState(recorded.state, state);
}

void Record(DrawRecord& record, const DeviceState& state, Texture* texture,
    const MeshVertex* vertices, std::size_t vertexCount, const std::uint32_t* indices,
    std::size_t indexCount)
{
    record.state = state;
    if (texture != nullptr)
        texture->AddRef();
    ForgetTexture(record);
    record.texture = texture;
    record.vertices.assign(vertices, vertices + vertexCount);
    record.indices.assign(indices, indices + indexCount);
}

void ForgetTexture(DrawRecord& record)
{
    if (record.texture != nullptr)
        record.texture->Release();
    record.texture = nullptr;
}

} // namespace softd3d
