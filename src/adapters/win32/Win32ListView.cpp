#include "adapters/win32/Win32ListView.h"

#include <stdexcept>

#include "adapters/win32/Win32Colours.h"
#include "adapters/win32/Win32Dpi.h"
#include "common/Descriptions.h"

namespace tg {

Win32ReportList::Win32ReportList(HWND parent)
    : Win32Control(parent, WC_LISTVIEWA,
                   LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER | WS_TABSTOP,
                   "", WS_EX_CLIENTEDGE) {
  ListView_SetExtendedListViewStyle(handle(), LVS_EX_FULLROWSELECT);
}

void Win32ReportList::addColumn(std::string_view header, int widthTwips) {
  std::string text(header);
  LVCOLUMNA column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH;
  column.pszText = text.data();
  column.cx = TwipsToPixels(widthTwips, dpi());
  SendMessageA(handle(), LVM_INSERTCOLUMNA, columnTwips_.size(), reinterpret_cast<LPARAM>(&column));
  columnTwips_.push_back(widthTwips);
}

void Win32ReportList::fitColumnsToWidth() {
  RECT client{};
  GetClientRect(handle(), &client);
  const int width = client.right - GetSystemMetrics(SM_CXVSCROLL);
  int designed = 0;
  for (int twips : columnTwips_) designed += twips;
  if (width <= 0 || designed <= 0) return;
  for (size_t column = 0; column < columnTwips_.size(); ++column) {
    SendMessageA(handle(), LVM_SETCOLUMNWIDTH, column,
                 MulDiv(columnTwips_[column], width, designed));
  }
}

void Win32ReportList::setDpi(int dpi) {
  Win32Control::setDpi(dpi);
  for (size_t column = 0; column < columnTwips_.size(); ++column) {
    SendMessageA(handle(), LVM_SETCOLUMNWIDTH, column, TwipsToPixels(columnTwips_[column], dpi));
  }
}

int Win32ReportList::itemCount() const {
  return static_cast<int>(SendMessageA(handle(), LVM_GETITEMCOUNT, 0, 0));
}

int Win32ReportList::selectedIndex() const {
  return static_cast<int>(
      SendMessageA(handle(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void Win32ReportList::selectIndex(int index) {
  LVITEMA state{};
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  state.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(handle(), LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&state));
  SendMessageA(handle(), LVM_ENSUREVISIBLE, index, FALSE);
}

// A report view shows its entries in its columns only: a row needs one.
void Win32ReportList::insertRow(int index, const std::vector<std::string>& cells) {
  if (columnTwips_.empty()) addColumn("", 0);
  std::string text = cells.empty() ? std::string() : cells[0];
  LVITEMA item{};
  item.mask = LVIF_TEXT;
  item.iItem = index;
  item.pszText = text.data();
  SendMessageA(handle(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
  for (size_t column = 1; column < cells.size(); ++column) {
    text = cells[column];
    item.iSubItem = static_cast<int>(column);
    item.pszText = text.data();
    SendMessageA(handle(), LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item));
  }
}

std::string Win32ReportList::cellText(int index, int column) const {
  char text[1024] = {};
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = sizeof text;
  SendMessageA(handle(), LVM_GETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item));
  return text;
}

void Win32ListView::addItem(std::string_view text) { insertRow(itemCount(), {std::string(text)}); }

int Win32ListView::selectedPosition() const {
  const int index = selectedIndex();
  if (index < 0) throw std::runtime_error(std::string(Descriptions::NoIntervalSelected));
  return index + 1;
}

std::string Win32ListView::selectedText() const { return cellText(selectedPosition() - 1, 0); }

void Win32ListView::selectPosition(int position) {
  if (position < 1 || position > itemCount()) {
    throw std::out_of_range(Descriptions::NoIntervalEntry(position));
  }
  selectIndex(position - 1);
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

void Win32RowList::showRows(const std::vector<std::vector<std::string>>& rows,
                            const std::vector<bool>& greyed) {
  fromCode_ = true;
  SendMessageA(handle(), WM_SETREDRAW, FALSE, 0);  // thousands of rows are drawn once
  SendMessageA(handle(), LVM_DELETEALLITEMS, 0, 0);
  SendMessageA(handle(), LVM_SETITEMCOUNT, rows.size(), 0);
  for (size_t row = 0; row < rows.size(); ++row) insertRow(static_cast<int>(row), rows[row]);
  greyed_ = greyed;
  SendMessageA(handle(), WM_SETREDRAW, TRUE, 0);
  InvalidateRect(handle(), nullptr, TRUE);
  fromCode_ = false;
}

void Win32RowList::choose(int row) {
  if (row < 0 || row >= itemCount()) return;
  fromCode_ = true;
  selectIndex(row);
  fromCode_ = false;
}

bool Win32RowList::greyed(int row) const {
  return row >= 0 && static_cast<size_t>(row) < greyed_.size() && greyed_[row];
}

LRESULT Win32RowList::notify(const NMHDR& header) {
  switch (header.code) {
    case LVN_ITEMCHANGED: {
      const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
      const bool newlySelected =
          (change.uNewState & LVIS_SELECTED) && !(change.uOldState & LVIS_SELECTED);
      if (newlySelected && !fromCode_ && chosen_) chosen_(change.iItem);
      return 0;
    }
    case NM_DBLCLK: {
      const int row = reinterpret_cast<const NMITEMACTIVATE&>(header).iItem;
      if (row >= 0 && activated_) activated_(row);
      return 0;
    }
    case NM_RETURN:
      if (chosen() >= 0 && activated_) activated_(chosen());
      return 0;
    case NM_CUSTOMDRAW:
      return customDraw(reinterpret_cast<const NMLVCUSTOMDRAW&>(header));
    default:
      return 0;
  }
}

// A gone thing's row is drawn in the system's colour for text that cannot be used. The list reads
// the colour back from the record it sent, which is the list's own to write.
LRESULT Win32RowList::customDraw(const NMLVCUSTOMDRAW& draw) const {
  if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
  if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT &&
      greyed(static_cast<int>(draw.nmcd.dwItemSpec))) {
    const_cast<NMLVCUSTOMDRAW&>(draw).clrText = GetSysColor(COLOR_GRAYTEXT);
    return CDRF_NEWFONT;
  }
  return CDRF_DODEFAULT;
}

// Enter on a row is the list's, not the window's: a dialog's keys would take it for its own.
std::optional<LRESULT> Win32RowList::intercept(UINT message, WPARAM, LPARAM lParam) {
  if (message != WM_GETDLGCODE || lParam == 0) return std::nullopt;
  const auto* key = reinterpret_cast<const MSG*>(lParam);
  if (key->message == WM_KEYDOWN && key->wParam == VK_RETURN) {
    return DLGC_WANTMESSAGE | DLGC_WANTARROWS | DLGC_WANTCHARS;
  }
  return std::nullopt;
}

}  // namespace tg
