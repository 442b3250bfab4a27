#pragma once
// Every control of the main window as a Win32 control, built, named, captioned, placed and
// dressed in its font from the window's design table, ready to be handed to Form1. Places, sizes
// and fonts follow the window's DPI, and are laid out again when the window moves to another.

#include <map>

#include "adapters/win32/Win32Controls.h"
#include "desktop/cSysTray.h"
#include "mainwindow/Form1.h"
#include "mainwindow/Form1Design.h"

namespace tg {

class Win32Form1View {
 public:
  static constexpr int KeepCopiesMost = 999;
  Win32Form1View(TrayShell& trayShell, MessageLoop& messageLoop, const Clock& clock);
  ~Win32Form1View();
  Win32Form1View(const Win32Form1View&) = delete;
  Win32Form1View& operator=(const Win32Form1View&) = delete;

  Form1Controls controls();
  // The window of a control in the design table; nullptr for names without one (the hidden text
  // buffer, names not in the table).
  HWND handleNamed(std::string_view name) const;
  // The tip window that shows the thinning's rule over its check box; nullptr when none was made.
  HWND thinningTip() const { return thinningTip_; }
  // The control's identifier in its container (GetDlgItem): its row in the design table + 100.
  static int ControlId(std::string_view name);

  Win32Window window;
  Win32Frame Frame2{window.handle()};
  Win32ProgressBar ProgressBar1{Frame2.handle()};
  Win32Frame Frame3{window.handle()};
  Win32CheckBox Check8{Frame3.handle(), Form1Design::Find("Check8").caption};
  Win32CheckBox Check5{Frame3.handle(), Form1Design::Find("Check5").caption};
  Win32CheckBox Check6{Frame3.handle(), Form1Design::Find("Check6").caption};
  Win32OptionButton Option4{Frame3.handle(), Form1Design::Find("Option4").caption};
  Win32OptionButton Option3{Frame3.handle(), Form1Design::Find("Option3").caption};
  Win32Label Label1{Frame3.handle(), Form1Design::Find("Label1").caption};
  Win32NumberBox Spin1{Frame3.handle(), 0, KeepCopiesMost};
  Win32CheckBox Check9{Frame3.handle(), Form1Design::Find("Check9").caption};
  Win32PushButton PushButton13{Frame3.handle()};
  cSysTray cSysTray1;
  Win32Frame Frame1{window.handle()};
  Win32OptionButton Option2{Frame1.handle(), Form1Design::Find("Option2").caption};
  Win32OptionButton Option1{Frame1.handle(), Form1Design::Find("Option1").caption};
  Win32TextBox Text1{Frame1.handle(), Form1Design::Find("Text1").caption};
  Win32PushButton PushButton1{Frame1.handle()};
  Win32Timer Timer1;
  Win32ListView ListView1{window.handle()};
  Win32PushButton PushButton4{window.handle()};
  Win32PushButton PushButton2{window.handle()};
  Win32PushButton PushButton3{window.handle()};
  Win32PushButton PushButton5{window.handle()};
  Win32TextBuffer RichTextBox1;
  Win32PushButton PushButton11{window.handle()};
  Win32PushButton PushButton12{window.handle()};

 private:
  Win32Control* controlNamed(std::string_view name);
  const Win32Control* controlNamed(std::string_view name) const;
  void nameAndCaptionFromDesign();
  // Sizes the window and places, sizes and dresses every control for `dpi`.
  void layOutFromDesign(int dpi);
  void orderForTheKeyboard();
  void addThinningTip();
  HFONT fontFor(const FontDesign& design, int dpi);
  void deleteFonts(const std::map<const FontDesign*, HFONT>& fonts);

  std::map<const FontDesign*, HFONT> fonts_;  // at the DPI of the last layout
  HWND thinningTip_ = nullptr;
};

}  // namespace tg
