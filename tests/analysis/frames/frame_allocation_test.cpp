// SPDX-License-Identifier: GPL-3.0-or-later
// A frame must not touch the heap: every global allocation is counted while frames run.

#include "support/analyzer_fixture.h"

#include <atomic>
#include <cstdlib>
#include <new>

#include <gtest/gtest.h>

namespace {
std::atomic<long> allocationCount{0};

void* CountedAllocate(std::size_t size) noexcept {
    allocationCount.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size == 0 ? 1 : size);
}

// Every form of new below takes its memory from CountedAllocate and every form of delete
// gives it back here, so each pair matches whichever form the library picks (the nothrow
// new of a temporary buffer included; under AddressSanitizer a form left unreplaced would
// allocate from the sanitizer and then be freed by ours). Kept out of line so the compiler
// sees the replaced operator delete, not a bare free, behind each new-expression.
[[gnu::noinline]] void CountedRelease(void* memory) noexcept {
    std::free(memory);
}
} // namespace

void* operator new(std::size_t size) {
    if (void* memory = CountedAllocate(size)) {
        return memory;
    }
    throw std::bad_alloc();
}

void* operator new[](std::size_t size) {
    return operator new(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return CountedAllocate(size);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return CountedAllocate(size);
}

void operator delete(void* memory) noexcept {
    CountedRelease(memory);
}

void operator delete[](void* memory) noexcept {
    CountedRelease(memory);
}

void operator delete(void* memory, std::size_t) noexcept {
    CountedRelease(memory);
}

void operator delete[](void* memory, std::size_t) noexcept {
    CountedRelease(memory);
}

void operator delete(void* memory, const std::nothrow_t&) noexcept {
    CountedRelease(memory);
}

void operator delete[](void* memory, const std::nothrow_t&) noexcept {
    CountedRelease(memory);
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
