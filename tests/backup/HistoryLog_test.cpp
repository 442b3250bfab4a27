#include "backup/HistoryLog.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "adapters/memory/MemoryEnvironment.h"
#include "adapters/memory/UnitedStatesRegionalSettings.h"
#include "adapters/posix/PosixFileSystem.h"
#include "support/TempFolder.h"

namespace tg {
namespace {

using testing::ReadWholeFile;
using testing::TempFolder;

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
  TempFolder folder;
  PosixFileSystem files;
  MemoryEnvironment environment;
  UnitedStatesRegionalSettings us;
};

TEST_F(HistoryLogFile, PathIsInTheFolderNamedByTemp) {
  environment.values["TEMP"] = "C:\\Users\\u\\AppData\\Local\\Temp";
  EXPECT_EQ(HistoryLogPath("Tallyguard", environment, files, PathStyle::Windows),
            "C:\\Users\\u\\AppData\\Local\\Temp\\Tallyguard.txt");
  environment.values["TEMP"] = folder.path().string();
  EXPECT_EQ(HistoryLogPath("Tallyguard", environment, files, PathStyle::Posix),
            folder / "Tallyguard.txt");
}

TEST_F(HistoryLogFile, WindowsWithoutTempLiesInTheRootOfTheDrive) {
  EXPECT_EQ(HistoryLogPath("Tallyguard", environment, files, PathStyle::Windows),
            "\\Tallyguard.txt");
}

TEST_F(HistoryLogFile, PosixWithoutTempUsesTheStateFolderAndCreatesIt) {
  environment.values["HOME"] = folder.path().string();
  EXPECT_EQ(HistoryLogPath("Tallyguard", environment, files, PathStyle::Posix),
            folder / ".local/state/Tallyguard.txt");
  EXPECT_TRUE(std::filesystem::is_directory(folder / ".local/state"));

  environment.values["XDG_STATE_HOME"] = folder / "x/y/state";
  environment.values["TEMP"] = "";  // empty counts as unset: never the root folder
  EXPECT_EQ(HistoryLogPath("Tallyguard", environment, files, PathStyle::Posix),
            folder / "x/y/state/Tallyguard.txt");
  EXPECT_TRUE(std::filesystem::is_directory(folder / "x/y/state"));
}

TEST_F(HistoryLogFile, LinesAreAppendedWithCrLfAndCreateTheFileWhenMissing) {
  std::string log = folder / "Tallyguard.txt";
  AppendHistoryLine(files, log, "Budget.ods was backup saved as /d/Budget Backup.ods at 1");
  AppendHistoryLine(files, log, "Q1.ods was backup saved as /d/Q1 Backup.ods at 1");
  EXPECT_EQ(ReadWholeFile(log),
            "Budget.ods was backup saved as /d/Budget Backup.ods at 1\r\n"
            "Q1.ods was backup saved as /d/Q1 Backup.ods at 1\r\n");
  // Cleared by the user: the next line creates it again.
  std::filesystem::remove(log);
  AppendHistoryLine(files, log, "again");
  EXPECT_EQ(ReadWholeFile(log), "again\r\n");
}

TEST_F(HistoryLogFile, ExistingContentIsNeverChanged) {
  std::string log = folder / "Tallyguard.txt";
  testing::WriteWholeFile(log, "old line without ending");
  AppendHistoryLine(files, log, "new");
  EXPECT_EQ(ReadWholeFile(log), "old line without endingnew\r\n");
}

TEST_F(HistoryLogFile, NewLogIsOwnerOnly) {
  std::string log = folder / "Tallyguard.txt";
  AppendHistoryLine(files, log, "x");
  struct stat status {};
  ASSERT_EQ(::stat(log.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0600u);
}

TEST_F(HistoryLogFile, PlantedSymbolicLinkIsNeverFollowed) {
  std::string victim = folder / "victim.txt";
  testing::WriteWholeFile(victim, "precious");
  std::string log = folder / "Tallyguard.txt";
  std::filesystem::create_symlink(victim, log);
  EXPECT_THROW(AppendHistoryLine(files, log, "x"), std::system_error);
  EXPECT_EQ(ReadWholeFile(victim), "precious");
}

TEST_F(HistoryLogFile, MissingFolderFailsWithADescriptionNamingThePath) {
  std::string log = folder / "missing/Tallyguard.txt";
  try {
    AppendHistoryLine(files, log, "x");
    FAIL() << "append into a missing folder succeeded";
  } catch (const std::system_error& failure) {
    EXPECT_NE(std::string(failure.what()).find(log), std::string::npos);
  }
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
