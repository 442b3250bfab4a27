#include "adapters/qt/QtProgram.h"

namespace tg {

QtProgram::QtProgram(QtProgramPorts ports)
    : trayShell(ApplicationIcon()),
      view(trayShell, messageLoop, ports.clock),
      dialogs(&view.window.widget()),
      program(view.controls(),
              ProgramPorts{ports, dialogs, skin, random, messageLoop, PathStyle::Posix}) {
  view.window.onClose([this] { program.close(); });
}

}  // namespace tg
