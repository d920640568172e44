// Device set-up, loss and teardown as the user meets them: one error box with the right text,
// silent fallbacks, a lost device that costs a short sleep per frame and comes back with the
// cube as it was, and a failed re-creation that ends the program without touching anything.
#include <chrono>

#include "cube/cubie.h"
#include "cube/frame_step.h"
#include "cube/layer_turn.h"
#include "geometry/camera.h"
#include "platform/d3d9/display_hooks.h"
#include "platform/d3d9/fault_injection.h"
#include "platform/platform.h"
#include "render/device.h"
#include "render/frame.h"
#include "render/piece_mesh.h"
#include "render/view_flags.h"
#include "tests/render/render_test_support.h"

namespace {

using softd3d::faults::Call;
using softd3d::faults::FailCall;

// A test that sets the device up itself: the fixture's device is released first.
class DeviceSetUp : public RenderTest {
protected:
    void SetUp() override
    {
        RenderTest::SetUp();
        ReleaseDevice();
    }
    void ExpectOneErrorBox(const std::string& text)
    {
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].owner, nullptr);
        EXPECT_EQ(boxes[0].textUtf8, text);
        EXPECT_EQ(boxes[0].captionUtf8, "Error");
        EXPECT_EQ(boxes[0].type, MB_ICONERROR);
    }
    void DrainQueue()
    {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) { }
    }
    bool QuitPosted(WPARAM* exitCode)
    {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                *exitCode = message.wParam;
                return true;
            }
        }
        return false;
    }
};

TEST_F(DeviceSetUp, each_set_up_failure_shows_its_own_text_once)
{
    const struct {
        std::vector<Call> fail;
        const char8_t* text;
    } cases[] = {
        { { Call::Direct3DCreate9 }, u8"DirectXの初期化に失敗しました。(1)" },
        { { Call::GetAdapterDisplayMode }, u8"DirectXの初期化に失敗しました。(2)" },
        { { Call::CreateDeviceHalHardware, Call::CreateDeviceHalSoftware, Call::CreateDeviceRef },
            u8"DirectXの初期化に失敗しました。(3)" },
        { { Call::CreateTexture }, u8"テクスチャの読み込みに失敗した。" },
    };
    for (const auto& c : cases) {
        softd3d::faults::ClearAll();
        boxes.clear();
        for (Call call : c.fail) {
            FailCall(call);
        }
        EXPECT_EQ(SetUpDevice(nullptr), 0);
        ExpectOneErrorBox(Utf8(c.text));
        EXPECT_TRUE(DeviceIsGone());
        ReleaseDevice();
        EXPECT_EQ(direct3D, nullptr);
        EXPECT_EQ(d3dDevice, nullptr);
    }
}

TEST_F(DeviceSetUp, display_mode_failure_is_fatal_in_full_screen_too)
{
    windowed = 0;
    FailCall(Call::GetAdapterDisplayMode);
    EXPECT_EQ(SetUpDevice(nullptr), 0);
    ExpectOneErrorBox(Utf8(u8"DirectXの初期化に失敗しました。(2)"));
    windowed = 1;
}

