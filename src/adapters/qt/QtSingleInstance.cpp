#include "adapters/qt/QtSingleInstance.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QTimer>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <stdexcept>
#include <system_error>

#include "adapters/posix/PosixPrivateState.h"

namespace tg {

namespace {

// One line a request, as a later start writes it.
const char* RequestLine(RunningCopyRequest request) {
  switch (request) {
    case RunningCopyRequest::Show:
      return "show\n";
    case RunningCopyRequest::Versions:
      return "versions\n";
    case RunningCopyRequest::BackupNow:
      return "backup\n";
  }
  return "";
}
constexpr int RequestMilliseconds = 2000;

std::string Uid() { return std::to_string(::geteuid()); }

std::string Reason(int error) {
  std::string reason = std::generic_category().message(error);
  if (!reason.empty())
    reason.front() = static_cast<char>(std::tolower(static_cast<unsigned char>(reason.front())));
  return reason;
}

// A folder, not a link to one, of this user, that no one else may enter or change.
bool IsPrivateFolderOfUser(const struct stat& status) {
  return S_ISDIR(status.st_mode) && status.st_uid == ::geteuid() && (status.st_mode & 077) == 0;
}

// Each missing level of `path` is made, owner-only; existing levels are left as they are.
void MakeFolders(const std::string& path) {
  for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    const std::string level = path.substr(0, slash);
    if (::mkdir(level.c_str(), 0700) != 0 && errno != EEXIST) {
      throw std::runtime_error("The folder " + level +
                               " for Tallyguard's lock could not be made: " + Reason(errno) + ".");
    }
    if (slash == std::string::npos) return;
  }
}

}  // namespace

std::string QtSingleInstance::PrivateFolder() {
  struct stat status {};
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/' && ::lstat(runtime, &status) == 0 &&
      IsPrivateFolderOfUser(status)) {
    return runtime;
  }
  const std::string folder = PosixPrivateState::DefaultFolder();
  MakeFolders(folder);
  if (::lstat(folder.c_str(), &status) != 0) {
    throw std::runtime_error("The folder " + folder +
                             " for Tallyguard's lock could not be read: " + Reason(errno) + ".");
  }
  // A folder of this user that others may enter was made by the user's own hand: closing it is
  // safe. Anything else (a link, a file, another user's folder) is not used at all.
  if (S_ISDIR(status.st_mode) && status.st_uid == ::geteuid() && (status.st_mode & 077) != 0) {
    if (::chmod(folder.c_str(), 0700) == 0) status.st_mode &= ~mode_t{077};
  }
  if (!IsPrivateFolderOfUser(status)) {
    throw std::runtime_error("The folder " + folder +
                             " is not a private folder of this user, so Tallyguard keeps no lock "
                             "there.");
  }
  return folder;
}

QtSingleInstance::QtSingleInstance() {
  try {
    lockPath_ = QString::fromStdString(PrivateFolder() + "/Morvane-Tallyguard-" + Uid() + ".lock");
  } catch (const std::exception& failure) {
    problem_ = failure.what();
  }
}

QtSingleInstance::QtSingleInstance(const QString& lockPath) : lockPath_(lockPath) {}

bool QtSingleInstance::anotherCopyRuns() {
  if (answer_ < 0) answer_ = !lockPath_.isEmpty() && heldByALiveCopy() ? 1 : 0;
  return answer_ == 1;
}

// Takes the lock; true only when a live copy holds it. Any other failure is kept as the problem
// to report, and this copy runs without the lock.
bool QtSingleInstance::heldByALiveCopy() {
  QDir().mkpath(QFileInfo(lockPath_).absolutePath());
  lock_ = std::make_unique<QLockFile>(lockPath_);
  // Never by age: a copy that has run for a day still runs. A dead holder is still detected.
  lock_->setStaleLockTime(0);
  if (lock_->tryLock(0)) return false;
  if (lock_->error() == QLockFile::LockFailedError) {
    qint64 pid = 0;
    QString host, application;
    // Qt has already taken over a lock whose process is gone; one that names a process is
    // therefore a live copy's. One that names none was left half-written (a crash, a full disk)
    // in the user's own folder: it is taken over once.
    if (lock_->getLockInfo(&pid, &host, &application)) return true;
    if (lock_->removeStaleLockFile() && lock_->tryLock(0)) return false;
    if (lock_->error() == QLockFile::LockFailedError &&
        lock_->getLockInfo(&pid, &host, &application)) {
      return true;
    }
  }
  problem_ = "Tallyguard could not take its lock " + lockPath_.toStdString() +
             (lock_->error() == QLockFile::PermissionError ? ": permission denied."
                                                           : ": it is not a lock file it can use.");
  lock_.reset();
  return false;
}

void QtSingleInstance::release() {
  if (lock_) lock_->unlock();
}

QString QtSingleInstance::requestSocketPath() const {
  return QFileInfo(lockPath_).absolutePath() + "/Morvane-Tallyguard-" +
         QString::number(::geteuid()) + ".socket";
}

void QtSingleInstance::listen(std::function<void(RunningCopyRequest)> answer) {
  if (!lock_ || !lock_->isLocked()) return;
  // Only the lock's holder gets here, so a socket file left by a copy that was killed is stale.
  QLocalServer::removeServer(requestSocketPath());
  server_ = std::make_unique<QLocalServer>();
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(requestSocketPath())) {
    throw std::runtime_error("Cannot listen for a second start: " +
                             server_->errorString().toStdString());
  }
  QObject::connect(server_.get(), &QLocalServer::newConnection, server_.get(), [this, answer] {
    while (QLocalSocket* client = server_->nextPendingConnection()) {
      QObject::connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
      QObject::connect(client, &QLocalSocket::readyRead, client, [client, answer] {
        if (!client->canReadLine()) return;
        const QByteArray line = client->readLine();
        client->disconnectFromServer();
        for (RunningCopyRequest request : EveryRunningCopyRequest) {
          // A backup runs for a while; the asking copy is let go first.
          if (line == RequestLine(request))
            QTimer::singleShot(0, [answer, request] { answer(request); });
        }
      });
    }
  });
}

bool QtSingleInstance::ask(RunningCopyRequest request) {
  const char* line = RequestLine(request);
  QLocalSocket socket;
  socket.connectToServer(requestSocketPath());
  if (!socket.waitForConnected(RequestMilliseconds)) return false;
  socket.write(line);
  const bool sent = socket.waitForBytesWritten(RequestMilliseconds);
  // The running copy hangs up once it has read the request.
  if (sent) socket.waitForDisconnected(RequestMilliseconds);
  return sent;
}

}  // namespace tg
