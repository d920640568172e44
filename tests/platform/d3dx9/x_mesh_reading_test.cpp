// The .x text reader and the geometry built from it, without a device.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/d3dx9/d3dx9.h"
#include "platform/d3dx9/mesh_geometry.h"
#include "platform/d3dx9/x_mesh_parser.h"

namespace {

using platform::MeshGeometry;
using platform::xfile::Material;

struct Loaded {
    HRESULT result = E_FAIL;
    MeshGeometry geometry;
    std::vector<Material> materials;
};

Loaded Load(const std::string& text)
{
    Loaded loaded;
    std::vector<platform::xfile::Mesh> meshes;
    loaded.result = platform::xfile::ParseXText(
        reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), meshes);
    if (SUCCEEDED(loaded.result))
        loaded.result = platform::BuildMeshGeometry(meshes, loaded.geometry, loaded.materials);
    return loaded;
}

const char* const kHeader = "xof 0303txt 0032\n";

// A unit quad in z = 0 with normals, texture coordinates and two materials, one by reference.
std::string QuadMesh(const std::string& frameMatrix = "")
{
    std::string text = kHeader;
    text += R"(// a comment { with a brace
template Unused { <01234567-89ab-cdef-0123-456789abcdef> DWORD n; }
Material Named { 0.1;0.2;0.3;1.0;; 7.0; 0.4;0.5;0.6;; 0.7;0.8;0.9;; }
Frame Root {
  )" + frameMatrix
        + R"(
  Mesh Quad {
    4;
    0.0;0.0;0.0;, 1.0;0.0;0.0;, 1.0;1.0;0.0;, 0.0;1.0;0.0;;
    2;
    3;0,1,2;,
    3;0,2,3;;
    MeshNormals { 1; 0.0;0.0;-2.0;; 2; 3;0,0,0;, 3;0,0,0;; }
    MeshTextureCoords { 4; 0.0;1.0;, 1.0;1.0;, 1.0;0.0;, 0.0;0.0;; }
    MeshMaterialList {
      2; 2; 1, 0;;
      Material { 1.0;1.0;1.0;1.0;; 1.0; 1.0;1.0;1.0;; 0.0;0.0;0.0;; TextureFilename { "tile.bmp"; } }
      { Named }
    }
  }
}
)";
    return text;
}

TEST(XMeshReading, reads_positions_normals_uvs_and_materials)
{
    const Loaded loaded = Load(QuadMesh());
    ASSERT_EQ(loaded.result, D3D_OK);
    EXPECT_EQ(loaded.geometry.fvf, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
    ASSERT_EQ(loaded.geometry.vertices.size(), 4u);
    const softd3d::MeshVertex& v2 = loaded.geometry.vertices[2];
    EXPECT_FLOAT_EQ(v2.x, 1.0f);
    EXPECT_FLOAT_EQ(v2.y, 1.0f);
    EXPECT_FLOAT_EQ(v2.u, 1.0f);
    EXPECT_FLOAT_EQ(v2.v, 0.0f);
    // Normals are normalised as they are read.
    EXPECT_FLOAT_EQ(v2.nz, -1.0f);

    ASSERT_EQ(loaded.materials.size(), 2u);
    EXPECT_TRUE(loaded.materials[0].hasTexture);
    EXPECT_EQ(loaded.materials[0].textureFilename, "tile.bmp");
    EXPECT_FALSE(loaded.materials[1].hasTexture);
    EXPECT_FLOAT_EQ(loaded.materials[1].faceColour[2], 0.3f);
    EXPECT_FLOAT_EQ(loaded.materials[1].power, 7.0f);
    EXPECT_FLOAT_EQ(loaded.materials[1].specular[1], 0.5f);
    EXPECT_FLOAT_EQ(loaded.materials[1].emissive[2], 0.9f);
}

TEST(XMeshReading, subsets_hold_each_materials_faces_in_file_order)
{
    const Loaded loaded = Load(QuadMesh());
    ASSERT_EQ(loaded.result, D3D_OK);
    const MeshGeometry& g = loaded.geometry;
    ASSERT_EQ(g.subsets.size(), 2u);
    // Face 1 has material 0, face 0 material 1: the sort moves face 1 first.
    EXPECT_EQ(g.subsets[0].firstTriangle, 0u);
    EXPECT_EQ(g.subsets[0].triangleCount, 1u);
    EXPECT_EQ(g.subsets[1].firstTriangle, 1u);
    EXPECT_EQ(g.subsets[1].triangleCount, 1u);
    const std::vector<std::uint32_t> expected { 0, 2, 3, 0, 1, 2 };
    EXPECT_EQ(g.indices, expected);
}

TEST(XMeshReading, nested_frame_transforms_apply_child_first_to_positions_and_normals)
{
    // Outer frame translates by (10, 0, 0), the inner one scales by 2: a point is scaled, then
    // moved. The normal goes through the same transform-coord, translation included.
    std::string text = kHeader;
    text += R"(
Frame Outer {
  FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 10,0,0,1;; }
  Frame Inner {
    FrameTransformMatrix { 2,0,0,0, 0,2,0,0, 0,0,2,0, 0,0,0,1;; }
    Mesh { 3; 1;0;0;, 0;1;0;, 0;0;1;; 1; 3;0,1,2;;
      MeshNormals { 1; 0;0;1;; 1; 3;0,0,0;; } }
  }
})";
    const Loaded loaded = Load(text);
    ASSERT_EQ(loaded.result, D3D_OK);
    const softd3d::MeshVertex& v = loaded.geometry.vertices[0];
    EXPECT_FLOAT_EQ(v.x, 12.0f);
    EXPECT_FLOAT_EQ(v.y, 0.0f);
    EXPECT_FLOAT_EQ(v.nx, 10.0f);
    EXPECT_FLOAT_EQ(v.nz, 2.0f);
}

