#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tools/frame_capture.h"

struct WebPAnimEncoder;

// A lossless animated WebP built frame by frame with libwebp's animation encoder, which stores
// each frame as the rectangle that changed and folds a frame equal to the one before into that
// one's duration. Encoding costs more than drawing, so it runs on a thread of its own while the
// caller draws the next frames. The file appears only when it is whole: it is written beside its
// final name and renamed into place.
class WebpAnimationWriter {
public:
    WebpAnimationWriter();
    WebpAnimationWriter(const WebpAnimationWriter&) = delete;
    WebpAnimationWriter& operator=(const WebpAnimationWriter&) = delete;
    ~WebpAnimationWriter();

    // Queues a frame shown from timestampMs (increasing; the first sets the canvas size) until
    // the next frame's timestamp. Takes frame's pixels and leaves a spare buffer in their place.
    // False with a one-line reason in error once an earlier frame failed.
    bool Add(CapturedFrame& frame, int timestampMs, std::string& error);
    // Waits for the queued frames, ends the last one at endMs and writes the file at path.
    bool Write(int endMs, const std::string& path, std::string& error);

private:
    struct Pending {
        CapturedFrame frame;
        int timestampMs;
    };

    void EncodeQueued();
    void Finish();
    bool Encode(const Pending& pending, std::string& error);

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Pending> queue_;
    std::vector<CapturedFrame> spares_;
    bool finishing_ = false;
    std::string failure_; // the first failure of the encoding thread
    WebPAnimEncoder* encoder_ = nullptr; // the encoding thread's until it has finished
    std::thread worker_;
};
