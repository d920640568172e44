// The .x text reader and what the mesh load builds from its result: geometry with subsets,
// adjacency and the vertex-format conversion of CloneMeshFVF.
#include <cmath>

#include "fuzz/fuzz_input.h"
#include "platform/d3dx9/mesh_geometry.h"
#include "platform/d3dx9/x_mesh_parser.h"

using fuzz::Require;

namespace {

void CheckParsedMesh(const platform::xfile::Mesh& mesh)
{
    Require(!mesh.faceStart.empty() && mesh.faceStart.front() == 0, "faceStart begins at 0");
    Require(mesh.faceStart.back() == mesh.faceCorners.size(), "faceStart ends at the corner count");
    for (std::size_t f = 0; f < mesh.FaceCount(); ++f) {
        Require(mesh.faceStart[f + 1] >= mesh.faceStart[f] + 3, "every face has 3 corners");
    }
    for (std::uint32_t corner : mesh.faceCorners) {
        Require(corner < mesh.positions.size(), "face corner indexes a position");
    }
    if (mesh.hasNormals) {
        Require(mesh.normalCorners.size() == mesh.faceCorners.size(), "normal faces match faces");
        for (std::uint32_t n : mesh.normalCorners) {
            Require(n < mesh.normals.size(), "normal corner indexes a normal");
        }
    }
    if (mesh.hasTextureCoords) {
        Require(mesh.textureCoords.size() == mesh.positions.size(),
            "one texture coordinate per position");
    }
    if (mesh.hasMaterialList) {
        Require(mesh.faceMaterials.size() == mesh.FaceCount(), "one material index per face");
        for (std::uint32_t m : mesh.faceMaterials) {
            Require(m < mesh.materials.size(), "material index within the list");
        }
    }
}

void CheckGeometry(const platform::MeshGeometry& geometry, std::size_t materialCount)
{
    Require(geometry.indices.size() % 3 == 0, "whole triangles");
    for (std::uint32_t index : geometry.indices) {
        Require(index < geometry.vertices.size(), "triangle index within the vertices");
    }
    Require(geometry.subsets.size() == materialCount, "one subset per material");
    std::uint32_t next = 0;
    for (const platform::Subset& subset : geometry.subsets) {
        // An empty subset's start means nothing; DrawSubset draws nothing for it.
        if (subset.triangleCount != 0) {
            Require(subset.firstTriangle == next, "subsets follow one another");
            next += subset.triangleCount;
        }
    }
    Require(next == geometry.TriangleCount(), "subsets cover every triangle");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<platform::xfile::Mesh> meshes;
    if (FAILED(platform::xfile::ParseXText(data, size, meshes))) {
        Require(meshes.empty(), "a failed parse leaves no meshes");
        return 0;
    }
    Require(!meshes.empty(), "a parse that succeeds yields a mesh");
    for (const auto& mesh : meshes) {
        CheckParsedMesh(mesh);
    }
    platform::MeshGeometry geometry;
    std::vector<platform::xfile::Material> materials;
    if (FAILED(platform::BuildMeshGeometry(meshes, geometry, materials))) {
        return 0;
    }
    CheckGeometry(geometry, materials.size());
    const std::vector<DWORD> adjacency = platform::ComputeAdjacency(geometry);
    Require(adjacency.size() == geometry.indices.size(), "three neighbours per triangle");
    for (DWORD neighbour : adjacency) {
        Require(neighbour == 0xFFFFFFFF || neighbour < geometry.TriangleCount(),
            "neighbour is a triangle");
    }
    const platform::MeshGeometry positionsOnly = platform::ConvertGeometry(geometry, D3DFVF_XYZ);
    Require(
        positionsOnly.vertices.size() == geometry.vertices.size(), "conversion keeps the vertices");
    Require(positionsOnly.indices == geometry.indices, "conversion keeps the triangles");
    return 0;
}
