#pragma once

#include <functional>

#include "common/ports/MessageLoop.h"

namespace tg {

// Counts yields and runs what a test wants to happen "while messages run".
class CountingMessageLoop : public MessageLoop {
 public:
  void yield() override {
    ++yields;
    if (onYield) onYield();
  }
  int yields = 0;
  std::function<void()> onYield;
};

}  // namespace tg
