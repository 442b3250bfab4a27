// A later start finds the running copy's listener and hands it each request across the message
// queue (the backup of the desktop's Backup Now among them); without a listener it finds nothing.

#include "adapters/win32/Win32RunningCopyRequests.h"

#include <gtest/gtest.h>

#include <vector>

namespace tg {
namespace {

void PumpUntil(const std::vector<RunningCopyRequest>& heard, size_t wanted) {
  for (int turn = 0; turn < 200 && heard.size() < wanted; ++turn) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    Sleep(10);
  }
}

TEST(RunningCopyRequests, ALaterStartReachesTheRunningCopyOnlyWhileItListens) {
  std::vector<RunningCopyRequest> heard;
  Win32RunningCopyRequests later;
  {
    Win32RunningCopyRequests running;
    running.listen([&heard](RunningCopyRequest request) { heard.push_back(request); });
    ASSERT_TRUE(later.ask(RunningCopyRequest::Show));
    ASSERT_TRUE(later.ask(RunningCopyRequest::BackupNow));
    ASSERT_TRUE(later.ask(RunningCopyRequest::Versions));
    PumpUntil(heard, 3);
  }
  EXPECT_FALSE(later.ask(RunningCopyRequest::Show));
  EXPECT_EQ(heard, (std::vector<RunningCopyRequest>{RunningCopyRequest::Show,
                                                    RunningCopyRequest::BackupNow,
                                                    RunningCopyRequest::Versions}));
}

}  // namespace
}  // namespace tg
