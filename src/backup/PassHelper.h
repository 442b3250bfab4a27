#pragma once
// The backup helper's side of a pass: the whole pass runs here, away from the window, with the
// option controls and the dialogs standing in for the window's over the helper's two streams.
// Whatever the office does, the window only ever waits for lines.

#include <iosfwd>
#include <string>

#include "common/PathStyle.h"
#include "common/ports/Automation.h"
#include "common/ports/Clock.h"
#include "common/ports/FileFacts.h"
#include "common/ports/FileSystem.h"
#include "common/ports/PrivateState.h"
#include "common/ports/RegionalSettings.h"

namespace tg {

struct PassHelperContext {
  AutomationFactory& automation;
  FileSystem& fileSystem;
  const Clock& clock;
  const RegionalSettings& regional;
  std::string historyLogPath;
  PathStyle pathStyle;
  const FileFacts* facts = nullptr;  // none: no copies kept and no disk guard
  PrivateState* state = nullptr;     // none: no turn taken and no record of copies kept
};

// Runs one pass, asking the window through `toWindow` and reading its answers from `fromWindow`,
// then says "done". Throws when the window is gone (its stream ended) in the middle of an ask; a
// window that garbles an answer counts as gone from then on.
void ServePass(std::istream& fromWindow, std::ostream& toWindow, const PassHelperContext& context);

}  // namespace tg
