#pragma once

#include <string>

namespace tg {

class SingleInstance {
 public:
  virtual ~SingleInstance() = default;
  // True when another copy of the program already runs for this user.
  // Only a copy that holds the lock (or mutex) counts. When the lock could not be taken for any
  // other reason (no private folder, a file that is no lock, another user's object) the program
  // starts anyway, and lockProblem says why in a sentence for the user, once anotherCopyRuns
  // has been asked; empty otherwise.
  virtual bool anotherCopyRuns() = 0;
  virtual std::string lockProblem() const = 0;
};

}  // namespace tg
