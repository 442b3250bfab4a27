#pragma once

#include "common/ports/Environment.h"

namespace tg {

// The process's own environment; records kept under the XDG state folder.
class ProcessEnvironment : public Environment {
 public:
  std::optional<std::string> variable(std::string_view name) const override;
  // The user's XDG state folder (see XdgStateHome), made when missing.
  std::string stateFolder() const override;
};

}  // namespace tg
