#pragma once

namespace tg {

class SingleInstance {
 public:
  virtual ~SingleInstance() = default;
  // True when another copy of the program already runs for this user.
  virtual bool anotherCopyRuns() = 0;
};

}  // namespace tg
