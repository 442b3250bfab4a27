#pragma once
// The window's hold on the change watch. The office calls the watch and waits for it without a
// time limit, so a watch that stops answering (stopped, stuck) would freeze the user's office:
// the window asks it four times a second, ends one that has not answered for a second and a half
// (the office's waiting call then fails at once, within two seconds of the last answer), and
// starts another, which counts every document as changed. A watch that ended by itself is started
// again a little later. A copy the watch makes as a document closes, while the office waits on
// it, is bounded as a pass is: when neither the watch nor the office does any work for the bound,
// the watch is ended (the office goes on closing) and the user told.

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "backup/HangWatch.h"
#include "backup/PassOptions.h"
#include "common/ports/HelperProcess.h"

namespace tg {

inline constexpr const char* ClosingCopyGivenUp =
    "The office suite is not responding, so the copy of the workbook being closed was not made.";

class WatchKeeper {
 public:
  using Time = std::chrono::steady_clock;
  // What the watch reports (a close-time copy that failed): one line of text and a title.
  using Tell = std::function<void(const std::string& text, const std::string& title)>;

  static constexpr std::chrono::milliseconds Period{250};
  static constexpr std::chrono::milliseconds AnswerWithin{1500};
  static constexpr std::chrono::seconds AfterItsOwnEnd{10};

  // `options`: the pass's options as the window shows them, sent with every heartbeat.
  // `clock` and `hangSeconds` bound a copy made at close as a pass is bounded.
  WatchKeeper(HelperProcess& watch, std::string historyLogPath,
              std::function<PassOptions()> options, Tell tell, const Clock& clock,
              double hangSeconds)
      : watch_(watch),
        historyLogPath_(std::move(historyLogPath)),
        options_(std::move(options)),
        tell_(std::move(tell)),
        clock_(clock),
        hangSeconds_(hangSeconds) {}
  ~WatchKeeper() { watch_.stop(); }

  // Called every Period.
  void tick(Time::time_point now);
  // How many watches were ended, for not answering or a copy at close that made no progress.
  int ended() const { return ended_; }

 private:
  void start(Time::time_point now);
  void read(Time::time_point now);
  void endAndStartAgain(Time::time_point now);

  HelperProcess& watch_;
  std::string historyLogPath_;
  std::function<PassOptions()> options_;
  Tell tell_;
  const Clock& clock_;
  double hangSeconds_;
  std::optional<HangWatch> closing_;  // while a copy is made as a document closes
  bool started_ = false;
  Time::time_point lastAnswer_{};
  Time::time_point startAgainAt_{};
  int ended_ = 0;
};

}  // namespace tg
