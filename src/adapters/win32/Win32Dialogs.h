#pragma once
// Message boxes through MessageBoxA and the folder chooser through SHBrowseForFolderA, both modal:
// the window cannot be used while one is open.

#include <windows.h>

#include <string>

#include "common/ports/Dialogs.h"

namespace tg {

class Win32Dialogs : public Dialogs {
 public:
  explicit Win32Dialogs(HWND owner = nullptr) : owner_(owner) {}
  // The window may be created after the dialogs; until then the boxes are task-modal.
  void setOwner(HWND owner) { owner_ = owner; }

  MessageAnswer messageBox(std::string_view text, std::string_view title, MessageButtons buttons,
                           MessageIcon icon) override;
  // Starts at `initialFolder`, or at the desktop when it is empty; "" when the user cancels or
  // the choice is not a folder on disk.
  std::string browseForFolder(std::string_view prompt, std::string_view initialFolder) override;

 private:
  HWND shownOwner() const;
  HWND owner_;
};

}  // namespace tg
