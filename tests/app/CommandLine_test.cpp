// The command line: what each option does, and one backup pass without a window, told line by
// line, that never asks anything.

#include "app/CommandLine.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

#include "backup/PassTurn.h"
#include "backup/Retention.h"
#include "mainwindow/Settings.h"
#include "memory/CountingMessageLoop.h"
#include "memory/FixedClock.h"
#include "memory/LoopbackHelper.h"
#include "memory/MemoryEnvironment.h"
#include "memory/MemoryFileFacts.h"
#include "memory/MemoryFileSystem.h"
#include "memory/MemoryPrivateState.h"
#include "memory/MemorySettingsBackend.h"
#include "memory/MemoryShell.h"
#include "memory/MemorySuite.h"
#include "memory/UnitedStatesRegionalSettings.h"

namespace tg::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;

TEST(CommandLineParse, OptionsOfItsOwnAreFoundAndTheToolkitsAreLeftAlone) {
  EXPECT_EQ(ParseCommandLine({}).kind, CommandKind::StartWindow);
  EXPECT_EQ(ParseCommandLine({"-platform", "xcb"}).kind, CommandKind::StartWindow);
  EXPECT_EQ(ParseCommandLine({"--backup-now"}).kind, CommandKind::BackupNow);
  EXPECT_EQ(ParseCommandLine({"--backup-now", "--help"}).kind, CommandKind::Help);
  EXPECT_EQ(ParseCommandLine({"--version"}).kind, CommandKind::Version);
  EXPECT_TRUE(ParseCommandLine({"--notify", "--backup-now"}).notify);
  EXPECT_FALSE(ParseCommandLine({"--backup-now"}).notify);
  EXPECT_EQ(ParseCommandLine({"--notify"}).kind, CommandKind::Unknown);
  const Command typo = ParseCommandLine({"--backup-nwo"});
  EXPECT_EQ(typo.kind, CommandKind::Unknown);
  EXPECT_EQ(typo.unknown, "--backup-nwo");
}

// From the desktop menu nobody reads the lines: one notification says what they said.
// Both front ends run their command line through one flow: what each part is given, and that a
// window program reaches its console before the first word.
class RecordingPlatform : public CommandLinePlatform {
 public:
  std::string programName() const override { return "Tallyguard"; }
  std::string version() const override { return "9.8.7"; }
  void beforeWriting() override { done += "console "; }
  int runBackupHelper(const std::string& log) override {
    done += "helper:" + log + " ";
    return 5;
  }
  int openReadOnly(const std::string& path) override {
    done += "open:" + path + " ";
    return 0;
  }
  int hasOpen(const std::string& path) override {
    done += "has-open:" + path + " ";
    return 0;
  }
  int backupNow(const Command& command) override {
    done += command.notify ? "backup+notify " : "backup ";
    return 1;
  }
  int listCopies(const Command& command) override {
    done += "list:" + command.document + " ";
    return 0;
  }
  int copyCommand(const Command& command) override {
    done += std::string(command.kind == CommandKind::Restore ? "restore:" : "diff:");
    for (const std::string& file : command.files) done += file + ",";
    if (command.formulas) done += "formulas";
    done += " ";
    return 0;
  }
  int showSettings() override {
    done += "settings ";
    return 0;
  }
  bool administratorStartsAtLogon() override {
    done += "asked ";
    return lockedOn;
  }
  int startWindow(const Command& command) override {
    done += command.versions ? "window+versions " : "window ";
    return 0;
  }
  std::string done;
  bool lockedOn = false;
};

// The machine-wide logon entry starts the plain window only where the lock is on; elsewhere it
// ends at once, with nothing written and no console reached.
TEST(RunCommandLine, AdministeredStartStartsTheWindowOnlyWhereStartAtLogonIsLockedOn) {
  for (const bool lockedOn : {false, true}) {
    RecordingPlatform platform;
    platform.lockedOn = lockedOn;
    std::ostringstream out, errors;
    EXPECT_EQ(RunCommandLine({"--administered-start"}, platform, out, errors), 0);
    EXPECT_EQ(platform.done, lockedOn ? "asked window " : "asked ");
    EXPECT_EQ(out.str() + errors.str(), "");
  }
  EXPECT_EQ(ParseCommandLine({"--administered-start", "--versions"}).kind,
            CommandKind::AdministeredStart);
}

