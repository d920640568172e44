#include "platform/d3d9/vertex_stage.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace softd3d {

namespace {

void Multiply(const D3DMATRIX& a, const D3DMATRIX& b, float out[4][4])
{
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            out[r][c] = a.m[r][0] * b.m[0][c] + a.m[r][1] * b.m[1][c] + a.m[r][2] * b.m[2][c]
                + a.m[r][3] * b.m[3][c];
        }
    }
}

D3DMATRIX ToMatrix(const float m[4][4])
{
    D3DMATRIX out;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c)
            out.m[r][c] = m[r][c];
    }
    return out;
}

// Inverse transpose of the upper 3x3 = cofactor matrix / determinant. A singular matrix gives
// zero normals (unlit by diffuse and specular), not NaNs.
void NormalMatrix(const float m[4][4], float out[3][4])
{
    float c[3][3];
    for (int r = 0; r < 3; ++r) {
        for (int k = 0; k < 3; ++k) {
            int r1 = (r + 1) % 3, r2 = (r + 2) % 3, k1 = (k + 1) % 3, k2 = (k + 2) % 3;
            c[r][k] = m[r1][k1] * m[r2][k2] - m[r1][k2] * m[r2][k1];
        }
    }
    float det = m[0][0] * c[0][0] + m[0][1] * c[0][1] + m[0][2] * c[0][2];
    float scale = std::fabs(det) > 1e-30f ? 1.0f / det : 0.0f;
    for (int r = 0; r < 3; ++r) {
        for (int k = 0; k < 3; ++k)
            out[r][k] = c[r][k] * scale;
    }
}

void Normalize(float v[3])
{
    float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (length > 0.0f) {
        v[0] /= length;
        v[1] /= length;
        v[2] /= length;
    }
}

D3DCOLORVALUE FromArgb(DWORD argb)
{
    return { static_cast<float>((argb >> 16) & 0xFF) / 255.0f,
        static_cast<float>((argb >> 8) & 0xFF) / 255.0f, static_cast<float>(argb & 0xFF) / 255.0f,
        static_cast<float>(argb >> 24) / 255.0f };
}

// Four floats in one register.
using Lanes = float __attribute__((vector_size(16)));

Lanes Row(const float row[4])
{
    Lanes lanes;
    std::memcpy(&lanes, row, sizeof(lanes));
    return lanes;
}

// (x, y, z, 1) times the matrix.
Lanes Transform(float x, float y, float z, const float m[4][4])
{
    return x * Row(m[0]) + y * Row(m[1]) + z * Row(m[2]) + Row(m[3]);
}

// A colour's red, green and blue in lanes 0 to 2 (its alpha, unused, in lane 3). Each lane takes
// the steps one channel would take alone: the same bits.
Lanes Rgb(const D3DCOLORVALUE& colour)
{
    static_assert(sizeof(colour) == sizeof(Lanes));
    Lanes lanes;
    std::memcpy(&lanes, &colour, sizeof(lanes));
    return lanes;
}

// Each lane clamped to 0..1; NaN stays NaN.
Lanes Clamp01(Lanes x)
{
    const Lanes zero {}, one { 1.0f, 1.0f, 1.0f, 1.0f };
    x = x < zero ? zero : x;
    return x > one ? one : x;
}

void PrepareLights(const DeviceState& state, VertexTransform& stage)
{
    const D3DMATRIX& view = state.view;
    stage.lightCount = 0;
    for (const LightSlot& slot : state.lights) {
        if (!slot.enabled)
            continue;
        const D3DLIGHT9& light = slot.light;
        CameraSpaceLight& out = stage.lights[stage.lightCount++];
        const D3DVECTOR& p = light.Position;
        for (int c = 0; c < 3; ++c) {
            out.position[c]
                = p.x * view.m[0][c] + p.y * view.m[1][c] + p.z * view.m[2][c] + view.m[3][c];
        }
        out.diffuse = light.Diffuse;
        out.specular = light.Specular;
        out.ambient = light.Ambient;
        out.range = light.Range;
        out.attenuation0 = light.Attenuation0;
        out.attenuation1 = light.Attenuation1;
        out.attenuation2 = light.Attenuation2;
    }
}

