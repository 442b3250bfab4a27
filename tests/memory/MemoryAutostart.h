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
  bool startsForEveryone() const override { return machineWide; }
  bool registered = false;
  bool machineWide = false;  // the machine-wide logon entry is installed
  int enableCount = 0;
  int disableCount = 0;
};

}  // namespace tg
