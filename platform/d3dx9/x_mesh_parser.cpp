#include "platform/d3dx9/x_mesh_parser.h"

#include <charconv>
#include <cmath>
#include <map>
#include <string_view>

#include "platform/d3dx9/d3dx9.h"
#include "platform/d3dx9/x_text_tokenizer.h"

namespace platform::xfile {
namespace {

constexpr Matrix kIdentity { 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1 };

Matrix Multiply(const Matrix& a, const Matrix& b)
{
    Matrix r {};
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k)
                sum += a[i * 4 + k] * b[k * 4 + j];
            r[i * 4 + j] = sum;
        }
    }
    return r;
}

// Separators are read loosely (exporters disagree on ';' versus ','), but every count is
// checked against what follows, so a file whose numbers do not line up still fails.
class Parser {
public:
    explicit Parser(std::string_view body)
        : tokens_(body)
    {
    }

    bool ParseFile(std::vector<Mesh>& meshes)
    {
        for (;;) {
            const Token token = tokens_.Next();
            if (token.kind == TokenKind::End)
                return true;
            if (token.kind != TokenKind::Name)
                return false;
            if (token.text == "template") {
                if (!SkipTemplate())
                    return false;
                continue;
            }
            if (!OpenObject())
                return false;
            bool ok;
            if (token.text == "Frame") {
                ok = ParseFrame(kIdentity, 1, meshes);
            } else if (token.text == "Mesh") {
                ok = ParseMesh(kIdentity, meshes);
            } else if (token.text == "Material") {
                Material ignored;
                ok = ParseMaterial(ignored);
            } else {
                ok = SkipBody();
            }
            if (!ok)
                return false;
        }
    }

private:
    bool Expect(TokenKind kind) { return tokens_.Next().kind == kind; }

    void SkipSeparators()
    {
        for (;;) {
            const TokenKind kind = tokens_.Peek().kind;
            if (kind != TokenKind::Semicolon && kind != TokenKind::Comma)
                return;
            tokens_.Next();
        }
    }

    bool ReadUInt(std::uint32_t& value)
    {
        SkipSeparators();
        const Token token = tokens_.Next();
        if (token.kind != TokenKind::Number)
            return false;
        const char* first = token.text.data();
        const char* last = first + token.text.size();
        if (first != last && *first == '+')
            ++first;
        std::uint64_t wide = 0;
        const auto [end, error] = std::from_chars(first, last, wide);
        if (error != std::errc() || end != last || first == last || wide > 0xFFFFFFFFu)
            return false;
        value = static_cast<std::uint32_t>(wide);
        return true;
    }

    bool ReadFloat(float& value)
    {
        SkipSeparators();
        const Token token = tokens_.Next();
        if (token.kind != TokenKind::Number)
            return false;
        const char* first = token.text.data();
        const char* last = first + token.text.size();
        if (first != last && *first == '+')
            ++first;
        const auto [end, error] = std::from_chars(first, last, value);
        return error == std::errc() && end == last && std::isfinite(value);
    }

    template <std::size_t N> bool ReadFloats(std::array<float, N>& values)
    {
        for (float& v : values) {
            if (!ReadFloat(v))
                return false;
        }
        return true;
    }

    // A count of items, each taking at least `minBytes` of text: a count the rest of the file
    // cannot hold is refused before anything is allocated for it.
    bool ReadCount(std::uint32_t& count, std::size_t minBytes)
    {
        if (!ReadUInt(count))
            return false;
        return count <= kMaxItems && count <= tokens_.Remaining() / minBytes;
    }

    // After the opening name: an optional object name, '{', an optional GUID.
    bool OpenObject()
    {
        Token token = tokens_.Next();
        if (token.kind == TokenKind::Name) {
            lastObjectName_ = token.text;
            token = tokens_.Next();
        } else {
            lastObjectName_ = {};
        }
        if (token.kind != TokenKind::OpenBrace)
            return false;
        if (tokens_.Peek().kind == TokenKind::Guid)
            tokens_.Next();
        return true;
    }

    // Skips the rest of an object whose '{' has been read, nested objects included.
    bool SkipBody()
    {
        std::size_t depth = 1;
        for (;;) {
            const Token token = tokens_.Next();
            switch (token.kind) {
            case TokenKind::End:
            case TokenKind::Invalid: return false;
            case TokenKind::OpenBrace: ++depth; break;
            case TokenKind::CloseBrace:
                if (--depth == 0)
                    return true;
                break;
            default: break;
            }
        }
    }

