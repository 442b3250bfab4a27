#pragma once

#include <map>

#include "common/ports/Environment.h"

namespace tg {

class MemoryEnvironment : public Environment {
 public:
  std::optional<std::string> variable(std::string_view name) const override {
    auto found = values.find(std::string(name));
    if (found == values.end()) return std::nullopt;
    return found->second;
  }
  std::string stateFolder() const override { return state; }

  std::map<std::string, std::string> values;
  std::string state;  // the platform's folder for records when TEMP names none
};

}  // namespace tg
