#include "platform/d3d9/device_state.h"

namespace softd3d {

D3DMATRIX IdentityMatrix()
{
    D3DMATRIX m {};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

void SetDefaultState(DeviceState& state, bool hasDepthBuffer)
{
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

    for (int i = 0; i < kTextureStageCount; ++i) {
        auto& stage = state.stage[i];
        stage.fill(0);
        // Stage 0 modulates the texture with the diffuse colour; later stages start disabled.
        stage[D3DTSS_COLOROP] = i == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        stage[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
        stage[D3DTSS_COLORARG2] = D3DTA_CURRENT;
        stage[D3DTSS_ALPHAOP] = i == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        stage[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        stage[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        stage[D3DTSS_TEXCOORDINDEX] = static_cast<DWORD>(i);
        stage[D3DTSS_TEXTURETRANSFORMFLAGS] = D3DTTFF_DISABLE;
    }

    state.world = state.view = state.projection = state.texture0 = IdentityMatrix();
    state.material = D3DMATERIAL9 {};
    for (auto& slot : state.lights)
        slot = LightSlot {};
    ++state.transformVersion;
}

} // namespace softd3d
