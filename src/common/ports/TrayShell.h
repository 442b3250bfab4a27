#pragma once
// The desktop's notification area, as the tray icon control needs it.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tg {

// Notification codes delivered to the tray control, as the Windows shell numbers them.
enum TrayNotification : int {
  TrayContextMenu = 0x7B,  // the keyboard's or the shell's request for the icon's menu
  TrayMouseMove = 0x200,
  TrayLeftButtonDown = 0x201,
  TrayLeftButtonUp = 0x202,
  TrayLeftButtonDoubleClick = 0x203,
  TrayRightButtonDown = 0x204,
  TrayRightButtonUp = 0x205,
  TrayRightButtonDoubleClick = 0x206,
  TrayBalloonShow = 0x402,
  TrayBalloonHide = 0x403,
  TrayBalloonTimeout = 0x404,
  TrayBalloonUserClick = 0x405,
};

class TrayShell {
 public:
  virtual ~TrayShell() = default;
  virtual void addIcon(std::string_view tip, bool withIcon) = 0;
  virtual void setIcon() = 0;
  virtual void setTip(std::string_view tip) = 0;
  virtual void showBalloon(std::string_view text, std::string_view title, int timeoutMs) = 0;
  virtual void withdrawBalloon() = 0;
  virtual void deleteIcon() = 0;
  // False while the desktop offers no notification area: an icon added then shows when one
  // appears.
  virtual bool available() const { return true; }
  // The control's callback for every notification (code, identifier).
  virtual void onNotification(std::function<void(int code, int id)> callback) = 0;

  // The icon's menu, its captions in order; an empty list: no menu.
  virtual void setMenu(std::vector<std::string> captions) = 0;
  // Opens the menu where the pointer is, when the desktop has not opened it on the click itself.
  virtual void openMenu() = 0;
  // The control's callback for the entry chosen, by its position.
  virtual void onMenuChoice(std::function<void(std::size_t position)> callback) = 0;
};

}  // namespace tg
