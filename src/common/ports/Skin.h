#pragma once

#include <string_view>

namespace tg {

// The optional skin engine.
class Skin {
 public:
  virtual ~Skin() = default;
  // Loads a skin file and applies it to the window; throws when the file is rejected.
  virtual void apply(std::string_view skinFile) = 0;
};

}  // namespace tg