// Only a lock on the administrator's part, saying on, counts: neither the user's own value nor
// an administrator's default, nor a lock saying off.
TEST(AdministratorStartsAtLogon, OnlyALockSayingOn) {
  const auto startsWith = [](auto prepare) {
    MemorySettingsBackend backend;
    prepare(backend);
    return AdministratorStartsAtLogon(backend);
  };
  EXPECT_FALSE(startsWith([](MemorySettingsBackend&) {}));
  EXPECT_FALSE(startsWith([](MemorySettingsBackend& b) { b.store("Windows Startup", "On"); }));
  EXPECT_FALSE(startsWith([](MemorySettingsBackend& b) {
    b.administer("Windows Startup", "On", SettingSource::SystemDefault);
  }));
  EXPECT_FALSE(startsWith([](MemorySettingsBackend& b) {
    b.store("Windows Startup", "On");
    b.administer("Windows Startup", "Off", SettingSource::Policy);
  }));
  EXPECT_TRUE(startsWith([](MemorySettingsBackend& b) {
    b.store("Windows Startup", "Off");
    b.administer("Windows Startup", "On", SettingSource::Policy);
  }));
}

TEST(RunCommandLine, EachCommandGoesToItsPartAndAnswersOnTheRightStream) {
  auto run = [](std::vector<std::string> arguments) {
    RecordingPlatform platform;
    std::ostringstream out, errors;
    const int status = RunCommandLine(arguments, platform, out, errors);
    return std::tuple(status, platform.done, out.str(), errors.str());
  };
  EXPECT_EQ(run({}), std::tuple(0, "window ", "", ""));
  EXPECT_EQ(run({"-style", "fusion"}), std::tuple(0, "window ", "", ""));
  EXPECT_EQ(run({"--backup-pass", "/tmp/log.txt"}), std::tuple(5, "helper:/tmp/log.txt ", "", ""));
  EXPECT_EQ(run({"--backup-now", "--notify"}), std::tuple(1, "console backup+notify ", "", ""));
  EXPECT_EQ(run({"--version"}), std::tuple(0, "console ", VersionText("9.8.7"), ""));
  EXPECT_EQ(run({"--settings"}), std::tuple(0, "console settings ", "", ""));
  EXPECT_EQ(run({"--help"}), std::tuple(0, "console ", HelpText("Tallyguard"), ""));
  const auto [status, done, out, errors] = run({"--frobnicate"});
  EXPECT_EQ(status, ExitCodes::Usage);
  EXPECT_EQ(done, "console ");
  EXPECT_EQ(out, "");
  EXPECT_EQ(errors, UnknownOptionText("Tallyguard", "--frobnicate"));
  // The helper's flag only counts as the helper's whole command line.
  EXPECT_NE(std::get<1>(run({"--backup-pass"})), "helper: ");
}

// --restore takes exactly one copy, --diff one or two versions and --formulas, in any order; a
// command line that gives them wrongly runs nothing and says what is wrong.
TEST(RunCommandLine, RestoreAndDiffTakeTheirFilesOrSayWhatIsMissing) {
  auto run = [](std::vector<std::string> arguments) {
    RecordingPlatform platform;
    std::ostringstream out, errors;
    const int status = RunCommandLine(arguments, platform, out, errors);
    return std::tuple(status, platform.done, errors.str());
  };
  EXPECT_EQ(run({"--restore", "/c/Budget 1.ods"}),
            std::tuple(0, "console restore:/c/Budget 1.ods, ", ""));
  EXPECT_EQ(run({"--diff", "--formulas", "a.ods", "b.ods"}),
            std::tuple(0, "console diff:a.ods,b.ods,formulas ", ""));
  EXPECT_EQ(run({"--diff", "a.ods"}), std::tuple(0, "console diff:a.ods, ", ""));
  EXPECT_EQ(run({"--restore"}),
            std::tuple(ExitCodes::Usage, "console ",
                       MisusedOptionText("Tallyguard",
                                         "--restore takes one copy, the file to restore from")));
  EXPECT_EQ(std::get<0>(run({"--restore", "a.ods", "b.ods"})), ExitCodes::Usage);
  EXPECT_EQ(std::get<0>(run({"--diff", "a", "b", "c"})), ExitCodes::Usage);
  EXPECT_EQ(std::get<0>(run({"--formulas", "--backup-now"})), ExitCodes::Usage);
}

