#pragma once
// The whole program without a toolkit: the main window's logic, the backup pass, the office suite
// check, the start-up and the closing sequence, wired from the controls and the platform's ports.
// A front end builds its real controls and ports, hands them over, and relays the window's close.

#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "app/SystemServices.h"
#include "app/WatchKeeper.h"
#include "backup/PassWindowSide.h"
#include "common/Globals.h"
#include "common/PathStyle.h"
#include "common/ports/Automation.h"
#include "common/ports/Autostart.h"
#include "common/ports/Clock.h"
#include "common/ports/Dialogs.h"
#include "common/ports/Environment.h"
#include "common/ports/FileFacts.h"
#include "common/ports/FileSystem.h"
#include "common/ports/MessageLoop.h"
#include "common/ports/OfficeDocuments.h"
#include "common/ports/PrivateState.h"
#include "common/ports/RandomSource.h"
#include "common/ports/RegionalSettings.h"
#include "common/ports/SettingsBackend.h"
#include "common/ports/Shell.h"
#include "common/ports/SingleInstance.h"
#include "common/ports/Skin.h"
#include "common/ports/VersionsView.h"
#include "mainwindow/Form1.h"
#include "mainwindow/Settings.h"
#include "mainwindow/Versions.h"

namespace tg {

// Everything the program talks to: the system's ports, what the front end's toolkit makes, and
// how its platform writes paths (there is no default).
struct ProgramPorts {
  SystemPorts system;
  Dialogs& dialogs;
  Skin& skin;
  RandomSource& random;
  MessageLoop& messageLoop;
  PathStyle pathStyle;
};

// What the Versions window reads and asks of the system beyond the program's other ports.
struct VersionsServices {
  const FileFacts& facts;
  PrivateState* state;
  OfficeDocuments& office;
};

// Those, and the window itself, which the front end makes each time it is opened.
struct VersionsPlatform {
  VersionsServices services;
  std::function<std::unique_ptr<VersionsView>()> makeView;
};

// What the program has beyond the window as first designed: the "Keep Copies" box and the "Thin
// out old copies" check box of the options frame, and the button that opens the Versions window.
struct ProgramAdditions {
  NumberBox& Spin1;
  CheckBox& Check9;
  PushButton& PushButton13;
  VersionsPlatform versions;
};

namespace TrayMenuCaptions {
inline constexpr std::string_view Show = "Show Tallyguard";
inline constexpr std::string_view Versions = Captions::Versions;
inline constexpr std::string_view BackupNow = "Backup Now";
inline constexpr std::string_view Quit = "Quit";
}  // namespace TrayMenuCaptions

inline constexpr std::string_view KeepCopiesKey = SettingKeys::KeepCopies;
inline constexpr std::string_view ThinCopiesKey = SettingKeys::ThinCopies;  // ThinCopiesOn or Off

class Program {
 public:
  Program(const Form1Controls& controls, ProgramPorts ports, ProgramAdditions additions);
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // The start-up sequence, then the window shown or hidden straight into the tray.
  void start();
  // One backup pass, as "Backup Now (Test)" and the schedule run it: options read live from the
  // window's controls. While one runs, another asked for (a tick, a click) starts nothing.
  void saveAll();
  // The window is closing, for any reason: the closing steps, then the end of the program.
  void close();
  // Brings the window back and in front: a second start asks for it, and the tray menu. Asked
  // during start-up, done when it is over (as backupNow).
  void showWindow();
  // "Backup Now" asked from outside the window (the tray menu, the desktop's action): one pass,
  // its outcome told in one balloon instead of message boxes. Asked during start-up, done when
  // it is over.
  void backupNow();
  // Opens the Versions window, or brings it to the front when it is open already; asked during
  // start-up, done when it is over.
  void showVersions();
  // True while the Versions window is open.
  bool versionsOpen() const { return versionsView_ != nullptr; }
  // The tray icon's menu, in order: show the window, one backup pass, quit as closing does.
  std::vector<TrayMenuEntry> trayMenu();
  // Keeps the change watch answering; called every WatchKeeper::Period once started.
  void tendWatch(WatchKeeper::Time::time_point now);

  Form1& form() { return form_; }
  const Globals& globals() const { return globals_; }

 private:
  bool started_ = false;
  bool showAsked_ = false;
  bool backupAsked_ = false;
  bool versionsAsked_ = false;
  Form1Ports formPorts();
  PassOptions passOptions() const;
  void restoreKeepCopies();
  void restoreThinCopies();
  void logUnusableAdministeredValues(const std::vector<std::string>& unusable);
  WindowSideContext passContext();
  template <typename Pass>
  void runOnePass(Pass pass);
  void saveAllAndTell();

  Form1Controls controls_;
  ProgramPorts ports_;
  ProgramAdditions additions_;
  Globals globals_;
  Form1 form_;
  bool passRunning_ = false;
  // Made when opened and freed when closed: nothing of it is kept while it is closed.
  std::unique_ptr<VersionsView> versionsView_;
  std::unique_ptr<Versions> versions_;
  std::unique_ptr<WatchKeeper> watchKeeper_;
};

}  // namespace tg
