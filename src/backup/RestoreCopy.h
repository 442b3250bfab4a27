#pragma once
// Giving a workbook an earlier copy's content back, so that nothing is lost on the way: the
// workbook's state of the moment (unsaved edits included, through the office when it has it
// open) first becomes a copy of its own, logged like any other, so a restore can itself be undone
// from the same list; then the file is written as Save As writes one (under another name, flushed,
// renamed over it, keeping its mode and links); an open workbook is then reloaded in the office.
// A file another office holds is never written over.

#include <stdexcept>
#include <string>

#include "backup/PassOptions.h"
#include "backup/RunPass.h"

namespace tg {

// Why a restore was not made, in one sentence of this program's.
class RestoreRefused : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct RestoreRequest {
  std::string copy;
  std::string workbook;
  // Where the copy of the workbook's state goes: the folder options of the user's backups. It is
  // always named with the date and time, so it can replace no other copy.
  PassOptions options;
};

struct RestoreOutcome {
  std::string keptAs;     // the copy that holds the workbook's state from before
  bool reloaded = false;  // the office had it open and shows the restored content
};

// Throws RestoreRefused when nothing was written; AutomationError when the office failed after
// the state was kept (keptAs is then in the history log).
RestoreOutcome RestoreCopy(const PassEnvironment& environment, const RestoreRequest& request);

// The question the window asks first: "Budget.ods will get the content of its copy of 10:42; its
// current state is kept as a copy first."
std::string RestoreQuestion(std::string_view workbookName, std::string_view madeAt);
// What is said afterwards.
std::string RestoredText(std::string_view workbookName, const RestoreOutcome& outcome);

}  // namespace tg