// --versions opens a window, so it goes with no command that answers in the terminal: combined
// with one it is an unknown option (status 64) and nothing runs; --help and --version still
// answer first, as with any other option.
TEST(RunCommandLine, VersionsOnlyOpensTheWindowAndGoesWithNoOtherCommand) {
  auto run = [](std::vector<std::string> arguments) {
    RecordingPlatform platform;
    std::ostringstream out, errors;
    const int status = RunCommandLine(arguments, platform, out, errors);
    return std::tuple(status, platform.done, out.str(), errors.str());
  };
  const auto refused =
      std::tuple(ExitCodes::Usage, "console ", "", UnknownOptionText("Tallyguard", "--versions"));
  EXPECT_EQ(run({"--versions"}), std::tuple(0, "window+versions ", "", ""));
  EXPECT_EQ(run({"--versions", "-platform", "xcb"}), std::tuple(0, "window+versions ", "", ""));
  EXPECT_EQ(run({"--versions", "--backup-now"}), refused);
  EXPECT_EQ(run({"--backup-now", "--versions"}), refused);
  EXPECT_EQ(run({"--backup-now", "--notify", "--versions"}), refused);
  EXPECT_EQ(run({"--list-copies", "--versions"}), refused);
  EXPECT_EQ(run({"--versions", "--list-copies", "Budget"}), refused);
  EXPECT_EQ(run({"--versions", "--help"}), std::tuple(0, "console ", HelpText("Tallyguard"), ""));
  EXPECT_EQ(run({"--version", "--versions"}), std::tuple(0, "console ", VersionText("9.8.7"), ""));
}

TEST(BackupNowNotice, SaysWhatWasCopiedAndTheFirstProblemInPlainWords) {
  EXPECT_EQ(BackupNowNotice(ExitCodes::AllCopied, "a\nb\n", ""), "2 spreadsheets were copied.");
  EXPECT_EQ(BackupNowNotice(ExitCodes::AllCopied, "", ""),
            "No spreadsheet is open, so there was nothing to copy.");
  EXPECT_EQ(BackupNowNotice(ExitCodes::NoOffice, "",
                            "No office suite is running, so there is nothing to back up.\n"),
            "No office suite is running, so there is nothing to back up.");
  EXPECT_EQ(BackupNowNotice(ExitCodes::SomethingFailed, "a\n",
                            "Waiting for another backup to end...\nfailed: Write error\n"),
            "1 spreadsheet was copied. One failed or was skipped: Write error.");
  EXPECT_EQ(BackupNowNotice(ExitCodes::SomethingFailed, "",
                            "skipped: a.ods: not enough free disk space in /x/\nfailed: Disk\n"),
            "0 spreadsheets were copied. 2 failed or were skipped; the first: a.ods: not enough "
            "free disk space in /x/.");
}

class BackupNowTest : public ::testing::Test {
 protected:
  class Presence : public OfficePresence {
   public:
    bool officeRuns() const override { return runs; }
    bool runs = true;
  };

  BackupNowTest() {
    files.directories = {"/", "/data", "/tmp"};
    environment.values["TEMP"] = "/tmp";
    suite.disk = &files;
  }

  // The pass runs in the helper, as the program's does: here a loopback helper over the in-memory
  // office and files.
  int run() {
    return RunBackupNow(
        {settings, presence, environment, shell, clock, PathStyle::Posix, helper, loop}, out,
        errors);
  }

  MemorySettingsBackend settings;
  MemorySuite suite;
  Presence presence;
  MemoryEnvironment environment;
  MemoryShell shell;
  MemoryFileSystem files;
  MemoryFileFacts facts{files};
  FixedClock clock;
  UnitedStatesRegionalSettings regional;
  MemoryPrivateState state;
  LoopbackHelper helper{
      PassEnvironment{suite, files, clock, regional, "", PathStyle::Posix, &facts, &state}};
  CountingMessageLoop loop;
  std::ostringstream out;
  std::ostringstream errors;
};

TEST_F(BackupNowTest, EveryCopyIsOneLineAndTheStoredSettingsAreUsed) {
  settings.store("Include Date", "Off");
  suite.openSpreadsheet("file:///data/Budget.ods");
  suite.openSpreadsheet("file:///data/Stock.ods");
  EXPECT_EQ(run(), ExitCodes::AllCopied);
  EXPECT_EQ(out.str(),
            "Budget.ods was backup saved as /data/Budget Backup.ods at 12/6/2026 1:58:16 PM\n"
            "Stock.ods was backup saved as /data/Stock Backup.ods at 12/6/2026 1:58:16 PM\n");
  EXPECT_THAT(errors.str(), IsEmpty());
  EXPECT_THAT(files.readText("/tmp/Tallyguard.txt"), HasSubstr("Stock.ods was backup saved as"));
}

