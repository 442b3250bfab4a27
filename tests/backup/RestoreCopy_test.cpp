// Restoring a copy over a workbook the office does not have open (or with no office running):
// the file's state is kept first under a name no other copy has, and nothing is written where
// another office holds the file or only the office could convert the copy.

#include "backup/RestoreCopy.h"

#include <gtest/gtest.h>

#include "backup/HistoryLog.h"
#include "memory/FixedClock.h"
#include "memory/MemoryFileSystem.h"
#include "memory/MemorySuite.h"
#include "memory/UnitedStatesRegionalSettings.h"

namespace tg {
namespace {

class RestoreCopyTest : public ::testing::Test {
 protected:
  RestoreCopyTest() {
    files.directories.insert("/data");
    files.directories.insert("/tmp");
    files.files["/data/Budget.ods"] = "today";
    files.files["/data/Budget Date 1.ods"] = "yesterday";
    clock.set({2026, 12, 9, 10, 42, 7});
    suite.running = false;
  }

  RestoreOutcome restore(const std::string& copy) {
    return RestoreCopy({.automation = suite,
                        .fileSystem = files,
                        .clock = clock,
                        .regional = regional,
                        .historyLogPath = "/tmp/Tallyguard.txt",
                        .pathStyle = PathStyle::Posix},
                       {copy, "/data/Budget.ods", PassOptions{}});
  }

  MemoryFileSystem files;
  FixedClock clock;
  UnitedStatesRegionalSettings regional;
  MemorySuite suite;
};

TEST_F(RestoreCopyTest, TheFilesStateIsKeptUnderANameOfItsOwnThenReplaced) {
  // A copy of this very second exists already: the state's copy takes another name.
  const std::string stamped = "/data/Budget Date December.9.2026 Time 10.42.07.AM.ods";
  files.files[stamped] = "an earlier pass's";
  const RestoreOutcome outcome = restore("/data/Budget Date 1.ods");
  EXPECT_EQ(files.files["/data/Budget.ods"], "yesterday");
  EXPECT_NE(outcome.keptAs, stamped);
  EXPECT_EQ(files.files[stamped], "an earlier pass's");
  EXPECT_EQ(files.files[outcome.keptAs], "today");
  EXPECT_FALSE(outcome.reloaded);
  EXPECT_EQ(files.files["/tmp/Tallyguard.txt"],
            HistoryLine("Budget.ods", outcome.keptAs + " before restoring",
                        {2026, 12, 9, 10, 42, 7}, regional) +
                "\r\n");
}

TEST_F(RestoreCopyTest, NothingIsWrittenWhereItWouldNotBeSafe) {
  files.files["/data/Budget Date 2.xlsx"] = "another format";
  files.files["/data/.~lock.Budget.ods#"] = ",Anna,desk7,09.12.2026 10:00,file:///home/anna;";
  const auto refusal = [&](const std::string& copy) {
    try {
      restore(copy);
    } catch (const RestoreRefused& refused) {
      return std::string(refused.what());
    }
    return std::string("restored");
  };
  EXPECT_EQ(refusal("/data/Budget Date 1.ods"),
            "Budget.ods is open in another office (its lock file is beside it), so it was not "
            "written over. Close it there first.");
  files.files.erase("/data/.~lock.Budget.ods#");
  files.files["/data/Budget.ods"] = "today";
  EXPECT_EQ(refusal("/data/Gone.ods"), "The copy /data/Gone.ods is no longer on disk.");
  EXPECT_NE(refusal("/data/Budget Date 2.xlsx").find("only the office can convert it"),
            std::string::npos);
  EXPECT_EQ(files.files["/data/Budget.ods"], "today");
  EXPECT_EQ(files.files.size(), 3u) << "no copy of the state was made";
}

}  // namespace
}  // namespace tg
