// The schedule: the one-second tick, the start/stop button, the interval list and "Backup Now".
// The caption of PushButton4 is the on/off state; there is no other flag.

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>

#include "backup/IntervalForSelection.h"
#include "mainwindow/Form1.h"
#include "reporting/ContextLabels.h"
#include "reporting/FailureTrap.h"

namespace tg {

std::string FormatCountdown(std::int32_t seconds) {
  const long timeOfDay = std::labs(static_cast<long>(seconds)) % 86400;
  char text[9];
  std::snprintf(text, sizeof text, "%02ld:%02ld:%02ld", timeOfDay / 3600, timeOfDay / 60 % 60,
                timeOfDay % 60);
  return text;
}

void Form1::ShowProgress(std::int32_t interval, std::int32_t elapsed) {
  c_.ProgressBar1.setMax(interval);
  if (elapsed <= interval) c_.ProgressBar1.setValue(elapsed);
}

void Form1::Timer1_Timer() {
  FailureTrap trap(ports_.dialogs, ContextLabels::Timer1);
  if (trap.test(100, [&] { return c_.PushButton4.caption() != Captions::ScheduleOff; })) {
    trap.step(102, [&] { scheduleInterval_ = ReadInterval(); });
    trap.step(104, [&] { ++scheduleElapsed_; });
    trap.step(106, [&] {
      c_.Frame2.setCaption(passRunning_
                               ? std::string(Captions::PassRunning)
                               : std::string(Captions::CountdownPrefix) +
                                     FormatCountdown(scheduleInterval_ - scheduleElapsed_));
    });
    trap.step(108, [&] { ShowProgress(scheduleInterval_, scheduleElapsed_); });
  }
  // An interval of 0 was never read from the list (no entry selected since start-up): every
  // count would reach it, so no pass runs until a real interval is known.
  if (trap.test(110,
                [&] { return scheduleInterval_ > 0 && scheduleElapsed_ >= scheduleInterval_; })) {
    RunScheduledPass(trap);
  }
}

// The timer stays silent during the pass, so the next count starts only when the pass is over.
void Form1::RunScheduledPass(FailureTrap& trap) {
  trap.step(112, [&] { c_.Timer1.setInterval(0); });
  trap.step(114, [&] { c_.Timer1.setEnabled(false); });
  trap.step(116, [&] { ports_.SaveAll(); });
  trap.step(118, [&] { scheduleElapsed_ = 0; });
  trap.step(120, [&] { c_.Timer1.setInterval(TickMilliseconds); });
  trap.step(122, [&] { c_.Timer1.setEnabled(true); });
}

void Form1::ShowPassRunning(bool running) {
  passRunning_ = running;
  if (running) return c_.Frame2.setCaption(Captions::PassRunning);
  if (c_.PushButton4.caption() == Captions::ScheduleOff)
    return c_.Frame2.setCaption(Captions::StatusOff);
  c_.Frame2.setCaption(std::string(Captions::CountdownPrefix) +
                       FormatCountdown(scheduleInterval_ - scheduleElapsed_));
}

void Form1::PushButton4_Click() {
  FailureTrap trap(ports_.dialogs, ContextLabels::PushButton4_Click);
  if (trap.test(100, [&] { return c_.PushButton4.caption() == Captions::ScheduleOff; })) {
    SwitchScheduleOn(trap);
  } else if (trap.test(112, [&] { return c_.PushButton4.caption() == Captions::ScheduleOn; })) {
    SwitchScheduleOff(trap);
  }
}

// No pass runs now: the first scheduled pass comes a full interval later.
void Form1::SwitchScheduleOn(FailureTrap& trap) {
  trap.step(102, [&] { c_.PushButton4.setCaption(Captions::ScheduleOn); });
  trap.step(104, [&] { scheduleElapsed_ = 0; });
  trap.step(106, [&] { c_.Timer1.setInterval(TickMilliseconds); });
  trap.step(108, [&] { c_.Frame2.setCaption(Captions::CountdownStarted); });
  trap.step(110, [&] { WriteSetting(SettingKeys::StartStopState, SettingOn); });
}

void Form1::SwitchScheduleOff(FailureTrap& trap) {
  trap.step(114, [&] { c_.PushButton4.setCaption(Captions::ScheduleOff); });
  trap.step(114, [&] { c_.window.setMousePointer(MousePointer::Default); });
  trap.step(116, [&] { c_.ProgressBar1.setValue(0); });
  trap.step(116, [&] { c_.ProgressBar1.setText(Captions::ProgressBarText); });
  trap.step(118, [&] { c_.Timer1.setInterval(0); });
  trap.step(120, [&] { c_.Frame2.setCaption(Captions::StatusOff); });
  trap.step(122, [&] { WriteSetting(SettingKeys::StartStopState, SettingOff); });
}

// The list's position getter throws when no entry is selected.
std::optional<int> SelectedPosition(const ListView& list) {
  try {
    return list.selectedPosition();
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

void SelectQuietly(ListView& list, int position) {
  try {
    list.selectPosition(position);
  } catch (const std::exception&) {
    // A list that could not be filled has nothing to select.
  }
}

// A list that has lost its selection gets the last known entry back before it is read.
std::int32_t Form1::ReadInterval() {
  if (!SelectedPosition(c_.ListView1) && knownListPosition_ > 0) {
    c_.ListView1.selectPosition(knownListPosition_);
  }
  return IntervalForSelection(c_.ListView1);
}

// A click that leaves no entry selected changes nothing: the last known entry is selected again
// (raising no click), so the tick always has an interval to read.
void Form1::ListView1_Click() {
  const std::optional<int> position = SelectedPosition(c_.ListView1);
  if (!position) {
    if (knownListPosition_ > 0) c_.ListView1.selectPosition(knownListPosition_);
    return;
  }
  WriteSetting(SettingKeys::OftenIndex, std::to_string(*position));
  knownListPosition_ = *position;
  scheduleInterval_ = IntervalForSelection(c_.ListView1);
  scheduleElapsed_ = 0;
}

void Form1::PushButton2_Click() { ports_.SaveAll(); }

}  // namespace tg
