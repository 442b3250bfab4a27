#pragma once
// The backup pass: stores a copy of every open spreadsheet document of the running office suite
// under its backup name and records each stored copy in the history log.

#include <functional>
#include <string>

#include "backup/BackupNaming.h"
#include "backup/PassOptions.h"
#include "common/ports/Automation.h"
#include "common/ports/ChangeWitness.h"
#include "common/ports/Clock.h"
#include "common/ports/Controls.h"
#include "common/ports/Dialogs.h"
#include "common/ports/FileFacts.h"
#include "common/ports/FileSystem.h"
#include "common/ports/MessageLoop.h"
#include "common/ports/RegionalSettings.h"

namespace tg {

// Told of each copy as the pass makes it: progress for whoever waits on the pass.
class StoreObserver {
 public:
  virtual ~StoreObserver() = default;
  virtual void storing(std::string_view backupPath) = 0;  // the office begins writing
  virtual void stored(std::string_view backupPath) = 0;   // complete under its final name
  // The user's own office did not answer, so the pass ended quietly: a window has nothing to
  // say, a command line has its own exit status for it.
  virtual void officeNotRunning(std::string_view /*reason*/) {}
  // The pass turns to the spreadsheet of this file name ("" = to none): what it reports until
  // the next call is about that document, so a report without a window can name it.
  virtual void visiting(std::string_view /*fileName*/) {}
};

// What else happens around the copies of one pass (old copies removed, a nearly full disk
// skipped); every call is optional to the pass itself.
class PassExtras {
 public:
  virtual ~PassExtras() = default;
  // Every spreadsheet document of the pass, by its location ("" when never stored).
  virtual void seen(std::string_view location) = 0;
  // Asked before each store; false skips this copy without a report of its own.
  virtual bool mayStore(const BackupTarget& target) = 0;
  // Asked before the office writes the copy into the staging folder: false when that folder's
  // file system lacks the room, and the copy is then written straight into its own folder.
  virtual bool mayStage(const BackupTarget& target, std::string_view stagingFolder) = 0;
  // Asked once the office has written the copy, under its partial name in its own folder or, when
  // `staged`, in the staging folder (still to be written into its own); false deletes what was
  // written and skips this copy without a report of its own.
  virtual bool mayKeep(const BackupTarget& target, std::string_view writtenPath, bool staged) = 0;
  // After mayKeep said no: the kept copy the one written repeats, which stands for it; nothing
  // when it was left out for another reason.
  virtual std::optional<std::string> repeatedCopy() const { return std::nullopt; }
  // After a copy was stored and its history line written.
  virtual void stored(std::string_view location, const BackupTarget& target) = 0;
  // The pass is over, also when it ended early.
  virtual void ended() = 0;
};

// Everything a pass talks to. The pass keeps nothing of its own between calls, so a pass may
// start inside another pass's yield.
struct CalcContext {
  AutomationFactory& automation;
  std::function<PassOptions()> options;  // asked afresh for every document
  Dialogs& dialogs;                      // folder prompt and error reports
  MessageLoop& messageLoop;
  FileSystem& fileSystem;
  const Clock& clock;
  const RegionalSettings& regional;
  const std::string& historyLogPath;  // read at every append: the program-wide value
  PathStyle pathStyle;                // the front end says which; there is no default
  StoreObserver* stores = nullptr;
  PassExtras* extras = nullptr;
  // To tell a copy of this moment from one of another that has the same stamped name; without
  // it a stamped name is replaced as the fixed one is.
  const FileFacts* facts = nullptr;
  // A private folder, on a file system other than the copies' (a tmpfs), where the office first
  // writes each copy: its size is then known before the copies' folder gives up any room, so a
  // workbook grown in memory can't fill that disk. Ends with a separator; empty: none.
  std::string stagingFolder = {};
  // The change watch, asked before each store: a document with no edit since its last copy is not
  // stored again. None: every document is stored.
  ChangeWitness* witness = nullptr;
  // The copy is made at a moment of its own (BeforeClosingMark, BeforeRestoringMark): its history
  // line says so. Empty for a pass.
  std::string_view occasion = {};
};

// The object a call returned; throws AutomationError naming `what` when it returned none.
ObjectRef RequireObject(const Value& value, std::string_view what);
inline constexpr const char* SpreadsheetDocumentService = "com.sun.star.sheet.SpreadsheetDocument";
inline constexpr const char* UnsavedPromptTail = " is unsaved. Please select location:";
// A copy is written under this name in its own folder, and takes its final name only once the
// office has written it whole: a pass cut short never leaves half a file under a copy's name.
inline constexpr std::string_view PartialCopyPrefix = ".";
inline constexpr std::string_view PartialCopySuffix = ".tallyguard-partial";

// One backup pass over all open spreadsheet documents. Reports failures itself and returns
// nothing.
void SaveAll(const CalcContext& context);

// The same for one document, the office's `document`: its copy as it closes.
void SaveClosing(const CalcContext& context, const ObjectRef& document);

}  // namespace tg
