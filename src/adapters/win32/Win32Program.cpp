#include "adapters/win32/Win32Program.h"

#include <string>
#include <utility>
#include <vector>

namespace tg {

Win32Program::Win32Program(SystemPorts ports, Win32VersionsPorts versions)
    : trayShell(trayIcon.get()),
      view(trayShell, messageLoop, ports.clock),
      dialogs(view.window.handle()),
      skin(
          [this](COLORREF background, COLORREF text) { view.window.setColours(background, text); }),
      program(view.controls(),
              ProgramPorts{ports, dialogs, skin, random, messageLoop, PathStyle::Windows},
              ProgramAdditions{
                  view.Spin1, view.PushButton13,
                  VersionsPlatform{versions.facts, versions.state, versions.office, [this] {
                                     return std::make_unique<Win32VersionsWindow>(messageLoop);
                                   }}}) {
  view.window.onClose([this] { program.close(); });
  // Tab and the arrow keys move between the window's controls, in the main loop and while a pass
  // lets messages run alike.
  messageLoop.setDialogKeys([this](MSG& message) { return view.window.handleDialogKeys(message); });
  std::vector<std::pair<std::string, std::function<void()>>> menu;
  for (const TrayMenuEntry& entry : program.trayMenu()) {
    menu.emplace_back(std::string(entry.caption), entry.action);
  }
  trayShell.setMenu(std::move(menu));
}

}  // namespace tg
