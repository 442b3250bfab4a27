#include "adapters/posix/PosixPrivateState.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>
#include <utility>

namespace tg {
namespace {

[[noreturn]] void Fail(const std::string& what) {
  throw std::runtime_error(what + ": " + std::strerror(errno) + ".");
}

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// Opened without following a link and without waiting on a FIFO; refused unless it is a regular
// file of this user that no one else may write.
int OpenTrusted(const std::string& path, int flags) {
  const int fd = ::open(path.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
  if (fd < 0) {
    if (errno == ELOOP) {
      throw UntrustedStateFile("The file " + path + " is a link, so it is not used.");
    }
    return -1;
  }
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_uid != ::geteuid() ||
      (status.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    ::close(fd);
    throw UntrustedStateFile("The file " + path +
                             " is not a plain file that only you may change, so it is not used.");
  }
  return fd;
}

class FlockLock : public PrivateState::Lock {
 public:
  explicit FlockLock(int fd) : fd_(fd) {}
  ~FlockLock() override { ::close(fd_); }  // closing lets the lock go

 private:
  int fd_;
};

void WriteAll(int fd, std::string_view text, const std::string& path) {
  while (!text.empty()) {
    const ssize_t written = ::write(fd, text.data(), text.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      Fail("The file " + path + " could not be written");
    }
    text.remove_prefix(static_cast<size_t>(written));
  }
}

}  // namespace

std::string PosixPrivateState::DefaultFolder() {
  const char* state = std::getenv("XDG_STATE_HOME");
  const char* home = std::getenv("HOME");
  const std::string base = state && state[0] == '/'
                               ? std::string(state)
                               : std::string(home ? home : "") + "/.local/state";
  return base + "/Tallyguard";
}

void PosixPrivateState::ensureFolder() const {
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(folder_).parent_path(), ignored);
  if (::mkdir(folder_.c_str(), 0700) != 0 && errno != EEXIST) {
    Fail("The folder " + folder_ + " could not be created");
  }
  struct stat status {};
  if (::lstat(folder_.c_str(), &status) != 0) Fail("The folder " + folder_ + " could not be read");
  if (!S_ISDIR(status.st_mode) || status.st_uid != ::geteuid()) {
    throw std::runtime_error("The folder " + folder_ +
                             " is not a folder of yours, so Tallyguard keeps nothing there.");
  }
  // A folder of ours that others may enter is closed to them again.
  if ((status.st_mode & 077) != 0 && ::chmod(folder_.c_str(), 0700) != 0) {
    Fail("The folder " + folder_ + " could not be made private");
  }
}

std::string PosixPrivateState::pathOf(std::string_view name) const {
  return folder_ + "/" + std::string(name);
}

std::unique_ptr<PrivateState::Lock> PosixPrivateState::lock(std::string_view name,
                                                            std::chrono::milliseconds wait) {
  ensureFolder();
  const std::string path = pathOf(std::string(name) + ".lock");
  const int fd = OpenTrusted(path, O_RDWR | O_CREAT);
  if (fd < 0) Fail("The lock " + path + " could not be opened");
  const auto deadline = std::chrono::steady_clock::now() + wait;
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK && errno != EINTR) {
      ::close(fd);
      Fail("The lock " + path + " could not be taken");
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      ::close(fd);
      return nullptr;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return std::make_unique<FlockLock>(fd);
}

std::optional<std::string> PosixPrivateState::read(std::string_view name) {
  const std::string path = pathOf(name);
  Descriptor file(OpenTrusted(path, O_RDONLY));
  if (file.get() < 0) {
    if (errno == ENOENT) return std::nullopt;
    Fail("The file " + path + " could not be opened");
  }
  std::string content;
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(file.get(), buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      Fail("The file " + path + " could not be read");
    }
    if (got == 0) return content;
    content.append(buffer, static_cast<size_t>(got));
  }
}

void PosixPrivateState::replace(std::string_view name, std::string_view text) {
  ensureFolder();
  const std::string path = pathOf(name);
  std::string temporary = pathOf("." + std::string(name) + ".XXXXXX");
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) Fail("The file " + path + " could not be written");
  bool written = false;
  try {
    Descriptor file(fd);
    WriteAll(fd, text, path);
    if (::fsync(fd) != 0) Fail("The file " + path + " could not be written");
    written = true;
  } catch (...) {
    ::unlink(temporary.c_str());
    throw;
  }
  if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) {
    const int error = errno;
    ::unlink(temporary.c_str());
    errno = error;
    Fail("The file " + path + " could not be replaced");
  }
}

}  // namespace tg
