#include "app/WatchKeeper.h"

#include "backup/PassProtocol.h"
#include "backup/WatchProtocol.h"

namespace tg {

void WatchKeeper::tick(Time::time_point now) {
  if (!watch_.running()) {
    if (started_ && now < startAgainAt_) return;
    start(now);
    return;
  }
  read(now);
  if (closing_ && closing_->hung()) {
    if (tell_) tell_(ClosingCopyGivenUp, "Tallyguard");
    endAndStartAgain(now);
    return;
  }
  if (now - lastAnswer_ > AnswerWithin) {
    endAndStartAgain(now);
    return;
  }
  watch_.send(PingLine(options_()));
}

void WatchKeeper::endAndStartAgain(Time::time_point now) {
  watch_.stop();
  ++ended_;
  start(now);
}

void WatchKeeper::start(Time::time_point now) {
  started_ = true;
  closing_.reset();
  lastAnswer_ = now;
  startAgainAt_ = now + AfterItsOwnEnd;
  try {
    watch_.start(historyLogPath_);
  } catch (const std::exception&) {
    // Without a watch every document is stored at every pass, as it always was.
  }
}

void WatchKeeper::read(Time::time_point now) {
  while (std::optional<std::string> line = watch_.takeLine()) {
    if (*line == WatchAnswer::Pong) {
      lastAnswer_ = now;
    } else if (*line == WatchAnswer::Closing) {
      closing_.emplace(clock_, hangSeconds_, [this] { return watch_.workDone(); });
    } else if (*line == WatchAnswer::Closed) {
      closing_.reset();
    } else if (const std::optional<PassMessage> message = ParsePassMessage(*line);
               message && message->verb == PassVerb::Message && tell_) {
      tell_(message->fields[0], message->fields[1]);
    }
  }
  startAgainAt_ = now + AfterItsOwnEnd;
}

}  // namespace tg
