#include "adapters/qt/QtShell.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>
#include <cstdlib>
#include <stdexcept>

#include "adapters/qt/QtClipboardHandover.h"
#include "adapters/qt/QtControls.h"
#include "common/Descriptions.h"

namespace tg {

namespace {

// Qt answers false when no handler could be started (no xdg-open, no desktop).
void Open(const QUrl& url) {
  if (!url.isValid() || !QDesktopServices::openUrl(url)) {
    throw std::runtime_error(Descriptions::NothingOpens(ToStdString(url.toDisplayString())));
  }
}

}  // namespace

void QtShell::openInTextEditor(std::string_view path) {
  Open(QUrl::fromLocalFile(ToQString(path)));
}

void QtShell::openWebAddress(std::string_view url) { Open(QUrl(ToQString(url), QUrl::StrictMode)); }

void QtShell::openDocument(std::string_view path) { Open(QUrl::fromLocalFile(ToQString(path))); }

void QtShell::showInFileManager(std::string_view path) {
  const QString file = ToQString(path);
  QDBusInterface fileManager("org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
                             "org.freedesktop.FileManager1", QDBusConnection::sessionBus());
  if (fileManager.isValid()) {
    fileManager.setTimeout(5000);
    const QDBusMessage answer = fileManager.call(
        "ShowItems", QStringList{QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded)},
        QString());
    if (answer.type() == QDBusMessage::ReplyMessage) return;
  }
  Open(QUrl::fromLocalFile(QFileInfo(file).absolutePath()));
}

std::optional<std::string> QtShell::desktopFolder() const {
  const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
  if (!desktop.isEmpty() && QDir(desktop).exists()) return ToStdString(desktop);
  const QString home = QDir::homePath();
  if (home.isEmpty()) return std::nullopt;
  return ToStdString(home);
}

std::string QtShell::programFolder() const {
  return ToStdString(QCoreApplication::applicationDirPath());
}

// Every setting was stored when it changed; only copied text is handed on.
void QtShell::endProgram() {
  if (beforeEnd) beforeEnd();
  HandClipboardToManager();
  std::_Exit(0);
}

}  // namespace tg
