#include "app/CommandLine.h"

#include <algorithm>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <utility>

#include "app/CopyCommands.h"
#include "app/Program.h"
#include "backup/CopyCatalogue.h"
#include "backup/HistoryLog.h"
#include "backup/OpenCopy.h"
#include "backup/OpenDocuments.h"
#include "backup/PassProtocol.h"
#include "backup/Retention.h"
#include "backup/WatchProtocol.h"
#include "common/Globals.h"
#include "mainwindow/Settings.h"
#include "mainwindow/Versions.h"
#include "reporting/ErrorReport.h"

namespace tg {
namespace {

constexpr std::string_view WaitingForAnotherBackup = "Waiting for another backup to end...";

// Failure reports become lines, each naming the document it is about when there is one; the
// folder prompt is never shown: the document is skipped.
class TerminalDialogs : public Dialogs {
 public:
  explicit TerminalDialogs(std::ostream& errors, const std::string* document = nullptr)
      : errors_(errors), document_(document) {}

  MessageAnswer messageBox(std::string_view text, std::string_view, MessageButtons,
                           MessageIcon) override {
    errors_ << "failed: ";
    if (document_ && !document_->empty()) errors_ << *document_ << ": ";
    errors_ << text.substr(0, text.find("\r\n")) << '\n';
    ++failures;
    return MessageAnswer::No;
  }

  std::string browseForFolder(std::string_view, std::string_view) override {
    errors_ << "skipped: a document that was never saved has no folder of its own, and a backup "
               "asked for outside the window asks for none; save it once in the office, or "
               "choose one folder for all backups.\n";
    ++skipped;
    return "";
  }

  int failures = 0;
  int skipped = 0;

 private:
  std::ostream& errors_;
  const std::string* document_;
};

// A line per copy on `out`; on `errors`, a line per copy skipped for want of space, and one while
// another backup runs.
class TerminalNotices : public PassNotices {
 public:
  TerminalNotices(std::ostream& out, std::ostream& errors) : out_(out), errors_(errors) {}

  void storing(std::string_view) override {}
  void stored(std::string_view) override {}
  void officeNotRunning(std::string_view reason) override { noOffice = std::string(reason); }
  void visiting(std::string_view fileName) override { document = std::string(fileName); }
  void waiting() override {
    if (!std::exchange(told_, true)) errors_ << WaitingForAnotherBackup << '\n';
  }
  void copied(const std::string& historyLine) override { out_ << historyLine << '\n'; }
  void skipped(const std::string& fileName, const std::string& folder) override {
    errors_ << "skipped: " << fileName << ": not enough free disk space in " << folder << '\n';
    ++skippedCount;
  }

  std::optional<std::string> noOffice;
  std::string document;  // the one the pass is at
  int skippedCount = 0;

