#include "app/Program.h"

#include <sstream>
#include <string>
#include <utility>

#include "app/CommandLine.h"
#include "backup/HistoryLog.h"
#include "backup/Retention.h"
#include "desktop/IsInstalled.h"
#include "mainwindow/Settings.h"

namespace tg {

Program::Program(const Form1Controls& controls, ProgramPorts ports, ProgramAdditions additions)
    : controls_(controls), ports_(ports), additions_(additions), form_(controls, formPorts()) {
  additions_.Spin1.onChange([this] {
    Settings(ports_.system.settings)
        .WriteSetting(KeepCopiesKey, std::to_string(additions_.Spin1.value()));
  });
  additions_.Check9.onClick([this] {
    const bool on = additions_.Check9.value() == CheckBox::Checked;
    Settings(ports_.system.settings).WriteSetting(ThinCopiesKey, on ? ThinCopiesOn : ThinCopiesOff);
  });
  additions_.PushButton13.setCaption(Captions::Versions);
  additions_.PushButton13.onClick([this] { showVersions(); });
  additions_.PushButton13.onMouseMove([this] { form_.PushButton13_MouseMove(); });
  controls_.cSysTray1.setMenu(trayMenu());
}

Form1Ports Program::formPorts() {
  return Form1Ports{ports_.dialogs,
                    ports_.system.settings,
                    ports_.system.fileSystem,
                    ports_.system.environment,
                    ports_.system.shell,
                    ports_.system.singleInstance,
                    ports_.skin,
                    ports_.random,
                    ports_.system.autostart,
                    ports_.messageLoop,
                    globals_,
                    ports_.pathStyle,
                    [this] { saveAll(); },
                    [this] {
                      CheckOfficeSuite(ports_.system.automation, ports_.dialogs,
                                       ports_.system.shell, form_.ShortTitle());
                    }};
}

// Read live, for every document of a pass, as the window shows them.
PassOptions Program::passOptions() const {
  PassOptions options = ReadPassOptions(BackupOptionControls{
      controls_.Option2, controls_.Option1, controls_.Text1, controls_.Check6, controls_.Option3,
      controls_.Option4, &additions_.Spin1, &additions_.Check9});
  options.folder = FolderOfUser(options.folder, ports_.system.environment, ports_.pathStyle);
  return options;
}

WindowSideContext Program::passContext() {
  return WindowSideContext{.helper = ports_.system.helper,
                           .options = [this] { return passOptions(); },
                           .dialogs = ports_.dialogs,
                           .messageLoop = ports_.messageLoop,
                           .clock = ports_.system.clock,
                           .historyLogPath = globals_.HistoryLogPath,
                           .hangSeconds = ports_.system.officeHangSeconds};
}

// While one pass runs, another asked for (a tick, a click) starts nothing. A Backup Now asked from
// outside the window meanwhile is made once this pass ends: its asker hears only from that one.
template <typename Pass>
void Program::runOnePass(Pass pass) {
  if (passRunning_) return;
  {
    passRunning_ = true;
    form_.ShowPassRunning(true);
    struct Over {
      Program& program;
      ~Over() {
        program.passRunning_ = false;
        program.form_.ShowPassRunning(false);
      }
    } over{*this};
    pass();
  }
  if (started_ && std::exchange(backupAsked_, false)) saveAllAndTell();
}

void Program::saveAll() {
  runOnePass([this] { RunPassInHelper(passContext()); });
}

// Asked from outside the window, whose message boxes the user may not be looking at: what was
// copied or what failed is told in one balloon, in the words the command line's notification
// uses.
void Program::saveAllAndTell() {
  runOnePass([this] {
    std::ostringstream lines, problems;
    const int status = RunPassAsLines(passContext(), lines, problems);
    controls_.cSysTray1.ShowBalloon(BackupNowNotice(status, lines.str(), problems.str()),
                                    BackupNoticeTitle, 0, false);
  });
}

// Filling the box stores its value again through its own change, as the other options do.
void Program::restoreKeepCopies() {
  const std::string stored =
      Settings(ports_.system.settings).ReadSetting(KeepCopiesKey, KeepAllCopies);
  additions_.Spin1.setValue(KeepCountOf(stored));
}

// Off unless stored on; checking it stores it again, as restoring Keep Copies does.
void Program::restoreThinCopies() {
  const std::string stored =
      Settings(ports_.system.settings).ReadSetting(ThinCopiesKey, ThinCopiesOff);
  additions_.Check9.setValue(ThinsCopies(stored) ? CheckBox::Checked : CheckBox::Unchecked);
}

// Requests from outside (a second start, the desktop menu) are heard from before start-up: one
// that comes while a start-up message is open or the tray's balloon is waited on is carried out
// once the window is ready, rather than lost or done to a window half made.
void Program::start() {
  // Looked at before the window fills its controls, which stores some of them as the user's.
  const std::vector<std::string> unusable =
      Settings(ports_.system.settings).UnusableAdministeredValues();
  form_.Form_Load();
  restoreKeepCopies();
  restoreThinCopies();
  const Settings settings(ports_.system.settings);
  if (settings.IsLocked(KeepCopiesKey)) additions_.Spin1.lockWithNote(LockedByAdministrator);
  if (settings.IsLocked(ThinCopiesKey)) additions_.Check9.lockWithNote(LockedByAdministrator);
  logUnusableAdministeredValues(unusable);
  form_.ShowAfterLoad();
  if (ports_.system.watch) {
    watchKeeper_ = std::make_unique<WatchKeeper>(
        *ports_.system.watch, globals_.HistoryLogPath, [this] { return passOptions(); },
        [this](const std::string& text, const std::string& title) {
          controls_.cSysTray1.ShowBalloon(text, title, 0, false);
        },
        ports_.system.clock, ports_.system.officeHangSeconds);
  }
  started_ = true;
  if (std::exchange(showAsked_, false)) showWindow();
  if (std::exchange(backupAsked_, false)) backupNow();
  if (std::exchange(versionsAsked_, false)) showVersions();
}

// An administrator's value a setting can't take is passed over for the user's or the program's
// own; the history log, which administrators and users both read, says so once per start.
void Program::logUnusableAdministeredValues(const std::vector<std::string>& unusable) {
  for (const std::string& told : unusable) {
    try {
      AppendHistoryLine(
          ports_.system.fileSystem, globals_.HistoryLogPath,
          told + " at " + GeneralDate(ports_.system.clock.now(), ports_.system.regional));
    } catch (const std::exception&) {
      // A log that can't be written loses this note, as it would a copy's line.
    }
  }
}

void Program::tendWatch(WatchKeeper::Time::time_point now) {
  if (watchKeeper_) watchKeeper_->tick(now);
}

void Program::showWindow() {
  if (!started_) {
    showAsked_ = true;
    return;
  }
  form_.ShowWindow();
}

void Program::backupNow() {
  if (!started_ || passRunning_) {
    backupAsked_ = true;
    return;
  }
  saveAllAndTell();
}

void Program::showVersions() {
  if (!started_) {
    versionsAsked_ = true;
    return;
  }
  if (versionsView_) {
    versions_->readCopiesAgain();  // copies made since it opened belong in it
    versionsView_->bringToFront();
    return;
  }
  const VersionsServices& services = additions_.versions.services;
  versionsView_ = additions_.versions.makeView();
  versions_ = std::make_unique<Versions>(*versionsView_,
                                         VersionsPorts{.fileSystem = ports_.system.fileSystem,
                                                       .facts = services.facts,
                                                       .state = services.state,
                                                       .regional = ports_.system.regional,
                                                       .shell = ports_.system.shell,
                                                       .office = services.office,
                                                       .settings = ports_.system.settings,
                                                       .pathStyle = ports_.pathStyle,
                                                       .historyLogPath = globals_.HistoryLogPath});
  versions_->finished = [this] {
    versions_.reset();
    versionsView_.reset();
  };
  versionsView_->bringToFront();
}

std::vector<TrayMenuEntry> Program::trayMenu() {
  return {{TrayMenuCaptions::Show, [this] { showWindow(); }},
          {TrayMenuCaptions::Versions, [this] { showVersions(); }},
          {TrayMenuCaptions::BackupNow, [this] { backupNow(); }},
          {TrayMenuCaptions::Quit, [this] { close(); }}};
}

void Program::close() {
  form_.Form_QueryUnload();
  form_.Form_Unload();
}

}  // namespace tg
