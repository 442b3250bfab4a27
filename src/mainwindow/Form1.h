#pragma once
// The main window: every click, tick and start-up step the user meets. It knows its controls and
// the world only through the ports, so any front end (Qt on Linux, Win32 later) just builds real
// controls and hands them over.
//
// What a front end must wire
// --------------------------
// 1. Build every control of Form1Controls from the design table (Form1Design.h): its kind, name,
//    container, designed caption, place and font; all check boxes unchecked, no option selected,
//    the list empty, Timer1 enabled with period 0. Option3/Option4 form one group in Frame3,
//    Option2/Option1 one group in Frame1.
// 2. Make each control raise the handler Form1 registers on it, under the rules of Controls.h:
//      PushButtonN click            -> PushButtonN_Click (N = 1, 2, 3, 4, 5, 11, 12)
//      Check5/Check6/Check8 click   -> CheckN_Click: the user's click AND every change of value by
//                                      code (Qt: toggled/stateChanged, not clicked)
//      Option1..Option4 click       -> OptionN_Click: the user's click AND every selection by code
//                                      (Qt: toggled(true))
//      Text1 change                 -> Text1_Change: every change, typed or set by code
//                                      (Qt: textChanged)
//      Text1 got focus              -> Text1_GotFocus
//      ListView1 click              -> ListView1_Click: the user's click on the list only;
//                                      selecting by position must raise nothing
//                                      (Qt: itemClicked, not currentRowChanged)
//      Timer1 tick                  -> Timer1_Timer, only while period > 0 and enabled
//      window resize / state change -> Form_Resize
//      mouse move over a control    -> its <Control>_MouseMove, over the window -> Form_MouseMove
//      cSysTray1.MouseUp            -> cSysTray1_MouseUp (Form1 sets this event itself)
// 3. Hand the controls and the platform's ports to Program (Program.h), which builds Form1, wires
//    the backup pass and the suite check, and runs the start-up and closing sequences; relay the
//    window's close, for any reason, to Program::close.
//
// Choices this window makes where the behaviour was open
// - A start in the tray turns into the hidden state in ShowAfterLoad, when the window would first
//   be seen: the window is never shown, the icon stays, the balloon comes up.
// - A click on the interval list that leaves no entry selected changes nothing (no store, count
//   and interval kept) and selects the last known entry again, so a tick always finds one.
// - A tick while no interval was ever read (ScheduleInterval 0) counts but runs no pass.
// - On a desktop without a tray, minimising leaves an ordinary minimised window (no balloon, no
//   hiding) and a start in the tray starts minimised in the task bar; both ask the tray anew, so
//   a tray that appears later is used from then on.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "backup/BackupNaming.h"
#include "common/Globals.h"
#include "common/ports/Autostart.h"
#include "common/ports/Controls.h"
#include "common/ports/Dialogs.h"
#include "common/ports/Environment.h"
#include "common/ports/FileSystem.h"
#include "common/ports/MessageLoop.h"
#include "common/ports/RandomSource.h"
#include "common/ports/SettingsBackend.h"
#include "common/ports/Shell.h"
#include "common/ports/SingleInstance.h"
#include "common/ports/Skin.h"
#include "desktop/cSysTray.h"
#include "mainwindow/Settings.h"

