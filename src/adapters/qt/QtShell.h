#pragma once
// The desktop's shell: the default handlers for text files and web addresses, the desktop and
// program folders, and the program's immediate end.

#include <functional>

#include "common/ports/Shell.h"

namespace tg {

class QtShell : public Shell {
 public:
  void openInTextEditor(std::string_view path) override;
  void openWebAddress(std::string_view url) override;
  void openDocument(std::string_view path) override;
  // Through the desktop's file manager service (org.freedesktop.FileManager1), which selects
  // the file; where none answers, the folder opens in the default file manager.
  void showInFileManager(std::string_view path) override;
  // The XDG desktop folder when it exists, else the home folder.
  std::optional<std::string> desktopFolder() const override;
  std::string programFolder() const override;
  [[noreturn]] void endProgram() override;

  // Runs just before the end (to release the single-instance lock); nothing else is flushed.
  std::function<void()> beforeEnd;
};

}  // namespace tg
