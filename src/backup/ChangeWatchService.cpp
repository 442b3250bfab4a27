#include "backup/ChangeWatchService.h"

#include <iostream>
#include <istream>
#include <string>

#include "backup/WatchProtocol.h"

namespace tg {

void WindowOptions::take(std::optional<PassOptions> options) {
  std::lock_guard lock(mutex_);
  options_ = std::move(options);
}

std::optional<PassOptions> WindowOptions::now() const {
  std::lock_guard lock(mutex_);
  return options_;
}

void AnswerHeartbeat(std::istream& fromWindow, ChangeWatch& watch, WindowOptions& options,
                     const SendLine& send) {
  std::string line;
  while (std::getline(fromWindow, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::optional<std::optional<PassOptions>> ping = ParsePing(line);
    if (!ping) continue;
    options.take(*ping);
    if (watch.answering(std::chrono::milliseconds(500))) send(std::string(WatchAnswer::Pong));
  }
}

ProgramWatch::ProgramWatch(OfficeWatch& office, std::function<PassEnvironment()> environment,
                           std::string unsavedFolder, SendLine send)
    : office_(office),
      send_(send),
      surface_(send, std::move(unsavedFolder)),
      watch_(
          office,
          [this, environment = std::move(environment)](const ObjectRef& model) {
            const std::optional<PassOptions> chosen = options_.now();
            if (!chosen) return;
            // The window bounds the copy as it bounds a pass: the office waits on it meanwhile.
            send_(std::string(WatchAnswer::Closing));
            RunClosingCopy(environment(),
                           PassSurface{[chosen] { return *chosen; }, surface_, surface_, surface_},
                           model);
            send_(std::string(WatchAnswer::Closed));
          },
          [this] { send_(std::string(WatchingLine)); }) {}

void ProgramWatch::followTheOffice(const std::function<void()>& pause) {
  for (;;) {
    try {
      office_.watch(watch_);
    } catch (const OfficeNotRunning&) {
    } catch (const std::exception& failure) {
      // Said once per try; the office may answer again later.
      std::cerr << failure.what() << '\n';
    }
    watch_.forgetAll();
    pause();
  }
}

}  // namespace tg
