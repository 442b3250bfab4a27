#include "mainwindow/Program.h"

#include "desktop/IsInstalled.h"

namespace tg {

Program::Program(const Form1Controls& controls, ProgramPorts ports)
    : controls_(controls), ports_(ports), form_(controls, formPorts()) {}

Form1Ports Program::formPorts() {
  return Form1Ports{ports_.dialogs,
                    ports_.settings,
                    ports_.fileSystem,
                    ports_.environment,
                    ports_.shell,
                    ports_.singleInstance,
                    ports_.skin,
                    ports_.random,
                    ports_.autostart,
                    ports_.messageLoop,
                    globals_,
                    ports_.pathStyle,
                    [this] { saveAll(); },
                    [this] {
                      CheckOfficeSuite(ports_.automation, ports_.dialogs, ports_.shell,
                                       form_.ShortTitle());
                    }};
}

CalcContext Program::passContext() const {
  const BackupOptionControls options{controls_.Option2, controls_.Option1, controls_.Text1,
                                     controls_.Check6,  controls_.Option3, controls_.Option4};
  return CalcContext{ports_.automation, options,      ports_.dialogs,  ports_.messageLoop,
                     ports_.fileSystem, ports_.clock, ports_.regional, globals_.HistoryLogPath,
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
  if (ports_.helper == nullptr) return SaveAll(context);
  RunPassInHelper(BackgroundPassContext{*ports_.helper, context.controls, ports_.dialogs,
                                        ports_.messageLoop, ports_.clock, globals_.HistoryLogPath,
                                        ports_.officeHangSeconds});
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
