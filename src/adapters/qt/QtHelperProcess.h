#pragma once
// The backup helper as a child process of the window: this same program started with
// "--backup-pass", spoken to over its standard input and output.

#include <QProcess>
#include <memory>

#include "backup/PassProtocol.h"
#include "common/ports/HelperProcess.h"

namespace tg {

class QtHelperProcess : public HelperProcess {
 public:
  explicit QtHelperProcess(QString program) : program_(std::move(program)) {}
  ~QtHelperProcess() override;

  void start(std::string_view historyLogPath) override;
  std::optional<std::string> takeLine() override;
  void send(std::string_view line) override;
  bool running() const override;
  void stop() override;
  // The helper's processor time and that of every office process of this user, in clock ticks.
  std::uint64_t workDone() const override;

 private:
  QString program_;
  std::unique_ptr<QProcess> process_;
};

}  // namespace tg
