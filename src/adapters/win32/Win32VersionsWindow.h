#pragma once
// The Versions window on Windows: the filter box over the documents on the left, the chosen
// document's copies on the right, the status line and two rows of buttons below: what is done
// with the workbook (compare, restore, keep), then the ways back to a copy. A resizable
// top-level window laid out at its monitor's DPI, made each time it is opened and freed when
// closed. Tab and the arrow keys move between its controls as in a dialog; Escape closes it. A
// right click on a copy (or Shift+F10, or the menu key) offers every action on it in a menu.
// What changed between two versions shows in a window of its own, in front of this one.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "adapters/win32/Win32Buttons.h"
#include "adapters/win32/Win32Dialogs.h"
#include "adapters/win32/Win32ListView.h"
#include "adapters/win32/Win32MessageLoop.h"
#include "adapters/win32/Win32TextControls.h"
#include "adapters/win32/Win32Window.h"
#include "common/ports/VersionsView.h"

namespace tg {

// A top-level window of the program's, destroyed after its controls.
struct OwnedTopWindow {
  HWND handle;
  ~OwnedTopWindow() { DestroyWindow(handle); }
};

// A font a window made for its controls, deleted once they no longer use it.
struct OwnedFont {
  HFONT font = nullptr;
  OwnedFont() = default;
  explicit OwnedFont(HFONT owned) : font(owned) {}
  OwnedFont(const OwnedFont&) = delete;
  OwnedFont& operator=(const OwnedFont&) = delete;
  ~OwnedFont() { reset(nullptr); }
  void reset(HFONT replacement);
};

// What changed between two versions: a line that says between what, the changes one a row
// (sheet, cell, before, after), and Close. Owned by the Versions window, so it stays in front of
// it and goes with it; Close or Escape hides it.
class Win32ChangesWindow {
 public:
  Win32ChangesWindow(Win32MessageLoop& messageLoop, HWND owner, std::string_view title,
                     const std::vector<ChangeRow>& rows);
  ~Win32ChangesWindow();
  Win32ChangesWindow(const Win32ChangesWindow&) = delete;
  Win32ChangesWindow& operator=(const Win32ChangesWindow&) = delete;

  HWND handle() const { return frame_.handle; }

 private:
  static HWND CreateFrame(HWND owner);
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  std::optional<LRESULT> answer(UINT message, WPARAM wParam, LPARAM lParam);
  void useDpi(int dpi);
  void layOut();
  int scaled(int pixelsAt100) const;

  Win32MessageLoop& messageLoop_;
  OwnedTopWindow frame_;
  OwnedFont font_;
  UniqueIcon smallIcon_;
  UniqueIcon bigIcon_;
  int dpi_ = 96;

 public:
  // The controls in the keyboard's order.
  Win32Label heading{frame_.handle, ""};
  Win32RowList changeList{frame_.handle};
  Win32PushButton closeButton{frame_.handle};
};

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
  void enableWorkActions(bool compare, bool comparePrevious, bool restore, bool keep,
                         bool kept) override;
  bool formulasChosen() const override;
  // A question whose answer is No unless the user picks Yes: Enter alone never says Yes.
  bool confirm(std::string_view text) override;
  // Replaces the window of the comparison before.
  void showChanges(std::string_view title, const std::vector<ChangeRow>& rows) override;
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
  // The window of the last comparison, while there is one; it may be hidden.
  const Win32ChangesWindow* changesWindow() const { return changes_.get(); }

 private:
  static HWND CreateFrame();
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  std::optional<LRESULT> answer(UINT message, WPARAM wParam, LPARAM lParam);
  void connect();
  void useDpi(int dpi);
  void layOut();
  int scaled(int pixelsAt100) const;
  void activated(bool active);
  void showCopyMenu(LPARAM at);

  Win32MessageLoop& messageLoop_;
  OwnedTopWindow frame_{CreateFrame()};
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
  Win32PushButton compareButton{frame_.handle};
  Win32PushButton comparePreviousButton{frame_.handle};
  Win32CheckBox formulasBox{frame_.handle, VersionsCaptions::Formulas};
  Win32PushButton restoreButton{frame_.handle};
  Win32ToggleButton keepButton{frame_.handle, VersionsCaptions::Keep};
  Win32PushButton openButton{frame_.handle};
  Win32PushButton showInFolderButton{frame_.handle};
  Win32PushButton saveAsButton{frame_.handle};
  Win32PushButton closeButton{frame_.handle};

 private:
  Win32Dialogs dialogs_{frame_.handle};
  std::unique_ptr<Win32ChangesWindow> changes_;  // freed before the controls and the window
};

}  // namespace tg
