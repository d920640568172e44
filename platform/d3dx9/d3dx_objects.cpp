#include "platform/d3dx9/d3dx_objects.h"

#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "platform/d3d9/software_device.h"

namespace platform {
namespace {

class Buffer final : public ID3DXBuffer {
public:
    Buffer(std::unique_ptr<std::max_align_t[]> storage, std::size_t size)
        : storage_(std::move(storage))
        , size_(size)
    {
    }

    ULONG AddRef() override { return ++references_; }
    ULONG Release() override
    {
        const ULONG left = --references_;
        if (left == 0)
            delete this;
        return left;
    }
    void* GetBufferPointer() override { return storage_.get(); }
    DWORD GetBufferSize() override { return static_cast<DWORD>(size_); }

private:
    std::unique_ptr<std::max_align_t[]> storage_;
    std::size_t size_;
    ULONG references_ = 1;
};

constexpr DWORD kSupportedFvfBits = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;

class Mesh final : public ID3DXMesh {
public:
    Mesh(IDirect3DDevice9* device, DWORD options, MeshGeometry geometry)
        : device_(device)
        , options_(options)
        , geometry_(std::move(geometry))
    {
        device_->AddRef();
    }
    ~Mesh() override { device_->Release(); }

    ULONG AddRef() override { return ++references_; }
    ULONG Release() override
    {
        const ULONG left = --references_;
        if (left == 0)
            delete this;
        return left;
    }

    HRESULT DrawSubset(DWORD attributeId) override
    {
        if (attributeId >= geometry_.subsets.size())
            return D3D_OK;
        const Subset& subset = geometry_.subsets[attributeId];
        if (subset.triangleCount == 0)
            return D3D_OK;
        softd3d::DrawIndexedTriangles(device_, geometry_.vertices.data(), geometry_.vertices.size(),
            geometry_.indices.data() + std::size_t { subset.firstTriangle } * 3,
            subset.triangleCount, geometryKey_);
        return D3D_OK;
    }
    DWORD GetNumFaces() override { return static_cast<DWORD>(geometry_.TriangleCount()); }
    DWORD GetNumVertices() override { return static_cast<DWORD>(geometry_.vertices.size()); }
    DWORD GetFVF() override { return geometry_.fvf; }
    DWORD GetOptions() override { return options_; }

    HRESULT CloneMeshFVF(
        DWORD options, DWORD fvf, IDirect3DDevice9* device, ID3DXMesh** cloneMesh) override
    {
        if (cloneMesh == nullptr || device == nullptr)
            return D3DERR_INVALIDCALL;
        *cloneMesh = nullptr;
        if ((fvf & ~kSupportedFvfBits) != 0 || (fvf & D3DFVF_XYZ) == 0)
            return D3DERR_INVALIDCALL;
        return CreateMesh(device, options, ConvertGeometry(geometry_, fvf), cloneMesh);
    }

    const MeshGeometry& Geometry() const { return geometry_; }

private:
    IDirect3DDevice9* device_;
    DWORD options_;
    const MeshGeometry geometry_; // never changes: its draws pass geometryKey_
    const std::uint64_t geometryKey_ = softd3d::NewGeometryKey();
    ULONG references_ = 1;
};

} // namespace

HRESULT CreateBuffer(std::size_t size, ID3DXBuffer** buffer)
{
    if (buffer == nullptr)
        return D3DERR_INVALIDCALL;
    *buffer = nullptr;
    const std::size_t cells = (size + sizeof(std::max_align_t) - 1) / sizeof(std::max_align_t);
    std::unique_ptr<std::max_align_t[]> storage(
        new (std::nothrow) std::max_align_t[cells ? cells : 1]);
    if (!storage)
        return E_OUTOFMEMORY;
    std::memset(storage.get(), 0, (cells ? cells : 1) * sizeof(std::max_align_t));
    *buffer = new (std::nothrow) Buffer(std::move(storage), size);
    return *buffer ? D3D_OK : E_OUTOFMEMORY;
}

HRESULT CreateMesh(IDirect3DDevice9* device, DWORD options, MeshGeometry geometry, ID3DXMesh** mesh)
{
    if (mesh == nullptr || device == nullptr)
        return D3DERR_INVALIDCALL;
    *mesh = new (std::nothrow) Mesh(device, options, std::move(geometry));
    return *mesh ? D3D_OK : E_OUTOFMEMORY;
}

const MeshGeometry* GeometryOf(ID3DXMesh* mesh)
{
    const auto* ours = dynamic_cast<const Mesh*>(mesh);
    return ours ? &ours->Geometry() : nullptr;
}

} // namespace platform
