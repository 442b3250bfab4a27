#include "backup/OfficeFailure.h"

#include <regex>

namespace tg {

namespace {

bool Has(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

// The office's input and output errors name their class ("Class:Write") in their text.
std::string PlainIoFailure(const std::string& message) {
  static const std::regex errorClass("Class:([A-Za-z]+)");
  std::smatch match;
  const std::string kind = std::regex_search(message, match, errorClass) ? match[1].str() : "";
  if (kind == "Write") return "The folder cannot be written.";
  if (kind == "NotExists") return "The folder or the file does not exist.";
  if (kind == "Access") return "Access to the file was denied.";
  if (kind == "Path") return "The path of the copy is not valid.";
  if (kind == "Create") return "The file cannot be created.";
  if (kind == "Read") return "The file cannot be read.";
  if (kind == "Locking") return "The file is locked by another program.";
  return "The office suite could not write the file.";
}

}  // namespace

OfficeFailure FromBridgeDescription(std::string_view description) {
  OfficeFailure failure;
  // A type is a dotted name without blanks ahead of the first colon.
  const size_t colon = description.find(':');
  const std::string_view head = description.substr(0, colon);
  if (colon != std::string_view::npos && Has(head, ".") && !Has(head, " ")) {
    failure.exceptionType = std::string(head);
    std::string_view rest = description.substr(colon + 1);
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    failure.message = std::string(rest);
  } else {
    failure.message = std::string(description);
  }
  return failure;
}

std::string PlainOfficeFailure(const OfficeFailure& failure) {
  using Kind = OfficeFailure::Kind;
  switch (failure.kind) {
    case Kind::ConnectionLost:
      return "The connection to the office suite was lost; the office may have been closed.";
    case Kind::NotRunning:
      return "The office suite is not running or cannot be reached.";
    case Kind::FailedToStart:
      return "The office suite could not be started.";
    case Kind::Closing:
      return "The office suite was closing, so it could not make the copy.";
    case Kind::Busy:
      return "The office suite is busy with a dialog; the next backup tries again.";
    case Kind::AutomationDisabled:
      return "The office suite does not let other programs work with it: its automation is "
             "turned off in its settings.";
    case Kind::ArgumentsRefused:
      return "The office suite refused the arguments of the call.";
    case Kind::None:
      break;
  }
  const std::string& type = failure.exceptionType;
  if (Has(type, "DisposedException") || Has(failure.message, "disposed")) {
    return PlainOfficeFailure({Kind::ConnectionLost, {}, {}});
  }
  if (Has(type, ".io.") || Has(type, "ErrorCodeIOException")) {
    return PlainIoFailure(failure.message);
  }
  if (Has(type, "IllegalArgument") || Has(type, "CannotConvert")) {
    return PlainOfficeFailure({Kind::ArgumentsRefused, {}, {}});
  }
  return "The office suite reported a failure.";
}

}  // namespace tg
