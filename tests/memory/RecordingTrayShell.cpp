#include "memory/RecordingTrayShell.h"

#include <algorithm>

namespace tg {

void RecordingTrayShell::addIcon(std::string_view tip, bool withIcon) {
  calls.push_back({TrayCall::AddIcon, std::string(tip), "", 0, withIcon});
  iconShown_ = true;
}

void RecordingTrayShell::setIcon() { calls.push_back({TrayCall::SetIcon, "", "", 0, false}); }

void RecordingTrayShell::setTip(std::string_view tip) {
  calls.push_back({TrayCall::SetTip, std::string(tip), "", 0, false});
}

void RecordingTrayShell::showBalloon(std::string_view text, std::string_view title, int timeoutMs) {
  calls.push_back({TrayCall::ShowBalloon, std::string(text), std::string(title), timeoutMs, false});
  if (whenBalloonShown) whenBalloonShown();
}

void RecordingTrayShell::withdrawBalloon() {
  calls.push_back({TrayCall::WithdrawBalloon, "", "", 0, false});
}

void RecordingTrayShell::deleteIcon() {
  calls.push_back({TrayCall::DeleteIcon, "", "", 0, false});
  iconShown_ = false;
}

void RecordingTrayShell::onNotification(std::function<void(int code, int id)> callback) {
  callback_ = std::move(callback);
}

void RecordingTrayShell::openMenu() {
  ++menusOpened;
  if (!whenMenuOpened) return;
  const std::optional<std::size_t> chosen = whenMenuOpened();
  if (chosen && menuChoice_) menuChoice_(*chosen);
}

void RecordingTrayShell::notify(int code, int id) {
  if (callback_) callback_(code, id);
}

void RecordingTrayShell::leftClick(int id) {
  notify(TrayLeftButtonDown, id);
  notify(TrayLeftButtonUp, id);
}

int RecordingTrayShell::count(TrayCall kind) const {
  return static_cast<int>(std::count_if(calls.begin(), calls.end(),
                                        [kind](const auto& call) { return call.kind == kind; }));
}

const RecordedTrayCall* RecordingTrayShell::last(TrayCall kind) const {
  auto found = std::find_if(calls.rbegin(), calls.rend(),
                            [kind](const auto& call) { return call.kind == kind; });
  return found == calls.rend() ? nullptr : &*found;
}

}  // namespace tg
