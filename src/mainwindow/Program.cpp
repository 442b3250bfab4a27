#include "mainwindow/Program.h"

#include "desktop/IsInstalled.h"

namespace tg {

Program::Program(const Form1Controls& controls, ProgramPorts ports)
    : controls_(controls), ports_(ports), form_(controls, formPorts()) {}

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

CalcContext Program::passContext() const {
  const BackupOptionControls options{controls_.Option2, controls_.Option1, controls_.Text1,
                                     controls_.Check6,  controls_.Option3, controls_.Option4};
  return CalcContext{ports_.system.automation, options,
                     ports_.dialogs,           ports_.messageLoop,
                     ports_.system.fileSystem, ports_.system.clock,
                     ports_.system.regional,   globals_.HistoryLogPath,
                     ports_.pathStyle};
}

void Program::saveAll() {
  if (passRunning_) return;
  passRunning_ = true;
  form_.ShowPassRunning(true);
  struct Over {
    Program& program;
    ~Over() {
      program.passRunning_ = false;
      program.form_.ShowPassRunning(false);
    }
  } over{*this};
  const CalcContext context = passContext();
  if (ports_.system.helper == nullptr) return SaveAll(context);
  RunPassInHelper(BackgroundPassContext{*ports_.system.helper, context.controls, ports_.dialogs,
                                        ports_.messageLoop, ports_.system.clock,
                                        globals_.HistoryLogPath, ports_.system.officeHangSeconds});
}

void Program::start() {
  form_.Form_Load();
  form_.ShowAfterLoad();
}

void Program::close() {
  form_.Form_QueryUnload();
  form_.Form_Unload();
}

}  // namespace tg
