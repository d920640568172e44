#pragma once
// Reads the meshes of a DirectX .x text file: frames with their transforms, meshes with normals,
// texture coordinates, material lists and materials. Everything else in the file is skipped.
// Any malformed input gives a failure result; nothing is trusted before it has been checked.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32/windows.h"

namespace platform::xfile {

using Float3 = std::array<float, 3>;
using Float2 = std::array<float, 2>;
// Row-major 4x4, row vectors: p' = p * M.
using Matrix = std::array<float, 16>;

struct Material {
    std::array<float, 4> faceColour {};
    float power = 0.0f;
    Float3 specular {};
    Float3 emissive {};
    bool hasTexture = false;
    std::string textureFilename;
};

struct Mesh {
    std::vector<Float3> positions;
    // Face f has the corners faceCorners[faceStart[f] .. faceStart[f + 1]), at least 3 of them.
    std::vector<std::uint32_t> faceStart { 0 };
    std::vector<std::uint32_t> faceCorners;
    bool hasNormals = false;
    std::vector<Float3> normals; // unit length (or zero for a zero normal)
    std::vector<std::uint32_t> normalCorners; // parallel to faceCorners
    bool hasTextureCoords = false;
    std::vector<Float2> textureCoords; // one per position
    bool hasMaterialList = false;
    std::vector<std::uint32_t> faceMaterials; // one per face, each < materials.size()
    std::vector<Material> materials;
    Matrix transform {}; // the accumulated frame transform

    std::size_t FaceCount() const { return faceStart.size() - 1; }
};

// Limits that keep hostile files from exhausting memory or the stack.
inline constexpr int kMaxFrameDepth = 64;
inline constexpr std::uint32_t kMaxItems = 1u << 22;

// Parses a whole file, header included. On success `meshes` holds every mesh in file order
// (at least one); on failure it is left empty and the result says why
// (D3DXERR_INVALIDDATA for malformed content, E_NOTIMPL for a binary or compressed file).
HRESULT ParseXText(const std::uint8_t* data, std::size_t size, std::vector<Mesh>& meshes);

} // namespace platform::xfile