TEST(XMeshReading, mirroring_frame_scales_normals_without_renormalising)
{
    const Loaded loaded
        = Load(QuadMesh("FrameTransformMatrix { 0.9,0,0,0, 0,0.9,0,0, 0,0,-0.9,0, 0,0,0,1;; }"));
    ASSERT_EQ(loaded.result, D3D_OK);
    const softd3d::MeshVertex& v = loaded.geometry.vertices[1];
    EXPECT_FLOAT_EQ(v.x, 0.9f);
    EXPECT_FLOAT_EQ(v.nz, 0.9f);
    EXPECT_NEAR(std::sqrt(v.nx * v.nx + v.ny * v.ny + v.nz * v.nz), 0.9f, 1e-6f);
}

TEST(XMeshReading, polygons_become_fans_from_their_first_corner)
{
    std::string text = kHeader;
    text += "Mesh { 5; 0;0;0;, 1;0;0;, 2;1;0;, 1;2;0;, 0;1;0;; 1; 5;0,1,2,3,4;; }";
    const Loaded loaded = Load(text);
    ASSERT_EQ(loaded.result, D3D_OK);
    const std::vector<std::uint32_t> expected { 0, 1, 2, 0, 2, 3, 0, 3, 4 };
    EXPECT_EQ(loaded.geometry.indices, expected);
    EXPECT_EQ(loaded.geometry.fvf, D3DFVF_XYZ);
    // No material list: one default material, all faces in subset 0.
    ASSERT_EQ(loaded.materials.size(), 1u);
    EXPECT_EQ(loaded.geometry.subsets[0].triangleCount, 3u);
}

TEST(XMeshReading, a_position_with_two_normals_is_duplicated_once)
{
    std::string text = kHeader;
    text += R"(Mesh { 4; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;; 2; 3;0,1,2;, 3;0,2,3;;
  MeshNormals { 2; 0;0;1;, 0;1;0;; 2; 3;0,0,0;, 3;1,1,0;; } })";
    const Loaded loaded = Load(text);
    ASSERT_EQ(loaded.result, D3D_OK);
    // Vertices 0 and 2 come back with normal 1 in the second face; vertex 3 is first met there.
    ASSERT_EQ(loaded.geometry.vertices.size(), 6u);
    const std::vector<std::uint32_t> expected { 0, 1, 2, 4, 5, 3 };
    EXPECT_EQ(loaded.geometry.indices, expected);
    EXPECT_FLOAT_EQ(loaded.geometry.vertices[4].ny, 1.0f);
    EXPECT_FLOAT_EQ(loaded.geometry.vertices[4].x, 0.0f);
    EXPECT_FLOAT_EQ(loaded.geometry.vertices[0].nz, 1.0f);
}

TEST(XMeshReading, accepts_format_0302_and_hash_comments)
{
    const std::string text = "xof 0302txt 0064\n# old style comment\n"
                             "Header { 1; 0; 1; }\n"
                             "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }\n";
    EXPECT_EQ(Load(text).result, D3D_OK);
}

struct BadCase {
    const char* name;
    std::string text;
};

std::string WithBody(const std::string& body)
{
    return kHeader + body;
}

const char* const kTriangle = "3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;";

