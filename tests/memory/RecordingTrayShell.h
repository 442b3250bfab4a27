#pragma once
// A tray shell for tests: records every call in order and delivers notifications on demand, so a
// test can play the desktop's part (a click on the icon, a balloon that timed out).

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/ports/TrayShell.h"

namespace tg {

enum class TrayCall { AddIcon, SetIcon, SetTip, ShowBalloon, WithdrawBalloon, DeleteIcon };

struct RecordedTrayCall {
  TrayCall kind;
  std::string text;   // tip (add, set tip) or balloon text
  std::string title;  // balloon title
  int timeoutMs = 0;
  bool withIcon = false;  // add only
};

class RecordingTrayShell : public TrayShell {
 public:
  void addIcon(std::string_view tip, bool withIcon) override;
  void setIcon() override;
  void setTip(std::string_view tip) override;
  void showBalloon(std::string_view text, std::string_view title, int timeoutMs) override;
  void withdrawBalloon() override;
  void deleteIcon() override;
  void onNotification(std::function<void(int code, int id)> callback) override;
  bool available() const override { return trayAvailable; }
  void setMenu(std::vector<std::string> captions) override { menu = std::move(captions); }
  void openMenu() override;
  void onMenuChoice(std::function<void(std::size_t position)> callback) override {
    menuChoice_ = std::move(callback);
  }

  // Plays the desktop: hands one notification to the control, as a click or a balloon event would.
  void notify(int code, int id = 0);
  // The left click of a desktop: button 1 down, then up.
  void leftClick(int id = 0);

  bool iconShown() const { return iconShown_; }
  int count(TrayCall kind) const;
  const RecordedTrayCall* last(TrayCall kind) const;

  std::vector<RecordedTrayCall> calls;
  bool trayAvailable = true;  // false: a desktop without a notification area
  // Runs inside showBalloon, after it was recorded (e.g. to notify at once).
  std::function<void()> whenBalloonShown;
  std::vector<std::string> menu;  // the captions last given
  int menusOpened = 0;
  // Plays the user in the open menu: the entry chosen, by position; none closes it unchosen.
  std::function<std::optional<std::size_t>()> whenMenuOpened;

 private:
  std::function<void(int, int)> callback_;
  std::function<void(std::size_t)> menuChoice_;
  bool iconShown_ = false;
};

}  // namespace tg
