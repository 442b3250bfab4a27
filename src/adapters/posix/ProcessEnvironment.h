#pragma once

#include <cstdlib>

#include "common/ports/Environment.h"

namespace tg {

class ProcessEnvironment : public Environment {
 public:
  std::optional<std::string> variable(std::string_view name) const override {
    const char* value = std::getenv(std::string(name).c_str());
    if (value == nullptr) return std::nullopt;
    return std::string(value);
  }
};

}  // namespace tg
