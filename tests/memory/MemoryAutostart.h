#pragma once

#include "common/ports/Autostart.h"

namespace tg {

// Start at logon for tests: whether the program is registered, and how often it was switched.
class MemoryAutostart : public Autostart {
 public:
  void enable() override {
    registered = true;
    ++enableCount;
  }
  void disable() override {
    registered = false;
    ++disableCount;
  }
  bool registered = false;
  int enableCount = 0;
  int disableCount = 0;
};

}  // namespace tg
