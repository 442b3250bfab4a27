#pragma once
// The one standard report of an unforeseen failure: "Application Error".

#include <string>
#include <string_view>

#include "common/ports/Dialogs.h"

namespace tg {

inline constexpr std::string_view SupportEmailAddress = "support@morvane.com";
inline constexpr std::string_view ApplicationErrorTitle = "Application Error";

std::string ComposeApplicationErrorMessage(std::string_view description, std::string_view label,
                                           int line);

// Shows the report modally (warning icon, OK) and returns when the user has closed it.
void ShowApplicationError(Dialogs& dialogs, std::string_view label, std::string_view description,
                          int line);

}  // namespace tg
