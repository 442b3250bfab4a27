#include "app/RunningCopy.h"

#include <ostream>
#include <sstream>

#include "app/Program.h"

namespace tg {

bool HandedToRunningCopy(SingleInstance& lock, RunningCopyRequests& requests, bool versions) {
  if (!lock.anotherCopyRuns()) return false;
  // A copy that runs and does not answer (still starting, hung) is left alone all the same.
  requests.ask(versions ? RunningCopyRequest::Versions : RunningCopyRequest::Show);
  return true;
}

void AnswerRequest(Program& program, RunningCopyRequest request) {
  switch (request) {
    case RunningCopyRequest::Show:
      program.showWindow();
      break;
    case RunningCopyRequest::Versions:
      program.showVersions();
      break;
    case RunningCopyRequest::BackupNow:
      program.backupNow();
      break;
  }
}

int BackupNowAndNotify(const BackupNowPorts& ports, RunningCopyRequests& requests,
                       const NotifyUser& notify, std::ostream& out, std::ostream& errors) {
  if (requests.ask(RunningCopyRequest::BackupNow)) {
    out << "The running Tallyguard makes the backup and tells what it copied.\n";
    return ExitCodes::HandedOver;
  }
  std::ostringstream lines, problems;
  const int status = RunBackupNow(ports, lines, problems);
  out << lines.str();
  errors << problems.str();
  notify(std::string(BackupNoticeTitle), BackupNowNotice(status, lines.str(), problems.str()));
  return status;
}

}  // namespace tg
