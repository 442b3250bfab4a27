#pragma once

namespace tg {

// Whether the user's office suite is running at all, asked without reaching for it: reaching for
// it may start one.
class OfficePresence {
 public:
  virtual ~OfficePresence() = default;
  virtual bool officeRuns() const = 0;
};

}  // namespace tg