namespace tg {

class FailureTrap;

namespace Captions {
inline constexpr std::string_view ScheduleOn = "Turn Off Auto Backup-Save";   // shown while on
inline constexpr std::string_view ScheduleOff = "Turn On Auto Backup-Save";   // shown while off
inline constexpr std::string_view DesignedStartStop = "Turn On Auto Backup";  // before start-up
inline constexpr std::string_view CountdownStarted = "On. Next backup will occur in:";
inline constexpr std::string_view CountdownPrefix = "On. Next backup will occur in: ";
inline constexpr std::string_view DesignedCountdown = "On. Next backup will occur in: 00:00:00";
inline constexpr std::string_view StatusOff = "Off.";
inline constexpr std::string_view PassRunning = "Backing up the open spreadsheets...";
inline constexpr std::string_view ProgressBarText = "Progress Bar";
inline constexpr std::string_view IntervalHeader =
    " When would you like to backup all open Calc files?";
inline constexpr int IntervalHeaderWidthTwips = 6400;
inline constexpr std::string_view OptionsFrame = "Options";
inline constexpr std::string_view WhereFrame =
    "Where would you like to backup all open Calc ODS files?";
inline constexpr std::string_view Browse = "...";
inline constexpr std::string_view BackupNow = "Backup Now (Test)";
inline constexpr std::string_view ViewHistory = "View History Log";
inline constexpr std::string_view Versions = "Versions…";
inline constexpr std::string_view CopyHistory = "Copy History To Clipboard";
inline constexpr std::string_view ClearHistory = "Clear History Log";
inline constexpr std::string_view Help = "Help";
}  // namespace Captions

namespace Messages {
inline constexpr std::string_view BrowsePrompt = "Please select folder:";
inline constexpr std::string_view NoHistory =
    "There isn't a history to view because actions have not been performed yet.";
inline constexpr std::string_view ClearHistoryQuestion =
    "Are you sure you want to delete the history log and start over?";
inline constexpr std::string_view StartsWithoutLock =
    "\r\n\r\nTallyguard starts all the same, but a second start may open a second copy "
    "instead of showing this one.";
inline constexpr std::string_view HelpPrefix = "Questions? Please contact Team Morvane at ";
inline constexpr std::string_view MinimizedBalloon =
    "has been minimized to the system tray.\r\nClick on the blue 'M' icon (M for Morvane) to "
    "bring the software back.";
}  // namespace Messages

inline constexpr std::string_view MakerHomePage = "https://www.morvane.com/";
inline constexpr std::string_view MakerContactPage = "https://www.morvane.com/contact/";
inline constexpr std::string_view SkinFolderName = "x";  // the skin file is x/o.cjs
inline constexpr std::string_view SkinFileName = "o.cjs";
inline constexpr std::string_view HandCursorFileName = "HAND-M.CUR";
inline constexpr unsigned ButtonFaceColour = 0x8000000F;
inline constexpr int TickMilliseconds = 1000;
inline constexpr int BalloonSeconds = 5;
inline constexpr int HomePageDraw = 7;  // the one number of 1..100 that opens the home page

// The window's controls, built by the front end.
struct Form1Controls {
  Window& window;
  Frame& Frame2;
  ProgressBar& ProgressBar1;
  Frame& Frame3;
  CheckBox& Check8;
  CheckBox& Check5;
  CheckBox& Check6;
  OptionButton& Option4;
  OptionButton& Option3;
  cSysTray& cSysTray1;
  Frame& Frame1;
  OptionButton& Option2;
  OptionButton& Option1;
  TextBox& Text1;
  PushButton& PushButton1;
  Timer& Timer1;
  ListView& ListView1;
  PushButton& PushButton4;
  PushButton& PushButton2;
  PushButton& PushButton3;
  PushButton& PushButton5;
  TextBuffer& RichTextBox1;
  PushButton& PushButton11;
  PushButton& PushButton12;
};

// Everything outside the window that it talks to.
struct Form1Ports {
  Dialogs& dialogs;
  SettingsBackend& settings;
  FileSystem& fileSystem;
  const Environment& environment;
  Shell& shell;
  SingleInstance& singleInstance;
  Skin& skin;
  RandomSource& random;
  Autostart& autostart;
  MessageLoop& messageLoop;
  Globals& globals;               // HistoryLogPath and HiddenInTray, shared with the backup pass
  PathStyle pathStyle;            // the front end says which; there is no default
  std::function<void()> SaveAll;  // the backup pass
  std::function<void()> CheckOfficeSuite;  // ends the program when the suite is missing
};

// "hh:mm:ss" of a number of seconds as a time of day: whole days drop out, and a negative count
// shows its magnitude.
std::string FormatCountdown(std::int32_t seconds);

// The title less its last word, cut again while longer than 40 characters; a title without a
// blank stays whole.
std::string ShortTitleFor(std::string_view title);

// "Save every 5 minutes": the entry a stored position that names none falls back on.
inline constexpr int DefaultIntervalPosition = 3;

// The selected entry's position; nothing when no entry is selected.
std::optional<int> SelectedPosition(const ListView& list);
// Selects by position, raising nothing and reporting nothing.
void SelectQuietly(ListView& list, int position);

class Form1 {
 public:
  Form1(const Form1Controls& controls, Form1Ports ports);
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;

