#include "resources/generator/piece_mesh.h"

#include <array>
#include <cmath>
#include <cstdio>

namespace resgen {
namespace {

struct V3 {
    double x, y, z;
};
struct Uv {
    double u, v;
};
struct Corner {
    V3 p;
    Uv uv;
};
using Quad = std::array<Corner, 4>; // corners in the order the face lists them

V3 Add(V3 a, V3 b)
{
    return { a.x + b.x, a.y + b.y, a.z + b.z };
}
V3 Sub(V3 a, V3 b)
{
    return { a.x - b.x, a.y - b.y, a.z - b.z };
}
V3 Cross(V3 a, V3 b)
{
    return { a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x };
}
double Dot(V3 a, V3 b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
V3 Normalised(V3 a)
{
    const double len = std::sqrt(Dot(a, a));
    return { a.x / len, a.y / len, a.z / len };
}

// The stickers in the side order +X, +Y, -X, -Y, -Z, +Z of the file's coordinates. Their
// corner order is the one that winds clockwise seen from outside once the frame mirrors Z,
// and their texture coordinates cover the leftmost tile of the sticker bitmap.
const Quad kStickers[6] = {
    { { { { 1.1, 0.9, -0.9 }, { 0, -1 } }, { { 1.1, -0.9, -0.9 }, { 0.1, -1 } },
        { { 1.1, -0.9, 0.9 }, { 0.1, 0 } }, { { 1.1, 0.9, 0.9 }, { 0, 0 } } } },
    { { { { 0.9, 1.1, 0.9 }, { 0, -1 } }, { { -0.9, 1.1, 0.9 }, { 0.1, -1 } },
        { { -0.9, 1.1, -0.9 }, { 0.1, 0 } }, { { 0.9, 1.1, -0.9 }, { 0, 0 } } } },
    { { { { -1.1, -0.9, -0.9 }, { 0, -1 } }, { { -1.1, 0.9, -0.9 }, { 0.1, -1 } },
        { { -1.1, 0.9, 0.9 }, { 0.1, 0 } }, { { -1.1, -0.9, 0.9 }, { 0, 0 } } } },
    { { { { 0.9, -1.1, -0.9 }, { 0.1, -1 } }, { { -0.9, -1.1, -0.9 }, { 0, -1 } },
        { { -0.9, -1.1, 0.9 }, { 0, 0 } }, { { 0.9, -1.1, 0.9 }, { 0.1, 0 } } } },
    { { { { 0.9, 0.9, -1.1 }, { 0, -1 } }, { { -0.9, 0.9, -1.1 }, { 0.1, -1 } },
        { { -0.9, -0.9, -1.1 }, { 0.1, 0 } }, { { 0.9, -0.9, -1.1 }, { 0, 0 } } } },
    { { { { 0.9, 0.9, 1.1 }, { 0, -1 } }, { { 0.9, -0.9, 1.1 }, { 0.1, -1 } },
        { { -0.9, -0.9, 1.1 }, { 0.1, 0 } }, { { -0.9, 0.9, 1.1 }, { 0, 0 } } } },
};

const Uv kBevelUv[4] = { { 0, -1 }, { 1, -1 }, { 1, 0 }, { 0, 0 } };

// The body square under a sticker corner: 1.1 on the outward axis becomes 1.0, 0.9 becomes 1.0.
V3 BodyCorner(V3 p)
{
    return { std::copysign(1.0, p.x), std::copysign(1.0, p.y), std::copysign(1.0, p.z) };
}

struct Face {
    Quad corners;
    int material;
};

// Six groups of five faces: the four bevels of a side, then its sticker. A bevel shares the
// sticker edge c[i] -> c[i+1]; walking that edge backwards keeps the winding of the sticker.
std::array<Face, 30> BuildFaces()
{
    std::array<Face, 30> faces {};
    for (int side = 0; side < 6; ++side) {
        const Quad& s = kStickers[side];
        for (int i = 0; i < 4; ++i) {
            const Corner& a = s[i];
            const Corner& b = s[(i + 1) % 4];
            const Quad bevel = { { { b.p, kBevelUv[0] }, { a.p, kBevelUv[1] },
                { BodyCorner(a.p), kBevelUv[2] }, { BodyCorner(b.p), kBevelUv[3] } } };
            faces[side * 5 + i] = { bevel, 0 };
        }
        faces[side * 5 + 4] = { s, side + 1 };
    }
    return faces;
}

// Unit outward normal in the file's coordinates; the piece is convex around the origin.
V3 FaceNormal(const Quad& q)
{
    V3 n = Normalised(Cross(Sub(q[2].p, q[0].p), Sub(q[3].p, q[1].p)));
    const V3 centre = Add(Add(q[0].p, q[1].p), Add(q[2].p, q[3].p));
    return Dot(n, centre) < 0 ? V3 { -n.x, -n.y, -n.z } : n;
}

bool SamePoint(V3 a, V3 b)
{
    return std::fabs(a.x - b.x) + std::fabs(a.y - b.y) + std::fabs(a.z - b.z) < 1e-9;
}

// Six decimals, never "-0.000000".
std::string Num(double v)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6f", v);
    std::string s = buf;
    if (s == "-0.000000")
        s = "0.000000";
    return s;
}

std::string Vec(V3 v)
{
    return Num(v.x) + ";" + Num(v.y) + ";" + Num(v.z) + ";";
}

// Face f lists its own vertices as 4f, 4f+3, 4f+2, 4f+1, so corner k is stored at 4f + (4 - k) % 4.
int VertexOfCorner(int face, int corner)
{
    return 4 * face + (4 - corner) % 4;
}

std::string FaceIndexList(int faceCount)
{
    std::string out;
    for (int f = 0; f < faceCount; ++f) {
        out += "  4;" + std::to_string(4 * f) + "," + std::to_string(4 * f + 3) + ","
            + std::to_string(4 * f + 2) + "," + std::to_string(4 * f + 1) + ";"
            + (f + 1 < faceCount ? ",\n" : ";\n");
    }
    return out;
}

const char kTemplates[] = "template VertexDuplicationIndices {\n"
                          " <b8d65549-d7c9-4995-89cf-53a9a8b031e3>\n"
                          " DWORD nIndices;\n"
                          " DWORD nOriginalVertices;\n"
                          " array DWORD indices[nIndices];\n"
                          "}\n\n"
                          "template XSkinMeshHeader {\n"
                          " <3cf169ce-ff7c-44ab-93c0-f78f62d172e2>\n"
                          " WORD nMaxSkinWeightsPerVertex;\n"
                          " WORD nMaxSkinWeightsPerFace;\n"
                          " WORD nBones;\n"
                          "}\n\n"
                          "template SkinWeights {\n"
                          " <6f0d123b-bad2-4167-a0d0-80224f25fabb>\n"
                          " STRING transformNodeName;\n"
                          " DWORD nWeights;\n"
                          " array DWORD vertexIndices[nWeights];\n"
                          " array FLOAT weights[nWeights];\n"
                          " Matrix4x4 matrixOffset;\n"
                          "}\n\n";

const char kMaterials[] = "  Material Material {\n"
                          "   0.356046140194;0.354977697134;0.354977697134;1.000000;;\n"
                          "   0.500000;\n"
                          "   1.000000;1.000000;1.000000;;\n"
                          "   0.000000;0.000000;0.000000;;\n"
                          "  }\n";

} // namespace

std::string MakePieceMesh()
{
    const std::array<Face, 30> faces = BuildFaces();
    constexpr int kFaces = 30, kVertices = 120;

    std::array<Corner, kVertices> vertices {};
    for (int f = 0; f < kFaces; ++f)
        for (int k = 0; k < 4; ++k)
            vertices[VertexOfCorner(f, k)] = faces[f].corners[k];

    std::array<V3, kFaces> faceNormals {};
    for (int f = 0; f < kFaces; ++f)
        faceNormals[f] = FaceNormal(faces[f].corners);

    std::string out = "xof 0303txt 0032\n\n";
    out += kTemplates;
    out += "Frame Cube {\n\n";
    out += " FrameTransformMatrix {\n";
    out += "  0.900000,0.000000,0.000000,0.000000,\n";
    out += "  0.000000,0.900000,0.000000,0.000000,\n";
    out += "  0.000000,0.000000,-0.900000,0.000000,\n";
    out += "  0.000000,0.000000,0.000000,1.000000;;\n";
    out += " }\n\n";

    out += " Mesh {\n  " + std::to_string(kVertices) + ";\n";
    for (int i = 0; i < kVertices; ++i)
        out += "  " + Vec(vertices[i].p) + (i + 1 < kVertices ? ",\n" : ";\n");
    out += "  " + std::to_string(kFaces) + ";\n" + FaceIndexList(kFaces) + "\n";

    out += "  MeshMaterialList {\n   7;\n   " + std::to_string(kFaces) + ";\n";
    for (int f = 0; f < kFaces; ++f)
        out += "   " + std::to_string(faces[f].material) + (f + 1 < kFaces ? ",\n" : ";;\n");
    out += kMaterials;
    for (int m = 1; m <= 6; ++m) {
        out += "  Material Mat" + std::to_string(m) + " {\n";
        out += "   1.000000;1.000000;1.000000;1.000000;;\n";
        out += "   1.000000;\n";
        out += "   1.000000;1.000000;1.000000;;\n";
        out += "   0.000000;0.000000;0.000000;;\n";
        out += "   TextureFilename {\n    \"panel.bmp\";\n   }\n";
        out += "  }\n";
    }
    out += "  }\n\n";

    // A vertex normal sums the normals of every face with a corner at the vertex's position,
    // so the shared corners of neighbouring faces shade alike.
    out += "  MeshNormals {\n   " + std::to_string(kVertices) + ";\n";
    for (int i = 0; i < kVertices; ++i) {
        V3 sum { 0, 0, 0 };
        for (int f = 0; f < kFaces; ++f) {
            bool meets = false;
            for (const Corner& c : faces[f].corners)
                meets = meets || SamePoint(c.p, vertices[i].p);
            if (meets)
                sum = Add(sum, faceNormals[f]);
        }
        out += "   " + Vec(Normalised(sum)) + (i + 1 < kVertices ? ",\n" : ";\n");
    }
    out += "   " + std::to_string(kFaces) + ";\n" + FaceIndexList(kFaces);
    out += "  }\n\n";

    out += "  MeshTextureCoords {\n   " + std::to_string(kVertices) + ";\n";
    for (int i = 0; i < kVertices; ++i)
        out += "   " + Num(vertices[i].uv.u) + ";" + Num(vertices[i].uv.v) + ";"
            + (i + 1 < kVertices ? ",\n" : ";\n");
    out += "  }\n";
    out += " }\n}\n";
    return out;
}

} // namespace resgen
