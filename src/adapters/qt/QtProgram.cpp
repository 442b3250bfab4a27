#include "adapters/qt/QtProgram.h"

namespace tg {

QtProgram::QtProgram(QtProgramPorts ports)
    : trayShell(ApplicationIcon()),
      view(trayShell, messageLoop, ports.clock),
      dialogs(&view.window.widget()),
      program(view.controls(),
              ProgramPorts{dialogs, ports.settings, ports.automation, ports.shell,
                           ports.singleInstance, ports.autostart, ports.environment,
                           ports.fileSystem, ports.clock, ports.regional, skin, random, messageLoop,
                           PathStyle::Posix, ports.helper, ports.officeHangSeconds}) {
  view.window.onClose([this] { program.close(); });
}

}  // namespace tg
