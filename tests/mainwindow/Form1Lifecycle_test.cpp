// The start-up sequence: restoring every setting, dressing the window, and its failures.

#include "WindowFixture.h"
#include "reporting/ContextLabels.h"

namespace tg::testing {
namespace {

using Startup = WindowFixture;

TEST_F(Startup, FirstRunOnAnEmptyStoreShowsTheDefaults) {
  start();
  EXPECT_EQ(Text1.text(), DesktopFolder + "/");
  EXPECT_TRUE(Option2.selected());
  EXPECT_FALSE(Option1.selected());
  EXPECT_TRUE(Option3.selected());
  EXPECT_FALSE(Option4.selected());
  EXPECT_EQ(Check6.value(), CheckBox::Checked);
  EXPECT_EQ(Check5.value(), CheckBox::Unchecked);
  EXPECT_EQ(Check8.value(), CheckBox::Unchecked);
  EXPECT_EQ(ListView1.selectedText(), "Save every 5 minutes");
  EXPECT_EQ(PushButton4.caption(), "Turn Off Auto Backup-Save");
  EXPECT_EQ(Timer1.interval(), 1000);
  EXPECT_TRUE(Timer1.enabled());
  EXPECT_EQ(status(), "On. Next backup will occur in: 00:00:00");
  EXPECT_TRUE(window.visible());
  EXPECT_EQ(window.state(), WindowState::Normal);
  EXPECT_EQ(window.caption(), "Tallyguard");
  EXPECT_TRUE(window.hasApplicationIcon);
  // Neither skin nor cursor file exists: nothing is loaded, and that is no failure.
  EXPECT_TRUE(skin.appliedFiles.empty());
  EXPECT_EQ(window.customPointerFile, "");
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(Startup, FirstRunStoresOnlyTheKeysWhoseControlsChanged) {
  start();
  EXPECT_EQ(settings.value("Path"), DesktopFolder + "/");
  EXPECT_EQ(settings.value("WhereOption"), "2");
  EXPECT_EQ(settings.value("Backup Option"), "1");
  EXPECT_EQ(settings.value("Include Date"), "On");
  for (const char* absent : {"Windows Startup", "OftenIndex", "StartStopState", "Minimized"}) {
    EXPECT_FALSE(settings.value(absent).has_value()) << absent;
  }
  EXPECT_FALSE(autostart.registered);
  EXPECT_EQ(autostart.enableCount + autostart.disableCount, 0);
}

TEST_F(Startup, FillsTheIntervalListWithHeaderAndTwelveEntries) {
  start();
  ASSERT_EQ(ListView1.columns().size(), 1u);
  EXPECT_EQ(ListView1.columns()[0].header, " When would you like to backup all open Calc files?");
  EXPECT_EQ(ListView1.columns()[0].widthTwips, 6400);
  ASSERT_EQ(ListView1.items().size(), 12u);
  EXPECT_EQ(ListView1.items().front(), "Save every 30 seconds");
  EXPECT_EQ(ListView1.items().back(), "Save every 24 hours");
}

TEST_F(Startup, StoredValuesAreRestoredAndStoredAgainWhereTheirHandlersRun) {
  settings.store("Path", "/srv/backups");
  settings.store("WhereOption", "1");
  settings.store("Backup Option", "2");
  settings.store("Include Date", "Off");
  settings.store("OftenIndex", "12");
  settings.store("StartStopState", "Off");
  settings.writes.clear();
  start();
  EXPECT_EQ(Text1.text(), "/srv/backups");
  EXPECT_TRUE(Option1.selected());
  EXPECT_TRUE(Option4.selected());
  EXPECT_EQ(Check6.value(), CheckBox::Unchecked);
  EXPECT_EQ(ListView1.selectedText(), "Save every 24 hours");
  EXPECT_EQ(PushButton4.caption(), "Turn On Auto Backup-Save");
  EXPECT_EQ(status(), "Off.");
  EXPECT_EQ(Timer1.interval(), 0);
  // Check6 stayed unchecked, as designed, so its click never ran; the list raised no click.
  EXPECT_EQ(settings.writesOf("Include Date"), 0);
  EXPECT_EQ(settings.writesOf("OftenIndex"), 0);
  EXPECT_EQ(settings.writesOf("Path"), 1);
  EXPECT_EQ(settings.value("Backup Option"), "2");
}

TEST_F(Startup, OnOffTextsMustBeExactlyOn) {
  settings.store("Include Date", "on");
  settings.store("Minimized", "ON");
  start();
  EXPECT_EQ(Check6.value(), CheckBox::Unchecked);
  EXPECT_EQ(Check8.value(), CheckBox::Unchecked);
  EXPECT_TRUE(window.visible());
}

TEST_F(Startup, UnknownLocationChoiceSelectsNeitherAndStoresNothing) {
  settings.store("WhereOption", "3");
  settings.writes.clear();
  start();
  EXPECT_FALSE(Option1.selected());
  EXPECT_FALSE(Option2.selected());
  EXPECT_EQ(settings.writesOf("WhereOption"), 0);
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(Startup, AnyOtherBackupChoiceSelectsOverwriteAndStoresTwo) {
  settings.store("Backup Option", "7");
  start();
  EXPECT_TRUE(Option4.selected());
  EXPECT_EQ(settings.value("Backup Option"), "2");
}

TEST_F(Startup, StoredEmptyPathStaysEmpty) {
  settings.store("Path", "");
  start();
  EXPECT_EQ(Text1.text(), "");
}

TEST_F(Startup, WindowsStartupIsRestoredWithoutRegisteringOrStoringAgain) {
  settings.store("Windows Startup", "On");
  settings.writes.clear();
  start();
  EXPECT_EQ(Check5.value(), CheckBox::Checked);
  EXPECT_EQ(settings.writesOf("Windows Startup"), 0);
  EXPECT_EQ(autostart.enableCount, 0);
  EXPECT_TRUE(Check8.visible());
  EXPECT_FALSE(form->IsLoading());
}

TEST_F(Startup, LowerCaseScheduleStateLeavesTheDesignedCaptions) {
  settings.store("StartStopState", "on");
  start();
  EXPECT_EQ(PushButton4.caption(), "Turn On Auto Backup");
  EXPECT_EQ(status(), "On. Next backup will occur in: 00:00:00");
  EXPECT_EQ(Timer1.interval(), 0);
  EXPECT_TRUE(Timer1.enabled());
}

TEST_F(Startup, NumberKeysThatAreNotNumbersAreReportedAndStartUpGoesOn) {
  settings.store("WhereOption", "left");
  settings.store("Backup Option", "");
  settings.store("OftenIndex", "five");
  start();
  ASSERT_EQ(dialogs.messages.size(), 3u);
  EXPECT_TRUE(IsReport(dialogs.messages[0], ContextLabels::Form_Load, 136));
  EXPECT_TRUE(IsReport(dialogs.messages[1], ContextLabels::Form_Load, 146));
  EXPECT_TRUE(IsReport(dialogs.messages[2], ContextLabels::Form_Load, 186));
  EXPECT_EQ(
      dialogs.messages[0].text.rfind("The stored setting \"left\" is not a whole number.\r\n", 0),
      0u);
  EXPECT_FALSE(Option1.selected() || Option2.selected());
  EXPECT_TRUE(Option4.selected());
  EXPECT_EQ(ListView1.selectedPosition(), 3);
  EXPECT_EQ(suiteChecks, 1);  // the sequence ran to its end
}

// A stored interval that names no entry is told once at start-up; then "Save every 5 minutes"
// runs as if chosen, and no tick ever reports it again.
struct StoredInterval {
  const char* text;
  int reportedLine;
};
class BadStoredInterval : public WindowFixture,
                          public ::testing::WithParamInterface<StoredInterval> {};

TEST_P(BadStoredInterval, IsToldOnceAndSavesEveryFiveMinutes) {
  settings.store("OftenIndex", GetParam().text);
  start();
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_TRUE(IsReport(dialogs.messages[0], ContextLabels::Form_Load, GetParam().reportedLine));
  EXPECT_EQ(ListView1.selectedPosition(), 3);
  EXPECT_EQ(settings.value("OftenIndex"), GetParam().text) << "stored only when the user chooses";
  tick(300);
  EXPECT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(passes, 1);
}

INSTANTIATE_TEST_SUITE_P(OutsideOneToTwelveOrNoNumber, BadStoredInterval,
                         ::testing::Values(StoredInterval{"13", 188}, StoredInterval{"0", 188},
                                           StoredInterval{"-1", 188}, StoredInterval{"five", 186}));

TEST_F(Startup, NumberBeyondSixteenBitsIsReportedAsOverflow) {
  settings.store("OftenIndex", "32768");
  start();
  ASSERT_GE(dialogs.messages.size(), 1u);
  EXPECT_TRUE(IsReport(dialogs.messages[0], ContextLabels::Form_Load, 186));
  EXPECT_EQ(
      dialogs.messages[0].text.rfind("The stored setting \"32768\" is too large a number.\r\n", 0),
      0u);
}

TEST_F(Startup, UnknownDesktopFailsTheFolderLineAsAWhole) {
  shell.desktop.reset();
  settings.store("Path", "/srv/backups");
  settings.writes.clear();
  start();
  EXPECT_EQ(Text1.text(), "Text1");
  EXPECT_EQ(settings.writesOf("Path"), 0);
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_TRUE(IsReport(dialogs.messages[0], ContextLabels::Form_Load, 134));
}

TEST_F(Startup, SecondCopyEndsSilentlyBeforeReadingAnything) {
  singleInstance.anotherCopy = true;
  create();
  EXPECT_THROW(form->Form_Load(), ProgramEnded);
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_TRUE(settings.writes.empty());
  EXPECT_FALSE(window.everShown);
  EXPECT_EQ(suiteChecks, 0);
}

TEST_F(Startup, ALockThatCouldNotBeTakenIsReportedOnceAndTheWindowStarts) {
  singleInstance.problem = "The folder /home/ann/.local/state/Tallyguard is not a private folder.";
  start();
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text.rfind(singleInstance.problem, 0), 0u);
  EXPECT_NE(dialogs.messages[0].text.find("starts all the same"), std::string::npos);
  EXPECT_EQ(dialogs.messages[0].title, "Tallyguard");
  EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Warning);
  EXPECT_TRUE(window.everShown);
  EXPECT_EQ(suiteChecks, 1);
}

TEST_F(Startup, TheOfficeSuiteIsCheckedLastWithEverythingInPlace) {
  bool loadingAtCheck = true;
  std::string logPathAtCheck;
  std::string tipAtCheck;
  duringSuiteCheck = [&] {
    loadingAtCheck = form->IsLoading();
    logPathAtCheck = globals.HistoryLogPath;
    tipAtCheck = cSysTray1.TrayTip();
  };
  start();
  EXPECT_EQ(suiteChecks, 1);
  EXPECT_FALSE(loadingAtCheck);
  EXPECT_EQ(logPathAtCheck, historyLog());
  EXPECT_EQ(tipAtCheck, "Tallyguard");
  EXPECT_EQ(form->ShortTitle(), "Tallyguard");
}

TEST_F(Startup, MissingOfficeSuiteEndsTheProgramBeforeTheWindowIsSeen) {
  duringSuiteCheck = [&] { shell.endProgram(); };
  create();
  EXPECT_THROW(form->Form_Load(), ProgramEnded);
  EXPECT_FALSE(window.everShown);
}

TEST_F(Startup, TrayIconIsInTheTrayFromCreationAndNamedDuringStartUp) {
  create();
  EXPECT_TRUE(trayShell.iconShown());
  form->Form_Load();
  EXPECT_EQ(cSysTray1.TrayTip(), "Tallyguard");
  EXPECT_EQ(trayShell.count(TrayCall::AddIcon), 1);
  ASSERT_NE(trayShell.last(TrayCall::SetTip), nullptr);
  EXPECT_EQ(trayShell.last(TrayCall::SetTip)->text, "Tallyguard");
}

TEST_F(Startup, SkinAndHandCursorAreUsedWhenTheirFilesExist) {
  fileSystem.directories.insert(ProgramFolder + "/x");
  fileSystem.files[ProgramFolder + "/x/o.cjs"] = "skin";
  fileSystem.files[ProgramFolder + "/HAND-M.CUR"] = "cursor";
  start();
  ASSERT_EQ(skin.appliedFiles.size(), 1u);
  EXPECT_EQ(skin.appliedFiles[0], shell.program + "/x/o.cjs");
  EXPECT_EQ(window.customPointerFile, shell.program + "/HAND-M.CUR");
  EXPECT_EQ(Frame1.backColor(), 0x8000000Fu);
}

TEST_F(Startup, RejectedSkinAndCursorAreReportedAtTheirLines) {
  fileSystem.directories.insert(ProgramFolder + "/x");
  fileSystem.files[ProgramFolder + "/x/o.cjs"] = "skin";
  fileSystem.files[ProgramFolder + "/HAND-M.CUR"] = "cursor";
  skin.reject = true;
  window.rejectCursor = true;
  start();
  ASSERT_EQ(dialogs.messages.size(), 2u);
  EXPECT_TRUE(IsReport(dialogs.messages[0], ContextLabels::Form_Load, 106));
  EXPECT_TRUE(IsReport(dialogs.messages[1], ContextLabels::Form_Load, 112));
  EXPECT_EQ(window.caption(), "Tallyguard");
}

TEST_F(Startup, AFolderNamedLikeTheSkinFileIsNoSkin) {
  fileSystem.directories.insert({ProgramFolder + "/x", ProgramFolder + "/x/o.cjs"});
  start();
  EXPECT_TRUE(skin.appliedFiles.empty());
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(Startup, AnUnknownProgramFolderFailsTheSkinAndCursorLinesAndStartUpGoesOn) {
  shell.failProgramFolder = true;
  start();
  ASSERT_EQ(dialogs.messages.size(), 3u);
  EXPECT_TRUE(IsReport(dialogs.messages[0], ContextLabels::Form_Load, 106));
  // The failed test counts as passed, so loading the cursor is tried and fails on its own.
  EXPECT_TRUE(IsReport(dialogs.messages[1], ContextLabels::Form_Load, 110));
  EXPECT_TRUE(IsReport(dialogs.messages[2], ContextLabels::Form_Load, 112));
  EXPECT_EQ(window.caption(), "Tallyguard");
  EXPECT_EQ(suiteChecks, 1);
  EXPECT_TRUE(window.visible());
}

TEST_F(Startup, HomePageOpensOnlyWhenSevenIsDrawn) {
  random.value = 0.065;  // 6.5 -> 6 + 1 = 7
  start();
  ASSERT_EQ(shell.openedAddresses.size(), 1u);
  EXPECT_EQ(shell.openedAddresses[0], MakerHomePage);
}

TEST_F(Startup, TheNextDrawOpensNothing) {
  random.value = 0.07;  // 7.0 -> 7 + 1 = 8
  start();
  EXPECT_TRUE(shell.openedAddresses.empty());
}

TEST_F(Startup, BrowserThatCannotStartIsReportedAtLine114) {
  random.value = 0.065;  // draws 7
  shell.failBrowser = true;
  start();
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_TRUE(IsReport(dialogs.messages[0], ContextLabels::Form_Load, 114));
  EXPECT_EQ(suiteChecks, 1);
}

TEST_F(Startup, ShortTitleDropsTheLastWordAndStaysWithinForty) {
  EXPECT_EQ(ShortTitleFor("Tallyguard Backup Software"), "Tallyguard Backup");
  EXPECT_EQ(ShortTitleFor("Tallyguard"), "Tallyguard");
  const std::string longTitle =
      "Alpha Beta Gamma Delta Epsilon Zeta Eta Theta Iota Kappa";  // 56 characters
  EXPECT_EQ(ShortTitleFor(longTitle), "Alpha Beta Gamma Delta Epsilon Zeta Eta");
}

}  // namespace
}  // namespace tg::testing
