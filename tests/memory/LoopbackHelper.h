#pragma once
// The backup helper without a process: the helper's side of the pass runs on a thread of this
// process, over in-memory lines, so tests of the window and the command line take the very path
// the programs take, with the in-memory office and files.
//
// Unlike a process it cannot be killed: stop() closes its input and waits for the thread, which
// ends at its next ask. A pass that never asks again (an office stand-in that never answers)
// cannot be stopped; the hang watch is tested with a scripted helper instead.

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "backup/RunPass.h"
#include "common/ports/HelperProcess.h"

namespace tg {

// Bytes one way between the two threads.
class LoopbackChannel {
 public:
  void write(std::string_view bytes);
  // Waits for bytes; "" once the channel is closed and empty.
  std::string readSome();
  // A whole line without its end, when one is there; never waits.
  std::optional<std::string> takeLine();
  void close();
  void reopen();
  std::uint64_t bytesWritten() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable arrived_;
  std::string bytes_;
  std::uint64_t written_ = 0;
  bool closed_ = false;
};

class LoopbackHelper : public HelperProcess {
 public:
  // The helper's own view of the system; the history log's path is the one each start names.
  explicit LoopbackHelper(PassEnvironment environment) : environment_(std::move(environment)) {}
  ~LoopbackHelper() override { stop(); }

  void start(std::string_view historyLogPath) override;
  std::optional<std::string> takeLine() override;
  void send(std::string_view line) override;
  bool running() const override { return running_; }
  void stop() override;
  std::uint64_t workDone() const override { return toWindow_.bytesWritten(); }

  int starts = 0;
  std::string lastFailure;  // what the helper said on its way out when its pass threw

 private:
  PassEnvironment environment_;
  LoopbackChannel toHelper_;
  LoopbackChannel toWindow_;
  std::thread thread_;
  std::atomic<bool> running_ = false;
};

}  // namespace tg
