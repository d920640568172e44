#include "platform/d3dx9/mesh_loading.h"

#include <cstring>
#include <vector>

#include "platform/d3dx9/d3dx_objects.h"
#include "platform/d3dx9/mesh_geometry.h"
#include "platform/d3dx9/x_mesh_parser.h"

namespace platform {
namespace {

D3DCOLORVALUE Colour(float r, float g, float b, float a)
{
    return { r, g, b, a };
}

// D3DXMATERIAL records followed by their texture file names, all in one buffer, so the names
// live exactly as long as the records that point at them.
HRESULT MakeMaterialBuffer(const std::vector<xfile::Material>& materials, ID3DXBuffer** out)
{
    std::size_t size = materials.size() * sizeof(D3DXMATERIAL);
    for (const xfile::Material& m : materials) {
        if (m.hasTexture)
            size += m.textureFilename.size() + 1;
    }
    ID3DXBuffer* buffer = nullptr;
    const HRESULT result = CreateBuffer(size, &buffer);
    if (FAILED(result))
        return result;
    auto* records = static_cast<D3DXMATERIAL*>(buffer->GetBufferPointer());
    char* names = reinterpret_cast<char*>(records + materials.size());
    for (std::size_t i = 0; i < materials.size(); ++i) {
        const xfile::Material& m = materials[i];
        D3DMATERIAL9& d3d = records[i].MatD3D;
        d3d.Diffuse = Colour(m.faceColour[0], m.faceColour[1], m.faceColour[2], m.faceColour[3]);
        d3d.Ambient = Colour(0.0f, 0.0f, 0.0f, 1.0f);
        d3d.Specular = Colour(m.specular[0], m.specular[1], m.specular[2], 1.0f);
        d3d.Emissive = Colour(m.emissive[0], m.emissive[1], m.emissive[2], 1.0f);
        d3d.Power = m.power;
        records[i].pTextureFilename = nullptr;
        if (m.hasTexture) {
            std::memcpy(names, m.textureFilename.c_str(), m.textureFilename.size() + 1);
            records[i].pTextureFilename = names;
            names += m.textureFilename.size() + 1;
        }
    }
    *out = buffer;
    return D3D_OK;
}

HRESULT MakeAdjacencyBuffer(const MeshGeometry& geometry, ID3DXBuffer** out)
{
    const std::vector<DWORD> adjacency = ComputeAdjacency(geometry);
    ID3DXBuffer* buffer = nullptr;
    const HRESULT result = CreateBuffer(adjacency.size() * sizeof(DWORD), &buffer);
    if (FAILED(result))
        return result;
    if (!adjacency.empty()) {
        std::memcpy(buffer->GetBufferPointer(), adjacency.data(), adjacency.size() * sizeof(DWORD));
    }
    *out = buffer;
    return D3D_OK;
}

void ReleaseAndClear(ID3DXBuffer** buffer)
{
    if (buffer != nullptr && *buffer != nullptr) {
        (*buffer)->Release();
        *buffer = nullptr;
    }
}

} // namespace

HRESULT LoadMeshFromXText(const std::uint8_t* data, std::size_t size, DWORD options,
    IDirect3DDevice9* device, ID3DXBuffer** adjacency, ID3DXBuffer** materials,
    ID3DXBuffer** effectInstances, DWORD* materialCount, ID3DXMesh** mesh)
{
    if (adjacency)
        *adjacency = nullptr;
    if (materials)
        *materials = nullptr;
    if (effectInstances)
        *effectInstances = nullptr;
    if (materialCount)
        *materialCount = 0;
    if (mesh == nullptr || device == nullptr || (data == nullptr && size != 0)) {
        return D3DERR_INVALIDCALL;
    }
    *mesh = nullptr;

    std::vector<xfile::Mesh> parsed;
    HRESULT result = xfile::ParseXText(data, size, parsed);
    if (FAILED(result))
        return result;
    MeshGeometry geometry;
    std::vector<xfile::Material> table;
    result = BuildMeshGeometry(parsed, geometry, table);
    if (FAILED(result))
        return result;
    parsed.clear();

    if (adjacency)
        result = MakeAdjacencyBuffer(geometry, adjacency);
    if (SUCCEEDED(result) && materials)
        result = MakeMaterialBuffer(table, materials);
    if (SUCCEEDED(result))
        result = CreateMesh(device, options, std::move(geometry), mesh);
    if (FAILED(result)) {
        ReleaseAndClear(adjacency);
        ReleaseAndClear(materials);
        return result;
    }
    if (materialCount)
        *materialCount = static_cast<DWORD>(table.size());
    return D3D_OK;
}

} // namespace platform