// Red, green and blue, as Rgb.
struct LightSums {
    Lanes ambient {};
    Lanes diffuse {};
    Lanes specular {};
};

// What a point light adds at camera-space position p with normal n.
void AddLight(const VertexTransform& stage, const CameraSpaceLight& light, const float p[3],
    const float n[3], LightSums& sums)
{
    const float dir[3]
        = { light.position[0] - p[0], light.position[1] - p[1], light.position[2] - p[2] };
    const float d = std::sqrt(dir[0] * dir[0] + dir[1] * dir[1] + dir[2] * dir[2]);
    // Beyond its range a light adds nothing, not even its ambient part.
    if (d > light.range)
        return;
    const float inverse = d > 0.0f ? 1.0f / d : 0.0f;
    const float l[3] = { dir[0] * inverse, dir[1] * inverse, dir[2] * inverse };
    const float denominator
        = light.attenuation0 + light.attenuation1 * d + light.attenuation2 * d * d;
    const float attenuation = denominator > 0.0f ? 1.0f / denominator : 1.0f;

    sums.ambient += Rgb(light.ambient) * attenuation;

    // The normal is used as transformed: an unnormalised normal scales the diffuse term.
    float nDotL = n[0] * l[0] + n[1] * l[1] + n[2] * l[2];
    if (!(nDotL > 0.0f))
        return;
    float diffuse = std::min(nDotL, 1.0f) * attenuation;
    sums.diffuse += Rgb(light.diffuse) * diffuse;

    if (!stage.specular)
        return;
    if (light.specular.r == 0.0f && light.specular.g == 0.0f && light.specular.b == 0.0f)
        return;
    float h[3];
    if (stage.localViewer) {
        float e[3] = { -p[0], -p[1], -p[2] };
        Normalize(e);
        h[0] = l[0] + e[0];
        h[1] = l[1] + e[1];
        h[2] = l[2] + e[2];
    } else {
        h[0] = l[0];
        h[1] = l[1];
        h[2] = l[2] - 1.0f;
    }
    Normalize(h);
    float nDotH = n[0] * h[0] + n[1] * h[1] + n[2] * h[2];
    if (!(nDotH > 0.0f))
        return;
    float specular = std::pow(nDotH, stage.material.Power) * attenuation;
    sums.specular += Rgb(light.specular) * specular;
}

// Fills in the clip-space position of `out`.
void TransformVertex(const VertexTransform& stage, const MeshVertex& in, ClipVertex& out)
{
    // Four columns at once, each summed in the same order as one at a time: the same bits.
    const Lanes clip = Transform(in.x, in.y, in.z, stage.worldViewProjection);
    out.x = clip[0];
    out.y = clip[1];
    out.z = clip[2];
    out.w = clip[3];
}

// Fills in the colours and texture coordinates of `out`.
void LightVertex(const VertexTransform& stage, const MeshVertex& in, ClipVertex& out)
{
    // A two-component coordinate is extended to (u, v, 1), so the third row translates.
    if (stage.textureTransform) {
        const auto& t = stage.texture;
        out.u = in.u * t[0][0] + in.v * t[1][0] + t[2][0];
        out.v = in.u * t[0][1] + in.v * t[1][1] + t[2][1];
    } else {
        out.u = in.u;
        out.v = in.v;
    }

    if (!stage.lighting) {
        // Unlit and without vertex colours: opaque white diffuse, no specular.
        out.r = out.g = out.b = 255.0f;
        out.sr = out.sg = out.sb = 0.0f;
        return;
    }

    const Lanes camera = Transform(in.x, in.y, in.z, stage.worldView);
    const auto& nm = stage.normalMatrix;
    const Lanes normal = in.nx * Row(nm[0]) + in.ny * Row(nm[1]) + in.nz * Row(nm[2]);
    float p[3] = { camera[0], camera[1], camera[2] };
    float n[3] = { normal[0], normal[1], normal[2] };
    if (stage.normalizeNormals)
        Normalize(n);

    LightSums sums;
    for (int i = 0; i < stage.lightCount; ++i)
        AddLight(stage, stage.lights[i], p, n, sums);

    const D3DMATERIAL9& mat = stage.material;
    const Lanes diffuse = Clamp01(Rgb(mat.Ambient) * (Rgb(stage.ambient) + sums.ambient)
                              + Rgb(mat.Diffuse) * sums.diffuse + Rgb(mat.Emissive))
        * 255.0f;
    const Lanes specular
        = stage.specular ? Clamp01(Rgb(mat.Specular) * sums.specular) * 255.0f : Lanes {};
    out.r = diffuse[0];
    out.g = diffuse[1];
    out.b = diffuse[2];
    out.sr = specular[0];
    out.sg = specular[1];
    out.sb = specular[2];
}

} // namespace

