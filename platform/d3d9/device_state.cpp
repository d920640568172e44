#include "platform/d3d9/device_state.h"

#include <atomic>

#include <cmath>

namespace softd3d {

D3DMATRIX IdentityMatrix()
{
    D3DMATRIX m {};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

std::uint64_t NewSettledSerial()
{
    static std::atomic<std::uint64_t> last { 0 };
    return ++last;
}

void SetDefaultState(DeviceState& state, bool hasDepthBuffer)
{
    state.settledSerial = NewSettledSerial();
    state.render.fill(0);
    state.render[D3DRS_ZENABLE] = hasDepthBuffer ? D3DZB_TRUE : D3DZB_FALSE;
    state.render[D3DRS_FILLMODE] = 3; // D3DFILL_SOLID
    state.render[D3DRS_SHADEMODE] = 2; // D3DSHADE_GOURAUD
    state.render[D3DRS_ZWRITEENABLE] = TRUE;
    state.render[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    state.render[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    state.render[D3DRS_CULLMODE] = D3DCULL_CCW;
    state.render[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
    state.render[D3DRS_ALPHABLENDENABLE] = FALSE;
    state.render[D3DRS_SPECULARENABLE] = FALSE;
    state.render[D3DRS_LIGHTING] = TRUE;
    state.render[D3DRS_AMBIENT] = 0;
    state.render[D3DRS_COLORVERTEX] = TRUE;
    state.render[D3DRS_LOCALVIEWER] = TRUE;
    state.render[D3DRS_NORMALIZENORMALS] = FALSE;
    state.render[D3DRS_DIFFUSEMATERIALSOURCE] = 1; // D3DMCS_COLOR1
    state.render[D3DRS_SPECULARMATERIALSOURCE] = 2; // D3DMCS_COLOR2
    state.render[D3DRS_AMBIENTMATERIALSOURCE] = 0; // D3DMCS_MATERIAL
    state.render[D3DRS_EMISSIVEMATERIALSOURCE] = 0;

    for (auto& sampler : state.sampler) {
        sampler.fill(0);
        sampler[D3DSAMP_ADDRESSU] = D3DTADDRESS_WRAP;
        sampler[D3DSAMP_ADDRESSV] = D3DTADDRESS_WRAP;
        sampler[D3DSAMP_ADDRESSW] = D3DTADDRESS_WRAP;
        sampler[D3DSAMP_MAGFILTER] = D3DTEXF_POINT;
        sampler[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
        sampler[D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
    }

    // Stage 0 modulates the texture with the diffuse colour.
    auto& stage = state.stage[0];
    stage.fill(0);
    stage[D3DTSS_COLOROP] = D3DTOP_MODULATE;
    stage[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    stage[D3DTSS_COLORARG2] = D3DTA_CURRENT;
    stage[D3DTSS_ALPHAOP] = D3DTOP_SELECTARG1;
    stage[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    stage[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
    stage[D3DTSS_TEXCOORDINDEX] = 0;
    stage[D3DTSS_TEXTURETRANSFORMFLAGS] = D3DTTFF_DISABLE;

    state.world = state.view = state.projection = state.texture0 = IdentityMatrix();
    state.material = D3DMATERIAL9 {};
    for (auto& slot : state.lights)
        slot = LightSlot {};
    ++state.transformVersion;
}

namespace {

bool IsBoolean(DWORD value)
{
    return value == FALSE || value == TRUE;
}

bool IsTextureArgument(DWORD value)
{
    return value == D3DTA_DIFFUSE || value == D3DTA_CURRENT || value == D3DTA_TEXTURE;
}

} // namespace

bool IsRenderStateImplemented(D3DRENDERSTATETYPE state, DWORD value)
{
    // Every state below is in kImplementedRenderStates.
    switch (state) {
    case D3DRS_ZENABLE: return value == D3DZB_FALSE || value == D3DZB_TRUE;
    case D3DRS_FILLMODE: return value == 3; // D3DFILL_SOLID
    case D3DRS_SHADEMODE: return value == 2; // D3DSHADE_GOURAUD
    case D3DRS_ZFUNC: return value == D3DCMP_LESSEQUAL;
    case D3DRS_CULLMODE: return value == D3DCULL_CCW;
    case D3DRS_ALPHABLENDENABLE: return value == FALSE;
    // The blend factors take effect only with blending, which stays off.
    case D3DRS_SRCBLEND:
    case D3DRS_DESTBLEND:
        return value == D3DBLEND_ZERO || value == D3DBLEND_ONE || value == D3DBLEND_SRCALPHA
            || value == D3DBLEND_INVSRCALPHA;
    case D3DRS_ZWRITEENABLE:
    case D3DRS_SPECULARENABLE:
    case D3DRS_LIGHTING:
    case D3DRS_LOCALVIEWER:
    case D3DRS_NORMALIZENORMALS:
    case D3DRS_COLORVERTEX: return IsBoolean(value);
    case D3DRS_AMBIENT: return true;
    // Vertices carry no colours, so every source reads the material.
    case D3DRS_DIFFUSEMATERIALSOURCE:
    case D3DRS_SPECULARMATERIALSOURCE:
    case D3DRS_AMBIENTMATERIALSOURCE:
    case D3DRS_EMISSIVEMATERIALSOURCE: return value <= 2;
    default: return false;
    }
}

bool IsTextureStageStateImplemented(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value)
{
    if (stage != 0)
        return false;
    switch (type) {
    case D3DTSS_COLOROP: return value == D3DTOP_MODULATE;
    case D3DTSS_COLORARG1: return value == D3DTA_TEXTURE;
    case D3DTSS_COLORARG2: return value == D3DTA_DIFFUSE || value == D3DTA_CURRENT;
    // The back buffer keeps no alpha and blending stays off: the alpha operation has no effect.
    case D3DTSS_ALPHAOP:
        return value == D3DTOP_DISABLE || value == D3DTOP_SELECTARG1 || value == D3DTOP_MODULATE;
    case D3DTSS_ALPHAARG1:
    case D3DTSS_ALPHAARG2: return IsTextureArgument(value);
    case D3DTSS_TEXCOORDINDEX: return value == 0;
    case D3DTSS_TEXTURETRANSFORMFLAGS: return value == D3DTTFF_DISABLE || value == D3DTTFF_COUNT2;
    default: return false;
    }
}

bool IsSamplerStateImplemented(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value)
{
    if (sampler != 0)
        return false;
    switch (type) {
    case D3DSAMP_ADDRESSU:
    case D3DSAMP_ADDRESSV:
    case D3DSAMP_ADDRESSW: return value == D3DTADDRESS_WRAP;
    case D3DSAMP_MAGFILTER:
    case D3DSAMP_MINFILTER: return value == D3DTEXF_POINT || value == D3DTEXF_LINEAR;
    case D3DSAMP_MIPFILTER:
        return value == D3DTEXF_NONE || value == D3DTEXF_POINT || value == D3DTEXF_LINEAR;
    default: return false;
    }
}

bool IsLightImplemented(const D3DLIGHT9& light)
{
    return light.Type == D3DLIGHT_POINT && light.Range >= 0.0f && std::isfinite(light.Range);
}

} // namespace softd3d
