#include "adapters/qt/QtSingleInstance.h"

#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStandardPaths>
#include <stdexcept>

namespace tg {

namespace {

// The session's runtime folder as the environment names it; Qt's own lookup, which also checks
// the folder's owner and permissions, only when it is not named (it costs milliseconds at start).
constexpr char ShowRequest[] = "show\n";
constexpr int RequestMilliseconds = 2000;

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

QString QtSingleInstance::requestSocketPath() const {
  return QFileInfo(lockPath_).absolutePath() + "/Morvane-Tallyguard-" +
         QString::number(::getuid()) + ".socket";
}

void QtSingleInstance::listenForShowRequests(std::function<void()> show) {
  // Only the lock's holder gets here, so a socket file left by a copy that was killed is stale.
  QLocalServer::removeServer(requestSocketPath());
  server_ = std::make_unique<QLocalServer>();
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(requestSocketPath())) {
    throw std::runtime_error("Cannot listen for a second start: " +
                             server_->errorString().toStdString());
  }
  QObject::connect(server_.get(), &QLocalServer::newConnection, server_.get(), [this, show] {
    while (QLocalSocket* client = server_->nextPendingConnection()) {
      QObject::connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
      QObject::connect(client, &QLocalSocket::readyRead, client, [client, show] {
        if (!client->canReadLine()) return;
        if (client->readLine() == ShowRequest) show();
        client->disconnectFromServer();
      });
    }
  });
}

bool QtSingleInstance::askRunningCopyToShow() const {
  QLocalSocket socket;
  socket.connectToServer(requestSocketPath());
  if (!socket.waitForConnected(RequestMilliseconds)) return false;
  socket.write(ShowRequest);
  const bool sent = socket.waitForBytesWritten(RequestMilliseconds);
  // The running copy hangs up once it has read the request.
  if (sent) socket.waitForDisconnected(RequestMilliseconds);
  return sent;
}

}  // namespace tg