 private:
  std::ostream& out_;
  std::ostream& errors_;
  bool told_ = false;
};

}  // namespace

bool AdministratorStartsAtLogon(SettingsBackend& backend) {
  const Settings settings(backend);
  if (!settings.IsLocked(SettingKeys::WindowsStartup)) return false;
  return IsSettingOn(settings.ReadSetting(SettingKeys::WindowsStartup, SettingOff));
}

// The same readings and defaults as the window's start-up.
PassOptions ReadStoredOptions(SettingsBackend& backend, const Shell& shell,
                              const Environment& environment, PathStyle style) {
  const Settings settings(backend);
  const auto number = [&](std::string_view key, std::string_view fallback) {
    try {
      return static_cast<int>(ToInteger16(settings.ReadSetting(key, fallback)));
    } catch (const std::exception&) {
      return 0;
    }
  };
  PassOptions options;
  const int where = number(SettingKeys::WhereOption, "2");
  options.chosenFolder = where == 1;
  options.sameFolder = where == 2;
  std::string desktop;
  try {
    desktop = GetDesktopFolder(shell, style);
  } catch (const std::exception&) {
  }
  options.folder =
      FolderOfUser(settings.ReadSetting(SettingKeys::Path, desktop), environment, style);
  options.newFile = number(SettingKeys::BackupOption, "1") == 1;
  options.overwrite = !options.newFile;
  options.stamp = IsSettingOn(settings.ReadSetting(SettingKeys::IncludeDate, SettingOn));
  options.keep = KeepCountOf(settings.ReadSetting(KeepCopiesKey, KeepAllCopies));
  options.thin = ThinsCopies(settings.ReadSetting(ThinCopiesKey, ThinCopiesOff));
  return options;
}

namespace {

// The history log the window writes, which the command line's copies are logged in and listed
// from; none, said on `errors`, when it has no folder.
std::optional<std::string> HistoryLogOf(const Environment& environment, PathStyle style,
                                        std::ostream& errors) {
  try {
    return HistoryLogPath(ProductTitle, environment, style);
  } catch (const std::exception& failure) {
    errors << "failed: the history log has no folder: " << failure.what() << '\n';
    return std::nullopt;
  }
}

}  // namespace

Command ParseCommandLine(const std::vector<std::string>& arguments) {
  Command command;
  const auto only = [](CommandKind kind, std::string option = {}) {
    Command answer;
    answer.kind = kind;
    answer.unknown = std::move(option);
    return answer;
  };
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--help" || argument == "-h") return only(CommandKind::Help);
    if (argument == "--version") return only(CommandKind::Version);
    if (argument == "--settings") return only(CommandKind::Settings);
    if (argument == AdministeredStartFlag) return only(CommandKind::AdministeredStart);
    if (argument == "--backup-now") {
      command.kind = CommandKind::BackupNow;
    } else if (argument == "--notify") {
      command.notify = true;
    } else if (argument == "--versions") {
      command.versions = true;
    } else if (argument == "--list-copies") {
      command.kind = CommandKind::ListCopies;
      // The document is the next word, unless that is an option of its own.
      if (i + 1 < arguments.size() && !arguments[i + 1].starts_with("-")) {
        command.document = arguments[++i];
      }
    } else if (argument == "--restore" || argument == "--diff") {
      command.kind = argument == "--restore" ? CommandKind::Restore : CommandKind::Diff;
    } else if (!argument.starts_with("-") &&
               (command.kind == CommandKind::Restore || command.kind == CommandKind::Diff)) {
      command.files.push_back(argument);
    } else if (argument == "--formulas") {
      command.formulas = true;
    } else if (argument.rfind("--", 0) == 0) {
      return only(CommandKind::Unknown, argument);
    }
  }
  if (command.notify && command.kind != CommandKind::BackupNow) {
    return only(CommandKind::Unknown, "--notify");  // it says how to tell a backup's result
  }
  if (command.kind == CommandKind::Restore && command.files.size() != 1) {
    Command wrong = only(CommandKind::Unknown, "--restore");
    wrong.problem = "--restore takes one copy, the file to restore from";
    return wrong;
  }
  if (command.kind == CommandKind::Diff && (command.files.empty() || command.files.size() > 2)) {
    Command wrong = only(CommandKind::Unknown, "--diff");
    wrong.problem = "--diff takes one or two versions to compare";
    return wrong;
  }
  if (command.formulas && command.kind != CommandKind::Diff) {
    return only(CommandKind::Unknown, "--formulas");
  }
  if (command.versions && command.kind != CommandKind::StartWindow) {
    return only(CommandKind::Unknown, "--versions");  // a window, not a terminal's answer
  }
  return command;
}

