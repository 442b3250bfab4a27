#include "adapters/qt/QtProgram.h"

#include "backup/Calc.h"
#include "desktop/IsInstalled.h"

namespace tg {

QtProgram::QtProgram(QtProgramPorts givenPorts)
    : ports(givenPorts),
      trayShell(ApplicationIcon()),
      view(trayShell, messageLoop, ports.clock),
      dialogs(&view.window.widget()),
      form(view.controls(), formPorts()) {
  view.window.onClose([this] {
    form.Form_QueryUnload();
    form.Form_Unload();
  });
}

Form1Ports QtProgram::formPorts() {
  return Form1Ports{
      dialogs,
      ports.settings,
      ports.fileSystem,
      ports.environment,
      ports.shell,
      ports.singleInstance,
      skin,
      random,
      ports.autostart,
      messageLoop,
      globals,
      PathStyle::Posix,
      [this] { saveAll(); },
      [this] { CheckOfficeSuite(ports.automation, dialogs, ports.shell, form.ShortTitle()); }};
}

void QtProgram::saveAll() {
  const BackupOptionControls options{view.Option2, view.Option1, view.Text1,
                                     view.Check6,  view.Option3, view.Option4};
  SaveAll(CalcContext{ports.automation, options, dialogs, messageLoop, ports.fileSystem,
                      ports.clock, ports.regional, globals.HistoryLogPath, PathStyle::Posix});
}

void QtProgram::start() {
  form.Form_Load();
  form.ShowAfterLoad();
}

}  // namespace tg
