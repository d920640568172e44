// Device set-up, loss and teardown as the user meets them: one error box with the right text,
// silent fallbacks, a lost device that costs a short sleep per frame and comes back with the
// cube as it was, and a failed re-creation that ends the program and touches nothing after.
#include <chrono>
#include <cstring>

#include "cube/cubie.h"
#include "cube/frame_step.h"
#include "cube/layer_turn.h"
#include "geometry/camera.h"
#include "platform/d3d9/fault_injection.h"
#include "render/device.h"
#include "render/frame.h"
#include "render/piece_mesh.h"
#include "render/view_flags.h"
#include "tests/render/render_test_support.h"

namespace {

using softd3d::faults::Call;
using softd3d::faults::FailCall;

std::string Utf8(const char8_t* text)
{
    return reinterpret_cast<const char*>(text);
}

// Tests that set the device up themselves: the fixture's device is released first.
class Device : public RenderTest {
protected:
    void SetUp() override
    {
        RenderTest::SetUp();
        ReleaseDevice();
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) { }
    }
    void ExpectOneErrorBox(const std::string& text)
    {
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].owner, nullptr);
        EXPECT_EQ(boxes[0].textUtf8, text);
        EXPECT_EQ(boxes[0].captionUtf8, "Error");
        EXPECT_EQ(boxes[0].type, MB_ICONERROR);
    }
    // The exit code of a posted quit message, or -1.
    long QuitCode()
    {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                return static_cast<long>(message.wParam);
            }
        }
        return -1;
    }
};

TEST_F(Device, each_set_up_failure_shows_its_own_text_once)
{
    const struct {
        std::vector<Call> fail;
        const char8_t* text;
        int windowedFlag;
    } cases[] = {
        { { Call::Direct3DCreate9 }, u8"DirectXの初期化に失敗しました。(1)", 1 },
        { { Call::GetAdapterDisplayMode }, u8"DirectXの初期化に失敗しました。(2)", 1 },
        { { Call::GetAdapterDisplayMode }, u8"DirectXの初期化に失敗しました。(2)", 0 },
        { { Call::CreateDeviceHalHardware, Call::CreateDeviceHalSoftware, Call::CreateDeviceRef },
            u8"DirectXの初期化に失敗しました。(3)", 1 },
        { { Call::CreateTexture }, u8"テクスチャの読み込みに失敗した。", 1 },
    };
    for (const auto& c : cases) {
        softd3d::faults::ClearAll();
        boxes.clear();
        windowed = c.windowedFlag;
        for (Call call : c.fail) {
            FailCall(call);
        }
        EXPECT_EQ(SetUpDevice(nullptr), 0);
        ExpectOneErrorBox(Utf8(c.text));
        EXPECT_TRUE(DeviceIsGone());
        ReleaseDevice();
        EXPECT_EQ(direct3D, nullptr);
    }
}