    bool SkipTemplate()
    {
        if (tokens_.Next().kind != TokenKind::Name)
            return false;
        if (!Expect(TokenKind::OpenBrace))
            return false;
        return SkipBody();
    }

    // "{ name }" standing for an object defined elsewhere; the '{' has been read.
    bool ReadReference(std::string_view& name)
    {
        const Token token = tokens_.Next();
        if (token.kind != TokenKind::Name)
            return false;
        name = token.text;
        if (tokens_.Peek().kind == TokenKind::Guid)
            tokens_.Next();
        return Expect(TokenKind::CloseBrace);
    }

    bool CloseObject()
    {
        SkipSeparators();
        return Expect(TokenKind::CloseBrace);
    }

    bool ParseFrame(const Matrix& parent, int depth, std::vector<Mesh>& meshes)
    {
        if (depth > kMaxFrameDepth)
            return false;
        // Meshes before the frame's own transform matrix get only the parent's transform.
        Matrix transform = parent;
        for (;;) {
            const Token token = tokens_.Next();
            if (token.kind == TokenKind::CloseBrace)
                return true;
            if (token.kind == TokenKind::OpenBrace) {
                std::string_view ignored;
                if (!ReadReference(ignored))
                    return false;
                continue;
            }
            if (token.kind != TokenKind::Name || !OpenObject())
                return false;
            bool ok;
            if (token.text == "FrameTransformMatrix") {
                Matrix local {};
                ok = ReadFloats(local) && CloseObject();
                transform = Multiply(local, parent);
            } else if (token.text == "Frame") {
                ok = ParseFrame(transform, depth + 1, meshes);
            } else if (token.text == "Mesh") {
                ok = ParseMesh(transform, meshes);
            } else {
                ok = SkipBody();
            }
            if (!ok)
                return false;
        }
    }

    bool ReadFaces(std::uint32_t indexLimit, std::vector<std::uint32_t>& starts,
        std::vector<std::uint32_t>& corners, std::uint32_t& faceCount)
    {
        if (!ReadCount(faceCount, 8))
            return false;
        starts.assign(1, 0);
        starts.reserve(faceCount + 1);
        corners.clear();
        for (std::uint32_t f = 0; f < faceCount; ++f) {
            std::uint32_t n = 0;
            if (!ReadCount(n, 2) || n < 3)
                return false;
            if (corners.size() + n > kMaxItems)
                return false;
            for (std::uint32_t i = 0; i < n; ++i) {
                std::uint32_t index = 0;
                if (!ReadUInt(index) || index >= indexLimit)
                    return false;
                corners.push_back(index);
            }
            starts.push_back(static_cast<std::uint32_t>(corners.size()));
        }
        return true;
    }

    bool ParseMesh(const Matrix& transform, std::vector<Mesh>& meshes)
    {
        Mesh mesh;
        mesh.transform = transform;
        std::uint32_t vertexCount = 0;
        if (!ReadCount(vertexCount, 6))
            return false;
        mesh.positions.resize(vertexCount);
        for (Float3& p : mesh.positions) {
            if (!ReadFloats(p))
                return false;
        }
        std::uint32_t faceCount = 0;
        if (!ReadFaces(vertexCount, mesh.faceStart, mesh.faceCorners, faceCount))
            return false;

        for (;;) {
            const Token token = tokens_.Next();
            if (token.kind == TokenKind::CloseBrace)
                break;
            if (token.kind == TokenKind::Comma || token.kind == TokenKind::Semicolon)
                continue;
            if (token.kind == TokenKind::OpenBrace) {
                std::string_view ignored;
                if (!ReadReference(ignored))
                    return false;
                continue;
            }
            if (token.kind != TokenKind::Name || !OpenObject())
                return false;
            bool ok;
            if (token.text == "MeshNormals") {
                ok = !mesh.hasNormals && ParseNormals(mesh);
            } else if (token.text == "MeshTextureCoords") {
                ok = !mesh.hasTextureCoords && ParseTextureCoords(mesh);
            } else if (token.text == "MeshMaterialList") {
                ok = !mesh.hasMaterialList && ParseMaterialList(mesh);
            } else {
                ok = SkipBody();
            }
            if (!ok)
                return false;
        }
        meshes.push_back(std::move(mesh));
        return true;
    }

