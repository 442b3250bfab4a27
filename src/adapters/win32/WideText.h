#pragma once
// The program's texts are UTF-8; Windows' wide functions take UTF-16.

#include <windows.h>

#include <string>
#include <string_view>

namespace tg {

inline std::wstring WideFromAnsi(std::string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
  return wide;
}

// `length` -1: up to the NUL.
inline std::string AnsiFromWide(const wchar_t* text, int length = -1) {
  if (text == nullptr || length == 0) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string ansi(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, ansi.data(), size, nullptr, nullptr);
  if (length < 0 && !ansi.empty()) ansi.pop_back();  // the NUL that was counted
  return ansi;
}

}  // namespace tg
