#include "adapters/win32/Win32Dialogs.h"

// windows.h first: the shell header builds on it.
// clang-format off
#include <windows.h>
#include <shlobj.h>
// clang-format on

#include <algorithm>
#include <iterator>
#include <string>

#include "adapters/win32/ComAutomation.h"

namespace tg {
namespace {

// The static text of a box breaks lines at CR LF only: a lone CR or LF becomes CR LF.
std::string MessageBoxText(std::string_view text) {
  std::string shown;
  shown.reserve(text.size() + text.size() / 8);
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      shown += "\r\n";
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      shown += "\r\n";
    } else {
      shown += c;
    }
  }
  return shown;
}

UINT MessageBoxStyle(MessageButtons buttons, MessageIcon icon, bool owned) {
  UINT style = buttons == MessageButtons::YesNo ? MB_YESNO | MB_DEFBUTTON1 : MB_OK;
  if (icon == MessageIcon::Warning) style |= MB_ICONEXCLAMATION;
  // An owned box disables its owner; without one, task-modal disables every window of the thread.
  style |= owned ? MB_APPLMODAL : MB_TASKMODAL;
  return style | MB_SETFOREGROUND;
}

// The folder the chooser opens with: set by every call, read while the dialog opens. A thread has
// one modal chooser open at a time.
thread_local std::string InitialFolder;

// Preselects InitialFolder once the dialog is up. An empty one preselects nothing: it names no
// folder, and it is not handed to the shell, which may read it as the computer itself. The status
// text follows the selection, for a dialog that shows one (this one asks for none). Never disturbs
// the dialog: it always answers 0.
int CALLBACK BrowseCallbackProc(HWND dialog, UINT message, LPARAM parameter, LPARAM /*data*/) {
  if (message == BFFM_INITIALIZED && !InitialFolder.empty()) {
    SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(InitialFolder.c_str()));
  } else if (message == BFFM_SELCHANGED) {
    char path[MAX_PATH];
    std::fill(std::begin(path), std::end(path), ' ');
    if (SHGetPathFromIDListA(reinterpret_cast<LPCITEMIDLIST>(parameter), path) == 1) {
      SendMessageA(dialog, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(path));
    }
  }
  return 0;
}

// The folder on disk an item stands for, or "" for anything else (a printer, the computer).
std::string FolderOnDisk(LPCITEMIDLIST item) {
  char path[MAX_PATH] = "";
  if (!SHGetPathFromIDListA(item, path)) return "";
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return "";
  return path;
}

}  // namespace

// A window hidden in the tray (or not shown yet, at start-up) owns no dialog: the dialog stands on
// its own, in front, and the window stays where the user put it.
HWND Win32Dialogs::shownOwner() const {
  return owner_ != nullptr && IsWindowVisible(owner_) ? owner_ : nullptr;
}

MessageAnswer Win32Dialogs::messageBox(std::string_view text, std::string_view title,
                                       MessageButtons buttons, MessageIcon icon) {
  const std::string shown = MessageBoxText(text);
  const std::string caption(title);
  const HWND owner = shownOwner();
  const int answer = MessageBoxA(owner, shown.c_str(), caption.c_str(),
                                 MessageBoxStyle(buttons, icon, owner != nullptr));
  if (buttons == MessageButtons::Ok) return MessageAnswer::Ok;
  return answer == IDYES ? MessageAnswer::Yes : MessageAnswer::No;
}

std::string Win32Dialogs::browseForFolder(std::string_view prompt, std::string_view initialFolder) {
  ComApartment apartment;  // the dialog's folder tree needs COM on this thread
  InitialFolder = std::string(initialFolder);
  const std::string title(prompt);
  BROWSEINFOA browse{};
  browse.hwndOwner = shownOwner();
  browse.lpszTitle = title.c_str();
  browse.ulFlags = BIF_RETURNONLYFSDIRS;  // only folders on disk can be confirmed
  browse.lpfn = BrowseCallbackProc;
  LPITEMIDLIST chosen = SHBrowseForFolderA(&browse);
  if (chosen == nullptr) return "";
  std::string folder = FolderOnDisk(chosen);
  CoTaskMemFree(chosen);
  return folder;
}

}  // namespace tg
