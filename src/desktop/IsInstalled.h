#pragma once
// The start-up check that the office suite's automation service can be created.

#include <string_view>

#include "common/ports/Automation.h"
#include "common/ports/Dialogs.h"
#include "common/ports/Shell.h"

namespace tg {

inline constexpr std::string_view OfficeSuiteDownloadPage = "https://www.libreoffice.org/download/";

// Returns only when the service could be created; otherwise tells the user, offers the download
// page and ends the program.
void CheckOfficeSuite(AutomationFactory& automation, Dialogs& dialogs, Shell& shell,
                      std::string_view shortTitle);

}  // namespace tg
