#pragma once
// A windowless software device for the loader tests, with every fault switch cleared.
#include <gtest/gtest.h>

#include "platform/d3d9/fault_injection.h"
#include "platform/d3d9/software_device.h"
#include "platform/d3dx9/d3dx9.h"

class D3dx9DeviceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        softd3d::faults::ClearAll();
        direct3d_ = Direct3DCreate9(D3D_SDK_VERSION);
        ASSERT_NE(direct3d_, nullptr);
        D3DPRESENT_PARAMETERS params {};
        params.BackBufferWidth = 64;
        params.BackBufferHeight = 64;
        params.BackBufferFormat = D3DFMT_X8R8G8B8;
        params.BackBufferCount = 1;
        params.SwapEffect = D3DSWAPEFFECT_FLIP;
        params.Windowed = TRUE;
        params.EnableAutoDepthStencil = TRUE;
        params.AutoDepthStencilFormat = D3DFMT_D16;
        ASSERT_EQ(direct3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                      D3DCREATE_SOFTWARE_VERTEXPROCESSING, &params, &device_),
            D3D_OK);
    }

    void TearDown() override
    {
        softd3d::faults::ClearAll();
        if (device_)
            device_->Release();
        if (direct3d_)
            direct3d_->Release();
    }

    // The device's reference count, left unchanged.
    ULONG DeviceReferences()
    {
        device_->AddRef();
        return device_->Release();
    }

    IDirect3D9* direct3d_ = nullptr;
    IDirect3DDevice9* device_ = nullptr;
};
