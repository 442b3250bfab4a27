#pragma once
// The backup helper as a child process of the window: this same program started with
// "--backup-pass", spoken to over its standard input and output.

#include <sys/types.h>

#include <QProcess>
#include <memory>
#include <optional>
#include <string>

#include "backup/PassProtocol.h"
#include "common/ports/HelperProcess.h"

namespace tg {

class QtHelperProcess : public HelperProcess {
 public:
  // `profile`: the user's office profile, as the pass is told it ("" = the launcher's default).
  // `program` started with `flag` (none when empty) and the history log: this program as the
  // backup helper, or the change watch's own program.
  QtHelperProcess(QString program, std::string profile, QString flag = BackupPassFlag)
      : program_(std::move(program)), flag_(std::move(flag)), profile_(std::move(profile)) {}
  ~QtHelperProcess() override;

  void start(std::string_view historyLogPath) override;
  std::optional<std::string> takeLine() override;
  void send(std::string_view line) override;
  bool running() const override;
  void stop() override;
  // The helper's processor time and that of the user's office, in clock ticks. The office is
  // the process serving the single-instance socket of the user's profile: the only office a
  // pass ever works with. Other offices of this user, busy or not, do not count.
  std::uint64_t workDone() const override;

 private:
  QString program_;
  QString flag_;
  std::unique_ptr<QProcess> process_;
  std::string profile_;
  // Looked up once a pass: a stopped office keeps its process, and asking again at every turn
  // of the watch would queue connections on a socket nobody takes them from.
  mutable std::optional<pid_t> office_;
};

}  // namespace tg
