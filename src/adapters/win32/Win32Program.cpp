#include "adapters/win32/Win32Program.h"

#include <string>
#include <utility>
#include <vector>

namespace tg {

HICON ProgramIcon() {
  HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1));
  return icon != nullptr ? icon : LoadIconA(nullptr, IDI_APPLICATION);
}

Win32Program::Win32Program(SystemPorts ports)
    : trayShell(ProgramIcon()),
      view(trayShell, messageLoop, ports.clock),
      dialogs(view.window.handle()),
      skin(
          [this](COLORREF background, COLORREF text) { view.window.setColours(background, text); }),
      program(view.controls(),
              ProgramPorts{ports, dialogs, skin, random, messageLoop, PathStyle::Windows},
              ProgramAdditions{view.Spin1, fileFacts}) {
  view.window.onClose([this] { program.close(); });
  messageLoop.setDialogKeys([this](MSG& message) { return view.window.handleDialogKeys(message); });
  std::vector<std::pair<std::string, std::function<void()>>> menu;
  for (const TrayMenuEntry& entry : program.trayMenu()) {
    menu.emplace_back(std::string(entry.caption), entry.action);
  }
  trayShell.setMenu(std::move(menu));
}

int Win32Program::RunMessageLoop(Win32Window& window) {
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    // Tab and the arrow keys move between the window's controls, as in any dialog.
    if (window.handleDialogKeys(message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}

}  // namespace tg
