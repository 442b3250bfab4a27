#pragma once

#include "common/ports/MessageLoop.h"

namespace tg {

// Runs what is pending; when nothing is, sleeps until something arrives or a short moment has
// passed, so that a loop of yields (the balloon's wait) does not spin the processor.
class QtMessageLoop : public MessageLoop {
 public:
  void yield() override;
};

}  // namespace tg
