#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tg {

class Environment {
 public:
  virtual ~Environment() = default;
  virtual std::optional<std::string> variable(std::string_view name) const = 0;
  // The folder for the program's own records (the history log) when TEMP names none, created when
  // missing; throws when it cannot be. Empty text where the platform keeps no such folder.
  virtual std::string stateFolder() const = 0;
};

}  // namespace tg
