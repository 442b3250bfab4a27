// The options panel: every change stored at once, start with logon, the folder box and picker.

#include "WindowFixture.h"
#include "reporting/ContextLabels.h"

namespace tg::testing {
namespace {

using Options = WindowFixture;

TEST_F(Options, EachClickStoresItsValue) {
  start();
  Option1.click();
  EXPECT_EQ(settings.value("WhereOption"), "1");
  EXPECT_FALSE(Option2.selected());
  Option2.click();
  EXPECT_EQ(settings.value("WhereOption"), "2");
  Option4.click();
  EXPECT_EQ(settings.value("Backup Option"), "2");
  EXPECT_FALSE(Option3.selected());
  Option3.click();
  EXPECT_EQ(settings.value("Backup Option"), "1");
  Check6.click();
  EXPECT_EQ(settings.value("Include Date"), "Off");
  Check6.click();
  EXPECT_EQ(settings.value("Include Date"), "On");
  Check8.click();
  EXPECT_EQ(settings.value("Minimized"), "On");
}

TEST_F(Options, GreyCountsAsNotChecked) {
  start();
  Check6.setValue(MemoryCheckBox::Grayed);
  EXPECT_EQ(settings.value("Include Date"), "Off");
}

TEST_F(Options, TypingStoresEveryIntermediateTextAndTheLastWins) {
  settings.store("Path", "");
  start();
  settings.writes.clear();
  Text1.type("/bk");
  ASSERT_EQ(settings.writes.size(), 3u);
  EXPECT_EQ(settings.writes[0].text, "/");
  EXPECT_EQ(settings.writes[1].text, "/b");
  EXPECT_EQ(settings.value("Path"), "/bk");
}

TEST_F(Options, FocusSelectsTheWholeTextInCharacters) {
  settings.store("Path", "/home/jörg/");
  start();
  Text1.focus();
  EXPECT_EQ(Text1.selectionStart(), 0);
  EXPECT_EQ(Text1.selectionLength(), 11);
}

TEST_F(Options, UncheckingStartWithLogonAlsoUnchecksAndHidesStartInTray) {
  start();
  Check5.click();
  EXPECT_EQ(settings.value("Windows Startup"), "On");
  EXPECT_TRUE(autostart.registered);
  EXPECT_TRUE(Check8.visible());
  Check8.click();
  EXPECT_EQ(settings.value("Minimized"), "On");

  Check5.click();
  EXPECT_EQ(Check8.value(), CheckBox::Unchecked);
  EXPECT_FALSE(Check8.visible());
  EXPECT_EQ(settings.value("Minimized"), "Off");
  EXPECT_EQ(settings.value("Windows Startup"), "Off");
  EXPECT_FALSE(autostart.registered);

  Check5.click();
  EXPECT_TRUE(Check8.visible());
  EXPECT_EQ(Check8.value(), CheckBox::Unchecked);
  EXPECT_TRUE(autostart.registered);
  EXPECT_EQ(autostart.enableCount, 2);
}

TEST_F(Options, UncheckingWithStartInTrayAlreadyOffStoresNoMinimized) {
  start();
  Check5.click();
  Check5.click();
  EXPECT_EQ(settings.writesOf("Minimized"), 0);
}

TEST_F(Options, BrowseSetsTheChosenFolderAndStoresIt) {
  start();
  dialogs.folderAnswers.push_back("/srv/chosen");
  PushButton1.click();
  ASSERT_EQ(dialogs.folderPrompts.size(), 1u);
  EXPECT_EQ(dialogs.folderPrompts[0], "Please select folder:");
  EXPECT_EQ(dialogs.folderInitials[0], "");
  EXPECT_EQ(Text1.text(), "/srv/chosen");
  EXPECT_EQ(settings.value("Path"), "/srv/chosen");
}

TEST_F(Options, CancellingTheFolderPickerChangesNothing) {
  start();
  const std::string before = Text1.text();
  settings.writes.clear();
  PushButton1.click();
  EXPECT_EQ(Text1.text(), before);
  EXPECT_TRUE(settings.writes.empty());
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(Options, APickerThatFailsIsReportedAtLine100AndLeavesTheFolder) {
  start();
  dialogs.failFolderPicker = true;
  PushButton1.click();
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_TRUE(IsReport(dialogs.messages[0], ContextLabels::PushButton1_Click, 100));
  EXPECT_EQ(Text1.text(), DesktopFolder + "/");
}

}  // namespace
}  // namespace tg::testing
