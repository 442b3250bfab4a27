#pragma once
// The window's hold on the change watch. The office calls the watch and waits for it without a
// time limit, so a watch that stops answering (stopped, stuck) would freeze the user's office:
// the window asks it four times a second, ends one that has not answered for a second and a half
// (the office's waiting call then fails at once, within two seconds of the last answer), and
// starts another, which counts every document as changed. A watch that ended by itself is started
// again a little later.

#include <chrono>
#include <functional>
#include <string>

#include "backup/PassOptions.h"
#include "common/ports/HelperProcess.h"

namespace tg {

class WatchKeeper {
 public:
  using Clock = std::chrono::steady_clock;
  // What the watch reports (a close-time copy that failed): one line of text and a title.
  using Tell = std::function<void(const std::string& text, const std::string& title)>;

  static constexpr std::chrono::milliseconds Period{250};
  static constexpr std::chrono::milliseconds AnswerWithin{1500};
  static constexpr std::chrono::seconds AfterItsOwnEnd{10};

  // `options`: the pass's options as the window shows them, sent with every heartbeat.
  WatchKeeper(HelperProcess& watch, std::string historyLogPath,
              std::function<PassOptions()> options, Tell tell)
      : watch_(watch),
        historyLogPath_(std::move(historyLogPath)),
        options_(std::move(options)),
        tell_(std::move(tell)) {}
  ~WatchKeeper() { watch_.stop(); }

  // Called every Period.
  void tick(Clock::time_point now);
  // How many watches were ended for not answering, for whoever looks.
  int ended() const { return ended_; }

 private:
  void start(Clock::time_point now);
  void read(Clock::time_point now);

  HelperProcess& watch_;
  std::string historyLogPath_;
  std::function<PassOptions()> options_;
  Tell tell_;
  bool started_ = false;
  Clock::time_point lastAnswer_{};
  Clock::time_point startAgainAt_{};
  int ended_ = 0;
};

}  // namespace tg
