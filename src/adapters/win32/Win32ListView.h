#pragma once
// The interval list as a one-column report view (SysListView32). Only the user raises click: a
// click on the list, or a selection moved with the keyboard; selecting by position from code
// raises nothing.

#include <vector>

#include "adapters/win32/Win32Control.h"

namespace tg {

class Win32ListView : public Win32Control, public ListView {
 public:
  explicit Win32ListView(HWND parent);
  void addColumn(std::string_view header, int widthTwips) override;
  void addItem(std::string_view text) override;
  int itemCount() const override;
  std::string selectedText() const override;
  int selectedPosition() const override;
  void selectPosition(int position) override;
  void onClick(Handler handler) override { click_ = std::move(handler); }
  void onMouseMove(Handler handler) override { setMouseMoveHandler(std::move(handler)); }
  // The columns keep their designed widths at the new DPI.
  void setDpi(int dpi) override;

 protected:
  LRESULT notify(const NMHDR& header) override;
  std::optional<LRESULT> intercept(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void showSkinColours();
  Handler click_;
  std::vector<int> columnTwips_;  // each column's designed width
  bool keyPressed_ = false;       // while the list handles a key: its selection is the user's
};

}  // namespace tg
