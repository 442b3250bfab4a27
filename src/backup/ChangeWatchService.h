#pragma once
// The change watch as the program runs it, the same on every platform: the window's heartbeat
// (each "ping" brings the options as the window shows them and is answered "pong" while the
// watch's lock can be had), the copy made as a document closes by the pass's rules, and the
// office followed through its restarts.

#include <iosfwd>
#include <mutex>
#include <optional>

#include "backup/ChangeWatch.h"
#include "backup/ClosingCopySurface.h"
#include "backup/PassOptions.h"
#include "backup/RunPass.h"

namespace tg {

// The options the window's last heartbeat brought; none before the first. A copy made as a
// document closes needs them: without them it could land where the user never chose.
class WindowOptions {
 public:
  void take(std::optional<PassOptions> options);
  std::optional<PassOptions> now() const;

 private:
  mutable std::mutex mutex_;
  std::optional<PassOptions> options_;
};

// Answers the heartbeat read from `fromWindow` until that stream ends, then returns.
void AnswerHeartbeat(std::istream& fromWindow, ChangeWatch& watch, WindowOptions& options,
                     const SendLine& send);

// What the watch says once it knows every document of a newly connected office.
inline constexpr std::string_view WatchingLine = "watching";

// The program's watch: a document closing with edits in no copy gets its copy in the environment
// `environment` makes, with the window's options (none yet: no copy), its reports sent as lines;
// "watching" is sent each time it has connected.
class ProgramWatch {
 public:
  ProgramWatch(OfficeWatch& office, std::function<PassEnvironment()> environment,
               std::string unsavedFolder, SendLine send);
  ChangeWatch& watch() { return watch_; }
  WindowOptions& options() { return options_; }
  // Follows the office for good: watches while one answers, then waits `pause` and looks again;
  // each office is watched afresh, every document counted as changed.
  [[noreturn]] void followTheOffice(const std::function<void()>& pause);

 private:
  OfficeWatch& office_;
  SendLine send_;
  ClosingCopySurface surface_;
  WindowOptions options_;
  ChangeWatch watch_;
};

}  // namespace tg
