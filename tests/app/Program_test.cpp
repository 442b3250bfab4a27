// The program as a front end wires it: the window's controls and the platform's ports handed to
// Program, and nothing else.

#include "app/Program.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <initializer_list>
#include <utility>

#include "backup/BackupNaming.h"
#include "mainwindow/Form1Design.h"
#include "mainwindow/KeyboardOrder.h"
#include "mainwindow/WindowFixture.h"
#include "memory/LoopbackHelper.h"
#include "memory/MemoryFileFacts.h"
#include "memory/MemorySuite.h"
#include "memory/MemoryVersionsView.h"
#include "memory/UnitedStatesRegionalSettings.h"

namespace tg::testing {
namespace {

using ::testing::HasSubstr;

class ProgramWiring : public WindowFixture {
 protected:
  // A copy written by the suite shows up as a file where its URL says, as a real store's does.
  ProgramWiring() {
    suite.disk = &fileSystem;
    fileSystem.directories.insert({"/data", "C:", "C:\\Data"});
  }

  Program& program(PathStyle style) {
    Form1Controls controls{window,      Frame2,       ProgressBar1, Frame3,      Check8,
                           Check5,      Check6,       Option4,      Option3,     cSysTray1,
                           Frame1,      Option2,      Option1,      Text1,       PushButton1,
                           Timer1,      ListView1,    PushButton4,  PushButton2, PushButton3,
                           PushButton5, RichTextBox1, PushButton11, PushButton12};
    // Every pass runs in the helper, here a loopback one over the in-memory office and files. Each
    // yield of the window moves its clock on a second, so the watch over the office is given more
    // seconds than a pass here yields.
    helper_ = std::make_unique<LoopbackHelper>(
        PassEnvironment{suite, fileSystem, clock, regional, "", style, &fileFacts});
    program_ = std::make_unique<Program>(
        controls,
        ProgramPorts{{settings, suite, shell, singleInstance, autostart, environment, fileSystem,
                      clock, regional, *helper_, 1e9},
                     dialogs,
                     skin,
                     random,
                     messageLoop,
                     style},
        ProgramAdditions{Spin1, Check9, PushButton13,
                         VersionsPlatform{{fileFacts, nullptr, office}, [this] {
                                            auto view = std::make_unique<MemoryVersionsView>();
                                            versionsView = view.get();
                                            return view;
                                          }}});
    return *program_;
  }