// "Thin Copies" stored on, Keep Copies at 0: a copy two months old that is not the newest of its
// week goes, its week's newest and yesterday's stay, and so does the copy just made.
TEST_F(BackupNowTest, TheStoredThinningRemovesAnOldCopyOnlyItsWeeksNewestStandsFor) {
  settings.store("Thin Copies", "1");
  const auto madeAt = [&](const std::string& name, std::int64_t utcSeconds) {
    const std::string path = "/data/Budget " + name + ".ods";
    files.files[path] = name;
    facts.modifiedAt[path] = utcSeconds * 1'000'000'000;
    return RecordedCopy{
        "file:///data/Budget.ods", *facts.stampOf(path), path, false, false, std::nullopt};
  };
  const RecordedCopy thursday = madeAt("Thursday", 1790845200);   // 2026-10-01 09:00
  const RecordedCopy friday = madeAt("Friday", 1790931600);       // 2026-10-02 09:00
  const RecordedCopy yesterday = madeAt("Saturday", 1796486400);  // 2026-12-05 16:00
  state.files[std::string(CopyRecordName)] = FormatCopyRecord({thursday, friday, yesterday});
  suite.openSpreadsheet("file:///data/Budget.ods");

  EXPECT_EQ(run(), ExitCodes::AllCopied) << errors.str();
  EXPECT_FALSE(files.exists(thursday.path));
  EXPECT_TRUE(files.exists(friday.path));
  EXPECT_TRUE(files.exists(yesterday.path));
  EXPECT_TRUE(files.exists("/data/Budget Date December.6.2026 Time 01.58.16.PM.ods"));
  EXPECT_THAT(files.readText("/tmp/Tallyguard.txt"),
              HasSubstr("/data/Budget Thursday.ods removed (thinning out old copies) at "));
}

TEST_F(BackupNowTest, ANeverStoredDocumentIsSkippedAndSaidSoWithoutAPrompt) {
  suite.openNeverStored("Untitled 1");
  suite.openSpreadsheet("file:///data/Budget.ods");
  EXPECT_EQ(run(), ExitCodes::SomethingFailed);
  EXPECT_EQ(suite.copies.size(), 1u);
  EXPECT_THAT(errors.str(), HasSubstr("skipped: a document that was never saved"));
  EXPECT_THAT(out.str(), HasSubstr("Budget.ods was backup saved as"));
}

// Each failed store is one line naming its document; one that fails after the others does not
// take the name of the last copied.
TEST_F(BackupNowTest, AFailedStoreIsOneLineNamingItsDocumentAndExitsOne) {
  suite.openSpreadsheet("file:///data/Budget.ods");
  suite.openSpreadsheet("file:///data/Stock.ods");
  suite.failOn("storetourl", 0, "Write error");
  suite.failOn("hasMoreElements", 3, "Busy");
  EXPECT_EQ(run(), ExitCodes::SomethingFailed);
  EXPECT_EQ(errors.str(),
            "failed: Budget.ods: Write error\nfailed: Stock.ods: Write error\nfailed: Busy\n");
}

// Reaching for the office when none runs would start one.
TEST_F(BackupNowTest, NoOfficeRunningExitsTwoWithoutReachingForOne) {
  presence.runs = false;
  EXPECT_EQ(run(), ExitCodes::NoOffice);
  EXPECT_TRUE(suite.calls.empty());
  EXPECT_THAT(errors.str(), HasSubstr("No office suite is running"));
}

// The office's own look said it runs, but its pipe does not answer: still nothing to back up. An
// office that answers with an error is a failure.
TEST_F(BackupNowTest, AnOfficeThatCannotBeReachedExitsTwoAndOneThatFailsExitsOne) {
  suite.running = false;
  EXPECT_EQ(run(), ExitCodes::NoOffice);
  EXPECT_THAT(out.str(), IsEmpty());
  EXPECT_EQ(errors.str(),
            "The running office suite could not be reached: No office suite is running.\n");

  errors.str("");
  suite.running = true;
  suite.installed = false;
  EXPECT_EQ(run(), ExitCodes::SomethingFailed);
  EXPECT_THAT(errors.str(), HasSubstr("failed: "));
}

