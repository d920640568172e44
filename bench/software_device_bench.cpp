// The software device drawing a frame like the viewer's: 27 bevelled, stickered pieces, lit by a
// point light at the eye, stickers trilinear-textured through the texture transform, 640x480.
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/software_device.h"

namespace {

using softd3d::MeshVertex;

struct V3 {
    float x, y, z;
};
V3 operator-(V3 a, V3 b)
{
    return { a.x - b.x, a.y - b.y, a.z - b.z };
}
V3 Cross(V3 a, V3 b)
{
    return { a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x };
}
float Dot(V3 a, V3 b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
V3 Normalized(V3 a)
{
    float l = std::sqrt(Dot(a, a));
    return { a.x / l, a.y / l, a.z / l };
}

// A piece: a chamfered body (6 faces, 12 edge bevels, 8 corners) and six sticker quads, one
// subset each, every face clockwise seen from outside.
struct PieceMesh {
    std::vector<MeshVertex> vertices;
    std::array<std::vector<std::uint32_t>, 7> subsets;

    void Face(int subset, const std::vector<V3>& corners, V3 normal, bool sticker)
    {
        const std::uint32_t base = static_cast<std::uint32_t>(vertices.size());
        const V3 n = Normalized(normal);
        for (std::size_t i = 0; i < corners.size(); ++i) {
            // Stickers span u 0..0.1 and v -1..0: one tile of the strip.
            const float u = (i == 1 || i == 2) ? 0.1f : 0.0f;
            const float v = (i >= 2) ? 0.0f : -1.0f;
            const V3 p = corners[i];
            vertices.push_back(
                { p.x, p.y, p.z, n.x * 0.9f, n.y * 0.9f, n.z * 0.9f, sticker ? u : 0, v });
        }
        for (std::uint32_t i = 1; i + 1 < corners.size(); ++i) {
            std::uint32_t a = base, b = base + i, c = base + i + 1;
            if (Dot(Cross(corners[i] - corners[0], corners[i + 1] - corners[0]), n) < 0)
                std::swap(b, c);
            subsets[subset].insert(subsets[subset].end(), { a, b, c });
        }
    }

    PieceMesh()
    {
        const float f = 0.9f, e = 0.8f, s = 0.99f, t = 0.81f;
        // Axis permutations: face k has normal along axis k / 2 with sign.
        for (int axis = 0; axis < 3; ++axis) {
            for (int sign : { 1, -1 }) {
                auto at = [&](float a, float b, float c) {
                    V3 p {};
                    float* q = &p.x;
                    q[axis] = a;
                    q[(axis + 1) % 3] = b;
                    q[(axis + 2) % 3] = c;
                    return p;
                };
                V3 normal = at(static_cast<float>(sign), 0, 0);
                Face(0,
                    { at(sign * f, -e, -e), at(sign * f, e, -e), at(sign * f, e, e),
                        at(sign * f, -e, e) },
                    normal, false);
                int slot = axis * 2 + (sign > 0 ? 0 : 1);
                Face(1 + slot,
                    { at(sign * s, -t, -t), at(sign * s, t, -t), at(sign * s, t, t),
                        at(sign * s, -t, t) },
                    normal, true);
                // Bevels between this face and the next axis' faces.
                for (int other : { 1, -1 }) {
                    Face(0,
                        { at(sign * f, other * e, -e), at(sign * e, other * f, -e),
                            at(sign * e, other * f, e), at(sign * f, other * e, e) },
                        at(static_cast<float>(sign), static_cast<float>(other), 0), false);
                }
            }
        }
        for (int sx : { 1, -1 }) {
            for (int sy : { 1, -1 }) {
                for (int sz : { 1, -1 }) {
                    Face(0,
                        { { sx * f, sy * e, sz * e }, { sx * e, sy * f, sz * e },
                            { sx * e, sy * e, sz * f } },
                        { static_cast<float>(sx), static_cast<float>(sy), static_cast<float>(sz) },
                        false);
                }
            }
        }
    }
};

D3DMATRIX Identity()
{
    D3DMATRIX m {};
    m._11 = m._22 = m._33 = m._44 = 1;
    return m;
}

D3DMATRIX LookAtLH(V3 eye, V3 at, V3 up)
{
    V3 z = Normalized(at - eye);
    V3 x = Normalized(Cross(up, z));
    V3 y = Cross(z, x);
    D3DMATRIX m = Identity();
    m._11 = x.x, m._21 = x.y, m._31 = x.z, m._41 = -Dot(x, eye);
    m._12 = y.x, m._22 = y.y, m._32 = y.z, m._42 = -Dot(y, eye);
    m._13 = z.x, m._23 = z.y, m._33 = z.z, m._43 = -Dot(z, eye);
    return m;
}

D3DMATRIX PerspectiveFovLH(float fovY, float aspect, float zn, float zf)
{
    D3DMATRIX m {};
    m._22 = 1.0f / std::tan(fovY / 2);
    m._11 = m._22 / aspect;
    m._33 = zf / (zf - zn);
    m._34 = 1;
    m._43 = -zn * zf / (zf - zn);
    return m;
}

// The sticker strip: ten flat tiles stretched to 512x32, with its full box-filtered mip chain.
std::vector<softd3d::TextureLevel> StickerLevels()
{
    const std::uint32_t tiles[10] = { 0xFFFFFFFF, 0xFFFF0000, 0xFF0000FF, 0xFFFF8000, 0xFF00A000,
        0xFFFFFF00, 0xFF8040C0, 0xFF202020, 0xFF808080, 0xFF00FFFF };
    std::vector<softd3d::TextureLevel> levels(1);
    levels[0].width = 512;
    levels[0].height = 32;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 512; ++x)
            levels[0].argb.push_back(tiles[x * 300 / 512 / 30]);
    }
    while (levels.back().width > 1 || levels.back().height > 1) {
        const softd3d::TextureLevel& from = levels.back();
        softd3d::TextureLevel to;
        to.width = std::max(1, from.width / 2);
        to.height = std::max(1, from.height / 2);
        for (int y = 0; y < to.height; ++y) {
            for (int x = 0; x < to.width; ++x) {
                std::uint32_t sum[4] = {};
                for (int k = 0; k < 4; ++k) {
                    int sx = std::min(from.width - 1, x * 2 + (k & 1));
                    int sy = std::min(from.height - 1, y * 2 + (k >> 1));
                    std::uint32_t t = from.argb[sy * from.width + sx];
                    for (int c = 0; c < 4; ++c)
                        sum[c] += (t >> (c * 8)) & 0xFF;
                }
                std::uint32_t texel = 0;
                for (int c = 0; c < 4; ++c)
                    texel |= ((sum[c] + 2) / 4) << (c * 8);
                to.argb.push_back(texel);
            }
        }
        levels.push_back(std::move(to));
    }
    return levels;
}

