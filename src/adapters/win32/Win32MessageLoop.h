#pragma once
// The pass's yield: every message waiting for this thread is dispatched, then control returns.

#include "common/ports/MessageLoop.h"

namespace tg {

class Win32MessageLoop : public MessageLoop {
 public:
  void yield() override;
};

}  // namespace tg
