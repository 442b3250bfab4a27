#pragma once

#include "common/ports/SingleInstance.h"

namespace tg {

// Another copy runs when the test says so.
class MemorySingleInstance : public SingleInstance {
 public:
  bool anotherCopyRuns() override { return anotherCopy; }
  std::string lockProblem() const override { return problem; }
  bool anotherCopy = false;
  std::string problem;
};

}  // namespace tg
