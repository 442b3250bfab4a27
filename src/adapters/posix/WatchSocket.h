#pragma once
// The change watch's socket: a local socket in the abstract namespace (nothing on disk to go
// stale), named after the user and the office's pipe, so that a watch serves the passes of one
// office only. Each side checks that the other runs as the same user: a watch of another account
// could otherwise tell a pass that nothing changed.

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "backup/WatchProtocol.h"

namespace tg {

std::string WatchSocketName(std::string_view officePipe);

class WatchSocketServer {
 public:
  using Answer = std::function<std::string(std::string_view request)>;
  // Serves each connection on a thread of its own, a line answered by a line, until the process
  // ends. Throws when the name is taken: another watch serves this office.
  WatchSocketServer(const std::string& name, Answer answer);
  WatchSocketServer(const WatchSocketServer&) = delete;
  WatchSocketServer& operator=(const WatchSocketServer&) = delete;

 private:
  int listening_ = -1;
};

// The pass's side. A watch that is not there, answers slowly or garbles an answer is not asked
// again by this witness: every document is then stored, as without a watch.
class SocketChangeWitness : public LineChangeWitness {
 public:
  explicit SocketChangeWitness(std::string name) : name_(std::move(name)) {}
  ~SocketChangeWitness() override;

 private:
  std::optional<std::string> exchange(const std::string& request) override;
  bool connect();
  void giveUp();

  std::string name_;
  int socket_ = -1;
  bool givenUp_ = false;
  std::string pending_;  // read past the last answer's end
};

}  // namespace tg
