#pragma once
// The Windows shell: notepad for the history log, the default browser for web addresses, the
// user's applications for documents, Explorer for a file's folder, the desktop folder, the
// program's own folder.

// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include <functional>
#include <string>

#include "common/ports/Shell.h"

namespace tg {

class Win32Shell : public Shell {
 public:
  // `executable`: the full path of the running program.
  explicit Win32Shell(std::string executable) : executable_(std::move(executable)) {}

  // "notepad" and the quoted path, started without waiting.
  void openInTextEditor(std::string_view path) override;
  // The shell's default action on the quoted address, from the main window, in "C:\"; its
  // outcome is not examined: the program ends right after, whatever it was.
  void openWebAddress(std::string_view url) override;
  // "explorer" and the quoted address, started minimised and active, without waiting.
  void openWebAddressInBackground(std::string_view url) override;
  // The shell's "open" on the file: the application the user has for its kind.
  void openDocument(std::string_view path) override;
  // Explorer on the file's folder with the file selected, without waiting; the folder alone
  // when Explorer cannot be started.
  void showInFileManager(std::string_view path) override;
  std::optional<std::string> desktopFolder() const override;
  std::string programFolder() const override;
  [[noreturn]] void endProgram() override;

  // The window the shell's own windows belong to.
  void setOwner(HWND owner) { owner_ = owner; }

  // The command lines openInTextEditor and openWebAddressInBackground start.
  static std::string TextEditorCommand(std::string_view path);
  static std::string BackgroundBrowserCommand(std::string_view url);
  static std::string FileManagerCommand(std::string_view path);

  // The shell's calls, replaceable so that a test sees what would be started.
  std::function<HINSTANCE(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT)> shellExecute = ShellExecuteA;
  std::function<bool(const std::string& commandLine, WORD show)> startCommandLine =
      StartCommandLine;

 private:
  static bool StartCommandLine(const std::string& commandLine, WORD show);

  std::string executable_;
  HWND owner_ = nullptr;
};

}  // namespace tg
