#include "backup/ClosingCopySurface.h"

#include "backup/PassProtocol.h"

namespace tg {

// Told, not asked: a question no one answered is taken as "No".
MessageAnswer ClosingCopySurface::messageBox(std::string_view text, std::string_view title,
                                             MessageButtons buttons, MessageIcon icon) {
  send_(EncodePassMessage(
      {PassVerb::Message,
       {std::string(text), std::string(title), std::to_string(static_cast<int>(buttons)),
        std::to_string(static_cast<int>(icon)), ""}}));
  return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
}

std::string ClosingCopySurface::browseForFolder(std::string_view, std::string_view) {
  return unsavedFolder_;
}

void ClosingCopySurface::copied(const std::string& historyLine) {
  send_(EncodePassMessage({PassVerb::Logged, {historyLine}}));
}

void ClosingCopySurface::skipped(const std::string& fileName, const std::string& folder) {
  send_(EncodePassMessage({PassVerb::Skipped, {fileName, folder}}));
}

}  // namespace tg
