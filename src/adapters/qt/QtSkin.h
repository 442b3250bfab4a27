#pragma once

#include "common/ports/Skin.h"

namespace tg {

// The skin file is a Qt style sheet for the whole program.
class QtSkin : public Skin {
 public:
  // Throws when the file cannot be read or Qt cannot parse it.
  void apply(std::string_view skinFile) override;
};

}  // namespace tg
