#pragma once
// Office automation that never starts the office: creating the office's service manager starts
// one when none runs, hidden, and it stays after the pass. A user who closed the office has
// nothing open to back up, so the creation is refused before it is tried.

#include "common/ports/Automation.h"
#include "common/ports/OfficePresence.h"

namespace tg {

class RunningOfficeOnly : public AutomationFactory {
 public:
  RunningOfficeOnly(AutomationFactory& automation, const OfficePresence& presence)
      : automation_(automation), presence_(presence) {}

  // Throws OfficeNotRunning for the office's service manager while no office runs; every other
  // object, and the service manager of a running office, comes from the wrapped factory.
  ObjectRef create(std::string_view programmaticId) override;
  bool isInstalled(std::string_view programmaticId) override {
    return automation_.isInstalled(programmaticId);
  }

 private:
  AutomationFactory& automation_;
  const OfficePresence& presence_;
};

}  // namespace tg
