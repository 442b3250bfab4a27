#include "backup/HistoryLog.h"

#include <gtest/gtest.h>

#include "memory/MemoryEnvironment.h"
#include "memory/MemoryFileSystem.h"
#include "memory/UnitedStatesRegionalSettings.h"

namespace tg {
namespace {

TEST(HistoryLogName, ProductTitleGivesTallyguardTxt) {
  EXPECT_EQ(HistoryLogFileName("Tallyguard"), "Tallyguard.txt");
}

TEST(HistoryLogName, TrailingWordSoftwareIsDroppedOnlyWhenItIsTheLastWord) {
  EXPECT_EQ(DropTrailingWord("Backup Software", "Software"), "Backup");
  // A trailing blank makes the last "word" empty, so nothing is dropped.
  EXPECT_EQ(DropTrailingWord("Backup  Software ", "Software"), "Backup  Software ");
  EXPECT_EQ(DropTrailingWord("Backup   Software", "Software"), "Backup");
  EXPECT_EQ(DropTrailingWord("Backup Softwares", "Software"), "Backup Softwares");
  EXPECT_EQ(DropTrailingWord("Backup software", "Software"), "Backup software");
  EXPECT_EQ(DropTrailingWord("Software", "Software"), "Software");
  EXPECT_EQ(DropTrailingWord("My Backup Tool", ""), "My Backup");
  EXPECT_EQ(HistoryLogFileName("Morvane Calc Backup Software"), "MorvaneCalcBackup.txt");
}

TEST(HistoryLogName, EveryCharacterThatMayNotNameAFileIsRemoved) {
  EXPECT_EQ(StripNameChars("a$b/c\\d*e:f?g<h>i|j#k'l m.n,o\"p(q)r-s+t=u%v;w}x{y\tz"),
            "abcdefghijklmnopqrstuvwxyz");
}

class HistoryLogFile : public ::testing::Test {
 protected:
  HistoryLogFile() { files.directories.insert("/logs"); }
  MemoryFileSystem files;
  MemoryEnvironment environment;
};

TEST_F(HistoryLogFile, PathIsInTheFolderNamedByTemp) {
  environment.values["TEMP"] = "C:\\Users\\u\\AppData\\Local\\Temp";
  EXPECT_EQ(HistoryLogPath("Tallyguard", environment, PathStyle::Windows),
            "C:\\Users\\u\\AppData\\Local\\Temp\\Tallyguard.txt");
  environment.values["TEMP"] = "/tmp/u";
  EXPECT_EQ(HistoryLogPath("Tallyguard", environment, PathStyle::Posix), "/tmp/u/Tallyguard.txt");
}

TEST_F(HistoryLogFile, WindowsWithoutTempLiesInTheRootOfTheDrive) {
  EXPECT_EQ(HistoryLogPath("Tallyguard", environment, PathStyle::Windows), "\\Tallyguard.txt");
}

TEST_F(HistoryLogFile, WithoutTempOrWithAnEmptyOneThePlatformsStateFolderHoldsIt) {
  environment.state = "/home/ann/.local/state";
  EXPECT_EQ(HistoryLogPath("Tallyguard", environment, PathStyle::Posix),
            "/home/ann/.local/state/Tallyguard.txt");
  environment.values["TEMP"] = "";  // never the root folder
  EXPECT_EQ(HistoryLogPath("Tallyguard", environment, PathStyle::Posix),
            "/home/ann/.local/state/Tallyguard.txt");
}

TEST_F(HistoryLogFile, LinesAreAppendedWithCrLfAndCreateTheFileWhenMissing) {
  const std::string log = "/logs/Tallyguard.txt";
  files.files[log] = "old line without ending";
  AppendHistoryLine(files, log, "Budget.ods was backup saved as /d/Budget Backup.ods at 1");
  // A line an earlier write left without its end stays as it is; the new one starts on its own.
  EXPECT_EQ(
      files.readText(log),
      "old line without ending\r\nBudget.ods was backup saved as /d/Budget Backup.ods at 1\r\n");
  // Cleared by the user: the next line creates it again.
  files.deleteFile(log);
  AppendHistoryLine(files, log, "again");
  EXPECT_EQ(files.readText(log), "again\r\n");
}

TEST(HistoryLine, ReadsFileNameBackupPathAndGeneralDate) {
  UnitedStatesRegionalSettings us;
  EXPECT_EQ(HistoryLine("Budget.ods", "C:\\Data\\Budget Backup.ods", {2026, 12, 6, 14, 0, 40}, us),
            "Budget.ods was backup saved as C:\\Data\\Budget Backup.ods at 12/6/2026 2:00:40 PM");
}

TEST(HistoryLine, MidnightShowsTheDateAlone) {
  UnitedStatesRegionalSettings us;
  EXPECT_EQ(GeneralDate({2026, 12, 7, 0, 0, 0}, us), "12/7/2026");
  EXPECT_EQ(GeneralDate({2026, 12, 7, 0, 0, 1}, us), "12/7/2026 12:00:01 AM");
}

}  // namespace
}  // namespace tg
