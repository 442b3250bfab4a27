#include "mainwindow/CommandLine.h"

#include <ostream>
#include <stdexcept>
#include <utility>

#include "backup/Calc.h"
#include "backup/CopyKeeping.h"
#include "backup/FixedOptions.h"
#include "backup/HistoryLog.h"
#include "backup/PassTurn.h"
#include "backup/Retention.h"
#include "common/Globals.h"
#include "mainwindow/Program.h"
#include "mainwindow/Settings.h"
#include "reporting/ErrorReport.h"

namespace tg {
namespace {

// Failure reports become lines; the folder prompt is never shown: the document is skipped.
class TerminalDialogs : public Dialogs {
 public:
  explicit TerminalDialogs(std::ostream& errors) : errors_(errors) {}

  MessageAnswer messageBox(std::string_view text, std::string_view title, MessageButtons,
                           MessageIcon) override {
    const std::string_view description = text.substr(0, text.find("\r\n"));
    errors_ << (skipping_ ? "skipped: " : "failed: ") << description << '\n';
    if (!skipping_ || title != ApplicationErrorTitle) ++failures;
    skipping_ = false;
    return MessageAnswer::No;
  }

  std::string browseForFolder(std::string_view, std::string_view) override {
    skipping_ = true;
    ++skipped;
    throw std::runtime_error(
        "a document that was never saved has no folder of its own, and a backup from the command "
        "line asks for none; save it once in the office, or choose one folder for all backups");
  }

  int failures = 0;
  int skipped = 0;

