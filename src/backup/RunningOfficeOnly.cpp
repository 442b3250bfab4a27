#include "backup/RunningOfficeOnly.h"

#include "backup/Calc.h"

namespace tg {

ObjectRef RunningOfficeOnly::create(std::string_view programmaticId) {
  if (programmaticId == OfficeServiceManagerId && !presence_.officeRuns()) {
    throw OfficeNotRunning("The office suite is not running, so there is nothing to back up.");
  }
  return automation_.create(programmaticId);
}

}  // namespace tg
