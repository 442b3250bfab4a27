#include "adapters/qt/QtForm1View.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFontInfo>
#include <QTest>
#include <filesystem>
#include <vector>

#include "GuiTestSupport.h"
#include "adapters/posix/PosixFileSystem.h"
#include "adapters/qt/QtProgram.h"
#include "mainwindow/KeyboardOrder.h"
#include "memory/FixedClock.h"
#include "memory/LoopbackHelper.h"
#include "memory/MemoryAutostart.h"
#include "memory/MemoryEnvironment.h"
#include "memory/MemoryFileFacts.h"
#include "memory/MemoryFileSystem.h"
#include "memory/MemorySettingsBackend.h"
#include "memory/MemoryShell.h"
#include "memory/MemorySingleInstance.h"
#include "memory/MemorySuite.h"
#include "memory/MemoryVersionsView.h"
#include "memory/UnitedStatesRegionalSettings.h"
#include "support/TempFolder.h"

namespace tg {
namespace {

// Every reading moves the clock on by a second, so a balloon's wait ends after five readings.
class SteppingClock : public FixedClock {
 public:
  SteppingClock() : FixedClock({2026, 12, 7, 9, 30, 0}) {}
  double secondsSinceStart() const override { return seconds_++; }

 private:
  mutable double seconds_ = 0;
};

class ProgramTest : public ::testing::Test {
 protected:
  ProgramTest() {
    environment.values["TEMP"] = folder.path().string();
    shell.desktop = (folder.path() / "Desktop").string();
    shell.program = folder.path().string();
  }

  QtProgram& program() {
    if (!program_) {
      // Every reading of this clock is a second later, so the watch over the office is given
      // more seconds than a pass here can read.
      program_ = std::make_unique<QtProgram>(
          SystemPorts{settings, suite, shell, singleInstance, autostart, environment, fileSystem,
                      clock, regional, helper, 1e9},
          VersionsServices{fileFacts, nullptr, office});
    }
    return *program_;
  }
  QtForm1View& view() { return program().view; }

  testing::TempFolder folder;
  MemorySettingsBackend settings;
  MemorySuite suite;
  MemoryShell shell;
  MemorySingleInstance singleInstance;
  MemoryAutostart autostart;
  MemoryEnvironment environment;
  PosixFileSystem fileSystem;
  MemoryFileSystem noFiles;  // no figures of disk space: no disk guard
  SteppingClock clock;
  UnitedStatesRegionalSettings regional;
  MemoryFileFacts fileFacts{noFiles};
  MemoryOfficeDocuments office;
  LoopbackHelper helper{
      PassEnvironment{suite, fileSystem, clock, regional, "", PathStyle::Posix, &fileFacts}};
  std::unique_ptr<QtProgram> program_;
};

// Every control of the design table stands where it was designed, in its container, in its font,
// named as designed; the numbers of a few are spelled out as a check on the table itself.
TEST_F(ProgramTest, ControlsStandWhereTheWindowWasDesignedWithItsFonts) {
  QtForm1View& v = view();
  EXPECT_EQ(v.window.widget().size(), QSize(536, 550));
  for (const ControlDesign& design : Form1Design::Controls) {
    SCOPED_TRACE(std::string(design.name));
    QWidget* widget = v.widgetNamed(design.name);
    if (design.kind == ControlKind::TextBuffer) {
      EXPECT_EQ(widget, nullptr);  // never on screen
      continue;
    }
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->objectName().toStdString(), design.name);
    EXPECT_EQ(widget->geometry(), QRect(design.place.left / 15, design.place.top / 15,
                                        design.place.width / 15, design.place.height / 15));
    QWidget* container =
        design.container.empty() ? &v.window.widget() : v.widgetNamed(design.container);
    EXPECT_EQ(widget->parentWidget(), container);
    EXPECT_EQ(widget->font().pointSizeF(), design.font.points);
    EXPECT_TRUE(widget->font().bold());
  }
  EXPECT_EQ(v.Option4.widget().x() + 1, v.Option3.widget().x());  // 15 twips to the left
  EXPECT_EQ(v.PushButton12.widget().geometry(), QRect(272, 516, 256, 27));
  EXPECT_EQ(v.Check5.widget().text(), "Start Tallyguard when I log in");
  EXPECT_EQ(v.Check9.widget().toolTip().toStdString(), Form1Design::ThinCopiesTip);
  EXPECT_EQ(v.Text1.widget().text(), "Text1");

