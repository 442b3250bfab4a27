#pragma once
// Which files the office has open as documents. A file it has open is never written over, by a
// backup or by a restored copy: the office would go on with what it holds and store it back over
// what was put there. Lock files can't tell it alone: an office can run with them off.

#include <string_view>

#include "common/PathStyle.h"
#include "common/ports/Automation.h"
#include "common/ports/FileSystem.h"

namespace tg {

// The office that runs for this user, reached: both empty when none runs (none is started for
// this).
struct RunningOffice {
  ObjectRef serviceManager;
  ObjectRef desktop;
};
RunningOffice ReachRunningOffice(AutomationFactory& automation);

// True when one of `components` (the office's list of open components) is a document whose file
// is the one at `path`, whatever links or spellings stand between them. False for a path where
// no file is: then no document can be it, and the office is not asked.
bool ComponentsHaveOpen(AutomationObject& components, const FileSystem& fileSystem,
                        std::string_view path, PathStyle style);

// The open document whose file is the one at `path`; none when there is none.
ObjectRef FindOpenDocument(AutomationObject& desktop, const FileSystem& fileSystem,
                           std::string_view path, PathStyle style);

// The same, asked of the office that runs for this user; false when none runs (none is started
// for this). Throws AutomationError, in plain words, when the office could not be asked.
bool OfficeHasOpen(AutomationFactory& automation, const FileSystem& fileSystem,
                   std::string_view path, PathStyle style);

}  // namespace tg
