#pragma once

namespace tg {

class RandomSource {
 public:
  virtual ~RandomSource() = default;
  // A uniform number in [0, 1).
  virtual double next() = 0;
};

}  // namespace tg
