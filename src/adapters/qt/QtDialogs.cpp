#include "adapters/qt/QtDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QStandardPaths>

#include "adapters/qt/QtControls.h"

namespace tg {

QString MessageText(std::string_view text) {
  QString shown = ToQString(text);
  shown.replace("\r\n", "\n");
  shown.replace('\r', '\n');
  return shown;
}

MessageAnswer QtDialogs::messageBox(std::string_view text, std::string_view title,
                                    MessageButtons buttons, MessageIcon icon) {
  QMessageBox box(owner_);
  box.setWindowTitle(ToQString(title));
  box.setTextFormat(Qt::PlainText);
  box.setText(MessageText(text));
  box.setIcon(icon == MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon);
  if (buttons == MessageButtons::YesNo) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
  } else {
    box.setStandardButtons(QMessageBox::Ok);
  }
  const int answer = box.exec();
  if (buttons == MessageButtons::Ok) return MessageAnswer::Ok;
  return answer == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

namespace {

QString StartingFolder(std::string_view initialFolder) {
  if (!initialFolder.empty()) return ToQString(initialFolder);
  const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
  return QDir(desktop).exists() ? desktop : QDir::homePath();
}

}  // namespace

std::string QtDialogs::browseForFolder(std::string_view prompt, std::string_view initialFolder) {
  QFileDialog dialog(owner_, ToQString(prompt), StartingFolder(initialFolder));
  dialog.setObjectName("BrowseForFolder");
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog |
                    QFileDialog::DontResolveSymlinks);
  dialog.setWindowModality(Qt::ApplicationModal);
  if (dialog.exec() != QDialog::Accepted) return "";
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return "";
  const QString folder = QDir::toNativeSeparators(chosen.front());
  return QDir(folder).exists() ? ToStdString(folder) : std::string();
}

}  // namespace tg