    bool ParseNormals(Mesh& mesh)
    {
        std::uint32_t count = 0;
        if (!ReadCount(count, 6))
            return false;
        mesh.normals.resize(count);
        for (Float3& n : mesh.normals) {
            if (!ReadFloats(n))
                return false;
            const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
            if (!std::isfinite(length))
                return false;
            if (length > 0.0f) {
                for (float& c : n)
                    c /= length;
            }
        }
        std::vector<std::uint32_t> starts;
        std::uint32_t faceCount = 0;
        if (!ReadFaces(count, starts, mesh.normalCorners, faceCount))
            return false;
        // Every face needs a normal for each of its corners.
        if (starts != mesh.faceStart)
            return false;
        mesh.hasNormals = true;
        return CloseObject();
    }

    bool ParseTextureCoords(Mesh& mesh)
    {
        std::uint32_t count = 0;
        if (!ReadCount(count, 4) || count != mesh.positions.size())
            return false;
        mesh.textureCoords.resize(count);
        for (Float2& uv : mesh.textureCoords) {
            if (!ReadFloats(uv))
                return false;
        }
        mesh.hasTextureCoords = true;
        return CloseObject();
    }

    bool ParseMaterialList(Mesh& mesh)
    {
        std::uint32_t materialCount = 0;
        std::uint32_t indexCount = 0;
        if (!ReadCount(materialCount, 3) || !ReadCount(indexCount, 2))
            return false;
        if (indexCount != mesh.FaceCount())
            return false;
        mesh.faceMaterials.resize(indexCount);
        for (std::uint32_t& index : mesh.faceMaterials) {
            if (!ReadUInt(index) || index >= materialCount)
                return false;
        }
        for (;;) {
            const Token token = tokens_.Next();
            if (token.kind == TokenKind::CloseBrace)
                break;
            if (token.kind == TokenKind::Comma || token.kind == TokenKind::Semicolon)
                continue;
            if (token.kind == TokenKind::OpenBrace) {
                std::string_view name;
                if (!ReadReference(name))
                    return false;
                const auto found = namedMaterials_.find(name);
                if (found == namedMaterials_.end())
                    return false;
                mesh.materials.push_back(found->second);
                continue;
            }
            if (token.kind != TokenKind::Name || !OpenObject())
                return false;
            if (token.text == "Material") {
                Material material;
                if (!ParseMaterial(material))
                    return false;
                mesh.materials.push_back(std::move(material));
            } else if (!SkipBody()) {
                return false;
            }
            if (mesh.materials.size() > materialCount)
                return false;
        }
        if (mesh.materials.size() != materialCount)
            return false;
        mesh.hasMaterialList = true;
        return true;
    }

    bool ParseMaterial(Material& material)
    {
        const std::string_view name = lastObjectName_;
        if (!ReadFloats(material.faceColour) || !ReadFloat(material.power)
            || !ReadFloats(material.specular) || !ReadFloats(material.emissive)) {
            return false;
        }
        for (;;) {
            const Token token = tokens_.Next();
            if (token.kind == TokenKind::CloseBrace)
                break;
            if (token.kind == TokenKind::Comma || token.kind == TokenKind::Semicolon)
                continue;
            if (token.kind != TokenKind::Name || !OpenObject())
                return false;
            if (token.text == "TextureFilename") {
                const Token file = tokens_.Next();
                if (file.kind != TokenKind::String || !CloseObject())
                    return false;
                material.hasTexture = true;
                material.textureFilename.assign(file.text);
            } else if (!SkipBody()) {
                return false;
            }
        }
        if (!name.empty())
            namedMaterials_[std::string(name)] = material;
        return true;
    }

    Tokenizer tokens_;
    std::string_view lastObjectName_;
    std::map<std::string, Material, std::less<>> namedMaterials_;
};

} // namespace

HRESULT ParseXText(const std::uint8_t* data, std::size_t size, std::vector<Mesh>& meshes)
{
    meshes.clear();
    constexpr std::size_t kHeaderSize = 16;
    if (data == nullptr || size < kHeaderSize)
        return D3DXERR_INVALIDDATA;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string_view header = text.substr(0, kHeaderSize);
    const std::string_view version = header.substr(4, 4);
    const std::string_view floatSize = header.substr(12, 4);
    if (header.substr(0, 4) != "xof " || (version != "0302" && version != "0303")
        || (floatSize != "0032" && floatSize != "0064")) {
        return D3DXERR_INVALIDDATA;
    }
    const std::string_view format = header.substr(8, 4);
    if (format == "bin " || format == "tzip" || format == "bzip")
        return E_NOTIMPL;
    if (format != "txt ")
        return D3DXERR_INVALIDDATA;

    Parser parser(text.substr(kHeaderSize));
    if (!parser.ParseFile(meshes) || meshes.empty()) {
        meshes.clear();
        return D3DXERR_INVALIDDATA;
    }
    return D3D_OK;
}

} // namespace platform::xfile
