#pragma once
// The short-lived helper process that runs one backup pass away from the window: started per
// pass, talked to in lines, ended at once when it must be.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tg {

class HelperProcess {
 public:
  virtual ~HelperProcess() = default;
  // Starts a helper for one pass; throws when it cannot be started.
  virtual void start(std::string_view historyLogPath) = 0;
  // The next whole line the helper wrote, without its line end; never waits.
  virtual std::optional<std::string> takeLine() = 0;
  virtual void send(std::string_view line) = 0;
  // False once the helper has ended.
  virtual bool running() const = 0;
  // Ends the helper at once.
  virtual void stop() = 0;
  // A count that grows while the helper or the office does any work (processor time); a count
  // that stands still means both wait on something.
  virtual std::uint64_t workDone() const = 0;
};

}  // namespace tg
