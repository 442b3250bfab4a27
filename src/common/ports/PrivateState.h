#pragma once
// The program's own files that it trusts enough to delete by (the record of the copies it wrote)
// and its per-user locks. They live in a folder of the user's own that no one else can write, so
// no other account can plant a record or hold a lock; and each file is checked again at every
// open, since even there a link or a FIFO must never be followed or waited on.

#include <chrono>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tg {

class PrivateState {
 public:
  // Held while it lives; a process that ends, however, lets it go.
  class Lock {
   public:
    virtual ~Lock() = default;
  };

  virtual ~PrivateState() = default;
  // Waits up to `wait` for the per-user lock `name`; nothing when another process of this user
  // held it all that time. Throws std::runtime_error when the lock cannot be taken at all.
  virtual std::unique_ptr<Lock> lock(std::string_view name, std::chrono::milliseconds wait) = 0;
  // The text of the file `name`; nothing when there is none. Throws std::runtime_error for a file
  // that is not trusted (a link, not a plain file of this user, changeable by others) or cannot be
  // read.
  virtual std::optional<std::string> read(std::string_view name) = 0;
  // Replaces the file `name` whole: written beside it under another name, flushed to the disk,
  // then renamed over it, so a full disk or a crash leaves the old text or the new, never half.
  virtual void replace(std::string_view name, std::string_view text) = 0;
};

}  // namespace tg
