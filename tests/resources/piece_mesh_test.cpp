// The piece mesh as embedded: the .x text read back with a small number scanner, and its
// geometry checked in the model space the loader produces (frame transform applied).
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/resource/resource.h"
#include "resources/resource_ids.h"

using namespace platform;

namespace {

struct V {
    double x, y, z;
};
V Sub(V a, V b)
{
    return { a.x - b.x, a.y - b.y, a.z - b.z };
}
V Cross(V a, V b)
{
    return { a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x };
}
double Dot(V a, V b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
V ToModel(V p)
{
    return { 0.9 * p.x, 0.9 * p.y, -0.9 * p.z };
}

std::string MeshText()
{
    const std::optional<ResourceBytes> r
        = FindEmbeddedResource(RT_PIECE_MESH_TYPE, IntResource(IDR_PIECE_MESH));
    return r ? std::string(reinterpret_cast<const char*>(r->data), r->size) : std::string();
}

// The first count numbers after marker, skipping the separators of the .x text syntax.
std::vector<double> NumbersAfter(
    const std::string& text, const std::string& marker, std::size_t count)
{
    std::vector<double> out;
    std::size_t pos = text.find(marker);
    if (pos == std::string::npos)
        return out;
    const char* p = text.c_str() + pos + marker.size();
    while (out.size() < count && *p) {
        if ((*p >= '0' && *p <= '9') || *p == '-') {
            char* end = nullptr;
            const double v = std::strtod(p, &end);
            if (end == p) {
                ++p;
                continue;
            }
            out.push_back(v);
            p = end;
        } else {
            ++p;
        }
    }
    return out;
}

class PieceMesh : public ::testing::Test {
protected:
    void SetUp() override
    {
        text = MeshText();
        ASSERT_FALSE(text.empty());
        const std::vector<double> mesh = NumbersAfter(text, " Mesh {", 1 + 360 + 1 + 150);
        ASSERT_EQ(mesh.size(), 512u);
        ASSERT_EQ(mesh[0], 120);
        for (int i = 0; i < 120; ++i)
            positions[i] = { mesh[1 + 3 * i], mesh[2 + 3 * i], mesh[3 + 3 * i] };
        ASSERT_EQ(mesh[361], 30);
        faceLists.assign(mesh.begin() + 362, mesh.end());
        const std::vector<double> uv = NumbersAfter(text, "MeshTextureCoords {", 241);
        ASSERT_EQ(uv.size(), 241u);
        ASSERT_EQ(uv[0], 120);
        for (int i = 0; i < 120; ++i)
            uvs[i] = { uv[1 + 2 * i], uv[2 + 2 * i] };
    }
    // Corner k of face f in the order the face lists it.
    int Corner(int f, int k) const { return static_cast<int>(faceLists[5 * f + 1 + k]); }

    std::string text;
    std::array<V, 120> positions {};
    std::array<std::array<double, 2>, 120> uvs {};
    std::vector<double> faceLists;
};

} // namespace

TEST_F(PieceMesh, header_templates_and_frame_transform)
{
    EXPECT_EQ(text.rfind("xof 0303txt 0032", 0), 0u);
    EXPECT_NE(
        text.find("template VertexDuplicationIndices {\n <b8d65549-d7c9-4995-89cf-53a9a8b031e3>"),
        std::string::npos);
    EXPECT_NE(text.find("template XSkinMeshHeader {\n <3cf169ce-ff7c-44ab-93c0-f78f62d172e2>"),
        std::string::npos);
    EXPECT_NE(text.find("template SkinWeights {\n <6f0d123b-bad2-4167-a0d0-80224f25fabb>"),
        std::string::npos);
    EXPECT_NE(text.find("Frame Cube {"), std::string::npos);
    const std::vector<double> m = NumbersAfter(text, "FrameTransformMatrix {", 16);
    EXPECT_EQ(m, (std::vector<double> { 0.9, 0, 0, 0, 0, 0.9, 0, 0, 0, 0, -0.9, 0, 0, 0, 0, 1 }));
    for (unsigned char c : text)
        ASSERT_LT(c, 0x80) << "ASCII text";
}

TEST_F(PieceMesh, faces_own_four_vertices_listed_backwards_and_wind_clockwise_from_outside)
{
    for (int f = 0; f < 30; ++f) {
        ASSERT_EQ(faceLists[5 * f], 4);
        EXPECT_EQ((std::vector<int> { Corner(f, 0), Corner(f, 1), Corner(f, 2), Corner(f, 3) }),
            (std::vector<int> { 4 * f, 4 * f + 3, 4 * f + 2, 4 * f + 1 }));
        std::array<V, 4> c;
        for (int k = 0; k < 4; ++k)
            c[k] = ToModel(positions[Corner(f, k)]);
        const V centre = { (c[0].x + c[2].x) / 2, (c[0].y + c[2].y) / 2, (c[0].z + c[2].z) / 2 };
        // Left-handed model space: clockwise seen from outside means this normal points out.
        const V n = Cross(Sub(c[1], c[0]), Sub(c[2], c[0]));
        EXPECT_GT(Dot(n, centre), 0) << "face " << f;
        EXPECT_NEAR(Dot(n, Sub(c[3], c[0])), 0, 1e-9) << "face " << f << " is flat";
    }
}

TEST_F(PieceMesh, stickers_have_the_tabled_corners_and_tile_coordinates)
{
    struct Corner5 {
        V p;
        double u, v;
    };
    const Corner5 stickers[6][4] = {
        { { { 1.1, 0.9, -0.9 }, 0, -1 }, { { 1.1, -0.9, -0.9 }, 0.1, -1 },
            { { 1.1, -0.9, 0.9 }, 0.1, 0 }, { { 1.1, 0.9, 0.9 }, 0, 0 } },
        { { { 0.9, 1.1, 0.9 }, 0, -1 }, { { -0.9, 1.1, 0.9 }, 0.1, -1 },
            { { -0.9, 1.1, -0.9 }, 0.1, 0 }, { { 0.9, 1.1, -0.9 }, 0, 0 } },
        { { { -1.1, -0.9, -0.9 }, 0, -1 }, { { -1.1, 0.9, -0.9 }, 0.1, -1 },
            { { -1.1, 0.9, 0.9 }, 0.1, 0 }, { { -1.1, -0.9, 0.9 }, 0, 0 } },
        { { { 0.9, -1.1, -0.9 }, 0.1, -1 }, { { -0.9, -1.1, -0.9 }, 0, -1 },
            { { -0.9, -1.1, 0.9 }, 0, 0 }, { { 0.9, -1.1, 0.9 }, 0.1, 0 } },
        { { { 0.9, 0.9, -1.1 }, 0, -1 }, { { -0.9, 0.9, -1.1 }, 0.1, -1 },
            { { -0.9, -0.9, -1.1 }, 0.1, 0 }, { { 0.9, -0.9, -1.1 }, 0, 0 } },
        { { { 0.9, 0.9, 1.1 }, 0, -1 }, { { 0.9, -0.9, 1.1 }, 0.1, -1 },
            { { -0.9, -0.9, 1.1 }, 0.1, 0 }, { { -0.9, 0.9, 1.1 }, 0, 0 } },
    };
    // Model-space direction of face slots 0..5 (+X, +Y, -X, -Y, +Z, -Z): subset k is slot k - 1.
    const V slots[6]
        = { { 1, 0, 0 }, { 0, 1, 0 }, { -1, 0, 0 }, { 0, -1, 0 }, { 0, 0, 1 }, { 0, 0, -1 } };
    for (int g = 0; g < 6; ++g) {
        const int f = 5 * g + 4;
        const V facing
            = Cross(Sub(ToModel(positions[Corner(f, 1)]), ToModel(positions[Corner(f, 0)])),
                Sub(ToModel(positions[Corner(f, 2)]), ToModel(positions[Corner(f, 0)])));
        EXPECT_GT(Dot(facing, slots[g]), 0.99 * std::sqrt(Dot(facing, facing)))
            << "sticker " << g + 1;
        for (int k = 0; k < 4; ++k) {
            const int v = Corner(f, k);
            const Corner5& want = stickers[g][k];
            EXPECT_NEAR(positions[v].x, want.p.x, 1e-6) << "sticker " << g + 1 << " corner " << k;
            EXPECT_NEAR(positions[v].y, want.p.y, 1e-6) << "sticker " << g + 1 << " corner " << k;
            EXPECT_NEAR(positions[v].z, want.p.z, 1e-6) << "sticker " << g + 1 << " corner " << k;
            EXPECT_EQ(uvs[v][0], want.u);
            EXPECT_EQ(uvs[v][1], want.v);
        }
        // The bevels before it join the body square (half-width 1.0) to the sticker's edges.
        for (int b = 5 * g; b < 5 * g + 4; ++b) {
            int onSticker = 0;
            for (int k = 0; k < 4; ++k) {
                const V p = positions[Corner(b, k)];
                const double m = std::max({ std::fabs(p.x), std::fabs(p.y), std::fabs(p.z) });
                onSticker += std::fabs(m - 1.1) < 1e-6;
                if (std::fabs(m - 1.1) >= 1e-6) {
                    EXPECT_TRUE(std::fabs(p.x) == 1 && std::fabs(p.y) == 1 && std::fabs(p.z) == 1);
                }
            }
            EXPECT_EQ(onSticker, 2) << "bevel " << b;
            const double bevelUv[4][2] = { { 0, -1 }, { 1, -1 }, { 1, 0 }, { 0, 0 } };
            for (int k = 0; k < 4; ++k)
                EXPECT_EQ(uvs[Corner(b, k)][0], bevelUv[k][0]);
            for (int k = 0; k < 4; ++k)
                EXPECT_EQ(uvs[Corner(b, k)][1], bevelUv[k][1]);
        }
    }
    // On the +Y sticker the tile's top row (v = -1) lies along z = -0.81 and its left column
    // (u = 0) along x = +0.81 once the frame has mirrored Z.
    for (int k = 0; k < 4; ++k) {
        const int v = Corner(9, k);
        const V p = ToModel(positions[v]);
        if (uvs[v][1] == -1) {
            EXPECT_NEAR(p.z, -0.81, 1e-6);
        }
        if (uvs[v][0] == 0) {
            EXPECT_NEAR(p.x, 0.81, 1e-6);
        }
    }
}

TEST_F(PieceMesh, materials_and_material_list_give_one_sticker_per_subset)
{
    const std::vector<double> list = NumbersAfter(text, "MeshMaterialList {", 32);
    ASSERT_EQ(list.size(), 32u);
    EXPECT_EQ(list[0], 7);
    EXPECT_EQ(list[1], 30);
    for (int f = 0; f < 30; ++f)
        EXPECT_EQ(list[2 + f], f % 5 == 4 ? f / 5 + 1 : 0) << "face " << f;
    EXPECT_NE(
        text.find(
            "Material Material {\n   0.356046140194;0.354977697134;0.354977697134;1.000000;;\n"
            "   0.500000;\n   1.000000;1.000000;1.000000;;\n   0.000000;0.000000;0.000000;;\n  }"),
        std::string::npos);
    std::size_t after = text.find("Material Material {");
    for (int m = 1; m <= 6; ++m) {
        const std::string body = "Material Mat" + std::to_string(m)
            + " {\n   1.000000;1.000000;1.000000;1.000000;;\n   1.000000;\n   "
              "1.000000;1.000000;1.000000;;\n"
              "   0.000000;0.000000;0.000000;;\n   TextureFilename {\n    \"panel.bmp\";\n   }\n  "
              "}";
        const std::size_t at = text.find(body);
        EXPECT_NE(at, std::string::npos) << "Mat" << m;
        EXPECT_GT(at, after) << "materials in order";
        after = at;
    }
}

TEST_F(PieceMesh, normals_are_the_normalised_sums_of_the_faces_meeting_there)
{
    const std::vector<double> n = NumbersAfter(text, "MeshNormals {", 1 + 360 + 1 + 150);
    ASSERT_EQ(n.size(), 512u);
    EXPECT_EQ(n[0], 120);
    EXPECT_EQ(n[361], 30);
    EXPECT_EQ(std::vector<double>(n.begin() + 362, n.end()), faceLists)
        << "normal faces equal the mesh faces";
    bool sawStickerCorner = false, sawBodyCorner = false;
    for (int i = 0; i < 120; ++i) {
        const V normal = { n[1 + 3 * i], n[2 + 3 * i], n[3 + 3 * i] };
        EXPECT_NEAR(Dot(normal, normal), 1.0, 1e-5);
        EXPECT_GT(Dot(normal, positions[i]), 0) << "vertex " << i << " points outward";
        const V p = positions[i];
        if (p.x == 1.1 && p.y == -0.9 && p.z == 0.9) {
            sawStickerCorner = true;
            EXPECT_NEAR(normal.x, 0.923856, 5e-5);
            EXPECT_NEAR(normal.y, -0.270577, 5e-5);
            EXPECT_NEAR(normal.z, 0.270577, 5e-5);
        }
        if (p.x == 1 && p.y == 1 && p.z == 1) {
            sawBodyCorner = true;
            EXPECT_NEAR(normal.x, 0.57735, 1e-5);
            EXPECT_NEAR(normal.y, 0.57735, 1e-5);
            EXPECT_NEAR(normal.z, 0.57735, 1e-5);
        }
    }
    EXPECT_TRUE(sawStickerCorner);
    EXPECT_TRUE(sawBodyCorner);
}
