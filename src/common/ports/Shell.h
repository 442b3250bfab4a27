#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tg {

// The desktop's shell: start programs and open documents and web addresses without waiting.
class Shell {
 public:
  virtual ~Shell() = default;
  // Opens a plain-text file in the user's text editor; throws when it cannot be started.
  virtual void openInTextEditor(std::string_view path) = 0;
  // Opens a web address in the default browser; throws when it cannot be started.
  virtual void openWebAddress(std::string_view url) = 0;
  // Starts the browser on a web address out of the user's way (minimised where the desktop
  // allows); nothing waits for it. Throws when it cannot be started.
  virtual void openWebAddressInBackground(std::string_view url) { openWebAddress(url); }
  // Opens a document with the desktop's application for its kind; throws when it cannot.
  virtual void openDocument(std::string_view path) = 0;
  // Opens the file manager on the file's folder with the file selected, or on the folder alone
  // where the file manager cannot select; throws when none can be started.
  virtual void showInFileManager(std::string_view path) = 0;
  // The user's desktop folder; std::nullopt when it cannot be determined.
  virtual std::optional<std::string> desktopFolder() const = 0;
  // The folder that holds the running program.
  virtual std::string programFolder() const = 0;
  // Ends the program at once, without the window's closing steps.
  [[noreturn]] virtual void endProgram() = 0;
};

}  // namespace tg
