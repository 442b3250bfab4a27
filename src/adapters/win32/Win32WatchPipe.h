#pragma once
// The change watch's pipe on Windows: a named pipe for local clients only, named after the user's
// security identifier and the logon session, so that a watch serves that session's passes only.
// Each side checks that the other runs as the same user: a watch of another account could
// otherwise tell a pass that nothing changed.

#include <windows.h>

#include <functional>
#include <string>

#include "backup/WatchProtocol.h"

namespace tg {

std::string WatchPipeName();

class WatchPipeServer {
 public:
  using Answer = std::function<std::string(std::string_view request)>;
  // Serves each client on a thread of its own, a line answered by a line, until the process
  // ends. Throws when the name is taken: another watch serves this session.
  WatchPipeServer(const std::string& name, Answer answer);
  WatchPipeServer(const WatchPipeServer&) = delete;
  WatchPipeServer& operator=(const WatchPipeServer&) = delete;
};

// The pass's side. A watch that is not there, answers slowly or garbles an answer is not asked
// again by this witness: every document is then stored, as without a watch.
class PipeChangeWitness : public LineChangeWitness {
 public:
  explicit PipeChangeWitness(std::string name) : name_(std::move(name)) {}
  ~PipeChangeWitness() override;

 private:
  std::optional<std::string> exchange(const std::string& request) override;
  bool connect();
  void giveUp();

  std::string name_;
  HANDLE pipe_ = INVALID_HANDLE_VALUE;
  bool givenUp_ = false;
  std::string pending_;
};

}  // namespace tg