  // Lifecycle.
  void Form_Load();
  void ShowAfterLoad();  // shows the window, or hides it straight into the tray
  void Form_Resize();
  void cSysTray1_MouseUp(int Button, int Id);
  void ShowWindow();  // restore and raise, from a second start or the tray menu
  void Form_QueryUnload();
  void Form_Unload();  // ends the program

  // Schedule.
  void Timer1_Timer();
  void PushButton4_Click();
  void PushButton2_Click();
  void ListView1_Click();

  // Options panel.
  void Check5_Click();
  void Check6_Click();
  void Check8_Click();
  void Option1_Click();
  void Option2_Click();
  void Option3_Click();
  void Option4_Click();
  void Text1_Change();
  void Text1_GotFocus();
  void PushButton1_Click();

  // History commands.
  void PushButton3_Click();
  void PushButton5_Click();
  void PushButton12_Click();
  void PushButton11_Click();

  // Pointer: push buttons show the hand, everything else the default pointer.
  void Form_MouseMove();
  void Frame1_MouseMove();
  void Frame2_MouseMove();
  void Frame3_MouseMove();
  void ListView1_MouseMove();
  void Text1_MouseMove();
  void PushButton1_MouseMove();
  void PushButton2_MouseMove();
  void PushButton3_MouseMove();
  void PushButton4_MouseMove();
  void PushButton5_MouseMove();
  void PushButton11_MouseMove();
  void PushButton12_MouseMove();
  // The buttons added beside the designed ones point alike.
  void PushButton13_MouseMove();

  void ShowProgress(std::int32_t interval, std::int32_t elapsed);
  // The status says a pass runs, until it is over; ticks meanwhile keep counting.
  void ShowPassRunning(bool running);
  void ApplySkin();
  void SetShortTitle();

  const std::string& ShortTitle() const { return shortTitle_; }
  std::int32_t ScheduleInterval() const { return scheduleInterval_; }
  std::int32_t ScheduleElapsed() const { return scheduleElapsed_; }
  bool IsLoading() const { return isLoading_; }

 private:
  void RegisterHandlers();
  void RegisterPointerHandlers();
  void WriteDesignedCaptions();
  void SetPointerUnlessBusy(MousePointer pointer);
  void RunScheduledPass(FailureTrap& trap);
  std::int32_t ReadInterval();
  void SwitchScheduleOn(FailureTrap& trap);
  void SwitchScheduleOff(FailureTrap& trap);
  void RestoreOptions(FailureTrap& trap);
  void FillIntervalList(FailureTrap& trap);
  void RestoreScheduleState(FailureTrap& trap);
  void LockAdministeredOptions();
  void DrawForHomePage();
  std::string ProgramFile(std::string_view name) const;
  void WriteSetting(std::string_view key, std::string_view text);
  std::string ReadSetting(std::string_view key, std::string_view defaultText) const;

  Form1Controls c_;
  Form1Ports ports_;
  Settings settings_;
  std::string shortTitle_;
  std::int32_t scheduleInterval_ = 0;
  std::int32_t scheduleElapsed_ = 0;
  bool isLoading_ = false;
  bool passRunning_ = false;
  int knownListPosition_ = 0;  // the entry to fall back on when a click leaves none selected
};

}  // namespace tg
