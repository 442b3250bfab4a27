#pragma once
// How a second start of the program reaches the copy that runs: the running copy keeps a hidden
// message-only window of a class of its own; a second start finds it, lets the running copy come
// to the front, and asks it to show its window.

#include <windows.h>

#include <functional>

namespace tg {

class Win32ShowRequests {
 public:
  // Starts listening: `show` runs on the window's thread for each request.
  explicit Win32ShowRequests(std::function<void()> show);
  ~Win32ShowRequests();
  Win32ShowRequests(const Win32ShowRequests&) = delete;
  Win32ShowRequests& operator=(const Win32ShowRequests&) = delete;

  // From a second start: true when a running copy was found and asked.
  static bool AskRunningCopyToShow();

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  std::function<void()> show_;
  HWND window_ = nullptr;
};

}  // namespace tg
