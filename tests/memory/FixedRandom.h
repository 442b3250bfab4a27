#pragma once

#include "common/ports/RandomSource.h"

namespace tg {

// Always draws the number the test chose.
class FixedRandom : public RandomSource {
 public:
  explicit FixedRandom(double drawn = 0.5) : value(drawn) {}
  double next() override { return value; }
  double value;
};

}  // namespace tg
