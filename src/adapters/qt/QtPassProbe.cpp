#include "adapters/qt/QtPassProbe.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "backup/PassProtocol.h"

namespace tg {
namespace {

// The meter's period: a stall shows as a gap between two turns of the timer, so the longest gap
// is at most this much longer than the longest stall.
constexpr int MeterMilliseconds = 5;

}  // namespace

std::unique_ptr<QtPassProbe> QtPassProbe::FromEnvironment(HelperProcess& helper) {
  const char* chosen = std::getenv("TALLYGUARD_PASS_PROBE");
  if (chosen == nullptr || *chosen == '\0') return nullptr;
  return std::make_unique<QtPassProbe>(helper, std::strcmp(chosen, "stall") == 0);
}

QtPassProbe::QtPassProbe(HelperProcess& helper, bool meterStalls)
    : helper_(helper), meterStalls_(meterStalls) {
  meter_.setTimerType(Qt::PreciseTimer);
  meter_.setInterval(MeterMilliseconds);
  QObject::connect(&meter_, &QTimer::timeout, [this] { turn(); });
}

void QtPassProbe::start(std::string_view historyLogPath) {
  if (measuring_) end("ended");
  measuring_ = true;
  longestGapNs_ = 0;
  pass_.start();
  lastTurnNs_ = 0;
  if (meterStalls_) meter_.start();
  helper_.start(historyLogPath);
}

std::optional<std::string> QtPassProbe::takeLine() {
  std::optional<std::string> line = helper_.takeLine();
  if (line && *line == "done" && measuring_) end("done");
  if (line) tellMessage(*line);
  return line;
}

// A message box the helper asks for, on one line of its own, so that a benchmark that dismisses
// the boxes can still say what they said. The prefix differs from the pass lines'.
void QtPassProbe::tellMessage(const std::string& line) {
  std::optional<PassMessage> message = ParsePassMessage(line);
  if (!message || message->verb != PassVerb::Message || message->fields.size() < 2) return;
  std::string text = message->fields[1] + ": " + message->fields[0];
  for (char& c : text) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  std::fprintf(stderr, "tallyguard probe message: %s\n", text.c_str());
  std::fflush(stderr);
}

void QtPassProbe::stop() {
  if (measuring_) end("stopped");
  helper_.stop();
}

void QtPassProbe::turn() {
  const qint64 now = pass_.nsecsElapsed();
  if (now - lastTurnNs_ > longestGapNs_) longestGapNs_ = now - lastTurnNs_;
  lastTurnNs_ = now;
}

void QtPassProbe::end(const char* how) {
  if (meterStalls_) {
    turn();
    meter_.stop();
  }
  measuring_ = false;
  const double passSeconds = static_cast<double>(pass_.nsecsElapsed()) / 1e9;
  if (meterStalls_) {
    std::fprintf(stderr,
                 "tallyguard probe: pass %s in %.3f s, longest event-loop stall %.1f ms "
                 "(longest gap between turns of a %d ms timer)\n",
                 how, passSeconds, static_cast<double>(longestGapNs_) / 1e6, MeterMilliseconds);
  } else {
    std::fprintf(stderr, "tallyguard probe: pass %s in %.3f s\n", how, passSeconds);
  }
  std::fflush(stderr);
}

}  // namespace tg
