#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "adapters/posix/LocaleRegionalSettings.h"
#include "adapters/posix/PosixFileSystem.h"
#include "adapters/posix/ProcessEnvironment.h"
#include "common/FileExists.h"
#include "support/TempFolder.h"

namespace tg {
namespace {

using testing::TempFolder;

TEST(LocaleRegionalSettings, ReadsTheCLibrarysTimeData) {
  LocaleRegionalSettings c("C");
  EXPECT_EQ(c.monthName(12), "December");
  EXPECT_EQ(c.monthName(1), "January");
  EXPECT_EQ(c.amDesignator(), "AM");
  EXPECT_EQ(c.pmDesignator(), "PM");
  EXPECT_EQ(c.shortDate({2026, 12, 6, 14, 0, 40}), "12/06/26");
  EXPECT_EQ(c.longTime({2026, 12, 6, 14, 0, 40}), "14:00:40");
  EXPECT_EQ(c.monthName(13), "");
}

// Compiles the German locale into a private folder: real locale data without AM/PM designators.
TEST(LocaleRegionalSettings, GermanLocaleHasItsOwnMonthsAndNoDesignators) {
  TempFolder folder;
  std::string command =
      "localedef -i de_DE -f UTF-8 '" + (folder / "de_DE.UTF-8") + "' 2>/dev/null";
  if (std::system(command.c_str()) != 0) GTEST_SKIP() << "locale sources not installed";
  ::setenv("LOCPATH", folder.path().c_str(), 1);
  LocaleRegionalSettings german("de_DE.UTF-8");
  ::unsetenv("LOCPATH");
  EXPECT_EQ(german.monthName(12), "Dezember");
  EXPECT_EQ(german.monthName(3), "M\xc3\xa4rz");
  EXPECT_EQ(german.amDesignator(), "");
  EXPECT_EQ(german.shortDate({2026, 12, 6, 14, 0, 40}), "06.12.2026");
  EXPECT_EQ(german.longTime({2026, 12, 6, 14, 0, 40}), "14:00:40");
}

TEST(LocaleRegionalSettings, UnknownLocaleFallsBackInsteadOfFailing) {
  LocaleRegionalSettings unknown("xx_NOWHERE.UTF-8");
  EXPECT_EQ(unknown.monthName(6), "June");
}

TEST(PosixFileSystem, FileExistsForFilesAndFoldersOnly) {
  TempFolder folder;
  PosixFileSystem files;
  testing::WriteWholeFile(folder / "a.txt", "x");
  EXPECT_TRUE(FileExists(files, folder / "a.txt"));
  EXPECT_FALSE(FileExists(files, folder / "b.txt"));
  EXPECT_FALSE(FileExists(files, ""));
  EXPECT_TRUE(files.isDirectory(folder.path().string()));
  EXPECT_FALSE(files.isDirectory(folder / "a.txt"));
}

TEST(PosixFileSystem, MakeDirectoryCreatesTheLastLevelOnly) {
  TempFolder folder;
  PosixFileSystem files;
  files.makeDirectory(folder / "one");
  EXPECT_TRUE(files.isDirectory(folder / "one"));
  EXPECT_THROW(files.makeDirectory(folder / "two/three"), std::system_error);
  EXPECT_THROW(files.makeDirectory(folder / "one"), std::system_error);
}

TEST(PosixFileSystem, OrdinaryDeleteRefusesAReadOnlyFileForcedDeleteDoesNot) {
  TempFolder folder;
  PosixFileSystem files;
  std::string log = folder / "log.txt";
  testing::WriteWholeFile(log, "x");
  ::chmod(log.c_str(), 0444);
  EXPECT_THROW(files.deleteFile(log), std::system_error);
  EXPECT_TRUE(std::filesystem::exists(log));
  files.forceDeleteFile(log);
  EXPECT_FALSE(std::filesystem::exists(log));
  EXPECT_THROW(files.forceDeleteFile(log), std::system_error);
}

TEST(PosixFileSystem, ReadTextReturnsBytesUnchanged) {
  TempFolder folder;
  PosixFileSystem files;
  testing::WriteWholeFile(folder / "a.txt", "one\r\ntwo\r\n");
  EXPECT_EQ(files.readText(folder / "a.txt"), "one\r\ntwo\r\n");
  EXPECT_THROW(files.readText(folder / "none.txt"), std::system_error);
}

// The history log's folder may be shared with other users: the log is owner-only and a link
// planted under its name is never followed.
TEST(PosixFileSystem, AppendCreatesAnOwnerOnlyFileAndNeverFollowsALink) {
  TempFolder folder;
  PosixFileSystem files;
  const std::string log = folder / "Tallyguard.txt";
  files.appendText(log, "x\r\n");
  struct stat status {};
  ASSERT_EQ(::stat(log.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0600u);

  const std::string victim = folder / "victim.txt";
  testing::WriteWholeFile(victim, "precious");
  const std::string planted = folder / "planted.txt";
  std::filesystem::create_symlink(victim, planted);
  EXPECT_THROW(files.appendText(planted, "x"), std::system_error);
  EXPECT_EQ(testing::ReadWholeFile(victim), "precious");
}

// A write that stopped halfway (a full disk, a crash) is left as it is; the next starts on its own.
TEST(PosixFileSystem, AfterAHalfWrittenLineTheNextStartsOnALineOfItsOwn) {
  TempFolder folder;
  PosixFileSystem files;
  const std::string log = folder / "Tallyguard.txt";
  testing::WriteWholeFile(log, "Budget.ods was backup saved as /d/Bud");
  files.appendText(log, "new\r\n");
  files.appendText(log, "next\r\n");
  EXPECT_EQ(testing::ReadWholeFile(log),
            "Budget.ods was backup saved as /d/Bud\r\nnew\r\nnext\r\n");
}

// The user's own words: which folder, and why, without another system's stock phrases.
TEST(PosixFileSystem, AFolderThatCannotBeCreatedIsNamedWithTheReason) {
  TempFolder folder;
  PosixFileSystem files;
  const std::string wanted = folder / "missing/deeper";
  try {
    files.makeDirectory(wanted);
    FAIL() << "a folder below a missing one was created";
  } catch (const std::system_error& failure) {
    EXPECT_EQ(std::string(failure.what()),
              "The folder " + wanted + " could not be created: no such file or directory.");
  }
}

TEST(PosixFileSystem, AFailedAppendNamesThePath) {
  TempFolder folder;
  PosixFileSystem files;
  const std::string log = folder / "missing/Tallyguard.txt";
  try {
    files.appendText(log, "x");
    FAIL() << "append into a missing folder succeeded";
  } catch (const std::system_error& failure) {
    EXPECT_NE(std::string(failure.what()).find(log), std::string::npos);
  }
}

// Saving a copy over a file works as an editor's save: a private file stays private, and a link
// stays a link, the file behind it getting the bytes.
TEST(PosixFileSystem, ACopySavedOverAFileKeepsItsModeAndWritesThroughALink) {
  TempFolder folder;
  PosixFileSystem files;
  const std::string copy = folder / "Budget Date 1.ods";
  testing::WriteWholeFile(copy, "restored");
  const std::string secret = folder / "Salaries.ods";
  testing::WriteWholeFile(secret, "old");
  ASSERT_EQ(::chmod(secret.c_str(), 0600), 0);
  files.copyFile(copy, secret);
  EXPECT_EQ(testing::ReadWholeFile(secret), "restored");
  struct stat status {};
  ASSERT_EQ(::stat(secret.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0600u);

  std::filesystem::create_directory(folder / "synced");
  const std::string synced = folder / "synced/Budget.ods";
  testing::WriteWholeFile(synced, "old");
  const std::string link = folder / "Budget.ods";
  std::filesystem::create_symlink(synced, link);
  files.copyFile(copy, link);
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(testing::ReadWholeFile(synced), "restored");
}

TEST(ProcessEnvironment, StateFolderFollowsXdgAndIsCreated) {
  TempFolder folder;
  const std::optional<std::string> home = ProcessEnvironment().variable("HOME");
  const std::optional<std::string> state = ProcessEnvironment().variable("XDG_STATE_HOME");
  ::setenv("HOME", folder.path().c_str(), 1);
  ::unsetenv("XDG_STATE_HOME");
  EXPECT_EQ(ProcessEnvironment().stateFolder(), folder / ".local/state");
  EXPECT_TRUE(std::filesystem::is_directory(folder / ".local/state"));
  ::setenv("XDG_STATE_HOME", "relative/state", 1);  // not absolute: ignored
  EXPECT_EQ(ProcessEnvironment().stateFolder(), folder / ".local/state");
  ::setenv("XDG_STATE_HOME", (folder / "x/y/state").c_str(), 1);
  EXPECT_EQ(ProcessEnvironment().stateFolder(), folder / "x/y/state");
  EXPECT_TRUE(std::filesystem::is_directory(folder / "x/y/state"));
  if (home) ::setenv("HOME", home->c_str(), 1);
  if (state) {
    ::setenv("XDG_STATE_HOME", state->c_str(), 1);
  } else {
    ::unsetenv("XDG_STATE_HOME");
  }
}

}  // namespace
}  // namespace tg
