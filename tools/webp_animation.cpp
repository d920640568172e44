#include "tools/webp_animation.h"

#include <cstdint>
#include <cstdio>
#include <webp/encode.h>
#include <webp/mux.h>

namespace {

// Frames drawn ahead of the encoder: enough to keep both busy, few enough to bound the memory.
constexpr std::size_t maxQueuedFrames = 3;

// The fastest lossless effort: the tool records hundreds of frames a second, and the frames
// differ from each other only in small rectangles, which is where the encoder saves the most.
bool FastLosslessConfig(WebPConfig& config)
{
    if (!WebPConfigInit(&config)) {
        return false;
    }
    config.lossless = 1;
    config.method = 0;
    config.quality = 0.0f;
    return WebPValidateConfig(&config) != 0;
}

WebPAnimEncoder* StartEncoder(int width, int height)
{
    WebPAnimEncoderOptions options;
    if (!WebPAnimEncoderOptionsInit(&options)) {
        return nullptr;
    }
    options.anim_params.loop_count = 0; // play it again and again
    options.anim_params.bgcolor = 0xFF000000; // the viewer's clear colour
    options.kmax = 0; // every frame only what changed: no key frames to encode twice
    return WebPAnimEncoderNew(width, height, &options);
}

bool WriteFile(const std::string& path, const WebPData& data)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(data.bytes, 1, data.size, file) == data.size;
    return std::fclose(file) == 0 && written;
}

} // namespace

WebpAnimationWriter::WebpAnimationWriter()
    : worker_([this] { EncodeQueued(); })
{
}

WebpAnimationWriter::~WebpAnimationWriter()
{
    Finish();
    WebPAnimEncoderDelete(encoder_);
}

bool WebpAnimationWriter::Add(CapturedFrame& frame, int timestampMs, std::string& error)
{
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return queue_.size() < maxQueuedFrames || !failure_.empty(); });
    if (!failure_.empty()) {
        error = failure_;
        return false;
    }
    queue_.push_back({ std::move(frame), timestampMs });
    frame = CapturedFrame {};
    if (!spares_.empty()) {
        frame = std::move(spares_.back());
        spares_.pop_back();
    }
    changed_.notify_all();
    return true;
}

void WebpAnimationWriter::EncodeQueued()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return !queue_.empty() || finishing_; });
        if (queue_.empty()) {
            return;
        }
        Pending pending = std::move(queue_.front());
        queue_.pop_front();
        const bool failed = !failure_.empty();
        lock.unlock();
        std::string error;
        const bool encoded = failed || Encode(pending, error);
        lock.lock();
        if (!encoded) {
            failure_ = error;
        }
        spares_.push_back(std::move(pending.frame));
        changed_.notify_all();
    }
}

void WebpAnimationWriter::Finish()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        finishing_ = true;
        changed_.notify_all();
    }
    if (worker_.joinable()) {
        worker_.join();
    }
}

bool WebpAnimationWriter::Encode(const Pending& pending, std::string& error)
{
    const CapturedFrame& frame = pending.frame;
    if (encoder_ == nullptr) {
        encoder_ = StartEncoder(frame.width, frame.height);
        if (encoder_ == nullptr) {
            error = "libwebp's animation encoder could not be started";
            return false;
        }
    }
    WebPConfig config;
    WebPPicture picture;
    if (!FastLosslessConfig(config) || !WebPPictureInit(&picture)) {
        error = "libwebp does not match its headers";
        return false;
    }
    // The encoder copies the pixels it keeps: the picture may borrow the frame's.
    picture.use_argb = 1;
    picture.width = frame.width;
    picture.height = frame.height;
    picture.argb = const_cast<std::uint32_t*>(frame.argb.data());
    picture.argb_stride = frame.width;
    if (!WebPAnimEncoderAdd(encoder_, &picture, pending.timestampMs, &config)) {
        error = std::string("encoding a frame failed: ") + WebPAnimEncoderGetError(encoder_);
        return false;
    }
    return true;
}

bool WebpAnimationWriter::Write(int endMs, const std::string& path, std::string& error)
{
    Finish();
    if (!failure_.empty()) {
        error = failure_;
        return false;
    }
    WebPData data;
    WebPDataInit(&data);
    if (encoder_ == nullptr || !WebPAnimEncoderAdd(encoder_, nullptr, endMs, nullptr)
        || !WebPAnimEncoderAssemble(encoder_, &data)) {
        error = encoder_ == nullptr
            ? "no frame was recorded"
            : std::string("assembling the animation failed: ") + WebPAnimEncoderGetError(encoder_);
        return false;
    }
    const std::string partial = path + ".part";
    const bool written
        = WriteFile(partial, data) && std::rename(partial.c_str(), path.c_str()) == 0;
    WebPDataClear(&data);
    if (!written) {
        std::remove(partial.c_str());
        error = "cannot write " + path;
    }
    return written;
}
