#pragma once

#include "common/ports/Environment.h"

namespace tg {

// The process's own environment; records kept under the XDG state folder.
class ProcessEnvironment : public Environment {
 public:
  std::optional<std::string> variable(std::string_view name) const override;
  // $XDG_STATE_HOME when it is an absolute path, else ~/.local/state; never the root folder.
  std::string stateFolder() const override;
};

}  // namespace tg
