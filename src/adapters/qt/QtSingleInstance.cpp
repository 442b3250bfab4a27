#include "adapters/qt/QtSingleInstance.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace tg {

namespace {

// The session's runtime folder as the environment names it; Qt's own lookup, which also checks
// the folder's owner and permissions, only when it is not named (it costs milliseconds at start).
QString RuntimeFolder() {
  const QString named = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (named.startsWith('/') && QFileInfo(named).isDir()) return named;
  return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

}  // namespace

QtSingleInstance::QtSingleInstance()
    : QtSingleInstance(RuntimeFolder() + "/Morvane-Tallyguard.lock") {}

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