TEST_F(Device, back_buffer_takes_the_desktop_format_windowed_and_32_bits_full_screen)
{
    softd3d::faults::SetDisplayFormat(D3DFMT_R5G6B5);
    ASSERT_EQ(SetUpDevice(nullptr), 1);
    EXPECT_EQ(presentParams.BackBufferFormat, D3DFMT_R5G6B5);
    ReleaseDevice();
    windowed = 0;
    ASSERT_EQ(SetUpDevice(nullptr), 1);
    EXPECT_EQ(presentParams.BackBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(presentParams.Windowed, 0);
    EXPECT_EQ(presentParams.BackBufferWidth * presentParams.BackBufferHeight, 640u * 480u);
}

TEST_F(Device, missing_hardware_falls_back_silently_to_software_then_reference)
{
    FailCall(Call::CreateDeviceHalHardware);
    EXPECT_EQ(SetUpDevice(nullptr), 1);
    ReleaseDevice();
    FailCall(Call::CreateDeviceHalHardware);
    FailCall(Call::CreateDeviceHalSoftware);
    EXPECT_EQ(SetUpDevice(nullptr), 1);
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(LooksRed(DrawFrame().At(StickerCentre(14, 0)))) << "the reference device draws";
}

TEST_F(Device, sticker_texture_failure_names_the_file_and_frames_go_on_without_stickers)
{
    FailCall(
        Call::CreateTexture, 1, 1); // the colour-keyed texture succeeds, the first sticker's fails
    EXPECT_EQ(SetUpDevice(nullptr), 1);
    ExpectOneErrorBox("panel.bmp");
    const Frame frame = DrawFrame();
    EXPECT_FALSE(LooksRed(frame.At(StickerCentre(14, 0))));
    EXPECT_TRUE(LooksGrey(frame.At({ 2.945f, 2.855f, 0.0f }))) << "the bodies are drawn";
    EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(Device, mesh_failure_is_silent_and_frames_show_an_empty_view)
{
    FailCall(Call::LoadMesh);
    EXPECT_EQ(SetUpDevice(nullptr), 1);
    EXPECT_TRUE(boxes.empty());
    const Frame frame = DrawFrame();
    EXPECT_TRUE(
        std::all_of(frame.pixels.begin(), frame.pixels.end(), [](auto p) { return p == 0; }));
    EXPECT_EQ(presents, 1);
}

TEST_F(Device, release_twice_is_harmless_and_frames_without_a_device_do_nothing)
{
    ASSERT_EQ(SetUpDevice(nullptr), 1);
    ReleaseDevice();
    ReleaseDevice();
    EXPECT_TRUE(pieceMesh.mesh == nullptr && pieceMesh.materials == nullptr
        && pieceMesh.textures == nullptr);
    EXPECT_TRUE(
        stickerKeyTexture == nullptr && backBufferSurface == nullptr && d3dDevice == nullptr);
    StartUserTurn(+1, 0);
    RenderFrame(nullptr);
    EXPECT_EQ(turnState.remainingFrames, 16) << "a turn never advances undrawn";
    EXPECT_EQ(presents, 0);
}

struct ModelState {
    int cells[27];
    TurnState turn;
    Vec3 eye;
    bool operator==(const ModelState& o) const
    {
        return std::memcmp(cells, o.cells, sizeof cells) == 0
            && std::memcmp(&turn, &o.turn, sizeof turn) == 0
            && std::memcmp(&eye, &o.eye, sizeof eye) == 0;
    }
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

TEST_F(Device, lost_device_sleeps_per_frame_and_recovers_with_the_cube_as_it_was)
{
    ASSERT_EQ(SetUpDevice(nullptr), 1);
    ZoomCamera(-120);
    StartUserTurn(-1, 13); // frame 7 of this turn, drawn without a loss
    for (int frame = 1; frame < 7; ++frame) {
        StepModelFrame();
    }
    const Frame expectedPicture = DrawFrame();
    const ModelState expected = Model();

    ResetCube();
    StartUserTurn(-1, 13);
    DrawFrame();
    DrawFrame();
    softd3d::faults::ScriptDeviceLoss(
        { D3DERR_DEVICELOST, D3DERR_DEVICELOST, D3DERR_DEVICELOST, D3DERR_DEVICENOTRESET });
    const auto start = std::chrono::steady_clock::now();
    for (int frame = 3; frame <= 5; ++frame) {
        RenderFrame(nullptr);
    }
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30))
        << "10 ms a lost frame";
    EXPECT_EQ(presents, 3) << "nothing is shown while the device is lost";
    RenderFrame(nullptr); // frame 6 fails to present too, and then the device is re-created
    const Frame picture = DrawFrame();
    EXPECT_EQ(presents, 4);
    EXPECT_TRUE(Model() == expected);
    EXPECT_TRUE(picture == expectedPicture);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(QuitCode(), -1);
}

TEST_F(Device, failed_re_creation_posts_quit_and_later_frames_and_input_touch_nothing)
{
    for (Call failing : { Call::Direct3DCreate9, Call::CreateTexture }) {
        ASSERT_EQ(SetUpDevice(nullptr), 1);
        boxes.clear();
        StartUserTurn(+3, 0);
        DrawFrame();
        softd3d::faults::ScriptDeviceLoss({ D3DERR_DEVICENOTRESET });
        FailCall(failing);
        RenderFrame(nullptr);
        ExpectOneErrorBox(
            Utf8(failing == Call::CreateTexture ? u8"テクスチャの読み込みに失敗した。"
                                                : u8"DirectXの初期化に失敗しました。(1)"));
        EXPECT_EQ(QuitCode(), 0);
        EXPECT_TRUE(DeviceIsGone());
        EXPECT_TRUE(d3dDevice == nullptr && direct3D == nullptr && backBufferSurface == nullptr);

        const ModelState frozen = Model();
        const int shown = presents;
        for (int frame = 0; frame < 3; ++frame) {
            RenderFrame(nullptr);
        }
        RecoverLostDevice(nullptr);
        ResetDeviceForModeChange();
        EXPECT_TRUE(Model() == frozen);
        EXPECT_EQ(presents, shown);
        EXPECT_EQ(boxes.size(), 1u);
        softd3d::faults::ClearAll();
    }
}

} // namespace
