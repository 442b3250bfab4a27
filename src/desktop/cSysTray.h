#pragma once
// The tray icon control: one icon in the desktop's notification area, its tip, a balloon over it,
// and the shell's notifications turned into mouse events.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/ports/Clock.h"
#include "common/ports/MessageLoop.h"
#include "common/ports/TrayShell.h"

namespace tg {

// One entry of the tray icon's menu.
struct TrayMenuEntry {
  std::string_view caption;
  std::function<void()> action;
};

class cSysTray {
 public:
  static constexpr std::string_view DefaultTip = "Telnet Server";

  cSysTray(TrayShell& shell, MessageLoop& messageLoop, const Clock& clock);
  ~cSysTray();  // takes the icon out of the tray when it is in
  cSysTray(const cSysTray&) = delete;
  cSysTray& operator=(const cSysTray&) = delete;

  bool InTray() const { return inTray_; }
  void setInTray(bool Show);
  const std::string& TrayTip() const { return tip_; }
  void setTrayTip(std::string_view Tip);
  bool TrayIcon() const { return hasIcon_; }
  // The application icon is the only picture; anything else is ignored, as the control does.
  void setTrayIcon(bool isIconPicture);

  // Shows a balloon and, with ShowTimer > 0, waits (letting messages run) until it is gone or the
  // time is over. Throws std::overflow_error when ShowTimer * 1000 does not fit 32 bits.
  void ShowBalloon(std::string_view Tip, std::string_view sTitle, std::int32_t ShowTimer,
                   bool ShowOnce);

  // One shell notification (code as TrayNotification, identifier).
  void TrayCallback(int code, int id);

  // The icon's menu. With one, the right button opens it, and only it: its events are not raised,
  // since a window raised at the same moment would take the focus and close the menu again.
  void setMenu(std::vector<TrayMenuEntry> entries);

  // Whether the desktop shows tray icons at all, asked anew each time: a tray may come later.
  bool TrayAvailable() const { return shell_.available(); }
  bool IconInTray() const { return iconInTray_; }
  bool BalloonVisible() const { return balloonVisible_; }
  std::int32_t BalloonOnceCount() const { return balloonOnceCount_; }

  // Events; Button is 1 (left) or 2 (right).
  std::function<void(int Id)> MouseMove;
  std::function<void(int Button, int Id)> MouseDown;
  std::function<void(int Button, int Id)> MouseUp;
  std::function<void(int Button, int Id)> MouseDblClick;

 private:
  // Whether `code` belongs to the menu, which it then opens when the click calls for it.
  bool takenByMenu(int code);

  TrayShell& shell_;
  MessageLoop& messageLoop_;
  const Clock& clock_;
  bool inTray_ = false;
  bool iconInTray_ = false;
  bool hasIcon_ = true;
  bool balloonVisible_ = false;
  std::vector<TrayMenuEntry> menu_;
  bool menuOpen_ = false;
  std::int32_t balloonOnceCount_ = 0;
  std::string tip_{DefaultTip};
};

}  // namespace tg
