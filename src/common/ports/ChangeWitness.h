#pragma once
// What the pass asks of the change watch before it stores a document: whether the office has told
// of an edit since the document's last copy. The watch is another process; a pass without one
// stores every document.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/ports/FileFacts.h"

namespace tg {

enum class ChangeKnown {
  Unchanged,  // no edit since the copy named with it
  Changed,    // an edit since the last copy
  Unknown,    // no copy since the watch began, or no watch
};

struct LastCopy {
  std::string path;
  FileStamp stamp;
  bool operator==(const LastCopy&) const = default;
};

struct ChangeAnswer {
  ChangeKnown known = ChangeKnown::Unknown;
  std::optional<LastCopy> copy;  // with Unchanged only
};

class ChangeWitness {
 public:
  virtual ~ChangeWitness() = default;
  // By the document's location (never ""): a document never stored is not vouched for.
  virtual ChangeAnswer ask(std::string_view location) = 0;
  // Said just before the office stores the document: the watch listens again for its next edit.
  // The token names this moment; nothing when the watch could not listen again.
  virtual std::optional<std::uint64_t> arm(std::string_view location) = 0;
  // The copy armed with `token` is written and kept: the document is unchanged since it, unless
  // the office told of an edit after the arming.
  virtual void stored(std::string_view location, std::uint64_t token, const LastCopy& copy) = 0;
};

}  // namespace tg
