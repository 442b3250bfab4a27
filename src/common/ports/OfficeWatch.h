#pragma once
// The office's side of the change watch: listeners the office calls, synchronously, on its own
// thread while it waits. Whatever is told through OfficeWatchListener must return at once, except
// `closing`, which may store a copy through the same connection (the office waits for it).

#include <cstdint>
#include <string>

#include "common/ports/Automation.h"

namespace tg {

class OfficeWatchListener {
 public:
  virtual ~OfficeWatchListener() = default;
  // A spreadsheet document the office has open (found at the start, loaded, made new), or one
  // whose location changed (Save As). `document` is the watch's own number for it.
  virtual void opened(std::uint64_t document, const std::string& location) = 0;
  // The first edit since the document was last armed; the office calls no more until it is armed
  // again.
  virtual void changed(std::uint64_t document) = 0;
  // The document is about to close, before the office asks whether to save it.
  virtual void closing(std::uint64_t document, const ObjectRef& model) = 0;
  virtual void closed(std::uint64_t document) = 0;
  // Every document open when the watch connected is known: what follows is told as it happens.
  virtual void watching() = 0;
};

class OfficeWatch {
 public:
  virtual ~OfficeWatch() = default;
  // Connects to the user's office and listens until the connection ends; throws OfficeNotRunning
  // when no office of the user's answers, and AutomationError when listening fails.
  virtual void watch(OfficeWatchListener& listener) = 0;
  // Listens again for the document's next edit (an office call; made without any lock held).
  // False when the document is gone or the office refused.
  virtual bool arm(std::uint64_t document) = 0;
  // The same connection as the listeners', to store a copy while the office waits on `closing`.
  virtual AutomationFactory& automation() = 0;
};

}  // namespace tg
