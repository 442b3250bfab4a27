#include "memory/RecordingDialogs.h"

namespace tg {

MessageAnswer RecordingDialogs::messageBox(std::string_view text, std::string_view title,
                                           MessageButtons buttons, MessageIcon icon) {
  messages.push_back({std::string(text), std::string(title), buttons, icon});
  if (whileOpen) whileOpen();
  if (!answers.empty()) {
    MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
}

std::string RecordingDialogs::browseForFolder(std::string_view prompt,
                                              std::string_view initialFolder) {
  folderPrompts.emplace_back(prompt);
  folderInitials.emplace_back(initialFolder);
  if (whileOpen) whileOpen();
  if (folderAnswers.empty()) return "";
  std::string answer = folderAnswers.front();
  folderAnswers.pop_front();
  return answer;
}

}  // namespace tg
