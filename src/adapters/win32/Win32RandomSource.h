#pragma once

#include <windows.h>

#include <random>

#include "common/ports/RandomSource.h"

namespace tg {

// Seeded from the time since the computer started, so each start draws anew.
class Win32RandomSource : public RandomSource {
 public:
  Win32RandomSource() : generator_(static_cast<unsigned>(GetTickCount64())) {}
  double next() override { return std::uniform_real_distribution<double>(0.0, 1.0)(generator_); }

 private:
  std::mt19937 generator_;
};

}  // namespace tg
