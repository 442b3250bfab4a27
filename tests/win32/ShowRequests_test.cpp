// A second start finds the running copy's listener and asks it, across the message queue, to
// show its window; without a listener it finds nothing.

#include <gtest/gtest.h>

#include "adapters/win32/Win32ShowRequests.h"

namespace tg {
namespace {

int PumpUntil(const int& counter, int wanted) {
  for (int turn = 0; turn < 200 && counter < wanted; ++turn) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    Sleep(10);
  }
  return counter;
}

TEST(ShowRequests, ASecondStartReachesTheRunningCopyOnlyWhileItListens) {
  int shown = 0;
  {
    Win32ShowRequests listening([&shown] { ++shown; });
    ASSERT_TRUE(Win32ShowRequests::AskRunningCopyToShow());
    ASSERT_TRUE(Win32ShowRequests::AskRunningCopyToShow());
    EXPECT_EQ(PumpUntil(shown, 2), 2);
  }
  EXPECT_FALSE(Win32ShowRequests::AskRunningCopyToShow());
  EXPECT_EQ(shown, 2);
}

}  // namespace
}  // namespace tg