TEST(XMeshReading, malformed_files_fail_cleanly)
{
    const std::vector<BadCase> cases = {
        { "empty", "" },
        { "header only", kHeader },
        { "binary format", "xof 0303bin 0032" + std::string(40, '\0') },
        { "unknown version", "xof 0201txt 0032 Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }" },
        { "no mesh at all", WithBody("Frame F { }") },
        { "missing closing brace", WithBody(std::string("Mesh { ") + kTriangle) },
        { "missing frame brace", WithBody(std::string("Frame { Mesh { ") + kTriangle + "}") },
        { "vertex count too high", WithBody("Mesh { 4; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }") },
        { "vertex count too low", WithBody("Mesh { 2; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }") },
        { "absurd vertex count", WithBody("Mesh { 4000000000; 0;0;0;; 0; }") },
        { "absurd face count",
            WithBody("Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 999999999; 3;0,1,2;; }") },
        { "absurd corner count",
            WithBody("Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 4000000000;0,1,2;; }") },
        { "index out of range", WithBody("Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,3;; }") },
        { "two-cornered face", WithBody("Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 2;0,1;; }") },
        { "negative count", WithBody("Mesh { -3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }") },
        { "fractional index", WithBody("Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1.5,2;; }") },
        { "nan coordinate", WithBody("Mesh { 3; nan;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }") },
        { "overflowing coordinate",
            WithBody("Mesh { 3; 1e60;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }") },
        { "no faces", WithBody("Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 0;; }") },
        { "unterminated string",
            WithBody(std::string("Mesh { ") + kTriangle
                + " MeshMaterialList { 1; 1; 0;; Material { 1;1;1;1;; 1; 1;1;1;; 0;0;0;; "
                  "TextureFilename { \"panel.bmp") },
        { "material list with fewer indices than faces",
            WithBody(
                "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 2; 3;0,1,2;, 3;2,1,0;; "
                "MeshMaterialList { 1; 1; 0;; Material { 1;1;1;1;; 1; 1;1;1;; 0;0;0;; } } }") },
        { "material index out of range",
            WithBody(std::string("Mesh { ") + kTriangle
                + " MeshMaterialList { 1; 1; 1;; Material { 1;1;1;1;; 1; 1;1;1;; 0;0;0;; } } }") },
        { "fewer materials than declared",
            WithBody(std::string("Mesh { ") + kTriangle
                + " MeshMaterialList { 2; 1; 0;; Material { 1;1;1;1;; 1; 1;1;1;; 0;0;0;; } } }") },
        { "material missing emissive",
            WithBody(std::string("Mesh { ") + kTriangle
                + " MeshMaterialList { 1; 1; 0;; Material { 1;1;1;1;; 1; 1;1;1;; } } }") },
        { "unknown material reference",
            WithBody(std::string("Mesh { ") + kTriangle
                + " MeshMaterialList { 1; 1; 0;; { Nope } } }") },
        { "normal faces differ from faces",
            WithBody(std::string("Mesh { ") + kTriangle
                + " MeshNormals { 1; 0;0;1;; 1; 4;0,0,0,0;; } }") },
        { "normal index out of range",
            WithBody(std::string("Mesh { ") + kTriangle
                + " MeshNormals { 1; 0;0;1;; 1; 3;0,1,0;; } }") },
        { "texture coordinate count differs",
            WithBody(
                std::string("Mesh { ") + kTriangle + " MeshTextureCoords { 2; 0;0;, 1;1;; } }") },
        { "short frame matrix",
            WithBody(std::string("Frame { FrameTransformMatrix { 1,0,0,0, 0,1,0,0;; } Mesh { ")
                + kTriangle + " } }") },
        { "degenerate frame matrix",
            WithBody(
                std::string("Frame { FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,0;; } "
                            "Mesh { ")
                + kTriangle + " } }") },
        { "stray character", WithBody(std::string("Mesh { ") + kTriangle + " @ }") },
        { "stray numbers after the faces", WithBody(std::string("Mesh { ") + kTriangle + " 5; }") },
    };
    for (const BadCase& c : cases) {
        const Loaded loaded = Load(c.text);
        EXPECT_TRUE(FAILED(loaded.result)) << c.name;
    }
}

TEST(XMeshReading, deep_frame_nesting_fails_instead_of_exhausting_the_stack)
{
    std::string text = kHeader;
    for (int i = 0; i < 100000; ++i)
        text += "Frame{";
    EXPECT_EQ(Load(text).result, D3DXERR_INVALIDDATA);
    // Deep nesting inside an object that is skipped is counted, not recursed into.
    std::string skipped = kHeader;
    skipped += "Unknown {";
    for (int i = 0; i < 100000; ++i)
        skipped += "{";
    EXPECT_EQ(Load(skipped).result, D3DXERR_INVALIDDATA);
}

TEST(XMeshReading, every_truncation_of_a_valid_file_fails)
{
    const std::string text = QuadMesh();
    const std::size_t lastBrace = text.rfind('}');
    for (std::size_t size = 0; size < lastBrace; ++size)
        EXPECT_TRUE(FAILED(Load(text.substr(0, size)).result)) << "length " << size;
    EXPECT_EQ(Load(text.substr(0, lastBrace + 1)).result, D3D_OK);
}

} // namespace
