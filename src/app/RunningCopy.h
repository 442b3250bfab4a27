#pragma once
// A start that finds the program already running for this user hands its request to that copy
// and ends; the running copy answers it. The same on every platform.

#include <functional>
#include <iosfwd>
#include <string>

#include "app/CommandLine.h"
#include "common/ports/RunningCopyRequests.h"
#include "common/ports/SingleInstance.h"

namespace tg {

class Program;

// A start of the window: true when another copy runs and was asked to show its window (or its
// Versions window); this start then ends without a window of its own.
bool HandedToRunningCopy(SingleInstance& lock, RunningCopyRequests& requests, bool versions);

// The running copy's answer to a later start's request.
void AnswerRequest(Program& program, RunningCopyRequest request);

// `--backup-now --notify`, the desktop's Backup Now: the running copy backs up as its own button
// does and tells it there; without one, one pass here, its lines as the command line prints them
// and its outcome in one notification.
using NotifyUser = std::function<void(const std::string& title, const std::string& text)>;
int BackupNowAndNotify(const BackupNowPorts& ports, RunningCopyRequests& requests,
                       const NotifyUser& notify, std::ostream& out, std::ostream& errors);

}  // namespace tg
