#pragma once
// Start at logon through the current user's Run key: a value named after the running program's
// file name whose data is its full path, quoted so a folder with blanks starts the right file.
// Never the machine-wide key: a normal user cannot write there and would never learn of it.

#include <string>

#include "common/ports/Autostart.h"

namespace tg {

inline constexpr const char* RunKeyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

class RunKeyAutostart : public Autostart {
 public:
  // `executable`: the full path of the running program.
  explicit RunKeyAutostart(std::string executable) : executable_(std::move(executable)) {}

  void enable() override;
  void disable() override;

  std::string valueName() const;
  std::string valueData() const;

 private:
  std::string executable_;
};

}  // namespace tg