int RunCommandLine(const std::vector<std::string>& arguments, CommandLinePlatform& platform,
                   std::ostream& out, std::ostream& errors) {
  // The helper is started by the program itself, with exactly its flag and the log.
  if (arguments.size() == 2 && arguments[0] == BackupPassFlag) {
    return platform.runBackupHelper(arguments[1]);
  }
  if (arguments.size() == 2 && arguments[0] == ChangeWatchFlag) {
    return platform.runChangeWatch(arguments[1]);
  }
  if (arguments.size() == 2 && arguments[0] == OpenReadOnlyFlag) {
    return platform.openReadOnly(arguments[1]);
  }
  if (arguments.size() == 2 && arguments[0] == HasOpenFlag) return platform.hasOpen(arguments[1]);
  if (arguments.size() == 4 && arguments[0] == ShowCellFlag) {
    Command show;
    show.kind = CommandKind::ShowCell;
    show.files.assign(arguments.begin() + 1, arguments.end());
    return platform.copyCommand(show);
  }
  const Command command = ParseCommandLine(arguments);
  if (command.kind == CommandKind::StartWindow) return platform.startWindow(command);
  // Run at every user's logon: silent, with nothing to show, where the lock is not on.
  if (command.kind == CommandKind::AdministeredStart) {
    if (!platform.administratorStartsAtLogon()) return ExitCodes::AllCopied;
    return platform.startWindow(Command{});
  }
  platform.beforeWriting();
  switch (command.kind) {
    case CommandKind::Help:
      out << HelpText(platform.programName());
      return ExitCodes::AllCopied;
    case CommandKind::Version:
      out << VersionText(platform.version());
      return ExitCodes::AllCopied;
    case CommandKind::Unknown:
      errors << (command.problem.empty()
                     ? UnknownOptionText(platform.programName(), command.unknown)
                     : MisusedOptionText(platform.programName(), command.problem));
      return ExitCodes::Usage;
    case CommandKind::ListCopies:
      return platform.listCopies(command);
    case CommandKind::Settings:
      return platform.showSettings();
    case CommandKind::Restore:
    case CommandKind::Diff:
      return platform.copyCommand(command);
    default:
      return platform.backupNow(command);
  }
}

std::string HelpText(std::string_view programName) {
  const std::string name(programName);
  return "Usage: " + name +
         " [--versions | --backup-now [--notify] | --list-copies [DOCUMENT] |\n"
         "       --restore COPY | --diff [--formulas] COPY [OTHER] | --settings | --help |\n"
         "       --version | --administered-start]\n" +
         "Keeps backup copies of the spreadsheets open in LibreOffice.\n"
         "\n"
         "Without an option the window starts (or, when it already runs, comes to the front).\n"
         "\n"
         "  --versions    the window, with the Versions window open to find and open any\n"
         "                earlier copy\n"
         "  --backup-now  store one copy of every open spreadsheet now, with the stored settings,\n"
         "                without a window; prints one line per copy and per failure\n"
         "  --notify      with --backup-now: hand the backup to the running window when there is\n"
         "                one, else tell its result in a desktop notification as well\n"
         "  --list-copies [DOCUMENT]\n"
         "                print the copies, newest first, of every document (or of those whose\n"
         "                path holds DOCUMENT): document, time, size in bytes, copy, and whether\n"
         "                it is present or gone, separated by tabs (where names may hold\n"
         "                them, a tab, line break or backslash within a field is written as\n"
         "                \\t, \\n, \\r or \\\\)\n"
         "  --restore COPY\n"
         "                give the copy's workbook the copy's content back; the workbook's\n"
         "                current state (unsaved edits included) is kept as a copy first, and\n"
         "                a workbook open in the office is reloaded there\n"
         "  --diff COPY [OTHER]\n"
         "                the cells that changed from COPY to OTHER (by default the workbook as\n"
         "                it is now, unsaved edits included), one a line: what, sheet, place,\n"
         "                before, after, separated by tabs; inserted and deleted rows and\n"
         "                columns are one line each\n"
         "  --formulas    with --diff: compare formulas rather than the values they give\n"
         "  --settings    print every setting, the value in force and where it comes from\n"
         "                (user, system default, policy or built-in), separated by tabs\n"
         "  --administered-start\n"
         "                for the machine-wide logon entry: start as at logon when the\n"
         "                administrator locked \"Start at logon\" on, else exit at once\n"
         "  --help        show this help and exit\n"
         "  --version     show the version and exit\n"
         "\n"
         "Exit status of --backup-now: 0 every document was copied, 1 something failed or was\n"
         "skipped, 2 no office suite is running, 4 (with --notify) the running window makes the\n"
         "backup and tells its outcome.\n"
         "Exit status of --diff: 0 the versions are the same, 1 they differ, 2 they could not be\n"
         "compared. Of --restore: 0 restored, 1 not.\n";
}

