#pragma once
// The program's command line: --help and --version answer at once; --backup-now runs one backup
// pass against the running office with the stored settings, with no window and no tray, for a
// terminal, cron or a systemd timer. Without an option of its own the program starts its window.

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "backup/PassWindowSide.h"
#include "common/PathStyle.h"
#include "common/ports/Automation.h"
#include "common/ports/Clock.h"
#include "common/ports/CommandLinePlatform.h"
#include "common/ports/Environment.h"
#include "common/ports/FileFacts.h"
#include "common/ports/FileSystem.h"
#include "common/ports/HelperProcess.h"
#include "common/ports/MessageLoop.h"
#include "common/ports/OfficePresence.h"
#include "common/ports/PrivateState.h"
#include "common/ports/RegionalSettings.h"
#include "common/ports/SettingsBackend.h"
#include "common/ports/Shell.h"

namespace tg {

enum class CommandKind {
  StartWindow,
  Help,
  Version,
  BackupNow,
  ListCopies,
  Restore,
  Diff,
  Settings,
  AdministeredStart,  // the machine-wide logon entry's start
  ShowCell,           // the window's: a workbook, a sheet and a cell to show in the office
  Unknown
};

struct Command {
  CommandKind kind = CommandKind::StartWindow;
  std::string unknown;  // the option that was not understood
  std::string problem;  // what is wrong with an option that was understood
  // With --backup-now: the desktop menu's way, where no terminal shows a line. The backup is
  // handed to the running window when there is one, else the result ends in a notification.
  bool notify = false;
  // With the window: open the Versions window too (in the running copy, when there is one).
  bool versions = false;
  // With --list-copies: only the documents whose path holds this.
  std::string document;
  // With --restore: the copy; with --diff: the earlier version and, when given, the later one.
  std::vector<std::string> files;
  // With --diff: compare formulas where there are any, not the values they give.
  bool formulas = false;
};

// What the machine-wide logon entry runs: the window starts only where the administrator locked
// "Start at logon" on; for everyone else that entry does nothing.
inline constexpr const char* AdministeredStartFlag = "--administered-start";

// The program starts itself with this and a file's path to open the file read-only in the
// user's office, so that an office that hangs never holds the window.
inline constexpr const char* OpenReadOnlyFlag = "--open-read-only";
// The window asks, through this same program, whether the office has a file open.
inline constexpr const char* HasOpenFlag = "--has-open";

namespace ExitCodes {
inline constexpr int AllCopied = 0;
inline constexpr int SomethingFailed = 1;
inline constexpr int NoOffice = 2;
inline constexpr int DocumentOpen = 3;
inline constexpr int VersionsDiffer = 1;  // --diff, as diff tools answer
inline constexpr int DiffTrouble = 2;     // the answer of --has-open: the office has it open
// --backup-now --notify: the running window makes the backup and tells its outcome itself, so
// this start can't say whether anything was copied.
inline constexpr int HandedOver = 4;
inline constexpr int Usage = 64;  // as sysexits.h numbers a wrong command line
}  // namespace ExitCodes

// The whole command line, `arguments` without the program's own name: the backup helper's
// `--backup-pass LOG`, the opener's `--open-read-only FILE`, the answers, the backup, the list of
// copies, or the window. Returns the exit status.
int RunCommandLine(const std::vector<std::string>& arguments, CommandLinePlatform& platform,
                   std::ostream& out, std::ostream& errors);

// `arguments` without the program's own name. Options of the toolkit (one dash) are left to it;
// an unknown option with two dashes is an error rather than a window started by mistake.
Command ParseCommandLine(const std::vector<std::string>& arguments);

std::string HelpText(std::string_view programName);
std::string VersionText(std::string_view version);
std::string UnknownOptionText(std::string_view programName, std::string_view option);
std::string MisusedOptionText(std::string_view programName, std::string_view problem);

// The pass itself runs in the backup helper, as the window's do: the command line only waits on
// it, bounded by the same watch over the office.
struct BackupNowPorts {
  SettingsBackend& settings;
  const OfficePresence& presence;
  const Environment& environment;
  const Shell& shell;
  const Clock& clock;
  PathStyle pathStyle;
  HelperProcess& helper;
  MessageLoop& messageLoop;
  double hangSeconds = OfficeHangSeconds;
};

// The notification that tells a backup's result where no terminal shows its lines: from the exit
// status and the lines RunBackupNow wrote. It ends in a full stop.
std::string BackupNowNotice(int status, std::string_view out, std::string_view errors);
inline constexpr std::string_view BackupNoticeTitle = "Tallyguard backup";

// One pass in the helper whose copies become lines on `out`, and whose failures and skipped
// copies lines on `errors`: never a message box, never the folder prompt (a document that was
// never saved is skipped): the context's dialogs and notices are replaced. Returns the exit
// status, as RunBackupNow's.
int RunPassAsLines(const WindowSideContext& context, std::ostream& out, std::ostream& errors);

// What --list-copies reads.
struct ListCopiesPorts {
  FileSystem& fileSystem;
  const FileFacts& facts;
  PrivateState* state;
  const RegionalSettings& regional;
  const Environment& environment;
  PathStyle pathStyle;
};
// The copies as the Versions window shows them, one a line (see ListCopiesText); exit 0.
int RunListCopies(const ListCopiesPorts& ports, std::string_view document, std::ostream& out,
                  std::ostream& errors);

// The opener's exit status: 0 opened, ExitCodes::NoOffice when no office runs, 1 with the reason
// on `errors` when the office did not open it.
int RunOpenReadOnly(AutomationFactory& automation, std::string_view path, PathStyle style,
                    std::ostream& errors);

// What a child the window started to talk to the office ended with.
struct ChildAnswer {
  int status = ExitCodes::SomethingFailed;
  std::string reason;  // what it wrote to its error output
  std::string output;  // what it wrote to its standard output
};

// What the window reads from the opener's answer: true opened, false no office runs; anything
// else throws std::runtime_error with its reason.
bool OpenedByAnswer(const ChildAnswer& answer);

// The asker's exit status: ExitCodes::DocumentOpen when the office has the file open, 0 when it
// has not or none runs, 1 with the reason on `errors` when the office could not be asked.
int RunHasOpen(AutomationFactory& automation, const FileSystem& fileSystem, std::string_view path,
               PathStyle style, std::ostream& errors);
// What the window reads from its answer: a failure throws std::runtime_error with its reason.
bool HasOpenByAnswer(const ChildAnswer& answer);

// Whether the administrator locked "Start at logon" on: the machine-wide logon entry then starts
// the program, and the user's own entry is not needed.
bool AdministratorStartsAtLogon(SettingsBackend& settings);

// The backup options as the window stores them; a number that does not read selects what the
// window would select.
PassOptions ReadStoredOptions(SettingsBackend& settings, const Shell& shell,
                              const Environment& environment, PathStyle style);

// A setting the program stores, and its value when no store has one.
struct SettingDefault {
  std::string_view key;
  std::string_view builtIn;
};

// --settings: a line per setting the program stores, then per one of `platformKeys`: key, value in
// force, and its source ("user", "system default", "policy", "built-in"), separated by tabs (with
// PathStyle::Posix a tab, line break or backslash within a field is written as \t, \n, \r or
// \\). The folder's built-in value is the desktop. Exit 0.
int RunShowSettings(SettingsBackend& settings, const Shell& shell, PathStyle style,
                    const std::vector<SettingDefault>& platformKeys, std::ostream& out);

// One pass; a line on `out` per stored copy, a line on `errors` per failure or skipped copy.
// Returns ExitCodes::AllCopied, SomethingFailed or NoOffice. Never asks anything.
int RunBackupNow(const BackupNowPorts& ports, std::ostream& out, std::ostream& errors);

}  // namespace tg
