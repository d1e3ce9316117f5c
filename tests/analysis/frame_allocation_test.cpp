// A frame must not touch the heap: every global allocation is counted while frames run.

#include "support/analyzer_fixture.h"

#include <atomic>
#include <cstdlib>
#include <new>

#include <gtest/gtest.h>

namespace {
std::atomic<long> allocationCount{0};
} // namespace

void* operator new(std::size_t size) {
    allocationCount.fetch_add(1, std::memory_order_relaxed);
    if (void* memory = std::malloc(size == 0 ? 1 : size)) {
        return memory;
    }
    throw std::bad_alloc();
}

void* operator new[](std::size_t size) {
    return operator new(size);
}

void operator delete(void* memory) noexcept {
    std::free(memory);
}

void operator delete[](void* memory) noexcept {
    std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}

void operator delete[](void* memory, std::size_t) noexcept {
    std::free(memory);
}

namespace {

using namespace analysis;

TEST(FrameAllocation, ManyFramesInEveryModeAllocateNothing) {
    analysis::StartAnalyzer(WindowKind::wkKaiser, 0);
    testing_support::Ordinates ordinates{};
    const long before = allocationCount.load();
    for (int frame = 0; frame < 100; ++frame) {
        const auto mode = static_cast<CodingMode>(frame % CodingModeCount);
        ComputeFrame(40 * frame, mode, ordinates);
    }
    const long after = allocationCount.load();
    EXPECT_EQ(after - before, 0);
}

TEST(FrameAllocation, TheCounterSeesAllocations) {
    const long before = allocationCount.load();
    int* volatile probe = new int(7);
    const long after = allocationCount.load();
    delete probe;
    EXPECT_EQ(after - before, 1);
}

} // namespace