std::string VersionText(std::string_view version) {
  return std::string(ProductTitle) + " " + std::string(version) + "\n";
}

std::string UnknownOptionText(std::string_view programName, std::string_view option) {
  return std::string(programName) + ": unknown option " + std::string(option) + "\nTry " +
         std::string(programName) + " --help\n";
}

std::string MisusedOptionText(std::string_view programName, std::string_view problem) {
  return std::string(programName) + ": " + std::string(problem) + "\nTry " +
         std::string(programName) + " --help\n";
}

std::string BackupNowNotice(int status, std::string_view out, std::string_view errors) {
  // The problems, one a line, as the user reads them: without the word that starts the line, and
  // without the note that the backup waited for another.
  std::vector<std::string_view> problems;
  for (size_t start = 0; start < errors.size();) {
    const size_t end = std::min(errors.find('\n', start), errors.size());
    std::string_view line = errors.substr(start, end - start);
    start = end + 1;
    if (line.empty() || line == WaitingForAnotherBackup) continue;
    for (std::string_view word : {"failed: ", "skipped: "}) {
      if (line.starts_with(word)) line.remove_prefix(word.size());
    }
    problems.push_back(line);
  }
  const auto copied = std::ranges::count(out, '\n');
  const std::string copies = std::to_string(copied) + (copied == 1 ? " spreadsheet was copied."
                                                                   : " spreadsheets were copied.");
  if (status == ExitCodes::AllCopied) {
    return copied == 0 ? "No spreadsheet is open, so there was nothing to copy." : copies;
  }
  std::string first = problems.empty() ? "" : std::string(problems.front());
  if (!first.empty() && first.back() != '.') first += '.';
  if (status == ExitCodes::NoOffice) return first;
  return copies +
         (problems.size() == 1
              ? " One failed or was skipped: "
              : " " + std::to_string(problems.size()) + " failed or were skipped; the first: ") +
         first;
}

int RunShowSettings(SettingsBackend& backend, const Shell& shell, PathStyle style,
                    const std::vector<SettingDefault>& platformKeys, std::ostream& out) {
  std::string desktop;
  try {
    desktop = GetDesktopFolder(shell, style);
  } catch (const std::exception&) {
  }
  // The window's, then the Versions window's size; the defaults are those their readers use.
  std::vector<SettingDefault> keys{{SettingKeys::Path, desktop},
                                   {SettingKeys::WhereOption, "2"},
                                   {SettingKeys::BackupOption, "1"},
                                   {SettingKeys::WindowsStartup, SettingOff},
                                   {SettingKeys::IncludeDate, SettingOn},
                                   {SettingKeys::OftenIndex, "3"},
                                   {SettingKeys::StartStopState, SettingOn},
                                   {SettingKeys::Minimized, SettingOff},
                                   {KeepCopiesKey, KeepAllCopies},
                                   {ThinCopiesKey, ThinCopiesOff},
                                   {VersionsSizeKey, ""}};
  keys.insert(keys.end(), platformKeys.begin(), platformKeys.end());
  const auto field = [style](std::string_view text) {
    return style == PathStyle::Posix ? EscapedField(text) : std::string(text);
  };
  for (const SettingDefault& each : keys) {
    const std::optional<StoredSetting> stored = Settings(backend).Lookup(each.key);
    out << field(each.key) << '\t' << field(stored ? stored->text : each.builtIn) << '\t'
        << SourceName(stored ? stored->source : SettingSource::BuiltIn) << '\n';
  }
  return ExitCodes::AllCopied;
}

