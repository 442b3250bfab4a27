#include "desktop/cSysTray.h"

#include <limits>
#include <stdexcept>

namespace tg {

namespace {

// The shell's record holds fixed text fields with a terminating NUL inside, so only this many
// characters of each text reach the desktop.
constexpr std::size_t TipCharacters = 127;
constexpr std::size_t BalloonTextCharacters = 255;
constexpr std::size_t BalloonTitleCharacters = 63;

bool IsContinuationByte(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

// The first `characters` characters of a UTF-8 text; a character is never split.
std::string_view FirstCharacters(std::string_view text, std::size_t characters) {
  std::size_t counted = 0;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (IsContinuationByte(text[at])) continue;
    if (counted == characters) return text.substr(0, at);
    ++counted;
  }
  return text;
}

std::int32_t BalloonTimeoutMs(std::int32_t ShowTimer) {
  if (ShowTimer <= 0) return 0;
  if (ShowTimer > std::numeric_limits<std::int32_t>::max() / 1000) {
    throw std::overflow_error("The balloon cannot be shown for so many seconds.");
  }
  return ShowTimer * 1000;
}

}  // namespace

cSysTray::cSysTray(TrayShell& shell, MessageLoop& messageLoop, const Clock& clock)
    : shell_(shell), messageLoop_(messageLoop), clock_(clock) {
  shell_.onNotification([this](int code, int id) { TrayCallback(code, id); });
  shell_.onMenuChoice([this](std::size_t position) {
    if (position >= menu_.size()) return;
    const std::function<void()> action = menu_[position].action;  // it may replace the menu
    if (action) action();
  });
}

cSysTray::~cSysTray() {
  if (inTray_) setInTray(false);
  shell_.onNotification({});
  shell_.onMenuChoice({});
}

void cSysTray::setMenu(std::vector<TrayMenuEntry> entries) {
  menu_ = std::move(entries);
  std::vector<std::string> captions;
  for (const TrayMenuEntry& entry : menu_) captions.emplace_back(entry.caption);
  shell_.setMenu(std::move(captions));
}

void cSysTray::setInTray(bool Show) {
  if (Show == inTray_) return;
  if (Show) {
    shell_.addIcon(FirstCharacters(tip_, TipCharacters), hasIcon_);
    iconInTray_ = true;
  } else if (iconInTray_) {
    shell_.deleteIcon();
    iconInTray_ = false;
  }
  inTray_ = Show;
}

void cSysTray::setTrayTip(std::string_view Tip) {
  if (iconInTray_) shell_.setTip(FirstCharacters(Tip, TipCharacters));
  tip_ = std::string(Tip);
}

void cSysTray::setTrayIcon(bool isIconPicture) {
  if (!isIconPicture) return;
  if (iconInTray_) shell_.setIcon();
  hasIcon_ = true;
}

void cSysTray::ShowBalloon(std::string_view Tip, std::string_view sTitle, std::int32_t ShowTimer,
                           bool ShowOnce) {
  if (ShowOnce && balloonOnceCount_ >= 1) return;
  const std::int32_t timeoutMs = BalloonTimeoutMs(ShowTimer);
  // Set first, so that a desktop answering inside the call itself is not overwritten.
  balloonVisible_ = true;
  shell_.showBalloon(FirstCharacters(Tip, BalloonTextCharacters),
                     FirstCharacters(sTitle, BalloonTitleCharacters), timeoutMs);
  if (ShowOnce) ++balloonOnceCount_;
  if (ShowTimer <= 0) return;
  // The desktop's balloon notifications arrive while messages run and end the wait early.
  const double started = clock_.secondsSinceStart();
  while (balloonVisible_ && clock_.secondsSinceStart() - started < ShowTimer) {
    messageLoop_.yield();
  }
  // Only the desktop's hide notification clears the flag, so it stays set after a withdrawal.
  if (balloonVisible_) shell_.withdrawBalloon();
}

bool cSysTray::takenByMenu(int code) {
  if (menu_.empty()) return false;
  switch (code) {
    case TrayRightButtonUp:
    case TrayContextMenu:
      // A desktop whose menu runs a loop of its own may report another click meanwhile.
      if (menuOpen_) return true;
      menuOpen_ = true;
      shell_.openMenu();
      menuOpen_ = false;
      return true;
    case TrayRightButtonDown:
    case TrayRightButtonDoubleClick:
      return true;
    default:
      return false;
  }
}

void cSysTray::TrayCallback(int code, int id) {
  auto raise = [](const auto& event, auto... args) {
    if (event) event(args...);
  };
  if (takenByMenu(code)) return;
  switch (code) {
    case TrayMouseMove:
      return raise(MouseMove, id);
    case TrayLeftButtonDown:
      return raise(MouseDown, 1, id);
    case TrayLeftButtonUp:
      return raise(MouseUp, 1, id);
    case TrayLeftButtonDoubleClick:
      return raise(MouseDblClick, 1, id);
    case TrayRightButtonDown:
      return raise(MouseDown, 2, id);
    case TrayRightButtonUp:
      return raise(MouseUp, 2, id);
    case TrayRightButtonDoubleClick:
      return raise(MouseDblClick, 2, id);
    case TrayBalloonHide:
    case TrayBalloonTimeout:
    case TrayBalloonUserClick:
      balloonVisible_ = false;
      return;
    default:
      return;  // the middle button and the balloon-shown notice mean nothing here
  }
}

}  // namespace tg
