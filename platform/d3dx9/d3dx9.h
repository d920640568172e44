#pragma once
// The subset of D3DX 9 that the program calls: loading the piece mesh and the sticker textures
// from the program's own resources. The maths operations of D3DX are not here: the program uses
// its own (geometry/) on every platform.
#include "platform/d3d9/d3d9.h"

constexpr UINT D3DX_DEFAULT = 0xFFFFFFFFu;
constexpr DWORD D3DX_FILTER_NONE = 0x00000001;
constexpr DWORD D3DX_FILTER_POINT = 0x00000002;
constexpr DWORD D3DX_FILTER_LINEAR = 0x00000003;
constexpr DWORD D3DX_FILTER_TRIANGLE = 0x00000004;
constexpr DWORD D3DX_FILTER_BOX = 0x00000005;
constexpr DWORD D3DX_FILTER_MIRROR_U = 0x00010000;
constexpr DWORD D3DX_FILTER_MIRROR_V = 0x00020000;
constexpr DWORD D3DX_FILTER_MIRROR_W = 0x00040000;
constexpr DWORD D3DX_FILTER_MIRROR = 0x00070000;
constexpr DWORD D3DX_FILTER_DITHER = 0x00080000;

constexpr DWORD D3DXMESH_32BIT = 0x001;
constexpr DWORD D3DXMESH_SYSTEMMEM = 0x110;
constexpr DWORD D3DXMESH_MANAGED = 0x220;
constexpr DWORD D3DXMESH_VB_MANAGED = 0x020;
constexpr DWORD D3DXMESH_IB_MANAGED = 0x200;

constexpr HRESULT D3DXERR_INVALIDDATA = MAKE_D3DHRESULT(2905);

struct D3DXMATERIAL {
    D3DMATERIAL9 MatD3D;
    LPSTR pTextureFilename;
};

struct D3DXIMAGE_INFO;

struct ID3DXBuffer : IUnknown {
    virtual void* GetBufferPointer() = 0;
    virtual DWORD GetBufferSize() = 0;
};

struct ID3DXMesh : IUnknown {
    virtual HRESULT DrawSubset(DWORD attributeId) = 0;
    virtual DWORD GetNumFaces() = 0;
    virtual DWORD GetNumVertices() = 0;
    virtual DWORD GetFVF() = 0;
    virtual DWORD GetOptions() = 0;
    virtual HRESULT CloneMeshFVF(
        DWORD options, DWORD fvf, IDirect3DDevice9* device, ID3DXMesh** cloneMesh)
        = 0;
};

using LPD3DXBUFFER = ID3DXBuffer*;
using LPD3DXMESH = ID3DXMesh*;

HRESULT WINAPI D3DXLoadMeshFromXResource(HMODULE module, LPCSTR name, LPCSTR type, DWORD options,
    IDirect3DDevice9* device, ID3DXBuffer** adjacency, ID3DXBuffer** materials,
    ID3DXBuffer** effectInstances, DWORD* materialCount, ID3DXMesh** mesh);

HRESULT WINAPI D3DXCreateTextureFromResourceA(
    IDirect3DDevice9* device, HMODULE sourceModule, LPCSTR resource, IDirect3DTexture9** texture);

HRESULT WINAPI D3DXCreateTextureFromResourceExA(IDirect3DDevice9* device, HMODULE sourceModule,
    LPCSTR resource, UINT width, UINT height, UINT mipLevels, DWORD usage, D3DFORMAT format,
    D3DPOOL pool, DWORD filter, DWORD mipFilter, D3DCOLOR colourKey, D3DXIMAGE_INFO* sourceInfo,
    PALETTEENTRY* palette, IDirect3DTexture9** texture);
