#include "adapters/qt/QtProgram.h"

namespace tg {

QtProgram::QtProgram(SystemPorts ports, VersionsServices versions)
    : trayShell(ApplicationIcon()),
      view(trayShell, messageLoop, ports.clock),
      dialogs(&view.window.widget()),
      program(view.controls(),
              ProgramPorts{ports, dialogs, skin, random, messageLoop, PathStyle::Posix},
              ProgramAdditions{view.Spin1, view.Check9, view.PushButton13,
                               VersionsPlatform{versions, [] {
                                                  return std::make_unique<QtVersionsWindow>();
                                                }}}) {
  view.window.onClose([this] { program.close(); });
}

void QtProgram::start() {
  program.start();
  QObject::connect(&watchTimer_, &QTimer::timeout,
                   [this] { program.tendWatch(WatchKeeper::Time::now()); });
  watchTimer_.start(WatchKeeper::Period);
  program.tendWatch(WatchKeeper::Time::now());
}

}  // namespace tg
