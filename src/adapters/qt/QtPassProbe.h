#pragma once
// An opt-in probe for the benchmarks, off unless TALLYGUARD_PASS_PROBE is set: it stands between
// the window and its backup helper and writes one line per pass to standard error, with the
// pass's time (helper start included) and, when the variable is "stall", the longest stall of
// the window's event loop, read from a timer that should fire every few milliseconds. Every
// message box the helper asks for is written too, on a line of its own.

#include <QElapsedTimer>
#include <QTimer>
#include <memory>
#include <string>

#include "common/ports/HelperProcess.h"

namespace tg {

class QtPassProbe : public HelperProcess {
 public:
  // Nothing when the variable is not set: the program then talks to its helper directly.
  static std::unique_ptr<QtPassProbe> FromEnvironment(HelperProcess& helper);
  QtPassProbe(HelperProcess& helper, bool meterStalls);

  void start(std::string_view historyLogPath) override;
  std::optional<std::string> takeLine() override;
  void send(std::string_view line) override { helper_.send(line); }
  bool running() const override { return helper_.running(); }
  void stop() override;
  std::uint64_t workDone() const override { return helper_.workDone(); }

 private:
  void turn();
  void end(const char* how);
  void tellMessage(const std::string& line);

  HelperProcess& helper_;
  bool meterStalls_;
  QTimer meter_;
  QElapsedTimer pass_;
  qint64 lastTurnNs_ = 0;
  qint64 longestGapNs_ = 0;
  bool measuring_ = false;
};

}  // namespace tg
