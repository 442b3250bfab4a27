#pragma once
// The colours of the main window and its controls: the system's, until a skin gives the window a
// background and a text colour of its own; a frame may keep a fill of its own under either.

// clang-format off
#include <windows.h>
// clang-format on

#include <optional>

namespace tg {

struct SkinColours {
  COLORREF background;
  COLORREF text;
  HBRUSH brush;  // of the background
};

// A brush and its colour, owned: a frame's own fill.
class SolidFill {
 public:
  SolidFill() = default;
  ~SolidFill() { reset(); }
  SolidFill(const SolidFill&) = delete;
  SolidFill& operator=(const SolidFill&) = delete;
  void set(COLORREF colour);
  void reset();
  bool has() const { return brush_ != nullptr; }
  COLORREF colour() const { return colour_; }
  HBRUSH brush() const { return brush_; }

 private:
  COLORREF colour_ = 0;
  HBRUSH brush_ = nullptr;
};

// Tells the controls inside `root` which skin colours they show (nullptr: the system's).
void AttachSkinColours(HWND root, const SkinColours* colours);
const SkinColours* SkinColoursOf(HWND anyWindowInside);

// The answer to WM_CTLCOLOR* in a container whose own fill is `fill`; nothing when the system's
// colours apply. Edit fields keep the system's white unless a skin colours them.
std::optional<LRESULT> AnswerControlColour(HWND container, UINT message, WPARAM dc,
                                           const SolidFill& fill);
// Fills a window's background as its container's colours say; false when the system's apply.
bool EraseWithColours(HWND window, HDC dc, const SolidFill& fill);

// Sent to every control of a window when its skin colours change; the list view repaints in them.
UINT SkinColoursChangedMessage();

}  // namespace tg
