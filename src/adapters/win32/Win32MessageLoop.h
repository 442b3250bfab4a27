#pragma once
// The program's message loop, and the pass's yield: every message waiting for this thread is
// dispatched, then control returns.

#include <windows.h>

#include <functional>
#include <vector>

#include "common/ports/MessageLoop.h"

namespace tg {

class Win32MessageLoop : public MessageLoop {
 public:
  // What the window does with a key before it is dispatched (Tab between its controls): true
  // when the key was used so. The main loop does the same, so keys work alike during a pass.
  using DialogKeys = std::function<bool(MSG&)>;
  void setDialogKeys(DialogKeys dialogKeys) { dialogKeys_ = std::move(dialogKeys); }
  // Another window whose controls take the keys as a dialog's do, while it exists.
  void addDialogWindow(HWND window) { dialogWindows_.push_back(window); }
  void removeDialogWindow(HWND window) { std::erase(dialogWindows_, window); }
  // The main loop: runs until the program asks to quit; answers the quit's code.
  int run();
  void yield() override;

 private:
  void dispatch(MSG& message);
  DialogKeys dialogKeys_;
  std::vector<HWND> dialogWindows_;
};

}  // namespace tg
