#include "memory/LoopbackHelper.h"

#include <istream>
#include <ostream>
#include <streambuf>
#include <utility>

#include "backup/PassHelperSide.h"

namespace tg {
namespace {

class ReadingBuffer : public std::streambuf {
 public:
  explicit ReadingBuffer(LoopbackChannel& channel) : channel_(channel) {}

 protected:
  int_type underflow() override {
    buffer_ = channel_.readSome();
    if (buffer_.empty()) return traits_type::eof();
    setg(buffer_.data(), buffer_.data(), buffer_.data() + buffer_.size());
    return traits_type::to_int_type(buffer_[0]);
  }

 private:
  LoopbackChannel& channel_;
  std::string buffer_;
};

class WritingBuffer : public std::streambuf {
 public:
  explicit WritingBuffer(LoopbackChannel& channel) : channel_(channel) {}

 protected:
  int_type overflow(int_type c) override {
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
      const char byte = traits_type::to_char_type(c);
      channel_.write({&byte, 1});
    }
    return traits_type::not_eof(c);
  }
  std::streamsize xsputn(const char* bytes, std::streamsize count) override {
    channel_.write({bytes, static_cast<size_t>(count)});
    return count;
  }

 private:
  LoopbackChannel& channel_;
};

}  // namespace

void LoopbackChannel::write(std::string_view bytes) {
  {
    std::lock_guard lock(mutex_);
    bytes_ += bytes;
    written_ += bytes.size();
  }
  arrived_.notify_all();
}

std::string LoopbackChannel::readSome() {
  std::unique_lock lock(mutex_);
  arrived_.wait(lock, [this] { return closed_ || !bytes_.empty(); });
  return std::exchange(bytes_, {});
}

std::optional<std::string> LoopbackChannel::takeLine() {
  std::lock_guard lock(mutex_);
  const size_t end = bytes_.find('\n');
  if (end == std::string::npos) return std::nullopt;
  std::string line = bytes_.substr(0, end);
  bytes_.erase(0, end + 1);
  return line;
}

void LoopbackChannel::close() {
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
  }
  arrived_.notify_all();
}

void LoopbackChannel::reopen() {
  std::lock_guard lock(mutex_);
  closed_ = false;
  bytes_.clear();
}

std::uint64_t LoopbackChannel::bytesWritten() const {
  std::lock_guard lock(mutex_);
  return written_;
}

void LoopbackHelper::start(std::string_view historyLogPath) {
  stop();
  ++starts;
  toHelper_.reopen();
  toWindow_.reopen();
  lastFailure.clear();
  PassEnvironment environment = environment_;
  environment.historyLogPath = historyLogPath;
  running_ = true;
  thread_ = std::thread([this, environment] {
    ReadingBuffer in(toHelper_);
    WritingBuffer out(toWindow_);
    std::istream fromWindow(&in);
    std::ostream toWindow(&out);
    try {
      ServePass(fromWindow, toWindow, environment);
    } catch (const std::exception& failure) {
      lastFailure = failure.what();
    }
    running_ = false;
  });
}

std::optional<std::string> LoopbackHelper::takeLine() {
  std::optional<std::string> line = toWindow_.takeLine();
  // Nothing yet: give the helper's thread the processor rather than spin on an empty line.
  if (!line && running_) std::this_thread::yield();
  return line;
}

void LoopbackHelper::send(std::string_view line) { toHelper_.write(std::string(line) + "\n"); }

void LoopbackHelper::stop() {
  toHelper_.close();
  if (thread_.joinable()) thread_.join();
}

}  // namespace tg
