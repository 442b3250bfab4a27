#include "adapters/qt/core/QtSettingsBackend.h"

#include <QSettings>
#include <QString>

namespace tg {

namespace {

// A fresh QSettings per access reads the file as it is now, whichever process wrote it.
QString ToQt(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

std::optional<std::string> QtSettingsBackend::read(std::string_view application,
                                                   std::string_view section,
                                                   std::string_view key) const {
  QSettings settings(ToQt(application), ToQt(section));
  settings.beginGroup(ToQt(section));
  const QString name = ToQt(key);
  if (!settings.contains(name)) return std::nullopt;
  return settings.value(name).toString().toStdString();
}

void QtSettingsBackend::write(std::string_view application, std::string_view section,
                              std::string_view key, std::string_view text) {
  QSettings settings(ToQt(application), ToQt(section));
  settings.beginGroup(ToQt(section));
  settings.setValue(ToQt(key), ToQt(text));
  settings.endGroup();
  settings.sync();
}

}  // namespace tg
