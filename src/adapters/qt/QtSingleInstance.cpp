#include "adapters/qt/QtSingleInstance.h"

#include <QDir>
#include <QStandardPaths>

namespace tg {

QtSingleInstance::QtSingleInstance()
    : QtSingleInstance(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) +
                       "/Morvane-Tallyguard.lock") {}

QtSingleInstance::QtSingleInstance(const QString& lockPath) : lockPath_(lockPath) {}

bool QtSingleInstance::anotherCopyRuns() {
  if (answer_ < 0) {
    QDir().mkpath(QFileInfo(lockPath_).absolutePath());
    lock_ = std::make_unique<QLockFile>(lockPath_);
    // Never by age: a copy that has run for a day still runs. A dead holder is still detected.
    lock_->setStaleLockTime(0);
    answer_ = lock_->tryLock(0) ? 0 : 1;
  }
  return answer_ == 1;
}

void QtSingleInstance::release() {
  if (lock_) lock_->unlock();
}

}  // namespace tg
