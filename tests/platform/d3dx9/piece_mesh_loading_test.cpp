// The piece mesh as D3DXLoadMeshFromXResource gives it from the embedded resources, the mesh
// object's operations, and the bytes-level entry on hostile input.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "platform/d3dx9/d3dx_objects.h"
#include "platform/d3dx9/mesh_loading.h"
#include "platform/resource/resource_table.h"
#include "tests/platform/d3dx9/d3dx9_test_device.h"

namespace {

constexpr float kTolerance = 2e-3f;

struct Vec {
    float x, y, z;
};
Vec Sub(Vec a, Vec b)
{
    return { a.x - b.x, a.y - b.y, a.z - b.z };
}
Vec Cross(Vec a, Vec b)
{
    return { a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x };
}
float Dot(Vec a, Vec b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
Vec Position(const softd3d::MeshVertex& v)
{
    return { v.x, v.y, v.z };
}
float Coordinate(const softd3d::MeshVertex& v, int axis)
{
    return axis == 0 ? v.x : axis == 1 ? v.y : v.z;
}

class PieceMesh : public D3dx9DeviceTest {
protected:
    void SetUp() override
    {
        D3dx9DeviceTest::SetUp();
        ASSERT_EQ(
            D3DXLoadMeshFromXResource(nullptr, MAKEINTRESOURCEA(117), "X", D3DXMESH_VB_MANAGED,
                device_, nullptr, &materials_, nullptr, &materialCount_, &mesh_),
            D3D_OK);
        geometry_ = platform::GeometryOf(mesh_);
        ASSERT_NE(geometry_, nullptr);
    }
    void TearDown() override
    {
        if (mesh_)
            mesh_->Release();
        if (materials_)
            materials_->Release();
        D3dx9DeviceTest::TearDown();
    }

    // The three corners of triangle t.
    std::array<const softd3d::MeshVertex*, 3> Corners(std::size_t t) const
    {
        return { &geometry_->vertices[geometry_->indices[t * 3]],
            &geometry_->vertices[geometry_->indices[t * 3 + 1]],
            &geometry_->vertices[geometry_->indices[t * 3 + 2]] };
    }

    ID3DXMesh* mesh_ = nullptr;
    ID3DXBuffer* materials_ = nullptr;
    DWORD materialCount_ = 0;
    const platform::MeshGeometry* geometry_ = nullptr;
};

TEST_F(PieceMesh, loads_seven_materials_with_sticker_textures_on_one_to_six)
{
    ASSERT_EQ(materialCount_, 7u);
    EXPECT_GE(materials_->GetBufferSize(), 7 * sizeof(D3DXMATERIAL));
    const auto* m = static_cast<const D3DXMATERIAL*>(materials_->GetBufferPointer());
    EXPECT_EQ(m[0].pTextureFilename, nullptr);
    EXPECT_NEAR(m[0].MatD3D.Diffuse.r, 0.356046f, 1e-6f);
    EXPECT_FLOAT_EQ(m[0].MatD3D.Power, 0.5f);
    for (DWORD i = 0; i < 7; ++i) {
        const D3DMATERIAL9& d = m[i].MatD3D;
        EXPECT_EQ(d.Ambient.r, 0.0f);
        EXPECT_EQ(d.Ambient.a, 1.0f);
        EXPECT_FLOAT_EQ(d.Specular.g, 1.0f);
        EXPECT_EQ(d.Emissive.b, 0.0f);
        if (i == 0)
            continue;
        ASSERT_NE(m[i].pTextureFilename, nullptr) << i;
        EXPECT_STREQ(m[i].pTextureFilename, "panel.bmp");
        EXPECT_FLOAT_EQ(d.Diffuse.g, 1.0f);
        // The names live inside the buffer itself.
        const auto* begin = static_cast<const char*>(materials_->GetBufferPointer());
        EXPECT_GE(m[i].pTextureFilename, begin);
        EXPECT_LE(m[i].pTextureFilename + 10, begin + materials_->GetBufferSize());
    }
}

TEST_F(PieceMesh, is_sixty_triangles_in_the_textured_vertex_format_with_the_load_options)
{
    EXPECT_EQ(mesh_->GetFVF(), 0x112u);
    EXPECT_EQ(mesh_->GetOptions(), D3DXMESH_VB_MANAGED);
    EXPECT_EQ(mesh_->GetNumFaces(), 60u);
    EXPECT_EQ(mesh_->GetNumVertices(), 120u);
}

TEST_F(PieceMesh, subset_k_is_the_sticker_of_face_slot_k_minus_one)
{
    // Face slots 0..5: +X, +Y, -X, -Y, +Z, -Z, in the model space after the frame transform.
    const int axis[6] = { 0, 1, 0, 1, 2, 2 };
    const float sign[6] = { 1, 1, -1, -1, 1, -1 };
    ASSERT_EQ(geometry_->subsets.size(), 7u);
    EXPECT_EQ(geometry_->subsets[0].triangleCount, 48u);
    for (int k = 1; k <= 6; ++k) {
        const platform::Subset& subset = geometry_->subsets[k];
        ASSERT_EQ(subset.triangleCount, 2u) << k;
        for (std::uint32_t t = subset.firstTriangle; t < subset.firstTriangle + 2; ++t) {
            for (const softd3d::MeshVertex* v : Corners(t)) {
                EXPECT_NEAR(Coordinate(*v, axis[k - 1]), 0.99f * sign[k - 1], kTolerance) << k;
                for (int other = 0; other < 3; ++other) {
                    if (other != axis[k - 1]) {
                        EXPECT_NEAR(std::abs(Coordinate(*v, other)), 0.81f, kTolerance) << k;
                    }
                }
                // The sticker samples exactly the leftmost tile.
                EXPECT_TRUE(v->u == 0.0f || std::abs(v->u - 0.1f) < 1e-6f) << k;
                EXPECT_TRUE(v->v == 0.0f || v->v == -1.0f) << k;
            }
        }
    }
}

TEST_F(PieceMesh, spans_plus_minus_0_99_and_every_triangle_is_clockwise_from_outside)
{
    float extent = 0.0f;
    for (const softd3d::MeshVertex& v : geometry_->vertices)
        extent = std::max({ extent, std::abs(v.x), std::abs(v.y), std::abs(v.z) });
    EXPECT_NEAR(extent, 0.99f, kTolerance);
    for (std::size_t t = 0; t < geometry_->TriangleCount(); ++t) {
        const auto c = Corners(t);
        const Vec a = Position(*c[0]), b = Position(*c[1]), d = Position(*c[2]);
        const Vec centre { (a.x + b.x + d.x) / 3, (a.y + b.y + d.y) / 3, (a.z + b.z + d.z) / 3 };
        // Left-handed: clockwise seen from outside means (b - a) x (c - a) points outwards.
        EXPECT_GT(Dot(Cross(Sub(b, a), Sub(d, a)), centre), 0.0f) << "triangle " << t;
    }
}

TEST_F(PieceMesh, normals_keep_the_frame_scale_and_follow_the_z_mirror)
{
    for (const softd3d::MeshVertex& v : geometry_->vertices)
        EXPECT_NEAR(std::sqrt(v.nx * v.nx + v.ny * v.ny + v.nz * v.nz), 0.9f, kTolerance);
    // The file's +X sticker corner (1.1, -0.9, 0.9) lands at (0.99, -0.81, -0.81).
    bool found = false;
    for (const softd3d::MeshVertex& v : geometry_->vertices) {
        if (std::abs(v.x - 0.99f) < kTolerance && std::abs(v.y + 0.81f) < kTolerance
            && std::abs(v.z + 0.81f) < kTolerance) {
            found = true;
            EXPECT_NEAR(v.nx, 0.9f * 0.923856f, kTolerance);
            EXPECT_NEAR(v.ny, 0.9f * -0.270577f, kTolerance);
            EXPECT_NEAR(v.nz, 0.9f * -0.270577f, kTolerance);
        }
    }
    EXPECT_TRUE(found);
}

TEST_F(PieceMesh, top_sticker_shows_the_tile_upright_seen_from_above)
{
    // With -Z at the top of the view from above, the tile's top row (v = -1) runs along
    // z = -0.81 and its left column (u = 0) along x = +0.81.
    const platform::Subset& top = geometry_->subsets[2];
    for (std::uint32_t t = top.firstTriangle; t < top.firstTriangle + top.triangleCount; ++t) {
        for (const softd3d::MeshVertex* v : Corners(t)) {
            EXPECT_EQ(v->v == -1.0f, std::abs(v->z + 0.81f) < kTolerance);
            EXPECT_EQ(v->u == 0.0f, std::abs(v->x - 0.81f) < kTolerance);
        }
    }
}

TEST_F(PieceMesh, adjacency_closes_the_surface)
{
    ID3DXBuffer* adjacency = nullptr;
    ID3DXMesh* mesh = nullptr;
    ASSERT_EQ(D3DXLoadMeshFromXResource(nullptr, MAKEINTRESOURCEA(117), "X", 0, device_, &adjacency,
                  nullptr, nullptr, nullptr, &mesh),
        D3D_OK);
    ASSERT_EQ(adjacency->GetBufferSize(), 60u * 3 * sizeof(DWORD));
    const auto* n = static_cast<const DWORD*>(adjacency->GetBufferPointer());
    for (DWORD t = 0; t < 60; ++t) {
        for (int e = 0; e < 3; ++e) {
            const DWORD other = n[t * 3 + e];
            ASSERT_LT(other, 60u) << "triangle " << t << " edge " << e;
            EXPECT_TRUE(n[other * 3] == t || n[other * 3 + 1] == t || n[other * 3 + 2] == t);
        }
    }
    adjacency->Release();
    mesh->Release();
}

TEST_F(PieceMesh, draw_subset_draws_that_subsets_triangles_only)
{
    const D3DMATRIX identity { { { 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1 } } };
    // Half a turn about y and one unit away: the +Z sticker faces the eye at z = 0.01.
    const D3DMATRIX turned { { { -1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, 0, 0, 0, 1, 1 } } };
    device_->SetTransform(D3DTS_WORLD, &turned);
    device_->SetTransform(D3DTS_VIEW, &identity);
    device_->SetTransform(D3DTS_PROJECTION, &identity);
    device_->SetRenderState(D3DRS_LIGHTING, FALSE);
    device_->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    auto centre = [&] {
        const softd3d::FrameView frame = softd3d::BackBufferPixels(device_);
        return frame.pixels[(frame.height / 2) * frame.pitch + frame.width / 2] & 0xFFFFFFu;
    };
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device_->BeginScene();
    EXPECT_EQ(mesh_->DrawSubset(7), D3D_OK);
    EXPECT_EQ(mesh_->DrawSubset(0xFFFFFFFF), D3D_OK);
    EXPECT_EQ(centre(), 0u);
    // The +Z sticker covers the middle of the view.
    EXPECT_EQ(mesh_->DrawSubset(5), D3D_OK);
    device_->EndScene();
    EXPECT_NE(centre(), 0u);
}

TEST_F(PieceMesh, clones_to_any_position_normal_texture_format_and_keeps_its_device)
{
    const ULONG before = DeviceReferences();
    ID3DXMesh* clone = nullptr;
    ASSERT_EQ(
        mesh_->CloneMeshFVF(D3DXMESH_MANAGED, D3DFVF_XYZ | D3DFVF_TEX1, device_, &clone), D3D_OK);
    EXPECT_EQ(DeviceReferences(), before + 1);
    EXPECT_EQ(clone->GetFVF(), D3DFVF_XYZ | D3DFVF_TEX1);
    EXPECT_EQ(clone->GetOptions(), D3DXMESH_MANAGED);
    EXPECT_EQ(clone->GetNumFaces(), 60u);
    const platform::MeshGeometry* g = platform::GeometryOf(clone);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->vertices[3].nx, 0.0f);
    EXPECT_EQ(g->vertices[3].x, geometry_->vertices[3].x);
    EXPECT_EQ(g->vertices[3].u, geometry_->vertices[3].u);
    EXPECT_EQ(g->indices, geometry_->indices);

    // The original can go first: the clone stands alone.
    mesh_->Release();
    mesh_ = nullptr;
    EXPECT_EQ(clone->DrawSubset(1), D3D_OK);
    EXPECT_EQ(clone->AddRef(), 2u);
    EXPECT_EQ(clone->Release(), 1u);
    clone->Release();
    EXPECT_EQ(DeviceReferences(), before - 1);
}

TEST_F(PieceMesh, refuses_formats_beyond_position_normal_and_one_texture)
{
    ID3DXMesh* clone = reinterpret_cast<ID3DXMesh*>(this);
    EXPECT_EQ(mesh_->CloneMeshFVF(0, 0x142, device_, &clone), D3DERR_INVALIDCALL);
    EXPECT_EQ(clone, nullptr);
    EXPECT_EQ(mesh_->CloneMeshFVF(0, D3DFVF_NORMAL, device_, &clone), D3DERR_INVALIDCALL);
    EXPECT_EQ(mesh_->CloneMeshFVF(0, 0x112, nullptr, &clone), D3DERR_INVALIDCALL);
    EXPECT_EQ(mesh_->CloneMeshFVF(0, 0x112, device_, nullptr), D3DERR_INVALIDCALL);
}

class MeshLoadingFailures : public D3dx9DeviceTest { };

TEST_F(
    MeshLoadingFailures, fault_switch_missing_resource_and_bad_arguments_fail_with_outputs_cleared)
{
    ID3DXBuffer* materials = reinterpret_cast<ID3DXBuffer*>(this);
    ID3DXMesh* mesh = reinterpret_cast<ID3DXMesh*>(this);
    DWORD count = 99;
    softd3d::faults::FailCall(softd3d::faults::Call::LoadMesh, 1);
    EXPECT_TRUE(FAILED(D3DXLoadMeshFromXResource(nullptr, MAKEINTRESOURCEA(117), "X", 0, device_,
        nullptr, &materials, nullptr, &count, &mesh)));
    EXPECT_EQ(materials, nullptr);
    EXPECT_EQ(mesh, nullptr);
    EXPECT_EQ(count, 0u);

    EXPECT_EQ(D3DXLoadMeshFromXResource(nullptr, MAKEINTRESOURCEA(999), "X", 0, device_, nullptr,
                  &materials, nullptr, &count, &mesh),
        D3DXERR_INVALIDDATA);
    // The sticker bitmap is no mesh.
    EXPECT_TRUE(FAILED(D3DXLoadMeshFromXResource(nullptr, MAKEINTRESOURCEA(103),
        MAKEINTRESOURCEA(2), 0, device_, nullptr, &materials, nullptr, &count, &mesh)));
    EXPECT_EQ(D3DXLoadMeshFromXResource(nullptr, MAKEINTRESOURCEA(117), "X", 0, nullptr, nullptr,
                  &materials, nullptr, &count, &mesh),
        D3DERR_INVALIDCALL);
    EXPECT_EQ(mesh, nullptr);

    // The switch was for one call only.
    ASSERT_EQ(D3DXLoadMeshFromXResource(nullptr, MAKEINTRESOURCEA(117), "X", 0, device_, nullptr,
                  nullptr, nullptr, nullptr, &mesh),
        D3D_OK);
    mesh->Release();
}

TEST_F(MeshLoadingFailures, mutated_piece_files_fail_or_load_without_harm)
{
    const auto resource = platform::FindEmbeddedResource("X", MAKEINTRESOURCEA(117));
    ASSERT_TRUE(resource.has_value());
    const std::vector<std::uint8_t> original(resource->data, resource->data + resource->size);
    const ULONG references = DeviceReferences();
    // A fixed pseudo-random walk over single-byte changes: separators, digits, braces, junk.
    const char replacements[] = { ';', ',', '{', '}', '9', '-', '.', '"', '\0', 'e', ' ', '#' };
    std::uint32_t state = 12345;
    int loaded = 0;
    for (int i = 0; i < 1500; ++i) {
        state = state * 1664525u + 1013904223u;
        std::vector<std::uint8_t> bytes = original;
        bytes[(state >> 8) % bytes.size()]
            = static_cast<std::uint8_t>(replacements[(state >> 4) % 12]);
        ID3DXMesh* mesh = nullptr;
        ID3DXBuffer* materials = nullptr;
        DWORD count = 0;
        const HRESULT result = platform::LoadMeshFromXText(
            bytes.data(), bytes.size(), 0, device_, nullptr, &materials, nullptr, &count, &mesh);
        if (SUCCEEDED(result)) {
            ++loaded;
            ASSERT_NE(mesh, nullptr);
            for (DWORD s = 0; s < count; ++s)
                mesh->DrawSubset(s);
            mesh->Release();
            materials->Release();
        } else {
            EXPECT_EQ(mesh, nullptr);
            EXPECT_EQ(materials, nullptr);
        }
    }
    EXPECT_GT(loaded, 0); // changes inside numbers or white space still load
    EXPECT_EQ(DeviceReferences(), references);
}

} // namespace
