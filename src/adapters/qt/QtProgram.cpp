#include "adapters/qt/QtProgram.h"

namespace tg {

QtProgram::QtProgram(QtProgramPorts ports, QtVersionsPorts versions)
    : trayShell(ApplicationIcon()),
      view(trayShell, messageLoop, ports.clock),
      dialogs(&view.window.widget()),
      program(
          view.controls(),
          ProgramPorts{ports, dialogs, skin, random, messageLoop, PathStyle::Posix},
          ProgramAdditions{view.Spin1, view.PushButton13,
                           VersionsPlatform{versions.facts, versions.state, versions.office,
                                            [] { return std::make_unique<QtVersionsWindow>(); }}}) {
  view.window.onClose([this] { program.close(); });
  std::vector<std::pair<QString, std::function<void()>>> menu;
  for (const TrayMenuEntry& entry : program.trayMenu()) {
    menu.emplace_back(ToQString(entry.caption), entry.action);
  }
  trayShell.setMenu(menu);
}

}  // namespace tg