TEST_F(BackupNowTest, AnotherBackupThatDoesNotEndIsWaitedForThenSaidAndExitsOne) {
  suite.openSpreadsheet("file:///data/Budget.ods");
  state.heldElsewhere.insert("pass");
  EXPECT_EQ(run(), ExitCodes::SomethingFailed);
  EXPECT_TRUE(suite.copies.empty());
  EXPECT_EQ(errors.str(), "Waiting for another backup to end...\nfailed: " +
                              std::string(AnotherBackupRunning) + "\n");
}

// What the office refuses (a folder that takes no file, a full disk, a document the user closed
// during the pass) is one line naming its document; the others are still copied.
TEST_F(BackupNowTest, EachStoreTheOfficeRefusesIsOneLineNamingItsDocument) {
  settings.store("Include Date", "Off");
  files.directories.insert("/locked");
  files.readOnly.insert("/locked");
  suite.openSpreadsheet("file:///locked/Budget.ods");
  MemoryDocument& stock = suite.openSpreadsheet("file:///data/Stock.ods");
  stock.callsUntilClosed = 3;  // closed while the pass reads it
  suite.openSpreadsheet("file:///data/Plan.ods");

  EXPECT_EQ(run(), ExitCodes::SomethingFailed);
  EXPECT_EQ(errors.str(),
            "failed: Budget.ods: The folder cannot be written.\n"
            "failed: Stock.ods: The connection to the office suite was lost; the office may have "
            "been closed.\n");
  EXPECT_THAT(out.str(), HasSubstr("Plan.ods was backup saved as /data/Plan Backup.ods"));
  EXPECT_FALSE(files.exists("/locked/Budget Backup.ods"));

  errors.str("");
  files.readOnly.clear();
  files.full = true;
  EXPECT_EQ(run(), ExitCodes::SomethingFailed);
  EXPECT_THAT(errors.str(), HasSubstr("failed: Budget.ods: "));
  EXPECT_THAT(errors.str(), HasSubstr("failed: Plan.ods: "));
  EXPECT_FALSE(files.exists("/locked/Budget Backup.ods"));
}

// Every setting the program stores, once, in force and with its source; the user's value over a
// default, a lock over the user's value; the desktop stands in for a folder never chosen.
TEST(ShowSettings, EachSettingIsPrintedWithItsValueInForceAndWhereItComesFrom) {
  MemorySettingsBackend settings;
  MemoryShell shell;
  settings.store("Keep Copies", "4");
  settings.administer("Keep Copies", "10", SettingSource::SystemDefault);
  settings.administer("OftenIndex", "6", SettingSource::SystemDefault);
  settings.store("Thin Copies", "0");
  settings.administer("Thin Copies", "1", SettingSource::Policy);
  settings.store("Versions Size", "800\t600");
  std::ostringstream out;
  EXPECT_EQ(RunShowSettings(settings, shell, PathStyle::Posix, {{"OfficeFolder", ""}}, out), 0);
  EXPECT_EQ(out.str(),
            "Path\t/home/user/Desktop/\tbuilt-in\n"
            "WhereOption\t2\tbuilt-in\n"
            "Backup Option\t1\tbuilt-in\n"
            "Windows Startup\tOff\tbuilt-in\n"
            "Include Date\tOn\tbuilt-in\n"
            "OftenIndex\t6\tsystem default\n"
            "StartStopState\tOn\tbuilt-in\n"
            "Minimized\tOff\tbuilt-in\n"
            "Keep Copies\t4\tuser\n"
            "Thin Copies\t1\tpolicy\n"
            "Versions Size\t800\\t600\tuser\n"
            "OfficeFolder\t\tbuilt-in\n");
}

// The core never stores a locked key, whatever the store would do with it.
TEST(ShowSettings, ALockedKeyIsNeverWrittenThroughTheSettings) {
  MemorySettingsBackend backend;
  backend.administer("Path", "/srv/backups", SettingSource::Policy);
  backend.administer("Minimized", "On", SettingSource::SystemDefault);
  Settings settings(backend);
  settings.WriteSetting("Path", "/home/ann");
  settings.WriteSetting("Minimized", "Off");
  ASSERT_EQ(backend.writes.size(), 1u);
  EXPECT_EQ(backend.writes[0].key, "Minimized");
  EXPECT_EQ(settings.ReadSetting("Path", ""), "/srv/backups");
  EXPECT_EQ(settings.Source("Path"), SettingSource::Policy);
  EXPECT_EQ(settings.Source("Minimized"), SettingSource::User);
  EXPECT_EQ(settings.Source("Include Date"), SettingSource::BuiltIn);
}

}  // namespace
}  // namespace tg::testing
