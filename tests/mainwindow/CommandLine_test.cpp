// The command line: what each option does, and one backup pass without a window, told line by
// line, that never asks anything.

#include "mainwindow/CommandLine.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "adapters/memory/FixedClock.h"
#include "adapters/memory/MemoryEnvironment.h"
#include "adapters/memory/MemoryFileFacts.h"
#include "adapters/memory/MemoryFileSystem.h"
#include "adapters/memory/MemorySettingsBackend.h"
#include "adapters/memory/MemoryShell.h"
#include "adapters/memory/MemorySuite.h"
#include "adapters/memory/UnitedStatesRegionalSettings.h"

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
  const Command typo = ParseCommandLine({"--backup-nwo"});
  EXPECT_EQ(typo.kind, CommandKind::Unknown);
  EXPECT_EQ(typo.unknown, "--backup-nwo");
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
    suite.onStore = [this](const StoredCopy& copy) {
      files.files[copy.url.substr(std::string("file://").size())] = copy.content;
    };
  }

  int run() {
    return RunBackupNow({settings, suite, presence, environment, shell, files, facts, clock,
                         regional, PathStyle::Posix},
                        out, errors);
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

TEST_F(BackupNowTest, ANeverStoredDocumentIsSkippedAndSaidSoWithoutAPrompt) {
  suite.openNeverStored("Untitled 1");
  suite.openSpreadsheet("file:///data/Budget.ods");
  EXPECT_EQ(run(), ExitCodes::SomethingFailed);
  EXPECT_EQ(suite.copies.size(), 1u);
  EXPECT_THAT(errors.str(), HasSubstr("skipped: a document that was never saved"));
  EXPECT_THAT(out.str(), HasSubstr("Budget.ods was backup saved as"));
}

TEST_F(BackupNowTest, AFailedStoreIsOneLineAndExitsOne) {
  suite.openSpreadsheet("file:///data/Budget.ods");
  suite.failOn("storetourl", 1, "Write error");
  EXPECT_EQ(run(), ExitCodes::SomethingFailed);
  EXPECT_EQ(errors.str(), "failed: Write error\n");
}

// Reaching for the office when none runs would start one.
TEST_F(BackupNowTest, NoOfficeRunningExitsTwoWithoutReachingForOne) {
  presence.runs = false;
  EXPECT_EQ(run(), ExitCodes::NoOffice);
  EXPECT_TRUE(suite.calls.empty());
  EXPECT_THAT(errors.str(), HasSubstr("No office suite is running"));
}

TEST_F(BackupNowTest, AnOfficeThatCannotBeReachedExitsTwo) {
  suite.installed = false;
  EXPECT_EQ(run(), ExitCodes::NoOffice);
  EXPECT_THAT(out.str(), IsEmpty());
}

}  // namespace
}  // namespace tg::testing
