#pragma once

#include "common/ports/SingleInstance.h"

namespace tg {

// Another copy runs when the test says so.
class MemorySingleInstance : public SingleInstance {
 public:
  bool anotherCopyRuns() override { return anotherCopy; }
  bool anotherCopy = false;
};

}  // namespace tg
