#pragma once

#include <QRandomGenerator>
#include <QTime>

#include "common/ports/RandomSource.h"

namespace tg {

// Seeded from the time of day, as each start draws anew.
class QtRandomSource : public RandomSource {
 public:
  QtRandomSource() : generator_(QTime::currentTime().msecsSinceStartOfDay()) {}
  double next() override { return generator_.generateDouble(); }

 private:
  QRandomGenerator generator_;
};

}  // namespace tg
