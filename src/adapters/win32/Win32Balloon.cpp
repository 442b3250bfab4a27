#include "adapters/win32/Win32Balloon.h"

#include "adapters/win32/Win32MessageLoop.h"
#include "adapters/win32/Win32TrayShell.h"
#include "adapters/win32/Win32Window.h"
#include "adapters/win32/WindowsPlatform.h"
#include "common/Globals.h"
#include "desktop/cSysTray.h"

namespace tg {

constexpr int BalloonSeconds = 10;

void TellInBalloon(const std::string& title, const std::string& text) {
  const UniqueIcon icon{ProgramIcon(TrayIconSize())};
  Win32TrayShell shell(icon.get());
  Win32MessageLoop messageLoop;
  WindowsClock clock;
  cSysTray tray(shell, messageLoop, clock);
  tray.setTrayTip(ProductTitle);
  tray.setInTray(true);
  tray.ShowBalloon(text, title, BalloonSeconds, false);
}  // the icon is taken out with the tray control

}  // namespace tg
