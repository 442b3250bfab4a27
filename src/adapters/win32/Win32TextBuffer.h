#pragma once
// The hidden buffer that copies the history log to the clipboard; it is never shown. The text is
// the file's bytes; selections count them.

#include "adapters/win32/Win32HiddenWindow.h"
#include "common/ports/Controls.h"

namespace tg {

class Win32TextBuffer : public TextBuffer {
 public:
  void setPlainText(std::string_view bytes) override;
  std::string text() const override { return text_; }
  void setSelection(int start, int length) override;
  // Unicode text, rendered at once: it stays on the clipboard after the program ends.
  void copySelection() override;

 private:
  Win32HiddenWindow owner_;
  std::string text_;
  int selectionStart_ = 0;
  int selectionLength_ = 0;
};

}  // namespace tg
