#pragma once
// Dialogs for tests: records every message box and answers from a script.

#include <deque>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "common/ports/Dialogs.h"

namespace tg {

struct ShownMessage {
  std::string text;
  std::string title;
  MessageButtons buttons;
  MessageIcon icon;
};

// Test failures show what the message said.
inline void PrintTo(const ShownMessage& message, std::ostream* out) {
  *out << '"' << message.title << ": " << message.text << '"';
}

class RecordingDialogs : public Dialogs {
 public:
  MessageAnswer messageBox(std::string_view text, std::string_view title, MessageButtons buttons,
                           MessageIcon icon) override;
  std::string browseForFolder(std::string_view prompt, std::string_view initialFolder) override;

  std::vector<ShownMessage> messages;
  std::vector<std::string> folderPrompts;
  std::vector<std::string> folderInitials;
  // Answers given in order; when empty: Yes for Yes/No, Ok otherwise / "" (cancel) for folders.
  std::deque<MessageAnswer> answers;
  std::deque<std::string> folderAnswers;
  // Runs while a dialog is "open", as the real modal dialogs run the message loop.
  std::function<void()> whileOpen;
};

}  // namespace tg
