#pragma once
// The waiting side of a pass run by the backup helper (the window, or the command line): it
// answers the helper's asks with the options and its dialogs, keeps its messages running all the
// while, and ends the helper when the office stops making progress.

#include <string>

#include "backup/RunPass.h"
#include "common/ports/Environment.h"
#include "common/ports/HelperProcess.h"

namespace tg {

inline constexpr double OfficeHangSeconds = 60.0;
// OfficeHangSeconds, or the shorter bound TALLYGUARD_HANG_SECONDS names (tests use it).
double ChosenOfficeHangSeconds(const Environment& environment);

struct WindowSideContext {
  HelperProcess& helper;
  std::function<PassOptions()> options;  // asked by the helper for every document
  Dialogs& dialogs;
  MessageLoop& messageLoop;
  const Clock& clock;
  const std::string& historyLogPath;
  double hangSeconds = OfficeHangSeconds;
  // Told what the helper tells besides its asks; none: the window's way, which shows the folders
  // that were too full once, at the end.
  PassNotices* notices = nullptr;
};

// Returns when the pass is over, the helper has failed, or the office hung; reports each of the
// last two once. Messages run throughout.
void RunPassInHelper(const WindowSideContext& context);

}  // namespace tg
