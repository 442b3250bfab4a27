#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <functional>
#include <memory>
#include <string>

#include "common/ports/RunningCopyRequests.h"
#include "common/ports/SingleInstance.h"

namespace tg {

// One copy per user: a lock file held for the whole run, in a folder only this user can enter.
// That is the session's runtime folder when it is the user's own and closed to everyone else;
// otherwise (unset, shared with others, another user's) a private folder under the user's home,
// $XDG_STATE_HOME/Tallyguard or ~/.local/state/Tallyguard, made owner-only. The lock's name
// carries the user id. A copy that was killed leaves a lock whose process is gone, which the next
// copy takes over.
//
// Only a lock held by a live copy counts as another copy running. When the lock cannot be taken
// for any other reason the program starts all the same and lockProblem() says why.
class QtSingleInstance : public SingleInstance, public RunningCopyRequests {
 public:
  QtSingleInstance();
  explicit QtSingleInstance(const QString& lockPath);
  // The first call takes the lock; later calls repeat the first answer.
  bool anotherCopyRuns() override;
  std::string lockProblem() const override { return problem_; }
  void release();
  // Empty when no private folder could be found or made.
  QString lockPath() const { return lockPath_; }

  // The copy that holds the lock listens beside it for a later start's requests; a copy without
  // the lock does not listen.
  void listen(std::function<void(RunningCopyRequest)> answer) override;
  bool ask(RunningCopyRequest request) override;
  // Beside the lock, named with the user's id, so no other user's copy is ever reached.
  QString requestSocketPath() const;

  // The folder for the lock and the socket, as described above; throws std::runtime_error with a
  // sentence for the user when neither folder is fit.
  static std::string PrivateFolder();

 private:
  bool heldByALiveCopy();

  QString lockPath_;
  std::string problem_;
  std::unique_ptr<QLockFile> lock_;
  int answer_ = -1;
  std::unique_ptr<QLocalServer> server_;
};

}  // namespace tg
