#include "reporting/FailureTrap.h"

#include <optional>

#include "reporting/ErrorReport.h"

namespace tg {

bool FailureTrap::step(int line, const std::function<void()>& statement) {
  std::optional<std::string> failure;
  try {
    statement();
  } catch (const std::exception& caught) {
    failure = DescribeException(caught);
    lastFailure_ = std::current_exception();
  }
  // The report runs the message loop, so it is shown outside the handler of the failure.
  if (failure) report(line, *failure);
  return !failure;
}

bool FailureTrap::test(int line, const std::function<bool()>& condition) {
  std::optional<std::string> failure;
  try {
    return condition();
  } catch (const std::exception& caught) {
    failure = DescribeException(caught);
    lastFailure_ = std::current_exception();
  }
  report(line, *failure);
  return true;
}

void FailureTrap::report(int line, std::string_view description) {
  ShowApplicationError(dialogs_, label_, description, line);
}

std::string DescribeException(const std::exception& failure) {
  std::string description = failure.what();
  return description.empty() ? std::string("Unknown failure.") : description;
}

}  // namespace tg