  MemorySuite suite;
  UnitedStatesRegionalSettings regional;
  MemoryNumberBox Spin1;
  MemoryCheckBox Check9;
  MemoryPushButton PushButton13;
  MemoryOfficeDocuments office;
  MemoryVersionsView* versionsView = nullptr;
  MemoryFileFacts fileFacts{fileSystem};
  std::unique_ptr<LoopbackHelper> helper_;
  std::unique_ptr<Program> program_;
};

// Backup Now runs the pass with the options as the window shows them at that moment, the history
// log where start-up put it, and the path style the front end named.
TEST_F(ProgramWiring, BackupNowStoresWithTheLiveOptionsIntoTheStartUpsLog) {
  suite.openSpreadsheet("file:///data/Budget.ods");
  program(PathStyle::Posix).start();
  EXPECT_TRUE(window.visible());
  Check6.setValue(CheckBox::Unchecked);  // the user turns the stamp off before the click
  PushButton2.click();
  ASSERT_EQ(suite.copies.size(), 1u)
      << (dialogs.messages.empty() ? "" : dialogs.messages[0].text) << helper_->lastFailure;
  EXPECT_TRUE(fileSystem.exists("/data/Budget Backup.ods"));
  EXPECT_EQ(program_->globals().HistoryLogPath, historyLog());
  EXPECT_EQ(historyText().rfind("Budget.ods was backup saved as /data/Budget Backup.ods at ", 0),
            0u);
}

// Backup Now from the tray menu or the desktop's action: the user may not be looking at the
// window, so what was copied and what failed is told in one balloon, not in message boxes; a
// never-saved workbook is skipped rather than asking for a folder.
TEST_F(ProgramWiring, BackupNowAskedFromOutsideTellsItsOutcomeInOneBalloon) {
  suite.openSpreadsheet("file:///data/Budget.ods");
  suite.openSpreadsheet("");  // never saved
  program(PathStyle::Posix).start();
  Check6.setValue(CheckBox::Unchecked);
  const int balloonsBefore = trayShell.count(TrayCall::ShowBalloon);
  program_->backupNow();
  EXPECT_TRUE(fileSystem.exists("/data/Budget Backup.ods"));
  EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages[0].text;
  EXPECT_TRUE(dialogs.folderPrompts.empty());
  ASSERT_EQ(trayShell.count(TrayCall::ShowBalloon), balloonsBefore + 1);
  EXPECT_EQ(trayShell.last(TrayCall::ShowBalloon)->title, "Tallyguard backup");
  EXPECT_EQ(trayShell.last(TrayCall::ShowBalloon)->text,
            "1 spreadsheet was copied. One failed or was skipped: a document that was never "
            "saved has no folder of its own, and a backup asked for outside the window asks for "
            "none; save it once in the office, or choose one folder for all backups.");
}

// The desktop's Backup Now while the window's own pass runs is not lost: it is made once that
// pass ends, and told.
TEST_F(ProgramWiring, BackupNowAskedFromOutsideDuringAPassIsMadeWhenItEnds) {
  suite.openSpreadsheet("file:///data/Budget.ods");
  program(PathStyle::Posix).start();
  Check6.setValue(CheckBox::Unchecked);
  const int balloonsBefore = trayShell.count(TrayCall::ShowBalloon);
  bool asked = false;
  suite.onStore = [&](const StoredCopy&) {
    if (!std::exchange(asked, true)) program_->backupNow();
  };
  PushButton2.click();
  EXPECT_EQ(suite.copies.size(), 2u);
  EXPECT_EQ(trayShell.count(TrayCall::ShowBalloon), balloonsBefore + 1);
  EXPECT_THAT(trayShell.last(TrayCall::ShowBalloon)->text, HasSubstr("1 spreadsheet was copied"));
}

TEST_F(ProgramWiring, AWindowsFrontEndGetsWindowsPaths) {
  environment.values["TEMP"] = "C:\\Temp";
  fileSystem.directories.insert("C:\\Temp");
  suite.openSpreadsheet("file:///C:/Data/Budget.ods");
  program(PathStyle::Windows).start();
  Check6.setValue(CheckBox::Unchecked);
  PushButton2.click();
  ASSERT_EQ(suite.copies.size(), 1u);
  EXPECT_TRUE(fileSystem.exists("C:\\Data\\Budget Backup.ods"));
  EXPECT_EQ(fileSystem.readText("C:\\Temp\\Tallyguard.txt")
                .rfind("Budget.ods was backup saved as C:\\Data\\Budget Backup.ods at ", 0),
            0u);
}

// A folder that names the user is the user's own folder when a backup runs.
TEST_F(ProgramWiring, AChosenFolderNamingTheUserIsThatUsersFolder) {
  environment.values["USER"] = "ann";
  fileSystem.directories.insert({"/srv", "/srv/ann"});
  settings.administer("Path", "/srv/$USER/", SettingSource::Policy);
  settings.administer("WhereOption", "1", SettingSource::Policy);
  suite.openSpreadsheet("file:///data/Budget.ods");
  program(PathStyle::Posix).start();
  Check6.setValue(CheckBox::Unchecked);
  PushButton2.click();
  EXPECT_TRUE(fileSystem.exists("/srv/ann/Budget Backup.ods"));
}

TEST_F(ProgramWiring, AMissingSuiteEndsTheStartBeforeTheWindowIsSeen) {
  suite.installed = false;
  EXPECT_THROW(program(PathStyle::Posix).start(), ProgramEnded);
  EXPECT_FALSE(window.visible());
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].title, "Tallyguard");
}

TEST_F(ProgramWiring, ClosingStopsTheTimerTakesTheIconOutAndEnds) {
  program(PathStyle::Posix).start();
  EXPECT_THROW(program_->close(), ProgramEnded);
  EXPECT_FALSE(Timer1.enabled());
  EXPECT_FALSE(cSysTray1.IconInTray());
}

// A front end places every control inside its container, so the table must say where each one is.
TEST(Form1DesignTable, EveryContainerIsAFrameDefinedBeforeWhatItHoldsAndHoldsItWhole) {
  for (const ControlDesign& control : Form1Design::Controls) {
    SCOPED_TRACE(std::string(control.name));
    EXPECT_EQ(&Form1Design::Find(control.name), &control);  // names are unique
    if (control.container.empty()) continue;
    const ControlDesign& frame = Form1Design::Find(control.container);
    EXPECT_EQ(frame.kind, ControlKind::Frame);
    EXPECT_LT(&frame, &control);
    EXPECT_LE(control.place.left + control.place.width, frame.place.width);
    EXPECT_LE(control.place.top + control.place.height, frame.place.height);
  }
  EXPECT_THROW(Form1Design::Find("Timer1"), std::out_of_range);  // invisible: no place
}

}  // namespace
}  // namespace tg::testing