class FrameScene {
public:
    explicit FrameScene(float distance)
    {
        d3d_ = Direct3DCreate9(D3D_SDK_VERSION);
        D3DPRESENT_PARAMETERS p {};
        p.BackBufferWidth = 640;
        p.BackBufferHeight = 480;
        p.BackBufferFormat = D3DFMT_X8R8G8B8;
        p.BackBufferCount = 1;
        p.SwapEffect = D3DSWAPEFFECT_FLIP;
        p.Windowed = TRUE;
        p.EnableAutoDepthStencil = TRUE;
        p.AutoDepthStencilFormat = D3DFMT_D16;
        d3d_->CreateDevice(
            0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &p, &device_);
        device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
        device_->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
        device_->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
        device_->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
        device_->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
        device_->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
        device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        device_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        device_->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        softd3d::CreateTextureFromLevels(device_, StickerLevels(), D3DFMT_A8R8G8B8, &sticker_);

        const float k = distance / std::sqrt(3.0f);
        eye_ = { k, k, k };
        view_ = LookAtLH(eye_, Normalized({ -k, -k, -k }), Normalized({ -1, 2, -1 }));
        projection_ = PerspectiveFovLH(1.0471976f, 1.3333334f, 1.0f, 100.0f);
    }

    ~FrameScene()
    {
        sticker_->Release();
        device_->Release();
        d3d_->Release();
    }

