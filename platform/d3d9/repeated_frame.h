#pragma once
// The repeated-frame shortcut, the stage between the device and the vertex stage. A viewer at
// rest draws the same frame 62 times a second: the same clear, the same 189 draws with the same
// states and vertices. When a frame's draws since its full clear match, call for call and byte
// for byte, those of the last frame that began so, the pixels they make are the pixels that frame
// made, and nothing is drawn: the frame buffer still holds them (or, when text was written over
// them since, they are copied back). The comparison is exact, so the picture cannot differ.
//
// A frame that differs from the last in a few draws (a layer turning) is patched: the draws that
// changed are only captured at first, and at the end of the frame the area they reach, then and
// now, is cleared and every draw that reaches into it drawn again inside it alone. The rest of
// the frame buffer still holds what the same draws made there last time.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/d3d9/block_mask.h"
#include "platform/d3d9/clipper.h"
#include "platform/d3d9/device_state.h"
#include "platform/d3d9/frame_buffer.h"
#include "platform/d3d9/software_device.h"

namespace softd3d {

class DeferredRasterizer;
class Texture;
class VertexStage;

// A full clear of colour and depth: what a repeatable frame begins with.
struct ClearKey {
    std::uint32_t colour = 0;
    std::uint16_t depth = 0;

    bool operator==(const ClearKey&) const = default;
};

class RepeatedFrame {
public:
    RepeatedFrame(
        FrameBuffer& frameBuffer, VertexStage& vertexStage, DeferredRasterizer& rasterizer)
        : frameBuffer_(frameBuffer)
        , vertexStage_(vertexStage)
        , rasterizer_(rasterizer)
    {
    }
    ~RepeatedFrame();
    RepeatedFrame(const RepeatedFrame&) = delete;
    RepeatedFrame& operator=(const RepeatedFrame&) = delete;

    // A clear of the whole colour and depth buffer: the start of a frame.
    void FullClear(const ClearKey& clear);
    // Hands the draw on to the vertex stage unless it repeats the last frame's.
    void Draw(const DrawCall& call);
    // Before the pixels are read or presented: brings the frame buffer to the frame's picture
    // and shades whatever is pending.
    void Resolve();
    // Anything else is about to change the pixels (a partial clear, a reset, a lost device):
    // brings the frame buffer up to date and forgets the last frame.
    void Forget();
    // The pixels inside `writes` (null: anywhere, depths too) are about to be written outside the
    // draws (text through GetDC, LockRect): the last frame's pixels there are kept aside first,
    // so that a repeat of it can still show them.
    void BeforeOutsideWrite(const PixelRect* writes);

private:
    // One draw as it reached the device: everything its pixels depend on.
    struct Record {
        DeviceState state;
        Texture* texture = nullptr; // holds one reference while recorded
        std::size_t verticesFrom = 0; // the record whose `vertices` this draw's are
        std::vector<MeshVertex> vertices;
        std::vector<std::uint32_t> indices;
        // With a key, the arrays' bytes cannot change: the same key and the same place in them
        // mean the same draw, with no comparison of bytes. The address is only compared.
        std::uint64_t geometryKey = 0;
        const std::uint32_t* indicesAt = nullptr;
        std::uint64_t verticesKey = 0; // the key of the arrays `vertices` copies; 0: none
        std::size_t vertexCount = 0; // VerticesOf(*this).size(), without reading another record
        // What this draw handed the rasterizer when it was last drawn, while valid.
        DrawnTriangles drawn;
        bool drawnValid = false;
    };
    enum class Mode { None, Matching, Patching, Recording };

    const std::vector<MeshVertex>& VerticesOf(const Record& record) const;
    bool SameGeometry(const Record& record, const DrawCall& call) const;
    bool Matches(const Record& record, const DrawCall& call) const;
    void Keep(std::size_t index, const DrawCall& call);
    // Hands on `call`, which is `record`'s draw: again as captured, or through the vertex stage,
    // capturing.
    void Pass(Record& record, const DrawCall& call);
    // Draws what the frame skipped while it matched: it has turned out to differ after all.
    void DrawSkipped();
    // When the frame buffer holds the last frame (text over it aside) and the draw that differs
    // (if any) does not show the scene from elsewhere, patches this frame over the last.
    bool StartPatch(const DrawCall* firstChange);
    // Takes a draw of a frame being patched: false when it cannot be (its triangles cannot be
    // captured, or the last frame's draw at its place drew where it cannot be told) or when half
    // the draws have changed, which a whole drawing does for less.
    bool PatchDraw(const DrawCall& call);
    // Adds the blocks of the triangles of `drawn` that face the viewer to the patch.
    void AddToPatch(const DrawnTriangles& drawn);
    // Redraws the changed area; false, doing nothing, when it is not worth it.
    bool FinishPatch();
    void FinishRecording();

    FrameBuffer& frameBuffer_;
    VertexStage& vertexStage_;
    DeferredRasterizer& rasterizer_;

    Mode mode_ = Mode::None;
    ClearKey frameClear_;
    std::size_t frameDraws_ = 0;
    bool clearDeferred_ = false;
    // The blocks a patched frame's changed triangles reach, then and now, and the text over the
    // last frame.
    BlockMask patch_;
    std::size_t changedDraws_ = 0;

    // The last complete frame: its clear, its draws and, while the frame buffer still holds its
    // pixels, the frame buffer's version; a copy of them once something else is written there.
    bool recordValid_ = false;
    ClearKey recordClear_;
    std::vector<Record> records_;
    std::size_t recordedDraws_ = 0;
    std::uint64_t heldVersion_ = 0;
    bool saved_ = false;
    SavedPicture savedPicture_;
};

} // namespace softd3d
