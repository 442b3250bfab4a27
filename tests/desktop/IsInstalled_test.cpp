#include "desktop/IsInstalled.h"

#include <gtest/gtest.h>

#include "memory/MemoryShell.h"
#include "memory/MemorySuite.h"
#include "memory/RecordingDialogs.h"

namespace tg {
namespace {

constexpr std::string_view ExpectedMessage =
    "Error 214878392\r\n\r\n"
    "OpenOffice is required to run this software. It is not installed on this computer.\r\r"
    "Woud you like to open this site now?\r\n\r\n"
    "(If you think this error is a mistake and you have OpenOffice installed, please email a "
    "screenshot of this error message and a screenshot of the OpenOffice 'About' window to "
    "support@morvane.com)";

class SuiteCheckTest : public ::testing::Test {
 protected:
  // Runs the check; true when the program went on past it.
  bool check() {
    try {
      CheckOfficeSuite(suite, dialogs, shell, "Short");
      return true;
    } catch (const ProgramEnded&) {
      return false;
    }
  }

  MemorySuite suite;
  RecordingDialogs dialogs;
  MemoryShell shell;
};

TEST_F(SuiteCheckTest, PresentSuitePassesUnseenAndKeepsNoObject) {
  EXPECT_TRUE(check());
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(suite.liveObjects(), 0);
  EXPECT_EQ(shell.endCount, 0);
}

TEST_F(SuiteCheckTest, MissingSuiteShowsTheSevenPiecesUnderTheShortTitle) {
  suite.installed = false;
  dialogs.answers = {MessageAnswer::No};
  EXPECT_FALSE(check());
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, ExpectedMessage);
  EXPECT_EQ(dialogs.messages[0].title, "Short");
  EXPECT_EQ(dialogs.messages[0].buttons, MessageButtons::YesNo);
  EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::None);
  EXPECT_TRUE(shell.openedAddresses.empty());
  EXPECT_EQ(shell.endCount, 1);
}

TEST_F(SuiteCheckTest, YesOpensTheDownloadPageThenEnds) {
  suite.installed = false;
  dialogs.answers = {MessageAnswer::Yes};
  EXPECT_FALSE(check());
  ASSERT_EQ(shell.openedAddresses.size(), 1u);
  EXPECT_EQ(shell.openedAddresses[0], OfficeSuiteDownloadPage);
  EXPECT_EQ(shell.endCount, 1);
}

TEST_F(SuiteCheckTest, BrowserThatCannotStartGoesUnnoticed) {
  suite.installed = false;
  shell.failBrowser = true;
  dialogs.answers = {MessageAnswer::Yes};
  EXPECT_FALSE(check());
  EXPECT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(shell.endCount, 1);
}

// The check runs at every logon: it must never start an office or wait for one.
TEST_F(SuiteCheckTest, AnInstalledSuiteIsFoundWithoutCreatingAnythingInIt) {
  EXPECT_TRUE(check());
  EXPECT_TRUE(suite.calls.empty());
  EXPECT_EQ(suite.liveObjects(), 0);
}

class BrokenFactory : public AutomationFactory {
 public:
  ObjectRef create(std::string_view) override { return nullptr; }
  bool isInstalled(std::string_view) override { throw AutomationError("module damaged"); }
};

TEST(SuiteCheck, AFailingLookIsTreatedAsMissing) {
  BrokenFactory factory;
  RecordingDialogs dialogs;
  MemoryShell shell;
  dialogs.answers = {MessageAnswer::No};
  EXPECT_THROW(CheckOfficeSuite(factory, dialogs, shell, "Short"), ProgramEnded);
  EXPECT_EQ(dialogs.messages.size(), 1u);
}

}  // namespace
}  // namespace tg
