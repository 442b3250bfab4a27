#include "desktop/cSysTray.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "memory/CountingMessageLoop.h"
#include "memory/FixedClock.h"
#include "memory/RecordingTrayShell.h"

namespace tg {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class TrayTest : public ::testing::Test {
 protected:
  TrayTest() {
    tray.MouseMove = [this](int id) { events.push_back("move " + std::to_string(id)); };
    tray.MouseDown = [this](int button, int id) { record("down", button, id); };
    tray.MouseUp = [this](int button, int id) { record("up", button, id); };
    tray.MouseDblClick = [this](int button, int id) { record("dbl", button, id); };
  }

  void record(const char* what, int button, int id) {
    events.push_back(std::string(what) + " " + std::to_string(button) + " " + std::to_string(id));
  }

  // Each message-loop turn lasts one second of the clock.
  void secondPerYield(std::function<void(int second)> atSecond = {}) {
    loop.onYield = [this, atSecond] {
      clock.advance(1);
      if (atSecond) atSecond(static_cast<int>(clock.secondsSinceStart()));
    };
  }

  RecordingTrayShell shell;
  CountingMessageLoop loop;
  FixedClock clock;
  cSysTray tray{shell, loop, clock};
  std::vector<std::string> events;
};

TEST_F(TrayTest, WritingInTrayAddsAndDeletesTheIconOnlyOnChange) {
  tray.setInTray(false);
  EXPECT_THAT(shell.calls, IsEmpty());

  tray.setInTray(true);
  tray.setInTray(true);
  ASSERT_EQ(shell.count(TrayCall::AddIcon), 1);
  EXPECT_EQ(shell.calls[0].text, "Telnet Server");
  EXPECT_TRUE(shell.calls[0].withIcon);
  EXPECT_TRUE(tray.IconInTray());

  tray.setInTray(false);
  tray.setInTray(false);
  EXPECT_EQ(shell.count(TrayCall::DeleteIcon), 1);
  EXPECT_FALSE(tray.IconInTray());
  EXPECT_FALSE(tray.InTray());
}

TEST_F(TrayTest, TipWrittenOutOfTheTrayIsOnlyStoredAndUsedByTheNextAdd) {
  tray.setTrayTip("Tallyguard");
  EXPECT_THAT(shell.calls, IsEmpty());
  tray.setInTray(true);
  EXPECT_EQ(shell.last(TrayCall::AddIcon)->text, "Tallyguard");

  tray.setTrayTip("Second");
  EXPECT_EQ(shell.last(TrayCall::SetTip)->text, "Second");
  EXPECT_EQ(tray.TrayTip(), "Second");
}

TEST_F(TrayTest, EmptyTipAddsTheIconWithoutTip) {
  tray.setTrayTip("");
  tray.setInTray(true);
  EXPECT_EQ(shell.last(TrayCall::AddIcon)->text, "");
}

TEST_F(TrayTest, LongTextsReachTheShellCutButAreKeptWhole) {
  const std::string tip(200, 't');
  tray.setTrayTip(tip);
  tray.setInTray(true);
  EXPECT_EQ(shell.last(TrayCall::AddIcon)->text, std::string(127, 't'));
  tray.setTrayTip(tip + "x");
  EXPECT_EQ(shell.last(TrayCall::SetTip)->text, std::string(127, 't'));
  EXPECT_EQ(tray.TrayTip(), tip + "x");

  tray.ShowBalloon(std::string(300, 'b'), std::string(100, 'h'), 0, false);
  EXPECT_EQ(shell.last(TrayCall::ShowBalloon)->text, std::string(255, 'b'));
  EXPECT_EQ(shell.last(TrayCall::ShowBalloon)->title, std::string(63, 'h'));
}

TEST_F(TrayTest, CutNeverSplitsACharacterAndCountsCharactersNotBytes) {
  std::string tip;
  for (int i = 0; i < 130; ++i) tip += "\xC3\xA9";  // é, two bytes each
  tray.setTrayTip(tip);
  tray.setInTray(true);
  EXPECT_EQ(shell.last(TrayCall::AddIcon)->text, tip.substr(0, 254));

  tray.setTrayTip(std::string(127, 'a'));
  EXPECT_EQ(shell.last(TrayCall::SetTip)->text, std::string(127, 'a'));
}

TEST_F(TrayTest, OnlyIconPicturesReplaceTheIcon) {
  tray.setTrayIcon(true);
  EXPECT_THAT(shell.calls, IsEmpty());  // out of the tray: stored only
  tray.setInTray(true);
  tray.setTrayIcon(false);
  EXPECT_EQ(shell.count(TrayCall::SetIcon), 0);
  tray.setTrayIcon(true);
  EXPECT_EQ(shell.count(TrayCall::SetIcon), 1);
  EXPECT_TRUE(tray.TrayIcon());
}

TEST_F(TrayTest, DestroyingTheControlTakesItsIconOutAndStopsNotifications) {
  {
    cSysTray other(shell, loop, clock);
    other.setInTray(true);
  }
  EXPECT_EQ(shell.count(TrayCall::DeleteIcon), 1);
  EXPECT_FALSE(shell.iconShown());
  shell.leftClick();  // must not reach the destroyed control
}

TEST_F(TrayTest, NotificationCodesBecomeEvents) {
  for (int code : {0x200, 0x201, 0x202, 0x203, 0x204, 0x205, 0x206}) shell.notify(code, 0);
  EXPECT_THAT(events, ElementsAre("move 0", "down 1 0", "up 1 0", "dbl 1 0", "down 2 0", "up 2 0",
                                  "dbl 2 0"));
}

// The right button's release or the shell's menu request opens the menu, once even when the
// desktop reports another click while it is open; the left button still raises its events, and
// the choice runs its entry, which may replace the menu.
TEST_F(TrayTest, WithAMenuTheRightButtonOpensItAndRaisesNothing) {
  std::vector<std::string> ran;
  tray.setMenu({{"Show", [&] { ran.push_back("show"); }}, {"Quit", [&] {
                                                             ran.push_back("quit");
                                                             tray.setMenu({});
                                                           }}});
  EXPECT_THAT(shell.menu, ElementsAre("Show", "Quit"));
  std::optional<std::size_t> choice = 0;
  shell.whenMenuOpened = [&] {
    shell.notify(TrayRightButtonUp);  // a second click while the menu's own loop runs
    return choice;
  };
  for (int code : {TrayRightButtonDown, TrayRightButtonUp, TrayRightButtonDoubleClick})
    shell.notify(code);
  choice.reset();
  shell.notify(TrayContextMenu);
  shell.leftClick();
  EXPECT_EQ(shell.menusOpened, 2);
  EXPECT_THAT(ran, ElementsAre("show"));
  EXPECT_THAT(events, ElementsAre("down 1 0", "up 1 0"));

  choice = 1;
  shell.notify(TrayRightButtonUp);
  EXPECT_THAT(ran, ElementsAre("show", "quit"));
  EXPECT_THAT(shell.menu, IsEmpty());
  shell.notify(TrayRightButtonUp);  // no menu now: the events are the window's again
  EXPECT_EQ(shell.menusOpened, 3);
  EXPECT_THAT(events, ElementsAre("down 1 0", "up 1 0", "up 2 0"));
}

TEST_F(TrayTest, MiddleButtonBalloonShownAndUnknownCodesRaiseNothing) {
  for (int code : {0x207, 0x208, 0x209, 0x402, 0x465, 0}) shell.notify(code, 0);
  EXPECT_THAT(events, IsEmpty());
}

TEST_F(TrayTest, EveryBalloonEndNoticeClearsVisibleWithoutEvent) {
  for (int code : {TrayBalloonHide, TrayBalloonTimeout, TrayBalloonUserClick}) {
    tray.ShowBalloon("text", "title", 0, false);
    ASSERT_TRUE(tray.BalloonVisible());
    shell.notify(code);
    EXPECT_FALSE(tray.BalloonVisible()) << code;
  }
  EXPECT_THAT(events, IsEmpty());
}

TEST_F(TrayTest, ShowOnceShowsOneBalloonPerLifetimeOthersAlwaysShow) {
  tray.ShowBalloon("first", "t", 0, true);
  tray.ShowBalloon("second", "t", 0, true);
  tray.ShowBalloon("free", "t", 0, false);
  tray.ShowBalloon("free again", "t", 0, false);
  tray.ShowBalloon("third", "t", 0, true);
  ASSERT_EQ(shell.count(TrayCall::ShowBalloon), 3);
  EXPECT_EQ(shell.calls[0].text, "first");
  EXPECT_EQ(shell.calls[2].text, "free again");
  EXPECT_EQ(tray.BalloonOnceCount(), 1);
}

TEST_F(TrayTest, WithoutTimerTheCallReturnsAtOnceWithTheDesktopsTimeout) {
  tray.ShowBalloon("text", "title", 0, false);
  tray.ShowBalloon("text", "title", -3, false);
  EXPECT_EQ(loop.yields, 0);
  EXPECT_EQ(shell.last(TrayCall::ShowBalloon)->timeoutMs, 0);
  EXPECT_EQ(shell.count(TrayCall::WithdrawBalloon), 0);
  EXPECT_TRUE(tray.BalloonVisible());
}

TEST_F(TrayTest, UntouchedBalloonIsWithdrawnAfterItsTime) {
  tray.setInTray(true);
  secondPerYield();
  tray.ShowBalloon("text", "title", 5, true);
  EXPECT_EQ(shell.last(TrayCall::ShowBalloon)->timeoutMs, 5000);
  EXPECT_EQ(clock.secondsSinceStart(), 5);
  EXPECT_EQ(shell.calls.back().kind, TrayCall::WithdrawBalloon);
  EXPECT_TRUE(tray.BalloonVisible());  // only the desktop's hide notice clears it
}

TEST_F(TrayTest, ClickOnTheBalloonEndsTheWaitWithoutWithdrawal) {
  tray.setInTray(true);
  secondPerYield([this](int second) {
    if (second == 2) shell.notify(TrayBalloonUserClick);
  });
  tray.ShowBalloon("text", "title", 5, true);
  EXPECT_EQ(clock.secondsSinceStart(), 2);
  EXPECT_EQ(shell.count(TrayCall::WithdrawBalloon), 0);
}

TEST_F(TrayTest, BalloonHiddenByTheDesktopDuringTheCallNeedsNoWait) {
  shell.whenBalloonShown = [this] { shell.notify(TrayBalloonHide); };
  tray.ShowBalloon("text", "title", 5, false);
  EXPECT_EQ(loop.yields, 0);
  EXPECT_EQ(shell.count(TrayCall::WithdrawBalloon), 0);
}

TEST_F(TrayTest, BalloonOutOfTheTrayWaitsItsFullTimeThenWithdraws) {
  secondPerYield();
  tray.ShowBalloon("text", "title", 3, false);
  EXPECT_EQ(clock.secondsSinceStart(), 3);
  EXPECT_EQ(shell.count(TrayCall::WithdrawBalloon), 1);
}

TEST_F(TrayTest, OverflowingTimerFailsBeforeAnythingIsShownOrCounted) {
  EXPECT_THROW(tray.ShowBalloon("text", "title", 2147484, true), std::overflow_error);
  EXPECT_THAT(shell.calls, IsEmpty());
  EXPECT_FALSE(tray.BalloonVisible());
  EXPECT_EQ(tray.BalloonOnceCount(), 0);

  secondPerYield([this](int) { shell.notify(TrayBalloonTimeout); });
  tray.ShowBalloon("text", "title", 2147483, true);
  EXPECT_EQ(shell.last(TrayCall::ShowBalloon)->timeoutMs, 2147483000);
}

TEST_F(TrayTest, ContainerHandlersRunDuringTheWaitAndLeaveTheControlConsistent) {
  tray.setInTray(true);
  int restores = 0;
  tray.MouseUp = [&](int, int) {
    ++restores;
    tray.ShowBalloon("again", "t", 5, true);  // a second minimise during the wait
  };
  secondPerYield([this](int second) {
    if (second == 1) shell.leftClick();
  });
  tray.ShowBalloon("text", "title", 5, true);
  EXPECT_EQ(restores, 1);
  EXPECT_EQ(shell.count(TrayCall::ShowBalloon), 1);
  EXPECT_EQ(clock.secondsSinceStart(), 5);
  EXPECT_EQ(shell.count(TrayCall::WithdrawBalloon), 1);
}

TEST_F(TrayTest, ClosingTheWindowDuringTheWaitRemovesTheIconOnce) {
  tray.setInTray(true);
  secondPerYield([this](int second) {
    if (second == 2) tray.setInTray(false);
  });
  tray.ShowBalloon("text", "title", 4, false);
  EXPECT_EQ(shell.count(TrayCall::DeleteIcon), 1);
  EXPECT_FALSE(tray.IconInTray());
}

}  // namespace
}  // namespace tg
