#pragma once
// The Windows shell: notepad for the history log, the default browser for web addresses, the
// desktop folder, the program's own folder.

#include <string>

#include "common/ports/Shell.h"

namespace tg {

class Win32Shell : public Shell {
 public:
  // `executable`: the full path of the running program.
  explicit Win32Shell(std::string executable) : executable_(std::move(executable)) {}

  // "notepad" and the quoted path, started without waiting.
  void openInTextEditor(std::string_view path) override;
  void openWebAddress(std::string_view url) override;
  std::optional<std::string> desktopFolder() const override;
  std::string programFolder() const override;
  [[noreturn]] void endProgram() override;

  // The command line openInTextEditor starts.
  static std::string TextEditorCommand(std::string_view path);

 private:
  std::string executable_;
};

}  // namespace tg
