#include "adapters/qt/QtControls.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QTest>

#include "GuiTestSupport.h"
#include "adapters/qt/QtSkin.h"
#include "adapters/qt/QtTrayShell.h"
#include "adapters/qt/QtWindow.h"
#include "support/ControlKitContract.h"
#include "support/TempFolder.h"

namespace tg {
namespace {

using testing::ControlKitContract;
using testing::RunPendingEvents;

struct Counter {
  int count = 0;
  Handler handler() {
    return [this] { ++count; };
  }
};

// Qt's kit: the widgets on a shown window, the user's acts as Qt's test events.
class QtKit : public testing::ControlKit {
 public:
  QtKit() {
    tray_.trayPresent = [] { return true; };  // a tray is there, as on a desktop with one
    parent_.resize(500, 400);
    list_.widget().setGeometry(0, 120, 480, 200);
    text_.widget().setGeometry(0, 80, 200, 24);
    parent_.show();
  }
  CheckBox& checkBox() override { return check_; }
  OptionButton& option(int which) override { return which == 0 ? a_ : which == 1 ? b_ : other_; }
  TextBox& textBox() override { return text_; }
  ListView& list() override { return list_; }
  void runEvents() override { RunPendingEvents(); }
  void userClicks(CheckBox&) override { QTest::mouseClick(&check_.widget(), Qt::LeftButton); }
  // One key per character, as a keyboard of the user's language types it.
  void userTypes(TextBox&, std::string_view text) override {
    for (const QChar character : ToQString(text)) {
      QTest::sendKeyEvent(QTest::Click, &text_.widget(), Qt::Key_unknown, QString(character),
                          Qt::NoModifier);
    }
  }
  void userPressesDownIn(ListView&) override {
    list_.widget().setFocus();
    QTest::keyClick(&list_.widget(), Qt::Key_Down);
  }
  Window& window() override { return window_; }
  // The window manager's minimise reaches the widget as a change of its state.
  void userMinimizes(Window&) override {
    window_.widget().setWindowState(window_.widget().windowState() | Qt::WindowMinimized);
  }
  Timer& timer() override { return timer_; }
  void letTimePass(int milliseconds) override { QTest::qWait(milliseconds); }
  TrayShell& trayShell() override { return tray_; }
  // The desktop reports the right click, then shows the menu itself; the user picks an entry.
  void userChoosesFromTrayMenu(std::size_t position) override {
    ASSERT_NE(tray_.trayIcon(), nullptr);
    emit tray_.trayIcon()->activated(QSystemTrayIcon::Context);
    tray_.menu().actions().at(static_cast<qsizetype>(position))->trigger();
  }
  void userLeftClicksTray() override {
    ASSERT_NE(tray_.trayIcon(), nullptr);
    emit tray_.trayIcon()->activated(QSystemTrayIcon::Trigger);
  }

