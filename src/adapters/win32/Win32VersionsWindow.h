#pragma once
// The Versions window on Windows: the filter box over the documents on the left, the chosen
// document's copies on the right, the status line and the buttons below. A resizable top-level
// window laid out at its monitor's DPI, made each time it is opened and freed when closed. Tab
// and the arrow keys move between its controls as in a dialog; Escape closes it.

#include <optional>
#include <string>

#include "adapters/win32/Win32Buttons.h"
#include "adapters/win32/Win32Dialogs.h"
#include "adapters/win32/Win32ListView.h"
#include "adapters/win32/Win32MessageLoop.h"
#include "adapters/win32/Win32TextControls.h"
#include "adapters/win32/Win32Window.h"
#include "common/ports/VersionsView.h"

namespace tg {

class Win32VersionsWindow : public VersionsView {
 public:
  // The loop hands the window's keys to it while it exists.
  explicit Win32VersionsWindow(Win32MessageLoop& messageLoop);
  ~Win32VersionsWindow() override;
  Win32VersionsWindow(const Win32VersionsWindow&) = delete;
  Win32VersionsWindow& operator=(const Win32VersionsWindow&) = delete;

  void showDocuments(const std::vector<DocumentRow>& rows) override;
  void showCopies(const std::vector<CopyRow>& rows) override;
  void chooseDocument(int row) override { documentList.choose(row); }
  void chooseCopy(int row) override { copyList.choose(row); }
  void enableCopyActions(bool open, bool showInFolder, bool saveAs) override;
  void setStatus(std::string_view text) override;
  // The system's save dialog, which asks before it lets a file be replaced.
  std::optional<std::string> askWhereToSave(std::string_view suggestedPath) override;
  void tell(std::string_view text) override;
  void bringToFront() override;
  // In pixels at 100 %, so a size kept at one DPI fits the window at another.
  WindowSize size() const override;
  void setSize(WindowSize size) override;

  HWND handle() const { return frame_.handle; }
  int dpi() const { return dpi_; }

 private:
  // The top-level window, destroyed after its controls.
  struct OwnedWindow {
    HWND handle;
    ~OwnedWindow() { DestroyWindow(handle); }
  };
  struct OwnedFont {
    HFONT font = nullptr;
    ~OwnedFont() { reset(nullptr); }
    void reset(HFONT replacement);
  };
  static HWND CreateFrame();
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  std::optional<LRESULT> answer(UINT message, WPARAM wParam, LPARAM lParam);
  void connect();
  void useDpi(int dpi);
  void layOut();
  int scaled(int pixelsAt100) const;
  void activated(bool active);

  Win32MessageLoop& messageLoop_;
  OwnedWindow frame_{CreateFrame()};
  OwnedFont font_;
  UniqueIcon smallIcon_;
  UniqueIcon bigIcon_;
  int dpi_ = 96;
  HWND focusBeforeLeaving_ = nullptr;

 public:
  // The controls in the keyboard's order, for the tests that drive them as a user would.
  Win32Label findLabel{frame_.handle, VersionsCaptions::Filter};
  Win32TextBox filterBox{frame_.handle, ""};
  Win32RowList documentList{frame_.handle};
  Win32RowList copyList{frame_.handle};
  Win32Label statusLine{frame_.handle, ""};
  Win32PushButton openButton{frame_.handle};
  Win32PushButton showInFolderButton{frame_.handle};
  Win32PushButton saveAsButton{frame_.handle};
  Win32PushButton closeButton{frame_.handle};

 private:
  Win32Dialogs dialogs_{frame_.handle};
};

}  // namespace tg
