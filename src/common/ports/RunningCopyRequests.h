#pragma once
// How a later start reaches the copy of the program that already runs for this user.

#include <array>
#include <functional>

namespace tg {

enum class RunningCopyRequest {
  Show,       // a start of the window: bring it up
  Versions,   // `--versions`: open the Versions window
  BackupNow,  // `--backup-now --notify` (the desktop menu's action): back up as the button does
};
// Every request, for a listener that reads which one came.
inline constexpr std::array<RunningCopyRequest, 3> EveryRunningCopyRequest = {
    RunningCopyRequest::Show, RunningCopyRequest::Versions, RunningCopyRequest::BackupNow};

class RunningCopyRequests {
 public:
  virtual ~RunningCopyRequests() = default;
  // From a later start: false when no running copy took the request.
  virtual bool ask(RunningCopyRequest request) = 0;
  // In the copy that runs: `answer` runs on the window's thread for each request, after the
  // asking start was let go. Throws std::runtime_error, in plain words, when it cannot listen.
  virtual void listen(std::function<void(RunningCopyRequest)> answer) = 0;
};

}  // namespace tg
