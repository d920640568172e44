// A frame with the overlay hidden asks the heap for nothing: every global allocation in this
// test program is counted.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "cube/cubie.h"
#include "cube/layer_turn.h"
#include "geometry/camera.h"
#include "render/device.h"
#include "render/frame.h"
#include "render/view_flags.h"

namespace {
std::atomic<long> allocations { 0 };
}

void* operator new(std::size_t size)
{
    ++allocations;
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
        return block;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t size)
{
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    ++allocations;
    return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return operator new(size, std::nothrow);
}
void operator delete(void* block) noexcept
{
    std::free(block);
}
void operator delete[](void* block) noexcept
{
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept
{
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept
{
    std::free(block);
}

namespace {

TEST(FrameAllocation, frames_with_the_overlay_hidden_allocate_nothing)
{
    const long atStart = allocations.load();
    ASSERT_EQ(SetUpDevice(nullptr), 1);
    ASSERT_GT(allocations.load(), atStart) << "the counter sees the set-up's allocations";
    ResetCamera();
    ResetCube();
    overlayVisible = 0;
    RenderFrame(nullptr); // the first frame may warm caches below the program

    StartUserTurn(+1, 4);
    const long before = allocations.load();
    for (int frame = 0; frame < 20; ++frame) {
        RenderFrame(nullptr);
    }
    EXPECT_EQ(allocations.load() - before, 0) << "over 20 frames, a turn among them";
    EXPECT_EQ(turnState.remainingFrames, 0);
    ReleaseDevice();
}

} // namespace
