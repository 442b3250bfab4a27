#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "common/ports/Skin.h"

namespace tg {

// A skin engine for tests: records the files applied, or rejects them.
class MemorySkin : public Skin {
 public:
  void apply(std::string_view skinFile) override {
    if (reject) throw std::runtime_error("Invalid skin file");
    appliedFiles.emplace_back(skinFile);
  }
  bool reject = false;
  std::vector<std::string> appliedFiles;
};

}  // namespace tg