namespace tg::testing {
namespace {

// Tab reads the window as the eye does and goes through a frame whole before the next; a frame's
// option buttons follow each other where the first one stands, and form one group for the arrows.
// Tab reads the window as the eye does and goes through a frame whole before the next; a frame's
// option buttons follow each other where the first one stands, and form one group for the arrows.
// Only what takes the focus is a stop (not the frames, the label, the bar, the hidden buffer).
TEST(KeyboardOrder, TabGoesThroughEachFrameWholeWithItsOptionButtonsTogether) {
  std::vector<std::string> order;
  const auto takesFocus = [](std::string_view name) {
    const ControlKind kind = Form1Design::Find(name).kind;
    return kind != ControlKind::Frame && kind != ControlKind::Label &&
           kind != ControlKind::ProgressBar && kind != ControlKind::TextBuffer;
  };
  for (const KeyboardStop& stop : KeyboardOrder(takesFocus)) {
    order.push_back(std::string(stop.design->name) + (stop.startsGroup ? "" : " (same group)"));
  }
  EXPECT_EQ(order, (std::vector<std::string>{
                       "Option2", "Option1 (same group)", "Text1", "PushButton1", "Option3",
                       "Option4 (same group)", "Spin1", "Check6", "Check9", "PushButton13",
                       "Check5", "Check8", "ListView1", "PushButton4", "PushButton2", "PushButton3",
                       "PushButton5", "PushButton11", "PushButton12"}));
}

class ProgramAdditionsTest : public ProgramWiring {
 protected:
  void entry(std::string_view caption) {
    for (const TrayMenuEntry& each : program_->trayMenu()) {
      if (each.caption == caption) return each.action();
    }
    FAIL() << "no menu entry " << caption;
  }
};

TEST_F(ProgramAdditionsTest, TheTrayMenuShowsTheWindowBacksUpAndQuitsAsClosingDoes) {
  suite.openSpreadsheet("file:///data/Budget.ods");
  program(PathStyle::Posix).start();
  std::vector<std::string_view> captions;
  for (const TrayMenuEntry& each : program_->trayMenu()) captions.push_back(each.caption);
  EXPECT_EQ(captions,
            (std::vector<std::string_view>{"Show Tallyguard", "Versions…", "Backup Now", "Quit"}));
  window.minimize();
  ASSERT_FALSE(window.visible());
  entry("Show Tallyguard");
  EXPECT_TRUE(window.visible());
  // The Versions window exists only while open; asked again, the open one comes to the front.
  EXPECT_FALSE(program_->versionsOpen());
  entry("Versions…");
  ASSERT_TRUE(program_->versionsOpen());
  MemoryVersionsView* opened = versionsView;
  PushButton13.click();
  EXPECT_EQ(versionsView, opened);
  EXPECT_EQ(opened->broughtToFront, 2);
  opened->close();
  EXPECT_FALSE(program_->versionsOpen());
  EXPECT_EQ(PushButton13.caption(), "Versions…");
  PushButton13.click();
  EXPECT_TRUE(program_->versionsOpen());
  entry("Backup Now");
  EXPECT_EQ(suite.copies.size(), 1u);
  EXPECT_THROW(entry("Quit"), ProgramEnded);
  EXPECT_FALSE(Timer1.enabled());
  EXPECT_FALSE(cSysTray1.IconInTray());
}

// A second start while start-up shows a message is not lost, nor does it show a window half
// made: the window comes up once start-up is over, though it was to start in the tray.
TEST_F(ProgramAdditionsTest, ASecondStartDuringAStartUpMessageShowsTheWindowOnceStartUpIsOver) {
  settings.store("Minimized", "On");
  singleInstance.problem = "The folder for the program's lock is shared with other users.";
  bool shownDuringTheMessage = false;
  dialogs.whileOpen = [&] {
    program_->showWindow();
    shownDuringTheMessage = window.visible();
  };
  program(PathStyle::Posix).start();
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_FALSE(shownDuringTheMessage);
  EXPECT_TRUE(window.visible());
  EXPECT_FALSE(program_->globals().HiddenInTray);
}

// Start at logon locked on, where the machine-wide entry is installed, is that entry's: the
// user's own entry is neither written nor touched. Locked off, the user's own entry goes, so
// nothing starts the program at logon.
TEST_F(ProgramAdditionsTest, StartAtLogonLockedOnWritesNoEntryOfTheUsersOwn) {
  autostart.machineWide = true;
  settings.store("Windows Startup", "Off");
  settings.administer("Windows Startup", "On", SettingSource::Policy);
  program(PathStyle::Posix).start();
  EXPECT_EQ(Check5.value(), CheckBox::Checked);
  EXPECT_EQ(autostart.enableCount + autostart.disableCount, 0);
  EXPECT_FALSE(autostart.registered);
}

TEST_F(ProgramAdditionsTest, StartAtLogonLockedOffRemovesTheUsersOwnEntry) {
  autostart.machineWide = true;
  autostart.registered = true;
  settings.store("Windows Startup", "On");
  settings.administer("Windows Startup", "Off", SettingSource::Policy);
  program(PathStyle::Posix).start();
  EXPECT_EQ(Check5.value(), CheckBox::Unchecked);
  EXPECT_EQ(autostart.disableCount, 1);
  EXPECT_FALSE(autostart.registered);
}

// The administrator's locks win over the user's own values, grey exactly their controls, and
// nothing the user does stores a locked key; a default is only a default.
TEST_F(ProgramAdditionsTest, LockedSettingsAreInForceGreyedAndNeverStored) {
  for (auto [key, mine] : {std::pair{"Path", "/home/ann/Mine"},
                           {"WhereOption", "2"},
                           {"Backup Option", "1"},
                           {"OftenIndex", "3"},
                           {"Keep Copies", "9"},
                           {"Thin Copies", "0"},
                           {"Windows Startup", "Off"}}) {
    settings.store(key, mine);
  }
  for (auto [key, locked] : {std::pair{"Path", "/srv/backups"},
                             {"WhereOption", "1"},
                             {"Backup Option", "2"},
                             {"OftenIndex", "5"},
                             {"Keep Copies", "7"},
                             {"Thin Copies", "1"},
                             {"Windows Startup", "On"},
                             {"StartStopState", "Off"}}) {
    settings.administer(key, locked, SettingSource::Policy);
  }
  settings.administer("Include Date", "Off", SettingSource::SystemDefault);
  settings.writes.clear();
  program(PathStyle::Posix).start();

  EXPECT_EQ(Text1.text(), "/srv/backups");
  EXPECT_TRUE(Option1.selected());
  EXPECT_TRUE(Option4.selected());
  EXPECT_EQ(ListView1.selectedPosition(), 5);
  EXPECT_EQ(Spin1.value(), 7);
  EXPECT_EQ(Check9.value(), CheckBox::Checked);
  EXPECT_EQ(Check5.value(), CheckBox::Checked);
  EXPECT_EQ(Check6.value(), CheckBox::Unchecked);  // the default, not the program's own
  EXPECT_TRUE(autostart.registered);  // without a machine-wide entry, the lock holds on the desktop
  EXPECT_EQ(Timer1.interval(), 0);    // the schedule is off
  for (const auto* locked : std::initializer_list<const std::string*>{
           &Text1.lockNote, &PushButton1.lockNote, &Option1.lockNote, &Option2.lockNote,
           &Option3.lockNote, &Option4.lockNote, &ListView1.lockNote, &Spin1.lockNote,
           &Check9.lockNote, &Check5.lockNote, &PushButton4.lockNote}) {
    EXPECT_EQ(*locked, "Set by your administrator");
  }
  for (const auto* free : std::initializer_list<const std::string*>{
           &Check6.lockNote, &Check8.lockNote, &PushButton2.lockNote}) {
    EXPECT_EQ(*free, "");
  }

  Text1.setText("/home/ann/Elsewhere");
  Spin1.setValue(2);
  Check9.click();
  Option2.setSelected(true);
  Check6.click();
  for (const SettingWrite& write : settings.writes) EXPECT_EQ(write.key, "Include Date");
  EXPECT_EQ(settings.value("Include Date"), "On");
}

// The window stores the folder again as it fills its box; an administrator's default stored so
// would become the user's own, and a later change of it would never reach this user.
TEST_F(ProgramAdditionsTest, AnAdministratorsDefaultStaysADefaultUntilTheUserChangesIt) {
  settings.administer("Path", "/srv/backups/", SettingSource::SystemDefault);
  program(PathStyle::Posix).start();
  EXPECT_EQ(Text1.text(), "/srv/backups/");
  EXPECT_EQ(settings.writesOf("Path"), 0);
  Text1.setText("/home/ann/Mine/");
  EXPECT_EQ(settings.value("Path"), "/home/ann/Mine/");
}

// An administrator's value a setting can't take locks nothing and is in force nowhere: the
// user's own value, else the program's, is used, and the history log names the setting once.
TEST_F(ProgramAdditionsTest, AnAdministratorsValueTheSettingCantTakeIsPassedOverAndLogged) {
  environment.values["TEMP"] = "/tmp";
  fileSystem.directories.insert("/tmp");
  settings.store("Keep Copies", "4");
  settings.administer("Keep Copies", "-3", SettingSource::Policy);
  settings.administer("OftenIndex", "99", SettingSource::Policy);
  settings.administer("Include Date", "on", SettingSource::SystemDefault);
  settings.administer("Thin Copies", "1", SettingSource::Policy);  // a good one among them
  program(PathStyle::Posix).start();
  EXPECT_EQ(Spin1.value(), 4);
  EXPECT_EQ(Spin1.lockNote, "");
  EXPECT_EQ(ListView1.selectedPosition(), 3);
  EXPECT_EQ(ListView1.lockNote, "");
  EXPECT_EQ(Check6.value(), CheckBox::Checked);
  EXPECT_EQ(Check9.lockNote, "Set by your administrator");
  const std::string log = fileSystem.readText("/tmp/Tallyguard.txt");
  EXPECT_THAT(log, HasSubstr("The administrator's locked value \"99\" of OftenIndex is not one it "
                             "takes, so it was ignored at "));
  EXPECT_THAT(log, HasSubstr("\"-3\" of Keep Copies"));
  EXPECT_THAT(log, HasSubstr("default value \"on\" of Include Date"));
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 3);
}

TEST_F(ProgramAdditionsTest, KeepCopiesIsRestoredStoredOnChangeAndNeverWrittenWhenAbsent) {
  program(PathStyle::Posix).start();
  EXPECT_EQ(Spin1.value(), 0);
  EXPECT_EQ(settings.writesOf("Keep Copies"), 0);
  Spin1.setValue(4);
  EXPECT_EQ(settings.value("Keep Copies"), "4");
}

// "Thin Copies" is "1" or "0" in the store; absent, the box stays clear and nothing is written.
TEST_F(ProgramAdditionsTest, ThinCopiesIsRestoredAndStoredOnEveryChange) {
  program(PathStyle::Posix).start();
  EXPECT_EQ(Check9.value(), CheckBox::Unchecked);
  EXPECT_EQ(settings.writesOf("Thin Copies"), 0);
  Check9.click();
  EXPECT_EQ(settings.value("Thin Copies"), "1");
  Check9.click();
  EXPECT_EQ(settings.value("Thin Copies"), "0");
}

TEST_F(ProgramAdditionsTest, AStoredThinCopiesChecksTheBox) {
  settings.store("Thin Copies", "1");
  program(PathStyle::Posix).start();
  EXPECT_EQ(Check9.value(), CheckBox::Checked);
}

TEST_F(ProgramAdditionsTest, AStoredKeepCopiesFillsTheBox) {
  settings.store("Keep Copies", "7");
  program(PathStyle::Posix).start();
  EXPECT_EQ(Spin1.value(), 7);
}

// Two documents whose folder is nearly full: neither is stored, and the user is told once.
TEST_F(ProgramAdditionsTest, ANearlyFullDiskSkipsEveryCopyWithOneReportAndTheNextPassTriesAgain) {
  fileSystem.directories.insert("/data");
  suite.openSpreadsheet("file:///data/Budget.ods");
  suite.openSpreadsheet("file:///data/Stock.ods");
  program(PathStyle::Posix).start();
  const size_t messagesBefore = dialogs.messages.size();
  fileFacts.space = SpaceFigures{100, 1000};  // 10 % free: 5 % must stay, but 1 byte more...
  fileSystem.files["/data/Budget.ods"] = std::string(60, 'x');  // ...and the copy needs 60
  fileSystem.files["/data/Stock.ods"] = std::string(60, 'x');
  PushButton2.click();
  EXPECT_TRUE(suite.copies.empty());
  ASSERT_EQ(dialogs.messages.size(), messagesBefore + 1);
  EXPECT_EQ(dialogs.messages.back().text,
            "Not enough free disk space, so no copy was stored in /data/. The next backup tries "
            "again.");
  EXPECT_EQ(dialogs.messages.back().title, "Tallyguard");
  fileFacts.space = SpaceFigures{500, 1000};
  PushButton2.click();
  EXPECT_EQ(suite.copies.size(), 2u);
  EXPECT_EQ(dialogs.messages.size(), messagesBefore + 1);
}

}  // namespace
}  // namespace tg::testing
