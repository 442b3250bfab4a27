#pragma once
// How a second start of the program reaches the copy that runs: the running copy keeps a hidden
// window under a name of its own; a second start finds it, lets the running copy come to the
// front, and asks it to show its window or its Versions window.

#include <functional>

#include "adapters/win32/Win32HiddenWindow.h"

namespace tg {

class Win32ShowRequests {
 public:
  // Starts listening: `show` and `versions` run on the window's thread for each request.
  explicit Win32ShowRequests(std::function<void()> show, std::function<void()> versions = nullptr);

  // From a second start: true when a running copy was found and asked.
  static bool AskRunningCopyToShow();
  static bool AskRunningCopyForVersions();

 private:
  static bool Ask(UINT request);
  Win32HiddenWindow listener_;
};

}  // namespace tg
