#include "render/frame.h"

#include "cube/cubie.h"
#include "cube/frame_step.h"
#include "cube/layer_turn.h"
#include "geometry/camera.h"
#include "render/device.h"
#include "render/overlay.h"
#include "render/piece_mesh.h"
#include "render/view_flags.h"

namespace {

// A point light at the eye; with Range 20 a cube seen from farther away gets ambient light only.
void LightScene(IDirect3DDevice9* device)
{
    D3DLIGHT9 light = {};
    light.Type = D3DLIGHT_POINT;
    light.Diffuse = { 1.0f, 1.0f, 0.9f, 0.0f };
    const Vec3 eye = EyePosition();
    light.Position = { eye.x, eye.y, eye.z };
    light.Range = 20.0f;
    light.Attenuation0 = 1.0f;
    device->SetLight(0, &light);
    device->LightEnable(0, TRUE);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->SetRenderState(D3DRS_AMBIENT, 0xFFC8C0B8);
}

const D3DMATRIX* AsD3D(const Mat4& matrix)
{
    return reinterpret_cast<const D3DMATRIX*>(&matrix);
}

} // namespace

void RenderFrame(HWND window)
{
    if (DeviceIsGone()) {
        return;
    }
    IDirect3DDevice9* const device = d3dDevice;

    StartShuffleTurn();
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device->BeginScene();
    LightScene(device);

    Mat4 projection;
    BuildProjection(&projection);
    AdvanceTurn();

    for (Cubie& cubie : cubies) {
        // The layer test, the commit on the turn's last frame, and the pose, exactly as the
        // model steps a frame that is not drawn.
        const Mat4 world = PoseCubieForFrame(cubie);
        Mat4 view;
        BuildView(&view);
        device->SetTransform(D3DTS_WORLD, AsD3D(world));
        device->SetTransform(D3DTS_VIEW, AsD3D(view));
        device->SetTransform(D3DTS_PROJECTION, AsD3D(projection));
        DrawCubie(device, world, cubie);
    }

    if (overlayVisible) {
        DrawOverlay();
    }
    if (shuffling) {
        DrawShuffleBanner();
    }

    device->EndScene();
    if (FAILED(device->Present(nullptr, nullptr, nullptr, nullptr))) {
        RecoverLostDevice(window);
    }
}
