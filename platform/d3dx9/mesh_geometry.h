#pragma once
// Turns parsed .x meshes into what an ID3DXMesh holds: one vertex array, a triangle list sorted
// by material into subsets, and the merged material table.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/d3d9/software_device.h"
#include "platform/d3dx9/x_mesh_parser.h"

namespace platform {

struct Subset {
    std::uint32_t firstTriangle = 0;
    std::uint32_t triangleCount = 0;
};

struct MeshGeometry {
    DWORD fvf = 0;
    std::vector<softd3d::MeshVertex> vertices;
    std::vector<std::uint32_t> indices; // three per triangle
    std::vector<Subset> subsets; // subset k = the triangles of material k
    std::size_t TriangleCount() const { return indices.size() / 3; }
};

// Applies each mesh's frame transform (transform-coord on positions and normals, no
// renormalising), fans faces into triangles, sorts them stably by material and duplicates a
// vertex only where one position is used with different normals. Several meshes are merged, each
// bringing its own materials (a mesh without a material list brings one default material).
// Fails with D3DXERR_INVALIDDATA on a result with no triangles or with non-finite coordinates.
HRESULT BuildMeshGeometry(const std::vector<xfile::Mesh>& meshes, MeshGeometry& geometry,
    std::vector<xfile::Material>& materials);

// Three neighbours per triangle (0xFFFFFFFF for none), across edges whose end points have equal
// positions, the way D3DX reports adjacency with a zero epsilon.
std::vector<DWORD> ComputeAdjacency(const MeshGeometry& geometry);

// A copy keeping only what `fvf` holds; components the source lacks are zero.
MeshGeometry ConvertGeometry(const MeshGeometry& source, DWORD fvf);

} // namespace platform