 private:
  std::ostream& errors_;
  bool skipping_ = false;
};

struct StoredOptions {
  FixedOption sameFolder{false};
  FixedOption chosenFolder{false};
  FixedText folder{""};
  FixedCheck stamp{false};
  FixedOption newFile{false};
  FixedOption overwrite{false};
  int keep = 0;
};

// The same readings and defaults as the window's start-up; a number that does not read selects
// what the window would select.
void ReadStoredOptions(const BackupNowPorts& ports, StoredOptions& options) {
  const Settings settings(ports.settings);
  const auto number = [&](std::string_view key, std::string_view fallback) {
    try {
      return static_cast<int>(ToInteger16(settings.ReadSetting(key, fallback)));
    } catch (const std::exception&) {
      return 0;
    }
  };
  const int where = number(SettingKeys::WhereOption, "2");
  options.chosenFolder.setSelected(where == 1);
  options.sameFolder.setSelected(where == 2);
  std::string desktop;
  try {
    desktop = GetDesktopFolder(ports.shell, ports.pathStyle);
  } catch (const std::exception&) {
  }
  options.folder.setText(settings.ReadSetting(SettingKeys::Path, desktop));
  const bool newFile = number(SettingKeys::BackupOption, "1") == 1;
  options.newFile.setSelected(newFile);
  options.overwrite.setSelected(!newFile);
  options.stamp.setValue(IsSettingOn(settings.ReadSetting(SettingKeys::IncludeDate, SettingOn))
                             ? CheckBox::Checked
                             : CheckBox::Unchecked);
  options.keep = KeepCountOf(settings.ReadSetting(KeepCopiesKey, KeepAllCopies));
}

// Reaching for the office when none runs would start one; so it is only reached for when it runs.
bool ReachOffice(const BackupNowPorts& ports, std::ostream& errors) {
  if (!ports.presence.officeRuns()) {
    errors << "No office suite is running, so there is nothing to back up.\n";
    return false;
  }
  try {
    if (ports.automation.create(OfficeServiceManagerId)) return true;
  } catch (const std::exception& failure) {
    errors << "The running office suite could not be reached: " << failure.what() << '\n';
    return false;
  }
  errors << "The running office suite could not be reached.\n";
  return false;
}

}  // namespace

Command ParseCommandLine(const std::vector<std::string>& arguments) {
  Command command;
  for (const std::string& argument : arguments) {
    if (argument == "--help" || argument == "-h") return {CommandKind::Help, {}};
    if (argument == "--version") return {CommandKind::Version, {}};
    if (argument == "--backup-now") {
      command.kind = CommandKind::BackupNow;
    } else if (argument.rfind("--", 0) == 0) {
      return {CommandKind::Unknown, argument};
    }
  }
  return command;
}

std::string HelpText(std::string_view programName) {
  const std::string name(programName);
  return "Usage: " + name + " [--backup-now | --help | --version]\n" +
         "Keeps backup copies of the spreadsheets open in LibreOffice.\n"
         "\n"
         "Without an option the window starts (or, when it already runs, comes to the front).\n"
         "\n"
         "  --backup-now  store one copy of every open spreadsheet now, with the stored settings,\n"
         "                without a window; prints one line per copy and per failure\n"
         "  --help        show this help and exit\n"
         "  --version     show the version and exit\n"
         "\n"
         "Exit status of --backup-now: 0 every document was copied, 1 something failed or was\n"
         "skipped, 2 no office suite is running.\n";
}

std::string VersionText(std::string_view version) {
  return std::string(ProductTitle) + " " + std::string(version) + "\n";
}

std::string UnknownOptionText(std::string_view programName, std::string_view option) {
  return std::string(programName) + ": unknown option " + std::string(option) + "\nTry " +
         std::string(programName) + " --help\n";
}

int RunBackupNow(const BackupNowPorts& ports, std::ostream& out, std::ostream& errors) {
  StoredOptions options;
  ReadStoredOptions(ports, options);
  if (!ReachOffice(ports, errors)) return ExitCodes::NoOffice;
  std::string historyLogPath;
  try {
    historyLogPath = HistoryLogPath(ProductTitle, ports.environment, ports.pathStyle);
  } catch (const std::exception& failure) {
    errors << "failed: the history log has no folder: " << failure.what() << '\n';
    return ExitCodes::SomethingFailed;
  }
  std::unique_ptr<PrivateState::Lock> turn;
  if (ports.state) {
    bool told = false;
    turn = TakePassTurn(*ports.state, [&] {
      if (!std::exchange(told, true)) errors << "Waiting for another backup to end...\n";
    });
    if (!turn) {
      errors << "failed: " << AnotherBackupRunning << '\n';
      return ExitCodes::SomethingFailed;
    }
  }
  TerminalDialogs dialogs(errors);
  NoMessageLoop loop;
  CopyKeeping keeping(
      CopyKeepingContext{.fileSystem = ports.fileSystem,
                         .facts = ports.facts,
                         .clock = ports.clock,
                         .regional = ports.regional,
                         .historyLogPath = historyLogPath,
                         .pathStyle = ports.pathStyle,
                         .keep = options.keep,
                         .copied = [&](const std::string& line) { out << line << '\n'; },
                         .skipped =
                             [&](const std::string& fileName, const std::string& folder) {
                               errors << "skipped: " << fileName
                                      << ": not enough free disk space in " << folder << '\n';
                             },
                         .nearlyFull = {},
                         .state = ports.state,
                         .keepingFailed =
                             [&](const std::string& problem) {
                               errors << "failed: " << problem << '\n';
                               ++dialogs.failures;
                             }});
  const BackupOptionControls controls{options.sameFolder, options.chosenFolder, options.folder,
                                      options.stamp,      options.newFile,      options.overwrite};
  CalcContext context{ports.automation, controls,    dialogs,        loop,
                      ports.fileSystem, ports.clock, ports.regional, historyLogPath,
                      ports.pathStyle};
  context.extras = &keeping;
  SaveAll(context);
  out.flush();
  const bool allCopied =
      dialogs.failures == 0 && dialogs.skipped == 0 && keeping.skippedCount() == 0;
  return allCopied ? ExitCodes::AllCopied : ExitCodes::SomethingFailed;
}

}  // namespace tg
