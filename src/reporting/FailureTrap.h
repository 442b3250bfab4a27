#pragma once
// The failure trap of a reporting procedure. Statements are numbered 100, 102, ...; a failing
// statement is reported with the procedure's label and its number, and the procedure goes on with
// its next statement. A failed test counts as passed. A failure inside a helper without a trap of
// its own surfaces here, at the caller's line.
//
// Only std::exception is trapped: anything else (the program ending in the middle of a
// procedure) passes through untouched.
//
//   FailureTrap trap(dialogs, ContextLabels::Timer1);
//   if (trap.test(100, [&] { return isOn(); })) {
//     trap.step(102, [&] { interval = IntervalForSelection(list); });
//   }

#include <exception>
#include <functional>
#include <string>
#include <string_view>

#include "common/ports/Dialogs.h"

namespace tg {

class FailureTrap {
 public:
  FailureTrap(Dialogs& dialogs, std::string_view label) : dialogs_(dialogs), label_(label) {}

  // Runs one statement; true when it completed, false when it failed and was reported.
  bool step(int line, const std::function<void()>& statement);

  // Evaluates a condition; a failing evaluation is reported and counts as met.
  bool test(int line, const std::function<bool()>& condition);

  // Reports a failure found by other means (a statement that failed without throwing).
  void report(int line, std::string_view description);

  std::string_view label() const { return label_; }

  // The last failure a step or test caught was of kind E.
  template <typename E>
  bool lastFailureWas() const {
    if (!lastFailure_) return false;
    try {
      std::rethrow_exception(lastFailure_);
    } catch (const E&) {
      return true;
    } catch (...) {
      return false;
    }
  }

 private:
  Dialogs& dialogs_;
  std::string label_;
  std::exception_ptr lastFailure_;
};

// The description a caught failure shows to the user.
std::string DescribeException(const std::exception& failure);

}  // namespace tg
