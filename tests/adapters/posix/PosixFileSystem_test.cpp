// The file system of the program on the real disk, and over it the history commands of the window,
// with the log in a folder others can write to: a FIFO, a link or another user's file at the log's
// path is reported and left alone, never waited on, followed or read.

#include "adapters/posix/PosixFileSystem.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>

#include "common/FileExists.h"
#include "mainwindow/WindowFixture.h"
#include "reporting/ContextLabels.h"
#include "support/TempFolder.h"

namespace tg::testing {
namespace {

constexpr uid_t NobodyId = 65534;

class HistoryOnDisk : public WindowFixture {
 protected:
  void SetUp() override {
    environment.values["TEMP"] = folder.path().string();
    fileSystemPort = &disk;
    start();
  }
  std::string log() const { return folder / "Tallyguard.txt"; }

  // Runs a click on another thread so that a handler stuck on a FIFO fails the test instead of
  // hanging it: after the deadline a writer opens the FIFO, which lets the stuck open return.
  bool clickReturns(MemoryPushButton& button) {
    std::future<void> click = std::async(std::launch::async, [&button] { button.click(); });
    if (click.wait_for(std::chrono::seconds(20)) == std::future_status::ready) return true;
    const int writer = ::open(log().c_str(), O_WRONLY | O_NONBLOCK);
    if (writer >= 0) ::close(writer);
    click.wait();
    return false;
  }

  bool reportedRefusal(std::string_view label) const {
    return dialogs.messages.size() == 1 && IsReport(dialogs.messages[0], label, 102) &&
           dialogs.messages[0].text.find(log() + " is not a plain file of this user") !=
               std::string::npos;
  }

  TempFolder folder;
  PosixFileSystem disk;
};

TEST_F(HistoryOnDisk, CopyOfAFifoIsReportedAtOnceAndTheWindowGoesOn) {
  ASSERT_EQ(::mkfifo(log().c_str(), 0666), 0);
  ASSERT_TRUE(clickReturns(PushButton5)) << "Copy History waited on the FIFO";
  EXPECT_TRUE(reportedRefusal(ContextLabels::PushButton5_Click));
  EXPECT_EQ(RichTextBox1.clipboard, std::string()) << "nothing of the file was copied";

  // The handler still answers: with the FIFO gone, the next copy takes the log.
  ASSERT_EQ(::unlink(log().c_str()), 0);
  WriteWholeFile(log(), "Budget.ods was backup saved as /b/Budget.ods\r\n");
  PushButton5.click();
  EXPECT_EQ(RichTextBox1.clipboard, "Budget.ods was backup saved as /b/Budget.ods\r\n");
  EXPECT_EQ(dialogs.messages.size(), 1u);
}

TEST_F(HistoryOnDisk, ViewAndClearLeaveAFifoAlone) {
  ASSERT_EQ(::mkfifo(log().c_str(), 0666), 0);
  ASSERT_TRUE(clickReturns(PushButton3));
  EXPECT_TRUE(reportedRefusal(ContextLabels::PushButton3_Click));
  EXPECT_TRUE(shell.editedFiles.empty());

  dialogs.messages.clear();
  dialogs.answers.push_back(MessageAnswer::Yes);
  ASSERT_TRUE(clickReturns(PushButton12));
  ASSERT_EQ(dialogs.messages.size(), 2u);  // the question, then the report
  EXPECT_TRUE(IsReport(dialogs.messages[1], ContextLabels::PushButton12_Click, 102));
  struct stat status {};
  ASSERT_EQ(::lstat(log().c_str(), &status), 0);
  EXPECT_TRUE(S_ISFIFO(status.st_mode));
}

TEST_F(HistoryOnDisk, ALinkAtTheLogsPathIsNotFollowed) {
  const std::string secret = folder / "secret.txt";
  WriteWholeFile(secret, "not the history\n");
  ASSERT_EQ(::symlink(secret.c_str(), log().c_str()), 0);

  PushButton5.click();
  EXPECT_EQ(RichTextBox1.clipboard, std::string()) << "nothing of the file was copied";
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_TRUE(IsReport(dialogs.messages[0], ContextLabels::PushButton5_Click, 102));
  EXPECT_NE(dialogs.messages[0].text.find("is a link"), std::string::npos);

  PushButton3.click();
  EXPECT_TRUE(shell.editedFiles.empty());
  EXPECT_EQ(dialogs.messages.size(), 2u);

  dialogs.answers.push_back(MessageAnswer::Yes);
  PushButton12.click();
  EXPECT_EQ(ReadWholeFile(secret), "not the history\n");
  struct stat status {};
  EXPECT_EQ(::lstat(log().c_str(), &status), 0) << "the link was left where it was";
}

TEST_F(HistoryOnDisk, AnotherUsersLogIsNeitherReadNorDeleted) {
  if (::geteuid() != 0) GTEST_SKIP() << "giving a file to another user needs root";
  WriteWholeFile(log(), "someone else's lines\r\n");
  ASSERT_EQ(::chown(log().c_str(), NobodyId, NobodyId), 0);

  PushButton5.click();
  EXPECT_EQ(RichTextBox1.clipboard, std::string()) << "nothing of the file was copied";
  EXPECT_TRUE(reportedRefusal(ContextLabels::PushButton5_Click));

  dialogs.answers.push_back(MessageAnswer::Yes);
  PushButton12.click();
  EXPECT_EQ(ReadWholeFile(log()), "someone else's lines\r\n");
}

TEST_F(HistoryOnDisk, TheUsersOwnReadOnlyLogIsCopiedViewedAndCleared) {
  WriteWholeFile(log(), "One.ods was backup saved as /b/One.ods\r\n");
  ASSERT_EQ(::chmod(log().c_str(), 0400), 0);
  PushButton5.click();
  EXPECT_EQ(RichTextBox1.clipboard, "One.ods was backup saved as /b/One.ods\r\n");
  PushButton3.click();
  EXPECT_EQ(shell.editedFiles, std::vector<std::string>{log()});
  dialogs.answers.push_back(MessageAnswer::Yes);
  PushButton12.click();
  struct stat status {};
  EXPECT_NE(::lstat(log().c_str(), &status), 0);
  EXPECT_EQ(dialogs.messages.size(), 1u);  // the question only
}

}  // namespace
}  // namespace tg::testing

namespace tg {
namespace {

using testing::TempFolder;

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

}  // namespace
}  // namespace tg
