// Memory the standard allocator cannot give, after the start-up, ends the
// process with exit code 0, a nothrow request too. Under Wine only: natively
// the address sanitizer's allocator reports the failure itself.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>

#include "app/services.h"

namespace {

constexpr size_t kMoreThanThereIs = PTRDIFF_MAX;

TEST(StandardAllocatorTest, ARefusedAllocationEndsTheProcessWithExitCodeZero) {
  EXPECT_EXIT(
      {
        PrepareProcess();
        ::operator delete(::operator new(kMoreThanThereIs));
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_EXIT(
      {
        PrepareProcess();
        ::operator delete(::operator new(kMoreThanThereIs, std::nothrow));
        std::_Exit(3);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
