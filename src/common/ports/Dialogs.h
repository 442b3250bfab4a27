#pragma once
// Modal dialogs: message boxes and the folder chooser. Every one of them runs the message loop
// while it is open, so callers must expect re-entry.

#include <string>
#include <string_view>

namespace tg {

enum class MessageButtons { Ok, YesNo };
enum class MessageIcon { None, Warning };
enum class MessageAnswer { Ok, Yes, No };

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // `text` may hold CR LF and lone CR line breaks; a lone CR breaks the line too.
  virtual MessageAnswer messageBox(std::string_view text, std::string_view title,
                                   MessageButtons buttons, MessageIcon icon) = 0;
  // Returns the chosen directory, or "" when the user cancels.
  virtual std::string browseForFolder(std::string_view prompt, std::string_view initialFolder) = 0;
};

}  // namespace tg
