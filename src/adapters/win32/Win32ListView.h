#pragma once
// Report views (SysListView32): the interval list of the main window, and lists of whole rows
// the program fills and chooses from. Selecting from code raises nothing; only the user's choice
// does.

#include <functional>
#include <vector>

#include "adapters/win32/Win32Control.h"

namespace tg {

// What every report view of the program shares: whole rows selected, one at a time, columns of
// designed widths that keep them at every DPI.
class Win32ReportList : public Win32Control {
 public:
  explicit Win32ReportList(HWND parent);
  void addColumn(std::string_view header, int widthTwips);
  int itemCount() const;
  // The columns keep their designed widths at the new DPI.
  void setDpi(int dpi) override;
  // The columns share the list's width (less a vertical scroll bar) in their designed
  // proportions, so the last one is never cut off.
  void fitColumnsToWidth();

 protected:
  // -1 when no row is selected.
  int selectedIndex() const;
  void selectIndex(int index);
  void insertRow(int index, const std::vector<std::string>& cells);
  std::string cellText(int index, int column) const;

 private:
  std::vector<int> columnTwips_;  // each column's designed width
};

// The interval list as a one-column report view. Only the user raises click: a click on the
// list, or a selection moved with the keyboard.
class Win32ListView : public Win32ReportList, public ListView {
 public:
  explicit Win32ListView(HWND parent) : Win32ReportList(parent) {}
  void addColumn(std::string_view header, int widthTwips) override {
    Win32ReportList::addColumn(header, widthTwips);
  }
  void addItem(std::string_view text) override;
  int itemCount() const override { return Win32ReportList::itemCount(); }
  std::string selectedText() const override;
  int selectedPosition() const override;
  void selectPosition(int position) override;
  void onClick(Handler handler) override { click_ = std::move(handler); }
  void onMouseMove(Handler handler) override { setMouseMoveHandler(std::move(handler)); }
  void lockWithNote(std::string_view note) override { lockWith(note); }

 protected:
  LRESULT notify(const NMHDR& header) override;
  std::optional<LRESULT> intercept(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void showSkinColours();
  Handler click_;
  bool keyPressed_ = false;  // while the list handles a key: its selection is the user's
};

// Rows the program shows and chooses from; the user's choice of a row raises `chosen`, a double
// click or Enter on a row raises `activated`. Rows may show greyed, as things that are gone.
class Win32RowList : public Win32ReportList {
 public:
  using RowHandler = std::function<void(int row)>;
  explicit Win32RowList(HWND parent) : Win32ReportList(parent) {}
  // Replaces the rows; none is chosen afterwards.
  void showRows(const std::vector<std::vector<std::string>>& rows,
                const std::vector<bool>& greyed = {});
  void choose(int row);
  int chosen() const { return selectedIndex(); }
  std::string text(int row, int column) const { return cellText(row, column); }
  bool greyed(int row) const;
  void onChosen(RowHandler handler) { chosen_ = std::move(handler); }
  void onActivated(RowHandler handler) { activated_ = std::move(handler); }

 protected:
  LRESULT notify(const NMHDR& header) override;
  std::optional<LRESULT> intercept(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  LRESULT customDraw(const NMLVCUSTOMDRAW& draw) const;
  RowHandler chosen_;
  RowHandler activated_;
  std::vector<bool> greyed_;
  bool fromCode_ = false;
};

}  // namespace tg
