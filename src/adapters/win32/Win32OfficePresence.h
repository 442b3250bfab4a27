#pragma once
// The user's office on Windows, found among the processes of this session by program name,
// without reaching for the office through COM: that would start one.

#include <cstdint>
#include <string>
#include <vector>

#include "common/ports/OfficePresence.h"

namespace tg {

// The office's program names: the running suite and its launcher.
std::vector<std::string> OfficeProcessNames();

// The ids of this session's processes whose program carries one of `names`, compared without
// regard to case.
std::vector<std::uint32_t> SessionProcessesNamed(const std::vector<std::string>& names);

class Win32OfficePresence : public OfficePresence {
 public:
  explicit Win32OfficePresence(std::vector<std::string> processNames = OfficeProcessNames())
      : names_(std::move(processNames)) {}
  bool officeRuns() const override;

 private:
  std::vector<std::string> names_;
};

}  // namespace tg