 private:
  QWidget parent_;
  QtFrame first_{&parent_}, second_{&parent_};
  QtCheckBox check_{&parent_, "Check"};
  QtOptionButton a_{&first_.widget(), "A"}, b_{&first_.widget(), "B"};
  QtOptionButton other_{&second_.widget(), "Other"};
  QtTextBox text_{&parent_, ""};
  QtListView list_{&parent_};
  QtWindow window_;
  QtTimer timer_;
  QtTrayShell tray_{ApplicationIcon()};
};

INSTANTIATE_TEST_SUITE_P(Qt, ControlKitContract,
                         ::testing::Values([] { return std::make_unique<QtKit>(); }));

TEST(QtCheckBoxTest, ChangesByCodeOrUserRaiseClickTheSameValueDoesNot) {
  QWidget parent;
  QtCheckBox box(&parent, "Date/Time stamp in file");
  Counter clicks;
  box.onClick(clicks.handler());
  box.setValue(CheckBox::Unchecked);
  EXPECT_EQ(clicks.count, 0);
  box.setValue(CheckBox::Checked);
  box.setValue(CheckBox::Checked);
  EXPECT_EQ(clicks.count, 1);
  EXPECT_EQ(box.value(), CheckBox::Checked);

  parent.show();
  QTest::mouseClick(&box.widget(), Qt::LeftButton, {}, QPoint(6, box.widget().height() / 2));
  EXPECT_EQ(box.value(), CheckBox::Unchecked);
  EXPECT_EQ(clicks.count, 2);

  box.setVisible(false);
  EXPECT_FALSE(box.visible());
}

TEST(QtOptionButtonTest, SelectingRaisesClickEveryTimeAndClearsTheOthersOfItsFrame) {
  QWidget frame1, frame3;
  QtOptionButton option2(&frame1, "same folder"), option1(&frame1, "this location");
  QtOptionButton option3(&frame3, "new file");
  Counter clicks1, clicks2;
  option1.onClick(clicks1.handler());
  option2.onClick(clicks2.handler());

  option3.setSelected(true);
  option2.setSelected(true);
  option2.setSelected(true);  // already selected: still a click
  EXPECT_EQ(clicks2.count, 2);
  option1.setSelected(true);
  EXPECT_EQ(clicks1.count, 1);
  EXPECT_FALSE(option2.selected());
  EXPECT_TRUE(option3.selected());  // another frame is another group

  option1.setSelected(false);
  EXPECT_FALSE(option1.selected());
  EXPECT_EQ(clicks1.count + clicks2.count, 3);

  frame1.show();
  QTest::mouseClick(&option2.widget(), Qt::LeftButton, {}, QPoint(6, 6));
  EXPECT_TRUE(option2.selected());
  EXPECT_EQ(clicks2.count, 3);
}

TEST(QtTextBoxTest, EveryChangeTypedOrSetRaisesChangeAndFocusRaisesGotFocusAfterTheClick) {
  QWidget parent;
  QtTextBox text(&parent, "Text1");
  Counter changes, focuses;
  text.onChange(changes.handler());
  text.onGotFocus([&] {
    ++focuses.count;
    text.setSelection(0, static_cast<int>(text.text().size()));
  });
  text.setText("Text1");
  EXPECT_EQ(changes.count, 0);
  text.setText("/home/user/");
  EXPECT_EQ(changes.count, 1);

  parent.show();
  QApplication::setActiveWindow(&parent);
  QTest::mouseClick(&text.widget(), Qt::LeftButton, {}, QPoint(20, 5));
  RunPendingEvents();
  EXPECT_EQ(focuses.count, 1);
  EXPECT_EQ(text.widget().selectedText(), "/home/user/");  // the click did not undo it

  QTest::keyClicks(&text.widget(), "ab");
  EXPECT_EQ(text.text(), "ab");
  EXPECT_EQ(changes.count, 3);
}

TEST(QtListViewTest, SelectingByPositionRaisesNothingUserClickDoes) {
  QWidget parent;
  parent.resize(400, 300);
  QtListView list(&parent);
  list.widget().setGeometry(0, 0, 400, 300);
  Counter clicks;
  list.onClick(clicks.handler());
  list.addColumn(" When would you like to backup all open Calc files?", 6400);
  for (const char* text : {"Save every 30 seconds", "Save every minute", "Save every 5 minutes"}) {
    list.addItem(text);
  }
  EXPECT_EQ(list.widget().columnWidth(0), 6400 / 15);
  EXPECT_EQ(list.widget().headerItem()->text(0),
            " When would you like to backup all open Calc files?");
  EXPECT_THROW(list.selectedPosition(), std::runtime_error);
  EXPECT_THROW(list.selectPosition(4), std::out_of_range);
  EXPECT_THROW(list.selectPosition(0), std::out_of_range);

  list.selectPosition(3);
  RunPendingEvents();
  EXPECT_EQ(clicks.count, 0);
  EXPECT_EQ(list.selectedText(), "Save every 5 minutes");

  parent.show();
  const QRect second = list.widget().visualItemRect(list.widget().topLevelItem(1));
  QTest::mouseClick(list.widget().viewport(), Qt::LeftButton, {}, second.center());
  RunPendingEvents();
  EXPECT_EQ(clicks.count, 1);
  EXPECT_EQ(list.selectedPosition(), 2);

  // An entry chosen with the keyboard counts as a click, as it does on Windows; a key that
  // chooses nothing new does not.
  list.widget().setFocus();
  QTest::keyClick(&list.widget(), Qt::Key_Down);
  RunPendingEvents();
  EXPECT_EQ(list.selectedPosition(), 3);
  EXPECT_EQ(clicks.count, 2);
  QTest::keyClick(&list.widget(), Qt::Key_End);
  QTest::keyClick(&list.widget(), Qt::Key_Tab);
  RunPendingEvents();
  EXPECT_EQ(clicks.count, 2);
  QTest::keyClick(&list.widget(), Qt::Key_Home);
  RunPendingEvents();
  EXPECT_EQ(list.selectedPosition(), 1);
  EXPECT_EQ(clicks.count, 3);
}

// The keyboard's toggle and a Ctrl+click on the selected entry never leave the list without one.
TEST(QtListViewTest, TheSelectedEntryCannotBeTakenAway) {
  QWidget parent;
  parent.resize(400, 300);
  QtListView list(&parent);
  list.widget().setGeometry(0, 0, 400, 300);
  for (const char* text : {"Save every 30 seconds", "Save every 1 minute"}) list.addItem(text);
  list.selectPosition(2);
  parent.show();
  list.widget().setFocus();
  QTest::keyClick(&list.widget(), Qt::Key_Space, Qt::ControlModifier);
  RunPendingEvents();
  EXPECT_EQ(list.selectedPosition(), 2);
  const QRect second = list.widget().visualItemRect(list.widget().topLevelItem(1));
  QTest::mouseClick(list.widget().viewport(), Qt::LeftButton, Qt::ControlModifier, second.center());
  RunPendingEvents();
  EXPECT_EQ(list.selectedPosition(), 2);
  list.widget().clearSelection();
  EXPECT_EQ(list.selectedPosition(), 2);
}

// Some desktop themes give every button an accelerator ("&Turn Off ..."): the state stays the
// caption the program set.
TEST(QtPushButtonTest, TheCaptionIsWhatTheProgramSetWhateverTheThemeShows) {
  QWidget parent;
  QtPushButton button(&parent);
  button.setCaption("Turn Off Auto Backup-Save");
  button.widget().setText("&Turn Off Auto Backup-Save");
  EXPECT_EQ(button.caption(), "Turn Off Auto Backup-Save");
  button.setCaption("Save & Go");
  EXPECT_EQ(button.caption(), "Save & Go");
  EXPECT_EQ(button.widget().text(), "Save && Go");
}

TEST(QtListViewTest, NoSelectionIsToldInPlainWords) {
  QWidget parent;
  QtListView list(&parent);
  list.addItem("Save every 30 seconds");
  try {
    list.selectedPosition();
    FAIL() << "no entry is selected";
  } catch (const std::runtime_error& failure) {
    EXPECT_STREQ(failure.what(), "No backup interval is selected in the list.");
  }
}

TEST(QtTimerTest, TicksOnlyWithAPeriodAndEnabled) {
  QtTimer timer;
  EXPECT_FALSE(timer.running());
  timer.setInterval(1000);
  EXPECT_TRUE(timer.running());
  timer.setEnabled(false);
  EXPECT_FALSE(timer.running());
  timer.setEnabled(true);
  timer.setInterval(0);
  EXPECT_FALSE(timer.running());

  int ticks = 0;
  timer.onTick([&] { ++ticks; });
  timer.setInterval(5);
  EXPECT_TRUE(testing::RunEventsUntil([&] { return ticks >= 2; }));
}

TEST(QtTextBufferTest, CopiesTheSelectedCharactersToTheClipboard) {
  QtTextBuffer buffer;
  buffer.setPlainText("Budget.ods was backup saved as /tmp/B\xC3\xA9.ods\r\n");
  buffer.setSelection(0, 48);
  buffer.copySelection();
  EXPECT_EQ(QApplication::clipboard()->text(),
            QString::fromUtf8("Budget.ods was backup saved as /tmp/B\xC3\xA9.ods\r\n"));
  buffer.setSelection(0, 6);
  buffer.copySelection();
  EXPECT_EQ(QApplication::clipboard()->text(), "Budget");
}

TEST(QtFrameTest, SystemButtonFaceFillsTheFrame) {
  QWidget parent;
  QtFrame frame(&parent);
  frame.setCaption("Options");
  EXPECT_EQ(frame.caption(), "Options");
  frame.setBackColor(0x8000000F);
  EXPECT_TRUE(frame.widget().autoFillBackground());
  EXPECT_EQ(frame.widget().palette().color(QPalette::Window),
            QApplication::palette().color(QPalette::Button));
  frame.setBackColor(0x0000FF);  // BGR: red
  EXPECT_EQ(frame.widget().palette().color(QPalette::Window), QColor(255, 0, 0));
}

TEST(QtWindowTest, CursorFileBecomesTheCustomPointerWithItsHotSpot) {
  testing::TempFolder folder;
  QFile file(QString::fromStdString(folder / "HAND-M.CUR"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(testing::CursorFileBytes({5, 7}));
  file.close();
  testing::WriteWholeFile(folder / "broken.cur", "not a cursor at all, just some text");

  QtWindow window;
  window.setMousePointer(MousePointer::Custom);
  EXPECT_EQ(window.widget().cursor().shape(), Qt::ArrowCursor);  // nothing loaded: default
  EXPECT_THROW(window.loadCustomPointer(folder / "missing.cur"), std::runtime_error);
  EXPECT_THROW(window.loadCustomPointer(folder / "broken.cur"), std::runtime_error);
  EXPECT_FALSE(window.hasCustomPointer());

  window.loadCustomPointer(folder / "HAND-M.CUR");
  EXPECT_EQ(window.widget().cursor().hotSpot(), QPoint(5, 7));
  EXPECT_EQ(window.widget().cursor().pixmap().size(), QSize(32, 32));
  window.setMousePointer(MousePointer::Hourglass);
  EXPECT_EQ(window.widget().cursor().shape(), Qt::WaitCursor);
  window.setMousePointer(MousePointer::Default);
  EXPECT_EQ(window.mousePointer(), MousePointer::Default);
  EXPECT_EQ(window.widget().cursor().shape(), Qt::ArrowCursor);
}

TEST(QtWindowTest, OnlyTheUsersMinimiseRaisesResize) {
  QtWindow window;
  Counter resizes;
  window.onResize(resizes.handler());
  window.setState(WindowState::Minimized);
  EXPECT_EQ(window.state(), WindowState::Minimized);
  window.setState(WindowState::Normal);
  EXPECT_EQ(resizes.count, 0);
  window.setVisible(true);
  EXPECT_FALSE(window.widget().windowState() & Qt::WindowMinimized);  // shown as it was left
  RunPendingEvents();
  resizes.count = 0;
  window.widget().setWindowState(Qt::WindowMinimized);  // as the window manager reports it
  EXPECT_GE(resizes.count, 1);
  EXPECT_EQ(window.state(), WindowState::Minimized);
}

TEST(QtWindowTest, PointerMovesOverAButtonDoNotReachTheWindowBehindIt) {
  QtWindow window;
  QtPushButton button(&window.widget());
  button.widget().setGeometry(10, 10, 100, 30);
  Counter overWindow, overButton;
  window.onMouseMove(overWindow.handler());
  button.onMouseMove(overButton.handler());
  window.widget().resize(300, 200);
  window.widget().show();
  QTest::mouseMove(&button.widget(), QPoint(20, 10));
  RunPendingEvents();
  EXPECT_GE(overButton.count, 1);
  EXPECT_EQ(overWindow.count, 0);
  QTest::mouseMove(&window.widget(), QPoint(200, 150));
  RunPendingEvents();
  EXPECT_GE(overWindow.count, 1);
}

TEST(QtSkinTest, StyleSheetIsAppliedAndARejectedOneLeavesTheLookAsItWas) {
  testing::TempFolder folder;
  testing::WriteWholeFile(folder / "o.cjs", "QGroupBox { color: navy; }");
  testing::WriteWholeFile(folder / "bad.cjs", "QGroupBox { color: navy; ");
  QWidget someWidget;  // parsing happens when widgets take the style
  someWidget.show();
  QtSkin skin;
  skin.apply(folder / "o.cjs");
  EXPECT_EQ(qApp->styleSheet(), "QGroupBox { color: navy; }");
  EXPECT_THROW(skin.apply(folder / "bad.cjs"), std::runtime_error);
  EXPECT_EQ(qApp->styleSheet(), "QGroupBox { color: navy; }");
  EXPECT_THROW(skin.apply(folder / "missing.cjs"), std::runtime_error);
  qApp->setStyleSheet("");
}

}  // namespace
}  // namespace tg
