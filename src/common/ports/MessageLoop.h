#pragma once

namespace tg {

// Lets pending window messages, timer ticks and user input run once, then returns.
class MessageLoop {
 public:
  virtual ~MessageLoop() = default;
  virtual void yield() = 0;
};

}  // namespace tg
