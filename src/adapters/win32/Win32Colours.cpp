#include "adapters/win32/Win32Colours.h"

namespace tg {

namespace {
const char* const ColoursProperty = "TallyguardSkinColours";
}

void SolidFill::set(COLORREF colour) {
  reset();
  colour_ = colour;
  brush_ = CreateSolidBrush(colour);
}

void SolidFill::reset() {
  if (brush_) DeleteObject(brush_);
  brush_ = nullptr;
}

void AttachSkinColours(HWND root, const SkinColours* colours) {
  if (colours) {
    SetPropA(root, ColoursProperty, const_cast<SkinColours*>(colours));
  } else {
    RemovePropA(root, ColoursProperty);
  }
}

const SkinColours* SkinColoursOf(HWND anyWindowInside) {
  HWND root = GetAncestor(anyWindowInside, GA_ROOT);
  return root ? static_cast<const SkinColours*>(GetPropA(root, ColoursProperty)) : nullptr;
}

std::optional<LRESULT> AnswerControlColour(HWND container, UINT message, WPARAM dc,
                                           const SolidFill& fill) {
  const SkinColours* skin = SkinColoursOf(container);
  const bool ownFill = fill.has() && message != WM_CTLCOLOREDIT;
  if (!skin && !ownFill) return std::nullopt;
  HDC context = reinterpret_cast<HDC>(dc);
  if (skin) SetTextColor(context, skin->text);
  SetBkColor(context, ownFill ? fill.colour() : skin->background);
  return reinterpret_cast<LRESULT>(ownFill ? fill.brush() : skin->brush);
}

bool EraseWithColours(HWND window, HDC dc, const SolidFill& fill) {
  const SkinColours* skin = SkinColoursOf(window);
  if (!skin && !fill.has()) return false;
  RECT area;
  GetClientRect(window, &area);
  FillRect(dc, &area, fill.has() ? fill.brush() : skin->brush);
  return true;
}

UINT SkinColoursChangedMessage() {
  static const UINT message = RegisterWindowMessageA("TallyguardSkinColoursChanged");
  return message;
}

}  // namespace tg
