// The history commands on the log file, and the forced delete behind "Clear History Log".

#include "WindowFixture.h"
#include "mainwindow/DeleteFileForced.h"
#include "reporting/ContextLabels.h"

namespace tg::testing {
namespace {

class History : public WindowFixture {
 protected:
  void SetUp() override {
    environment.values["TEMP"] = "/tmp/with blanks";
    fileSystem.directories.insert("/tmp/with blanks");
    start();
  }
  std::string log() const { return "/tmp/with blanks/Tallyguard.txt"; }
  void writeLog(const std::string& text) { fileSystem.files[log()] = text; }
};

TEST_F(History, WithoutALogViewSaysSoCopyAndClearDoNothing) {
  PushButton3.click();
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text,
            "There isn't a history to view because actions have not been performed yet.");
  EXPECT_EQ(dialogs.messages[0].title, "Tallyguard");
  EXPECT_EQ(dialogs.messages[0].buttons, MessageButtons::Ok);
  EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::None);
  EXPECT_TRUE(shell.editedFiles.empty());

  PushButton5.click();
  EXPECT_FALSE(RichTextBox1.clipboard.has_value());
  EXPECT_EQ(dialogs.messages.size(), 1u);

  PushButton12.click();  // clearing: the question, and nothing visible after it
  EXPECT_EQ(dialogs.messages.size(), 2u);
}

TEST_F(History, ViewOpensTheLogPathWithBlanksInTheEditor) {
  writeLog("a line\r\n");
  PushButton3.click();
  ASSERT_EQ(shell.editedFiles.size(), 1u);
  EXPECT_EQ(shell.editedFiles[0], log());
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(History, AnEditorThatCannotStartIsReportedAtLine102Only) {
  writeLog("a line\r\n");
  shell.failEditor = true;
  PushButton3.click();
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_TRUE(IsReport(dialogs.messages[0], ContextLabels::PushButton3_Click, 102));
}

TEST_F(History, CopyPutsTheWholeLogOnTheClipboardAsPlainText) {
  const std::string text = "Bücher.ods was backup saved as x\r\nTwo.ods was backup saved as y\r\n";
  writeLog(text);
  PushButton5.click();
  EXPECT_EQ(RichTextBox1.clipboard, text);
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(History, ALogThatCannotBeLoadedIsReportedAndWhatTheBufferHoldsIsCopied) {
  writeLog("old\r\n");
  PushButton5.click();
  writeLog("new\r\n");
  fileSystem.notPlain.insert(log());
  PushButton5.click();
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_TRUE(IsReport(dialogs.messages[0], ContextLabels::PushButton5_Click, 102));
  EXPECT_EQ(RichTextBox1.clipboard, "old\r\n");
}

TEST_F(History, AnsweringNoKeepsTheLog) {
  writeLog("keep\r\n");
  dialogs.answers.push_back(MessageAnswer::No);
  PushButton12.click();
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text,
            "Are you sure you want to delete the history log and start over?");
  EXPECT_EQ(dialogs.messages[0].buttons, MessageButtons::YesNo);
  EXPECT_EQ(dialogs.messages[0].title, "Tallyguard");
  EXPECT_EQ(fileSystem.readText(log()), "keep\r\n");
}

TEST_F(History, AnsweringYesDeletesAReadOnlyLogAndViewThenHasNothing) {
  writeLog("gone\r\n");
  fileSystem.readOnly.insert(log());
  settings.writes.clear();
  dialogs.answers.push_back(MessageAnswer::Yes);
  PushButton12.click();
  EXPECT_FALSE(fileSystem.exists(log()));
  EXPECT_TRUE(settings.writes.empty());
  EXPECT_EQ(dialogs.messages.size(), 1u);  // the question only: no confirmation
  PushButton3.click();
  EXPECT_EQ(dialogs.messages.back().text,
            "There isn't a history to view because actions have not been performed yet.");
}

TEST_F(History, HelpNamesTheContactPage) {
  PushButton11.click();
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, std::string("Questions? Please contact Team Morvane at ") +
                                          std::string(MakerContactPage));
  EXPECT_EQ(dialogs.messages[0].title, "Tallyguard");
  EXPECT_EQ(dialogs.messages[0].buttons, MessageButtons::Ok);

  // Locked settings are named under it; a mere default is not.
  settings.administer("Keep Copies", "5", SettingSource::Policy);
  settings.administer("Path", "/srv/backups/", SettingSource::Policy);
  settings.administer("OftenIndex", "4", SettingSource::SystemDefault);
  PushButton11.click();
  EXPECT_EQ(dialogs.messages.back().text,
            std::string("Questions? Please contact Team Morvane at ") +
                std::string(MakerContactPage) +
                "\n\nSet by your administrator: Path, Keep Copies.");
}

// A file system whose every deletion fails, counting the attempts.
class UndeletableFileSystem : public MemoryFileSystem {
 public:
  void deleteFile(std::string_view) override {
    ++ordinary;
    throw std::runtime_error("Permission denied");
  }
  void forceDeleteFile(std::string_view) override {
    ++forced;
    throw std::runtime_error("Permission denied");
  }
  int ordinary = 0;
  int forced = 0;
};

TEST(DeleteFileForced, LetsMessagesRunFirstThenSwallowsBothFailures) {
  CountingMessageLoop loop;
  UndeletableFileSystem files;
  int attemptsWhenYielding = -1;
  loop.onYield = [&] { attemptsWhenYielding = files.ordinary + files.forced; };
  EXPECT_NO_THROW(DeleteFileForced(loop, files, "/nowhere/log.txt"));
  EXPECT_EQ(loop.yields, 1);
  EXPECT_EQ(attemptsWhenYielding, 0);
  EXPECT_EQ(files.ordinary, 1);
  EXPECT_EQ(files.forced, 1);
}

TEST(DeleteFileForced, AWritableFileNeedsNoForce) {
  MemoryFileSystem files;
  files.files["/log.txt"] = "x";
  CountingMessageLoop loop;
  DeleteFileForced(loop, files, "/log.txt");
  EXPECT_FALSE(files.exists("/log.txt"));
}

TEST_F(History, ALineLoggedWhileClearingGoesWithTheFile) {
  writeLog("first\r\n");
  messageLoop.onYield = [&] { writeLog("first\r\nlogged by a due tick\r\n"); };
  PushButton12.click();
  EXPECT_FALSE(fileSystem.exists(log()));
}

}  // namespace
}  // namespace tg::testing
