#include "adapters/win32/Win32ListView.h"

#include <stdexcept>

#include "adapters/win32/Win32Colours.h"
#include "adapters/win32/Win32Dpi.h"
#include "common/Descriptions.h"

namespace tg {

Win32ListView::Win32ListView(HWND parent)
    : Win32Control(parent, WC_LISTVIEWA,
                   LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER | WS_TABSTOP,
                   "", WS_EX_CLIENTEDGE) {
  ListView_SetExtendedListViewStyle(handle(), LVS_EX_FULLROWSELECT);
}

void Win32ListView::addColumn(std::string_view header, int widthTwips) {
  std::string text(header);
  LVCOLUMNA column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH;
  column.pszText = text.data();
  column.cx = TwipsToPixels(widthTwips, dpi());
  SendMessageA(handle(), LVM_INSERTCOLUMNA, columnTwips_.size(), reinterpret_cast<LPARAM>(&column));
  columnTwips_.push_back(widthTwips);
}

void Win32ListView::setDpi(int dpi) {
  Win32Control::setDpi(dpi);
  for (size_t column = 0; column < columnTwips_.size(); ++column) {
    SendMessageA(handle(), LVM_SETCOLUMNWIDTH, column, TwipsToPixels(columnTwips_[column], dpi));
  }
}

void Win32ListView::addItem(std::string_view text) {
  if (columnTwips_.empty())
    addColumn("", 0);  // a report view shows its entries in its columns only
  std::string entry(text);
  LVITEMA item{};
  item.mask = LVIF_TEXT;
  item.iItem = itemCount();
  item.pszText = entry.data();
  SendMessageA(handle(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

int Win32ListView::itemCount() const {
  return static_cast<int>(SendMessageA(handle(), LVM_GETITEMCOUNT, 0, 0));
}

int Win32ListView::selectedPosition() const {
  const auto index =
      SendMessageA(handle(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
  if (index < 0) throw std::runtime_error(std::string(Descriptions::NoIntervalSelected));
  return static_cast<int>(index) + 1;
}

std::string Win32ListView::selectedText() const {
  const int index = selectedPosition() - 1;
  char text[512] = {};
  LVITEMA item{};
  item.iSubItem = 0;
  item.pszText = text;
  item.cchTextMax = sizeof text;
  SendMessageA(handle(), LVM_GETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item));
  return text;
}

void Win32ListView::selectPosition(int position) {
  if (position < 1 || position > itemCount()) {
    throw std::out_of_range(Descriptions::NoIntervalEntry(position));
  }
  LVITEMA state{};
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  state.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(handle(), LVM_SETITEMSTATE, position - 1, reinterpret_cast<LPARAM>(&state));
  SendMessageA(handle(), LVM_ENSUREVISIBLE, position - 1, FALSE);
}

// A mouse click anywhere on the entries, or an entry newly selected while a key is handled.
LRESULT Win32ListView::notify(const NMHDR& header) {
  if (header.code == NM_CLICK) {
    Raise(click_);
  } else if (header.code == LVN_ITEMCHANGED && keyPressed_) {
    const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
    if ((change.uNewState & LVIS_SELECTED) && !(change.uOldState & LVIS_SELECTED)) Raise(click_);
  }
  return 0;
}

std::optional<LRESULT> Win32ListView::intercept(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_KEYDOWN) {
    keyPressed_ = true;
    const LRESULT answer = DefSubclassProc(handle(), message, wParam, lParam);
    keyPressed_ = false;
    return answer;
  }
  if (message == SkinColoursChangedMessage()) {
    showSkinColours();
    return 0;
  }
  return std::nullopt;
}

void Win32ListView::showSkinColours() {
  const SkinColours* skin = SkinColoursOf(handle());
  const COLORREF background = skin ? skin->background : GetSysColor(COLOR_WINDOW);
  SendMessageA(handle(), LVM_SETBKCOLOR, 0, background);
  SendMessageA(handle(), LVM_SETTEXTBKCOLOR, 0, background);
  SendMessageA(handle(), LVM_SETTEXTCOLOR, 0, skin ? skin->text : GetSysColor(COLOR_WINDOWTEXT));
  InvalidateRect(handle(), nullptr, TRUE);
}

}  // namespace tg