TEST_F(DeviceSetUp, back_buffer_follows_the_desktop_windowed_and_is_32_bit_full_screen)
{
    softd3d::faults::SetDisplayFormat(D3DFMT_R5G6B5);
    ASSERT_EQ(SetUpDevice(nullptr), 1);
    EXPECT_EQ(presentParams.BackBufferFormat, D3DFMT_R5G6B5);
    EXPECT_EQ(presentParams.Windowed, 1);
    ReleaseDevice();
    windowed = 0;
    ASSERT_EQ(SetUpDevice(nullptr), 1);
    EXPECT_EQ(presentParams.BackBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(presentParams.Windowed, 0);
    EXPECT_EQ(presentParams.BackBufferWidth, 640u);
    EXPECT_EQ(presentParams.BackBufferHeight, 480u);
    EXPECT_EQ(presentParams.SwapEffect, D3DSWAPEFFECT_FLIP);
    EXPECT_EQ(presentParams.AutoDepthStencilFormat, D3DFMT_D16);
    EXPECT_EQ(presentParams.Flags, D3DPRESENTFLAG_LOCKABLE_BACKBUFFER);
    windowed = 1;
    EXPECT_TRUE(boxes.empty());
}

TEST_F(DeviceSetUp, missing_hardware_falls_back_silently_to_software_then_reference)
{
    FailCall(Call::CreateDeviceHalHardware);
    EXPECT_EQ(SetUpDevice(nullptr), 1);
    EXPECT_TRUE(boxes.empty());
    ReleaseDevice();

    FailCall(Call::CreateDeviceHalHardware);
    FailCall(Call::CreateDeviceHalSoftware);
    EXPECT_EQ(SetUpDevice(nullptr), 1);
    EXPECT_TRUE(boxes.empty());
    ResetCamera();
    ResetCube();
    const Frame frame = DrawFrame();
    EXPECT_TRUE(LooksRed(
        frame.At(ProjectToPixel(StickerCentre(14, 0)).x, ProjectToPixel(StickerCentre(14, 0)).y)))
        << "the reference device draws the cube";
}

TEST_F(DeviceSetUp, sticker_texture_failure_names_the_material_file_and_drawing_goes_on)
{
    // The first texture made is the colour-keyed one; the second is the first sticker's.
    FailCall(Call::CreateTexture, 1, 1);
    EXPECT_EQ(SetUpDevice(nullptr), 1);
    ExpectOneErrorBox("panel.bmp");
    EXPECT_NE(pieceMesh.mesh, nullptr);
    ResetCamera();
    ResetCube();
    const Frame frame = DrawFrame();
    const PixelPos sticker = ProjectToPixel(StickerCentre(14, 0));
    EXPECT_FALSE(LooksRed(frame.At(sticker.x, sticker.y))) << "no sticker without its texture";
    EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(DeviceSetUp, mesh_failure_is_silent_and_frames_draw_an_empty_view)
{
    FailCall(Call::LoadMesh);
    EXPECT_EQ(SetUpDevice(nullptr), 1);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(pieceMesh.mesh, nullptr);
    ResetCamera();
    ResetCube();
    const Frame frame = DrawFrame();
    for (std::uint32_t pixel : frame.pixels) {
        ASSERT_EQ(pixel, 0u);
    }
    EXPECT_EQ(presents, 1);
}

TEST_F(DeviceSetUp, release_twice_is_harmless)
{
    ASSERT_EQ(SetUpDevice(nullptr), 1);
    ReleaseDevice();
    ReleaseDevice();
    EXPECT_EQ(pieceMesh.mesh, nullptr);
    EXPECT_EQ(pieceMesh.materials, nullptr);
    EXPECT_EQ(pieceMesh.textures, nullptr);
    EXPECT_EQ(stickerKeyTexture, nullptr);
    EXPECT_EQ(backBufferSurface, nullptr);
    EXPECT_EQ(d3dDevice, nullptr);
    EXPECT_EQ(direct3D, nullptr);
    EXPECT_TRUE(DeviceIsGone());
    RenderFrame(nullptr);
    EXPECT_EQ(presents, 0);
}

class DeviceLoss : public DeviceSetUp {
protected:
    void SetUp() override
    {
        DeviceSetUp::SetUp();
        ASSERT_EQ(SetUpDevice(nullptr), 1);
        ResetCamera();
        ResetCube();
        DrainQueue();
    }
};

struct ModelState {
    int cells[27];
    TurnState turn;
    Vec3 eye;
};

ModelState Model()
{
    ModelState state;
    for (int i = 0; i < 27; ++i) {
        state.cells[i] = cubies[i].Cell();
    }
    state.turn = turnState;
    state.eye = EyePosition();
    return state;
}

void ExpectSameModel(const ModelState& a, const ModelState& b)
{
    for (int i = 0; i < 27; ++i) {
        EXPECT_EQ(a.cells[i], b.cells[i]) << "cubie " << i;
    }
    EXPECT_EQ(a.turn.remainingFrames, b.turn.remainingFrames);
    EXPECT_EQ(a.turn.axisCode, b.turn.axisCode);
    EXPECT_EQ(a.turn.selectorCell, b.turn.selectorCell);
    EXPECT_EQ(a.eye.x, b.eye.x);
    EXPECT_EQ(a.eye.y, b.eye.y);
    EXPECT_EQ(a.eye.z, b.eye.z);
}

TEST_F(DeviceLoss, lost_device_sleeps_per_frame_and_recovers_with_the_cube_as_it_was)
{
    // The seventh frame of a running turn, without a loss.
    ZoomCamera(-120);
    StartUserTurn(-1, 13);
    for (int frame = 1; frame < 7; ++frame) {
        StepModelFrame();
    }
    const Frame expectedPicture = DrawFrame();
    const ModelState expected = Model();

    ResetCube();
    StartUserTurn(-1, 13);
    DrawFrame();
    DrawFrame();
    ASSERT_EQ(presents, 3);
    softd3d::faults::ScriptDeviceLoss(
        { D3DERR_DEVICELOST, D3DERR_DEVICELOST, D3DERR_DEVICELOST, D3DERR_DEVICENOTRESET });
    const auto start = std::chrono::steady_clock::now();
    for (int frame = 3; frame <= 5; ++frame) {
        RenderFrame(nullptr);
    }
    const auto lost = std::chrono::steady_clock::now() - start;
    EXPECT_GE(lost, std::chrono::milliseconds(30)) << "10 ms per lost frame";
    EXPECT_EQ(presents, 3) << "nothing is shown while the device is lost";
    EXPECT_FALSE(DeviceIsGone());

    RenderFrame(nullptr); // frame 6: its Present fails too, but now the device is re-created
    EXPECT_FALSE(DeviceIsGone());
    EXPECT_TRUE(boxes.empty());

    const Frame picture = DrawFrame(); // frame 7, shown by the new device
    EXPECT_EQ(presents, 4);
    ExpectSameModel(Model(), expected);
    EXPECT_TRUE(picture == expectedPicture);
    WPARAM exitCode = 99;
    EXPECT_FALSE(QuitPosted(&exitCode));
}

TEST_F(DeviceLoss, failed_re_creation_posts_quit_and_later_frames_touch_nothing)
{
    StartUserTurn(+3, 0);
    DrawFrame();
    softd3d::faults::ScriptDeviceLoss({ D3DERR_DEVICENOTRESET });
    FailCall(Call::Direct3DCreate9);
    RenderFrame(nullptr);
    ExpectOneErrorBox(Utf8(u8"DirectXの初期化に失敗しました。(1)"));
    WPARAM exitCode = 99;
    EXPECT_TRUE(QuitPosted(&exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_TRUE(DeviceIsGone());
    EXPECT_EQ(d3dDevice, nullptr);
    EXPECT_EQ(direct3D, nullptr);

    const ModelState frozen = Model();
    const int shown = presents;
    for (int frame = 0; frame < 5; ++frame) {
        RenderFrame(nullptr);
    }
    ExpectSameModel(Model(), frozen);
    EXPECT_EQ(presents, shown);
    EXPECT_EQ(boxes.size(), 1u);
    RecoverLostDevice(nullptr);
    EXPECT_EQ(boxes.size(), 1u);
    ResetDeviceForModeChange();
    ReleaseDevice();
    ReleaseDevice();
}

TEST_F(DeviceLoss, failed_re_creation_after_a_partial_set_up_leaves_no_device)
{
    softd3d::faults::ScriptDeviceLoss({ D3DERR_DEVICENOTRESET });
    FailCall(Call::CreateTexture);
    RenderFrame(nullptr);
    ExpectOneErrorBox(Utf8(u8"テクスチャの読み込みに失敗した。"));
    WPARAM exitCode = 99;
    EXPECT_TRUE(QuitPosted(&exitCode));
    EXPECT_EQ(d3dDevice, nullptr);
    EXPECT_EQ(backBufferSurface, nullptr);
    EXPECT_TRUE(DeviceIsGone());
}

} // namespace
