#include "reporting/ErrorReport.h"

namespace tg {

std::string ComposeApplicationErrorMessage(std::string_view description, std::string_view label,
                                           int line) {
  std::string message(description);
  message += "\r\n";
  message += label;
  message += "at line ";
  message += std::to_string(line);
  message += "\r\r";
  message += "Please email screenshot of this message to ";
  message += SupportEmailAddress;
  return message;
}

void ShowApplicationError(Dialogs& dialogs, std::string_view label, std::string_view description,
                          int line) {
  dialogs.messageBox(ComposeApplicationErrorMessage(description, label, line),
                     ApplicationErrorTitle, MessageButtons::Ok, MessageIcon::Warning);
}

}  // namespace tg
