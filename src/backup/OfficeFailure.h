#pragma once
// What went wrong in a call into the office suite, as either automation bridge can tell it, and
// the program's sentence for it. The office's own text names source files and error codes; it
// helps support, never the user, so it is never part of the sentence.

#include <string>
#include <string_view>

namespace tg {

struct OfficeFailure {
  // What kind of failure it was, where the bridge tells it without the office's own words.
  enum class Kind {
    None,                // the office answered with a failure of its own
    ConnectionLost,      // the office ended or the link broke
    NotRunning,          // nothing answers where the office should be
    FailedToStart,       // the office was asked to start and did not
    Closing,             // the office was shutting down during the call
    Busy,                // the office refused the call for now
    AutomationDisabled,  // the office's settings turn its automation off
    ArgumentsRefused,    // the call's arguments were not what the office takes
  };
  Kind kind = Kind::None;
  // The office's exception type ("com.sun.star.task.ErrorCodeIOException") and its own text.
  std::string exceptionType;
  std::string message;
};

// The automation bridge's description of an exception, "type: text" (the type may be missing).
OfficeFailure FromBridgeDescription(std::string_view description);

// The program's sentence for the failure.
std::string PlainOfficeFailure(const OfficeFailure& failure);

}  // namespace tg
