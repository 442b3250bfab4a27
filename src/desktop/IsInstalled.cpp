#include "desktop/IsInstalled.h"

#include <exception>
#include <optional>
#include <string>

#include "reporting/ErrorReport.h"

namespace tg {

namespace {

std::string OfficeSuiteMissingMessage() {
  std::string text = "Error 214878392";
  text += "\r\n\r\n";
  text += "OpenOffice is required to run this software. It is not installed on this computer.";
  text += "\r\r";
  text += "Woud you like to open this site now?";
  text += "\r\n\r\n";
  text +=
      "(If you think this error is a mistake and you have OpenOffice installed, please email a "
      "screenshot of this error message and a screenshot of the OpenOffice 'About' window to ";
  text += SupportEmailAddress;
  text += ")";
  return text;
}

// An office installed where this program can't reach it is named, with what to install instead.
std::string OfficeSuiteOutOfReachMessage(std::string_view why) {
  return std::string(why) + "\r\n\r\nWould you like to open the download page now?";
}

// Only whether the suite could serve: starting it, or waiting for a slow one at logon, would
// hold up the window and could make a present suite look missing. A damaged installation fails
// like a missing one; either way only the outcome counts. Returns the message to show, if any.
std::optional<std::string> WhySuiteCannotServe(AutomationFactory& automation) {
  try {
    if (automation.isInstalled(OfficeServiceManagerId)) return std::nullopt;
  } catch (const OfficeOutOfReach& outOfReach) {
    return OfficeSuiteOutOfReachMessage(outOfReach.what());
  } catch (...) {
  }
  return OfficeSuiteMissingMessage();
}

void OpenDownloadPage(Shell& shell) {
  try {
    shell.openWebAddress(OfficeSuiteDownloadPage);
  } catch (...) {
    // No browser registered: unnoticed, the program ends all the same.
  }
}

}  // namespace

void CheckOfficeSuite(AutomationFactory& automation, Dialogs& dialogs, Shell& shell,
                      std::string_view shortTitle) {
  const std::optional<std::string> why = WhySuiteCannotServe(automation);
  if (!why) return;
  MessageAnswer answer = MessageAnswer::No;
  try {
    answer = dialogs.messageBox(*why, shortTitle, MessageButtons::YesNo, MessageIcon::None);
  } catch (...) {
  }
  if (answer == MessageAnswer::Yes) OpenDownloadPage(shell);
  shell.endProgram();
}

}  // namespace tg
