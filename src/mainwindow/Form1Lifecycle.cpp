// Start-up, minimise into the tray, restore from it, and shutdown.

#include <initializer_list>
#include <optional>
#include <string>

#include "backup/HistoryLog.h"
#include "backup/IntervalForSelection.h"
#include "common/FileExists.h"
#include "desktop/mStartUp.h"
#include "mainwindow/Form1.h"
#include "mainwindow/TextLength.h"
#include "reporting/ContextLabels.h"
#include "reporting/FailureTrap.h"

namespace tg {

std::string ShortTitleFor(std::string_view title) {
  std::string shortTitle(title);
  do {
    const auto lastBlank = shortTitle.rfind(' ');
    if (lastBlank == std::string::npos) break;
    shortTitle.erase(lastBlank);
  } while (CharacterCount(shortTitle) > 40);
  return shortTitle;
}

void Form1::SetShortTitle() { shortTitle_ = ShortTitleFor(ProductTitle); }

std::string Form1::ProgramFile(std::string_view name) const {
  return ports_.shell.programFolder() + Separator(ports_.pathStyle) + std::string(name);
}

// Without the skin file the window keeps its own look; a skin the engine rejects fails here and
// is reported by the caller. Only a file counts: a folder of that name is no skin.
void Form1::ApplySkin() {
  const std::string skinFile =
      ProgramFile(SkinFolderName) + Separator(ports_.pathStyle) + std::string(SkinFileName);
  if (!FileExists(ports_.fileSystem, skinFile) || ports_.fileSystem.isDirectory(skinFile)) return;
  c_.Frame1.setBackColor(ButtonFaceColour);
  c_.Frame2.setBackColor(ButtonFaceColour);
  c_.Frame3.setBackColor(ButtonFaceColour);
  ports_.skin.apply(skinFile);
}

// One start in a hundred shows the maker's home page.
void Form1::DrawForHomePage() {
  const int drawn = static_cast<int>(ports_.random.next() * 100) + 1;
  if (drawn == HomePageDraw) ports_.shell.openWebAddressInBackground(MakerHomePage);
}

void Form1::Form_Load() {
  FailureTrap trap(ports_.dialogs, ContextLabels::Form_Load);
  if (trap.test(100, [&] { return ports_.singleInstance.anotherCopyRuns(); })) {
    trap.step(102, [&] { ports_.shell.endProgram(); });
  }
  // A lock that could not be taken for another reason than a running copy never keeps the
  // program from starting; the user hears why, once, before the window shows.
  trap.step(102, [&] {
    const std::string problem = ports_.singleInstance.lockProblem();
    if (problem.empty()) return;
    ports_.dialogs.messageBox(problem + std::string(Messages::StartsWithoutLock),
                              ShortTitleFor(ProductTitle), MessageButtons::Ok,
                              MessageIcon::Warning);
  });
  trap.step(104, [&] { isLoading_ = true; });
  trap.step(106, [&] { ApplySkin(); });
  // Each line finds the program's folder itself, so a failure to do so is reported at that line.
  if (trap.test(110,
                [&] { return FileExists(ports_.fileSystem, ProgramFile(HandCursorFileName)); })) {
    trap.step(112, [&] { c_.window.loadCustomPointer(ProgramFile(HandCursorFileName)); });
  }
  trap.step(114, [&] { DrawForHomePage(); });
  trap.step(132, [&] { c_.window.setCaption(ProductTitle); });
  trap.step(132, [&] { c_.window.setApplicationIcon(); });
  trap.step(132, [&] { SetShortTitle(); });
  RestoreOptions(trap);
  FillIntervalList(trap);
  RestoreScheduleState(trap);
  trap.step(206, [&] {
    const bool inTray = IsSettingOn(ReadSetting(SettingKeys::Minimized, SettingOff));
    c_.Check8.setValue(inTray ? CheckBox::Checked : CheckBox::Unchecked);
  });
  if (trap.test(208, [&] { return c_.Check8.value() == CheckBox::Checked; })) {
    trap.step(210, [&] { c_.window.setState(WindowState::Minimized); });
  }
  trap.step(212, [&] { c_.Frame1.setBackColor(ButtonFaceColour); });
  trap.step(214, [&] { c_.Frame2.setBackColor(ButtonFaceColour); });
  trap.step(216, [&] { c_.Frame3.setBackColor(ButtonFaceColour); });
  trap.step(218, [&] { c_.cSysTray1.setTrayTip(ProductTitle); });
  trap.step(220, [&] { c_.cSysTray1.setInTray(true); });
  trap.step(220, [&] {
    ports_.globals.HistoryLogPath =
        HistoryLogPath(ProductTitle, ports_.environment, ports_.pathStyle);
  });
  LockAdministeredOptions();
  trap.step(222, [&] { isLoading_ = false; });
  trap.step(224, [&] { ports_.CheckOfficeSuite(); });
}

// Each control's own handler stores the value again as it is filled, except Check5's, which
// looks at IsLoading.
void Form1::RestoreOptions(FailureTrap& trap) {
  trap.step(134, [&] {
    const std::string desktop = GetDesktopFolder(ports_.shell, ports_.pathStyle);
    c_.Text1.setText(ReadSetting(SettingKeys::Path, desktop));
  });
  std::optional<int> where;
  trap.step(136, [&] { where = ToInteger16(ReadSetting(SettingKeys::WhereOption, "2")); });
  if (trap.test(138, [&] { return where == 1; })) {
    trap.step(140, [&] { c_.Option1.setSelected(true); });
  } else if (trap.test(142, [&] { return where == 2; })) {
    trap.step(144, [&] { c_.Option2.setSelected(true); });
  }
  std::optional<int> backupOption;
  trap.step(146, [&] { backupOption = ToInteger16(ReadSetting(SettingKeys::BackupOption, "1")); });
  if (trap.test(148, [&] { return backupOption == 1; })) {
    trap.step(150, [&] { c_.Option3.setSelected(true); });
  } else {
    trap.step(152, [&] { c_.Option4.setSelected(true); });
  }
  trap.step(154, [&] {
    const bool startsWithLogon = IsSettingOn(ReadSetting(SettingKeys::WindowsStartup, SettingOff));
    c_.Check5.setValue(startsWithLogon ? CheckBox::Checked : CheckBox::Unchecked);
  });
  trap.step(156, [&] {
    const bool stamp = IsSettingOn(ReadSetting(SettingKeys::IncludeDate, SettingOn));
    c_.Check6.setValue(stamp ? CheckBox::Checked : CheckBox::Unchecked);
  });
}

// Selecting the stored entry by position raises no click: nothing is stored and the schedule's
// count is left alone.
void Form1::FillIntervalList(FailureTrap& trap) {
  // Lines 158 and 160 (the header and its width) are one call of the list.
  trap.step(158, [&] {
    c_.ListView1.addColumn(Captions::IntervalHeader, Captions::IntervalHeaderWidthTwips);
  });
  int line = 162;
  for (const IntervalChoice& choice : IntervalTable) {
    trap.step(line, [&] { c_.ListView1.addItem(choice.text); });
    line += 2;
  }
  // A stored text that is no number, or names no entry, is reported once here and selects the
  // default entry: a list with nothing selected would fail every tick for as long as the program
  // runs.
  int position = DefaultIntervalPosition;
  trap.step(186, [&] { position = ToInteger16(ReadSetting(SettingKeys::OftenIndex, "3")); });
  if (!trap.step(188, [&] { c_.ListView1.selectPosition(position); })) {
    position = DefaultIntervalPosition;
    SelectQuietly(c_.ListView1, position);
  }
  knownListPosition_ = position;
}

// On restores only the button and the timer: the status keeps its designed caption until the
// first tick. A text that is neither "Off" nor "On" leaves everything as designed.
void Form1::RestoreScheduleState(FailureTrap& trap) {
  std::string state;
  trap.step(190, [&] { state = ReadSetting(SettingKeys::StartStopState, SettingOn); });
  if (trap.test(192, [&] { return state == SettingOff; })) {
    trap.step(194, [&] { c_.PushButton4.setCaption(Captions::ScheduleOff); });
    trap.step(196, [&] { c_.Frame2.setCaption(Captions::StatusOff); });
    trap.step(198, [&] { c_.Timer1.setInterval(0); });
  } else if (trap.test(200, [&] { return state == SettingOn; })) {
    trap.step(202, [&] { c_.PushButton4.setCaption(Captions::ScheduleOn); });
    trap.step(204, [&] { c_.Timer1.setInterval(TickMilliseconds); });
  }
}

// Controls whose setting the administrator locked show the locked value, greyed. Start at logon
// locked is also made true of the desktop, as the user's own entry may say otherwise; locked on,
// where a machine-wide entry starts the program, the user's own entry is not written.
void Form1::LockAdministeredOptions() {
  const auto lock = [this](std::string_view key, std::initializer_list<Control*> controls) {
    if (!settings_.IsLocked(key)) return false;
    for (Control* control : controls) control->lockWithNote(LockedByAdministrator);
    return true;
  };
  lock(SettingKeys::Path, {&c_.Text1, &c_.PushButton1});
  lock(SettingKeys::WhereOption, {&c_.Option1, &c_.Option2});
  lock(SettingKeys::BackupOption, {&c_.Option3, &c_.Option4});
  lock(SettingKeys::IncludeDate, {&c_.Check6});
  lock(SettingKeys::Minimized, {&c_.Check8});
  lock(SettingKeys::OftenIndex, {&c_.ListView1});
  lock(SettingKeys::StartStopState, {&c_.PushButton4});
  if (lock(SettingKeys::WindowsStartup, {&c_.Check5})) {
    if (c_.Check5.value() != CheckBox::Checked) {
      DisableStartup(ports_.autostart);
    } else if (!ports_.autostart.startsForEveryone()) {
      EnableStartup(ports_.autostart);
    }
  }
}

// A start in the tray becomes the hidden state here, when the window would first be seen; a front
// end whose state change already raised a resize during start-up is hidden by then.
void Form1::ShowAfterLoad() {
  if (ports_.globals.HiddenInTray) return;
  if (c_.window.state() == WindowState::Minimized && c_.cSysTray1.TrayAvailable()) {
    Form_Resize();
    return;
  }
  c_.window.setVisible(true);
}

// HiddenInTray is set before the balloon waits, so resizes arriving meanwhile hide nothing twice.
// Without a tray there is no icon to come back by: the window stays an ordinary minimised one.
void Form1::Form_Resize() {
  if (c_.window.state() != WindowState::Minimized || ports_.globals.HiddenInTray) return;
  if (!c_.cSysTray1.TrayAvailable()) return;
  c_.window.setVisible(false);
  c_.window.setState(WindowState::Normal);
  ports_.globals.HiddenInTray = true;
  c_.cSysTray1.ShowBalloon(Messages::MinimizedBalloon, ProductTitle, BalloonSeconds, true);
}

// Asked from outside the window (a second start, the tray menu): back as a click on the icon
// brings it.
void Form1::ShowWindow() { cSysTray1_MouseUp(1, 0); }

// Back from the tray, and from the task bar too: a window minimised while there was no tray (the
// logon race, a panel restart) is an ordinary minimised one, and showing it alone leaves it so.
void Form1::cSysTray1_MouseUp(int /*Button*/, int /*Id*/) {
  if (c_.window.state() == WindowState::Minimized) c_.window.setState(WindowState::Normal);
  c_.window.setVisible(true);
  c_.window.setFocus();
  ports_.globals.HiddenInTray = false;
}

// The close is never cancelled, and nothing is stored: every setting was stored as it changed.
void Form1::Form_QueryUnload() {
  FailureTrap trap(ports_.dialogs, ContextLabels::Form_QueryUnload);
  trap.step(100, [&] { c_.Timer1.setEnabled(false); });
  trap.step(102, [&] { c_.cSysTray1.setInTray(false); });
}

void Form1::Form_Unload() { ports_.shell.endProgram(); }

}  // namespace tg
