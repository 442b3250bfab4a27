#pragma once

#include <QLockFile>
#include <memory>

#include "common/ports/SingleInstance.h"

namespace tg {

// One copy per user: a lock file in the user's runtime folder, held for the whole run. A copy
// that was killed leaves a lock whose process is gone, which the next copy takes over.
class QtSingleInstance : public SingleInstance {
 public:
  QtSingleInstance();
  explicit QtSingleInstance(const QString& lockPath);
  // The first call takes the lock; later calls repeat the first answer.
  bool anotherCopyRuns() override;
  void release();
  QString lockPath() const { return lockPath_; }

 private:
  QString lockPath_;
  std::unique_ptr<QLockFile> lock_;
  int answer_ = -1;
};

}  // namespace tg
