#include "render/piece_mesh.h"

#include <new>

#include "resources/resource_ids.h"

PieceMesh pieceMesh = { nullptr, 0, nullptr, nullptr };

namespace {

constexpr DWORD pieceVertexFormat = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;

// Subsets 0 .. drawableSubsets - 1 have their material and, where one is named, their texture.
// A load that stopped part-way leaves the rest out of every draw instead of drawing them with a
// material or texture that was never made.
std::uint32_t drawableSubsets = 0;

} // namespace

bool LoadPieceMesh(IDirect3DDevice9* device)
{
    ReleasePieceMesh();
    ID3DXBuffer* materialBuffer = nullptr;
    DWORD materialCount = 0;
    ID3DXMesh* mesh = nullptr;
    if (FAILED(D3DXLoadMeshFromXResource(nullptr, MAKEINTRESOURCEA(IDR_PIECE_MESH),
            RT_PIECE_MESH_TYPE, D3DXMESH_VB_MANAGED, device, nullptr, &materialBuffer, nullptr,
            &materialCount, &mesh))) {
        if (materialBuffer != nullptr) {
            materialBuffer->Release();
        }
        if (mesh != nullptr) {
            mesh->Release();
        }
        return false;
    }
    pieceMesh.mesh = mesh;

    const D3DXMATERIAL* loaded = materialBuffer != nullptr
        ? static_cast<const D3DXMATERIAL*>(materialBuffer->GetBufferPointer())
        : nullptr;
    if (loaded == nullptr) {
        materialCount = 0;
    }
    pieceMesh.materials = new (std::nothrow) D3DMATERIAL9[materialCount]();
    pieceMesh.textures = new (std::nothrow) IDirect3DTexture9*[materialCount]();
    if (pieceMesh.materials == nullptr || pieceMesh.textures == nullptr) {
        materialCount = 0;
    }
    pieceMesh.materialCount = materialCount;

    bool texturesMade = true;
    for (std::uint32_t i = 0; i < materialCount; ++i) {
        pieceMesh.materials[i] = loaded[i].MatD3D;
        pieceMesh.materials[i].Ambient = pieceMesh.materials[i].Diffuse;
        pieceMesh.textures[i] = nullptr;
        const char* fileName = loaded[i].pTextureFilename;
        if (fileName != nullptr && fileName[0] != '\0') {
            // Every sticker material gets its own texture of the sticker bitmap, whatever file
            // the mesh names.
            if (FAILED(D3DXCreateTextureFromResourceA(
                    device, nullptr, MAKEINTRESOURCEA(IDB_STICKERS), &pieceMesh.textures[i]))) {
                pieceMesh.textures[i] = nullptr;
                MessageBoxA(nullptr, fileName, "Error", MB_ICONERROR);
                texturesMade = false;
                break;
            }
        }
        drawableSubsets = i + 1;
    }

    // The file names live in the buffer: it goes only after the box has shown one.
    if (materialBuffer != nullptr) {
        materialBuffer->Release();
    }
    if (!texturesMade) {
        return false;
    }

    if (pieceMesh.mesh->GetFVF() != pieceVertexFormat) {
        ID3DXMesh* copy = nullptr;
        // Without a copy the loaded mesh is kept: its subsets still draw.
        if (SUCCEEDED(pieceMesh.mesh->CloneMeshFVF(
                pieceMesh.mesh->GetOptions(), pieceVertexFormat, device, &copy))
            && copy != nullptr) {
            pieceMesh.mesh->Release();
            pieceMesh.mesh = copy;
        }
    }
    return true;
}

void ReleasePieceMesh()
{
    drawableSubsets = 0;
    delete[] pieceMesh.materials;
    pieceMesh.materials = nullptr;
    if (pieceMesh.textures != nullptr) {
        for (std::uint32_t i = 0; i < pieceMesh.materialCount; ++i) {
            if (pieceMesh.textures[i] != nullptr) {
                pieceMesh.textures[i]->Release();
            }
        }
        delete[] pieceMesh.textures;
        pieceMesh.textures = nullptr;
    }
    pieceMesh.materialCount = 0;
    if (pieceMesh.mesh != nullptr) {
        pieceMesh.mesh->Release();
        pieceMesh.mesh = nullptr;
    }
}

void DrawCubie(IDirect3DDevice9* device, const Mat4& world, const Cubie& cubie)
{
    device->SetTransform(D3DTS_WORLD, reinterpret_cast<const D3DMATRIX*>(&world));
    if (pieceMesh.mesh == nullptr) {
        return;
    }
    for (std::uint32_t i = 0; i < drawableSubsets; ++i) {
        device->SetMaterial(&pieceMesh.materials[i]);
        device->SetTexture(0, pieceMesh.textures[i]);
        if (i >= 1 && i <= 6) {
            // (u, v, 1) x matrix: the third row moves the sticker onto its colour's tile.
            Mat4 tile;
            MatrixIdentity(&tile);
            tile._31 = 0.1f * static_cast<float>(cubie.FaceColour(static_cast<int>(i) - 1));
            tile._32 = 0.0f;
            device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
            device->SetTransform(D3DTS_TEXTURE0, reinterpret_cast<const D3DMATRIX*>(&tile));
        }
        pieceMesh.mesh->DrawSubset(i);
    }
    device->SetTexture(0, nullptr);
}