  const QFont window = v.window.widget().font();
  EXPECT_TRUE(window.bold());
  EXPECT_EQ(window.pointSizeF(), 9.0);
  EXPECT_EQ(window.family(), "Arial");
  EXPECT_EQ(v.PushButton2.widget().font().pointSizeF(), 11.25);
}

TEST_F(ProgramTest, FirstStartOnAnEmptyStoreShowsTheDesignedDefaults) {
  program().start();
  QtForm1View& v = view();
  EXPECT_TRUE(v.window.widget().isVisible());
  EXPECT_EQ(v.window.widget().windowTitle(), "Tallyguard");
  EXPECT_EQ(v.Text1.widget().text(), QString::fromStdString(shell.desktop.value() + "/"));
  EXPECT_TRUE(v.Option2.widget().isChecked());
  EXPECT_TRUE(v.Option3.widget().isChecked());
  EXPECT_TRUE(v.Check6.widget().isChecked());
  EXPECT_FALSE(v.Check5.widget().isChecked());
  EXPECT_FALSE(v.Check8.widget().isChecked());
  EXPECT_EQ(v.ListView1.selectedText(), "Save every 5 minutes");
  EXPECT_EQ(v.ListView1.itemCount(), 12);
  EXPECT_EQ(v.PushButton4.widget().text(), "Turn Off Auto Backup-Save");
  EXPECT_EQ(v.PushButton2.widget().text(), "Backup Now (Test)");
  EXPECT_EQ(v.Frame1.widget().title(), "Where would you like to backup all open Calc ODS files?");
  EXPECT_EQ(v.Frame2.widget().title(), "On. Next backup will occur in: 00:00:00");
  EXPECT_TRUE(v.Timer1.running());
  EXPECT_EQ(settings.value("Backup Option"), "1");
  EXPECT_FALSE(settings.value("OftenIndex").has_value());  // selecting by position stores nothing
  EXPECT_FALSE(settings.value("Windows Startup").has_value());
  EXPECT_EQ(autostart.enableCount + autostart.disableCount, 0);
  EXPECT_EQ(program().trayShell.tip(), "Tallyguard");
}

// Tab moves through the widgets in the window's keyboard order, not the order they were made in.
TEST_F(ProgramTest, TabFollowsTheWindowsKeyboardOrder) {
  QtForm1View& v = view();
  std::vector<QWidget*> stops;
  for (const KeyboardStop& stop : KeyboardOrder([](std::string_view) { return true; })) {
    QWidget* widget = v.widgetNamed(stop.design->name);
    if (widget != nullptr && widget->focusPolicy() != Qt::NoFocus) stops.push_back(widget);
  }
  ASSERT_GE(stops.size(), 10u);
  std::vector<QWidget*> chain{stops.front()};
  for (QWidget* at = stops.front()->nextInFocusChain(); at != stops.front() && chain.size() < 100;
       at = at->nextInFocusChain()) {
    if (std::find(stops.begin(), stops.end(), at) != stops.end()) chain.push_back(at);
  }
  auto names = [](const std::vector<QWidget*>& widgets) {
    QStringList list;
    for (QWidget* widget : widgets) list << widget->objectName();
    return list.join(" ").toStdString();
  };
  EXPECT_EQ(names(chain), names(stops));
  EXPECT_LT(std::find(stops.begin(), stops.end(), &v.Option1.widget()),
            std::find(stops.begin(), stops.end(), &v.Check6.widget()));
}

TEST_F(ProgramTest, UserClicksReachTheWindowsHandlersAndTheStore) {
  program().start();
  QtForm1View& v = view();
  v.Check5.widget().click();
  EXPECT_EQ(settings.value("Windows Startup"), "On");
  EXPECT_EQ(autostart.enableCount, 1);
  v.Option1.widget().click();
  EXPECT_EQ(settings.value("WhereOption"), "1");
  v.PushButton4.widget().click();
  EXPECT_EQ(v.PushButton4.widget().text(), "Turn On Auto Backup-Save");
  EXPECT_FALSE(v.Timer1.running());
  EXPECT_EQ(settings.value("StartStopState"), "Off");
}

// The administrator's locks reach the Qt window: those controls greyed and telling why, their
// values never copied into the user's store; the others as they were.
TEST_F(ProgramTest, LockedSettingsGreyTheirControlsInTheWindow) {
  settings.administer("Keep Copies", "6", SettingSource::Policy);
  settings.administer("Thin Copies", "1", SettingSource::Policy);
  settings.administer("WhereOption", "1", SettingSource::Policy);
  settings.administer("Include Date", "Off", SettingSource::SystemDefault);
  program().start();
  QtForm1View& v = view();
  const std::vector<QWidget*> locked{&v.Spin1.widget(), &v.Check9.widget(), &v.Option1.widget(),
                                     &v.Option2.widget()};
  for (QWidget* widget : locked) {
    EXPECT_FALSE(widget->isEnabled());
    EXPECT_EQ(widget->toolTip(), "Set by your administrator");
  }
  EXPECT_EQ(v.Spin1.widget().value(), 6);
  EXPECT_TRUE(v.Check9.widget().isChecked());
  EXPECT_TRUE(v.Option1.widget().isChecked());
  EXPECT_TRUE(v.Check6.widget().isEnabled());
  EXPECT_FALSE(v.Check6.widget().isChecked());
  EXPECT_TRUE(v.Text1.widget().isEnabled());
  v.Check6.widget().click();
  EXPECT_EQ(settings.value("Include Date"), "On");
  for (const SettingWrite& write : settings.writes) {
    EXPECT_TRUE(write.key != "Keep Copies" && write.key != "Thin Copies" &&
                write.key != "WhereOption")
        << write.key;
  }
}

TEST_F(ProgramTest, BackupNowStoresACopyOfEveryOpenSpreadsheet) {
  suite.openSpreadsheet("file://" + (folder.path() / "Budget.ods").string());
  suite.onStore = [](const StoredCopy& copy) {
    testing::WriteWholeFile(copy.url.substr(std::string("file://").size()), copy.content);
  };
  program().start();
  view().Check6.widget().setChecked(false);
  view().PushButton2.widget().click();
  ASSERT_EQ(suite.copies.size(), 1u);
  EXPECT_TRUE(std::filesystem::exists(folder.path() / "Budget Backup.ods"));
  EXPECT_NE(testing::ReadWholeFile(program().program.globals().HistoryLogPath).find("Budget.ods"),
            std::string::npos);
}

TEST_F(ProgramTest, StartInTheTrayNeverShowsTheWindowAndMinimisingHidesIt) {
  settings.store("Minimized", "On");
  program().trayShell.trayPresent = [] { return true; };  // offscreen has none: one is played
  program().trayShell.trayAppeared();
  program().start();
  QtForm1View& v = view();
  EXPECT_FALSE(v.window.widget().isVisible());
  EXPECT_TRUE(program().program.globals().HiddenInTray);
  EXPECT_EQ(v.cSysTray1.BalloonOnceCount(), 1);
  EXPECT_TRUE(v.cSysTray1.IconInTray());

  ASSERT_NE(program().trayShell.trayIcon(), nullptr);
  emit program().trayShell.trayIcon()->activated(QSystemTrayIcon::Trigger);
  EXPECT_TRUE(v.window.widget().isVisible());
  EXPECT_FALSE(program().program.globals().HiddenInTray);

  v.window.widget().setWindowState(Qt::WindowMinimized);  // the user minimises
  EXPECT_FALSE(v.window.widget().isVisible());
  EXPECT_EQ(v.window.state(), WindowState::Normal);
  EXPECT_EQ(v.cSysTray1.BalloonOnceCount(), 1);  // shown once per run
}

// Offscreen has no tray, as stock GNOME has none: the window stays an ordinary minimised one.
TEST_F(ProgramTest, WithoutATrayMinimisingKeepsTheWindowInTheTaskBar) {
  program().start();
  QtForm1View& v = view();
  v.window.widget().setWindowState(Qt::WindowMinimized);
  EXPECT_TRUE(v.window.widget().isVisible());
  EXPECT_EQ(v.window.state(), WindowState::Minimized);
  EXPECT_FALSE(program().program.globals().HiddenInTray);
  EXPECT_EQ(v.cSysTray1.BalloonOnceCount(), 0);
}

TEST_F(ProgramTest, TheTrayIconsMenuOffersShowBackupNowAndQuit) {
  program().start();
  QStringList captions;
  for (const QAction* action : program().trayShell.menu().actions()) captions << action->text();
  EXPECT_EQ(captions, QStringList({"Show Tallyguard", "Versions…", "Backup Now", "Quit"}));
  program().trayShell.trayPresent = [] { return true; };
  program().trayShell.trayAppeared();
  ASSERT_NE(program().trayShell.trayIcon(), nullptr);
  EXPECT_EQ(program().trayShell.trayIcon()->contextMenu(), &program().trayShell.menu());
}

TEST_F(ProgramTest, SecondCopyEndsBeforeItsWindowIsSeen) {
  singleInstance.anotherCopy = true;
  EXPECT_THROW(program().start(), ProgramEnded);
  EXPECT_FALSE(view().window.widget().isVisible());
}

TEST_F(ProgramTest, MissingSuiteEndsTheProgramBeforeTheWindowIsSeen) {
  suite.installed = false;
  testing::WhenModalOpens([](QWidget* box) {
    EXPECT_EQ(box->windowTitle(), "Tallyguard");  // the short title of a one-word title
    box->close();                                 // answered No
  });
  EXPECT_THROW(program().start(), ProgramEnded);
  EXPECT_FALSE(view().window.widget().isVisible());
  EXPECT_TRUE(shell.openedAddresses.empty());
}

TEST_F(ProgramTest, SkinAndHandCursorFromTheProgramFolderDressTheWindow) {
  std::filesystem::create_directories(folder.path() / "x");
  testing::WriteWholeFile(folder / "x/o.cjs", "QPushButton { color: navy; }");
  QFile cursor(QString::fromStdString(folder / "HAND-M.CUR"));
  ASSERT_TRUE(cursor.open(QIODevice::WriteOnly));
  cursor.write(testing::CursorFileBytes({3, 1}));
  cursor.close();
  program().start();
  QtForm1View& v = view();
  EXPECT_EQ(qApp->styleSheet(), "QPushButton { color: navy; }");
  EXPECT_TRUE(v.Frame1.widget().autoFillBackground());  // the skin's button-face frames

  QTest::mouseMove(&v.PushButton2.widget(), QPoint(30, 10));
  EXPECT_EQ(v.window.mousePointer(), MousePointer::Custom);
  EXPECT_EQ(v.window.widget().cursor().hotSpot(), QPoint(3, 1));
  QTest::mouseMove(&v.window.widget(), QPoint(530, 545));  // the bare window
  EXPECT_EQ(v.window.mousePointer(), MousePointer::Default);
  QTest::mouseMove(&v.PushButton3.widget(), QPoint(30, 10));
  EXPECT_EQ(v.window.mousePointer(), MousePointer::Custom);
  QTest::mouseMove(v.ListView1.widget().viewport(), QPoint(30, 10));
  EXPECT_EQ(v.window.mousePointer(), MousePointer::Default);
  qApp->setStyleSheet("");
}

TEST_F(ProgramTest, ClosingTheWindowTakesTheIconOutAndEnds) {
  program().start();
  bool closed = false;
  view().window.onClose([&] {
    program().program.form().Form_QueryUnload();
    closed = true;
  });
  view().window.widget().close();
  EXPECT_TRUE(closed);
  EXPECT_FALSE(view().cSysTray1.IconInTray());
  EXPECT_FALSE(view().Timer1.running());
}

}  // namespace
}  // namespace tg
