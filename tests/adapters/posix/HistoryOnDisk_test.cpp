// The history commands of the window on the real disk, with the log in a folder others can write
// to: a FIFO, a link or another user's file at the log's path is reported and left alone, never
// waited on, followed or read.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>

#include "adapters/posix/PosixFileSystem.h"
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
