// The schedule: counting ticks, the countdown, the start/stop button and the interval list.

#include <stdexcept>

#include "WindowFixture.h"
#include "reporting/ContextLabels.h"

namespace tg::testing {
namespace {

class Schedule : public WindowFixture {
 protected:
  // Starts with the schedule on at the given list position (1 = 30 seconds).
  void startAt(int position) {
    settings.store("OftenIndex", std::to_string(position));
    start();
  }
};

TEST(FormatCountdown, ShowsHoursMinutesSecondsOfTheDay) {
  EXPECT_EQ(FormatCountdown(0), "00:00:00");
  EXPECT_EQ(FormatCountdown(29), "00:00:29");
  EXPECT_EQ(FormatCountdown(3599), "00:59:59");
  EXPECT_EQ(FormatCountdown(86399), "23:59:59");
  EXPECT_EQ(FormatCountdown(86400), "00:00:00");
  EXPECT_EQ(FormatCountdown(90061), "01:01:01");
  EXPECT_EQ(FormatCountdown(-1), "00:00:01");
}

TEST_F(Schedule, ThirtySecondsCountsDownRunsThePassOnTheThirtiethTickAndStartsAgain) {
  startAt(1);
  tick();
  EXPECT_EQ(status(), countdown("00:00:29"));
  EXPECT_EQ(ProgressBar1.max(), 30);
  EXPECT_EQ(ProgressBar1.value(), 1);
  tick(28);
  EXPECT_EQ(status(), countdown("00:00:01"));
  EXPECT_EQ(passes, 0);

  int barDuringPass = -1;
  bool timerRunningDuringPass = true;
  duringPass = [&] {
    barDuringPass = ProgressBar1.value();
    timerRunningDuringPass = Timer1.running();
  };
  tick();
  EXPECT_EQ(passes, 1);
  EXPECT_EQ(status(), countdown("00:00:00"));
  EXPECT_EQ(barDuringPass, 30);
  EXPECT_FALSE(timerRunningDuringPass);
  EXPECT_TRUE(Timer1.running());
  EXPECT_EQ(form->ScheduleElapsed(), 0);

  tick();
  EXPECT_EQ(status(), countdown("00:00:29"));
  EXPECT_EQ(passes, 1);
  tick(29);
  EXPECT_EQ(passes, 2);
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(Schedule, TwentyFourHoursShowsTheFullDayLessOneSecond) {
  startAt(12);
  tick();
  EXPECT_EQ(status(), countdown("23:59:59"));
  EXPECT_EQ(ProgressBar1.max(), 86400);
  EXPECT_EQ(ProgressBar1.value(), 1);
}

TEST_F(Schedule, SwitchingOffStopsResetsTheBarAndStoresOff) {
  startAt(1);
  tick(5);
  window.setMousePointer(MousePointer::Custom);
  PushButton4.click();
  EXPECT_EQ(PushButton4.caption(), "Turn On Auto Backup-Save");
  EXPECT_EQ(status(), "Off.");
  EXPECT_EQ(ProgressBar1.value(), 0);
  EXPECT_EQ(ProgressBar1.text(), "Progress Bar");
  EXPECT_EQ(Timer1.interval(), 0);
  EXPECT_EQ(window.mousePointer(), MousePointer::Default);
  EXPECT_EQ(settings.value("StartStopState"), "Off");
  EXPECT_FALSE(Timer1.tick());
  EXPECT_EQ(passes, 0);
}

TEST_F(Schedule, SwitchingOnAgainRunsNoPassAndCountsFromZero) {
  startAt(1);
  tick(20);
  PushButton4.click();
  PushButton4.click();
  EXPECT_EQ(PushButton4.caption(), "Turn Off Auto Backup-Save");
  EXPECT_EQ(status(), "On. Next backup will occur in:");
  EXPECT_EQ(Timer1.interval(), 1000);
  EXPECT_EQ(settings.value("StartStopState"), "On");
  EXPECT_EQ(passes, 0);
  tick();
  EXPECT_EQ(status(), countdown("00:00:29"));
  tick(28);
  EXPECT_EQ(passes, 0);
  tick();
  EXPECT_EQ(passes, 1);
}

TEST_F(Schedule, AfterARestartTheScheduleIsStillOff) {
  startAt(1);
  PushButton4.click();
  form.reset();
  start();
  EXPECT_EQ(PushButton4.caption(), "Turn On Auto Backup-Save");
  EXPECT_EQ(status(), "Off.");
  EXPECT_EQ(Timer1.interval(), 0);
}

TEST_F(Schedule, ClickingAnotherIntervalRestartsTheCountWithoutAPass) {
  startAt(2);  // one minute
  tick(50);
  ListView1.click(1);  // 30 seconds: the count so far is already past it
  EXPECT_EQ(passes, 0);
  EXPECT_EQ(settings.value("OftenIndex"), "1");
  EXPECT_EQ(form->ScheduleInterval(), 30);
  tick();
  EXPECT_EQ(status(), countdown("00:00:29"));
  tick(28);
  EXPECT_EQ(passes, 0);
  tick();
  EXPECT_EQ(passes, 1);
}

TEST_F(Schedule, ClickingAnIntervalWhileOffRestartsTheCountToo) {
  startAt(1);
  tick(10);
  PushButton4.click();
  ListView1.click(4);
  EXPECT_EQ(form->ScheduleElapsed(), 0);
  EXPECT_EQ(form->ScheduleInterval(), 600);
  EXPECT_EQ(settings.value("OftenIndex"), "4");
}

TEST_F(Schedule, BackupNowRunsAPassAndLeavesTheCountdownRunning) {
  startAt(1);
  tick(10);
  PushButton2.click();
  EXPECT_EQ(passes, 1);
  EXPECT_EQ(status(), countdown("00:00:20"));
  EXPECT_EQ(ProgressBar1.value(), 10);
  tick();
  EXPECT_EQ(status(), countdown("00:00:19"));
  tick(19);
  EXPECT_EQ(passes, 2);
}

TEST_F(Schedule, APassLongerThanTheIntervalPushesTheNextOneBack) {
  startAt(1);
  // The pass takes 45 timer periods; a stopped timer delivers none of them.
  int ticksDelivered = 0;
  duringPass = [&] {
    for (int i = 0; i < 45; ++i) ticksDelivered += Timer1.tick() ? 1 : 0;
  };
  tick(30);
  EXPECT_EQ(passes, 1);
  EXPECT_EQ(ticksDelivered, 0);
  tick(29);
  EXPECT_EQ(passes, 1);
  tick();
  EXPECT_EQ(passes, 2);
}

TEST_F(Schedule, SwitchedOffDuringAPassTheRearmedTimerChangesNothing) {
  startAt(1);
  duringPass = [&] { PushButton4.click(); };
  tick(30);
  EXPECT_EQ(passes, 1);
  EXPECT_TRUE(Timer1.running());
  tick(100);
  EXPECT_EQ(passes, 1);
  EXPECT_EQ(status(), "Off.");
  EXPECT_EQ(form->ScheduleElapsed(), 0);
}

TEST_F(Schedule, AFailingPassIsReportedAndTheTimerIsStillRearmed) {
  startAt(1);
  duringPass = [] { throw std::runtime_error("Automation error"); };
  tick(30);
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_TRUE(IsReport(dialogs.messages[0], ContextLabels::Timer1, 116));
  EXPECT_EQ(form->ScheduleElapsed(), 0);
  EXPECT_TRUE(Timer1.running());
}

// The keyboard can take the selection away without a click (Ctrl+Space): the tick selects the
// last known entry again instead of failing every second.
TEST_F(Schedule, ASelectionLostWithoutAClickIsRestoredByTheTickWithoutAReport) {
  startAt(2);
  tick(10);
  ListView1.loseSelection();
  tick(50);
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(ListView1.selectedPosition(), 2);
  EXPECT_EQ(passes, 1);
}

TEST_F(Schedule, TickKeepsTheLastIntervalWhenTheSelectionIsLost) {
  startAt(1);
  tick(10);
  settings.writes.clear();
  ListView1.clickNothing();
  EXPECT_EQ(ListView1.selectedPosition(), 1);  // a click into empty space keeps the entry
  EXPECT_TRUE(settings.writes.empty());
  tick(20);
  EXPECT_EQ(passes, 1);
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(Schedule, AStartStopCaptionThatIsNeitherDoesNothing) {
  settings.store("StartStopState", "maybe");
  start();
  PushButton4.click();
  EXPECT_EQ(PushButton4.caption(), "Turn On Auto Backup");
  EXPECT_EQ(settings.value("StartStopState"), "maybe");
}

TEST_F(Schedule, PointerShowsTheHandOverButtonsUnlessBusy) {
  start();
  PushButton4.moveMouse();
  EXPECT_EQ(window.mousePointer(), MousePointer::Custom);
  ListView1.moveMouse();
  EXPECT_EQ(window.mousePointer(), MousePointer::Default);
  PushButton2.moveMouse();
  Frame2.moveMouse();
  EXPECT_EQ(window.mousePointer(), MousePointer::Default);
  window.setMousePointer(MousePointer::Hourglass);
  for (MemoryPushButton* button : {&PushButton1, &PushButton2, &PushButton3, &PushButton4,
                                   &PushButton5, &PushButton11, &PushButton12}) {
    button->moveMouse();
  }
  window.moveMouse();
  Frame1.moveMouse();
  Frame3.moveMouse();
  Text1.moveMouse();
  EXPECT_EQ(window.mousePointer(), MousePointer::Hourglass);
}

}  // namespace
}  // namespace tg::testing
