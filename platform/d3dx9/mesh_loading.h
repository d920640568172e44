#pragma once
// Loading a mesh from the bytes of a DirectX .x text file, as D3DXLoadMeshFromXResource does once
// it has found the resource. Any bytes may be passed: malformed input gives a failure result.
#include <cstddef>
#include <cstdint>

#include "platform/d3dx9/d3dx9.h"

namespace platform {

// The arguments and results of D3DXLoadMeshFromXInMemory. adjacency, materials, effectInstances
// and materialCount may be null. effectInstances, when given, receives null: no effect data is
// read. Every out-parameter is null (count 0) after a failure.
HRESULT LoadMeshFromXText(const std::uint8_t* data, std::size_t size, DWORD options,
    IDirect3DDevice9* device, ID3DXBuffer** adjacency, ID3DXBuffer** materials,
    ID3DXBuffer** effectInstances, DWORD* materialCount, ID3DXMesh** mesh);

} // namespace platform
