#include "adapters/win32/Win32Program.h"

#include <utility>

namespace tg {

Win32Program::Win32Program(SystemPorts ports, VersionsServices versions)
    : trayShell(trayIcon.get()),
      view(trayShell, messageLoop, ports.clock),
      dialogs(view.window.handle()),
      skin(
          [this](COLORREF background, COLORREF text) { view.window.setColours(background, text); }),
      program(view.controls(),
              ProgramPorts{ports, dialogs, skin, random, messageLoop, PathStyle::Windows},
              ProgramAdditions{view.Spin1, view.Check9, view.PushButton13,
                               VersionsPlatform{versions, [this] {
                                                  return std::make_unique<Win32VersionsWindow>(
                                                      messageLoop);
                                                }}}) {
  view.window.onClose([this] { program.close(); });
  // Tab and the arrow keys move between the window's controls, in the main loop and while a pass
  // lets messages run alike.
  messageLoop.setDialogKeys([this](MSG& message) { return view.window.handleDialogKeys(message); });
}

void Win32Program::start() {
  program.start();
  watchTimer_.onTick([this] { program.tendWatch(WatchKeeper::Time::now()); });
  watchTimer_.setInterval(static_cast<int>(WatchKeeper::Period.count()));
  program.tendWatch(WatchKeeper::Time::now());
}

}  // namespace tg
