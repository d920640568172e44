#include "platform/d3d9/repeated_frame.h"

#include <cstring>

#include "platform/d3d9/rasterizer.h"
#include "platform/d3d9/texture.h"
#include "platform/d3d9/vertex_stage.h"

namespace softd3d {

namespace {

// Field by field: the state has padding (the light slots' flags), whose bytes mean nothing.
// Transform versions only say when the vertex stage must rebuild; they are not state. The
// render states that accept no value keep their defaults and are not compared. What draws share
// from frame to frame is compared only when it may have changed since (settledSerial).
bool SameState(const DeviceState& a, const DeviceState& b)
{
    if (std::memcmp(&a.world, &b.world, sizeof(D3DMATRIX)) != 0
        || std::memcmp(&a.texture0, &b.texture0, sizeof(D3DMATRIX)) != 0
        || std::memcmp(&a.material, &b.material, sizeof(D3DMATERIAL9)) != 0)
        return false;
    if (a.settledSerial == b.settledSerial)
        return true;
    for (const D3DRENDERSTATETYPE state : kImplementedRenderStates) {
        if (a.render[state] != b.render[state])
            return false;
    }
    if (a.sampler[0] != b.sampler[0] || a.stage[0] != b.stage[0])
        return false;
    if (std::memcmp(&a.view, &b.view, sizeof(D3DMATRIX)) != 0
        || std::memcmp(&a.projection, &b.projection, sizeof(D3DMATRIX)) != 0)
        return false;
    for (std::size_t i = 0; i < a.lights.size(); ++i) {
        const LightSlot& x = a.lights[i];
        const LightSlot& y = b.lights[i];
        if (x.defined != y.defined || x.enabled != y.enabled)
            return false;
        if (x.defined && std::memcmp(&x.light, &y.light, sizeof(D3DLIGHT9)) != 0)
            return false;
    }
    return true;
}

void Hold(Texture*& slot, Texture* texture)
{
    if (texture != nullptr)
        texture->AddRef();
    if (slot != nullptr)
        slot->Release();
    slot = texture;
}

} // namespace

RepeatedFrame::~RepeatedFrame()
{
    for (Record& record : records_)
        Hold(record.texture, nullptr);
}

void RepeatedFrame::FullClear(const ClearKey& clear)
{
    const PixelRect whole { 0, 0, frameBuffer_.Width(), frameBuffer_.Height() };
    rasterizer_.Discard(whole);
    // A patch cleared again: its records already hold some of the new draws.
    if (mode_ == Mode::Patching)
        recordValid_ = false;
    // Draws matched so far are covered by this clear and need no drawing; a frame being recorded
    // and cleared again before it was seen is incomplete.
    frameClear_ = clear;
    frameDraws_ = 0;
    if (recordValid_ && mode_ != Mode::Recording && clear == recordClear_) {
        mode_ = Mode::Matching;
        clearDeferred_ = true;
        return;
    }
    mode_ = Mode::Recording;
    recordValid_ = false;
    clearDeferred_ = false;
    frameBuffer_.FillColour(whole, clear.colour);
    frameBuffer_.FillDepth(whole, clear.depth);
}

void RepeatedFrame::Draw(const DrawCall& call)
{
    if (mode_ == Mode::Matching) {
        if (frameDraws_ < recordedDraws_ && Matches(records_[frameDraws_], call)) {
            ++frameDraws_;
            return;
        }
        if (!StartPatch(&call))
            DrawSkipped();
    }
    if (mode_ == Mode::Patching) {
        if (PatchDraw(call))
            return;
        DrawSkipped();
    }
    if (mode_ == Mode::Recording) {
        if (records_.size() <= frameDraws_)
            records_.emplace_back();
        Record& record = records_[frameDraws_];
        // While a layer turns, most draws are those of the last frame at the same place: what
        // they handed the rasterizer then holds. The keys must match: the record's copy of the
        // vertices may be one a draw before it in this frame has already replaced.
        const bool same
            = record.drawnValid && record.geometryKey == call.geometryKey && Matches(record, call);
        Keep(frameDraws_++, call);
        record.drawnValid = same;
        Pass(record, call);
        return;
    }
    BeforeOutsideWrite(nullptr); // a draw after the frame, without a clear
    vertexStage_.Draw(call);
}

void RepeatedFrame::Resolve()
{
    // Every writer saves the last frame's pixels before it changes them (BeforeOutsideWrite), so
    // the frame buffer holds them or a copy does; drawing again is only the safe fallback.
    const bool pixelsKept = frameBuffer_.Version() == heldVersion_ || saved_;
    if (mode_ == Mode::Matching && frameDraws_ == recordedDraws_ && pixelsKept) {
        // The same frame as the last one: its pixels, not a second drawing of them.
        if (frameBuffer_.Version() != heldVersion_) {
            frameBuffer_.RestoreFrom(savedPicture_);
            heldVersion_ = frameBuffer_.Version();
        }
        clearDeferred_ = false;
        mode_ = Mode::None;
    }
    if (mode_ == Mode::Matching && !StartPatch(nullptr))
        DrawSkipped(); // fewer draws than last time
    if (mode_ == Mode::Patching && !FinishPatch())
        DrawSkipped();
    rasterizer_.Resolve();
    if (mode_ == Mode::Recording)
        FinishRecording();
}

void RepeatedFrame::Forget()
{
    if (mode_ == Mode::Matching || mode_ == Mode::Patching)
        DrawSkipped();
    for (Record& record : records_)
        record.drawnValid = false;
    mode_ = Mode::None;
    recordValid_ = false;
    saved_ = false;
}

void RepeatedFrame::BeforeOutsideWrite(const PixelRect* writes)
{
    if (!recordValid_ || mode_ != Mode::None)
        return;
    if (frameBuffer_.Version() == heldVersion_) {
        savedPicture_.Clear(); // the frame buffer holds the frame itself
    } else if (!saved_) {
        recordValid_ = false; // cannot happen: every writer passes here first
        return;
    }
    // Only what the writer overwrites: text is a line, not the picture.
    if (writes != nullptr)
        frameBuffer_.SaveColours(savedPicture_, *writes);
    else
        frameBuffer_.SaveAll(savedPicture_);
    saved_ = true;
}

const std::vector<MeshVertex>& RepeatedFrame::VerticesOf(const Record& record) const
{
    return records_[record.verticesFrom].vertices;
}

bool RepeatedFrame::SameGeometry(const Record& record, const DrawCall& call) const
{
    const std::size_t indexCount = 3 * call.triangleCount;
    if (record.vertexCount != call.vertexCount || record.indices.size() != indexCount)
        return false;
    if (call.geometryKey != 0 && record.geometryKey == call.geometryKey)
        return record.indicesAt == call.indices;
    const std::vector<MeshVertex>& vertices = VerticesOf(record);
    return std::memcmp(vertices.data(), call.vertices, call.vertexCount * sizeof(MeshVertex)) == 0
        && std::memcmp(record.indices.data(), call.indices, indexCount * sizeof(std::uint32_t))
        == 0;
}

bool RepeatedFrame::Matches(const Record& record, const DrawCall& call) const
{
    return record.texture == call.texture && SameGeometry(record, call)
        && SameState(record.state, *call.state);
}

void RepeatedFrame::Keep(std::size_t index, const DrawCall& call)
{
    Record& record = records_[index];
    record.state = *call.state;
    Hold(record.texture, call.texture);
    // While a layer turns, each record is kept again for the same subset of the same mesh, frame
    // after frame: copies of unchanging arrays are taken once.
    const bool keyed = call.geometryKey != 0;
    const std::size_t indexCount = 3 * call.triangleCount;
    if (!keyed || record.geometryKey != call.geometryKey || record.indicesAt != call.indices
        || record.indices.size() != indexCount)
        record.indices.assign(call.indices, call.indices + indexCount);
    record.geometryKey = call.geometryKey;
    record.indicesAt = call.indices;
    record.vertexCount = call.vertexCount;
    // Draws of the subsets of one mesh pass the same vertices: the records share one copy, which
    // also keeps the comparisons of a repeated frame in the cache.
    if (index > 0) {
        const Record& before = records_[index - 1];
        const std::vector<MeshVertex>& shared = records_[before.verticesFrom].vertices;
        if (shared.size() == call.vertexCount
            && ((keyed && before.geometryKey == call.geometryKey)
                || std::memcmp(shared.data(), call.vertices, call.vertexCount * sizeof(MeshVertex))
                    == 0)) {
            record.verticesFrom = before.verticesFrom;
            return;
        }
    }
    record.verticesFrom = index;
    if (!keyed || record.verticesKey != call.geometryKey) {
        record.vertices.assign(call.vertices, call.vertices + call.vertexCount);
        record.verticesKey = call.geometryKey;
    }
}

void RepeatedFrame::Pass(Record& record, const DrawCall& call)
{
    if (record.drawnValid && vertexStage_.Redraw(call, record.drawn))
        return;
    // Only the draws of unchanging arrays are captured: a match of any other is a comparison of
    // copies, one of which a later draw's record may share and have replaced.
    record.drawnValid = record.geometryKey != 0;
    vertexStage_.Draw(call, record.drawnValid ? &record.drawn : nullptr);
}

void RepeatedFrame::DrawSkipped()
{
    if (clearDeferred_) {
        const PixelRect whole { 0, 0, frameBuffer_.Width(), frameBuffer_.Height() };
        frameBuffer_.FillColour(whole, frameClear_.colour);
        frameBuffer_.FillDepth(whole, frameClear_.depth);
        clearDeferred_ = false;
    }
    for (std::size_t i = 0; i < frameDraws_; ++i) {
        Record& r = records_[i];
        const std::vector<MeshVertex>& vertices = VerticesOf(r);
        Pass(r,
            DrawCall { &r.state, r.texture, vertices.data(), vertices.size(), r.indices.data(),
                r.indices.size() / 3 });
    }
    // From here on the frame differs: what it draws replaces the records after the match.
    mode_ = Mode::Recording;
    recordValid_ = false;
    saved_ = false;
}

bool RepeatedFrame::StartPatch(const DrawCall* firstChange)
{
    // A new view or projection (the camera moved) changes every draw.
    if (firstChange != nullptr && frameDraws_ < recordedDraws_) {
        const DeviceState& last = records_[frameDraws_].state;
        const DeviceState& now = *firstChange->state;
        if (std::memcmp(&last.view, &now.view, sizeof(D3DMATRIX)) != 0
            || std::memcmp(&last.projection, &now.projection, sizeof(D3DMATRIX)) != 0)
            return false;
    }
    // Text written over the last frame is redrawn over; other writes may have reached the depths.
    const bool held = frameBuffer_.Version() == heldVersion_;
    if (!held && (!saved_ || !savedPicture_.depths.empty()))
        return false;
    patch_.Reset(frameBuffer_.Width(), frameBuffer_.Height());
    changedDraws_ = 0;
    if (!held) {
        for (const PixelRect& text : savedPicture_.rects)
            patch_.Add(text);
    }
    mode_ = Mode::Patching;
    return true;
}

bool RepeatedFrame::PatchDraw(const DrawCall& call)
{
    if (records_.size() <= frameDraws_)
        records_.emplace_back();
    Record& record = records_[frameDraws_];
    const bool replaces = frameDraws_ < recordedDraws_;
    if (replaces && record.drawnValid && record.geometryKey == call.geometryKey
        && Matches(record, call)) {
        ++frameDraws_;
        return true;
    }
    // Once half the draws changed (the camera moved), drawing the frame whole costs less.
    if (call.geometryKey == 0 || (replaces && !record.drawnValid)
        || 2 * ++changedDraws_ > recordedDraws_)
        return false;
    if (replaces)
        AddToPatch(record.drawn);
    Keep(frameDraws_++, call);
    vertexStage_.Capture(call, record.drawn);
    record.drawnValid = true;
    AddToPatch(record.drawn);
    return true;
}

void RepeatedFrame::AddToPatch(const DrawnTriangles& drawn)
{
    // Only a triangle the rasterizer keeps marks pixels, and only inside its box.
    const std::vector<ScreenVertex>& corners = drawn.corners;
    for (std::size_t i = 0; i + 2 < corners.size(); i += 3) {
        const SubPixelTriangle t = ToSubPixels(corners[i], corners[i + 1], corners[i + 2]);
        if (t.area > 0)
            patch_.Add(CoveredBox(t));
    }
}

bool RepeatedFrame::FinishPatch()
{
    for (std::size_t i = frameDraws_; i < recordedDraws_; ++i) {
        const Record& gone = records_[i];
        if (!gone.drawnValid)
            return false;
        AddToPatch(gone.drawn);
    }
    // Over most of the frame a patch saves little.
    if (4 * patch_.Count() > 3 * patch_.Blocks())
        return false;
    patch_.ForEachRun([this](const PixelRect& run) {
        frameBuffer_.FillColour(run, frameClear_.colour);
        frameBuffer_.FillDepth(run, frameClear_.depth);
    });
    rasterizer_.SetScissor(&patch_);
    for (std::size_t d = 0; d < frameDraws_; ++d) {
        Record& record = records_[d];
        if (!record.drawn.wrote || !patch_.Meets(record.drawn.written))
            continue;
        const std::vector<MeshVertex>& vertices = VerticesOf(record);
        Pass(record,
            DrawCall { &record.state, record.texture, vertices.data(), vertices.size(),
                record.indices.data(), record.indices.size() / 3 });
    }
    rasterizer_.SetScissor(nullptr);
    clearDeferred_ = false;
    mode_ = Mode::Recording;
    return true;
}

void RepeatedFrame::FinishRecording()
{
    // Sized here, in a frame drawn whole, so that patches allocate nothing.
    patch_.Reset(frameBuffer_.Width(), frameBuffer_.Height());
    recordedDraws_ = frameDraws_;
    for (std::size_t i = recordedDraws_; i < records_.size(); ++i)
        Hold(records_[i].texture, nullptr);
    recordClear_ = frameClear_;
    heldVersion_ = frameBuffer_.Version();
    recordValid_ = true;
    saved_ = false;
    mode_ = Mode::None;
}

} // namespace softd3d
