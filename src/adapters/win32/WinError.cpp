#include "adapters/win32/WinError.h"

#include <cctype>

namespace tg {

std::string SystemMessage(DWORD error) {
  char* buffer = nullptr;
  DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text = length > 0 && buffer ? std::string(buffer, length) : std::string();
  if (buffer) LocalFree(buffer);
  while (!text.empty() &&
         (std::isspace(static_cast<unsigned char>(text.back())) || text.back() == '.')) {
    text.pop_back();
  }
  return text.empty() ? "error " + std::to_string(error) : text;
}

void ThrowLastError(std::string_view what, std::string_view path, std::string_view done) {
  DWORD error = GetLastError();
  std::string reason = SystemMessage(error);
  reason.front() = static_cast<char>(std::tolower(static_cast<unsigned char>(reason.front())));
  throw WinError(error, std::string(what) + " " + std::string(path) + " could not be " +
                            std::string(done) + ": " + reason + ".");
}

}  // namespace tg
