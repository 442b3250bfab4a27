#pragma once
// Tells when a pass has stopped making progress: no line from its helper and no processor time of
// the helper or the office for the whole bound. A slow store of a big workbook keeps the office
// busy and is never cut off; an office that is stopped, or waits on a dialog no one sees, is.

#include <cstdint>
#include <functional>

#include "common/ports/Clock.h"

namespace tg {

class HangWatch {
 public:
  HangWatch(const Clock& clock, double boundSeconds, std::function<std::uint64_t()> workDone);

  // A line arrived, or the user answered a dialog: the user's time is not the office's.
  void progress();
  bool hung();

 private:
  const Clock& clock_;
  double boundSeconds_;
  std::function<std::uint64_t()> workDone_;
  double lastProgress_;
  double lastSample_ = 0;
  std::uint64_t lastWork_;
};

}  // namespace tg
