#include "adapters/qt/QtSkin.h"

#include <QApplication>
#include <QFile>
#include <stdexcept>

#include "adapters/qt/QtControls.h"
#include "common/Descriptions.h"

namespace tg {

namespace {

// Qt reports a style sheet it cannot parse only as a warning; this catches it while applying.
bool skinRejected = false;
QtMessageHandler previousHandler = nullptr;

void WatchForRejection(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (text.contains("Could not parse") && text.contains("stylesheet")) skinRejected = true;
  if (previousHandler) previousHandler(type, context, text);
}

}  // namespace

void QtSkin::apply(std::string_view skinFile) {
  QFile file(ToQString(skinFile));
  if (!file.open(QIODevice::ReadOnly)) {
    throw std::runtime_error(Descriptions::FileCannotBeRead(skinFile));
  }
  const QString sheet = QString::fromUtf8(file.readAll());
  const QString before = qApp->styleSheet();
  skinRejected = false;
  previousHandler = qInstallMessageHandler(WatchForRejection);
  qApp->setStyleSheet(sheet);
  qInstallMessageHandler(previousHandler);
  if (skinRejected) {
    qApp->setStyleSheet(before);
    throw std::runtime_error("Invalid skin file");
  }
}

}  // namespace tg
