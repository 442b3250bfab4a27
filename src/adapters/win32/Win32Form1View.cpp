#include "adapters/win32/Win32Form1View.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "adapters/win32/Win32Dpi.h"
#include "mainwindow/KeyboardOrder.h"

namespace tg {

Win32Form1View::Win32Form1View(TrayShell& trayShell, MessageLoop& messageLoop, const Clock& clock)
    : cSysTray1(trayShell, messageLoop, clock) {
  nameAndCaptionFromDesign();
  addThinningTip();
  layOutFromDesign(window.dpi());
  orderForTheKeyboard();
  window.onDpiChanged([this](int dpi) { layOutFromDesign(dpi); });
}

Win32Form1View::~Win32Form1View() {
  // The controls are gone before their fonts: members end after this body, so detach first.
  for (const ControlDesign& design : Form1Design::Controls) {
    if (Win32Control* control = controlNamed(design.name)) control->setFont(nullptr);
  }
  deleteFonts(fonts_);
  if (thinningTip_) DestroyWindow(thinningTip_);
}

void Win32Form1View::deleteFonts(const std::map<const FontDesign*, HFONT>& fonts) {
  for (const auto& [design, font] : fonts) DeleteObject(font);
}

const Win32Control* Win32Form1View::controlNamed(std::string_view name) const {
  return const_cast<Win32Form1View*>(this)->controlNamed(name);
}

Win32Control* Win32Form1View::controlNamed(std::string_view name) {
  const std::pair<std::string_view, Win32Control*> controls[] = {{"Frame2", &Frame2},
                                                                 {"ProgressBar1", &ProgressBar1},
                                                                 {"Frame3", &Frame3},
                                                                 {"Check8", &Check8},
                                                                 {"Check5", &Check5},
                                                                 {"Check6", &Check6},
                                                                 {"Option4", &Option4},
                                                                 {"Option3", &Option3},
                                                                 {"Label1", &Label1},
                                                                 {"Spin1", &Spin1},
                                                                 {"Check9", &Check9},
                                                                 {"PushButton13", &PushButton13},
                                                                 {"Frame1", &Frame1},
                                                                 {"Option2", &Option2},
                                                                 {"Option1", &Option1},
                                                                 {"Text1", &Text1},
                                                                 {"PushButton1", &PushButton1},
                                                                 {"ListView1", &ListView1},
                                                                 {"PushButton4", &PushButton4},
                                                                 {"PushButton2", &PushButton2},
                                                                 {"PushButton3", &PushButton3},
                                                                 {"PushButton5", &PushButton5},
                                                                 {"PushButton11", &PushButton11},
                                                                 {"PushButton12", &PushButton12}};
  for (const auto& [controlName, control] : controls) {
    if (controlName == name) return control;
  }
  return nullptr;
}

HWND Win32Form1View::handleNamed(std::string_view name) const {
  const Win32Control* control = controlNamed(name);
  return control ? control->handle() : nullptr;
}

int Win32Form1View::ControlId(std::string_view name) {
  const ControlDesign& design = Form1Design::Find(name);
  return static_cast<int>(&design - Form1Design::Controls.data()) + 100;
}

HFONT Win32Form1View::fontFor(const FontDesign& design, int dpi) {
  HFONT& font = fonts_[&design];
  if (font == nullptr) {
    font =
        CreateFontA(FontHeightAt(design.points, dpi), 0, 0, 0, design.bold ? FW_BOLD : FW_NORMAL,
                    FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                    DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, std::string(design.face).c_str());
  }
  return font;
}

// The designed caption is what the control shows until the program says otherwise.
void Win32Form1View::nameAndCaptionFromDesign() {
  for (const ControlDesign& design : Form1Design::Controls) {
    Win32Control* control = controlNamed(design.name);
    if (control == nullptr) continue;  // never on screen
    SetWindowLongPtrA(control->handle(), GWLP_ID, ControlId(design.name));
    if (auto* button = dynamic_cast<Win32PushButton*>(control)) button->setCaption(design.caption);
    if (auto* frame = dynamic_cast<Win32Frame*>(control)) frame->setCaption(design.caption);
  }
}

// The rule is too long for a caption: pointing at the check box shows it, wrapped, for as long as
// it takes to read.
void Win32Form1View::addThinningTip() {
  const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_TAB_CLASSES};
  InitCommonControlsEx(&classes);
  thinningTip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                                 WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window.handle(),
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
  if (!thinningTip_) return;
  std::string text(Form1Design::ThinCopiesTip);
  TTTOOLINFOA tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = Frame3.handle();
  tool.uId = reinterpret_cast<UINT_PTR>(Check9.handle());
  tool.lpszText = text.data();  // copied by the tip window
  SendMessageA(thinningTip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  SendMessageA(thinningTip_, TTM_SETDELAYTIME, TTDT_AUTOPOP, MAKELPARAM(30000, 0));
}

// Places are relative to each control's container, whose window is the control's parent. Every
// place, size and font is the design's at this DPI, so the window reads the same at any scale;
// the fonts of the previous DPI go once no control uses them.
void Win32Form1View::layOutFromDesign(int dpi) {
  window.setClientSize(TwipsToPixels(Form1Design::ClientWidthTwips, dpi),
                       TwipsToPixels(Form1Design::ClientHeightTwips, dpi));
  const std::map<const FontDesign*, HFONT> previousFonts = std::exchange(fonts_, {});
  for (const ControlDesign& design : Form1Design::Controls) {
    Win32Control* control = controlNamed(design.name);
    if (control == nullptr) continue;
    control->setDpi(dpi);
    control->place(TwipsToPixels(design.place.left, dpi), TwipsToPixels(design.place.top, dpi),
                   TwipsToPixels(design.place.width, dpi), TwipsToPixels(design.place.height, dpi));
    control->setFont(fontFor(design.font, dpi));
  }
  if (thinningTip_) {
    SendMessageA(thinningTip_, TTM_SETMAXTIPWIDTH, 0,
                 TwipsToPixels(Form1Design::ClientWidthTwips / 2, dpi));
  }
  deleteFonts(previousFonts);
}

// The window's keyboard order is the z-order of its controls; a group starts at WS_GROUP.
void Win32Form1View::orderForTheKeyboard() {
  for (const KeyboardStop& stop :
       KeyboardOrder([this](std::string_view name) { return controlNamed(name) != nullptr; })) {
    HWND handle = controlNamed(stop.design->name)->handle();
    SetWindowPos(handle, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (handle == Spin1.handle()) {
      SetWindowPos(Spin1.arrows(), HWND_BOTTOM, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    if (stop.startsGroup) {
      SetWindowLongPtrA(handle, GWL_STYLE, GetWindowLongPtrA(handle, GWL_STYLE) | WS_GROUP);
    }
  }
}

Form1Controls Win32Form1View::controls() {
  return Form1Controls{window,      Frame2,       ProgressBar1, Frame3,      Check8,
                       Check5,      Check6,       Option4,      Option3,     cSysTray1,
                       Frame1,      Option2,      Option1,      Text1,       PushButton1,
                       Timer1,      ListView1,    PushButton4,  PushButton2, PushButton3,
                       PushButton5, RichTextBox1, PushButton11, PushButton12};
}

}  // namespace tg
