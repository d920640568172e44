#pragma once
// The COM-shaped objects the D3DX loaders hand out: a plain byte buffer and a mesh drawn through
// the software device.
#include <cstddef>

#include "platform/d3dx9/d3dx9.h"
#include "platform/d3dx9/mesh_geometry.h"

namespace platform {

// A buffer of `size` zeroed bytes, aligned for any type, with one reference.
HRESULT CreateBuffer(std::size_t size, ID3DXBuffer** buffer);

// A mesh over `geometry`, keeping `device` alive until its last reference goes. One reference.
HRESULT CreateMesh(
    IDirect3DDevice9* device, DWORD options, MeshGeometry geometry, ID3DXMesh** mesh);

// The geometry behind a mesh made above (null for any other ID3DXMesh).
const MeshGeometry* GeometryOf(ID3DXMesh* mesh);

} // namespace platform
