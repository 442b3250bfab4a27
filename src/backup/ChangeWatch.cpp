#include "backup/ChangeWatch.h"

#include <algorithm>

#include "backup/WatchProtocol.h"

namespace tg {

using Guard = std::lock_guard<std::timed_mutex>;

void ChangeWatch::opened(std::uint64_t document, const std::string& location) {
  Guard guard(mutex_);
  Document& known = documents_[document];
  // Stored under a new name (Save As): its copies are another file's from now on.
  if (known.location != location) {
    known = Document();
    known.location = location;
  }
}

void ChangeWatch::changed(std::uint64_t document) {
  Guard guard(mutex_);
  if (auto found = documents_.find(document); found != documents_.end()) ++found->second.edits;
}

// Edits in no copy, which the office holds unsaved: the copy is made now, as a pass would make
// it. A document saved with them, or whose edits are all in its last copy, costs nothing.
void ChangeWatch::closing(std::uint64_t document, const ObjectRef& model) {
  {
    Guard guard(mutex_);
    auto found = documents_.find(document);
    if (found != documents_.end() && !found->second.editedSinceCopy()) return;
  }
  try {
    if (!model->call("isModified").asBool()) return;
  } catch (const AutomationError&) {
    // Unknown: a copy too many costs less than edits lost.
  }
  copyBeforeClosing_(model);
}

void ChangeWatch::closed(std::uint64_t document) {
  Guard guard(mutex_);
  documents_.erase(document);
}

ChangeWatch::Documents::iterator ChangeWatch::at(std::string_view location) {
  if (location.empty()) return documents_.end();
  return std::find_if(documents_.begin(), documents_.end(),
                      [&](const auto& entry) { return entry.second.location == location; });
}

ChangeAnswer ChangeWatch::ask(std::string_view location) {
  Guard guard(mutex_);
  auto found = at(location);
  if (found == documents_.end() || !found->second.copy) return {};
  if (found->second.editedSinceCopy()) return {ChangeKnown::Changed, std::nullopt};
  return {ChangeKnown::Unchanged, found->second.copy};
}

// The count of edits is taken before the office is asked to listen again: an edit made before
// the listener is back is in the copy that follows, one made after it is told.
std::optional<std::uint64_t> ChangeWatch::arm(std::string_view location) {
  std::uint64_t document = 0;
  std::uint64_t token = 0;
  {
    Guard guard(mutex_);
    auto found = at(location);
    if (found == documents_.end()) return std::nullopt;
    document = found->first;
    token = found->second.edits;
  }
  if (!office_.arm(document)) return std::nullopt;
  return token;
}

void ChangeWatch::stored(std::string_view location, std::uint64_t token, const LastCopy& copy) {
  Guard guard(mutex_);
  auto found = at(location);
  if (found == documents_.end()) return;
  found->second.copiedAt = token;
  found->second.copy = copy;
}

std::string ChangeWatch::answer(std::string_view request) {
  const std::vector<std::string_view> fields = SplitWatchLine(request, 6);
  const std::string_view verb = fields[0];
  if (verb == WatchVerb::Ask && fields.size() == 2) return ChangeAnswerLine(ask(fields[1]));
  if (verb == WatchVerb::Arm && fields.size() == 2) {
    if (std::optional<std::uint64_t> token = arm(fields[1])) {
      return std::string(WatchAnswer::Armed) + '\t' + std::to_string(*token);
    }
    return std::string(WatchAnswer::Unknown);
  }
  if (verb == WatchVerb::Stored && fields.size() == 6) {
    const std::optional<std::uint64_t> token = ParseWatchToken(fields[2]);
    const std::optional<LastCopy> copy = ParseCopyFields(fields[3], fields[4], fields[5]);
    if (token && copy) {
      stored(fields[1], *token, *copy);
      return std::string(WatchAnswer::Ok);
    }
  }
  return std::string(WatchAnswer::Unknown);
}

void ChangeWatch::forgetAll() {
  Guard guard(mutex_);
  documents_.clear();
}

bool ChangeWatch::answering(std::chrono::milliseconds wait) {
  if (!mutex_.try_lock_for(wait)) return false;
  mutex_.unlock();
  return true;
}

}  // namespace tg
