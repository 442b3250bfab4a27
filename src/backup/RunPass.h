#pragma once
// One backup pass as the program runs it, wherever it runs: this user's turn to back up, the
// copies of every open spreadsheet, and the housekeeping around them (the disk guard, leftovers,
// Keep Copies). The backup helper runs it for the window and for the command line alike.

#include <string>
#include <vector>

#include "backup/Calc.h"
#include "backup/PassOptions.h"
#include "common/ports/FileFacts.h"
#include "common/ports/PrivateState.h"

namespace tg {

// What the pass works on besides the office: the same for every pass of a process.
struct PassEnvironment {
  AutomationFactory& automation;
  FileSystem& fileSystem;
  const Clock& clock;
  const RegionalSettings& regional;
  std::string historyLogPath;
  PathStyle pathStyle;
  const FileFacts* facts = nullptr;  // none: no copies kept and no disk guard
  PrivateState* state = nullptr;     // none: no turn taken and no record of copies kept
  std::string stagingFolder = {};    // see CalcContext
  ChangeWitness* witness = nullptr;  // see CalcContext
};

// What the pass tells, besides its message boxes, as it goes.
class PassNotices : public StoreObserver {
 public:
  // Another backup of this user runs; told about once a second while the pass waits for it.
  virtual void waiting() = 0;
  // A copy stored, as its history line.
  virtual void copied(const std::string& historyLine) = 0;
  // A copy left out because its disk would have been nearly full.
  virtual void skipped(const std::string& fileName, const std::string& folder) = 0;
};

// Where the pass meets the user: the options, read for every document, the message boxes and the
// folder prompt, and what it tells as it goes.
struct PassSurface {
  std::function<PassOptions()> options;
  Dialogs& dialogs;
  MessageLoop& messageLoop;
  PassNotices& notices;
};

// Runs one pass; reports its failures itself. When another pass of this user does not end within
// the wait, this one is not made and says so.
void RunPass(const PassEnvironment& environment, const PassSurface& surface);

// The copy of one document as it closes, while the office waits for it: the same naming, log and
// keeping as a pass, but no wait for another pass (which may itself wait on the office) and no
// turn taken from one: then the copy is made and logged, and kept without counting.
void RunClosingCopy(const PassEnvironment& environment, const PassSurface& surface,
                    const ObjectRef& document);

// The copy of an open document's state just before an earlier copy's content replaces it: the
// same naming and log as a pass, always stored (never judged a repeat of the last copy), so the
// user can go back to exactly what they had; not counted by Keep Copies.
void RunRestoringCopy(const PassEnvironment& environment, const PassSurface& surface,
                      const ObjectRef& document);

}  // namespace tg
