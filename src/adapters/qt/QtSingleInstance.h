#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <functional>
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

  // The copy that runs listens beside its lock for a later start's request to show the window.
  // Throws std::runtime_error when it cannot listen.
  void listenForShowRequests(std::function<void()> show);
  // A later start asks the running copy to show its window; false when no copy answered.
  bool askRunningCopyToShow() const;
  // Beside the lock, named with the user's id, so no other user's copy is ever reached.
  QString requestSocketPath() const;

 private:
  QString lockPath_;
  std::unique_ptr<QLockFile> lock_;
  int answer_ = -1;
  std::unique_ptr<QLocalServer> server_;
};

}  // namespace tg
