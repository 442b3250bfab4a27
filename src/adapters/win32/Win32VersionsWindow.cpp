#include "adapters/win32/Win32VersionsWindow.h"

#include <algorithm>

// windows.h first: the dialog header builds on it.
// clang-format off
#include <windows.h>
#include <commdlg.h>
#include <windowsx.h>
// clang-format on

#include "adapters/win32/ComAutomation.h"
#include "adapters/win32/Win32Dpi.h"
#include "adapters/win32/WinError.h"
#include "common/Globals.h"

namespace tg {
namespace {

const char* const WindowClass = "TallyguardVersionsWindow";
const char* const ChangesWindowClass = "TallyguardChangesWindow";
constexpr DWORD WindowStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr DWORD WindowExtendedStyle = WS_EX_CONTROLPARENT;
// Posted by a close, so the owner hears of it outside the window's own events.
constexpr UINT ClosedLater = WM_APP + 1;
// Sizes at 100 %.
constexpr WindowSize FirstSize{900, 480};
constexpr WindowSize SmallestSize{520, 300};
constexpr WindowSize ChangesSize{760, 420};
constexpr WindowSize SmallestChangesSize{360, 200};

// The entries of the copies' menu, by the number each hands back.
enum CopyMenuEntry : UINT {
  MenuOpen = 1,
  MenuShowInFolder,
  MenuSaveAs,
  MenuCompare,
  MenuComparePrevious,
  MenuRestore,
  MenuKeep
};

HFONT DialogFont(int dpi) {
  return CreateFontA(FontHeightAt(9, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_SWISS, "MS Shell Dlg 2");
}

void Raise(const std::function<void()>& handler) {
  if (handler) handler();
}

std::vector<std::string> Cells(const DocumentRow& row) {
  return {row.name, row.folder, row.newestCopy};
}

std::vector<std::string> Cells(const CopyRow& row) {
  return {row.madeAt, row.present ? row.size : "gone", row.folder};
}

std::vector<std::string> Cells(const ChangeRow& row) {
  return {row.sheet, row.place, row.before, row.after};
}

}  // namespace

void OwnedFont::reset(HFONT replacement) {
  if (font) DeleteObject(font);
  font = replacement;
}

HWND Win32ChangesWindow::CreateFrame(HWND owner) {
  RegisterWindowClass(ChangesWindowClass, WindowProc, true);
  const HWND created = CreateWindowExA(
      WindowExtendedStyle, ChangesWindowClass, std::string(VersionsCaptions::ChangesWindow).c_str(),
      WindowStyle, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
      GetModuleHandleA(nullptr), nullptr);
  if (created == nullptr) {
    throw WinError(GetLastError(), "The window of what changed could not be created: " +
                                       SystemMessage(GetLastError()));
  }
  return created;
}

Win32ChangesWindow::Win32ChangesWindow(Win32MessageLoop& messageLoop, HWND owner,
                                       std::string_view title, const std::vector<ChangeRow>& rows)
    : messageLoop_(messageLoop), frame_{CreateFrame(owner)} {
  SetWindowTextUtf8(heading.handle(), "What changed " + std::string(title) + ":");
  changeList.addColumn(VersionsCaptions::ChangesSheet, 1400);
  changeList.addColumn(VersionsCaptions::ChangesPlace, 1800);
  changeList.addColumn(VersionsCaptions::ChangesBefore, 3000);
  changeList.addColumn(VersionsCaptions::ChangesAfter, 3000);
  std::vector<std::vector<std::string>> cells;
  cells.reserve(rows.size());
  for (const ChangeRow& row : rows) cells.push_back(Cells(row));
  changeList.showRows(cells);
  closeButton.setCaption(VersionsCaptions::Close);
  // Escape is the dialog keys' "cancel", which presses the control of that number.
  SetWindowLongPtrA(closeButton.handle(), GWLP_ID, IDCANCEL);
  closeButton.onClick([this] { SendMessageA(handle(), WM_CLOSE, 0, 0); });
  SetWindowLongPtrA(handle(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  useDpi(DpiOf(handle()));
  SetWindowPos(handle(), nullptr, 0, 0, scaled(ChangesSize.width), scaled(ChangesSize.height),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  messageLoop_.addDialogWindow(handle());
  ShowWindow(handle(), SW_SHOW);
  SetForegroundWindow(handle());
  // The keys go to the changes, the first one chosen, for the arrow keys to go on from.
  SetFocus(changeList.handle());
  changeList.choose(0);
}

Win32ChangesWindow::~Win32ChangesWindow() {
  messageLoop_.removeDialogWindow(handle());
  SetWindowLongPtrA(handle(), GWLP_USERDATA, 0);
}

int Win32ChangesWindow::scaled(int pixelsAt100) const {
  return MulDiv(pixelsAt100, dpi_, StandardDpi);
}

void Win32ChangesWindow::useDpi(int dpi) {
  dpi_ = dpi;
  const OwnedFont previous{font_.font};
  font_.font = DialogFont(dpi);
  for (Win32Control* control :
       std::initializer_list<Win32Control*>{&heading, &changeList, &closeButton}) {
    control->setDpi(dpi);
    control->setFont(font_.font);
  }
  smallIcon_.reset(ProgramIcon(SystemMetricAt(SM_CXSMICON, dpi)));
  bigIcon_.reset(ProgramIcon(SystemMetricAt(SM_CXICON, dpi)));
  SendMessageA(handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
  SendMessageA(handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
  layOut();
}

// The list takes the window but for the line over it and the button under it.
void Win32ChangesWindow::layOut() {
  RECT client;
  GetClientRect(handle(), &client);
  const int margin = scaled(8), gap = scaled(6), lineHeight = scaled(20);
  const int buttonHeight = scaled(26), buttonWidth = scaled(90);
  const int buttonTop = client.bottom - margin - buttonHeight;
  const int listTop = margin + lineHeight + gap;
  heading.place(margin, margin, client.right - 2 * margin, lineHeight);
  changeList.place(margin, listTop, client.right - 2 * margin, buttonTop - gap - listTop);
  changeList.fitColumnsToWidth();
  closeButton.place(client.right - margin - buttonWidth, buttonTop, buttonWidth, buttonHeight);
}

LRESULT CALLBACK Win32ChangesWindow::WindowProc(HWND window, UINT message, WPARAM wParam,
                                                LPARAM lParam) {
  auto* self = reinterpret_cast<Win32ChangesWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self) {
    if (std::optional<LRESULT> answered = self->answer(message, wParam, lParam)) return *answered;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

std::optional<LRESULT> Win32ChangesWindow::answer(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
      return Win32Control::Route(message, wParam, lParam);
    case WM_SIZE:
      layOut();
      return 0;
    case WM_GETMINMAXINFO: {
      auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
      limits->ptMinTrackSize =
          POINT{scaled(SmallestChangesSize.width), scaled(SmallestChangesSize.height)};
      return 0;
    }
    case WM_DPICHANGED: {
      const RECT& proposed = *reinterpret_cast<const RECT*>(lParam);
      dpi_ = LOWORD(wParam);
      SetWindowPos(handle(), nullptr, proposed.left, proposed.top, proposed.right - proposed.left,
                   proposed.bottom - proposed.top, SWP_NOZORDER | SWP_NOACTIVATE);
      useDpi(LOWORD(wParam));
      return 0;
    }
    // Hidden, not destroyed: it is freed with the next comparison's window or with its owner.
    case WM_CLOSE:
      ShowWindow(handle(), SW_HIDE);
      return 0;
    default:
      return std::nullopt;
  }
}

HWND Win32VersionsWindow::CreateFrame() {
  RegisterWindowClass(WindowClass, WindowProc, true);
  const HWND created = CreateWindowExA(WindowExtendedStyle, WindowClass,
                                       std::string(VersionsCaptions::Window).c_str(), WindowStyle,
                                       CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                       nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (created == nullptr) {
    throw WinError(GetLastError(),
                   "The Versions window could not be created: " + SystemMessage(GetLastError()));
  }
  return created;
}

// The window answers its own messages only once every control exists.
Win32VersionsWindow::Win32VersionsWindow(Win32MessageLoop& messageLoop)
    : messageLoop_(messageLoop) {
  documentList.addColumn(VersionsCaptions::Documents, 2400);
  documentList.addColumn("Folder", 3000);
  documentList.addColumn("Newest copy", 2100);
  copyList.addColumn(VersionsCaptions::Copies, 2400);
  copyList.addColumn("Size", 1200);
  copyList.addColumn("Folder", 3300);
  openButton.setCaption(VersionsCaptions::Open);
  showInFolderButton.setCaption(VersionsCaptions::ShowInFolder);
  saveAsButton.setCaption(VersionsCaptions::SaveAs);
  compareButton.setCaption(VersionsCaptions::Compare);
  comparePreviousButton.setCaption(VersionsCaptions::ComparePrevious);
  restoreButton.setCaption(VersionsCaptions::Restore);
  closeButton.setCaption(VersionsCaptions::Close);
  enableWorkActions(false, false, false, false, false);
  // Escape is the dialog keys' "cancel", which presses the control of that number.
  SetWindowLongPtrA(closeButton.handle(), GWLP_ID, IDCANCEL);
  connect();
  SetWindowLongPtrA(handle(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  useDpi(DpiOf(handle()));
  setSize(FirstSize);
  messageLoop_.addDialogWindow(handle());
}

Win32VersionsWindow::~Win32VersionsWindow() {
  messageLoop_.removeDialogWindow(handle());
  SetWindowLongPtrA(handle(), GWLP_USERDATA, 0);
}

void Win32VersionsWindow::connect() {
  filterBox.onChange([this] {
    if (filterChanged) filterChanged(filterBox.text());
  });
  documentList.onChosen([this](int row) {
    if (documentChosen) documentChosen(row);
  });
  copyList.onChosen([this](int row) {
    if (copyChosen) copyChosen(row);
  });
  // A double click or Enter on a copy opens it, as in a file manager; nothing but the button or
  // the menu ever restores one.
  copyList.onActivated([this](int) {
    if (IsWindowEnabled(openButton.handle()) && openClicked) openClicked();
  });
  openButton.onClick([this] {
    if (openClicked) openClicked();
  });
  showInFolderButton.onClick([this] {
    if (showInFolderClicked) showInFolderClicked();
  });
  saveAsButton.onClick([this] {
    if (saveAsClicked) saveAsClicked();
  });
  compareButton.onClick([this] { Raise(compareClicked); });
  comparePreviousButton.onClick([this] { Raise(comparePreviousClicked); });
  restoreButton.onClick([this] { Raise(restoreClicked); });
  keepButton.onClick([this] { Raise(keepClicked); });
  closeButton.onClick([this] { SendMessageA(handle(), WM_CLOSE, 0, 0); });
}

int Win32VersionsWindow::scaled(int pixelsAt100) const {
  return MulDiv(pixelsAt100, dpi_, StandardDpi);
}

// The font, the lists' columns, the icons and the places, all at `dpi`.
void Win32VersionsWindow::useDpi(int dpi) {
  dpi_ = dpi;
  const OwnedFont previous{font_.font};
  font_.font = DialogFont(dpi);
  for (Win32Control* control : std::initializer_list<Win32Control*>{
           &findLabel, &filterBox, &documentList, &copyList, &statusLine, &compareButton,
           &comparePreviousButton, &formulasBox, &restoreButton, &keepButton, &openButton,
           &showInFolderButton, &saveAsButton, &closeButton}) {
    control->setDpi(dpi);
    control->setFont(font_.font);
  }
  smallIcon_.reset(ProgramIcon(SystemMetricAt(SM_CXSMICON, dpi)));
  bigIcon_.reset(ProgramIcon(SystemMetricAt(SM_CXICON, dpi)));
  SendMessageA(handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
  SendMessageA(handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
  layOut();
}

// The two lists share the width above the status line and the buttons; the filter box stands
// over the documents it narrows. The work on the workbook has a row of its own over the ways
// back to a copy, Restore and Keep apart at its right.
void Win32VersionsWindow::layOut() {
  RECT client;
  GetClientRect(handle(), &client);
  const int margin = scaled(8), gap = scaled(6), lineHeight = scaled(23);
  const int buttonHeight = scaled(26), statusHeight = scaled(34), labelWidth = scaled(36);
  const int half = (client.right - 2 * margin - gap) / 2;
  const int buttonsTop = client.bottom - margin - buttonHeight;
  const int workTop = buttonsTop - gap - buttonHeight;
  const int statusTop = workTop - gap - statusHeight;
  const int listsBottom = statusTop - gap;
  const int documentsTop = margin + lineHeight + gap;
  findLabel.place(margin, margin + scaled(4), labelWidth, lineHeight - scaled(4));
  filterBox.place(margin + labelWidth, margin, half - labelWidth, lineHeight);
  documentList.place(margin, documentsTop, half, listsBottom - documentsTop);
  copyList.place(margin + half + gap, margin, client.right - 2 * margin - half - gap,
                 listsBottom - margin);
  documentList.fitColumnsToWidth();
  copyList.fitColumnsToWidth();
  statusLine.place(margin, statusTop, client.right - 2 * margin, statusHeight);
  int left = margin;
  for (auto [control, width] : {std::pair<Win32Control*, int>{&compareButton, 80},
                                {&comparePreviousButton, 140},
                                {&formulasBox, 80}}) {
    control->place(left, workTop, scaled(width), buttonHeight);
    left += scaled(width) + gap;
  }
  int right = client.right - margin;
  for (auto [control, width] :
       {std::pair<Win32Control*, int>{&keepButton, 70}, {&restoreButton, 90}}) {
    right -= scaled(width);
    control->place(right, workTop, scaled(width), buttonHeight);
    right -= gap;
  }
  left = margin;
  for (auto [button, width] : {std::pair{&openButton, 90}, std::pair{&showInFolderButton, 120},
                               std::pair{&saveAsButton, 100}}) {
    button->place(left, buttonsTop, scaled(width), buttonHeight);
    left += scaled(width) + gap;
  }
  closeButton.place(client.right - margin - scaled(90), buttonsTop, scaled(90), buttonHeight);
}

void Win32VersionsWindow::showDocuments(const std::vector<DocumentRow>& rows) {
  std::vector<std::vector<std::string>> cells;
  cells.reserve(rows.size());
  for (const DocumentRow& row : rows) cells.push_back(Cells(row));
  documentList.showRows(cells);
}

void Win32VersionsWindow::showCopies(const std::vector<CopyRow>& rows) {
  std::vector<std::vector<std::string>> cells;
  std::vector<bool> gone;
  for (const CopyRow& row : rows) {
    cells.push_back(Cells(row));
    gone.push_back(!row.present);
  }
  copyList.showRows(cells, gone);
}

// A button that loses its use while it has the focus hands the focus to the copies.
void Win32VersionsWindow::enableCopyActions(bool open, bool showInFolder, bool saveAs) {
  for (auto [button, usable] :
       {std::pair{&openButton, open}, std::pair{&showInFolderButton, showInFolder},
        std::pair{&saveAsButton, saveAs}}) {
    if (!usable && GetFocus() == button->handle()) SetFocus(copyList.handle());
    EnableWindow(button->handle(), usable);
  }
}

void Win32VersionsWindow::enableWorkActions(bool compare, bool comparePrevious, bool restore,
                                            bool keep, bool kept) {
  for (auto [control, usable] : {std::pair<Win32Control*, bool>{&compareButton, compare},
                                 {&comparePreviousButton, comparePrevious},
                                 {&restoreButton, restore},
                                 {&keepButton, keep}}) {
    if (!usable && GetFocus() == control->handle()) SetFocus(copyList.handle());
    EnableWindow(control->handle(), usable);
  }
  keepButton.setPressed(kept);
}

bool Win32VersionsWindow::formulasChosen() const {
  return formulasBox.value() == CheckBox::Checked;
}

bool Win32VersionsWindow::confirm(std::string_view text) {
  const std::string question(text);
  return MessageBoxA(
             handle(), question.c_str(), std::string(ProductTitle).c_str(),
             MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION | MB_APPLMODAL | MB_SETFOREGROUND) == IDYES;
}

void Win32VersionsWindow::showChanges(std::string_view title, const std::vector<ChangeRow>& rows) {
  changes_.reset();
  changes_ = std::make_unique<Win32ChangesWindow>(messageLoop_, handle(), title, rows);
  // Enter or a double click shows the change in the workbook, in the office.
  changes_->changeList.onActivated([this](int row) {
    if (changeChosen) changeChosen(row);
  });
}

// Every action on the copy the menu was asked for, as the buttons have them now, each with its
// letter; at the pointer, or under the chosen copy when asked from the keyboard.
void Win32VersionsWindow::showCopyMenu(LPARAM at) {
  POINT where{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
  if (where.x == -1 && where.y == -1) {
    RECT row{LVIR_LABEL, 0, 0, 0};
    const int chosen = copyList.chosen();
    if (chosen < 0 ||
        !SendMessageA(copyList.handle(), LVM_GETITEMRECT, chosen, reinterpret_cast<LPARAM>(&row))) {
      return;
    }
    where = POINT{row.left + scaled(16), row.bottom};
    ClientToScreen(copyList.handle(), &where);
  } else {
    // From the mouse only on a copy, which the click has chosen.
    LVHITTESTINFO hit{};
    hit.pt = where;
    ScreenToClient(copyList.handle(), &hit.pt);
    if (SendMessageA(copyList.handle(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)) < 0) return;
  }
  const HMENU menu = CreatePopupMenu();
  if (menu == nullptr) return;
  const auto entry = [menu](UINT id, const Win32Control& control, const char* text) {
    UINT flags = MF_STRING | (IsWindowEnabled(control.handle()) ? MF_ENABLED : MF_GRAYED);
    AppendMenuA(menu, flags, id, text);
  };
  entry(MenuOpen, openButton, "&Open");
  entry(MenuShowInFolder, showInFolderButton, "Show in &Folder");
  entry(MenuSaveAs, saveAsButton, "&Save As...");
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  entry(MenuCompare, compareButton, "&Compare");
  entry(MenuComparePrevious, comparePreviousButton, "Compare with &Previous");
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  entry(MenuRestore, restoreButton, "&Restore...");
  entry(MenuKeep, keepButton, "&Keep");
  if (keepButton.pressed()) CheckMenuItem(menu, MenuKeep, MF_BYCOMMAND | MF_CHECKED);
  // The menu's own loop ends with a click elsewhere only while its owner is in front.
  SetForegroundWindow(handle());
  const UINT picked =
      static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                       where.x, where.y, 0, handle(), nullptr));
  DestroyMenu(menu);
  PostMessageA(handle(), WM_NULL, 0, 0);
  switch (picked) {
    case MenuOpen:
      return Raise(openClicked);
    case MenuShowInFolder:
      return Raise(showInFolderClicked);
    case MenuSaveAs:
      return Raise(saveAsClicked);
    case MenuCompare:
      return Raise(compareClicked);
    case MenuComparePrevious:
      return Raise(comparePreviousClicked);
    case MenuRestore:
      return Raise(restoreClicked);
    case MenuKeep:
      return Raise(keepClicked);
    default:
      return;
  }
}

void Win32VersionsWindow::setStatus(std::string_view text) {
  SetWindowTextUtf8(statusLine.handle(), text);
}

std::optional<std::string> Win32VersionsWindow::askWhereToSave(std::string_view suggestedPath) {
  ComApartment apartment;  // the dialog's folder views need COM on this thread
  std::string file(suggestedPath.substr(0, MAX_PATH * 4 - 1));
  file.resize(MAX_PATH * 4, '\0');
  const std::string name(suggestedPath.substr(suggestedPath.find_last_of("\\/") + 1));
  const size_t dot = name.rfind('.');
  const std::string extension = dot == std::string::npos ? "" : name.substr(dot + 1);
  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = handle();
  dialog.lpstrFilter = "All files (*.*)\0*.*\0";
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrTitle = "Save the copy as";
  // A name typed without an ending gets the copy's, so the office still knows the file.
  dialog.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
  dialog.Flags =
      OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
  if (!GetSaveFileNameA(&dialog)) return std::nullopt;
  return std::string(file.c_str());
}

void Win32VersionsWindow::tell(std::string_view text) {
  dialogs_.messageBox(text, ProductTitle, MessageButtons::Ok, MessageIcon::Warning);
}

void Win32VersionsWindow::bringToFront() {
  ShowWindow(handle(), IsIconic(handle()) ? SW_RESTORE : SW_SHOW);
  SetForegroundWindow(handle());
  if (!IsChild(handle(), GetFocus())) SetFocus(filterBox.handle());
}

WindowSize Win32VersionsWindow::size() const {
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  GetWindowPlacement(handle(), &placement);  // the size it has when not minimised
  const RECT& normal = placement.rcNormalPosition;
  return {MulDiv(normal.right - normal.left, StandardDpi, dpi_),
          MulDiv(normal.bottom - normal.top, StandardDpi, dpi_)};
}

// Never larger than the work area of the window's screen (less the taskbar), however large the
// size asked for at a high scale.
void Win32VersionsWindow::setSize(WindowSize size) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  int width = scaled(size.width), height = scaled(size.height);
  if (GetMonitorInfoA(MonitorFromWindow(handle(), MONITOR_DEFAULTTONEAREST), &monitor)) {
    const RECT& work = monitor.rcWork;
    width = std::min(width, static_cast<int>(work.right - work.left));
    height = std::min(height, static_cast<int>(work.bottom - work.top));
  }
  SetWindowPos(handle(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Back in front, the control the user left has the keys again.
void Win32VersionsWindow::activated(bool active) {
  if (!active) {
    HWND focus = GetFocus();
    if (IsChild(handle(), focus)) focusBeforeLeaving_ = focus;
    return;
  }
  SetFocus(IsWindow(focusBeforeLeaving_) && IsWindowEnabled(focusBeforeLeaving_)
               ? focusBeforeLeaving_
               : filterBox.handle());
}

LRESULT CALLBACK Win32VersionsWindow::WindowProc(HWND window, UINT message, WPARAM wParam,
                                                 LPARAM lParam) {
  auto* self = reinterpret_cast<Win32VersionsWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self) {
    if (std::optional<LRESULT> answered = self->answer(message, wParam, lParam)) return *answered;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

std::optional<LRESULT> Win32VersionsWindow::answer(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      // Enter in the filter box goes on into the documents, where the arrow keys choose.
      if (LOWORD(wParam) == IDOK && lParam == 0) {
        if (GetFocus() == filterBox.handle()) SetFocus(documentList.handle());
        return 0;
      }
      return Win32Control::Route(message, wParam, lParam);
    case WM_NOTIFY:
      return Win32Control::Route(message, wParam, lParam);
    case WM_CONTEXTMENU:
      if (reinterpret_cast<HWND>(wParam) != copyList.handle()) return std::nullopt;
      showCopyMenu(lParam);
      return 0;
    case WM_SIZE:
      layOut();
      return 0;
    case WM_GETMINMAXINFO: {
      auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
      limits->ptMinTrackSize = POINT{scaled(SmallestSize.width), scaled(SmallestSize.height)};
      return 0;
    }
    case WM_DPICHANGED: {
      const RECT& proposed = *reinterpret_cast<const RECT*>(lParam);
      dpi_ = LOWORD(wParam);  // the proposed size is measured at the new DPI
      SetWindowPos(handle(), nullptr, proposed.left, proposed.top, proposed.right - proposed.left,
                   proposed.bottom - proposed.top, SWP_NOZORDER | SWP_NOACTIVATE);
      useDpi(LOWORD(wParam));
      return 0;
    }
    case WM_ACTIVATE:
      activated(LOWORD(wParam) != WA_INACTIVE);
      return 0;
    case WM_CLOSE:
      // The changes go with the window they were asked from, which is freed later.
      if (changes_) ShowWindow(changes_->handle(), SW_HIDE);
      ShowWindow(handle(), SW_HIDE);
      PostMessageA(handle(), ClosedLater, 0, 0);
      return 0;
    case ClosedLater: {
      // The owner may free this window from its handler: nothing of it is touched afterwards.
      const std::function<void()> done = closed;
      if (done) done();
      return 0;
    }
    default:
      return std::nullopt;
  }
}

}  // namespace tg
