// A frame with the overlay hidden asks the heap for nothing: this program counts every global
// allocation.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "cube/cubie.h"
#include "cube/layer_turn.h"
#include "geometry/camera.h"
#include "render/device.h"
#include "render/frame.h"

namespace {
long allocations = 0;
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
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept
{
    return operator new(size, tag);
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

TEST(FrameAllocation, frames_with_the_overlay_hidden_allocate_nothing)
{
    const long atStart = allocations;
    ASSERT_EQ(SetUpDevice(nullptr), 1);
    ASSERT_GT(allocations, atStart) << "the counter sees the set-up's allocations";
    ResetCamera();
    ResetCube();
    RenderFrame(nullptr); // the first frame may warm caches below the program
    StartUserTurn(+1, 4);
    const long before = allocations;
    for (int frame = 0; frame < 20; ++frame) {
        RenderFrame(nullptr);
    }
    EXPECT_EQ(allocations - before, 0) << "over 20 frames with a whole turn";
    EXPECT_EQ(turnState.remainingFrames, 0);
    ReleaseDevice();
}