int RunListCopies(const ListCopiesPorts& ports, std::string_view document, std::ostream& out,
                  std::ostream& errors) {
  const std::optional<std::string> historyLogPath =
      HistoryLogOf(ports.environment, ports.pathStyle, errors);
  if (!historyLogPath) return ExitCodes::SomethingFailed;
  const CopyCatalogue catalogue = ReadCopiesOfUser(ports.fileSystem, ports.state, ports.regional,
                                                   ports.pathStyle, *historyLogPath);
  out << ListCopiesText(catalogue.documents(), document, ports.facts, ports.pathStyle);
  return ExitCodes::AllCopied;
}

int RunOpenReadOnly(AutomationFactory& automation, std::string_view path, PathStyle style,
                    std::ostream& errors) {
  try {
    if (OpenReadOnlyInOffice(automation, path, style)) return ExitCodes::AllCopied;
    errors << "No office suite is running.\n";
    return ExitCodes::NoOffice;
  } catch (const std::exception& failure) {
    errors << failure.what() << '\n';
    return ExitCodes::SomethingFailed;
  }
}

int RunHasOpen(AutomationFactory& automation, const FileSystem& fileSystem, std::string_view path,
               PathStyle style, std::ostream& errors) {
  try {
    return OfficeHasOpen(automation, fileSystem, path, style) ? ExitCodes::DocumentOpen
                                                              : ExitCodes::AllCopied;
  } catch (const std::exception& failure) {
    errors << failure.what() << '\n';
    return ExitCodes::SomethingFailed;
  }
}

bool OpenedByAnswer(const ChildAnswer& answer) {
  if (answer.status == ExitCodes::NoOffice) return false;
  if (answer.status != ExitCodes::AllCopied) throw std::runtime_error(answer.reason);
  return true;
}

bool HasOpenByAnswer(const ChildAnswer& answer) {
  if (answer.status == ExitCodes::DocumentOpen) return true;
  if (answer.status != ExitCodes::AllCopied) throw std::runtime_error(answer.reason);
  return false;
}

int RunBackupNow(const BackupNowPorts& ports, std::ostream& out, std::ostream& errors) {
  const PassOptions options =
      ReadStoredOptions(ports.settings, ports.shell, ports.environment, ports.pathStyle);
  // Reaching for the office when none runs would start one; this look starts nothing.
  if (!ports.presence.officeRuns()) {
    errors << "No office suite is running, so there is nothing to back up.\n";
    return ExitCodes::NoOffice;
  }
  const std::optional<std::string> historyLogPath =
      HistoryLogOf(ports.environment, ports.pathStyle, errors);
  if (!historyLogPath) return ExitCodes::SomethingFailed;
  TerminalDialogs replacedByLines(errors);
  return RunPassAsLines(WindowSideContext{.helper = ports.helper,
                                          .options = [&options] { return options; },
                                          .dialogs = replacedByLines,
                                          .messageLoop = ports.messageLoop,
                                          .clock = ports.clock,
                                          .historyLogPath = *historyLogPath,
                                          .hangSeconds = ports.hangSeconds},
                        out, errors);
}

int RunPassAsLines(const WindowSideContext& context, std::ostream& out, std::ostream& errors) {
  TerminalNotices notices(out, errors);
  TerminalDialogs dialogs(errors, &notices.document);
  RunPassInHelper(WindowSideContext{.helper = context.helper,
                                    .options = context.options,
                                    .dialogs = dialogs,
                                    .messageLoop = context.messageLoop,
                                    .clock = context.clock,
                                    .historyLogPath = context.historyLogPath,
                                    .hangSeconds = context.hangSeconds,
                                    .notices = &notices});
  out.flush();
  if (notices.noOffice) {
    errors << "The running office suite could not be reached: " << *notices.noOffice << '\n';
    return ExitCodes::NoOffice;
  }
  const bool allCopied = dialogs.failures == 0 && dialogs.skipped == 0 && notices.skippedCount == 0;
  return allCopied ? ExitCodes::AllCopied : ExitCodes::SomethingFailed;
}

}  // namespace tg
