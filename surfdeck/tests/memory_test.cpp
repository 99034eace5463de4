#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>

#include "surfdeck/parser/HTMemory.h"

// Let a request the allocator cannot meet come back as null, as it would in
// the product, instead of ASan stopping the test (it still prints a warning
// for each attempt, between the hooks' lines).
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }

namespace surfdeck {
namespace {

void firstHook() { std::fputs("hook 1\n", stderr); }
void secondHook() { std::fputs("hook 2\n", stderr); }

void allocateTooMuch() {
  volatile std::size_t huge = SIZE_MAX / 4;
  HTMemory_addHook(firstHook);
  HTMemory_addHook(secondHook);
  HTMemory_addHook(firstHook);  // registered once only
  void* p = HT_MALLOC(huge);
  std::printf("%p\n", p);  // not reached
}

TEST(Memory, ExhaustionRunsEachHookThenEndsTheProgram) {
  EXPECT_EXIT(allocateTooMuch(), ::testing::ExitedWithCode(1),
              "hook 1\n.*hook 2\n.*allocateTooMuch: out of memory \\(.*memory_test.cpp:[0-9]+\\)");
}

TEST(Memory, RemovedHookIsNotRun) {
  EXPECT_EXIT(
      {
        HTMemory_addHook(firstHook);
        HTMemory_addHook(secondHook);
        HTMemory_removeHook(firstHook);
        volatile std::size_t huge = SIZE_MAX / 4;
        HT_REALLOC(nullptr, huge);
      },
      ::testing::ExitedWithCode(1), "hook 2\n.*out of memory");
}

}  // namespace
}  // namespace surfdeck
