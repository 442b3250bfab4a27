#pragma once
// The window's side of a pass run by the backup helper: it answers the helper's asks from the
// window's controls and dialogs, keeps the window's messages running all the while, and ends the
// helper when the office stops making progress.

#include <string>

#include "backup/Calc.h"
#include "common/ports/Environment.h"
#include "common/ports/HelperProcess.h"

namespace tg {

inline constexpr double OfficeHangSeconds = 60.0;
// OfficeHangSeconds, or the shorter bound TALLYGUARD_HANG_SECONDS names (tests use it).
double ChosenOfficeHangSeconds(const Environment& environment);

struct BackgroundPassContext {
  HelperProcess& helper;
  BackupOptionControls controls;
  Dialogs& dialogs;
  MessageLoop& messageLoop;
  const Clock& clock;
  const std::string& historyLogPath;
  double hangSeconds = OfficeHangSeconds;
  const NumberBox* keepCopies = nullptr;  // "Keep Copies"; none reads as 0, keep all
};

// Returns when the pass is over, the helper has failed, or the office hung; reports each of the
// last two once. Window messages run throughout.
void RunPassInHelper(const BackgroundPassContext& context);

}  // namespace tg
