#pragma once
// What a front end does for the command line: the program's name and version as it prints them,
// the backup helper, the opener, a backup and the list of copies from the command line, the
// window.

#include <string>

namespace tg {

struct Command;

class CommandLinePlatform {
 public:
  virtual ~CommandLinePlatform() = default;
  virtual std::string programName() const = 0;
  virtual std::string version() const = 0;
  // Before anything is written: a window program started from a console writes to that console.
  virtual void beforeWriting() {}
  // One pass in the backup helper, logging to `log`; returns its exit status.
  virtual int runBackupHelper(const std::string& log) = 0;
  // The change watch, where it is the program itself, logging close-time copies to `log`; runs
  // while the window does. A platform whose watch is a program of its own ends at once.
  virtual int runChangeWatch(const std::string& /*log*/) { return 1; }
  // Opens the file read-only in the user's office; returns the opener's exit status.
  virtual int openReadOnly(const std::string& path) = 0;
  // Asks the user's office whether it has the file open; returns the asker's exit status.
  virtual int hasOpen(const std::string& path) = 0;
  virtual int backupNow(const Command& command) = 0;
  virtual int listCopies(const Command& command) = 0;
  // --restore and --diff: through the office when one runs; returns the exit status.
  virtual int copyCommand(const Command& command) = 0;
  // --settings: every setting, its value in force and where it comes from; the exit status.
  virtual int showSettings() = 0;
  // Whether the administrator locked "Start at logon" on (AdministratorStartsAtLogon on the
  // stored settings), read without a display.
  virtual bool administratorStartsAtLogon() = 0;
  // The window, with the Versions window when the command asks for it.
  virtual int startWindow(const Command& command) = 0;
};

}  // namespace tg