void PrepareVertexTransform(const DeviceState& state, VertexTransform& stage)
{
    if (stage.transformVersion != state.transformVersion) {
        stage.transformVersion = state.transformVersion;
        Multiply(state.world, state.view, stage.worldView);
        Multiply(ToMatrix(stage.worldView), state.projection, stage.worldViewProjection);
        NormalMatrix(stage.worldView, stage.normalMatrix);
        PrepareLights(state, stage);
    }
    const auto& rs = state.render;
    stage.lighting = rs[D3DRS_LIGHTING] != FALSE;
    stage.specular = rs[D3DRS_SPECULARENABLE] != FALSE;
    stage.localViewer = rs[D3DRS_LOCALVIEWER] != FALSE;
    stage.normalizeNormals = rs[D3DRS_NORMALIZENORMALS] != FALSE;
    stage.ambient = FromArgb(rs[D3DRS_AMBIENT]);
    stage.material = state.material;
    stage.textureTransform = state.stage[0][D3DTSS_TEXTURETRANSFORMFLAGS] != D3DTTFF_DISABLE;
    for (int r = 0; r < 3; ++r) {
        stage.texture[r][0] = state.texture0.m[r][0];
        stage.texture[r][1] = state.texture0.m[r][1];
    }
}

inline void VertexStage::Position(const MeshVertex* vertices, std::uint32_t index)
{
    if (positionedStamp_[index] != drawStamp_) {
        positionedStamp_[index] = drawStamp_;
        TransformVertex(transform_, vertices[index], processed_[index].clip);
        clipper_.Classify(processed_[index]);
    }
}

inline void VertexStage::Light(const MeshVertex* vertices, std::uint32_t index)
{
    if (litStamp_[index] != drawStamp_) {
        litStamp_[index] = drawStamp_;
        LightVertex(transform_, vertices[index], processed_[index].clip);
        clipper_.Attributes(processed_[index]);
    }
}

void VertexStage::NextDraw(std::size_t vertexCount)
{
    if (processed_.size() < vertexCount) {
        processed_.resize(vertexCount);
        positionedStamp_.resize(vertexCount, drawStamp_);
        litStamp_.resize(vertexCount, drawStamp_);
    }
    if (++drawStamp_ == 0) {
        std::fill(positionedStamp_.begin(), positionedStamp_.end(), 0u);
        std::fill(litStamp_.begin(), litStamp_.end(), 0u);
        drawStamp_ = 1;
    }
}

void VertexStage::Process(const DrawCall& call, DrawnTriangles* capture, Clipper::Output output)
{
    PrepareVertexTransform(*call.state, transform_);
    clipper_.BeginDraw(call, capture, output);
    NextDraw(call.vertexCount);
    const std::uint32_t* corners = call.indices;
    for (std::size_t t = 0; t < call.triangleCount; ++t, corners += 3) {
        if (corners[0] >= call.vertexCount || corners[1] >= call.vertexCount
            || corners[2] >= call.vertexCount)
            continue;
        for (int k = 0; k < 3; ++k)
            Position(call.vertices, corners[k]);
        const ProcessedVertex& a = processed_[corners[0]];
        const ProcessedVertex& b = processed_[corners[1]];
        const ProcessedVertex& c = processed_[corners[2]];
        // The positions decide whether the triangle can show; only then is it worth lighting.
        if (!clipper_.MayShow(a, b, c))
            continue;
        for (int k = 0; k < 3; ++k)
            Light(call.vertices, corners[k]);
        clipper_.Triangle(a, b, c);
    }
    clipper_.EndDraw();
}

} // namespace softd3d
