#include "adapters/win32/Win32TextBuffer.h"

#include <algorithm>
#include <stdexcept>

#include "adapters/win32/WinError.h"
#include "mainwindow/TextLength.h"

namespace tg {

void Win32TextBuffer::setPlainText(std::string_view bytes) {
  text_ = std::string(bytes);
  selectionStart_ = selectionLength_ = 0;
}

// Selections count characters; the text is held as UTF-8 bytes.
void Win32TextBuffer::setSelection(int start, int length) {
  const size_t from = ByteOffsetOfCharacter(text_, std::max(start, 0));
  const size_t to = ByteOffsetOfCharacter(text_, std::max(start, 0) + std::max(length, 0));
  selectionStart_ = static_cast<int>(from);
  selectionLength_ = static_cast<int>(to - from);
}

namespace {

[[noreturn]] void ClipboardFailed(DWORD error) {
  throw WinError(error,
                 "The text could not be put on the clipboard: " + SystemMessage(error) + ".");
}

}  // namespace

// As Unicode text: the program's own code page need not be the one other programs read the
// clipboard's plain text in (Windows makes that from this one for them). The program's texts are
// UTF-8 throughout.
void Win32TextBuffer::copySelection() {
  const std::string chosen =
      text_.substr(static_cast<size_t>(selectionStart_), static_cast<size_t>(selectionLength_));
  const int length =
      MultiByteToWideChar(CP_UTF8, 0, chosen.data(), static_cast<int>(chosen.size()), nullptr, 0);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (static_cast<size_t>(length) + 1) * sizeof(wchar_t));
  if (memory == nullptr) ClipboardFailed(GetLastError());
  auto* wide = static_cast<wchar_t*>(GlobalLock(memory));
  MultiByteToWideChar(CP_UTF8, 0, chosen.data(), static_cast<int>(chosen.size()), wide, length);
  wide[length] = L'\0';
  GlobalUnlock(memory);
  if (!OpenClipboard(owner_.handle())) {
    const DWORD error = GetLastError();
    GlobalFree(memory);
    ClipboardFailed(error);
  }
  EmptyClipboard();
  const bool placed = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
  const DWORD error = GetLastError();
  CloseClipboard();
  if (!placed) {
    GlobalFree(memory);
    ClipboardFailed(error);
  }
}

}  // namespace tg