    void Render()
    {
        device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
        device_->BeginScene();
        D3DLIGHT9 light {};
        light.Type = D3DLIGHT_POINT;
        light.Diffuse = { 1.0f, 1.0f, 0.9f, 0.0f };
        light.Position = { eye_.x, eye_.y, eye_.z };
        light.Range = 20.0f;
        light.Attenuation0 = 1.0f;
        device_->SetLight(0, &light);
        device_->LightEnable(0, TRUE);
        device_->SetRenderState(D3DRS_LIGHTING, TRUE);
        device_->SetRenderState(D3DRS_AMBIENT, 0xFFC8C0B8u);
        for (int cell = 0; cell < 27; ++cell) {
            D3DMATRIX world = Identity();
            world._41 = 2.0f * (cell % 3) - 2.0f;
            world._42 = 2.0f - 2.0f * (cell / 9);
            world._43 = 2.0f - 2.0f * ((cell / 3) % 3);
            device_->SetTransform(D3DTS_WORLD, &world);
            device_->SetTransform(D3DTS_VIEW, &view_);
            device_->SetTransform(D3DTS_PROJECTION, &projection_);
            for (int subset = 0; subset < 7; ++subset) {
                D3DMATERIAL9 material {};
                material.Diffuse = subset == 0 ? D3DCOLORVALUE { 0.1f, 0.1f, 0.1f, 1 }
                                               : D3DCOLORVALUE { 1, 1, 1, 1 };
                material.Ambient = material.Diffuse;
                device_->SetMaterial(&material);
                device_->SetTexture(0, subset == 0 ? nullptr : sticker_);
                if (subset > 0) {
                    D3DMATRIX shift = Identity();
                    shift._31 = 0.1f * static_cast<float>((cell + subset) % 10);
                    device_->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
                    device_->SetTransform(D3DTS_TEXTURE0, &shift);
                }
                const auto& indices = mesh_.subsets[subset];
                softd3d::DrawIndexedTriangles(device_, mesh_.vertices.data(), mesh_.vertices.size(),
                    indices.data(), indices.size() / 3);
            }
            device_->SetTexture(0, nullptr);
        }
        device_->EndScene();
        device_->Present(nullptr, nullptr, nullptr, nullptr);
    }

    void ClearAndPresent()
    {
        device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
        device_->Present(nullptr, nullptr, nullptr, nullptr);
    }

    int CoveredPixels()
    {
        softd3d::FrameView frame = softd3d::BackBufferPixels(device_);
        int count = 0;
        for (int i = 0; i < frame.width * frame.height; ++i)
            count += frame.pixels[i] != 0xFF000000u;
        return count;
    }

private:
    IDirect3D9* d3d_ = nullptr;
    IDirect3DDevice9* device_ = nullptr;
    IDirect3DTexture9* sticker_ = nullptr;
    PieceMesh mesh_;
    V3 eye_ {};
    D3DMATRIX view_ {}, projection_ {};
};

void BM_SolvedCubeFrame(benchmark::State& state)
{
    FrameScene scene(static_cast<float>(state.range(0)));
    for (auto _ : state)
        scene.Render();
    state.counters["covered_px"] = scene.CoveredPixels();
}
// Distance 12 is the start camera; 7 is the nearest zoom, where the cube fills the view.
BENCHMARK(BM_SolvedCubeFrame)->Arg(12)->Arg(7)->Unit(benchmark::kMillisecond);

void BM_ClearAndPresent(benchmark::State& state)
{
    FrameScene scene(12.0f);
    for (auto _ : state)
        scene.ClearAndPresent();
}
BENCHMARK(BM_ClearAndPresent)->Unit(benchmark::kMillisecond);

} // namespace
