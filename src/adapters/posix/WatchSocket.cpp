#include "adapters/posix/WatchSocket.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>
#include <thread>

#include "backup/WatchProtocol.h"

namespace tg {
namespace {

// An arming waits for the office's lock, which a long store may hold; a watch slower than this
// is not waited for.
constexpr int AnswerSeconds = 10;

sockaddr_un AbstractAddress(const std::string& name, socklen_t& length) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const size_t size = std::min(name.size(), sizeof(address.sun_path) - 1);
  std::memcpy(address.sun_path + 1, name.data(), size);  // sun_path[0] = 0: abstract
  length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + size);
  return address;
}

bool SameUser(int socket) {
  ucred peer{};
  socklen_t size = sizeof(peer);
  return ::getsockopt(socket, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == ::getuid();
}

bool WriteAll(int socket, std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = ::send(socket, text.data(), text.size(), MSG_NOSIGNAL);
    if (written <= 0) return false;
    text.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

// The next line from `socket`, keeping what came after it in `pending`.
std::optional<std::string> ReadLine(int socket, std::string& pending) {
  for (;;) {
    if (std::optional<std::string> line = TakeWatchLine(pending)) return line;
    if (pending.size() > LongestWatchLine) return std::nullopt;
    char buffer[4096];
    const ssize_t got = ::recv(socket, buffer, sizeof(buffer), 0);
    if (got <= 0) return std::nullopt;
    pending.append(buffer, static_cast<size_t>(got));
  }
}

void Serve(int connection, const WatchSocketServer::Answer& answer) {
  std::string pending;
  if (SameUser(connection)) {
    while (std::optional<std::string> request = ReadLine(connection, pending)) {
      if (!WriteAll(connection, answer(*request) + '\n')) break;
    }
  }
  ::close(connection);
}

}  // namespace

std::string WatchSocketName(std::string_view officePipe) {
  return "tallyguard-watch-" + std::to_string(::getuid()) + "-" + std::string(officePipe);
}

WatchSocketServer::WatchSocketServer(const std::string& name, Answer answer) {
  listening_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  socklen_t length = 0;
  const sockaddr_un address = AbstractAddress(name, length);
  if (listening_ < 0 ||
      ::bind(listening_, reinterpret_cast<const sockaddr*>(&address), length) != 0 ||
      ::listen(listening_, 8) != 0) {
    throw std::runtime_error("Another change watch serves this office already.");
  }
  std::thread([listening = listening_, answer = std::move(answer)] {
    for (;;) {
      const int connection = ::accept4(listening, nullptr, nullptr, SOCK_CLOEXEC);
      if (connection < 0) continue;
      std::thread(Serve, connection, answer).detach();
    }
  }).detach();
}

SocketChangeWitness::~SocketChangeWitness() {
  if (socket_ >= 0) ::close(socket_);
}

bool SocketChangeWitness::connect() {
  if (socket_ >= 0) return true;
  if (givenUp_) return false;
  socket_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  socklen_t length = 0;
  const sockaddr_un address = AbstractAddress(name_, length);
  const timeval wait{AnswerSeconds, 0};
  if (socket_ < 0 || ::connect(socket_, reinterpret_cast<const sockaddr*>(&address), length) != 0 ||
      !SameUser(socket_) ||
      ::setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof(wait)) != 0) {
    giveUp();
    return false;
  }
  return true;
}

void SocketChangeWitness::giveUp() {
  if (socket_ >= 0) ::close(socket_);
  socket_ = -1;
  givenUp_ = true;
}

std::optional<std::string> SocketChangeWitness::exchange(const std::string& request) {
  if (!connect()) return std::nullopt;
  std::optional<std::string> answer;
  if (WriteAll(socket_, request + '\n')) answer = ReadLine(socket_, pending_);
  if (!answer) giveUp();
  return answer;
}

}  // namespace tg
