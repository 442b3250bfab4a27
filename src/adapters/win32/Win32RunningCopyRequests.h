#pragma once
// How a later start of the program reaches the copy that runs: the running copy keeps a hidden
// window under a name of its own; a later start finds it, lets the running copy come to the
// front, and posts it the request.

#include <memory>

#include "adapters/win32/Win32HiddenWindow.h"
#include "common/ports/RunningCopyRequests.h"

namespace tg {

class Win32RunningCopyRequests : public RunningCopyRequests {
 public:
  bool ask(RunningCopyRequest request) override;
  void listen(std::function<void(RunningCopyRequest)> answer) override;

 private:
  std::unique_ptr<Win32HiddenWindow> listener_;
};

}  // namespace tg
