#pragma once
// The folder picker: a modal directory chooser owned by the main window.

#include <string>
#include <string_view>

#include "common/ports/Dialogs.h"

namespace tg {

// The chosen folder, or "" when the user cancels. Failures go to the caller.
std::string BrowseForFolder(Dialogs& dialogs, std::string_view prompt,
                            std::string_view initialFolder);

}  // namespace tg
