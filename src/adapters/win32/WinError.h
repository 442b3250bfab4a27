#pragma once
// Failures of Windows calls, described in the program's own words with the system's reason.

#include <windows.h>

#include <string>
#include <string_view>
#include <system_error>

namespace tg {

// The system's text for an error code, without its line end; "error N" when it has none.
std::string SystemMessage(DWORD error);

// A failure whose what() is the sentence the user reads.
class WinError : public std::system_error {
 public:
  WinError(DWORD error, std::string description)
      : std::system_error(static_cast<int>(error), std::system_category()),
        description_(std::move(description)) {}
  const char* what() const noexcept override { return description_.c_str(); }

 private:
  std::string description_;
};

// "The folder C:\a could not be created: access is denied." from GetLastError().
[[noreturn]] void ThrowLastError(std::string_view what, std::string_view path,
                                 std::string_view done);

}  // namespace tg
