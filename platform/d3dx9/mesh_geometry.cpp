#include "platform/d3dx9/mesh_geometry.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <unordered_map>
#include <utility>

#include "platform/d3dx9/d3dx9.h"

namespace platform {
namespace {

using xfile::Float3;
using xfile::Matrix;

// D3DX's transform-coord: the point as (x, y, z, 1), divided by the resulting w.
Float3 TransformCoord(const Float3& p, const Matrix& m)
{
    const float x = p[0] * m[0] + p[1] * m[4] + p[2] * m[8] + m[12];
    const float y = p[0] * m[1] + p[1] * m[5] + p[2] * m[9] + m[13];
    const float z = p[0] * m[2] + p[1] * m[6] + p[2] * m[10] + m[14];
    const float w = p[0] * m[3] + p[1] * m[7] + p[2] * m[11] + m[15];
    return { x / w, y / w, z / w };
}

bool IsFinite(const Float3& v)
{
    return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
}

xfile::Material DefaultMaterial()
{
    xfile::Material material;
    material.faceColour = { 0.5f, 0.5f, 0.5f, 1.0f };
    material.specular = { 0.5f, 0.5f, 0.5f };
    return material;
}

struct Triangle {
    std::uint32_t material;
    std::uint32_t corners[3];
};

// Appends one mesh's vertices and triangles. Vertex i of the mesh becomes vertex base + i; a
// position met again with another normal gets a copy appended after the mesh's own vertices.
HRESULT AppendMesh(const xfile::Mesh& mesh, std::uint32_t materialBase,
    std::vector<softd3d::MeshVertex>& vertices, std::vector<Triangle>& triangles)
{
    const std::size_t base = vertices.size();
    const std::size_t count = mesh.positions.size();
    for (std::size_t i = 0; i < count; ++i) {
        const Float3 p = TransformCoord(mesh.positions[i], mesh.transform);
        if (!IsFinite(p))
            return D3DXERR_INVALIDDATA;
        softd3d::MeshVertex v {};
        v.x = p[0];
        v.y = p[1];
        v.z = p[2];
        if (mesh.hasTextureCoords) {
            v.u = mesh.textureCoords[i][0];
            v.v = mesh.textureCoords[i][1];
        }
        vertices.push_back(v);
    }

    std::vector<Float3> normals;
    if (mesh.hasNormals) {
        normals.reserve(mesh.normals.size());
        for (const Float3& n : mesh.normals) {
            normals.push_back(TransformCoord(n, mesh.transform));
            if (!IsFinite(normals.back()))
                return D3DXERR_INVALIDDATA;
        }
    }

    // Which normal index each of the mesh's own vertices carries, once it has one.
    constexpr std::uint32_t kNone = 0xFFFFFFFFu;
    std::vector<std::uint32_t> normalOf(count, kNone);
    std::map<std::pair<std::uint32_t, std::uint32_t>, std::uint32_t> copies;
    auto vertexFor = [&](std::uint32_t position, std::uint32_t normal) -> std::uint32_t {
        const auto own = static_cast<std::uint32_t>(base + position);
        if (!mesh.hasNormals)
            return own;
        const Float3& n = normals[normal];
        softd3d::MeshVertex& v = vertices[own];
        if (normalOf[position] == kNone) {
            normalOf[position] = normal;
            v.nx = n[0];
            v.ny = n[1];
            v.nz = n[2];
            return own;
        }
        if (normalOf[position] == normal || (v.nx == n[0] && v.ny == n[1] && v.nz == n[2])) {
            return own;
        }
        const auto [it, inserted]
            = copies.try_emplace({ position, normal }, static_cast<std::uint32_t>(vertices.size()));
        if (inserted) {
            softd3d::MeshVertex copy = vertices[own];
            copy.nx = n[0];
            copy.ny = n[1];
            copy.nz = n[2];
            vertices.push_back(copy);
        }
        return it->second;
    };

    for (std::size_t f = 0; f < mesh.FaceCount(); ++f) {
        const std::uint32_t first = mesh.faceStart[f];
        const std::uint32_t end = mesh.faceStart[f + 1];
        const std::uint32_t material
            = materialBase + (mesh.hasMaterialList ? mesh.faceMaterials[f] : 0u);
        auto corner = [&](std::uint32_t k) {
            return vertexFor(mesh.faceCorners[k], mesh.hasNormals ? mesh.normalCorners[k] : 0u);
        };
        const std::uint32_t v0 = corner(first);
        std::uint32_t previous = corner(first + 1);
        for (std::uint32_t k = first + 2; k < end; ++k) {
            const std::uint32_t next = corner(k);
            triangles.push_back({ material, { v0, previous, next } });
            previous = next;
        }
    }
    return D3D_OK;
}

} // namespace

HRESULT BuildMeshGeometry(const std::vector<xfile::Mesh>& meshes, MeshGeometry& geometry,
    std::vector<xfile::Material>& materials)
{
    geometry = MeshGeometry {};
    materials.clear();
    bool anyNormals = false;
    bool anyTextureCoords = false;
    std::vector<Triangle> triangles;
    for (const xfile::Mesh& mesh : meshes) {
        const auto materialBase = static_cast<std::uint32_t>(materials.size());
        if (mesh.hasMaterialList) {
            materials.insert(materials.end(), mesh.materials.begin(), mesh.materials.end());
        } else {
            materials.push_back(DefaultMaterial());
        }
        const HRESULT result = AppendMesh(mesh, materialBase, geometry.vertices, triangles);
        if (FAILED(result))
            return result;
        anyNormals = anyNormals || mesh.hasNormals;
        anyTextureCoords = anyTextureCoords || mesh.hasTextureCoords;
        if (geometry.vertices.size() > xfile::kMaxItems || triangles.size() > xfile::kMaxItems) {
            return E_OUTOFMEMORY;
        }
    }
    if (triangles.empty())
        return D3DXERR_INVALIDDATA;

    // Subset k is material k's triangles in file order, as DrawSubset(k) expects.
    std::stable_sort(triangles.begin(), triangles.end(),
        [](const Triangle& a, const Triangle& b) { return a.material < b.material; });
    geometry.subsets.assign(materials.size(), Subset {});
    geometry.indices.reserve(triangles.size() * 3);
    for (std::size_t t = 0; t < triangles.size(); ++t) {
        Subset& subset = geometry.subsets[triangles[t].material];
        if (subset.triangleCount == 0)
            subset.firstTriangle = static_cast<std::uint32_t>(t);
        ++subset.triangleCount;
        geometry.indices.insert(
            geometry.indices.end(), triangles[t].corners, triangles[t].corners + 3);
    }
    geometry.fvf
        = D3DFVF_XYZ | (anyNormals ? D3DFVF_NORMAL : 0u) | (anyTextureCoords ? D3DFVF_TEX1 : 0u);
    return D3D_OK;
}

std::vector<DWORD> ComputeAdjacency(const MeshGeometry& geometry)
{
    // Each vertex stands for the first vertex with exactly its position.
    struct PositionHash {
        std::size_t operator()(const Float3& p) const
        {
            std::size_t h = 0;
            for (float c : p)
                h = h * 1000003u ^ std::hash<float>()(c);
            return h;
        }
    };
    std::unordered_map<Float3, std::uint32_t, PositionHash> firstAt;
    std::vector<std::uint32_t> representative(geometry.vertices.size());
    for (std::size_t i = 0; i < geometry.vertices.size(); ++i) {
        const softd3d::MeshVertex& v = geometry.vertices[i];
        representative[i]
            = firstAt.try_emplace(Float3 { v.x, v.y, v.z }, static_cast<std::uint32_t>(i))
                  .first->second;
    }
    const std::size_t triangleCount = geometry.TriangleCount();
    std::map<std::pair<std::uint32_t, std::uint32_t>, std::uint32_t> edgeOwner;
    for (std::size_t t = 0; t < triangleCount; ++t) {
        for (int e = 0; e < 3; ++e) {
            const std::uint32_t a = representative[geometry.indices[t * 3 + e]];
            const std::uint32_t b = representative[geometry.indices[t * 3 + (e + 1) % 3]];
            edgeOwner.try_emplace({ a, b }, static_cast<std::uint32_t>(t));
        }
    }
    std::vector<DWORD> adjacency(triangleCount * 3, 0xFFFFFFFFu);
    for (std::size_t t = 0; t < triangleCount; ++t) {
        for (int e = 0; e < 3; ++e) {
            const std::uint32_t a = representative[geometry.indices[t * 3 + e]];
            const std::uint32_t b = representative[geometry.indices[t * 3 + (e + 1) % 3]];
            const auto found = edgeOwner.find({ b, a });
            if (found != edgeOwner.end() && found->second != t)
                adjacency[t * 3 + e] = found->second;
        }
    }
    return adjacency;
}

MeshGeometry ConvertGeometry(const MeshGeometry& source, DWORD fvf)
{
    MeshGeometry copy = source;
    const DWORD dropped = source.fvf & ~fvf;
    for (softd3d::MeshVertex& v : copy.vertices) {
        if (dropped & D3DFVF_NORMAL)
            v.nx = v.ny = v.nz = 0.0f;
        if (dropped & D3DFVF_TEX1)
            v.u = v.v = 0.0f;
    }
    copy.fvf = fvf;
    return copy;
}

} // namespace platform
