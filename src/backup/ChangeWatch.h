#pragma once
// The change watch: which open spreadsheets changed since their last copy, as the office tells it.
// The office's listeners feed it (OfficeWatchListener), passes ask it (ChangeWitness, over the
// watch's socket through `answer`), and a document with edits in no copy gets its copy as it
// closes, before the office asks whether to save it, so "Don't Save" loses nothing.
//
// A lock guards the documents, and is never held while the office is called: the office calls the
// listeners holding its own lock, and waits for them.

#include <chrono>
#include <functional>
#include <map>
#include <mutex>

#include "common/ports/ChangeWitness.h"
#include "common/ports/OfficeWatch.h"

namespace tg {

class ChangeWatch : public OfficeWatchListener, public ChangeWitness {
 public:
  // Stores a copy of the closing document by the pass's rules; the office waits meanwhile.
  using CopyBeforeClosing = std::function<void(const ObjectRef& model)>;
  // `nowWatching`: told each time the watch has connected and knows every open document.
  ChangeWatch(OfficeWatch& office, CopyBeforeClosing copyBeforeClosing,
              std::function<void()> nowWatching = nullptr)
      : office_(office),
        copyBeforeClosing_(std::move(copyBeforeClosing)),
        nowWatching_(std::move(nowWatching)) {}

  void opened(std::uint64_t document, const std::string& location) override;
  void changed(std::uint64_t document) override;
  void closing(std::uint64_t document, const ObjectRef& model) override;
  void closed(std::uint64_t document) override;
  void watching() override {
    if (nowWatching_) nowWatching_();
  }

  ChangeAnswer ask(std::string_view location) override;
  std::optional<std::uint64_t> arm(std::string_view location) override;
  void stored(std::string_view location, std::uint64_t token, const LastCopy& copy) override;

  // One request line of a pass, and the line that answers it.
  std::string answer(std::string_view request);
  // The connection to the office ended: nothing it told holds any more.
  void forgetAll();
  // The watch can still take its lock within `wait`: what the window's heartbeat asks.
  bool answering(std::chrono::milliseconds wait);

 private:
  struct Document {
    std::string location;
    std::uint64_t edits = 0;                // edits told since the watch saw the document
    std::optional<std::uint64_t> copiedAt;  // the count of edits its last copy holds
    std::optional<LastCopy> copy;
    bool editedSinceCopy() const { return !copy || copiedAt != edits; }
  };
  using Documents = std::map<std::uint64_t, Document>;
  Documents::iterator at(std::string_view location);

  OfficeWatch& office_;
  CopyBeforeClosing copyBeforeClosing_;
  std::function<void()> nowWatching_;
  std::timed_mutex mutex_;
  Documents documents_;
};

}  // namespace tg
