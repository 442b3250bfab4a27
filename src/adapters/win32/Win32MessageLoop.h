#pragma once
// The pass's yield: every message waiting for this thread is dispatched, then control returns.

#include <windows.h>

#include <functional>

#include "common/ports/MessageLoop.h"

namespace tg {

class Win32MessageLoop : public MessageLoop {
 public:
  // What the window does with a key before it is dispatched (Tab between its controls): true
  // when the key was used so. The main loop does the same, so keys work alike during a pass.
  using DialogKeys = std::function<bool(MSG&)>;
  void setDialogKeys(DialogKeys dialogKeys) { dialogKeys_ = std::move(dialogKeys); }
  void yield() override;

 private:
  DialogKeys dialogKeys_;
};

}  // namespace tg
