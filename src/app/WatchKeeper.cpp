#include "app/WatchKeeper.h"

#include "backup/PassProtocol.h"
#include "backup/WatchProtocol.h"

namespace tg {

void WatchKeeper::tick(Clock::time_point now) {
  if (!watch_.running()) {
    if (started_ && now < startAgainAt_) return;
    start(now);
    return;
  }
  read(now);
  if (now - lastAnswer_ > AnswerWithin) {
    watch_.stop();
    ++ended_;
    start(now);
    return;
  }
  watch_.send(PingLine(options_()));
}

void WatchKeeper::start(Clock::time_point now) {
  started_ = true;
  lastAnswer_ = now;
  startAgainAt_ = now + AfterItsOwnEnd;
  try {
    watch_.start(historyLogPath_);
  } catch (const std::exception&) {
    // Without a watch every document is stored at every pass, as it always was.
  }
}

void WatchKeeper::read(Clock::time_point now) {
  while (std::optional<std::string> line = watch_.takeLine()) {
    if (*line == WatchAnswer::Pong) {
      lastAnswer_ = now;
      continue;
    }
    const std::optional<PassMessage> message = ParsePassMessage(*line);
    if (message && message->verb == PassVerb::Message && tell_) {
      tell_(message->fields[0], message->fields[1]);
    }
  }
  startAgainAt_ = now + AfterItsOwnEnd;
}

}  // namespace tg
