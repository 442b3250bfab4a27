#pragma once

#include <string>
#include <vector>

#include "common/ports/OfficePresence.h"

namespace tg {

// An office of this user runs when /proc shows a soffice.bin process owned by the user. The
// office's own pipe files stay behind after a crash, so they prove nothing.
// The /proc folders of this user's office processes.
std::vector<std::string> UsersOfficeProcesses(const std::string& procFolder = "/proc");

class ProcOfficePresence : public OfficePresence {
 public:
  explicit ProcOfficePresence(std::string procFolder = "/proc") : proc_(std::move(procFolder)) {}
  bool officeRuns() const override;

 private:
  std::string proc_;
};

}  // namespace tg
