#pragma once
// Opening an earlier copy in the user's running office, as a document of its own and read-only:
// the user looks, takes back what they need, and neither the copy nor the original is written
// over; backups leave their own copies opened read-only alone.

#include <string_view>

#include "common/PathStyle.h"
#include "common/ports/Automation.h"

namespace tg {

// False when no office runs (none is started for this). Throws AutomationError, in plain words,
// when the office could not open the file.
bool OpenReadOnlyInOffice(AutomationFactory& automation, std::string_view path, PathStyle style);

}  // namespace tg
