#include "adapters/qt/QtHelperProcess.h"

#include <QCoreApplication>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "adapters/posix/BackupHelperMain.h"
#include "adapters/posix/OfficeInstance.h"

namespace tg {
namespace {

// utime + stime of one process, from its /proc folder; 0 when it is gone.
std::uint64_t ProcessorTicks(const std::string& processFolder) {
  std::ifstream file(processFolder + "/stat");
  std::string stat;
  if (!std::getline(file, stat)) return 0;
  const size_t afterName = stat.rfind(')');
  if (afterName == std::string::npos) return 0;
  std::istringstream fields(stat.substr(afterName + 2));
  std::string field;
  std::uint64_t user = 0, system = 0;
  for (int index = 3; fields >> field; ++index) {
    if (index == 14) user = std::stoull(field);
    if (index == 15) {
      system = std::stoull(field);
      break;
    }
  }
  return user + system;
}

}  // namespace

QtHelperProcess::~QtHelperProcess() { stop(); }

void QtHelperProcess::start(std::string_view historyLogPath) {
  stop();
  office_.reset();
  process_ = std::make_unique<QProcess>();
  process_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(WindowProcessVariable, QString::number(QCoreApplication::applicationPid()));
  process_->setProcessEnvironment(environment);
  QStringList arguments;
  if (!flag_.isEmpty()) arguments << flag_;
  arguments << QString::fromUtf8(historyLogPath.data(), static_cast<int>(historyLogPath.size()));
  process_->start(program_, arguments);
  if (!process_->waitForStarted(5000)) {
    throw std::runtime_error("The backup helper could not be started: " +
                             process_->errorString().toStdString());
  }
}

std::optional<std::string> QtHelperProcess::takeLine() {
  if (!process_ || !process_->canReadLine()) return std::nullopt;
  QByteArray line = process_->readLine();
  if (line.endsWith('\n')) line.chop(1);
  return line.toStdString();
}

void QtHelperProcess::send(std::string_view line) {
  if (!process_) return;
  QByteArray bytes(line.data(), static_cast<qsizetype>(line.size()));
  bytes.append('\n');
  process_->write(bytes);
  process_->waitForBytesWritten(1000);
}

bool QtHelperProcess::running() const {
  return process_ && process_->state() != QProcess::NotRunning;
}

void QtHelperProcess::stop() {
  if (!process_) return;
  if (process_->state() != QProcess::NotRunning) {
    process_->kill();
    process_->waitForFinished(1000);
  }
  process_.reset();
}

std::uint64_t QtHelperProcess::workDone() const {
  std::uint64_t ticks = 0;
  if (!office_) office_ = ProfileOffice(profile_);
  if (office_) ticks += ProcessorTicks("/proc/" + std::to_string(*office_));
  if (running()) ticks += ProcessorTicks("/proc/" + std::to_string(process_->processId()));
  return ticks;
}

}  // namespace tg
