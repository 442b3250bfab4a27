#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tg {

class Environment {
 public:
  virtual ~Environment() = default;
  virtual std::optional<std::string> variable(std::string_view name) const = 0;
};

}  // namespace tg
