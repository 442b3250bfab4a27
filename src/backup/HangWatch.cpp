#include "backup/HangWatch.h"

namespace tg {

HangWatch::HangWatch(const Clock& clock, double boundSeconds,
                     std::function<std::uint64_t()> workDone)
    : clock_(clock),
      boundSeconds_(boundSeconds),
      workDone_(std::move(workDone)),
      lastProgress_(clock.secondsSinceStart()),
      lastWork_(workDone_()) {}

void HangWatch::progress() { lastProgress_ = clock_.secondsSinceStart(); }

bool HangWatch::hung() {
  const double now = clock_.secondsSinceStart();
  // Reading processor times walks /proc: once a second is plenty for a bound of a minute.
  if (now - lastSample_ >= 1.0) {
    lastSample_ = now;
    const std::uint64_t work = workDone_();
    if (work != lastWork_) {
      lastWork_ = work;
      lastProgress_ = now;
    }
  }
  return now - lastProgress_ >= boundSeconds_;
}

}  // namespace tg
