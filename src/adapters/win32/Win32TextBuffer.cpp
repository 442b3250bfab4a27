#include "adapters/win32/Win32TextBuffer.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "adapters/win32/WinError.h"
#include "common/Descriptions.h"

namespace tg {

void Win32TextBuffer::loadPlainText(std::string_view path) {
  std::ifstream file{std::string(path), std::ios::binary};
  if (!file) throw std::runtime_error(Descriptions::FileCannotBeRead(path));
  std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  if (file.bad()) throw std::runtime_error(Descriptions::FileCannotBeRead(path));
  text_ = std::move(text);
  selectionStart_ = selectionLength_ = 0;
}

void Win32TextBuffer::setSelection(int start, int length) {
  selectionStart_ = std::clamp(start, 0, static_cast<int>(text_.size()));
  selectionLength_ = std::clamp(length, 0, static_cast<int>(text_.size()) - selectionStart_);
}

namespace {

[[noreturn]] void ClipboardFailed(DWORD error) {
  throw WinError(error,
                 "The text could not be put on the clipboard: " + SystemMessage(error) + ".");
}

}  // namespace

void Win32TextBuffer::copySelection() {
  const std::string chosen =
      text_.substr(static_cast<size_t>(selectionStart_), static_cast<size_t>(selectionLength_));
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, chosen.size() + 1);
  if (memory == nullptr) ClipboardFailed(GetLastError());
  std::memcpy(GlobalLock(memory), chosen.c_str(), chosen.size() + 1);
  GlobalUnlock(memory);
  if (!OpenClipboard(owner_.handle())) {
    const DWORD error = GetLastError();
    GlobalFree(memory);
    ClipboardFailed(error);
  }
  EmptyClipboard();
  const bool placed = SetClipboardData(CF_TEXT, memory) != nullptr;
  const DWORD error = GetLastError();
  CloseClipboard();
  if (!placed) {
    GlobalFree(memory);
    ClipboardFailed(error);
  }
}

}  // namespace tg
